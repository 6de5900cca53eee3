// The lesson words on the script's graph: markers, display, clipboard, folders, renaming and
// closing, the lesson's toolbar buttons, the journal and the transform words, each run as a real
// script through the engine in the program booted inside the test process over a graph file of
// the test's own. The error dialog is answered by its hook, which counts it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/device.h"
#include "base/lesson.h"
#include "base/services.h"
#include "base/resource.h"
#include "graph/graph_ids.h"
#include "graph/window/graph_window.h"
#include "transforms/transforms_ids.h"
#include "common/tagGS.h"
#include "controls/script_button.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/items/graph_items.h"
#include "documents/journal/journal.h"
#include "documents/markers/markers.h"
#include "graph/dialogs/toolbar.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "scripts/engine/script_engine.h"
#include "scripts/words/graph_words.h"
#include "scripts/words/word_fields.h"
#include "transforms/analysis/find_peak.h"
#include "transforms/analysis/peak_search.h"
#include "transforms/analysis/rate_core.h"
#include "transforms/filters/filters.h"
#include "transforms/spectral/fft_channel.h"
#include "tests/documents/acq_builder.h"
#include "tests/documents/test_doc.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "tests/shell/box_capture.h"
#include "controls/tests/render_test_support.h"
#include "graph/render/printing.h"
#include "tests/scripts/lesson_fixture.h"
#include "tests/shell/shell_fixture.h"

namespace {

// Two channels of doubles, ten samples at 1 ms, three markers.
AcqRecipe SmallRecipe() {
    AcqRecipe r = RichRecipe();
    AcqChannel a, b;
    a.slot = 0;
    a.label = "Force";
    a.type = 1;
    a.size = 8;
    a.values = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    b = a;
    b.slot = 1;
    b.label = "Pulse";
    b.values = {5, 4, 3, 2, 1, 0, -1, -2, -3, -4};
    r.channels = {a, b};
    r.interval = 1.0;
    r.selStart = 2.0;
    r.selEnd = 6.0;
    r.markers = {{1, "first"}, {4, "second"}, {7, "third"}};
    const uint32_t counters[4] = {3, 0, 0, 0};
    std::vector<StoredMarkerRecord> records(3);
    for (int i = 0; i < 3; ++i) records[i] = {0, i + 1, 1, 1, 0, 0};
    r.tail = JournalBlock(0, "");
    const Bytes manager = MarkerManagerBlock(counters, records);
    r.tail.insert(r.tail.end(), manager.begin(), manager.end());
    r.journalShown = 0;
    return r;
}

// The clicks of the journal's file dialogs: Cancel, or OK with the name given.
std::string g_dialogName;
int g_fileDialogs = 0;
BOOL AnswerFileDialog(OPENFILENAMEA* ofn) {
    ++g_fileDialogs;
    if (g_dialogName.empty()) return FALSE;
    lstrcpynA(ofn->lpstrFile, g_dialogName.c_str(), static_cast<int>(ofn->nMaxFile));
    return TRUE;
}

std::time_t FixedClock() { return 1700000000; }  // a Tuesday afternoon in November 2023

}  // namespace

class GraphWords : public LessonWords {
protected:
    void SetUp() override {
        LessonWords::SetUp();
        if (HasFatalFailure()) return;
        SetJournalFileDialogProcs(AnswerFileDialog, AnswerFileDialog);
        SetJournalClock(FixedClock);
        g_fileDialogs = 0;
        g_dialogName.clear();
        ASSERT_TRUE(WriteWholeFile(InFolder("small.acq"), BuildAcq(SmallRecipe())));
        g_script.graph = nullptr;
        // Not R: R = 1 is review-saved-data mode, which refuses the transforms' result graphs.
        ASSERT_EQ(Run({"OPEN \"small.acq\", O"}), kScriptGoOn);
        ASSERT_EQ(Var('O'), 1.0);
        gs = g_script.graph;
        ASSERT_TRUE(gs);
        ASSERT_EQ(gs->chanCount[0], 10u);
    }
    void TearDown() override {
        SetJournalFileDialogProcs(nullptr, nullptr);
        SetJournalClock(nullptr);
        LessonWords::TearDown();
    }

    // Runs the lesson as the shared fixture does, over the test's graph as the script's graph.
    int16_t Run(const std::vector<std::string>& lines, const std::string& more = "", int waitCursor = 0) {
        g_script.graph = gs;
        return LessonWords::Run(lines, more, waitCursor);
    }

    std::vector<std::string> MarkerLabels() const {
        std::vector<std::string> out;
        for (stMarkerNode* n = gs->markers ? gs->markers->first : nullptr; n; n = n->next)
            if (IsEventMarker(n)) out.push_back(n->label);
        return out;
    }
    std::string JournalText() const {
        HWND edit = GetJournalHwnd(gs->journalWnd);
        if (!edit) return "";
        std::string text(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
        text.resize(static_cast<size_t>(GetWindowTextA(edit, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    double Sample(int slot, int index) const {
        double v = 0.0;
        GetChannelSample(gs, index, slot, &v);
        return v;
    }
    static bool InUse(const tagGS* g, int slot) { return (g->chanFlags[slot] & kChanSlotMask) != 0; }

    tagGS* gs = nullptr;
};

// ---- The executor's rules ----

TEST_F(GraphWords, WithoutACurrentGraphTheWordsAreNotTheExecutorsAndFailAsUnknown) {
    const std::string title = gs->title;
    ASSERT_TRUE(Load({"RENAME \"Gone\"", "Z = 1"}));
    g_script.graph = nullptr;
    AssignScriptNumericVariable(nullptr, "Z", 0.0);
    EXPECT_EQ(RunScriptSubroutine(LoadedScript(), "Main", 0), kScriptStop);
    EXPECT_EQ(ErrorDialogs(), 1);
    EXPECT_EQ(std::string(gs->title), title);
    EXPECT_EQ(Var('Z'), 0.0);
}

// A refused statement shows the error dialog and the run goes on with the next line, whatever
// the dialog's answer; an unknown TRANSFORM word is no error.
TEST_F(GraphWords, RefusedStatementsShowTheErrorDialogAndTheRunGoesOn) {
    struct {
        const char* line;
        int dialogs;
    } const cases[] = {
        {"DISPLAY SIDEWAYS", 1},       {"CLIPBOARD SHRED", 1},        {"REMOVEBUTTON \"None\"", 1},
        {"RENAMEBUTTON \"a\", \"b\", \"\"", 1}, {"AUTOSCALE 60", 1},  {"TILE -1", 1},
        {"TRANSFORM SHUFFLE", 0},      {"TRANSFORM PROGRESS ON", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ResetErrorDialogs();
        AssignScriptNumericVariable(nullptr, "Z", 0.0);
        EXPECT_EQ(Run({c.line, "Z = 1"}), kScriptGoOn);
        EXPECT_EQ(ErrorDialogs(), c.dialogs);
        EXPECT_EQ(Var('Z'), 1.0) << "the line after it ran";
    }
}

// ---- Markers ----

TEST_F(GraphWords, MarkerWordsChangeTheGraphsEventMarkers) {
    struct {
        std::vector<std::string> lines;
        std::vector<std::string> labels;
        double current;  // GETCURRENTMARKERNUMBER afterwards
    } const cases[] = {
        {{"RENAMEMARKER 2, \"middle\""}, {"first", "middle", "third"}, 0},
        {{"RENAMEMARKER 0, \"nothing\""}, {"first", "middle", "third"}, 0},
        {{"RENAMEMARKER 9, \"nothing\""}, {"first", "middle", "third"}, 0},
        {{"DELETEMARKER 0"}, {"first", "middle"}, 0},
        {{"DELETEMARKER 1"}, {"middle"}, 0},
        {{"INSERTMARKER \"at the selection\""}, {"at the selection", "middle"}, 0},
        {{"CLEARALLMARKERS"}, {}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.front());
        std::vector<std::string> lines = c.lines;
        lines.push_back("GETCURRENTMARKERNUMBER N");
        EXPECT_EQ(Run(lines), kScriptGoOn);
        EXPECT_EQ(ErrorDialogs(), 0);
        EXPECT_EQ(MarkerLabels(), c.labels);
        if (c.current < 0)
            EXPECT_EQ(Var('N'), -1.0) << "a graph without markers";
        else
            EXPECT_GE(Var('N'), 1.0);
    }
}

TEST_F(GraphWords, InsertMarkerPlacesTheMarkerAtTheSelectionsLeftEdge) {
    gs->selStart = 6.0;
    gs->selEnd = 3.0;
    ASSERT_EQ(Run({"INSERTMARKER \"edge\"", "GETCURRENTMARKERNUMBER N"}), kScriptGoOn);
    ASSERT_TRUE(gs->markers && gs->markers->current);
    EXPECT_STREQ(gs->markers->current->label, "edge");
    EXPECT_EQ(MarkerSamplePosition(gs->markers->current), 3u);
    EXPECT_EQ(Var('N'), 2.0) << "after the marker at sample 1";
    EXPECT_EQ(MarkerLabels(), (std::vector<std::string>{"first", "edge", "second", "third"}));
}

TEST_F(GraphWords, SwitchWordsSetTheGraphsMarkerMenuAndRegionResize) {
    ASSERT_EQ(Run({"ENABLEMARKERMENU 2.7", "ENABLEWAVEFORMREGIONRESIZE 1"}), kScriptGoOn);
    ASSERT_TRUE(gs->markerManager);
    EXPECT_EQ(gs->markerManager->menuMode, 2u);
    EXPECT_EQ(gs->waveformRegionResize, 1u);
    ASSERT_EQ(Run({"ENABLEWAVEFORMREGIONRESIZE 0"}), kScriptGoOn);
    EXPECT_EQ(gs->waveformRegionResize, 0u);
}

// ---- Display, text, clipboard, folders ----

TEST_F(GraphWords, DisplayRenameAndFolderWordsLeaveWhatTheySay) {
    ASSERT_EQ(Run({"DISPLAY XY"}), kScriptGoOn);
    EXPECT_EQ(gs->displayMode, kModeXY);
    ASSERT_EQ(Run({"DISPLAY scope"}), kScriptGoOn);
    EXPECT_EQ(gs->displayMode, kModeScope);

    ASSERT_EQ(Run({"RENAME \"Trial 1: 10:30\""}), kScriptGoOn);
    EXPECT_STREQ(gs->title, "Trial 1- 10-30");
    char text[260] = "";
    GetWindowTextA(gs->hwnd, text, sizeof text);
    EXPECT_STREQ(text, "Trial 1- 10-30");

    const std::string sub = InFolder("elsewhere");
    CreateDirectoryA(sub.c_str(), nullptr);
    ASSERT_EQ(Run({"SAVECURRENTFOLDER"}), kScriptGoOn);
    SetCurrentDirectoryA(sub.c_str());
    ASSERT_EQ(Run({"RESTORECURRENTFOLDER"}), kScriptGoOn);
    char now[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof now, now);
    EXPECT_EQ(lstrcmpiA(now, folder.c_str()), 0) << now;
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(GraphWords, DisplayStringAndNumberShowAnInformationBox) {
    BoxCapture boxes;
    ASSERT_EQ(Run({"DISPLAYSTRING \"Relax the arm\"", "DISPLAYNUMBER 2.5"}), kScriptGoOn);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "Relax the arm");
    EXPECT_EQ(boxes.boxes[0].caption, "Wavemind");
    EXPECT_EQ(boxes.boxes[1].text.rfind("2.5", 0), 0u) << boxes.boxes[1].text;
}

TEST_F(GraphWords, ClipboardWriteAndAppendTextsAndNumbers) {
    struct {
        std::vector<std::string> lines;
        const char* clipboard;
    } const cases[] = {
        {{"CLIPBOARD WRITE \"a\\tb\""}, "a\tb"},
        {{"CLIPBOARD WRITE \"a\\Rb\\\\c\\nd\""}, "a\rb\\c\\nd"},
        {{"CLIPBOARD WRITE \"x\"", "CLIPBOARD APPEND \"y\\r\""}, "xy\r"},
        {{"JOURNAL PRECISION 2", "CLIPBOARD WRITE 3.14159"}, "3.14"},
        {{"S$ = \"kept\"", "CLIPBOARD WRITE \"-\"", "CLIPBOARD APPEND S$"}, "-kept"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.back());
        EXPECT_EQ(Run(c.lines), kScriptGoOn);
        EXPECT_EQ(ClipboardText(), c.clipboard);
    }
    EXPECT_EQ(ErrorDialogs(), 0);
}

// AUTOSCALE and TILE without a field act on the whole graph; a channel number, 0 included, is
// a channel; a number beyond the graph's slots is refused.
TEST_F(GraphWords, AFieldIsPresentWhenItHoldsAnything) {
    struct {
        const char* pos;
        bool present;
    } const cases[] = {{"", false}, {"   ", false}, {"\r\n", false}, {" 0", true}, {", 0", true},  {" A", true},    {" ; note", false}};
    for (const auto& c : cases) EXPECT_EQ(IsFieldPresent(c.pos), c.present) << "\"" << c.pos << "\"";
    ASSERT_EQ(Run({"AUTOSCALE", "AUTOSCALE 0", "TILE", "TILE 1", "AUTOHORIZ", "OVERLAP", "COMPARE", "RESETCHART",
                   "UPDATE", "UPDATE MMTS", "UPDATE PLOT", "UPDATE NONPLOT", "REFRESHGRAPH"}),
              kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
}

// ---- The lesson's buttons ----

class LessonButtons : public GraphWords {
protected:
    std::vector<HWND> Buttons() const {
        std::vector<HWND> out;
        for (int id = IDC_SCRIPT_BUTTON_FIRST; id < IDC_SCRIPT_BUTTON_FIRST + 10; ++id)
            if (HWND b = GetDlgItem(g_app->hwndToolbar, id)) out.push_back(b);
        return out;
    }
    static RECT Place(HWND b) {
        RECT rc;
        GetWindowRect(b, &rc);
        MapWindowPoints(nullptr, g_app->hwndToolbar, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
    static std::string Text(HWND b) {
        char text[128] = "";
        GetWindowTextA(b, text, sizeof text);
        return text;
    }
    const std::string subs = "Pressed\r\nP = P + 1\r\nEND\r\nOther\r\nQ = 7\r\nEND\r\n";
};

TEST_F(LessonButtons, CreatedButtonsLineUpOnTheToolbarAndAClickRunsTheirSubroutine) {
    g_script.lessonButtonMode = 0;
    ASSERT_EQ(Run({"REMOVEALLBUTTONS", "CREATEBUTTON \"Go\", \"Pressed\", V", "CREATEBUTTON \"A much longer caption\", \"Other\", W"},
                  subs),
              kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
    EXPECT_EQ(Var('V'), 0.0);
    EXPECT_EQ(gs->scriptButtonCount, 2);
    const std::vector<HWND> buttons = Buttons();
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(Text(buttons[0]), "Go");
    const RECT first = Place(buttons[0]), second = Place(buttons[1]);
    EXPECT_EQ(first.top, 2);
    EXPECT_EQ(first.bottom, 22);
    EXPECT_EQ(first.right - first.left, 50) << "a short caption gets the narrowest button";
    EXPECT_GT(second.right - second.left, 50);
    EXPECT_EQ(second.left, first.right + 10);

    AssignScriptNumericVariable(nullptr, "P", 0.0);
    SendMessageA(buttons[0], BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_EQ(Var('P'), 1.0) << "the click ran Pressed";
}

TEST_F(LessonButtons, RemoveKeepsTheOthersInPlaceAndAnEleventhButtonIsRefused) {
    g_script.lessonButtonMode = 0;
    std::vector<std::string> lines = {"REMOVEALLBUTTONS"};
    for (int i = 0; i < 10; ++i) lines.push_back("CREATEBUTTON \"B" + std::to_string(i) + "\", \"Pressed\", V");
    ASSERT_EQ(Run(lines, subs), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
    ASSERT_EQ(Buttons().size(), 10u);
    const RECT third = Place(GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST + 2));

    ASSERT_EQ(Run({"CREATEBUTTON \"B10\", \"Pressed\", V"}, subs), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 1) << "the eleventh";
    EXPECT_EQ(Buttons().size(), 10u);

    ASSERT_EQ(Run({"REMOVEBUTTON \"b1\"", "REMOVEBUTTON \"nobody\""}, subs), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 1);
    EXPECT_EQ(gs->scriptButtonCount, 9);
    EXPECT_FALSE(GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST + 1));
    HWND kept = GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST + 2);
    ASSERT_TRUE(kept) << "the others keep their command ids";
    const RECT now = Place(kept);
    EXPECT_EQ(now.left, third.left);

    // A new one takes the freed slot, right of the rightmost button, with an id of its own.
    ASSERT_EQ(Run({"CREATEBUTTON \"Again\", \"Other\", V"}, subs), kScriptGoOn);
    HWND again = GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST + 1);
    ASSERT_TRUE(again);
    EXPECT_EQ(Text(again), "Again");
    EXPECT_GT(Place(again).left, Place(GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST + 9)).left);
    ASSERT_EQ(Run({"REMOVEALLBUTTONS"}), kScriptGoOn);
    EXPECT_TRUE(Buttons().empty());
    EXPECT_EQ(gs->scriptButtonCount, 0);
}

TEST_F(LessonButtons, RenameWidensTheButtonMovesTheLaterOnesAndChangesTheSubroutine) {
    g_script.lessonButtonMode = 0;
    ASSERT_EQ(Run({"REMOVEALLBUTTONS", "CREATEBUTTON \"One\", \"Pressed\", V", "CREATEBUTTON \"Two\", \"Pressed\", V"},
                  subs),
              kScriptGoOn);
    HWND one = GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST);
    HWND two = GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST + 1);
    const RECT before = Place(two);
    ASSERT_EQ(Run({"RENAMEBUTTON \"one\", \"A caption far wider than fifty pixels\", \"Other\""}, subs), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
    EXPECT_EQ(Text(one), "A caption far wider than fifty pixels");
    const RECT widened = Place(one), moved = Place(two);
    EXPECT_GT(widened.right - widened.left, 50);
    EXPECT_EQ(moved.left - before.left, widened.right - widened.left - 50);
    EXPECT_EQ(moved.right - moved.left, before.right - before.left);
    AssignScriptNumericVariable(nullptr, "Q", 0.0);
    SendMessageA(one, BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_EQ(Var('Q'), 7.0) << "the click runs the new subroutine";
    // A narrower caption leaves the width.
    ASSERT_EQ(Run({"RENAMEBUTTON \"A caption far wider than fifty pixels\", \"x\", \"\""}, subs), kScriptGoOn);
    EXPECT_EQ(Place(one).right - Place(one).left, widened.right - widened.left);
}

// ---- The journal ----

TEST_F(GraphWords, JournalWritesTextsAndNumbersAtTheCaret) {
    struct {
        std::vector<std::string> lines;
        const char* text;
    } const cases[] = {
        {{"JOURNAL WRITE \"a\\rb\""}, "a\r\nb"},
        {{"JOURNAL APPEND \"t\\tu\\\\v\""}, "t\tu\\v"},
        {{"JOURNAL PRECISION 2", "JOURNAL APPEND 3.14159"}, "3.14"},
        {{"JOURNAL PRECISION 15", "JOURNAL APPEND 0.3333333333333333"}, "0.333333333333333"},
        {{"JOURNAL PRECISION -2", "JOURNAL APPEND 2.5"}, "3"},
        {{"S$ = \"from a variable\"", "JOURNAL WRITE S$"}, "from a variable"},
        {{"JOURNAL WRITE \"x\"", "JOURNAL NEW", "JOURNAL WRITE \"y\""}, "y"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.back());
        ASSERT_EQ(Run({"JOURNAL NEW HIDE"}), kScriptGoOn);
        EXPECT_EQ(gs->journalShown, 0u);
        EXPECT_EQ(Run(c.lines), kScriptGoOn);
        EXPECT_EQ(gs->journalShown, 1u) << "writing shows the journal";
        EXPECT_EQ(JournalText(), c.text);
    }
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(GraphWords, JournalStampsSavesAndLoadsItsText) {
    ASSERT_EQ(Run({"JOURNAL NEW", "JOURNAL PASTEDATE", "JOURNAL PASTETIME"}), kScriptGoOn);
    char date[64], time[64];
    JournalFormatClock("%A, %B %d, %Y", date, sizeof date);
    JournalFormatClock("%I:%M:%S %p", time, sizeof time);
    EXPECT_EQ(JournalText(), std::string(date) + "\r\n" + time + "\r\n");
    EXPECT_EQ(gs->modified, 1u);

    const std::string saved = InFolder("notes.txt");
    ASSERT_EQ(Run({"JOURNAL NEW", "JOURNAL WRITE \"kept notes\"", "JOURNAL SAVE \"" + saved + "\", V"}), kScriptGoOn);
    EXPECT_EQ(Var('V'), 1.0);
    ASSERT_TRUE(Exists(saved));
    EXPECT_EQ(g_fileDialogs, 0);

    // An empty name asks; a cancel reports 0.
    ASSERT_EQ(Run({"JOURNAL SAVE \"\", V"}), kScriptGoOn);
    EXPECT_EQ(g_fileDialogs, 1);
    EXPECT_EQ(Var('V'), 0.0);

    ASSERT_EQ(Run({"JOURNAL NEW", "JOURNAL OPEN \"" + saved + "\""}), kScriptGoOn);
    EXPECT_EQ(JournalText(), "kept notes");
    EXPECT_EQ(ErrorDialogs(), 0);
}

// The opened graph's journal is hidden and empty: no text control until a word writes to it,
// and what was written before the journal is shown is in the saved file and shows with it.
TEST_F(GraphWords, JournalTextPastedWhileTheJournalIsHiddenIsSavedAndShowsWhenShown) {
    ASSERT_EQ(gs->journalShown, 0u);
    EXPECT_EQ(JournalHwndIfMade(gs->journalWnd), nullptr);
    InFolder("noted.acq");
    ASSERT_EQ(Run({"JOURNAL PASTETIME", "SAVECOPY \"noted.acq\", \"\", KeepName, R"}), kScriptGoOn);
    EXPECT_EQ(Var('R'), 1.0);
    EXPECT_EQ(gs->journalShown, 0u) << "pasting the time leaves the journal hidden";
    HWND edit = JournalHwndIfMade(gs->journalWnd);
    ASSERT_TRUE(edit) << "written to, the control is made";
    EXPECT_FALSE(IsWindowEnabled(edit)) << "as the hidden journal's buttons";
    char time[64];
    JournalFormatClock("%I:%M:%S %p", time, sizeof time);
    const std::string stamp = std::string(time) + "\r\n";
    const Bytes bytes = ReadWholeFile(folder + "\\noted.acq");
    TestDoc doc;
    stGraphReadReport report{};
    ASSERT_EQ(ReadGraphBuffer(doc.gs, bytes.data(), bytes.size(), &report), 1);
    ASSERT_TRUE(doc.gs->journal && doc.gs->journal->storedText);
    const char* saved = static_cast<const char*>(GlobalLock(doc.gs->journal->storedText));
    EXPECT_STREQ(saved, stamp.c_str());
    GlobalUnlock(doc.gs->journal->storedText);

    ASSERT_EQ(Run({"SHOW JOURNAL"}), kScriptGoOn);
    EXPECT_EQ(gs->journalShown, 1u);
    EXPECT_EQ(JournalHwndIfMade(gs->journalWnd), edit);
    EXPECT_TRUE(IsWindowEnabled(edit));
    EXPECT_TRUE(IsWindowVisible(edit));
    EXPECT_EQ(JournalText(), stamp);
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(GraphWords, JournalPreferencesSetThePasteOptionsAndTheFont) {
    stJournalPrefs& prefs = JournalPrefs();
    prefs.measurementPerLine = prefs.waveTimeValues = 1;
    ASSERT_EQ(Run({"JOURNAL PREFERENCES NAMES, UNITS, NONE, NONE, \"Courier New\", 12"}), kScriptGoOn);
    EXPECT_EQ(prefs.measurementName, 1);
    EXPECT_EQ(prefs.measurementUnit, 1);
    EXPECT_EQ(prefs.measurementPerLine, 0);
    EXPECT_EQ(prefs.waveTimeValues, 0);
    EXPECT_STREQ(g_app->fonts.lfJournal.lfFaceName, "Courier New");
    EXPECT_LT(g_app->fonts.lfJournal.lfHeight, 0);
    ASSERT_EQ(Run({"JOURNAL PREFERENCES HVALUES, LINES, NAMES, OTHER"}), kScriptGoOn);
    EXPECT_EQ(prefs.measurementName, 1);
    EXPECT_EQ(prefs.measurementUnit, 0);
    EXPECT_EQ(prefs.measurementPerLine, 1);
    EXPECT_EQ(prefs.waveTimeValues, 1);
    ASSERT_EQ(Run({"JOURNAL PREFERENCES UNITS"}), kScriptGoOn);
    EXPECT_EQ(prefs.measurementName + prefs.measurementPerLine + prefs.waveTimeValues, 0);
    EXPECT_EQ(prefs.measurementUnit, 1);
    EXPECT_STREQ(g_app->fonts.lfJournal.lfFaceName, "Courier New") << "no face name, no font change";
    // A size no font can be drawn in keeps the height there is.
    const LONG height = g_app->fonts.lfJournal.lfHeight;
    ASSERT_EQ(Run({"JOURNAL PREFERENCES UNITS, NONE, NONE, NONE, \"Arial\", 100000"}), kScriptGoOn);
    EXPECT_STREQ(g_app->fonts.lfJournal.lfFaceName, "Arial");
    EXPECT_EQ(g_app->fonts.lfJournal.lfHeight, height);
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(GraphWords, JournalToolButtonsAndCursor) {
    auto* pane = static_cast<CJournalWindow*>(gs->journalWnd);
    ASSERT_TRUE(pane && pane->insertTimeButton && pane->printButton);
    ASSERT_EQ(Run({"JOURNAL NEW", "JOURNAL HIDE TIMEBUTTON", "JOURNAL HIDE PRINTBUTTON"}), kScriptGoOn);
    EXPECT_FALSE(IsWindowVisible(pane->insertTimeButton));
    EXPECT_FALSE(IsWindowVisible(pane->printButton));
    ASSERT_EQ(Run({"JOURNAL SHOW TIMEBUTTON"}), kScriptGoOn);
    EXPECT_TRUE(IsWindowVisible(pane->insertTimeButton));
    EXPECT_EQ(ErrorDialogs(), 0);

    // An unknown button is the engine's error; a negative cursor field the word's own.
    struct {
        const char* line;
        int16_t result;
    } const refused[] = {{"JOURNAL SHOW ROCKET", kScriptStop},
                         {"JOURNAL FLY", kScriptStop},
                         {"JOURNAL SETCURSOR -1, 0", kScriptStop},
                         {"JOURNAL SETCURSOR -2147483649, 0", kScriptStop},
                         {"JOURNAL SETCURSOR 0, -1E12", kScriptStop}};
    for (const auto& c : refused) {
        SCOPED_TRACE(c.line);
        ResetErrorDialogs();
        EXPECT_EQ(Run({c.line}), c.result);
        EXPECT_EQ(ErrorDialogs(), 1);
    }

    ResetErrorDialogs();
    ASSERT_EQ(Run({"JOURNAL NEW", "JOURNAL WRITE \"one\\rtwo\\rthree\"", "JOURNAL SETCURSOR 0, 2"}), kScriptGoOn);
    HWND edit = GetJournalHwnd(gs->journalWnd);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 2u);
    EXPECT_EQ(ErrorDialogs(), 0);

    // A line or column past the text, however far, puts the caret at the text's end.
    const DWORD textEnd = static_cast<DWORD>(GetWindowTextLengthA(edit));
    for (const char* line : {"JOURNAL SETCURSOR 2147483648, 1E12", "JOURNAL SETCURSOR 1E12, 4294967296",
                             "JOURNAL SETCURSOR 2147483647, 2147483647"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(Run({"JOURNAL SETCURSOR 0, 0", line}), kScriptGoOn);
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, textEnd);
        EXPECT_EQ(end, textEnd);
    }
    EXPECT_EQ(ErrorDialogs(), 0);
}

// ---- The transform words ----

// Every channel a statement names is checked against the graph's slots: a number past them,
// below them or no number at all is refused before anything changes.
TEST_F(GraphWords, TransformChannelNumbersOutsideTheGraphAreRefused) {
    const char* const lines[] = {
        "TRANSFORM MATH ADD, W60, W1, W2",   "TRANSFORM MATH ADD, W0, W99999999999, W2",
        "TRANSFORM MATH ADD, W0, W1, W60",   "TRANSFORM MATH ADD, W0, W1, W-1",
        "TRANSFORM MATH ADD, Wx, W1, W2",    "TRANSFORM MATH ADD, W0, W1, 2",
        "TRANSFORM MATH ADD, W5, W1, W2",    "TRANSFORM MATH MOD, W0, W1, W2",
        "TRANSFORM INTEGRATECTRLCHAN 60, 0, 1", "TRANSFORM INTEGRATECTRLCHAN -1, 0, 1",
        "TRANSFORM INTEGRATECTRLCHAN 7, 0, 1",
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        ResetErrorDialogs();
        AssignScriptNumericVariable(nullptr, "Z", 0.0);
        EXPECT_EQ(Run({line, "Z = 1"}), kScriptGoOn);
        EXPECT_EQ(ErrorDialogs(), 1);
        EXPECT_EQ(Var('Z'), 1.0);
        EXPECT_FALSE(InUse(gs, 2)) << "no destination was taken";
        EXPECT_EQ(gs->modified, 0u);
    }
}

// With two numbers the operation has no channel to work on and computes nothing: an empty
// destination is given up again, one that held data keeps it.
TEST_F(GraphWords, TransformMathWithoutAChannelLeavesTheDestinationAsItWas) {
    ASSERT_EQ(Run({"TRANSFORM MATH ADD, 1, 2, W3"}), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
    EXPECT_FALSE(InUse(gs, 3));
    ASSERT_EQ(Run({"TRANSFORM MATH MUL, 1, 2, W1"}), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
    ASSERT_TRUE(InUse(gs, 1));
    ASSERT_EQ(gs->chanCount[1], 10u);
    EXPECT_EQ(Sample(1, 0), 5.0);
    EXPECT_EQ(Sample(1, 9), -4.0);
}

TEST_F(GraphWords, TransformSmoothingChecksItsWidthAndFactorBeforeItChangesAnything) {
    struct {
        const char* line;
        bool refused;
        const char* undo;  // the Undo entry left behind
    } const cases[] = {
        {"TRANSFORM SMOOTHING 1, MEAN", true, ""},     {"TRANSFORM SMOOTHING 1.9, MEDIAN", true, ""},
        {"TRANSFORM SMOOTHING 2, MEAN", false, "Smoothing"},
        {"TRANSFORM EXPSMOOTHING 0", true, ""},         {"TRANSFORM EXPSMOOTHING 1", true, ""},
        {"TRANSFORM EXPSMOOTHING 1.5", true, ""},       {"TRANSFORM EXPSMOOTHING 0.5", false, "Smoothing"},
        {"TRANSFORM LINEARAPPROX", false, "Undo Approximation"},
        {"TRANSFORM FUNCTION CUBE", true, ""},          {"TRANSFORM FUNCTION ABS", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ResetErrorDialogs();
        g_app->undo.szText[0] = 0;
        EXPECT_EQ(Run({c.line}), kScriptGoOn);
        EXPECT_EQ(ErrorDialogs(), c.refused ? 1 : 0);
        EXPECT_EQ(std::string(g_app->undo.szText).substr(0, std::strlen(c.undo)), c.undo);
        if (c.refused) {
            EXPECT_EQ(g_app->undo.szText[0], 0) << "nothing to undo";
        }
    }
}

// The filter and FFT words fill their transforms' settings field by field, empty fields keeping
// their place, and run the transform; a word no field knows is the error dialog.
TEST_F(GraphWords, TransformFilterAndFftWordsSetTheirTransformsAndRunThem) {
    ResetErrorDialogs();
    ASSERT_EQ(Run({"TRANSFORM FILTER BANDPASS, NOSUCHWINDOW, 10, 100, 3"}), kScriptGoOn);
    EXPECT_EQ(g_firSettings.type, 3);
    EXPECT_EQ(g_firSettings.window, 0) << "a window word none of the list: 0";
    EXPECT_EQ(g_firSettings.lowCutoff, 10.0);
    EXPECT_EQ(g_firSettings.highCutoff, 100.0);
    EXPECT_EQ(g_firSettings.coefficientCount, 3);
    EXPECT_EQ(g_firSettings.flags, 0u);
    ASSERT_EQ(Run({"TRANSFORM FILTER HIGHPASS, HANNING, 40, 5, RESPONSE, DONTMODIFY"}), kScriptGoOn);
    EXPECT_EQ(g_firSettings.type, 2);
    EXPECT_EQ(g_firSettings.window, 2);
    EXPECT_EQ(g_firSettings.highCutoff, 40.0) << "a high pass's one frequency is its high cut-off";
    EXPECT_EQ(g_firSettings.lowCutoff, 10.0);
    EXPECT_EQ(g_firSettings.flags, kFirShowResponse | kFirDontModify);

    // A count of 0 is refused by the filter: the statement reports it and the channel stays.
    const double before = Sample(0, 4);
    ResetErrorDialogs();
    ASSERT_EQ(Run({"TRANSFORM FILTER LOWPASS, HAMMING, 50, 0"}), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 1);
    EXPECT_EQ(Sample(0, 4), before);

    // IFILTER opens the filter's dialog with the statement's values, as the menu does.
    ResetErrorDialogs();
    std::string shownFrequency, shownHigh, shownQ;
    DialogDriver driver({[&](HWND dlg) {
                             shownFrequency = ItemText(dlg, IDC_IIR_FREQ);
                             shownHigh = ItemText(dlg, IDC_IIR_HIGH);
                             shownQ = ItemText(dlg, IDC_IIR_Q);
                             Click(dlg, IDOK);
                         },
                         [&](HWND dlg) { Click(dlg, IDCANCEL); }});
    ASSERT_EQ(Run({"TRANSFORM IFILTER BANDPASSLH, 10, 100, 0.5"}), kScriptGoOn);
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(std::stod(shownFrequency), 10.0);
    EXPECT_EQ(std::stod(shownHigh), 100.0);
    EXPECT_EQ(std::stod(shownQ), 0.5);
    EXPECT_EQ(g_iirSettings.type, 3);
    EXPECT_EQ(g_iirSettings.frequency, 10.0);
    EXPECT_EQ(g_iirSettings.highFrequency, 100.0);
    EXPECT_EQ(g_iirSettings.q, 0.5);
    ASSERT_EQ(Run({"TRANSFORM IFILTER BANDSTOP, 50, 8"}), kScriptGoOn);
    EXPECT_EQ(g_iirSettings.type, 5);
    EXPECT_EQ(g_iirSettings.bandQ, 8.0) << "a band's Q";
    EXPECT_EQ(g_iirSettings.q, 0.5);
    EXPECT_EQ(driver.Runs(), 2);
    EXPECT_EQ(ErrorDialogs(), 0) << "a Cancel in its dialog is the user's choice, not a failure";
    ResetErrorDialogs();

    // FFT OPTIONS runs nothing; an empty field keeps its place, so TREND is the trend field.
    ASSERT_EQ(Run({"TRANSFORM FFT OPTIONS HANNING, , TREND, ZEROS"}), kScriptGoOn);
    EXPECT_EQ(FftSettings.window, 2);
    EXPECT_EQ(FftSettings.options, kFftRemoveTrend | kFftApplyWindow);
    EXPECT_EQ(FftSettings.padMode, 0);
    // The window words are the transform's own list, the rectangle included, in any case.
    ASSERT_EQ(Run({"TRANSFORM FFT OPTIONS RECTANGLE, , , ZEROS"}), kScriptGoOn);
    EXPECT_EQ(FftSettings.window, 0);
    EXPECT_EQ(FftSettings.options, kFftApplyWindow);
    ASSERT_EQ(Run({"TRANSFORM FFT OPTIONS kaiserBessel, , , ZEROS"}), kScriptGoOn);
    EXPECT_EQ(FftSettings.window, 9);
    ASSERT_EQ(Run({"TRANSFORM FFT OPTIONS NONE, MEAN, NO, LAST"}), kScriptGoOn);
    EXPECT_EQ(FftSettings.window, -1);
    EXPECT_EQ(FftSettings.options, kFftRemoveMean);
    EXPECT_EQ(FftSettings.padMode, 1);
    EXPECT_EQ(ErrorDialogs(), 0);
    int graphs = 0;
    for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) graphs += GetWindowGraph(w) ? 1 : 0;
    ASSERT_EQ(Run({"TRANSFORM FFT RESULT LIN, MAG, , MODINPUT"}), kScriptGoOn);
    EXPECT_EQ(FftSettings.scale, 0);
    EXPECT_EQ(FftSettings.outputs, kFftMagnitude | kFftModifiedInput);
    int after = 0;
    for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) after += GetWindowGraph(w) ? 1 : 0;
    EXPECT_EQ(after, graphs + 1) << "the FFT graph";
    EXPECT_EQ(ErrorDialogs(), 0);
    ASSERT_EQ(Run({"TRANSFORM FFT SPECTRUM"}), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 1) << "another word after FFT";
}

// In review-saved-data mode (R = 1) the lesson keeps its single window: the FFT's result graph is
// refused with the mode's message and no window is made; the source graph stays as it was. With
// R back at 0 the same statement makes its graph.
TEST_F(GraphWords, TheFftInReviewSavedDataModeIsRefusedWithTheSingleWindowMessage) {
    auto graphs = [] {
        int n = 0;
        for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) n += GetWindowGraph(w) ? 1 : 0;
        return n;
    };
    const char* text = getMsgBoxText("Single Window for RSD mode");
    const char* caption = getMsgBoxText("TVX Lessons Review Saved Mode");
    const int before = graphs();
    int used = 0;
    for (int slot = 0; slot < kMaxChannels; ++slot) used += InUse(gs, slot) ? 1 : 0;
    for (const char* outputs : {"LIN, MAG, , ", "LOG, MAG, PHASE, MODINPUT"}) {
        SCOPED_TRACE(outputs);
        BoxCapture boxes;
        ASSERT_EQ(Run({"R = 1", std::string("TRANSFORM FFT RESULT ") + outputs}), kScriptGoOn);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, text ? text : "Single Window for RSD mode");
        EXPECT_EQ(boxes.boxes[0].caption, caption ? caption : "TVX Lessons Review Saved Mode");
        EXPECT_EQ(graphs(), before) << "no result graph";
        int nowUsed = 0;
        for (int slot = 0; slot < kMaxChannels; ++slot) nowUsed += InUse(gs, slot) ? 1 : 0;
        EXPECT_EQ(nowUsed, used) << "the source graph has no modified input either";
        EXPECT_EQ(ErrorDialogs(), 0);
    }
    BoxCapture boxes;
    ASSERT_EQ(Run({"R = 0", "TRANSFORM FFT RESULT LIN, MAG, , "}), kScriptGoOn);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
    EXPECT_EQ(graphs(), before + 1);
    EXPECT_EQ(ErrorDialogs(), 0);
}

// FINDRATE: every field may be left empty; a word no field knows stops it with the fields before
// it written and the detector not run.
TEST_F(GraphWords, TransformFindRateKeepsEmptyFieldsAndRefusesUnknownWords) {
    RateDetectorSettings& s = g_rateDetectorSettings;
    s.function = 1;
    s.polarity = 1;
    s.thresholdLevel = 0;
    s.resultInNewGraph = 0;
    auto slotsInUse = [&] {
        int n = 0;
        for (int slot = 0; slot < kMaxChannels; ++slot) n += InUse(gs, slot) ? 1 : 0;
        return n;
    };
    const int used = slotsInUse();
    ResetErrorDialogs();
    ASSERT_EQ(Run({"TRANSFORM FINDRATE RATEXYZ"}), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 1);
    EXPECT_EQ(s.function, 1);
    EXPECT_EQ(slotsInUse(), used) << "the detector did not run";
    ASSERT_EQ(Run({"TRANSFORM FINDRATE COUNT, NEG, 2.5, OFF, OFF, 10, SIDEWAYS, 1, 5"}), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 2);
    EXPECT_EQ(s.function, 5);
    EXPECT_EQ(s.polarity, -1);
    EXPECT_EQ(s.thresholdLevel, 2.5);
    EXPECT_EQ(s.noiseRejectionPercent, 10.0) << "the fields before the bad word are written";
    EXPECT_EQ(slotsInUse(), used);
    ResetErrorDialogs();
    ASSERT_EQ(Run({"TRANSFORM FINDRATE , POS, , , , , , 0.5, 3"}), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
    EXPECT_EQ(s.function, 5) << "an empty field keeps its setting";
    EXPECT_EQ(s.polarity, 1);
    EXPECT_EQ(s.thresholdLevel, 2.5);
    EXPECT_EQ(s.windowMin, 0.5);
    EXPECT_EQ(s.windowMax, 3.0);
    EXPECT_EQ(slotsInUse(), used + 1) << "the detector's result channel";
}

// FINDPEAK moves the cursors to the peak or valley at the level, or one interval on; the option
// words set placement, offsets and interval for the next search without running one.
TEST_F(GraphWords, TransformFindPeakWordsSetTheSearchAndMoveTheCursors) {
    ASSERT_EQ(gs->storageKind, kStoreMemory);
    ASSERT_EQ(gs->chanType[0], 1);
    const double bumps[10] = {0, 1, 6, 7, 3, 0, 8, 2, -5, 0};
    std::memcpy(gs->chanBlock[0], bumps, sizeof bumps);
    gs->selectedChan = 0;
    const stFindPeakSettings kept = g_findPeak;
    g_findPeak.placement = kPlacePreviousPeak;
    g_findPeak.firstOffset = g_findPeak.secondOffset = 0.0;
    g_findPeak.tracking = 0;
    g_findPeak.pasteToJournal = 0;
    g_findPeak.unitFactor = 1.0;
    struct {
        const char* line;
        double selStart;  // the selection before the statement
        int32_t mode;
        double first, second;  // the cursors after it
    } cases[] = {
        // above the level at the start: waits for the fall, then the run 6 .. 6 peaks at 6
        {"TRANSFORM FINDPEAK 5, POS", 2.0, kPeakPositive, 6.0, 2.0},
        {"TRANSFORM FINDPEAK 0.5, NEG", 3.0, kPeakNegative, 5.0, 3.0},
        {"TRANSFORM FINDPEAK 9, POS", 2.0, kPeakPositive, 2.0, 6.0},  // nothing that high: no move
        {"TRANSFORM FINDPEAK 1", 1.0, kPeakInterval, 4.0, 1.0},       // the interval, 3 samples
    };
    g_findPeak.interval = 3.0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ResetErrorDialogs();
        gs->selStart = c.selStart;
        gs->selEnd = 6.0;
        ASSERT_EQ(Run({c.line}), kScriptGoOn);
        EXPECT_EQ(ErrorDialogs(), 0);
        EXPECT_EQ(g_findPeak.mode, c.mode);
        EXPECT_EQ(gs->selStart, c.first);
        EXPECT_EQ(gs->selEnd, c.second);
    }
    EXPECT_EQ(g_findPeak.positiveLevel, 1.0) << "the interval word still sets the positive level";
    EXPECT_EQ(g_findPeak.negativeLevel, 0.5);

    ASSERT_EQ(Run({"TRANSFORM FINDPEAKOPTIONS FINDTHRESHOLD, 0.5, 2"}), kScriptGoOn);
    EXPECT_EQ(g_findPeak.placement, kPlaceThreshold);
    EXPECT_EQ(g_findPeak.firstOffset, 0.5);
    EXPECT_EQ(g_findPeak.secondOffset, 2.0);
    g_findPeak.startFromStartTime = 1;
    ASSERT_EQ(Run({"TRANSFORM FINDPEAKOPTIONSINTERVAL FINDPREVTHRESHOLD, 4, , 1"}), kScriptGoOn);
    EXPECT_EQ(g_findPeak.placement, kPlacePreviousPeak) << "threshold words fold onto the two interval placements";
    EXPECT_EQ(g_findPeak.interval, 4.0);
    EXPECT_EQ(g_findPeak.firstOffset, 0.5) << "an empty field keeps its setting";
    EXPECT_EQ(g_findPeak.secondOffset, 1.0);
    EXPECT_EQ(g_findPeak.startFromStartTime, 0);
    ASSERT_EQ(Run({"TRANSFORM FINDPEAKOPTIONSINTERVAL SIDEWAYS, 2, 0, 0"}), kScriptGoOn);
    EXPECT_EQ(g_findPeak.placement, kPlacePreviousPeak) << "an unknown kind keeps the placement";
    EXPECT_EQ(g_findPeak.interval, 2.0);
    EXPECT_EQ(ErrorDialogs(), 0);
    EXPECT_EQ(gs->selStart, 4.0) << "the option words run no search";

    for (const char* bad : {"TRANSFORM FINDPEAK", "TRANSFORM FINDPEAK , POS"}) {
        SCOPED_TRACE(bad);
        ResetErrorDialogs();
        gs->selStart = 2.0;
        EXPECT_EQ(Run({bad}), kScriptGoOn);
        EXPECT_EQ(ErrorDialogs(), 1);
        EXPECT_EQ(gs->selStart, 2.0);
    }
    g_findPeak = kept;
}

// A selected channel that names no slot is refused, not indexed.
TEST_F(GraphWords, TransformWithABrokenChannelSelectionIsRefused) {
    const uint32_t kept = gs->selectedChan;
    gs->selectedChan = 4000;
    for (const char* line : {"TRANSFORM SMOOTHING 3, MEAN", "TRANSFORM FUNCTION ABS", "TRANSFORM INTEGRATESAMPLES 5"}) {
        SCOPED_TRACE(line);
        ResetErrorDialogs();
        EXPECT_EQ(Run({line}), kScriptGoOn);
        EXPECT_EQ(ErrorDialogs(), 1);
    }
    gs->selectedChan = kept;
}

// ---- Items, presets, closing ----

TEST_F(GraphWords, PlotWordsAddDotsAndLinesToTheGraphsItems) {
    ASSERT_TRUE(gs->graphItems);
    const int before = gs->graphItems->Count();
    ASSERT_EQ(Run({"PLOTDOT 4, \"red\", 2, 1.5", "PLOTLINE 2, \"blue\", 0, 0, 9, 3"}), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
    EXPECT_EQ(gs->graphItems->Count(), before + 2);
}

// A width or size no drawing can take is cut to the largest there is, and the graph still paints.
TEST_F(GraphWords, PlotWordsCutAWidthNoDrawingCanTake) {
    ASSERT_TRUE(gs->graphItems);
    gs->graphItems->Clear();
    ASSERT_EQ(Run({"PLOTLINE 8388610, \"red\", 0, 0, 9, 3", "PLOTDOT 1E12, \"blue\", 2, 1.5"}), kScriptGoOn);
    ASSERT_EQ(gs->graphItems->Count(), 2);
    EXPECT_EQ(gs->graphItems->At(0)->pen.lopnWidth.x, kMaxItemPixels);
    EXPECT_EQ(gs->graphItems->At(1)->pen.lopnWidth.x, kMaxItemPixels);
    RedrawWindow(gs->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_FALSE(GetUpdateRect(gs->hwnd, nullptr, FALSE));
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(GraphWords, NameAppendMarkerAddsTheSegmentLabelPreset) {
    ASSERT_TRUE(gs->markerManager);
    const CPresetList& presets = gs->markerManager->settings.presets[kMarkerAppend];
    const int32_t before = presets.Last();
    ASSERT_EQ(Run({"T$ = \"Trial \" + \"B\"", "NAMEAPPENDMARKER T$"}), kScriptGoOn);
    ASSERT_EQ(presets.Last(), before + 1);
    EXPECT_STREQ(presets.At(presets.Last())->text, "Trial B");
}

// CLOSEGRAPH closes the active graph even where the lesson forbade closing and sizing windows,
// and the lesson's permissions stay as they were.
TEST_F(GraphWords, CloseGraphClosesTheActiveGraphWhateverTheWindowPermissions) {
    HWND window = gs->hwnd;
    for (ScriptPermission p : {kPermCloseWindow, kPermSizeWindow, kPermDragWindow, kPermZoomWindow})
        g_script.permissions[p] = 0;
    gs->modified = 0;
    ASSERT_EQ(Run({"CLOSEGRAPH"}), kScriptGoOn);
    PumpMessages();
    EXPECT_FALSE(IsWindow(window));
    for (ScriptPermission p : {kPermCloseWindow, kPermSizeWindow, kPermDragWindow, kPermZoomWindow})
        EXPECT_EQ(g_script.permissions[p], 0) << p;
    for (ScriptPermission p : {kPermCloseWindow, kPermSizeWindow, kPermDragWindow, kPermZoomWindow})
        g_script.permissions[p] = 1;
    gs = nullptr;
}

namespace {
// The device library's graph-closed reports, counted on their way to the library.
drvop::WithAcq g_libraryGraphClosed = nullptr;
int g_graphClosedReports = 0;
int32_t WINAPI CountGraphClosed(HGLOBAL acq) {
    ++g_graphClosedReports;
    return g_libraryGraphClosed ? g_libraryGraphClosed(acq) : 1;
}
}  // namespace

// CLOSEGRAPH with the save question on, answered Yes: the graph closes only once the lesson's
// "OnFileSave" saved it; without the subroutine, or with one that saves nothing, the graph, its
// changes and its file stay as they were. A subroutine that closes the graph itself after saving
// it closes it once.
TEST_F(GraphWords, CloseGraphAnsweredYesClosesOnlyASavedGraph) {
    const std::string file = folder + "\\small.acq";
    ASSERT_TRUE(g_app->hAcq) << "the library is told of each closed graph";
    g_libraryGraphClosed = DeviceBindingForTests().driverOps.onGraphClosed;
    DeviceBindingForTests().driverOps.onGraphClosed = CountGraphClosed;
    struct Restore {
        ~Restore() { DeviceBindingForTests().driverOps.onGraphClosed = g_libraryGraphClosed; }
    } restore;
    const struct {
        const char* what;
        const char* onFileSave;  // the lesson's subroutine, "" for none
        bool closed;
    } cases[] = {
        {"no OnFileSave", "", false},
        {"an OnFileSave that saves nothing", "OnFileSave\r\nEND\r\n", false},
        {"an OnFileSave that saves", "OnFileSave\r\nSAVE \"small.acq\", R\r\nEND\r\n", true},
        {"an OnFileSave that saves and closes", "OnFileSave\r\nSAVE \"small.acq\", R\r\nCLOSEGRAPH\r\nEND\r\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!gs) {
            ASSERT_EQ(Run({"OPEN \"small.acq\", R"}), kScriptGoOn);
            gs = g_script.graph;
            ASSERT_TRUE(gs);
        }
        const Bytes before = ReadWholeFile(file);
        HWND window = gs->hwnd;
        g_graphClosedReports = 0;
        g_script.closeCancelled = 0;
        BoxCapture boxes;
        boxes.answer = IDYES;
        ASSERT_EQ(Run({"ENABLE SAVEPROMPT", "INSERTMARKER \"changed\"", "CLOSEGRAPH"}, c.onFileSave), kScriptGoOn);
        PumpMessages();
        ASSERT_EQ(boxes.boxes.size(), 1u) << "the save question, once";
        EXPECT_EQ(boxes.boxes[0].caption, g_app->szAppTitle);
        EXPECT_EQ(IsWindow(window) == FALSE, c.closed);
        EXPECT_EQ(g_graphClosedReports, c.closed ? 1 : 0) << "the graph is closed once";
        EXPECT_EQ(g_script.closeCancelled, c.closed ? 0 : 1);
        EXPECT_EQ(ReadWholeFile(file) != before, c.closed) << "the file is written only by the save";
        if (c.closed) {
            gs = nullptr;
            continue;
        }
        ASSERT_EQ(GetWindowGraph(window), gs);
        EXPECT_EQ(gs->modified, 1u);
        const std::vector<std::string> labels = MarkerLabels();
        EXPECT_NE(std::find(labels.begin(), labels.end(), "changed"), labels.end()) << "the change stays";
    }
}

// PRINTGRAPH: the script's graph printed (here into a memory page) with the lesson's wait cursor
// off meanwhile; a printer that fails is reported with its message, and the lesson goes on.
CDibSurface* g_printPage = nullptr;
int g_printedPages = 0, g_endedDocs = 0, g_waitDuringPrint = -1;
bool g_printerFails = false;
BOOL PrintIntoMemory(PRINTDLGA* pd, DWORD* error) {
    *error = 0;
    pd->hDC = g_printPage->Dc();
    return TRUE;
}
int MemoryDoc(HDC, const DOCINFOA*) { return g_printerFails ? SP_ERROR : 1; }
int MemoryPage(HDC) {
    g_waitDuringPrint = WaitCursorDepth();
    return 1;
}
int EndMemoryPage(HDC) {
    ++g_printedPages;
    return 1;
}
int EndMemoryDoc(HDC) {
    ++g_endedDocs;
    return 1;
}
BOOL KeepMemoryDC(HDC) { return TRUE; }

TEST_F(GraphWords, PrintGraphPrintsTheScriptsGraph) {
    CDibSurface page(800, 600);
    ASSERT_TRUE(page.Ok());
    g_printPage = &page;
    const stPrintDevice device{PrintIntoMemory, nullptr, MemoryDoc, MemoryPage, EndMemoryPage, EndMemoryDoc, nullptr,
                               KeepMemoryDC, nullptr};
    SetPrintDevice(&device);
    SetPrintOptions(1, 2);
    struct Case {
        bool fails, waitCursor;
        int pages, docs;
        size_t boxes;
    } cases[] = {{false, false, 2, 1, 0}, {false, true, 2, 1, 0}, {true, true, 0, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fails " << c.fails << " wait cursor " << c.waitCursor);
        g_printerFails = c.fails;
        g_printedPages = g_endedDocs = 0;
        g_waitDuringPrint = -1;
        BoxCapture boxes;
        boxes.caption = "Norvane Tessaly";
        AssignScriptNumericVariable(nullptr, "Z", 0.0);
        const uint16_t waitBefore = WaitCursorDepth();
        EXPECT_EQ(Run({"PRINTGRAPH", "Z = 1"}, "", c.waitCursor ? 1 : 0), kScriptGoOn);
        EXPECT_EQ(ErrorDialogs(), 0);
        EXPECT_EQ(Var('Z'), 1.0);
        EXPECT_EQ(g_printedPages, c.pages);
        EXPECT_EQ(g_endedDocs, c.docs);
        ASSERT_EQ(boxes.boxes.size(), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(boxes.boxes[0].text, std::string("Cannot print ") + gs->title + "!");
        }
        // Printing counts one wait cursor of its own; the lesson's is off meanwhile.
        if (c.pages) {
            EXPECT_EQ(g_waitDuringPrint, waitBefore + 1);
        }
        EXPECT_EQ(WaitCursorDepth(), waitBefore);
    }
    EXPECT_GT(page.CountNotWhite(), 1000) << "nothing was drawn on the page";
    SetPrintDevice(nullptr);
    SetPrintOptions(1, 1);
    g_printPage = nullptr;
}

TEST_F(GraphWords, ClipboardWaveDataIsTheSelectedSamplesAsText) {
    ASSERT_EQ(Run({"CLIPBOARD COPYWAVEDATA"}), kScriptGoOn);
    const std::string once = ClipboardText();
    ASSERT_FALSE(once.empty());
    EXPECT_NE(once.find('3'), std::string::npos) << once;
    ASSERT_EQ(Run({"CLIPBOARD APPENDWAVEDATA"}), kScriptGoOn);
    // The rows again after what was there, without the label line.
    const std::string rows = once.substr(once.find("\r\n") + 2);
    const std::string both = ClipboardText();
    ASSERT_EQ(both.rfind(once, 0), 0u) << both;
    EXPECT_NE(both.find(rows, once.size()), std::string::npos) << both;
    EXPECT_EQ(both.find("Force", once.size()), std::string::npos) << both;
    EXPECT_EQ(ErrorDialogs(), 0);
}

// ---- The journal's pane ----

TEST_F(GraphWords, JournalPaneWordsShowPlaceAndFillIt) {
    ASSERT_EQ(Run({"JOURNAL NEW", "JOURNAL CLOSE"}), kScriptGoOn);
    EXPECT_EQ(gs->journalShown, 0u);
    ASSERT_EQ(Run({"JOURNAL NEW", "JOURNAL POSITION 0, 100, 300, 180", "JOURNAL TABSIZE 0.5"}), kScriptGoOn);
    EXPECT_EQ(gs->journalHeight, 80);
    EXPECT_EQ(gs->journalShown, 1u);
    ASSERT_EQ(Run({"JOURNAL PASTEWAVEDATA"}), kScriptGoOn);
    const std::string waves = JournalText();
    EXPECT_NE(waves.find('3'), std::string::npos) << waves;
    ASSERT_EQ(Run({"JOURNAL NEW", "JOURNAL PASTEMEASUREMENTS", "JOURNAL UPDATE"}), kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
}

// Showing or hiding the journal, by a word or by the Display menu, leaves its caret where it
// was: what is written next follows what was written before.
TEST_F(GraphWords, ShowingOrHidingTheJournalKeepsItsCaret) {
    const std::vector<std::vector<std::string>> toggles = {
        {"JOURNAL CLOSE"},                    // hidden: the next write shows it again
        {"HIDE JOURNAL", "SHOW JOURNAL"},
        {"SHOW JOURNAL"},                     // shown again while shown
        {"JOURNAL TABSIZE 0.75"},             // the tab stops are set the same way
        {"menu", "menu"},                     // Display > Show > Journal twice
    };
    for (const auto& lines : toggles) {
        SCOPED_TRACE(lines.front());
        ASSERT_EQ(Run({"JOURNAL NEW", "JOURNAL WRITE \"first\\r\""}), kScriptGoOn);
        std::vector<std::string> words;
        for (const std::string& line : lines) {
            if (line == "menu") {
                SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_SHOW_JOURNAL, 0);
                PumpMessages();
            } else {
                words.push_back(line);
            }
        }
        if (!words.empty()) {
            ASSERT_EQ(Run(words), kScriptGoOn);
        }
        ASSERT_EQ(Run({"JOURNAL WRITE \"second\""}), kScriptGoOn);
        EXPECT_EQ(JournalText(), "first\r\nsecond");
    }
    EXPECT_EQ(ErrorDialogs(), 0);
}

// The row starts right of the rightmost standard button that is shown (RECENT, which has no
// button, keeps its room up to 420).
TEST_F(LessonButtons, TheRowStartsAfterTheShownStandardButtons) {
    g_script.lessonButtonMode = 0;
    struct {
        std::vector<const char*> shown;
        int left;
    } const cases[] = {
        {{}, 14}, {{"XYMODE"}, 90}, {{"XYMODE", "HCENTER"}, 226}, {{"FINDNEXTPEAK"}, 284}, {{"RECENT", "XYMODE"}, 430},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.left);
        HideScriptToolbarButtons();
        for (const char* name : c.shown) ASSERT_EQ(SetScriptToolbarButton(name, 1), 1) << name;
        ASSERT_EQ(Run({"REMOVEALLBUTTONS", "CREATEBUTTON \"Go\", \"Pressed\", V"}, subs), kScriptGoOn);
        HWND go = GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST);
        ASSERT_TRUE(go);
        EXPECT_EQ(Place(go).left, c.left);
    }
    HideScriptToolbarButtons();
}

// A lesson that starts with every button shown and hides some groups puts its buttons where no
// two shown buttons overlap.
TEST_F(LessonButtons, NoTwoShownButtonsOverlapWhateverGroupsTheLessonHides) {
    g_script.lessonButtonMode = 0;
    const std::vector<std::vector<const char*>> cases = {
        {},
        {"RECENT"},
        {"PEAKGROUP", "FILEGROUP"},
        {"PEAKGROUP", "FILEGROUP", "AUTOSCALEGROUP"},
        {"MODEGROUP"},
        {"AUTOSCALEGROUP"},
        {"MODEGROUP", "AUTOSCALEGROUP", "PEAKGROUP", "FILEGROUP"},
    };
    for (const auto& hidden : cases) {
        std::string trace = "hidden:";
        for (const char* group : hidden) trace += std::string(" ") + group;
        SCOPED_TRACE(trace);
        HideScriptToolbarButtons();
        ShowAllToolbarButtons();
        std::vector<std::string> lines;
        for (const char* group : hidden) lines.push_back(std::string("HIDE TOOLBARBUTTON ") + group);
        lines.push_back("REMOVEALLBUTTONS");
        for (const char* caption : {"One", "Two", "Three", "Four"})
            lines.push_back(std::string("CREATEBUTTON \"") + caption + "\", \"Pressed\", V");
        ASSERT_EQ(Run(lines, subs), kScriptGoOn);
        EXPECT_EQ(ErrorDialogs(), 0);
        ASSERT_EQ(Buttons().size(), 4u);
        std::vector<HWND> shown;
        for (HWND b : ToolbarChildren())
            if (IsWindowVisible(b)) shown.push_back(b);
        for (size_t i = 0; i < shown.size(); ++i)
            for (size_t j = i + 1; j < shown.size(); ++j) {
                const RECT a = Place(shown[i]), b = Place(shown[j]);
                RECT overlap{};
                EXPECT_FALSE(IntersectRect(&overlap, &a, &b))
                    << Text(shown[i]) << " (" << GetDlgCtrlID(shown[i]) << ") and " << Text(shown[j]) << " ("
                    << GetDlgCtrlID(shown[j]) << ")";
            }
    }
    ASSERT_EQ(Run({"REMOVEALLBUTTONS"}), kScriptGoOn);
    HideScriptToolbarButtons();
}

// A lesson starts with every standard button shown and marked shown: its row of buttons then
// starts past all of them and covers none, and the tool buttons under the mode buttons, which
// are never shown, stay hidden.
TEST_F(LessonButtons, ALessonsButtonsStandClearOfTheStandardButtonsItStartsWith) {
    g_script.lessonButtonMode = 0;
    HideScriptToolbarButtons();
    ShowAllToolbarButtons();
    for (const char* name : {"SCOPEMODE", "CHARTMODE", "XYMODE", "VAUTOSCALE", "OPTRANGE", "HAUTOSCALE", "VCENTER",
                             "HCENTER", "FINDPEAK", "FINDNEXTPEAK", "GRID", "MARKER", "MEASUREMENTS", "CHANNELS",
                             "JOURNAL", "RECENT"})
        EXPECT_EQ(GetScriptToolbarButton(name), 1) << name;
    for (UINT id : {IDM_SHOW_SCOPE, IDM_SHOW_XY, IDM_SHOW_JOURNAL, IDM_SEGMENT_VIEW}) {
        ASSERT_TRUE(ToolbarButton(id)) << id;
        EXPECT_TRUE(IsWindowVisible(ToolbarButton(id))) << id;
    }
    for (UINT id : {IDM_TOOL_ARROW, IDM_TOOL_SELECTION, IDM_TOOL_ZOOM}) {
        ASSERT_TRUE(ToolbarButton(id)) << id;
        EXPECT_FALSE(IsWindowVisible(ToolbarButton(id))) << id << " lies under a mode button";
    }
    ASSERT_EQ(Run({"REMOVEALLBUTTONS", "CREATEBUTTON \"Measure\", \"Pressed\", V"}, subs), kScriptGoOn);
    HWND measure = GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST);
    ASSERT_TRUE(measure);
    const RECT at = Place(measure);
    EXPECT_EQ(at.left, 430);
    for (HWND b : ToolbarChildren()) {
        if (b == measure || !IsWindowVisible(b)) continue;
        RECT other = Place(b), overlap{};
        EXPECT_FALSE(IntersectRect(&overlap, &at, &other)) << "covers the button " << GetDlgCtrlID(b);
    }
    HideScriptToolbarButtons();
}

// ENABLE and DISABLE USERBUTTON find a lesson button by its caption, ignoring case, whether it
// shows that caption as text or took its picture by it; a caption no button has fails.
TEST_F(LessonButtons, EnableAndDisableUserButtonFindTheButtonByItsCaption) {
    for (int pictures : {0, 1}) {
        SCOPED_TRACE(pictures ? "bitmap buttons" : "text buttons");
        g_script.lessonButtonMode = pictures;
        const std::vector<std::string> make = {"REMOVEALLBUTTONS", "CREATEBUTTON \"Go\", \"Pressed\", V",
                                               "CREATEBUTTON \"Stop\", \"Other\", V"};
        ASSERT_EQ(Run(make, subs), kScriptGoOn);
        HWND go = GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST);
        HWND stop = GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST + 1);
        ASSERT_TRUE(go && stop);
        ResetErrorDialogs();
        ASSERT_EQ(Run({"DISABLE USERBUTTON \"go\""}, subs), kScriptGoOn);
        EXPECT_FALSE(IsWindowEnabled(go));
        EXPECT_TRUE(IsWindowEnabled(stop));
        ASSERT_EQ(Run({"ENABLE USERBUTTON \"GO\""}, subs), kScriptGoOn);
        EXPECT_TRUE(IsWindowEnabled(go));
        EXPECT_EQ(ErrorDialogs(), 0);
        Run({"DISABLE USERBUTTON \"Nobody\""}, subs);
        EXPECT_EQ(ErrorDialogs(), 1);
        EXPECT_TRUE(IsWindowEnabled(go) && IsWindowEnabled(stop));
    }
    g_script.lessonButtonMode = 0;
}

// In bitmap mode a button is 80 pixels wide and is found by the caption it took its picture by.
TEST_F(LessonButtons, BitmapButtonsHaveTheirWidthAndAreFoundByTheirCaption) {
    g_script.lessonButtonMode = 1;
    ASSERT_EQ(Run({"REMOVEALLBUTTONS", "CREATEBUTTON \"Go\", \"Pressed\", V", "CREATEBUTTON \"Stop\", \"Other\", V"}, subs),
              kScriptGoOn);
    g_script.lessonButtonMode = 0;
    const std::vector<HWND> buttons = Buttons();
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(Place(buttons[0]).right - Place(buttons[0]).left, 80);
    EXPECT_EQ(Place(buttons[1]).left, Place(buttons[0]).right + 10);
    ASSERT_EQ(Run({"REMOVEBUTTON \"GO\""}, subs), kScriptGoOn);
    EXPECT_EQ(Buttons().size(), 1u);
    EXPECT_FALSE(GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST));
    EXPECT_EQ(ErrorDialogs(), 0);
}
