// The graph executor's words on the script's graph: redrawing and measurements, event markers,
// lines and dots on the plot, message boxes, scaling and display modes, the clipboard, the
// current folder, renaming and closing the graph.
#include "scripts/words/graph_words.h"
#include "scripts/words/word_fields.h"
#include "scripts/words/word_table.h"
#include "base/app.h"
#include "base/lesson.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/items/graph_items.h"
#include "documents/markers/markers.h"
#include "documents/measurements/measure_calc.h"
#include "documents/measurements/measure_text.h"
#include "graph/document/channel_scaling.h"
#include "graph/render/printing.h"
#include "graph/view/axes.h"
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"
#include <cstring>

bool IsTextField(const char* pos) {
    while (*pos == ' ' || *pos == '\t' || *pos == ',') ++pos;
    return pos[0] == '"' || (pos[0] && (pos[1] == '$' || pos[1] == '@'));
}

bool IsFieldPresent(const char* pos) {
    while (*pos == ' ' || *pos == '\t') ++pos;
    if (*pos == ',') ++pos;
    while (*pos == ' ' || *pos == '\t') ++pos;
    return *pos && *pos != ',' && *pos != '\r' && *pos != '\n' && *pos != ';';
}

void ExpandLessonEscapes(const char* in, char* out, size_t size, const char* lineEnd, bool anyCase) {
    const size_t endLength = std::strlen(lineEnd);
    auto is = [anyCase](char c, char lower) { return c == lower || (anyCase && c == lower - 'a' + 'A'); };
    size_t n = 0;
    for (const char* p = in; *p && n + endLength < size; ++p) {
        if (p[0] == '\\' && is(p[1], 'r')) {
            std::memcpy(out + n, lineEnd, endLength);
            n += endLength;
            ++p;
        } else if (p[0] == '\\' && is(p[1], 't')) {
            out[n++] = '\t';
            ++p;
        } else if (p[0] == '\\' && p[1] == '\\') {
            out[n++] = '\\';
            ++p;
        } else {
            out[n++] = *p;
        }
    }
    out[n] = 0;
}

void ExpandClipboardEscapes(const char* in, char* out, size_t size) { ExpandLessonEscapes(in, out, size, "\r", true); }

namespace {

// A statement the executor refuses: the error dialog, then the run goes on whatever its answer.
int16_t GraphWordError(const stScriptCall& call, const char* word) {
    ShowScriptError(call.line, word);
    return kScriptGoOn;
}

// UPDATE [MMTS | NONPLOT | PLOT]: measurements, the scales, the plot, or all of it laid out anew.
void UpdateGraph(tagGS* gs, const char* what) {
    if (ScriptWordIs(what, "MMTS")) {
        UpdateAllMeasurements(gs);
        return;
    }
    HDC dc = GetDC(gs->hwnd);
    if (!dc) return;
    if (ScriptWordIs(what, "NONPLOT")) {
        PaintGraphClient(dc, gs, 0);
    } else if (ScriptWordIs(what, "PLOT")) {
        PaintGraphPlotArea(dc, gs);
    } else {
        UpdateAllMeasurements(gs);
        LayoutGraphWindow(gs);
        PaintGraphClient(dc, gs, 1);
    }
    ReleaseDC(gs->hwnd, dc);
}

// INSERTMARKER text: an event marker at the recording's end while one comes in, else at the
// selection's left edge.
void InsertScriptMarker(tagGS* gs, const char* label) {
    const double left = gs->selStart < gs->selEnd ? gs->selStart : gs->selEnd;
    const double at = gs->acquiring ? gs->totalSamples * gs->sampleInterval : left;
    stMarkerNode* node = InsertMarker(gs, at, 1, label, kMarkerSequential);
    if (node && gs->markerManager) ShowMarkerLabel(gs->markerManager, node);
}

bool HasMarkers(const tagGS* gs) { return gs->markers && gs->markers->count && gs->markers->first; }

// RENAMEMARKER n, text: a label the user gave, kept through renumbering.
void RenameScriptMarker(tagGS* gs, double number, const char* label) {
    if (!HasMarkers(gs) || number < 1.0 || number > gs->markers->count) return;
    stMarkerNode* node = GetMarkerByNumber(gs->markers->first, static_cast<uint32_t>(number));
    if (!node || !SetMarkerLabel(node, label)) return;
    if (node->marker) node->marker->fixedLabel = 1;
    setDirtyGraphFlag(gs, 1);
    if (node == gs->markers->current && gs->markerManager) ShowMarkerLabel(gs->markerManager, node);
}

// DELETEMARKER n: marker n (0 the last) becomes current and goes.
void DeleteScriptMarker(tagGS* gs, double number) {
    if (!HasMarkers(gs) || !gs->markerManager || number < 0.0 || number > gs->markers->count) return;
    stMarkerNode* node = GetMarkerByNumber(gs->markers->first, static_cast<uint32_t>(number));
    if (!node) return;
    CommitMarkerLabel(gs, node, 0, 1, 0);
    DeleteMarker(gs->markerManager, gs->markers->current);
}

void ShowInformation(const char* text) {
    MessageBoxA(g_app->hwndFrame, text, Keyed("Wavemind"), MB_OK | MB_ICONINFORMATION);
}

// AUTOSCALE [n] and TILE [n]: one channel when a number is given, else the whole graph.
int16_t ScaleWord(const stScriptCall& call, tagGS* gs, const char* word, CWordFields& fields, int spread) {
    if (!IsFieldPresent(fields.Position())) {
        AutoScaleGraph(gs, spread);
        return kScriptGoOn;
    }
    const double slot = fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    if (!(slot >= 0.0 && slot < kMaxChannels)) return GraphWordError(call, word);
    AutoScaleOneChannel(gs, 1, spread, static_cast<int>(slot));
    return kScriptGoOn;
}

// CLIPBOARD WRITE and APPEND: a text with its escapes, or a number with the graph's precision.
int16_t ClipboardValue(tagGS* gs, CWordFields& fields, bool append) {
    char value[kScriptWordChars], text[kScriptWordChars];
    if (IsTextField(fields.Position())) {
        fields.Text(value);
        if (CWordFields::Bad()) return kScriptStop;
        ExpandClipboardEscapes(value, text, sizeof text);
    } else {
        const double number = fields.Number();
        if (CWordFields::Bad()) return kScriptStop;
        measure::FormatValue(text, sizeof text, number, gs->precisionDigits);
    }
    if (append)
        AppendClipboardText(text);
    else
        CopyTextToClipboard(text);
    return kScriptGoOn;
}

using ClipboardHandler = int16_t (*)(tagGS* gs, CWordFields& fields);

// A clipboard word without fields; what the copy answers is not the statement's result.
template <auto Copy>
int16_t ClipboardAction(tagGS* gs, CWordFields&) {
    Copy(gs);
    return kScriptGoOn;
}

const stWordRow<ClipboardHandler> kClipboardWords[] = {
    {"COPYGRAPH", ClipboardAction<CopyGraphToClipboard>},
    {"COPYWAVEDATA", ClipboardAction<CopySelectionTextToClipboard>},
    {"APPENDWAVEDATA", ClipboardAction<AppendGraphTextToClipboard>},
    {"COPYMEASUREMENTS", ClipboardAction<CopyMeasurementsToClipboard>},
    {"WRITE", [](tagGS* gs, CWordFields& f) { return ClipboardValue(gs, f, false); }},
    {"APPEND", [](tagGS* gs, CWordFields& f) { return ClipboardValue(gs, f, true); }},
};

int16_t ClipboardWord(const stScriptCall& call, tagGS* gs, CWordFields& fields) {
    char word[kScriptWordChars];
    fields.Word(word);
    if (const auto* row = FindWordRow(kClipboardWords, word)) return row->run(gs, fields);
    return GraphWordError(call, "CLIPBOARD");
}

// RENAME text: the graph's title and window text, a colon being no part of a file name.
void RenameGraph(tagGS* gs, char* title) {
    MakeFileNameSafe(title);
    lstrcpynA(gs->title, title, sizeof gs->title);
    if (gs->hwnd) SetWindowTextA(gs->hwnd, gs->title);
}

// CLOSEGRAPH: the active graph window closes even where the lesson locked its window.
void CloseActiveGraph() {
    const ScriptPermission kept[] = {kPermSizeWindow, kPermDragWindow, kPermZoomWindow, kPermCloseWindow};
    uint16_t before[4];
    for (int i = 0; i < 4; ++i) {
        before[i] = g_script.permissions[kept[i]];
        g_script.permissions[kept[i]] = 1;
    }
    HWND child = g_app->hwndClient
                     ? reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0))
                     : nullptr;
    if (child) SendMessageA(child, WM_CLOSE, 0, 0);
    for (int i = 0; i < 4; ++i) g_script.permissions[kept[i]] = before[i];
}

using GraphWordHandler = int16_t (*)(stScriptCall& call, tagGS* gs, const char* word, CWordFields& fields);

// ---- Markers ----

int16_t NameAppendMarker(stScriptCall&, tagGS* gs, const char*, CWordFields& fields) {
    char text[kScriptWordChars];
    fields.Text(text);
    if (CWordFields::Bad()) return kScriptStop;
    if (gs->markerManager) AddMarkerLabelPreset(gs->markerManager, kMarkerAppend, text, 0);
    return kScriptGoOn;
}

int16_t Rewind(stScriptCall&, tagGS* gs, const char*, CWordFields&) {
    EraseLastSegment(gs);
    return kScriptGoOn;
}

int16_t InsertMarkerWord(stScriptCall&, tagGS* gs, const char*, CWordFields& fields) {
    char text[kScriptWordChars];
    fields.Text(text);
    if (CWordFields::Bad()) return kScriptStop;
    InsertScriptMarker(gs, text);
    return kScriptGoOn;
}

int16_t RenameMarkerWord(stScriptCall&, tagGS* gs, const char*, CWordFields& fields) {
    char text[kScriptWordChars];
    const double number = fields.Number();
    fields.Text(text);
    if (CWordFields::Bad()) return kScriptStop;
    RenameScriptMarker(gs, number, text);
    return kScriptGoOn;
}

int16_t DeleteMarkerWord(stScriptCall&, tagGS* gs, const char*, CWordFields& fields) {
    const double number = fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    DeleteScriptMarker(gs, number);
    return kScriptGoOn;
}

int16_t ClearAllMarkersWord(stScriptCall&, tagGS* gs, const char*, CWordFields&) {
    if (HasMarkers(gs)) ClearAllMarkers(gs);
    return kScriptGoOn;
}

// GETCURRENTMARKERNUMBER var: the current marker's number, -1 without markers.
int16_t GetCurrentMarkerNumberWord(stScriptCall& call, tagGS* gs, const char*, CWordFields& fields) {
    char text[kScriptWordChars];
    fields.Word(text);
    if (!IsNumericVariableName(text)) return kScriptStop;
    const double number = HasMarkers(gs) ? GetCurrentMarkerNumber(gs->markers) : -1.0;
    AssignScriptNumericVariable(call.frame, text, number);
    return kScriptGoOn;
}

int16_t EnableMarkerMenu(stScriptCall&, tagGS* gs, const char*, CWordFields& fields) {
    const double mode = fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    SetMarkerMenuMode(gs, static_cast<uint32_t>(static_cast<int32_t>(mode)));
    return kScriptGoOn;
}

int16_t EnableWaveformRegionResize(stScriptCall&, tagGS* gs, const char*, CWordFields& fields) {
    const double on = fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    gs->waveformRegionResize = static_cast<uint32_t>(static_cast<int32_t>(on));
    return kScriptGoOn;
}

// ---- Lines and dots on the plot ----

// PLOTDOT size, colour, x, y and PLOTLINE width, colour, x1, y1, x2, y2.
int16_t PlotWord(tagGS* gs, bool dot, CWordFields& fields) {
    char colour[kScriptWordChars];
    const double size = fields.Number();
    fields.Text(colour);
    const double x1 = fields.Number(), y1 = fields.Number();
    const double x2 = dot ? 0.0 : fields.Number(), y2 = dot ? 0.0 : fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    // A size no drawing can take is cut to the largest there is.
    const int32_t pixels = ItemPixelsOf(size);
    const int added = dot ? ScriptPlotDot(gs, pixels, colour, x1, y1)
                          : ScriptPlotLine(gs, pixels, colour, x1, y1, x2, y2);
    if (added && gs->hwnd) InvalidateRect(gs->hwnd, nullptr, FALSE);
    return kScriptGoOn;
}

// DISPLAY SCOPE | CHART | XY.
int16_t DisplayWord(const stScriptCall& call, tagGS* gs, CWordFields& fields) {
    char mode[kScriptWordChars];
    fields.Word(mode);
    static const char* const kModes[] = {"SCOPE", "CHART", "XY"};
    for (int16_t i = 0; i < 3; ++i)
        if (ScriptWordIs(mode, kModes[i])) {
            SetDisplayMode(gs, i);
            return kScriptGoOn;
        }
    return GraphWordError(call, "DISPLAY");
}

// ---- The display, message, clipboard, folder and window words ----

// UPDATE [MMTS | NONPLOT | PLOT].
int16_t UpdateWord(stScriptCall&, tagGS* gs, const char*, CWordFields& fields) {
    char text[kScriptWordChars];
    fields.Word(text);
    UpdateGraph(gs, text);
    return kScriptGoOn;
}

int16_t RefreshGraph(stScriptCall&, tagGS* gs, const char*, CWordFields&) {
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, FALSE);
    return kScriptGoOn;
}

int16_t DisplayString(stScriptCall&, tagGS*, const char*, CWordFields& fields) {
    char text[kScriptWordChars];
    fields.Text(text);
    if (CWordFields::Bad()) return kScriptStop;
    ShowInformation(text);
    return kScriptGoOn;
}

int16_t DisplayNumber(stScriptCall&, tagGS*, const char*, CWordFields& fields) {
    char text[kScriptWordChars];
    const double value = fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    measure::FormatValue(text, sizeof text, value, 9);
    ShowInformation(text);
    return kScriptGoOn;
}

// A word that acts on the graph alone, with no fields.
template <auto Act>
int16_t GraphAction(stScriptCall&, tagGS* gs, const char*, CWordFields&) {
    Act(gs);
    return kScriptGoOn;
}

void AutoHorizontal(tagGS* gs) { SetSegmentTimeScale(gs, static_cast<uint16_t>(gs->selectedChan)); }

int16_t SaveCurrentFolder(stScriptCall&, tagGS*, const char*, CWordFields&) {
    GetCurrentDirectoryA(sizeof g_app->szSavedFolder, g_app->szSavedFolder);
    return kScriptGoOn;
}

int16_t RestoreCurrentFolder(stScriptCall&, tagGS*, const char*, CWordFields&) {
    SetCurrentDirectoryA(g_app->szSavedFolder);
    return kScriptGoOn;
}

int16_t RenameWord(stScriptCall&, tagGS* gs, const char*, CWordFields& fields) {
    char text[kScriptWordChars];
    fields.Text(text);
    if (CWordFields::Bad()) return kScriptStop;
    RenameGraph(gs, text);
    return kScriptGoOn;
}

int16_t CloseGraphWord(stScriptCall&, tagGS*, const char*, CWordFields&) {
    CloseActiveGraph();
    return kScriptGoOn;
}

// The executor's words on the script's graph, other than the saving and button words.
const stWordRow<GraphWordHandler> kGraphWords[] = {
    {"NAMEAPPENDMARKER", NameAppendMarker},
    {"REWIND", Rewind},
    {"INSERTMARKER", InsertMarkerWord},
    {"RENAMEMARKER", RenameMarkerWord},
    {"DELETEMARKER", DeleteMarkerWord},
    {"CLEARALLMARKERS", ClearAllMarkersWord},
    {"GETCURRENTMARKERNUMBER", GetCurrentMarkerNumberWord},
    {"ENABLEMARKERMENU", EnableMarkerMenu},
    {"ENABLEWAVEFORMREGIONRESIZE", EnableWaveformRegionResize},
    {"PLOTDOT", [](stScriptCall&, tagGS* gs, const char*, CWordFields& f) { return PlotWord(gs, true, f); }},
    {"PLOTLINE", [](stScriptCall&, tagGS* gs, const char*, CWordFields& f) { return PlotWord(gs, false, f); }},
    {"UPDATE", UpdateWord},
    {"REFRESHGRAPH", RefreshGraph},
    {"DISPLAYSTRING", DisplayString},
    {"DISPLAYNUMBER", DisplayNumber},
    {"COMPARE", GraphAction<CompareWaveforms>},
    {"AUTOHORIZ", GraphAction<AutoHorizontal>},
    {"AUTOSCALE", [](stScriptCall& c, tagGS* gs, const char* w, CWordFields& f) { return ScaleWord(c, gs, w, f, 1); }},
    {"TILE", [](stScriptCall& c, tagGS* gs, const char* w, CWordFields& f) { return ScaleWord(c, gs, w, f, 0); }},
    {"OVERLAP", GraphAction<OverlapWaveforms>},
    {"RESETCHART", GraphAction<ResetChartDisplay>},
    {"CLIPBOARD", [](stScriptCall& c, tagGS* gs, const char*, CWordFields& f) { return ClipboardWord(c, gs, f); }},
    {"SAVECURRENTFOLDER", SaveCurrentFolder},
    {"RESTORECURRENTFOLDER", RestoreCurrentFolder},
    {"RENAME", RenameWord},
    {"CLOSEGRAPH", CloseGraphWord},
    {"DISPLAY", [](stScriptCall& c, tagGS* gs, const char*, CWordFields& f) { return DisplayWord(c, gs, f); }},
    {"TRANSFORM", [](stScriptCall& c, tagGS* gs, const char*, CWordFields& f) { return ExecTransformWord(c, gs, f); }},
};

}  // namespace

// The executor's words other than the saving ones; *handled is 0 for a word it does not know.
int16_t ExecGraphWord(stScriptCall& call, tagGS* gs, const char* word, CWordFields& fields, int* handled) {
    if (const auto* row = FindWordRow(kGraphWords, word)) {
        *handled = 1;
        return row->run(call, gs, word, fields);
    }
    return ExecButtonWord(call, gs, word, fields, handled);
}
