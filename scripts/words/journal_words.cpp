// JOURNAL: a lesson writes into the journal of its graph, pastes measurements, wave data and
// time stamps into it, loads, saves and prints it, and arranges its pane and tool buttons.
#include "scripts/words/word_fields.h"
#include "scripts/words/graph_words.h"
#include "scripts/words/word_table.h"
#include "base/app.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/journal/journal.h"
#include "documents/measurements/measure_calc.h"
#include "graph/window/graph_window.h"
#include <cstring>

namespace {

// JOURNAL WRITE's escapes: "\r" ends the line (CR LF), "\t" is a tab, "\\" one backslash.
void ExpandJournalEscapes(const char* in, char* out, size_t size) { ExpandLessonEscapes(in, out, size, "\r\n", false); }

// WRITE and APPEND: a quoted field or a string variable is text, anything else a number shown
// with the graph's precision. The journal pane comes up first when it is hidden.
int16_t JournalWrite(tagGS* gs, CWordFields& fields) {
    if (!gs->journalShown) SetJournalShown(gs, 1);
    char value[kScriptWordChars];
    char out[2 * kScriptWordChars];
    if (IsTextField(fields.Position())) {
        fields.Text(value);
        if (CWordFields::Bad()) return kScriptStop;
        ExpandJournalEscapes(value, out, sizeof out);
    } else {
        const double number = fields.Number();
        if (CWordFields::Bad()) return kScriptStop;
        measure::FormatValue(out, sizeof out, number, gs->precisionDigits);
    }
    JournalAppendText(gs, out);
    return kScriptGoOn;
}

// PREFERENCES w1, w2, w3, w4 [, face [, size]]: the paste options, then the journal's font.
int16_t JournalPreferences(tagGS* gs, CWordFields& fields) {
    static const stWordRow<int stJournalPrefs::*> kPasteOptions[] = {
        {"NAMES", &stJournalPrefs::measurementName},
        {"UNITS", &stJournalPrefs::measurementUnit},
        {"LINES", &stJournalPrefs::measurementPerLine},
        {"HVALUES", &stJournalPrefs::waveTimeValues},
    };
    stJournalPrefs& prefs = JournalPrefs();
    for (const auto& option : kPasteOptions) prefs.*(option.run) = 0;
    for (int i = 0; i < 4; ++i) {
        char word[kScriptWordChars];
        fields.Word(word);
        if (const auto* option = FindWordRow(kPasteOptions, word)) prefs.*(option->run) = 1;
    }
    char face[kScriptWordChars];
    fields.Text(face);
    if (CWordFields::Bad()) return kScriptStop;
    if (!face[0]) return kScriptGoOn;
    lstrcpynA(g_app->fonts.lfJournal.lfFaceName, face, LF_FACESIZE);
    const double size = fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    if (size != 0.0) {
        HDC dc = GetDC(gs->hwnd);
        const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc) ReleaseDC(gs->hwnd, dc);
        // A size no font can be drawn in keeps the height there is.
        const double pixels = size * dpi / static_cast<double>(kPointsPerInch);
        if (pixels >= -kJournalFontPixelsMax && pixels <= kJournalFontPixelsMax)
            g_app->fonts.lfJournal.lfHeight = -MulDiv(static_cast<int>(size), dpi, kPointsPerInch);
    }
    HFONT font = CreateFontIndirectA(&g_app->fonts.lfJournal);
    if (!font) return kScriptGoOn;
    if (g_app->fonts.hfontJournal) DeleteObject(g_app->fonts.hfontJournal);
    g_app->fonts.hfontJournal = font;
    JournalApplyFont(gs->journalWnd);
    return kScriptGoOn;
}

// SETCURSOR line, column: the line scrolled to the top, the caret at the column of that line.
// A line past the text scrolls as far as there are lines, a column past it ends at the text's end.
int16_t JournalSetCursor(stScriptCall& call, tagGS* gs, CWordFields& fields) {
    int line = ScriptWholeNumber(fields.Number());
    const int column = ScriptWholeNumber(fields.Number());
    if (CWordFields::Bad()) return kScriptStop;
    if (line < 0 || column < 0)
        return ShowScriptError(call.line, "SETCURSOR") ? int16_t{kScriptGoOn} : int16_t{kScriptStopWithoutDialog};
    HWND edit = GetJournalHwnd(gs->journalWnd);
    if (!edit) return kScriptGoOn;
    const int lines = static_cast<int>(SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
    if (line > lines) line = lines;  // further scrolls would do nothing, one at a time
    const int first = static_cast<int>(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    const int difference = line - first;
    const WPARAM direction = difference >= 1 ? SB_LINEDOWN : SB_LINEUP;
    for (int i = 0, n = difference >= 1 ? difference : -difference; i < n; ++i)
        SendMessageA(edit, EM_SCROLL, direction, 0);
    const int top = static_cast<int>(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    int64_t caret = column;
    for (int i = 0; i < top; ++i) {
        const LRESULT start = SendMessageA(edit, EM_LINEINDEX, i, 0);
        caret += SendMessageA(edit, EM_LINELENGTH, start, 0) + 2;
    }
    const int64_t textEnd = GetWindowTextLengthA(edit);
    if (caret > textEnd) caret = textEnd;
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(caret), static_cast<LPARAM>(caret));
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    return kScriptGoOn;
}

// SHOW and HIDE name one of the pane's seven tool buttons.
HWND JournalToolButton(CJournalWindow* pane, const char* word) {
    struct Entry {
        const char* word;
        HWND CJournalWindow::*button;
    };
    static const Entry kButtons[] = {
        {"TIMEBUTTON", &CJournalWindow::insertTimeButton},  {"DATEBUTTON", &CJournalWindow::insertDateButton},
        {"AUTOTIMEBUTTON", &CJournalWindow::autoTimeButton}, {"NEWBUTTON", &CJournalWindow::newButton},
        {"IMPORTBUTTON", &CJournalWindow::loadTextButton},   {"EXPORTBUTTON", &CJournalWindow::saveTextButton},
        {"PRINTBUTTON", &CJournalWindow::printButton},
    };
    for (const Entry& e : kButtons)
        if (ScriptWordIs(word, e.word)) return pane->*(e.button);
    return nullptr;
}
bool IsJournalToolButtonWord(const char* word) {
    static const char* const kWords[] = {"TIMEBUTTON", "DATEBUTTON", "AUTOTIMEBUTTON", "NEWBUTTON",
                                         "IMPORTBUTTON", "EXPORTBUTTON", "PRINTBUTTON"};
    for (const char* w : kWords)
        if (ScriptWordIs(word, w)) return true;
    return false;
}

int16_t JournalToolButtonShown(tagGS* gs, CWordFields& fields, int show) {
    char word[kScriptWordChars];
    fields.Word(word);
    auto* pane = static_cast<CJournalWindow*>(gs->journalWnd);
    if (!IsJournalToolButtonWord(word) || !pane) return kScriptStop;
    if (HWND button = JournalToolButton(pane, word)) ShowWindow(button, show ? SW_SHOW : SW_HIDE);
    return kScriptGoOn;
}

// PASTETIME and PASTEDATE: the clock's text and a line end at the caret; the graph has changed.
void JournalPasteClock(tagGS* gs, const char* format) {
    char text[64 + 2];
    JournalFormatClock(format, text, 64);
    lstrcatA(text, "\r\n");
    JournalAppendText(gs, text);
    setDirtyGraphFlag(gs, 1);
}

using JournalWordHandler = int16_t (*)(stScriptCall& call, tagGS* gs, CWordFields& fields);

// NEW [HIDE]: an empty journal, its pane shown unless asked otherwise.
int16_t JournalNew(stScriptCall&, tagGS* gs, CWordFields& fields) {
    char mode[kScriptWordChars];
    fields.Word(mode);
    JournalClear(gs->journal);
    SetJournalShown(gs, ScriptWordIs(mode, "HIDE") ? 0 : 1);
    return kScriptGoOn;
}

// OPEN name: a text file into the journal; an empty name asks for one.
int16_t JournalOpen(stScriptCall&, tagGS* gs, CWordFields& fields) {
    char name[kScriptWordChars];
    fields.Text(name);
    if (CWordFields::Bad()) return kScriptStop;
    CDialogWaitCursor off;
    off.KeepOff();
    JournalLoadText(gs->journal, name[0] ? 0 : 1, name);
    return kScriptGoOn;
}

// PRECISION digits: the graph's precision for numbers written into the journal, taken as STR$
// takes its decimals.
int16_t JournalPrecision(stScriptCall&, tagGS* gs, CWordFields& fields) {
    const double digits = fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    gs->precisionDigits = static_cast<uint16_t>(measure::ValueDecimals(digits));
    return kScriptGoOn;
}

// SETDEFAULTFONT: the system font for the journal.
int16_t JournalDefaultFont(stScriptCall&, tagGS* gs, CWordFields&) {
    g_app->fonts.hfontJournal = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    if (HWND edit = GetJournalHwnd(gs->journalWnd))
        SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(g_app->fonts.hfontJournal), 0);
    return kScriptGoOn;
}

int16_t JournalClose(stScriptCall&, tagGS* gs, CWordFields&) {
    if (gs->journalShown) SetJournalShown(gs, 0);
    return kScriptGoOn;
}

int16_t JournalTabSize(stScriptCall&, tagGS* gs, CWordFields& fields) {
    const double size = fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    JournalSetTabStops(gs, static_cast<float>(size));
    return kScriptGoOn;
}

// SAVE name [, var]: an empty name asks for one; var is 1 when the text was written.
int16_t JournalSave(stScriptCall& call, tagGS* gs, CWordFields& fields) {
    char name[kScriptWordChars], var[kScriptWordChars];
    fields.Text(name);
    fields.Word(var);
    if (CWordFields::Bad() || !AreOptionalVariables({var})) return kScriptStop;
    const int saved = JournalSaveText(gs->journal, name[0] ? 0 : 1, name);
    if (var[0]) AssignScriptNumericVariable(call.frame, var, saved > 0 ? 1.0 : 0.0);
    return kScriptGoOn;
}

int16_t JournalPasteMeasurementsWord(stScriptCall&, tagGS* gs, CWordFields&) {
    JournalPasteMeasurements(gs);
    JournalSyncText(gs->journal);
    return kScriptGoOn;
}

int16_t JournalPasteWaveDataWord(stScriptCall&, tagGS* gs, CWordFields&) {
    JournalPasteWaveData(gs);
    return kScriptGoOn;
}

int16_t JournalPasteTime(stScriptCall&, tagGS* gs, CWordFields&) {
    JournalPasteClock(gs, "%I:%M:%S %p");
    return kScriptGoOn;
}

int16_t JournalPasteDate(stScriptCall&, tagGS* gs, CWordFields&) {
    JournalPasteClock(gs, "%A, %B %d, %Y");
    return kScriptGoOn;
}

int16_t JournalPrintWord(stScriptCall&, tagGS* gs, CWordFields&) {
    CDialogWaitCursor off;
    JournalPrint(gs->journal);
    return kScriptGoOn;
}

// POSITION x1, y1, x2, y2: the pane's size.
int16_t JournalPosition(stScriptCall&, tagGS* gs, CWordFields& fields) {
    const int x1 = static_cast<int>(fields.Number()), y1 = static_cast<int>(fields.Number());
    const int x2 = static_cast<int>(fields.Number()), y2 = static_cast<int>(fields.Number());
    if (CWordFields::Bad()) return kScriptStop;
    if (gs->journalWnd) {
        gs->journalHeight = static_cast<uint16_t>(y2 - y1);
        JournalResize(gs->journalWnd, x2 - x1, y2 - y1);
    }
    return kScriptGoOn;
}

int16_t JournalUpdate(stScriptCall&, tagGS* gs, CWordFields&) {
    JournalSyncText(gs->journal);
    return kScriptGoOn;
}

// The words that act without the graph's journal object.
const stWordRow<JournalWordHandler> kPaneWords[] = {
    {"APPEND", [](stScriptCall&, tagGS* gs, CWordFields& f) { return JournalWrite(gs, f); }},
    {"WRITE", [](stScriptCall&, tagGS* gs, CWordFields& f) { return JournalWrite(gs, f); }},
    {"NEW", JournalNew},
    {"OPEN", JournalOpen},
    {"PRECISION", JournalPrecision},
    {"PREFERENCES", [](stScriptCall&, tagGS* gs, CWordFields& f) { return JournalPreferences(gs, f); }},
    {"SETDEFAULTFONT", JournalDefaultFont},
    {"SHOW", [](stScriptCall&, tagGS* gs, CWordFields& f) { return JournalToolButtonShown(gs, f, 1); }},
    {"HIDE", [](stScriptCall&, tagGS* gs, CWordFields& f) { return JournalToolButtonShown(gs, f, 0); }},
};

// The words that need the graph's journal object; without one they are handled and do nothing.
const stWordRow<JournalWordHandler> kJournalObjectWords[] = {
    {"SETCURSOR", JournalSetCursor},
    {"CLOSE", JournalClose},
    {"TABSIZE", JournalTabSize},
    {"SAVE", JournalSave},
    {"PASTEMEASUREMENTS", JournalPasteMeasurementsWord},
    {"PASTEWAVEDATA", JournalPasteWaveDataWord},
    {"PASTETIME", JournalPasteTime},
    {"PASTEDATE", JournalPasteDate},
    {"PRINT", JournalPrintWord},
    {"POSITION", JournalPosition},
    {"UPDATE", JournalUpdate},
};

}  // namespace

// JOURNAL word, fields: the engine calls it only while the script has a graph.
int16_t ScriptWordJournal(stScriptCall& call) {
    tagGS* gs = g_script.graph;
    if (!gs) return kScriptGoOn;
    CWordFields fields(call.rest);
    char word[kScriptWordChars];
    fields.Word(word);
    if (const auto* row = FindWordRow(kPaneWords, word)) return row->run(call, gs, fields);
    if (!gs->journal) return kScriptGoOn;
    if (const auto* row = FindWordRow(kJournalObjectWords, word)) return row->run(call, gs, fields);
    return kScriptStop;
}
