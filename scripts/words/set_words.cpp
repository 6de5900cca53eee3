// SET: the lesson changes the program's texts and settings and the display settings of its
// current graph. Every channel index a lesson gives is checked before it is used; a lesson cannot
// reach outside the channel slots.
#include "scripts/words/word_fields.h"
#include "scripts/words/word_table.h"
#include "base/app.h"
#include "base/notify.h"
#include "scripts/scripts_ids.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/journal/journal.h"
#include "documents/markers/markers.h"
#include "documents/measurements/measure_box.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "graph/view/display_modes.h"
#include "graph/document/sample_store.h"
#include "graph/render/grid_lines.h"
#include "graph/view/channel_selection.h"
#include "common/keyed_format.h"
#include "scripts/words/graph_words.h"
#include "scripts/words/get_set_words.h"
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {


double ClampedStart(const tagGS* gs, double t) {
    double s = t - gs->hOffset;
    const int slot = SelectedGraphChannel(gs);
    if (slot >= 0) {
        const double last = gs->chanCount[slot] * gs->sampleInterval - gs->hDivisions * gs->hPerDiv;
        if (s > last) s = last;
    }
    return s > 0 ? s : 0.0;
}

void ShowTextError(const char* format, const char* value) {
    char text[512];
    std::snprintf(text, sizeof text, format, value);
    MessageBoxA(nullptr, text, "Error", MB_OK);
}
constexpr const char* kNoSuchKey = "Please check the following key value-%s. There is no such key in the resource database";
constexpr const char* kNoSuchJournalKey =
    "Please check the following key value - %s. There is no such key in the resource database";

// ---- SET without a document ----

// The keyed-text targets: a key and its new text; a refused key is reported and fails.
int16_t SetKeyedText(CWordFields& fields, int32_t (*set)(const char*, const char*),
                     const char* noSuchKey = kNoSuchKey) {
    char key[kScriptWordChars], text[kScriptWordChars];
    fields.Text(key);
    fields.Text(text);
    if (CWordFields::Bad()) return kScriptStop;
    if (set(key, text)) return kScriptGoOn;
    ShowTextError(noSuchKey, key);
    return kScriptStop;
}

int32_t SetToolbarHint(const char* key, const char* text) { return SetHintText(g_app->hwndToolbar, key, text); }
int32_t SetJournalHint(const char* key, const char* text) { return m_JnlHintText.SetText(key, text); }

// A dialog's or a control's resource id: a whole number that fits one.
bool IsResourceId(double n) { return n >= 0 && n <= 0xFFFF && n == std::floor(n); }

// The text the dialog-text store gives one control of one dialog whenever that dialog opens.
int16_t SetDialogText(CWordFields& fields) {
    char text[kScriptWordChars];
    const double dialog = fields.Number(), control = fields.Number();
    fields.Text(text);
    if (CWordFields::Bad() || !IsResourceId(dialog) || !IsResourceId(control)) return kScriptStop;
    if (SetOrAdd(static_cast<uint32_t>(dialog), static_cast<uint32_t>(control), text)) return kScriptGoOn;
    MessageBoxA(nullptr, "There is no free space in the resource database", "Error", MB_OK);
    return kScriptStop;
}

// Tab stops further apart than a page is wide are no use and overflow the edit's twips.
constexpr double kMaxTabInches = 100.0;

using SetHandler = int16_t (*)(CWordFields& fields);

// ReadConnectionStatus Enable | Disable: whether the unit library reports lost connections.
int16_t SetReadConnectionStatus(CWordFields& fields) {
    char word[kScriptWordChars];
    fields.Word(word);
    if (!ScriptWordIs(word, "Enable") && !ScriptWordIs(word, "Disable")) return kScriptStop;
    SetReadStatusEnable(ScriptWordIs(word, "Enable") ? 1 : 0);
    return kScriptGoOn;
}

// FOLDER PARENT | WAVEMIND | path [, var]: the current folder; var is 1 when a path was made current.
// The variable may be the running subroutine's local, so the call's frame comes with it.
int16_t SetFolder(stScriptCall& call, CWordFields& fields) {
    char word[kScriptWordChars];
    const char* at = fields.Position();
    char folder[kScriptWordChars], var[kScriptWordChars];
    CWordFields peek(at);
    peek.Word(word);
    if (ScriptWordIs(word, "PARENT")) {
        SetCurrentDirectoryA("..\\");
    } else if (ScriptWordIs(word, "WAVEMIND")) {
        SetCurrentDirectoryA(g_app->szAppFolder);
    } else {
        fields.Text(folder);
        if (CWordFields::Bad()) return kScriptStop;
        const bool done = SetCurrentDirectoryA(folder) != 0;
        if (fields.Word(var)) {
            if (!IsNumericVariableName(var)) return kScriptStop;
            AssignScriptNumericVariable(call.frame, var, done ? 1.0 : 0.0);
        }
    }
    return kScriptGoOn;
}

int16_t SetVisualMode(CWordFields& fields) {
    char word[kScriptWordChars];
    fields.Word(word);
    g_script.lessonButtonMode = ScriptWordIs(word, "GRAPHICS") ? 1 : 0;
    return kScriptGoOn;
}

// DialogMultiText n, key, text: the number is read and has no use.
int16_t SetDialogMultiText(CWordFields& fields) {
    fields.Number();
    return SetKeyedText(fields, setMsgBoxText);
}

// HELPMENUITEM id, path, the three flags; the last flag may be left out.
int16_t SetHelpMenuItem(CWordFields& fields) {
    char word[kScriptWordChars], path[kScriptWordChars];
    const double id = fields.Number();
    fields.Text(path);
    const double a = fields.Number(), b = fields.Number();
    const double c = CWordFields(fields.Position()).Word(word) ? fields.Number() : 0.0;
    if (CWordFields::Bad() || !(id >= 0 && id <= 0xFFFF)) return kScriptStop;
    notify::SetHelpItem(static_cast<UINT>(id), path, a != 0, b != 0, c != 0);
    return kScriptGoOn;
}

// TABSIZE inches: between the journal's tab stops; the journals' setting, applied to the lesson's graph.
int16_t SetTabSize(CWordFields& fields) {
    const double inches = fields.Number();
    if (CWordFields::Bad() || !(inches > 0 && inches <= kMaxTabInches)) return kScriptStop;
    JournalPrefs().tabSize = static_cast<float>(inches);
    if (g_script.graph) JournalSetTabStops(g_script.graph, kJournalTabSizePreference);
    return kScriptGoOn;
}

// BitmapImage slot, path: one of the unit library's seven button pictures from a file; a failed
// load keeps the old.
int16_t SetBitmapImage(CWordFields& fields) {
    char path[kScriptWordChars];
    const double slot = fields.Number();
    fields.Text(path);
    if (CWordFields::Bad() || !(slot >= 0 && slot < MLBMP_COUNT) || slot != std::floor(slot)) return kScriptStop;
    if (!m_MLBitmap.LoadNewImage(static_cast<EMLBITMAP>(slot), path)) {
        ShowTextError("Can't load image - %s.", path);
        return kScriptStop;
    }
    return kScriptGoOn;
}

// WINDOWCAPTION text: the frame's caption, after the program's title.
int16_t SetWindowCaption(CWordFields& fields) {
    char text[kScriptWordChars], caption[256];
    fields.Text(text);
    if (CWordFields::Bad()) return kScriptStop;
    std::snprintf(caption, sizeof caption, "%s - %s", g_app->szAppTitle, text);
    if (g_app->hwndFrame) SetWindowTextA(g_app->hwndFrame, caption);
    return kScriptGoOn;
}

int16_t SetKeyboardEntry(CWordFields& fields) {
    const double n = fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    g_app->frame.bMenusUnlocked = n >= 1.0 && n < 4294967296.0 ? static_cast<uint32_t>(n) : 0u;
    return kScriptGoOn;
}

// SET's targets that need no document.
const stWordRow<SetHandler> kSetWithoutDocument[] = {
    {"ReadConnectionStatus", SetReadConnectionStatus},
    {"VISUALMODE", SetVisualMode},
    {"HScaleLabel", [](CWordFields& f) { return SetKeyedText(f, setHLabelText); }},
    {"ErrorPromptText", [](CWordFields& f) { return SetKeyedText(f, setMsgBoxText); }},
    {"DialogMultiText", SetDialogMultiText},
    {"HintText", [](CWordFields& f) { return SetKeyedText(f, SetToolbarHint); }},
    {"DialogText", SetDialogText},
    {"JnlHint", [](CWordFields& f) { return SetKeyedText(f, SetJournalHint, kNoSuchJournalKey); }},
    {"HELPMENUITEM", SetHelpMenuItem},
    {"TABSIZE", SetTabSize},
    {"BitmapImage", SetBitmapImage},
    {"WINDOWCAPTION", SetWindowCaption},
    {"KEYBOARDENTRY", SetKeyboardEntry},
};

// ---- SET with a document ----

int16_t SetWaveData(CWordFields& fields, tagGS* gs) {
    const double index = fields.Number(), value = fields.Number();
    const int slot = SelectedGraphChannel(gs);
    if (CWordFields::Bad() || slot < 0) return kScriptStop;
    // A lesson writes the samples there are, or appends the next one: an index further out would
    // make the channel grow by the gap (a huge index, by gigabytes).
    if (!(index >= 0) || index != std::floor(index) || index > gs->chanCount[slot]) return kScriptStop;
    if (!PutChannelSample(gs, static_cast<int>(index), slot, value)) return kScriptStop;
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, FALSE);
    return kScriptGoOn;
}

int16_t SetWindowPosition(CWordFields& fields, tagGS* gs) {
    char word[kScriptWordChars];
    if (!fields.Word(word) || !ScriptWordIs(word, "POSITION")) return kScriptGoOn;
    const ScriptPermission kept[] = {kPermSizeWindow, kPermDragWindow, kPermZoomWindow};
    uint16_t saved[3];
    for (int i = 0; i < 3; ++i) {
        saved[i] = g_script.permissions[kept[i]];
        g_script.permissions[kept[i]] = 1;
    }
    HWND w = gs->hwnd;
    CWordFields peek(fields.Position());
    peek.Word(word);
    const int show = ScriptWordIs(word, "MAXIMIZE")   ? SW_SHOWMAXIMIZED
                     : ScriptWordIs(word, "MINIMIZE") ? SW_SHOWMINIMIZED
                     : ScriptWordIs(word, "NORMAL")   ? SW_RESTORE
                                                      : 0;
    if (show && w) {
        if (show == SW_SHOWMAXIMIZED) ShowWindow(GetParent(GetParent(w)), SW_SHOWMAXIMIZED);
        ShowWindow(w, show);
        RECT rc{};
        GetWindowRect(w, &rc);
        gs->journalHeight = static_cast<uint16_t>((rc.bottom - rc.top) / 3);
    } else if (!show) {
        const double left = fields.Number();
        fields.Number();
        const double right = fields.Number(), bottom = fields.Number();
        if (w && !CWordFields::Bad())
            SetWindowPos(w, nullptr, static_cast<int>(left) - 2, 0, static_cast<int>(right + 3 - (left - 2)),
                         static_cast<int>(bottom) - 40, SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    }
    for (int i = 0; i < 3; ++i) g_script.permissions[kept[i]] = saved[i];
    return CWordFields::Bad() ? kScriptStop : kScriptGoOn;
}

int16_t SetPlotType(CWordFields& fields, tagGS* gs) {
    char word[kScriptWordChars];
    fields.Word(word);
    const double n = fields.Number();
    const int slot = SelectedGraphChannel(gs);
    if (CWordFields::Bad() || slot < 0) return kScriptStop;
    const uint32_t size = static_cast<uint32_t>(n >= 0 && n <= 255 ? n : 0) & 0xFF;
    HMENU menu = g_app->frame.hmenuFrame;
    if (ScriptWordIs(word, "LINE")) {
        gs->chanDrawStyle[slot] = kStyleLine;
    } else if (ScriptWordIs(word, "STEP")) {
        gs->chanDrawStyle[slot] = kStyleStep;
    } else if (ScriptWordIs(word, "DOT")) {
        gs->chanDrawStyle[slot] = kStyleDots;
        gs->chanPlotStyle[slot] = size | size << 8;
        if (menu) CheckMenuItem(menu, IDM_SHOW_LAST_DOT_ONLY, MF_BYCOMMAND | MF_UNCHECKED);
    } else if (ScriptWordIs(word, "LASTDOT")) {
        gs->chanDrawStyle[slot] = kStyleDots;
        gs->chanPlotStyle[slot] = (gs->chanPlotStyle[slot] & 0xFFFF0000u) | kPlotLatestDotOnly | size | size << 8;
        if (menu) CheckMenuItem(menu, IDM_SHOW_LAST_DOT_ONLY, MF_BYCOMMAND | MF_CHECKED);
    }
    RefreshScriptGraph(gs);
    return kScriptGoOn;
}

int16_t SetHorizontalScale(CWordFields& fields, tagGS* gs) {
    const double f = HorizontalUnitSize(gs);
    const double a = fields.Number() * f, b = fields.Number() * f;
    if (CWordFields::Bad()) return kScriptStop;
    if (!gs->gridLocked) {
        if (!(a > 0)) return kScriptStop;
        gs->hDivisions = 4;
        gs->hPerDiv = a;
        gs->hStart = ClampedStart(gs, b);
    } else if (IsGridMidpoint(gs)) {
        // a is the range, b its midpoint.
        if (!(gs->hPerDiv > 0)) return kScriptStop;
        gs->hStart = b - a / 2 > 0 ? b - a / 2 : 0.0;
        gs->hDivisions = (b + a / 2 - gs->hStart) / gs->hPerDiv;
    } else {
        if (!(gs->hPerDiv > 0)) return kScriptStop;
        gs->hStart = b > 0 ? b : 0.0;
        gs->hDivisions = (a - gs->hStart) / gs->hPerDiv;
    }
    RefreshScriptGraph(gs);
    return kScriptGoOn;
}

int16_t SetVerticalScale(CWordFields& fields, tagGS* gs) {
    const int c = LessonChannelOf(fields.Number());
    double a = fields.Number();
    const double b = fields.Number();
    if (CWordFields::Bad() || c < 0) return kScriptStop;
    if (!gs->gridLocked) {
        if (!(a > 0)) a = 1;
        gs->chanVPerDiv[c] = a;
        gs->chanVCenter[c] = b;
    } else if (IsGridMidpoint(gs)) {
        if (!(gs->chanVPerDiv[c] > 0)) return kScriptStop;
        gs->chanVCenter[c] = b;
        gs->chanVDivisions[c] = a / gs->chanVPerDiv[c];
    } else {
        if (!(gs->chanVPerDiv[c] > 0)) return kScriptStop;
        gs->chanVCenter[c] = (a + b) / 2;
        gs->chanVDivisions[c] = (a - b) / gs->chanVPerDiv[c];
    }
    RefreshScriptGraph(gs);
    return kScriptGoOn;
}

// A list place the lesson gave: whole and inside a list of n entries; -1 otherwise.
int ListPlace(double v, int n) {
    if (!(v >= 0 && v < n) || v != std::floor(v)) return -1;
    return static_cast<int>(v);
}

// Unlocking the grid brings the scales to four divisions of the same span, the grid lines
// starting from the view's start and the channels' middles.
void UnlockGridScales(tagGS* gs) {
    auto unlockChannel = [gs](int c) {
        gs->chanVOffsetDiv[c] = gs->chanVCenter[c];
        gs->chanVPerDiv[c] = gs->chanVPerDiv[c] * gs->chanVDivisions[c] / 4;
        gs->chanVDivisions[c] = 4;
    };
    if (gs->displayMode == kModeXY) {
        if (gs->xyXChan < static_cast<uint32_t>(kMaxChannels)) unlockChannel(static_cast<int>(gs->xyXChan));
        return;
    }
    gs->hPerDiv = gs->hPerDiv * gs->hDivisions / 4;
    gs->hDivisions = 4;
    gs->gridExtra = 0;
    gs->gridExtraValue = gs->hStart;
    for (int c = 0; c < kMaxChannels; ++c) unlockChannel(c);
}

// [LOCKED | UNLOCKED] [MINORON | other] then, locked, [MIDDLEPOINT | STARTEND] and the list
// places of the major and minor style, width and colour. The places are checked before anything
// changes: a place outside its list refuses the whole statement.
int16_t SetGridOptions(CWordFields& fields, tagGS* gs) {
    char word[kScriptWordChars] = "";
    fields.Word(word);
    const bool locked = ScriptWordIs(word, "LOCKED");
    if (locked || ScriptWordIs(word, "UNLOCKED")) fields.Word(word);
    const bool minor = ScriptWordIs(word, "MINORON");
    bool midpoint = false;
    int places[6] = {0, 0, 7, 0, 0, 8};  // unlocked: solid, 1 pixel, grey and light grey
    if (locked) {
        CWordFields peek(fields.Position());
        char mode[kScriptWordChars] = "";
        peek.Word(mode);
        if (ScriptWordIs(mode, "MIDDLEPOINT") || ScriptWordIs(mode, "STARTEND")) {
            fields.Word(mode);
            midpoint = ScriptWordIs(mode, "MIDDLEPOINT");
        }
        const int sizes[6] = {5, 7, 16, 5, 7, 16};
        for (int i = 0; i < 6; ++i) places[i] = ListPlace(fields.Number(), sizes[i]);
    }
    if (CWordFields::Bad()) return kScriptStop;
    for (int p : places)
        if (p < 0) return kScriptStop;
    gs->gridLocked = locked ? 1 : 0;
    if (!locked) UnlockGridScales(gs);
    SetGridFine(gs, minor);
    gs->gridExtra = midpoint ? 1 : 0;
    gs->gridOptions[0] = static_cast<uint16_t>(kGridStyles[places[0]]);
    gs->gridOptions[2] = static_cast<uint16_t>(kGridWidths[places[1]]);
    gs->gridColor = kGridColors[places[2]];
    gs->gridOptions[1] = static_cast<uint16_t>(kGridStyles[places[3]]);
    gs->gridOptions[3] = static_cast<uint16_t>(kGridWidths[places[4]]);
    gs->gridMinorColor = kGridColors[places[5]];
    RefreshScriptGraph(gs);
    return kScriptGoOn;
}

// A locked grid's line spacing and origin; the span shown stays, so the divisions follow.
int16_t SetHorizontalGrid(CWordFields& fields, tagGS* gs) {
    const double f = HorizontalUnitSize(gs);
    const double spacing = fields.Number() * f, origin = fields.Number() * f;
    if (CWordFields::Bad() || !(spacing > 0)) return kScriptStop;
    if (!gs->gridLocked) return kScriptGoOn;
    const double range = gs->hPerDiv * gs->hDivisions;
    gs->hPerDiv = spacing;
    gs->hDivisions = range / spacing;
    gs->gridExtraValue = origin;
    RefreshScriptGraph(gs);
    return kScriptGoOn;
}

int16_t SetVerticalGrid(CWordFields& fields, tagGS* gs) {
    const int c = LessonChannelOf(fields.Number());
    const double spacing = fields.Number(), origin = fields.Number();
    if (CWordFields::Bad() || c < 0 || !(spacing > 0)) return kScriptStop;
    if (!gs->gridLocked) return kScriptGoOn;
    const double range = gs->chanVPerDiv[c] * gs->chanVDivisions[c];
    gs->chanVPerDiv[c] = spacing;
    gs->chanVOffsetDiv[c] = origin;
    gs->chanVDivisions[c] = range / spacing;
    RefreshScriptGraph(gs);
    return kScriptGoOn;
}

// MARKER seconds, label: a fixed marker at that time.
int16_t SetMarker(CWordFields& fields, tagGS* gs) {
    char label[kScriptWordChars];
    const double seconds = fields.Number();
    fields.Text(label);
    if (CWordFields::Bad()) return kScriptStop;
    InsertMarker(gs, seconds * 1000.0, 1, label, kMarkerFixed);
    RedrawMarkerBar(gs);
    return kScriptGoOn;
}

// The box a lesson numbers from 1, when the graph has it and it is shown; null otherwise.
stMeasure* ShownMeasureBox(tagGS* gs, double number) {
    auto* grid = static_cast<stMeasureGrid*>(gs->measureGrid);
    if (!grid || !(number >= 1 && number <= grid->boxes.size()) || number != std::floor(number)) return nullptr;
    stMeasure* box = grid->boxes[static_cast<size_t>(number) - 1];
    return box && gs->measureShown && IsMeasurementShown(box) ? box : nullptr;
}

// The measurement type words lessons use, with their type numbers.
int MeasureTypeOfWord(const char* word) {
    static const struct {
        const char* word;
        int type;
    } kTypes[] = {{"NONE", 0},     {"VALUE", 1},    {"DELTA", 2},    {"PtoP", 3},     {"MAX", 4},
                  {"MIN", 5},      {"MEAN", 6},     {"STDDEV", 7},   {"INTEGRAL", 8}, {"AREA", 9},
                  {"LIN_REG", 10}, {"SLOPE", 11},   {"MEDIAN", 13},  {"HABS", 15},    {"DELTAH", 16},
                  {"FREQ", 17},    {"BPM", 18},     {"SAMPLES", 19}, {"DELTAS", 20},  {"MEDIANT", 21},
                  {"MAXT", 22},    {"MINT", 23},    {"CORRELATE", 25}};
    for (const auto& t : kTypes)
        if (ScriptWordIs(word, t.word)) return t.type;
    return -1;
}

// MEASUREMENT box, type word / MEASUREMENTCHANNEL box, channel: a shown box is set as its pop-ups
// would set it, the graph keeps the setting and the results follow.
int16_t SetMeasureBox(CWordFields& fields, tagGS* gs, bool channel) {
    const double number = fields.Number();
    char word[kScriptWordChars] = "";
    int value = -1;
    if (channel) value = LessonChannelOf(fields.Number());
    else if (fields.Word(word)) value = MeasureTypeOfWord(word);
    if (CWordFields::Bad() || value < 0) return kScriptStop;
    stMeasure* box = ShownMeasureBox(gs, number);
    if (!box) return kScriptGoOn;
    if (channel) SetMeasurementChannel(box, value);
    else SetMeasurementType(box, value);
    StoreMeasurementSettings(box);
    UpdateAllMeasurements(gs);
    return kScriptGoOn;
}

// MEASUREMENTROWS n: the boxes' settings are kept and the row rebuilt with n rows of five.
int16_t SetMeasureRows(CWordFields& fields, tagGS* gs) {
    constexpr int kColumns = 5;
    const double n = fields.Number();
    if (CWordFields::Bad() || !(n >= 1 && n <= kMaxMeasureBoxes / kColumns) || n != std::floor(n))
        return kScriptStop;
    auto* grid = static_cast<stMeasureGrid*>(gs->measureGrid);
    if (grid && GetMeasurementRows(grid) == static_cast<int>(n)) return kScriptGoOn;
    if (grid)
        for (stMeasure* box : grid->boxes) StoreMeasurementSettings(box);
    ResetMeasurementGrid(gs, static_cast<uint16_t>(n), kColumns);
    UpdateAllMeasurements(gs);
    return kScriptGoOn;
}

int16_t SetChannel(CWordFields& fields, tagGS* gs) {
    char word[kScriptWordChars], label[kScriptWordChars] = "", units[kScriptWordChars] = "";
    const int c = LessonChannelOf(fields.Number());
    if (CWordFields::Bad() || c < 0 || !fields.Word(word)) return kScriptStop;
    bool hasLabel = false, hasUnits = false;
    if (ScriptWordIs(word, "ON") || ScriptWordIs(word, "OFF")) {
        if (gs->chanFlags[c] & kChanSlotMask)
            gs->chanFlags[c] = (gs->chanFlags[c] & 0xFFFC) | (ScriptWordIs(word, "ON") ? kChanSlotShown : kChanSlotHidden);
        CWordFields peek(fields.Position());
        char tile[kScriptWordChars];
        if (peek.Word(tile) && tile[0] != '"' && !(tile[0] && (tile[1] == '$' || tile[1] == '@'))) {
            fields.Word(tile);
            // A channel kept out of the tiling is a hidden one: it gets no band and is not drawn.
            if (ScriptWordIs(tile, "NOTILE"))
                gs->chanFlags[c] = (gs->chanFlags[c] | kChanHidden) & 0xFFFF;
            else if (ScriptWordIs(tile, "TILE"))
                gs->chanFlags[c] = gs->chanFlags[c] & ~kChanHidden & 0xFFFF;
            else
                return kScriptStop;
        }
        CWordFields rest(fields.Position());
        if (rest.Word(label)) {
            fields.Text(label);
            hasLabel = true;
            if (CWordFields(fields.Position()).Word(units)) {
                fields.Text(units);
                hasUnits = true;
            }
        }
    } else if (ScriptWordIs(word, "LABEL")) {
        fields.Text(label);
        hasLabel = true;
    } else if (ScriptWordIs(word, "UNITS")) {
        fields.Text(units);
        hasUnits = true;
    } else {
        return kScriptStop;
    }
    if (CWordFields::Bad()) return kScriptStop;
    if (hasLabel) {
        lstrcpynA(gs->chanLabel[c], label, sizeof gs->chanLabel[c]);
        lstrcpynA(gs->chanDescription[c], gs->chanLabel[c], sizeof gs->chanDescription[c]);
    }
    if (hasUnits) lstrcpynA(gs->chanUnits[c], units, sizeof gs->chanUnits[c]);
    UpdateGraphScrollBars(gs);
    RebuildChannelItems(gs);
    RefreshScriptGraph(gs);
    return kScriptGoOn;
}

int16_t SetWaveColor(CWordFields& fields, tagGS* gs) {
    static const struct {
        const char* word;
        COLORREF colour;
    } kColours[] = {{"BLACK", 0x000000}, {"RED", 0x0000FF},  {"GREEN", 0x008000},    {"BLUE", 0xFF0000},
                    {"CYAN", 0xFFFF00},  {"MAGENTA", 0xFF00FF}, {"BURGUNDY", 0x800080}};
    char word[kScriptWordChars];
    const int c = LessonChannelOf(fields.Number());
    if (CWordFields::Bad() || c < 0 || !fields.Word(word)) return kScriptStop;
    if (ScriptWordIs(word, "CUSTOM")) {
        const double r = fields.Number(), g = fields.Number(), b = fields.Number();
        if (CWordFields::Bad()) return kScriptStop;
        gs->chanColor[c] = (static_cast<uint32_t>(r) & 0xFF) | (static_cast<uint32_t>(g) & 0xFF) << 8 |
                           (static_cast<uint32_t>(b) & 0xFF) << 16;
    } else {
        bool known = false;
        for (const auto& k : kColours)
            if (ScriptWordIs(word, k.word)) {
                gs->chanColor[c] = k.colour;
                known = true;
            }
        // An unknown colour word leaves the colour as it was.
        if (!known) return kScriptGoOn;
    }
    RefreshScriptGraph(gs);
    return kScriptGoOn;
}

// One range bar solid or not, or all of them for -1; any other number names no bar and is refused.
int16_t SetRangeBar(CWordFields& fields, tagGS* gs) {
    char word[kScriptWordChars];
    const double n = fields.Number();
    fields.Word(word);
    if (CWordFields::Bad() || !(n >= -1 && n < kRangeBars) || n != std::floor(n)) return kScriptStop;
    const uint32_t solid = ScriptWordIs(word, "SOLID") ? 1 : 0;
    if (n < 0) {
        for (uint32_t& bar : gs->rangeBarSolid) bar = solid;
    } else {
        gs->rangeBarSolid[static_cast<int>(n)] = solid;
    }
    return kScriptGoOn;
}

// The picture behind XY plots; a file that cannot be read is reported, and leaves no picture.
int16_t SetPictureFile(CWordFields& fields) {
    char path[kScriptWordChars];
    fields.Text(path);
    if (CWordFields::Bad()) return kScriptStop;
    if (!SetBackgroundPictureFile(path)) {
        const char* key = "Can't open the file '%s'";
        char text[512];
        FormatKeyedText(text, sizeof text, Keyed(key), path);
        MessageBoxA(nullptr, text, "Error", MB_OK);
    }
    return kScriptGoOn;
}

using DocumentSetHandler = int16_t (*)(CWordFields& fields, tagGS* gs);

// HCURSOR a, b: the selection, in the axis' display unit.
int16_t SetHorizontalCursors(CWordFields& fields, tagGS* gs) {
    const double f = HorizontalUnitSize(gs);
    const double a = fields.Number() * f, b = fields.Number() * f;
    if (CWordFields::Bad()) return kScriptStop;
    gs->selStart = a;
    gs->selEnd = b;
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, FALSE);
    notify::UpdateGraphEditMenus(gs);
    return kScriptGoOn;
}

// HOFFSET t: the view starts at t, in the axis' display unit.
int16_t SetHorizontalOffset(CWordFields& fields, tagGS* gs) {
    const double t = fields.Number() * HorizontalUnitSize(gs);
    if (CWordFields::Bad()) return kScriptStop;
    gs->hStart = ClampedStart(gs, t);
    RefreshScriptGraph(gs);
    return kScriptGoOn;
}

// VOFFSET v: the selected channel's centre.
int16_t SetVerticalOffset(CWordFields& fields, tagGS* gs) {
    const double v = fields.Number();
    const int slot = SelectedGraphChannel(gs);
    if (CWordFields::Bad() || slot < 0) return kScriptStop;
    gs->chanVCenter[slot] = v;
    RefreshScriptGraph(gs);
    return kScriptGoOn;
}

// PRECISION VSCALE | HSCALE, channel, digits.
int16_t SetPrecision(CWordFields& fields, tagGS* gs) {
    char word[kScriptWordChars];
    fields.Word(word);
    const int c = LessonChannelOf(fields.Number());
    const double digits = fields.Number();
    if (CWordFields::Bad() || c < 0 || !(digits >= 0 && digits <= 15)) return kScriptStop;
    if (ScriptWordIs(word, "VSCALE")) gs->chanDecimals[c] = static_cast<uint16_t>(digits);
    else if (ScriptWordIs(word, "HSCALE")) gs->precisionDigits = static_cast<uint16_t>(digits);
    RefreshScriptGraph(gs);
    return kScriptGoOn;
}

int16_t SetPasteInterpolate(CWordFields& fields, tagGS*) {
    char word[kScriptWordChars];
    fields.Word(word);
    g_app->options.bInterpolatePaste = ScriptWordIs(word, "ON") ? 1 : 0;
    return kScriptGoOn;
}

// SET's targets on the script's graph; an unknown one fails.
const stWordRow<DocumentSetHandler> kSetWithDocument[] = {
    {"WAVEDATA", SetWaveData},
    {"RANGEBAR", SetRangeBar},
    {"PICTFILE", [](CWordFields& f, tagGS*) { return SetPictureFile(f); }},
    {"HCURSOR", SetHorizontalCursors},
    {"WINDOW", SetWindowPosition},
    {"PLOTTYPE", SetPlotType},
    {"HSCALE", SetHorizontalScale},
    {"GRIDOPTIONS", SetGridOptions},
    {"MARKER", SetMarker},
    {"MEASUREMENT", [](CWordFields& f, tagGS* gs) { return SetMeasureBox(f, gs, false); }},
    {"MEASUREMENTCHANNEL", [](CWordFields& f, tagGS* gs) { return SetMeasureBox(f, gs, true); }},
    {"MEASUREMENTROWS", SetMeasureRows},
    {"HGRID", SetHorizontalGrid},
    {"VGRID", SetVerticalGrid},
    {"HOFFSET", SetHorizontalOffset},
    {"VSCALE", SetVerticalScale},
    {"VOFFSET", SetVerticalOffset},
    {"CHANNEL", SetChannel},
    {"WAVECOLOR", SetWaveColor},
    {"PRECISION", SetPrecision},
    {"PASTEINTERPOLATE", SetPasteInterpolate},
};

}  // namespace

int16_t ScriptWordSet(stScriptCall& call) {
    CWordFields fields(call.rest);
    char target[kScriptWordChars];
    if (!fields.Word(target)) return kScriptStop;
    if (ScriptWordIs(target, "FOLDER")) return SetFolder(call, fields);
    if (const auto* row = FindWordRow(kSetWithoutDocument, target)) return row->run(fields);
    tagGS* gs = g_script.graph;
    if (!gs) return kScriptGoOn;
    if (const auto* row = FindWordRow(kSetWithDocument, target)) return row->run(fields, gs);
    return kScriptStop;
}
