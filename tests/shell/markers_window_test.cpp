// Markers in the running program over a simulated unit of the test's own: append markers at the
// start of every recording, key markers set with function keys while it records, the marker
// bar's step buttons and label box, its two painted rows, segment view, erasing segments, and
// the markers' travel through a saved and reopened graph file.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "graph/window/graph_window.h"
#include "shell_fixture.h"
#include "tests/shell/unit_program_fixture.h"
#include "tests/shell/box_capture.h"
#include "tests/documents/acq_builder.h"
#include "base/app.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"
#include "devlib/tests/run_settings.h"
#include "documents/documents_api.h"
#include "documents/markers/markers.h"
#include "graph/document/graph_doc.h"
#include "graph/files/file_open.h"
#include "graph/files/file_save.h"
#include "graph/render/waveforms.h"
#include "shell/startup.h"
#include "controls/tests/render_test_support.h"
#include "controls/tests/text_fit.h"

namespace {

std::string g_graphName;
BOOL GraphSaveAnswer(OPENFILENAMEA* ofn) {
    lstrcpynA(ofn->lpstrFile, g_graphName.c_str(), ofn->nMaxFile);
    if (ofn->lpstrFileTitle) ofn->lpstrFileTitle[0] = 0;
    ofn->nFilterIndex = 1;
    return TRUE;
}

std::string Text(HWND w) {
    char text[256] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

class MarkerWindows : public ProgramWithUnit {
protected:
    void SetUp() override {
        Boot("markers", true);
        graph = first;
    }
    void TearDown() override {
        if (reopened) reopened->modified = 0;
        ProgramWithUnit::TearDown();
    }

    // A host-paced run of length 1 ms frames into memory, new (1) or appended (3).
    static void SetUpRun(int16_t dataMode, int32_t length) {
        AcqLock acq(g_app->hAcq);
        vk40test::SetUpRun(acq.get(), kStorageMemory, 1.0, length, dataMode);
        acq->warnOnOverwrite = 0;
    }
    void RunToEnd() { ProgramWithUnit::RunToEnd(50); }
    // A function key pressed over the graph window, through the program's message loop.
    static void Key(WPARAM vk) {
        PostMessageA(g_app->hwndActiveGraph, WM_KEYDOWN, vk, 1);
        PostMessageA(g_app->hwndActiveGraph, WM_KEYUP, vk, 0xC0000001);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchLoopMessage(msg);
    }
    static void Click(HWND button) {
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        PumpMessages();
    }
    static void Command(UINT id) {
        SendMessageA(g_app->hwndFrame, WM_COMMAND, id, 0);
        PumpMessages();
    }
    // Position, type and label of every marker in list order.
    static std::vector<std::string> Nodes(const tagGS* g) {
        std::vector<std::string> out;
        for (stMarkerNode* n = g->markers ? g->markers->first : nullptr; n; n = n->next)
            out.push_back(std::to_string(n->position) + " t" + std::to_string(n->marker->type) + " #" +
                          std::to_string(n->marker->number) + " " + n->label);
        return out;
    }
    static std::string CurrentLabel(const tagGS* g) {
        return g->markers && g->markers->current ? g->markers->current->label : "(none)";
    }

    // Two recordings: key markers F9 and F2 in the first (F3 has no preset), the second appended.
    void RecordTwoSegments(uint32_t* f9At, uint32_t* f2At) {
        ASSERT_TRUE(gs->markerManager);
        AddMarkerLabelPreset(gs->markerManager, kMarkerFixed, "Drug", IDM_MARKER_KEY_FIRST);
        SetUpRun(1, 300);
        Press();
        ASSERT_EQ(Running(), 1);
        Advance(100);
        *f9At = gs->chanCount[1];
        Key(VK_F9);
        Advance(50);
        *f2At = gs->chanCount[1];
        Key(VK_F2);
        Key(VK_F3);
        RunToEnd();
        SetUpRun(3, 300);
        Press();
        RunToEnd();
        ASSERT_EQ(gs->chanCount[1], 600u);
    }

    HWND graph = nullptr;
    tagGS* reopened = nullptr;
};

TEST_F(MarkerWindows, RecordingsStartSegmentsAndFunctionKeysSetMarkersOnlyWhileRecording) {
    uint32_t f9 = 0, f2 = 0;
    RecordTwoSegments(&f9, &f2);
    ASSERT_GT(f9, 0u);
    ASSERT_GT(f2, f9);
    EXPECT_EQ(Nodes(gs), (std::vector<std::string>{"0 t3 #1 Segment 1", std::to_string(f9) + " t0 #1 ",
                                                   std::to_string(f2) + " t1 #1 Drug", "300 t3 #2 Segment 2"}));
    // The newest segment is the active one, and its marker current with its label in the box.
    EXPECT_EQ(GetActiveSegmentMarker(gs->markerManager)->position, 300u);
    EXPECT_EQ(CurrentLabel(gs), "Segment 2");
    EXPECT_EQ(Text(gs->markerLabelEdit).rfind("Segment 2", 0), 0u) << Text(gs->markerLabelEdit);
    // No recording: the keys set nothing.
    Key(VK_F9);
    Key(VK_F2);
    EXPECT_EQ(GetMarkerCount(gs), 4u);
    // A new recording over the graph starts its markers afresh.
    SetUpRun(1, 200);
    Press();
    RunToEnd();
    EXPECT_EQ(Nodes(gs), (std::vector<std::string>{"0 t3 #1 Segment 1"}));
}

TEST_F(MarkerWindows, TheStepButtonsWalkTheMarkersAndTheLabelBoxRenamesTheCurrentOne) {
    uint32_t f9 = 0, f2 = 0;
    RecordTwoSegments(&f9, &f2);
    HWND prev = gs->segPrevButton, next = gs->segNextButton;
    ASSERT_EQ(GetDlgCtrlID(prev), IDC_MARKER_PREVIOUS);
    ASSERT_EQ(GetDlgCtrlID(next), IDC_MARKER_NEXT);
    struct Step {
        HWND button;
        const char* current;
        bool prevOn, nextOn;
    } steps[] = {
        {prev, "Drug", true, true},
        {prev, "", true, true},
        {prev, "Segment 1", false, true},
        {next, "", true, true},
        {next, "Drug", true, true},
        {next, "Segment 2", true, false},
    };
    for (const Step& s : steps) {
        Click(s.button);
        EXPECT_EQ(CurrentLabel(gs), s.current);
        EXPECT_EQ(IsWindowEnabled(prev) != 0, s.prevOn) << s.current;
        EXPECT_EQ(IsWindowEnabled(next) != 0, s.nextOn) << s.current;
        EXPECT_TRUE(IsWindowEnabled(gs->markerLabelEdit)) << s.current;
    }
    // The fixed marker's box shows its label and, its type being stamped, the insertion time.
    Click(prev);
    EXPECT_EQ(Text(gs->markerLabelEdit).rfind("Drug, ", 0), 0u) << Text(gs->markerLabelEdit);
    // Typing into the box renames the current marker and fixes its label.
    SetFocus(gs->markerLabelEdit);
    SendMessageA(gs->markerLabelEdit, EM_SETSEL, 0, -1);
    for (char c : std::string("Saline")) SendMessageA(gs->markerLabelEdit, WM_CHAR, static_cast<unsigned char>(c), 1);
    PumpMessages();
    EXPECT_EQ(CurrentLabel(gs), "Saline");
    EXPECT_EQ(gs->markers->current->marker->fixedLabel, 1);
    EXPECT_EQ(gs->modified, 1u);
}

TEST_F(MarkerWindows, MarkersTravelThroughASavedAndReopenedGraphUnchanged) {
    uint32_t f9 = 0, f2 = 0;
    RecordTwoSegments(&f9, &f2);
    TempFolder folder("kymora-markers");
    const std::string path = folder.File("marked.acq");
    g_graphName = path;
    SetFileDialogProcs(nullptr, GraphSaveAnswer);
    ASSERT_EQ(SaveDocumentAs(gs, 0, 0, nullptr, path.c_str(), nullptr), 1);
    const Bytes saved = ReadWholeFile(path);
    const std::string copy = folder.File("copy.acq");
    ASSERT_TRUE(WriteWholeFile(copy, saved));
    ASSERT_EQ(OpenGraphFile(copy.c_str()), 1);
    reopened = GetWindowGraph(g_app->hwndActiveGraph);
    ASSERT_TRUE(reopened);
    ASSERT_NE(reopened, gs);
    EXPECT_EQ(Nodes(reopened), Nodes(gs));
    for (stMarkerNode *a = gs->markers->first, *b = reopened->markers->first; a && b; a = a->next, b = b->next) {
        EXPECT_EQ(a->marker->active, b->marker->active) << a->label;
        EXPECT_EQ(a->marker->stamp.wMinute, b->marker->stamp.wMinute) << a->label;
        EXPECT_EQ(a->marker->stamp.wSecond, b->marker->stamp.wSecond) << a->label;
    }
    // The preset of F2 came along, and saving again gives the same file.
    ASSERT_EQ(reopened->markerManager->settings.presets[kMarkerFixed].Last(), 0);
    EXPECT_STREQ(reopened->markerManager->settings.presets[kMarkerFixed].At(0)->text, "Drug");
    const std::string again = folder.File("again.acq");
    g_graphName = again;
    ASSERT_EQ(SaveDocumentAs(reopened, 0, 0, nullptr, again.c_str(), nullptr), 1);
    SetFileDialogProcs(nullptr, nullptr);
    EXPECT_EQ(ReadWholeFile(again), saved);
}

// The pixels of a bitmap resource of the program, by name.
std::vector<uint32_t> ImagePixels(const char* name, int* width) {
    HBITMAP bmp = LoadBitmapA(g_app->hInstance, name);
    const stBitmapPixels read = BitmapPixels(bmp);
    if (bmp) DeleteObject(bmp);
    *width = read.width;
    return read.pixels;
}

TEST_F(MarkerWindows, BothRowsPaintEachMarkerTypeWithItsImageWhereItsTimeIs) {
    uint32_t f9 = 0, f2 = 0;
    RecordTwoSegments(&f9, &f2);
    // A placed marker beside them, and the whole recording in view.
    InsertMarker(gs, 500 * gs->sampleInterval, 1, "placed", kMarkerPlaced);
    gs->hStart = 0.0;
    gs->hPerDiv = 600.0 / gs->hDivisions;
    RECT client;
    GetClientRect(graph, &client);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(dib);
    HGDIOBJ old = SelectObject(mem, dib);
    PatBlt(mem, 0, 0, client.right, client.bottom, WHITENESS);
    PaintMarkerBar(mem, gs);
    auto at = [&](int x, int y) { return static_cast<uint32_t*>(bits)[y * client.right + x] & 0xFFFFFF; };
    // The current marker (the placed one) is drawn open, every other one shut.
    struct Case {
        uint32_t position;
        const char* image;
        bool upper;
    } cases[] = {{0, "MARK_APPEND0", true},  {f9, "MARK0", false},      {f2, "MARK0", false},
                 {300, "MARK_APPEND0", true}, {500, "MARK_POST", false}};
    const int top = gs->markerBarRect.top, bottom = gs->markerBarRect.bottom;
    for (const Case& c : cases) {
        int w = 0;
        const std::vector<uint32_t> image = ImagePixels(c.image, &w);
        ASSERT_EQ(w, 9) << c.image;
        const int x = static_cast<int>(GraphTimeToX(gs, c.position * gs->sampleInterval)) - 4;
        const int y = c.upper ? top + 2 : bottom - 9;
        for (int dy = 0; dy < 9; ++dy)
            for (int dx = 0; dx < 9; ++dx)
                ASSERT_EQ(at(x + dx, y + dy), image[dy * 9 + dx] & 0xFFFFFF)
                    << c.image << " at " << c.position << " pixel " << dx << "," << dy;
        // The other row stays background where this marker stands.
        const int other = c.upper ? bottom - 5 : top + 5;
        EXPECT_EQ(at(x + 4, other), GetSysColor(COLOR_BTNFACE) & 0xFFFFFF) << c.image;
    }
    // Scrolled past the first segment, its markers are no longer drawn.
    gs->hStart = 350.0;
    PatBlt(mem, 0, 0, client.right, client.bottom, WHITENESS);
    PaintMarkerBar(mem, gs);
    const int x0 = gs->plotRect.left;
    for (int dx = -4; dx <= 4; ++dx) EXPECT_EQ(at(x0 + dx, top + 2), GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
}

TEST_F(MarkerWindows, SegmentViewShowsOneSegmentAtATimeAndErasingTakesTheLastSegment) {
    uint32_t f9 = 0, f2 = 0;
    RecordTwoSegments(&f9, &f2);
    Command(IDM_SEGMENT_VIEW);
    ASSERT_EQ(gs->markerManager->segmentView, 1u);
    uint32_t first = 0, end = 0;
    ASSERT_EQ(GetActiveSegmentSampleRange(gs, &first, &end), 1);
    EXPECT_EQ(first, 300u);
    EXPECT_EQ(end, 600u);
    EXPECT_DOUBLE_EQ(gs->hStart, 300 * gs->sampleInterval);
    // Stepping back to an event marker of the first segment moves the view to that segment.
    Click(gs->segPrevButton);
    EXPECT_EQ(CurrentLabel(gs), "Drug");
    ASSERT_EQ(GetActiveSegmentSampleRange(gs, &first, &end), 1);
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(end, 299u);
    EXPECT_DOUBLE_EQ(gs->hStart, 0.0);
    EXPECT_GE(gs->selStart, f2 * gs->sampleInterval);
    EXPECT_LE(gs->selEnd, 299 * gs->sampleInterval);
    // Erasing takes the last segment's append marker; erasing the one at 0 leaves segment view.
    Command(IDM_ERASE_SEGMENT);
    EXPECT_EQ(CountMarkersOfType(gs, kMarkerAppend), 1);
    EXPECT_EQ(LastSegmentMarker(gs->markerManager)->position, 0u);
    Command(IDM_ERASE_SEGMENT);
    EXPECT_EQ(CountMarkersOfType(gs, kMarkerAppend), 0);
    EXPECT_EQ(gs->markerManager->segmentView, 0u);
}

// Holds the Ctrl key down for this thread's GetKeyState while it lives.
struct CtrlDown {
    CtrlDown() {
        GetKeyboardState(keys);
        BYTE down[256];
        memcpy(down, keys, sizeof down);
        down[VK_CONTROL] = 0x80;
        SetKeyboardState(down);
    }
    ~CtrlDown() { SetKeyboardState(keys); }
    BYTE keys[256];
};

TEST_F(MarkerWindows, ErasingAsksFirstWhileTheAcquisitionRecordWantsConfirmation) {
    uint32_t f9 = 0, f2 = 0;
    RecordTwoSegments(&f9, &f2);
    {
        AcqLock acq(g_app->hAcq);
        acq->confirmErase = 1;
    }
    const std::string lastQuestion = "Are you sure you want to erase the last recording segment?";
    const std::string allQuestion = "Are you sure you want to erase all data?";
    struct Case {
        bool ctrl;
        UINT answer;
        std::string question;
        int appendsLeft;
    } cases[] = {
        {false, IDNO, lastQuestion, 2},
        {true, IDNO, allQuestion, 2},
        {false, IDYES, lastQuestion, 1},
        {true, IDYES, allQuestion, 0},
    };
    for (const Case& c : cases) {
        BoxCapture boxes;
        boxes.answer = c.answer;
        if (c.ctrl) {
            CtrlDown ctrl;
            Command(IDM_ERASE_SEGMENT);
        } else {
            Command(IDM_ERASE_SEGMENT);
        }
        // Erasing everything asks once, not again for each segment.
        ASSERT_EQ(boxes.boxes.size(), 1u) << c.question;
        EXPECT_EQ(boxes.boxes[0].text, c.question);
        EXPECT_EQ(CountMarkersOfType(gs, kMarkerAppend), c.appendsLeft) << c.question;
    }
    EXPECT_EQ(gs->chanCount[1], 0u);
    AcqLock acq(g_app->hAcq);
    EXPECT_EQ(acq->confirmErase, 1) << "the flag is restored after erasing all data";
}

TEST_F(MarkerWindows, ErasingAsksNothingWithoutTheConfirmationFlag) {
    uint32_t f9 = 0, f2 = 0;
    RecordTwoSegments(&f9, &f2);
    BoxCapture boxes;
    Command(IDM_ERASE_SEGMENT);
    EXPECT_EQ(CountMarkersOfType(gs, kMarkerAppend), 1);
    EXPECT_EQ(gs->chanCount[1], 300u);
    {
        CtrlDown ctrl;
        Command(IDM_ERASE_SEGMENT);
    }
    EXPECT_EQ(CountMarkersOfType(gs, kMarkerAppend), 0);
    EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace

namespace {

// Two segments with three event markers, one of each type, without time stamps.
void MarkSummaryDocument(tagGS* gs) {
    gs->sampleInterval = 1.0;
    gs->totalSamples = gs->chanCount[0] = 500;
    for (uint32_t& on : gs->markerManager->settings.timeStamp) on = 0;
    InsertMarker(gs, 0.0, 1, "", kMarkerAppend);
    InsertMarker(gs, 100.0, 1, "beta", kMarkerSequential);
    InsertMarker(gs, 200.0, 1, "", kMarkerPlaced);
    InsertMarker(gs, 300.0, 1, "", kMarkerAppend);
    InsertMarker(gs, 400.0, 1, "Alpha", kMarkerFixed);
}

TEST_F(MarkerWindows, SummariesWriteTheirTablesIntoTheJournal) {
    ASSERT_TRUE(gs->journalWnd);
    if (!gs->journalShown) Command(IDM_SHOW_JOURNAL);
    HWND journal = GetJournalHwnd(gs->journalWnd);
    ASSERT_TRUE(journal);
    MarkSummaryDocument(gs);
    const std::string columns = "Marker Index:\tTime(sec.):\tLabel:\r\n";
    const std::string seg1 = "Segment 1:\t0.0000\tSegment 1\r\n", seg2 = "Segment 2:\t0.3000\tSegment 2\r\n";
    const std::string ev1 = "Event 1:\t0.1000\tbeta\r\n", ev2 = "Event 2:\t0.2000\tNO label\r\n",
                      ev3 = "Event 3:\t0.4000\tAlpha\r\n";
    struct Case {
        const char* what;
        UINT id;
        uint32_t separate, header, sortBy;
        std::string text;
    } cases[] = {
        {"all, separate tables: the append markers' first", IDM_MARKER_SUMMARY_ALL, 1, 1, 0,
         "Markers Summary:\r\nAppend Markers:\r\n" + columns + seg1 + seg2 + "Event Markers:\r\n" + columns + ev1 +
             ev2 + ev3},
        {"all in one table, in list order", IDM_MARKER_SUMMARY_ALL, 0, 1, 0,
         "Markers Summary:\r\n" + columns + seg1 + ev1 + ev2 + seg2 + ev3},
        {"events by label, case ignored, no headings", IDM_MARKER_SUMMARY_EVENTS, 1, 0, 1, ev2 + ev3 + ev1},
        {"append markers", IDM_MARKER_SUMMARY_APPENDS, 1, 1, 0,
         "Markers Summary:\r\nAppend Markers:\r\n" + columns + seg1 + seg2},
    };
    for (const Case& c : cases) {
        SetWindowTextA(journal, "");
        MarkerTypeSettings& s = gs->markerManager->settings;
        s.separateSummaries = c.separate;
        s.includeHeader = c.header;
        s.sortBy = c.sortBy;
        Command(c.id);
        char text[2048] = "";
        GetWindowTextA(journal, text, sizeof text);
        EXPECT_EQ(std::string(text), c.text) << c.what;
        // Afterwards each event type is numbered on its own again.
        EXPECT_EQ(Nodes(gs), (std::vector<std::string>{"0 t3 #1 Segment 1", "100 t0 #1 beta", "200 t2 #1 ",
                                                       "300 t3 #2 Segment 2", "400 t1 #1 Alpha"}))
            << c.what;
    }
}

}  // namespace

namespace {

// Five markers: four labelled, one without a label; the first one current.
void MarkSearchDocument(tagGS* gs) {
    gs->sampleInterval = 1.0;
    gs->totalSamples = gs->chanCount[0] = 500;
    for (uint32_t& on : gs->markerManager->settings.timeStamp) on = 0;
    const char* labels[] = {"Rest", "Drug A", "", "rest again", "drug B"};
    for (int i = 0; i < 5; ++i) InsertMarker(gs, 100.0 * i, 1, labels[i], kMarkerSequential);
    SelectMarker(gs, gs->markers->first, 0);
}

TEST_F(MarkerWindows, FindSearchesTheLabelsAndAsksBeforeWrappingToTheFirstMarker) {
    MarkSearchDocument(gs);
    Command(IDM_MARKER_FIND);
    HWND find = g_app->find.hwnd;
    ASSERT_TRUE(find && IsWindow(find));
    // A second Find while one is open opens nothing more.
    Command(IDM_MARKER_FIND);
    EXPECT_EQ(g_app->find.hwnd, find);
    BoxCapture boxes;
    struct Step {
        const char* text;
        UINT answer;
        const char* current;
        const char* box;  // the message the step shows, or empty
    } steps[] = {
        {"DRUG", IDOK, "Drug A", ""},
        {"DRUG", IDOK, "drug B", ""},
        {"DRUG", IDOK, "drug B", "Wavemind reached the last marker."},
        {"DRUG", IDYES, "Drug A", "Wavemind has reached the end of the markers."},
        {"rest", IDNO, "rest again", ""},
        {"rest", IDNO, "rest again", "Wavemind has reached the end of the markers."},
        // Wrapped to the first marker, which stays current when the text is nowhere.
        {"zzz", IDYES, "Rest", "Wavemind has reached the end of the markers."},
    };
    for (const Step& s : steps) {
        boxes.boxes.clear();
        boxes.answer = s.answer;
        SetDlgItemTextA(find, 0x480, s.text);  // the dialog's text box
        SendMessageA(find, WM_COMMAND, IDOK, 0);
        PumpMessages();
        EXPECT_EQ(CurrentLabel(gs), s.current) << s.text;
        std::string shown;
        for (const auto& b : boxes.boxes) shown += b.text;
        EXPECT_EQ(shown.rfind(s.box, 0), 0u) << s.text << ": " << shown;
        if (std::string(s.box).empty()) {
            EXPECT_EQ(shown, "") << s.text;
        }
    }
    EXPECT_NE(boxes.boxes.back().text.find("The search text is not found."), std::string::npos);
    // The found text is selected in the label box.
    DWORD from = 0, to = 0;
    boxes.answer = IDOK;
    SetDlgItemTextA(find, 0x480, "AGAIN");
    SendMessageA(find, WM_COMMAND, IDOK, 0);
    SendMessageA(gs->markerLabelEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 5u);
    EXPECT_EQ(to, 10u);
    // Closing the dialog forgets it.
    SendMessageA(find, WM_COMMAND, IDCANCEL, 0);
    PumpMessages();
    EXPECT_EQ(g_app->find.hwnd, nullptr);
}

// The Select Marker dialog as the user meets it: what it lists, then a line chosen (or none).
struct ChooseAnswer {
    int line = 0;         // -1: no line chosen
    bool doubleClick = false;
    UINT button = IDOK;
    std::vector<std::string> listed;
    std::vector<std::string> boxes;
    std::vector<HWND> seen;  // a window activated again is still the one window
} g_choose;
HHOOK g_chooseHook = nullptr;

LRESULT CALLBACK ChooseHook(int code, WPARAM wParam, LPARAM lParam) {
    HWND w = reinterpret_cast<HWND>(wParam);
    char cls[16] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (code == HCBT_ACTIVATE && GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() &&
        std::string(cls) == "#32770" && std::find(g_choose.seen.begin(), g_choose.seen.end(), w) == g_choose.seen.end()) {
        g_choose.seen.push_back(w);
        char caption[64] = "";
        GetWindowTextA(w, caption, sizeof caption);
        if (std::string(caption) == "Select Marker") {
            HWND list = GetDlgItem(w, IDC_SELECT_MARKER_LIST);
            const int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
            for (int i = 0; i < n; ++i) {
                char line[160] = "";
                SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
                g_choose.listed.push_back(line);
            }
            g_choose.listed.push_back(SendMessageA(list, LB_GETCURSEL, 0, 0) == 0 ? "(first selected)" : "");
            SendMessageA(list, LB_SETCURSEL, g_choose.line, 0);
            if (g_choose.doubleClick)
                PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_SELECT_MARKER_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
            else
                PostMessageA(w, WM_COMMAND, g_choose.button, 0);
        } else {
            char text[256] = "";
            GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
            g_choose.boxes.push_back(text);
            PostMessageA(w, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(g_chooseHook, code, wParam, lParam);
}

TEST_F(MarkerWindows, SelectMarkerListsEveryLabelAndSelectsTheChosenOne) {
    MarkSearchDocument(gs);
    struct Case {
        int line;
        bool doubleClick;
        UINT button;
        const char* current;
        const char* box;
    } cases[] = {
        {3, false, IDOK, "rest again", ""},
        {1, true, IDOK, "Drug A", ""},
        {4, false, IDCANCEL, "Drug A", ""},
        {-1, false, IDOK, "Drug A", "No valid marker selected."},
    };
    g_chooseHook = SetWindowsHookExA(WH_CBT, ChooseHook, nullptr, GetCurrentThreadId());
    for (const Case& c : cases) {
        g_choose = ChooseAnswer{};
        g_choose.line = c.line;
        g_choose.doubleClick = c.doubleClick;
        g_choose.button = c.button;
        Command(IDM_MARKER_SELECT);  // the marker menu's "Show", "Select Marker..."
        EXPECT_EQ(g_choose.listed, (std::vector<std::string>{"Rest", "Drug A", "(no label)", "rest again", "drug B",
                                                            "(first selected)"}));
        EXPECT_EQ(CurrentLabel(gs), c.current) << c.line;
        EXPECT_EQ(g_choose.boxes, std::string(c.box).empty() ? std::vector<std::string>{}
                                                             : std::vector<std::string>{c.box})
            << c.line;
    }
    UnhookWindowsHookEx(g_chooseHook);
}

}  // namespace

namespace {

// One millisecond and one sample per pixel from the plot's left edge.
void OnePixelPerSample(tagGS* gs) {
    gs->sampleInterval = 1.0;
    gs->totalSamples = gs->chanCount[0] = 1000;
    gs->hStart = 0.0;
    gs->hPerDiv = (gs->plotRect.right - gs->plotRect.left) / gs->hDivisions;
    for (uint32_t& on : gs->markerManager->settings.timeStamp) on = 0;
}

TEST_F(MarkerWindows, AClickPicksTheNearestMarkerOfItsRowWithinTwentyPixels) {
    OnePixelPerSample(gs);
    ASSERT_GT(gs->plotRect.right - gs->plotRect.left, 400);
    InsertMarker(gs, 110.0, 1, "a", kMarkerSequential);
    InsertMarker(gs, 120.0, 1, "", kMarkerAppend);
    InsertMarker(gs, 130.0, 1, "b", kMarkerFixed);
    InsertMarker(gs, 200.0, 1, "c", kMarkerPlaced);
    const int left = gs->plotRect.left, upper = gs->markerBarRect.top + 5, lower = gs->markerBarRect.bottom - 5;
    struct Case {
        int x, y;
        const char* current;
    } cases[] = {
        {left + 120, lower, "a"},           // a and b 10 pixels away: the earlier wins
        {left + 127, lower, "b"},           // b nearer
        {left + 181, lower, "c"},           // 19 pixels
        {left + 139, upper, "Segment 1"},   // the upper row takes only the append marker
        {left + 110, upper, "Segment 1"},   // 10 pixels from a, but a is not in the upper row
        {left + 140, upper, "Segment 1"},   // 20 pixels: nothing picked, nothing placed
    };
    for (const Case& c : cases) {
        OnMarkerAreaClick(gs, c.x, c.y);
        EXPECT_EQ(CurrentLabel(gs), c.current) << c.x - left;
        EXPECT_EQ(IsPlacingMarker(), 0) << c.x - left;
    }
    EXPECT_EQ(GetMarkerCount(gs), 4u);
}

TEST_F(MarkerWindows, ALowerRowPressAwayFromEventMarkersPlacesAMarkerWhereTheMouseIsReleased) {
    OnePixelPerSample(gs);
    InsertMarker(gs, 200.0, 1, "c", kMarkerSequential);
    const int left = gs->plotRect.left, lower = gs->markerBarRect.bottom - 5;
    // The mouse as the user moves it over the graph window.
    auto mouse = [&](UINT message, int x, int y) {
        SendMessageA(gs->hwnd, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
    };
    // Released beside the plot: nothing placed.
    mouse(WM_LBUTTONDOWN, left + 220, lower);
    ASSERT_EQ(IsPlacingMarker(), 1);
    mouse(WM_MOUSEMOVE, left - 10, lower);
    mouse(WM_LBUTTONUP, left - 10, lower);
    EXPECT_EQ(IsPlacingMarker(), 0);
    EXPECT_EQ(GetMarkerCount(gs), 1u);
    // Dragged on and released inside: a placed marker at the release column, current.
    mouse(WM_LBUTTONDOWN, left + 300, lower);
    mouse(WM_MOUSEMOVE, left + 310, lower);
    mouse(WM_MOUSEMOVE, left + 320, lower);
    mouse(WM_LBUTTONUP, left + 320, lower);
    EXPECT_EQ(Nodes(gs), (std::vector<std::string>{"200 t0 #1 c", "320 t2 #1 "}));
    EXPECT_EQ(gs->markers->current->position, 320u);
    EXPECT_EQ(GetFocus(), gs->markerLabelEdit);
}

std::string ItemText(HMENU menu, UINT place) {
    char text[128] = "";
    GetMenuStringA(menu, place, text, sizeof text, MF_BYPOSITION);
    return text;
}
bool Grey(HMENU menu, UINT place) { return (GetMenuState(menu, place, MF_BYPOSITION) & MF_GRAYED) != 0; }

TEST_F(MarkerWindows, TheMarkerMenuOffersWhatTheMarkersAllow) {
    OnePixelPerSample(gs);
    CMarkerManager* m = gs->markerManager;
    // No markers: only the preferences.
    HMENU empty = BuildMarkerMenu(m);
    ASSERT_TRUE(empty);
    EXPECT_EQ(ItemText(empty, 0), "Find...");
    EXPECT_TRUE(Grey(empty, 0));
    EXPECT_TRUE(Grey(empty, 2));
    EXPECT_TRUE(Grey(empty, 4));
    EXPECT_TRUE(Grey(empty, 6));
    EXPECT_FALSE(Grey(empty, 8));
    // The Select Marker dialog's place: last under "Show", after a separator.
    HMENU emptyShow = GetSubMenu(empty, 6);
    ASSERT_EQ(GetMenuItemCount(emptyShow), 4);
    EXPECT_EQ(GetMenuItemID(emptyShow, 3), static_cast<UINT>(IDM_MARKER_SELECT));
    EXPECT_EQ(ItemText(emptyShow, 3), "Select Marker...");
    EXPECT_TRUE(Grey(emptyShow, 3));
    DestroyMenu(empty);
    const std::string long46(46, 'x'), long45(45, 'y');
    InsertMarker(gs, 0.0, 1, "", kMarkerAppend);
    InsertMarker(gs, 10.0, 1, long46.c_str(), kMarkerSequential);
    InsertMarker(gs, 20.0, 1, long45.c_str(), kMarkerSequential);
    InsertMarker(gs, 30.0, 1, "", kMarkerPlaced);
    HMENU menu = BuildMarkerMenu(m);
    ASSERT_TRUE(menu);
    for (UINT place : {0u, 2u, 4u, 6u, 8u}) EXPECT_FALSE(Grey(menu, place)) << place;
    HMENU clear = GetSubMenu(menu, 2);
    EXPECT_FALSE(Grey(clear, 0)) << "the current marker is an open event marker";
    HMENU events = GetSubMenu(GetSubMenu(menu, 6), 0), appends = GetSubMenu(GetSubMenu(menu, 6), 1);
    ASSERT_EQ(GetMenuItemCount(events), 3);
    EXPECT_EQ(ItemText(events, 0), std::string(43, 'x') + "...");
    EXPECT_EQ(ItemText(events, 1), long45);
    EXPECT_EQ(ItemText(events, 2), "(no label)");
    EXPECT_EQ(GetMenuItemID(events, 2), IDM_MARKER_LISTED_FIRST + 3u);
    EXPECT_TRUE(GetMenuState(events, 2, MF_BYPOSITION) & MF_CHECKED);
    ASSERT_EQ(GetMenuItemCount(appends), 1);
    EXPECT_EQ(ItemText(appends, 0), "Segment 1");
    EXPECT_FALSE(Grey(GetSubMenu(menu, 6), 3)) << "Select Marker... with markers to choose from";
    DestroyMenu(menu);
    // Choosing a listed marker from the frame selects it.
    Command(IDM_MARKER_LISTED_FIRST + 1);
    EXPECT_EQ(CurrentLabel(gs), long46);
    // Mode 0 greys the summaries and the preferences; mode 2 gives no menu.
    SetMarkerMenuMode(gs, 0);
    menu = BuildMarkerMenu(m);
    EXPECT_TRUE(Grey(menu, 4));
    EXPECT_TRUE(Grey(menu, 8));
    EXPECT_FALSE(Grey(menu, 0));
    DestroyMenu(menu);
    SetMarkerMenuMode(gs, 2);
    EXPECT_EQ(BuildMarkerMenu(m), nullptr);
    // Beyond the 247th marker nothing more is listed.
    SetMarkerMenuMode(gs, 1);
    for (int i = 0; i < 250; ++i) InsertMarker(gs, 40.0 + i, 0, "", kMarkerSequential);
    menu = BuildMarkerMenu(m);
    HMENU show = GetSubMenu(menu, 6);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(show, 0)) + GetMenuItemCount(GetSubMenu(show, 1)), 247);
    DestroyMenu(menu);
}

int g_menusShown = 0;
HHOOK g_menuHook = nullptr;
LRESULT CALLBACK MenuHook(int code, WPARAM wParam, LPARAM lParam) {
    HWND w = reinterpret_cast<HWND>(wParam);
    char cls[16] = "";
    if (code == HCBT_CREATEWND && GetClassNameA(w, cls, sizeof cls) && std::string(cls) == "#32768") {
        ++g_menusShown;
        PostMessageA(g_app->hwndFrame, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    return CallNextHookEx(g_menuHook, code, wParam, lParam);
}

TEST_F(MarkerWindows, TheSearchButtonOpensTheMarkerMenuUnlessItsModeForbids) {
    OnePixelPerSample(gs);
    InsertMarker(gs, 10.0, 1, "a", kMarkerSequential);
    const RECT& search = gs->markerSearchRect;
    ASSERT_FALSE(IsRectEmpty(&search));
    g_menuHook = SetWindowsHookExA(WH_CBT, MenuHook, nullptr, GetCurrentThreadId());
    struct Case {
        uint32_t mode;
        int shown;
    } cases[] = {{1, 1}, {0, 1}, {2, 0}};
    for (const Case& c : cases) {
        g_menusShown = 0;
        SetMarkerMenuMode(gs, c.mode);
        OnMarkerAreaClick(gs, (search.left + search.right) / 2, (search.top + search.bottom) / 2);
        PumpMessages();
        EXPECT_EQ(g_menusShown, c.shown) << c.mode;
    }
    UnhookWindowsHookEx(g_menuHook);
}

// The texts of the first pop-up menu the frame prepares, read as it opens; the menu is then closed.
std::vector<std::string> g_openedTexts;
HHOOK g_initHook = nullptr;
LRESULT CALLBACK InitMenuHook(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_INITMENUPOPUP && g_openedTexts.empty()) {
        HMENU menu = reinterpret_cast<HMENU>(m->wParam);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) g_openedTexts.push_back(ItemText(menu, i));
        PostMessageA(g_app->hwndFrame, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    return CallNextHookEx(g_initHook, code, wParam, lParam);
}

TEST_F(MarkerWindows, TheMarkerMenuShowsTheTextsTheLibraryHoldsForItsContainer) {
    OnePixelPerSample(gs);
    InsertMarker(gs, 10.0, 1, "a", kMarkerSequential);
    ASSERT_EQ(SetMenuItem(IDR_MARKER_MENU_TEXTS, "Find...", "Suchen..."), 1);
    ASSERT_EQ(SetMenuItem(IDR_MARKER_MENU_TEXTS, "Preferences", "Einstellungen"), 1);
    // A text of another container leaves the marker menu alone.
    ASSERT_EQ(SetMenuItem(IDR_MARKER_MENU_TEXTS + 1, "Show", "Zeigen"), 1);
    const RECT& search = gs->markerSearchRect;
    g_openedTexts.clear();
    g_initHook = SetWindowsHookExA(WH_CALLWNDPROC, InitMenuHook, nullptr, GetCurrentThreadId());
    OnMarkerAreaClick(gs, (search.left + search.right) / 2, (search.top + search.bottom) / 2);
    PumpMessages();
    UnhookWindowsHookEx(g_initHook);
    ASSERT_EQ(g_openedTexts.size(), 9u);
    EXPECT_EQ(g_openedTexts[0], "Suchen...");
    EXPECT_EQ(g_openedTexts[6], "Show");
    EXPECT_EQ(g_openedTexts[8], "Einstellungen");
}

}  // namespace

namespace {

// The Marker Preferences sheet driven through its controls: a script runs once the sheet is up
// (a message posted from the activation hook to a window of the test), then OK or Cancel.
struct SheetScript {
    std::function<void(HWND sheet)> run;
    UINT finish = IDOK;
    bool ran = false;
    std::string caption;
};
SheetScript* g_script = nullptr;
HHOOK g_sheetHook = nullptr;
HWND g_scriptWindow = nullptr;
constexpr UINT kRunScript = WM_APP + 7;

LRESULT CALLBACK SheetHook(int code, WPARAM wParam, LPARAM lParam) {
    HWND w = reinterpret_cast<HWND>(wParam);
    char cls[16] = "";
    // The sheet takes its caption after it is first activated: it is the thread's first dialog.
    if (code == HCBT_ACTIVATE && g_script && !g_script->ran && GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() &&
        GetClassNameA(w, cls, sizeof cls) && std::string(cls) == "#32770") {
        g_script->ran = true;
        PostMessageA(g_scriptWindow, kRunScript, 0, reinterpret_cast<LPARAM>(w));
    }
    return CallNextHookEx(g_sheetHook, code, wParam, lParam);
}

LRESULT CALLBACK ScriptWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kRunScript && g_script) {
        HWND sheet = reinterpret_cast<HWND>(lParam);
        char caption[64] = "";
        GetWindowTextA(sheet, caption, sizeof caption);
        g_script->caption = caption;
        g_script->run(sheet);
        PostMessageA(GetDlgItem(sheet, g_script->finish), BM_CLICK, 0, 0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RunSheet(tagGS* gs, SheetScript& script) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ScriptWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MarkerSheetScript";
    RegisterClassA(&wc);
    g_scriptWindow = CreateWindowA("MarkerSheetScript", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    g_script = &script;
    g_sheetHook = SetWindowsHookExA(WH_CBT, SheetHook, nullptr, GetCurrentThreadId());
    DoMarkerPreferences(gs);
    UnhookWindowsHookEx(g_sheetHook);
    g_script = nullptr;
    DestroyWindow(g_scriptWindow);
}

HWND Page(HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
void PressIn(HWND page, int id) { SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0); }
bool On(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != 0; }
std::string Cell(HWND page, int item, int sub) {
    char text[160] = "";
    LVITEMA it{};
    it.iSubItem = sub;
    it.pszText = text;
    it.cchTextMax = sizeof text;
    SendDlgItemMessageA(page, IDC_MARKER_PREF_LIST, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&it));
    return text;
}
void ChooseKey(HWND page, const char* name) {
    HWND combo = GetDlgItem(page, IDC_MARKER_PREF_KEY);
    SendMessageA(combo, CB_SETCURSEL, SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name)), 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_MARKER_PREF_KEY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

TEST_F(MarkerWindows, ThePreferencesSheetEditsTheSettingsOnlyWhenApplied) {
    CMarkerManager* m = gs->markerManager;
    std::vector<std::string> seen;
    SheetScript script;
    script.run = [&](HWND sheet) {
        // Fixed event markers: each key takes one label.
        HWND fixed = Page(sheet, 1);
        seen.push_back(On(fixed, IDC_MARKER_PREF_ADD) ? "add on" : "add off");
        PressIn(fixed, IDC_MARKER_PREF_USE);
        ChooseKey(fixed, "F5");
        SetDlgItemTextA(fixed, IDC_MARKER_PREF_TEXT, "Tone");
        seen.push_back(On(fixed, IDC_MARKER_PREF_ADD) ? "add on" : "add off");
        PressIn(fixed, IDC_MARKER_PREF_ADD);
        seen.push_back(Cell(fixed, 0, 0) + "=" + Cell(fixed, 0, 1));
        ChooseKey(fixed, "F5");
        SetDlgItemTextA(fixed, IDC_MARKER_PREF_TEXT, "Again");
        seen.push_back(On(fixed, IDC_MARKER_PREF_ADD) ? "F5 again on" : "F5 again off");
        // Append markers: three custom labels, the last moved to the top, the new first one down.
        HWND append = Page(sheet, 0);
        PressIn(append, IDC_MARKER_PREF_CUSTOM);
        for (const char* label : {"Baseline", "Drug", "Washout"}) {
            SetDlgItemTextA(append, IDC_MARKER_PREF_TEXT, label);
            PressIn(append, IDC_MARKER_PREF_ADD);
        }
        seen.push_back(On(append, IDC_MARKER_PREF_BOTTOM) ? "bottom on" : "bottom off");
        PressIn(append, IDC_MARKER_PREF_TOP);
        SendMessageA(append, WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(GetDlgItem(append, IDC_MARKER_PREF_MOVE)));
        seen.push_back(Cell(append, 0, 1) + "," + Cell(append, 1, 1) + "," + Cell(append, 2, 1));
        // Each list's header shows its whole texts ("Segment #:", "Key:", "Event #:", "Label:").
        for (int p = 0; p < 3; ++p) {
            HWND page = Page(sheet, p);
            seen.push_back(JoinedProblems(ControlTextProblems(GetDlgItem(page, IDC_MARKER_PREF_LIST))));
        }
        // Journal summary by label.
        HWND summary = Page(sheet, 3);
        PressIn(summary, IDC_MARKER_PREF_BY_LABEL);
    };
    RunSheet(gs, script);
    ASSERT_TRUE(script.ran);
    EXPECT_EQ(script.caption, "Marker Preferences");
    EXPECT_EQ(seen, (std::vector<std::string>{"add off", "add on", "F5=Tone", "F5 again off", "bottom off",
                                             "Baseline,Washout,Drug", "", "", ""}));
    const MarkerTypeSettings& s = m->settings;
    EXPECT_EQ(s.usePresets[kMarkerFixed], 1u);
    ASSERT_EQ(s.presets[kMarkerFixed].Last(), 0);
    EXPECT_EQ(s.presets[kMarkerFixed].At(0)->key, 395);
    EXPECT_EQ(s.usePresets[kMarkerAppend], 1u);
    ASSERT_EQ(s.presets[kMarkerAppend].Last(), 2);
    EXPECT_STREQ(s.presets[kMarkerAppend].At(1)->text, "Washout");
    EXPECT_EQ(s.sortBy, 1u);
    EXPECT_EQ(gs->modified, 1u);
    // The settings take effect: a new append marker takes the preset of its number.
    InsertMarker(gs, 0.0, 1, "", kMarkerAppend);
    EXPECT_EQ(CurrentLabel(gs), "Baseline");
    // Cancelled, nothing changes.
    SheetScript cancelled;
    cancelled.finish = IDCANCEL;
    cancelled.run = [&](HWND sheet) {
        HWND append = Page(sheet, 0);
        PressIn(append, IDC_MARKER_PREF_DELETE_ALL);
        PressIn(Page(sheet, 3), IDC_MARKER_PREF_BY_TIME);
    };
    RunSheet(gs, cancelled);
    ASSERT_TRUE(cancelled.ran);
    EXPECT_EQ(m->settings.presets[kMarkerAppend].Last(), 2);
    EXPECT_EQ(m->settings.sortBy, 1u);
}

}  // namespace

namespace {

bool MenuOn(UINT id) { return !(GetMenuState(GetMenu(g_app->hwndFrame), id, MF_BYCOMMAND) & MF_GRAYED); }

TEST_F(MarkerWindows, TheEditMenuFollowsTheLabelBoxWhileItHasTheFocus) {
    InsertMarker(gs, 0.0, 1, "Label", kMarkerSequential);
    gs->modified = 0;
    HWND box = gs->markerLabelEdit;
    SetFocus(box);
    ASSERT_EQ(GetFocus(), box);
    struct Case {
        DWORD from, to;
        BOOL boxModified;
        bool cut, save;
    } cases[] = {{0, 3, FALSE, true, false}, {2, 2, FALSE, false, false}, {2, 2, TRUE, false, true}};
    for (const Case& c : cases) {
        SendMessageA(box, EM_SETSEL, c.from, c.to);
        SendMessageA(box, EM_SETMODIFY, c.boxModified, 0);
        SendMessageA(g_app->hwndFrame, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(g_app->hwndFrame)), 0);
        EXPECT_EQ(MenuOn(IDM_EDIT_CUT), c.cut) << c.from << "-" << c.to;
        EXPECT_EQ(MenuOn(IDM_EDIT_COPY), c.cut) << c.from << "-" << c.to;
        EXPECT_TRUE(MenuOn(IDM_EDIT_SELECT_ALL));
        for (UINT id : {IDM_EDIT_CLEAR_ALL, IDM_EDIT_INSERT_WAVEFORM, IDM_EDIT_DUPLICATE_WAVEFORM, IDM_EDIT_REMOVE_WAVEFORM})
            EXPECT_FALSE(MenuOn(id)) << id;
        // The box's modification marks the document, and Save follows it.
        EXPECT_EQ(gs->modified != 0, c.save);
        EXPECT_EQ(MenuOn(IDM_FILE_SAVE), c.save);
    }
}

}  // namespace
