// The journal pane of graph windows in the running program: its buttons, typing, stamps, the
// rich edit control and its plain fallback, text files, settings, and the journal's travel
// through a saved and reopened graph file.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>
#include <shlobj.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>
#include "graph/window/graph_window.h"
#include "tests/shell/shell_fixture.h"
#include "tests/documents/acq_builder.h"
#include "graph/document/graph_doc.h"
#include "graph/files/file_save.h"
#include "graph/files/file_open.h"
#include "documents/documents_api.h"
#include "documents/journal/journal.h"
#include "documents/journal/journal_print.h"
#include "graph/render/printing.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "controls/popup_button.h"
#include "documents/measurements/measure_text.h"
#include "documents/files/graph_file.h"
#include "base/byte_stream.h"
#include "base/app.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "shell/startup.h"
#include "button/lumikey.h"
#include "devlib/vk40.h"

namespace {

constexpr std::time_t kFixedNow = 1700000000;
std::time_t FixedClock() { return kFixedNow; }

std::string Stamp(const char* format) {
    std::time_t now = kFixedNow;
    char text[64] = "";
    std::strftime(text, 63, format, std::localtime(&now));
    return text;
}

// What the test's text dialogs answer.
struct DialogAnswer {
    std::string name;
    bool cancel = false;
    int calls = 0;
    std::string filter;
};
DialogAnswer g_open, g_save;

BOOL Answer(DialogAnswer& a, OPENFILENAMEA* ofn) {
    ++a.calls;
    const char* end = ofn->lpstrFilter;
    while (end[0] || end[1]) ++end;
    a.filter.assign(ofn->lpstrFilter, end + 2);
    if (a.cancel) return FALSE;
    lstrcpynA(ofn->lpstrFile, a.name.c_str(), ofn->nMaxFile);
    ofn->nFilterIndex = 1;
    return TRUE;
}
BOOL OpenAnswer(OPENFILENAMEA* ofn) { return Answer(g_open, ofn); }
BOOL SaveAnswer(OPENFILENAMEA* ofn) { return Answer(g_save, ofn); }

// The graph file's Save As dialog: the name the test chose.
std::string g_graphName;
BOOL GraphSaveAnswer(OPENFILENAMEA* ofn) {
    lstrcpynA(ofn->lpstrFile, g_graphName.c_str(), ofn->nMaxFile);
    if (ofn->lpstrFileTitle) ofn->lpstrFileTitle[0] = 0;
    ofn->nFilterIndex = 1;
    return TRUE;
}

// Saves the graph under the path through Save As.
int SaveGraph(tagGS* gs, const std::string& path) {
    g_graphName = path;
    SetFileDialogProcs(nullptr, GraphSaveAnswer);
    int saved = SaveDocumentAs(gs, 0, 0, nullptr, path.c_str(), nullptr);
    SetFileDialogProcs(nullptr, nullptr);
    return saved;
}

std::string Text(HWND edit) {
    int n = GetWindowTextLengthA(edit);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    s.resize(static_cast<size_t>(GetWindowTextA(edit, &s[0], n + 1)));
    return s;
}

void Type(HWND edit, const std::string& keys) {
    for (char c : keys) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// A press and release inside the button, as the mouse gives them.
void Click(HWND button) {
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

std::string ClassOf(HWND w) {
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    return cls;
}

// The journal text that a saved graph file holds, and its auto-time flag.
bool JournalInFile(const Bytes& file, std::string* text, uint16_t* autoTime) {
    const uint8_t tag[4] = {0x44, 0x33, 0x22, 0x11};
    auto at = std::search(file.begin() + 2976, file.end(), tag, tag + 4);
    if (at == file.end()) return false;
    const size_t p = static_cast<size_t>(at - file.begin());
    *autoTime = GetU16(file, p + 4);
    const uint32_t n = GetU32(file, p + 6);
    if (p + 10 + n > file.size()) return false;
    text->assign(file.begin() + p + 10, file.begin() + p + 10 + n);
    return true;
}

class Journal : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        g_open = DialogAnswer{};
        g_save = DialogAnswer{};
        SetJournalFileDialogProcs(OpenAnswer, SaveAnswer);
        SetJournalClock(FixedClock);
    }
    void TearDown() override {
        SetJournalClock(nullptr);
        SetJournalFileDialogProcs(nullptr, nullptr);
        SetJournalRichEditLibrary(nullptr);
        ShutShell();
    }
    static void Command(UINT id) { SendMessageA(g_app->hwndFrame, WM_COMMAND, id, 0); }
    // A new graph whose journal is a rich edit control, or a plain one when the rich edit
    // library cannot be loaded; its journal is shown.
    static tagGS* NewGraph(bool rich) {
        SetJournalRichEditLibrary(rich ? nullptr : "kymora-missing-riched.dll");
        Command(IDM_FILE_NEW);
        SetJournalRichEditLibrary(nullptr);
        tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph);
        if (gs && !gs->journalShown) Command(IDM_SHOW_JOURNAL);
        return gs;
    }
    static HWND Edit(tagGS* gs) { return GetJournalHwnd(gs->journalWnd); }
    static HWND Button(tagGS* gs, int id) { return GetDlgItem(gs->hwnd, id); }
};

const bool kBothControls[] = {true, false};

TEST_F(Journal, EveryGraphWindowHasTheSixButtonsOverItsTextControl) {
    for (bool rich : kBothControls) {
        tagGS* gs = NewGraph(rich);
        ASSERT_TRUE(gs);
        HWND edit = Edit(gs);
        ASSERT_TRUE(edit);
        EXPECT_EQ(ClassOf(edit), rich ? "RICHEDIT" : "Edit") << rich;
        EXPECT_EQ(GetDlgCtrlID(edit), IDC_JOURNAL_EDIT);
        struct Row {
            int id;
            bool visible;
            const char* hint;
        } rows[] = {{402, true, "Insert Time"}, {403, true, "Insert Date"}, {404, true, "Autotime"},
                    {405, false, "Load Text"},  {406, false, "Save Text"},  {407, false, "Print Journal"}};
        RECT client{}, e{};
        GetClientRect(gs->hwnd, &client);
        GetWindowRect(edit, &e);
        MapWindowPoints(nullptr, gs->hwnd, reinterpret_cast<POINT*>(&e), 2);
        for (const Row& r : rows) {
            HWND b = Button(gs, r.id);
            ASSERT_TRUE(b) << r.id;
            EXPECT_EQ(ClassOf(b), LUMIKEY_CLASSNAME);
            EXPECT_EQ(IsWindowVisible(b) != 0, r.visible) << r.id;
            EXPECT_TRUE(IsWindowEnabled(b)) << r.id;
            EXPECT_STREQ(LumikeyRecord(b)->szTip, r.hint) << r.id;
            EXPECT_TRUE(LumikeyRecord(b)->hbmEnable) << r.id;  // its face
            RECT br{};
            GetWindowRect(b, &br);
            MapWindowPoints(nullptr, gs->hwnd, reinterpret_cast<POINT*>(&br), 2);
            // The row stands 25 pixels over the text control, which spans the window's width.
            EXPECT_EQ(br.top + 25, e.top) << r.id;
            EXPECT_EQ(br.bottom - br.top, 22) << r.id;
        }
        EXPECT_EQ(e.left, -1);
        EXPECT_EQ(e.right, client.right + 1);
        EXPECT_EQ(e.bottom, client.bottom + 1) << rich;
        EXPECT_EQ(e.bottom - e.top, gs->journalHeight - 30) << rich;
        // Hiding the journal disables its controls and takes the pane out of the client area.
        Command(IDM_SHOW_JOURNAL);
        EXPECT_EQ(gs->journalShown, 0u);
        EXPECT_FALSE(IsWindowEnabled(edit));
        EXPECT_FALSE(IsWindowEnabled(Button(gs, 402)));
        RECT bar{};
        JournalButtonBarLayout(gs->journalWnd, &bar);
        EXPECT_EQ(bar.bottom - bar.top, 3);
        EXPECT_GE(bar.top, client.bottom);
    }
}

// The rich edit library and the journal's text control wait until the journal is shown: a new
// graph's journal is hidden and empty, and start-up makes one.
TEST_F(Journal, ANewGraphMakesNoTextControlNorLoadsTheRichEditLibraryUntilItsJournalShows) {
    TempFolder folder("kymora-journal-lazy");
    const char* const kLibraries[] = {"RICHED32.DLL", "RICHED20.DLL"};
    Command(IDM_FILE_NEW);
    tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph);
    ASSERT_TRUE(gs);
    ASSERT_EQ(gs->journalShown, 0u);
    // The frame's own untitled graph and the new one alike; menus and a save ask about the
    // journal's state without making it.
    SendMessageA(g_app->hwndFrame, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(g_app->hwndFrame)), 0);
    ASSERT_EQ(SaveGraph(gs, folder.File("empty.acq")), 1);
    std::string stored = "?";
    uint16_t flag = 9;
    ASSERT_TRUE(JournalInFile(ReadWholeFile(folder.File("empty.acq")), &stored, &flag));
    EXPECT_EQ(stored, "");
    for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        tagGS* g = GetWindowGraph(w);
        if (!g) continue;
        EXPECT_EQ(JournalHwndIfMade(g->journalWnd), nullptr) << g->title;
        EXPECT_EQ(GetDlgItem(w, IDC_JOURNAL_EDIT), nullptr) << g->title;
        EXPECT_TRUE(GetDlgItem(w, IDC_JOURNAL_PRINT)) << "the buttons are made with the window";
    }
    for (const char* name : kLibraries) EXPECT_EQ(GetModuleHandleA(name), nullptr) << name;

    Command(IDM_SHOW_JOURNAL);
    HWND edit = JournalHwndIfMade(gs->journalWnd);
    ASSERT_TRUE(edit);
    EXPECT_EQ(GetDlgItem(gs->hwnd, IDC_JOURNAL_EDIT), edit);
    EXPECT_EQ(ClassOf(edit), "RICHEDIT");
    EXPECT_TRUE(GetModuleHandleA("RICHED32.DLL"));
}

// The state a journal's text control shows, read back from the control.
struct JournalControlState {
    LONG_PTR style, exStyle, atom, proc, autoTime, modified, limit, font;
    int id, next;
    bool enabled, visible;
    RECT place;  // in the graph window's client coordinates
    std::string face, text;
    LONG firstTab;
    LRESULT lines;
};

JournalControlState ReadJournalControl(HWND edit, bool rich) {
    JournalControlState s{};
    s.style = GetWindowLongPtrA(edit, GWL_STYLE);
    s.exStyle = GetWindowLongPtrA(edit, GWL_EXSTYLE);
    s.atom = static_cast<LONG_PTR>(GetClassLongPtrA(edit, GCW_ATOM));
    s.proc = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    s.autoTime = reinterpret_cast<LONG_PTR>(GetPropA(edit, "AutoTime"));
    s.modified = SendMessageA(edit, EM_GETMODIFY, 0, 0);
    s.limit = SendMessageA(edit, EM_GETLIMITTEXT, 0, 0);
    s.font = rich ? 0 : SendMessageA(edit, WM_GETFONT, 0, 0);
    s.id = GetDlgCtrlID(edit);
    s.next = GetDlgCtrlID(GetWindow(edit, GW_HWNDPREV));  // the control it follows
    s.enabled = IsWindowEnabled(edit) != 0;
    s.visible = (GetWindowLongPtrA(edit, GWL_STYLE) & WS_VISIBLE) != 0;
    GetWindowRect(edit, &s.place);
    MapWindowPoints(nullptr, GetParent(edit), reinterpret_cast<POINT*>(&s.place), 2);
    s.text = Text(edit);
    s.lines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
    if (rich) {
        CHARFORMATA cf{};
        cf.cbSize = sizeof cf;
        SendMessageA(edit, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
        s.face = cf.szFaceName;
        CHARRANGE kept{}, start{0, 0};
        SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
        SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
        PARAFORMAT pf{};
        pf.cbSize = sizeof pf;
        SendMessageA(edit, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
        s.firstTab = pf.cTabCount ? pf.rgxTabs[0] & 0xFFFFFF : 0;
        SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    }
    return s;
}

void ExpectSameJournalControl(const JournalControlState& early, const JournalControlState& late) {
    EXPECT_EQ(late.style, early.style);
    EXPECT_EQ(late.exStyle, early.exStyle);
    EXPECT_EQ(late.atom, early.atom) << "class";
    EXPECT_EQ(late.proc, early.proc) << "window procedure";
    EXPECT_EQ(late.autoTime, early.autoTime);
    EXPECT_EQ(late.modified, early.modified);
    EXPECT_EQ(late.limit, early.limit);
    EXPECT_EQ(late.font, early.font);
    EXPECT_EQ(late.id, early.id);
    EXPECT_EQ(late.next, early.next) << "Z order";
    EXPECT_EQ(late.enabled, early.enabled);
    EXPECT_EQ(late.visible, early.visible);
    EXPECT_TRUE(EqualRect(&late.place, &early.place))
        << late.place.left << "," << late.place.top << "," << late.place.right << "," << late.place.bottom << " vs "
        << early.place.left << "," << early.place.top << "," << early.place.right << "," << early.place.bottom;
    EXPECT_EQ(late.face, early.face);
    EXPECT_EQ(late.text, early.text);
    EXPECT_EQ(late.firstTab, early.firstTab);
    EXPECT_EQ(late.lines, early.lines) << "wrap";
}

// A control made when first needed takes what the pane was told while it had none: the same
// calls give the same control as one made with the window.
TEST_F(Journal, AJournalControlMadeWhenFirstNeededMatchesOneMadeWithTheWindow) {
    std::string written = "x\ty";
    for (int i = 0; i < 60; ++i) written += " word";
    for (bool rich : kBothControls) {
        SCOPED_TRACE(rich ? "rich" : "plain");
        tagGS* graphs[2] = {};
        for (tagGS*& gs : graphs) {
            SetJournalRichEditLibrary(rich ? nullptr : "kymora-missing-riched.dll");
            Command(IDM_FILE_NEW);
            SetJournalRichEditLibrary(nullptr);
            gs = GetWindowGraph(g_app->hwndActiveGraph);
            ASSERT_TRUE(gs);
            ASSERT_EQ(gs->journalShown, 0u);
            SetWindowPos(gs->hwnd, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        tagGS* early = graphs[0];
        tagGS* late = graphs[1];
        ASSERT_NE(early, late);
        ASSERT_TRUE(GetJournalHwnd(early->journalWnd));  // made at once, as with the window
        for (tagGS* gs : graphs) {
            JournalSetWordWrap(gs->journalWnd, 1);
            JournalSetTabStops(gs, 0.5f);
            JournalSetAutoTime(gs->journal, 1);
        }
        EXPECT_EQ(JournalHwndIfMade(late->journalWnd), nullptr) << "nothing needed the control yet";
        // Asked for while hidden (as a lesson's SELECT JOURNAL asks): made in its place under the
        // client area, disabled, with the settings.
        HWND a = JournalHwndIfMade(early->journalWnd), b = GetJournalHwnd(late->journalWnd);
        ASSERT_TRUE(b);
        const JournalControlState hiddenLate = ReadJournalControl(b, rich);
        ExpectSameJournalControl(ReadJournalControl(a, rich), hiddenLate);
        EXPECT_FALSE(hiddenLate.enabled);
        EXPECT_EQ(hiddenLate.next, IDC_JOURNAL_PRINT);
        EXPECT_EQ(hiddenLate.autoTime, 1);
        EXPECT_EQ(hiddenLate.modified, 0);
        RECT client{}, button{};
        GetClientRect(late->hwnd, &client);
        GetWindowRect(Button(late, IDC_JOURNAL_PRINT), &button);
        MapWindowPoints(nullptr, late->hwnd, reinterpret_cast<POINT*>(&button), 2);
        EXPECT_EQ(hiddenLate.place.left, -1);
        EXPECT_EQ(hiddenLate.place.right, client.right + 1);
        EXPECT_EQ(hiddenLate.place.top, button.top + 25);
        EXPECT_GE(hiddenLate.place.top, client.bottom) << "under the client area";
        EXPECT_EQ(hiddenLate.place.bottom - hiddenLate.place.top, late->journalHeight - 30);
        if (rich) {
            EXPECT_EQ(hiddenLate.face, g_app->fonts.lfJournal.lfFaceName);
            EXPECT_EQ(hiddenLate.firstTab, 720);
        } else {
            EXPECT_EQ(reinterpret_cast<HFONT>(hiddenLate.font), g_app->fonts.hfontJournal);
        }
        // Written to: a long line wraps in both.
        for (tagGS* gs : graphs) JournalAppendText(gs, written.c_str());
        const JournalControlState writtenLate = ReadJournalControl(b, rich);
        ExpectSameJournalControl(ReadJournalControl(a, rich), writtenLate);
        if (rich) {
            EXPECT_GT(writtenLate.lines, 1);
        }
        // Shown: enabled, over the bottom of the window.
        for (tagGS* gs : graphs) {
            SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(gs->hwnd), 0);
            Command(IDM_SHOW_JOURNAL);
            ASSERT_EQ(gs->journalShown, 1u);
        }
        const JournalControlState shownLate = ReadJournalControl(b, rich);
        ExpectSameJournalControl(ReadJournalControl(a, rich), shownLate);
        EXPECT_TRUE(shownLate.enabled);
        EXPECT_TRUE(IsWindowVisible(b));
        GetClientRect(late->hwnd, &client);
        EXPECT_EQ(shownLate.place.left, -1);
        EXPECT_EQ(shownLate.place.right, client.right + 1);
        EXPECT_EQ(shownLate.place.bottom, client.bottom + 1);
        EXPECT_EQ(shownLate.place.bottom - shownLate.place.top, late->journalHeight - 30);
        if (rich) {
            EXPECT_EQ(shownLate.face, g_app->fonts.lfJournal.lfFaceName);
        }
        // And it types as the other: Enter with Autotime on stamps the line.
        SetWindowTextA(b, "");
        Type(b, "noted\r");
        EXPECT_EQ(Text(b), Stamp("%X") + "noted\r\n");
    }
}

// A copy of the document written as a file writes it carries the journal's text and Autotime flag.
void ExpectJournalInCopy(tagGS* gs, const std::string& text, uint16_t autoTime) {
    CByteWriter copy;
    ASSERT_EQ(WriteGraphStream(gs, copy, kWriteWhole, 0), 1);
    std::string stored;
    uint16_t flag = 9;
    ASSERT_TRUE(JournalInFile(copy.Bytes(), &stored, &flag));
    EXPECT_EQ(stored, text);
    EXPECT_EQ(flag, autoTime);
}

// A graph file of one four-sample channel whose journal block holds the text.
AcqRecipe FourSamplesWithJournal(uint16_t autoTime, const char* text) {
    AcqRecipe recipe;
    AcqChannel c;
    c.slot = 1;
    for (int i = 0; i < 4; ++i) c.raw.push_back(static_cast<int16_t>(i));
    recipe.channels = {c};
    recipe.tail = JournalBlock(autoTime, text);
    return recipe;
}

// A graph file's journal text waits in a hidden journal without being lost: saved again as it
// is, shown when the journal is.
TEST_F(Journal, AGraphOpenedWithJournalTextSavesItAndShowsItWhenTheJournalIsShown) {
    TempFolder folder("kymora-journal-opened");
    AcqRecipe recipe = FourSamplesWithJournal(1, "from the file\r\nsecond line");
    recipe.journalShown = 0;
    const std::string path = folder.File("opened.acq");
    ASSERT_TRUE(WriteWholeFile(path, BuildAcq(recipe)));
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph);
    ASSERT_TRUE(gs);
    ASSERT_EQ(gs->journalShown, 0u);
    EXPECT_EQ(gs->modified, 0u);
    ExpectJournalInCopy(gs, "from the file\r\nsecond line", 1);
    EXPECT_EQ(gs->modified, 0u);
    if (HWND made = JournalHwndIfMade(gs->journalWnd)) {
        EXPECT_EQ(SendMessageA(made, EM_GETMODIFY, 0, 0), 0);
    }
    Command(IDM_SHOW_JOURNAL);
    HWND edit = JournalHwndIfMade(gs->journalWnd);
    ASSERT_TRUE(edit);
    EXPECT_EQ(Text(edit), "from the file\r\nsecond line");
    EXPECT_EQ(reinterpret_cast<INT_PTR>(GetPropA(edit, "AutoTime")), 1);
    EXPECT_TRUE(IsWindowEnabled(edit));
    EXPECT_EQ(SendMessageA(edit, EM_GETMODIFY, 0, 0), 0);
}

TEST_F(Journal, EnterStampsTheLineItEndsOnlyWithAutotimeOn) {
    for (bool rich : kBothControls) {
        tagGS* gs = NewGraph(rich);
        ASSERT_TRUE(gs);
        HWND edit = Edit(gs);
        Type(edit, "first\r");
        EXPECT_EQ(Text(edit), "first\r\n") << rich;
        gs->modified = 0;
        Click(Button(gs, IDC_JOURNAL_AUTO_TIME));
        EXPECT_EQ(JournalGetAutoTime(gs->journal), 1);
        EXPECT_EQ(SendMessageA(Button(gs, IDC_JOURNAL_AUTO_TIME), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(gs->modified, 1u);
        Type(edit, "second\rthird");
        EXPECT_EQ(Text(edit), "first\r\n" + Stamp("%X") + "second\r\nthird") << rich;
        Click(Button(gs, IDC_JOURNAL_AUTO_TIME));
        EXPECT_EQ(JournalGetAutoTime(gs->journal), 0);
        Type(edit, "\r");
        EXPECT_EQ(Text(edit), "first\r\n" + Stamp("%X") + "second\r\nthird\r\n") << rich;
    }
}

TEST_F(Journal, TheStampButtonsInsertTimeOrDateAtTheCaret) {
    struct Row {
        int button;
        const char* format;
    } rows[] = {{IDC_JOURNAL_INSERT_TIME, "%X"}, {IDC_JOURNAL_INSERT_DATE, "%#x"}};
    for (bool rich : kBothControls) {
        for (const Row& r : rows) {
            tagGS* gs = NewGraph(rich);
            ASSERT_TRUE(gs);
            HWND edit = Edit(gs);
            Type(edit, "ab");
            SendMessageA(edit, EM_SETSEL, 1, 1);
            gs->modified = 0;
            Click(Button(gs, r.button));
            EXPECT_EQ(Text(edit), "a" + Stamp(r.format) + "\r\nb") << rich << r.format;
            EXPECT_EQ(GetFocus(), edit);
            EXPECT_EQ(gs->modified, 1u);
            EXPECT_NE(Stamp(r.format), "");
        }
    }
}

TEST_F(Journal, TheLimitGrowsWhenInsertedTextComesNearIt) {
    for (bool rich : kBothControls) {
        tagGS* gs = NewGraph(rich);
        HWND edit = Edit(gs);
        const std::string text(5000, 'x');
        SetWindowTextA(edit, text.c_str());
        if (rich)
            SendMessageA(edit, EM_EXLIMITTEXT, 0, 8000);
        else
            SendMessageA(edit, EM_SETLIMITTEXT, 8000, 0);
        SendMessageA(edit, EM_SETSEL, 5000, 5000);
        Click(Button(gs, IDC_JOURNAL_INSERT_TIME));
        const size_t length = text.size() + Stamp("%X").size() + 2;
        EXPECT_EQ(static_cast<size_t>(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0)), length + 32768) << rich;
    }
}

// The clipboard holds the text; the size of its block comes back.
size_t PutOnClipboard(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner)) return 0;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
    return GlobalSize(block);
}

// Ctrl held while the key goes through the program's loop or straight to the control.
struct CtrlHeld {
    BYTE keys[256] = {};
    CtrlHeld() {
        GetKeyboardState(keys);
        BYTE down[256];
        std::memcpy(down, keys, sizeof down);
        down[VK_CONTROL] = 0x80;
        SetKeyboardState(down);
    }
    ~CtrlHeld() {
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
};

// However it is pasted into, a journal of more than 64 K characters keeps room to go on typing.
TEST_F(Journal, EveryPasteRouteLeavesTheJournalRoomBeyondWhatItPasted) {
    const std::string pasted = "pasted line\r\n";
    struct Route {
        const char* name;
        void (*paste)(tagGS* gs, HWND edit);
    } routes[] = {
        {"Edit > Paste", [](tagGS*, HWND) { SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_EDIT_PASTE, 0); }},
        {"Ctrl+V through the loop",
         [](tagGS*, HWND edit) {
             CtrlHeld ctrl;
             MSG key{edit, WM_KEYDOWN, 'V', 0x002F0001, 0, {0, 0}};
             DispatchLoopMessage(key);
         }},
        {"Ctrl+V in the control",
         [](tagGS*, HWND edit) {
             CtrlHeld ctrl;
             SendMessageA(edit, WM_KEYDOWN, 'V', 0x002F0001);
             SendMessageA(edit, WM_CHAR, 0x16, 0x002F0001);
             SendMessageA(edit, WM_KEYUP, 'V', 0xC02F0001);
         }},
        {"a paste message to the control", [](tagGS*, HWND edit) { SendMessageA(edit, WM_PASTE, 0, 0); }},
    };
    for (bool rich : kBothControls) {
        for (const Route& r : routes) {
            tagGS* gs = NewGraph(rich);
            HWND edit = Edit(gs);
            // A thousand lines of 70 characters: one line that long takes the rich edit seconds to lay out.
            std::string text;
            for (int line = 0; line < 1000; ++line) text += std::string(68, 'x') + "\r\n";
            JournalSetLimit(edit, text.size() + 10);
            SetWindowTextA(edit, text.c_str());
            ASSERT_EQ(GetWindowTextLengthA(edit), 70000) << rich << " " << r.name;
            const size_t clip = PutOnClipboard(edit, pasted);
            ASSERT_GT(clip, pasted.size()) << r.name;
            SetFocus(edit);
            SendMessageA(edit, EM_SETSEL, text.size(), text.size());
            r.paste(gs, edit);
            PumpMessages();
            const std::string after = Text(edit);
            EXPECT_EQ(after.size(), text.size() + pasted.size()) << rich << " " << r.name;
            EXPECT_EQ(static_cast<size_t>(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0)), text.size() + clip + 32768)
                << rich << " " << r.name;
            // Typing goes on after the paste.
            Type(edit, "ab");
            EXPECT_EQ(Text(edit).size(), after.size() + 2) << rich << " " << r.name;
            gs->modified = 0;
            SendMessageA(edit, EM_SETMODIFY, 0, 0);
            SendMessageA(gs->hwnd, WM_CLOSE, 0, 0);
            PumpMessages();
        }
    }
}

TEST_F(Journal, TheJournalTravelsWithTheGraphFileByteForByte) {
    TempFolder folder("kymora-journal");
    const std::string typed = "Trial 1\tresting\r\xb5V \xb1 5 \xb0\x43\r\rend of notes";
    BoxCapture boxes;
    for (bool rich : kBothControls) {
        tagGS* gs = NewGraph(rich);
        ASSERT_TRUE(gs);
        HWND edit = Edit(gs);
        Type(edit, typed);
        Click(Button(gs, IDC_JOURNAL_AUTO_TIME));
        const std::string text = Text(edit);
        EXPECT_EQ(text, "Trial 1\tresting\r\n\xb5V \xb1 5 \xb0\x43\r\n\r\nend of notes") << rich;
        const std::string path = folder.File(rich ? "rich.acq" : "plain.acq");
        ASSERT_EQ(SaveGraph(gs, path), 1);
        EXPECT_EQ(SendMessageA(edit, EM_GETMODIFY, 0, 0), 0);
        std::string stored;
        uint16_t flag = 0;
        const Bytes saved = ReadWholeFile(path);
        ASSERT_TRUE(JournalInFile(saved, &stored, &flag));
        EXPECT_EQ(stored, text);
        EXPECT_EQ(flag, 1);
        // A copy opens in another window with the same journal, which saves the same bytes.
        const std::string copy = folder.File(rich ? "rich2.acq" : "plain2.acq");
        ASSERT_TRUE(WriteWholeFile(copy, saved));
        ASSERT_EQ(OpenGraphFile(copy.c_str()), 1);
        tagGS* reopened = GetWindowGraph(g_app->hwndActiveGraph);
        ASSERT_TRUE(reopened);
        ASSERT_NE(reopened, gs);
        EXPECT_EQ(Text(Edit(reopened)), text);
        EXPECT_EQ(JournalGetAutoTime(reopened->journal), 1);
        EXPECT_EQ(reopened->modified, 0u);
        const std::string again = folder.File(rich ? "rich3.acq" : "plain3.acq");
        ASSERT_EQ(SaveGraph(reopened, again), 1);
        std::string storedAgain;
        ASSERT_TRUE(JournalInFile(ReadWholeFile(again), &storedAgain, &flag));
        EXPECT_EQ(storedAgain, text);
    }
    for (const auto& b : boxes.boxes) ADD_FAILURE() << b.caption << ": " << b.text;
}

TEST_F(Journal, TextFilesLoadAtTheCaretAndSaveLineByLine) {
    TempFolder folder("kymora-journal-text");
    const std::string file = folder.File("notes.txt");
    const std::string content = "line one\r\n\tindented\r\n\r\nlast";
    ASSERT_TRUE(WriteWholeFile(file, Bytes(content.begin(), content.end())));
    for (bool rich : kBothControls) {
        tagGS* gs = NewGraph(rich);
        HWND edit = Edit(gs);
        Type(edit, "[]");
        SendMessageA(edit, EM_SETSEL, 1, 1);
        ShowWindow(Button(gs, IDC_JOURNAL_LOAD), SW_SHOW);
        g_open.name = file;
        Click(Button(gs, IDC_JOURNAL_LOAD));
        EXPECT_EQ(g_open.calls, 1);
        EXPECT_EQ(Text(edit), "[" + content + "]") << rich;
        // Saved under a name without extension: a ".TXT" file with the control's text.
        g_save.name = folder.File(rich ? "saved-rich" : "saved-plain");
        SendMessageA(edit, EM_SETMODIFY, 1, 0);
        Click(Button(gs, IDC_JOURNAL_SAVE));
        const Bytes saved = ReadWholeFile(g_save.name + ".TXT");
        EXPECT_EQ(std::string(saved.begin(), saved.end()), Text(edit)) << rich;
        EXPECT_EQ(SendMessageA(edit, EM_GETMODIFY, 0, 0), 0);
        const char filter[] = "Text (*.TXT)\0*.txt\0All NORVANE Files (*.*)\0*.*\0";
        EXPECT_EQ(g_save.filter, std::string(filter, sizeof filter));
        g_open = DialogAnswer{};
        g_save = DialogAnswer{};
    }
}

TEST_F(Journal, LoadTextCancelledOrUnopenableLeavesTheTextAndOnlyTheLatterTells) {
    tagGS* gs = NewGraph(true);
    HWND edit = Edit(gs);
    Type(edit, "kept");
    TempFolder folder("kymora-journal-bad");
    struct Row {
        bool cancel;
        std::string name;
        size_t boxes;
    } rows[] = {{true, "", 0}, {false, folder.File("missing.txt"), 1}, {false, folder.File("empty.txt"), 0}};
    ASSERT_TRUE(WriteWholeFile(folder.File("empty.txt"), Bytes()));
    for (const Row& r : rows) {
        BoxCapture boxes;
        g_open.cancel = r.cancel;
        g_open.name = r.name;
        SendMessageA(gs->hwnd, WM_COMMAND, IDC_JOURNAL_LOAD, 0);
        EXPECT_EQ(Text(edit), "kept") << r.name;
        ASSERT_EQ(boxes.boxes.size(), r.boxes) << r.name;
        if (r.boxes) {
            EXPECT_EQ(boxes.boxes[0].text, "Can't open this file");
        }
    }
    EXPECT_EQ(JournalLoadText(gs->journal, 0, folder.File("missing.txt").c_str()), 45);
}

TEST_F(Journal, NewJournalAsksBeforeErasingTextAndCanSaveItFirst) {
    TempFolder folder("kymora-journal-new");
    struct Row {
        UINT answer;
        bool saveCancelled;
        bool erased, saved;
    } rows[] = {{IDCANCEL, false, false, false}, {IDYES, true, false, false}, {IDYES, false, true, true},
                {IDNO, false, true, false}};
    int n = 0;
    for (const Row& r : rows) {
        tagGS* gs = NewGraph(true);
        HWND edit = Edit(gs);
        Type(edit, "notes");
        Click(Button(gs, IDC_JOURNAL_AUTO_TIME));
        g_save = DialogAnswer{};
        g_save.cancel = r.saveCancelled;
        g_save.name = folder.File("before-" + std::to_string(n++) + ".txt");
        BoxCapture boxes;
        boxes.answer = r.answer;
        SendMessageA(gs->hwnd, WM_COMMAND, IDC_JOURNAL_NEW, 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find("erase existing text"), std::string::npos);
        EXPECT_EQ(Text(edit), r.erased ? "" : "notes") << r.answer;
        EXPECT_EQ(JournalGetAutoTime(gs->journal), r.erased ? 0 : 1) << r.answer;
        EXPECT_EQ(SendMessageA(Button(gs, IDC_JOURNAL_AUTO_TIME), BM_GETCHECK, 0, 0), r.erased ? 0 : BST_CHECKED);
        const Bytes saved = ReadWholeFile(g_save.name);
        EXPECT_EQ(std::string(saved.begin(), saved.end()), r.saved ? "notes" : "") << r.answer;
    }
    // An empty journal is cleared without a question.
    tagGS* gs = NewGraph(false);
    BoxCapture boxes;
    SendMessageA(gs->hwnd, WM_COMMAND, IDC_JOURNAL_NEW, 0);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(Journal, TabStopsFollowThePreferenceOrTheGivenSize) {
    tagGS* gs = NewGraph(true);
    HWND edit = Edit(gs);
    Type(edit, "a\tb");
    struct Row {
        float given;
        LONG first, third;
    } rows[] = {{0.5f, 720, 2160}, {kJournalTabSizePreference, 1440, 4320}, {0.333f, 479, 1438}};
    for (const Row& r : rows) {
        JournalSetTabStops(gs, r.given);
        SendMessageA(edit, EM_SETSEL, 0, 0);
        PARAFORMAT pf{};
        pf.cbSize = sizeof pf;
        SendMessageA(edit, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
        ASSERT_EQ(pf.cTabCount, MAX_TAB_STOPS) << r.given;
        EXPECT_EQ(pf.rgxTabs[0] & 0xFFFFFF, r.first) << r.given;
        EXPECT_EQ(pf.rgxTabs[2] & 0xFFFFFF, r.third) << r.given;
    }
}

TEST_F(Journal, TheSeparatorIsDrawnOnlyWhileTheJournalIsShown) {
    tagGS* gs = NewGraph(true);
    RECT bar{};
    JournalButtonBarLayout(gs->journalWnd, &bar);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, bar.right + 4, bar.top + 8);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    for (int shown : {1, 0}) {
        JournalEnableButtons(gs->journalWnd, shown);
        RECT all{0, 0, bar.right + 4, bar.top + 8};
        HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
        FillRect(dc, &all, grey);
        DeleteObject(grey);
        JournalDrawSeparator(gs->journalWnd, dc);
        const int x = bar.right / 2;
        EXPECT_EQ(GetPixel(dc, x, bar.top + 1), shown ? RGB(255, 255, 255) : RGB(128, 128, 128)) << shown;
        EXPECT_EQ(GetPixel(dc, x, bar.top + 2), shown ? RGB(0, 0, 0) : RGB(128, 128, 128)) << shown;
        EXPECT_EQ(GetPixel(dc, x, bar.top + 3), RGB(128, 128, 128)) << shown;
    }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}

TEST_F(Journal, TheSettingsComeFromTheIniFileAndGoBack) {
    const std::string ini = IniPath();
    struct Row {
        const char* key;
        const char* value;
    } rows[] = {{"MeasurementName", "yes"}, {"MeasurementUnit", "No"}, {"WaveTimeValues", "Y"}, {"TabSize", "0.75"}};
    for (const Row& r : rows) WritePrivateProfileStringA("Wavemind", r.key, r.value, ini.c_str());
    WritePrivateProfileStringA("Font Information", "FontFace", "Courier New", ini.c_str());
    WritePrivateProfileStringA("Font Information", "FontWeight", "700", ini.c_str());
    WritePrivateProfileStringA("Font Information", "FontItalic", "Yes", ini.c_str());
    // The channel numbers are off after reading a file without the key, whatever they were.
    WritePrivateProfileStringA("Wavemind", "ChannelNumbers", "Yes", ini.c_str());
    LoadJournalSettings();
    EXPECT_EQ(JournalPrefs().channelNumbers, 1);
    WritePrivateProfileStringA("Wavemind", "ChannelNumbers", nullptr, ini.c_str());
    LoadJournalSettings();
    EXPECT_EQ(JournalPrefs().channelNumbers, 0);
    EXPECT_EQ(JournalPrefs().measurementName, 1);
    EXPECT_EQ(JournalPrefs().measurementUnit, 0);
    EXPECT_FLOAT_EQ(JournalPrefs().tabSize, 0.75f);
    EXPECT_STREQ(g_app->fonts.lfJournal.lfFaceName, "Courier New");
    EXPECT_EQ(g_app->fonts.lfJournal.lfWeight, 700);
    EXPECT_EQ(g_app->fonts.lfJournal.lfItalic, 1);
    EXPECT_EQ(g_app->fonts.lfJournal.lfHeight, -13);
    tagGS* gs = NewGraph(true);
    HWND edit = Edit(gs);
    Type(edit, "x\ty");
    JournalSetTabStops(gs, kJournalTabSizePreference);
    SendMessageA(edit, EM_SETSEL, 0, 0);
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    SendMessageA(edit, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    EXPECT_EQ(pf.rgxTabs[0] & 0xFFFFFF, 1080);
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    SendMessageA(edit, EM_SETSEL, 0, 1);
    SendMessageA(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    EXPECT_STREQ(cf.szFaceName, "Courier New");
    EXPECT_TRUE(cf.dwEffects & CFE_BOLD);
    EXPECT_TRUE(cf.dwEffects & CFE_ITALIC);
    // Written back: flags as Yes or No, the tab size with two decimals, the font's numbers.
    SaveJournalSettings();
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    auto read = [&](const char* section, const char* key) {
        char buf[64] = "";
        GetPrivateProfileStringA(section, key, "<none>", buf, sizeof buf, ini.c_str());
        return std::string(buf);
    };
    EXPECT_EQ(read("Wavemind", "MeasurementName"), "Yes");
    EXPECT_EQ(read("Wavemind", "MeasurementUnit"), "No");
    EXPECT_EQ(read("Wavemind", "WaveTimeValues"), "Yes");
    EXPECT_EQ(read("Wavemind", "ChannelNumbers"), "No");
    EXPECT_EQ(read("Wavemind", "TabSize"), "0.75");
    EXPECT_EQ(read("Font Information", "FontFace"), "Courier New");
    EXPECT_EQ(read("Font Information", "FontWeight"), "700");
    EXPECT_EQ(read("Font Information", "FontItalic"), "Yes");
    EXPECT_EQ(read("Font Information", "FontHeight"), "-13");
}

// A value outside what it can mean keeps its default, in memory and when written back.
TEST_F(Journal, IniValuesOutOfTheirBoundsKeepTheirDefaults) {
    const std::string ini = IniPath();
    struct Row {
        const char* section;
        const char* key;
        const char* stored;
        const char* written;
    } rows[] = {
        {"Wavemind", "TabSize", "1e308", "1.00"},
        {"Wavemind", "TabSize", "1e39", "1.00"},
        {"Wavemind", "TabSize", "inf", "1.00"},
        {"Wavemind", "TabSize", "nan", "1.00"},
        {"Wavemind", "TabSize", "0", "1.00"},
        {"Wavemind", "TabSize", "-0.5", "1.00"},
        {"Wavemind", "TabSize", "0.5 inch", "1.00"},
        {"Wavemind", "TabSize", "2.5", "2.50"},
        {"Font Information", "FontHeight", "2147483648", "-13"},
        {"Font Information", "FontHeight", "-2147483649", "-13"},
        {"Font Information", "FontHeight", "100000", "-13"},
        {"Font Information", "FontHeight", "12pt", "-13"},
        {"Font Information", "FontHeight", "-20", "-20"},
        {"Font Information", "FontWidth", "-1", "0"},
        {"Font Information", "FontWidth", "4294967296", "0"},
        {"Font Information", "FontWeight", "5000", "400"},
        {"Font Information", "FontWeight", "700", "700"},
        {"Font Information", "FontCharSet", "300", "1"},
        {"Font Information", "FontQuality", "7", "0"},
        {"Font Information", "FontOutPrecision", "11", "0"},
        {"Font Information", "FontClipPrecision", "256", "0"},
    };
    auto read = [&](const char* section, const char* key) {
        char buf[64] = "";
        GetPrivateProfileStringA(section, key, "<none>", buf, sizeof buf, ini.c_str());
        return std::string(buf);
    };
    for (const Row& r : rows) {
        DeleteIni();
        WritePrivateProfileStringA(r.section, r.key, r.stored, ini.c_str());
        LoadJournalSettings();
        SaveJournalSettings();
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
        EXPECT_EQ(read(r.section, r.key), r.written) << r.key << "=" << r.stored;
        EXPECT_TRUE(std::isfinite(JournalPrefs().tabSize) && JournalPrefs().tabSize > 0.0f) << r.key << "=" << r.stored;
    }
    DeleteIni();
    LoadJournalSettings();
}

// The Journal Preferences dialog as the test fills it in: what it showed, what it is given.
struct PrefsAnswer {
    std::string tabs;
    UINT boxOn = 0;  // this check box is ticked
    UINT button = IDOK;
    std::string shownTabs;
    bool shownName = false;
    int seen = 0;
};
PrefsAnswer g_prefs;
HHOOK g_prefsHook = nullptr;

LRESULT CALLBACK PrefsHook(int code, WPARAM wParam, LPARAM lParam) {
    HWND dlg = reinterpret_cast<HWND>(wParam);
    char caption[64] = "";
    if (code == HCBT_ACTIVATE && GetWindowThreadProcessId(dlg, nullptr) == GetCurrentThreadId() &&
        GetWindowTextA(dlg, caption, sizeof caption) && std::string(caption) == "Journal Preferences") {
        ++g_prefs.seen;
        char tabs[32] = "";
        GetDlgItemTextA(dlg, IDC_JOURNAL_PREF_TABS, tabs, sizeof tabs);
        g_prefs.shownTabs = tabs;
        g_prefs.shownName = IsDlgButtonChecked(dlg, IDC_JOURNAL_PREF_NAME) == BST_CHECKED;
        SetDlgItemTextA(dlg, IDC_JOURNAL_PREF_TABS, g_prefs.tabs.c_str());
        if (g_prefs.boxOn) CheckDlgButton(dlg, g_prefs.boxOn, BST_CHECKED);
        PostMessageA(dlg, WM_COMMAND, g_prefs.button, 0);
    }
    return CallNextHookEx(g_prefsHook, code, wParam, lParam);
}

LONG FirstTabStop(HWND edit) {
    SendMessageA(edit, EM_SETSEL, 0, 0);
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    SendMessageA(edit, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    return pf.rgxTabs[0] & 0xFFFFFF;
}

TEST_F(Journal, ThePreferencesDialogSetsTheOptionsAndTheTabsOfEveryJournal) {
    tagGS* first = NewGraph(true);
    tagGS* second = NewGraph(true);
    ASSERT_TRUE(first && second);
    struct Row {
        const char* tabs;
        UINT box;
        UINT button;
        float tabSize;  // afterwards
        LONG stop;      // the first tab stop of both journals afterwards
    } rows[] = {
        {"0.5", IDC_JOURNAL_PREF_NAME, IDOK, 0.5f, 720},  {"0", 0, IDOK, 0.5f, 2880},
        {"-2", 0, IDOK, 0.5f, 2880},                      {"0.5", 0, IDOK, 0.5f, 2880},
        {"0.25", IDC_JOURNAL_PREF_CHANNELS, IDCANCEL, 0.5f, 2880}, {"1.5", 0, IDOK, 1.5f, 2160},
    };
    JournalPrefs() = stJournalPrefs{0, 0, 0, 0, 0, 1.0f};
    g_prefsHook = SetWindowsHookExA(WH_CBT, PrefsHook, nullptr, GetCurrentThreadId());
    for (const Row& r : rows) {
        // Stops set apart from the preference: only a changed tab size puts them back.
        JournalSetTabStops(first, 2.0f);
        JournalSetTabStops(second, 2.0f);
        const stJournalPrefs before = JournalPrefs();
        g_prefs = PrefsAnswer{};
        g_prefs.tabs = r.tabs;
        g_prefs.boxOn = r.box;
        g_prefs.button = r.button;
        Command(IDM_JOURNAL_PREFERENCES);
        EXPECT_EQ(g_prefs.seen, 1) << r.tabs;
        char shown[32];
        std::snprintf(shown, sizeof shown, "%.2f", before.tabSize);
        EXPECT_EQ(g_prefs.shownTabs, shown) << r.tabs;
        EXPECT_EQ(g_prefs.shownName, before.measurementName != 0) << r.tabs;
        EXPECT_FLOAT_EQ(JournalPrefs().tabSize, r.tabSize) << r.tabs;
        EXPECT_EQ(FirstTabStop(Edit(first)), r.stop) << r.tabs;
        EXPECT_EQ(FirstTabStop(Edit(second)), r.stop) << r.tabs;
        EXPECT_EQ(JournalPrefs().channelNumbers, 0) << r.tabs;
    }
    UnhookWindowsHookEx(g_prefsHook);
    EXPECT_EQ(JournalPrefs().measurementName, 1);
    char written[32] = "";
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, IniPath().c_str());
    GetPrivateProfileStringA("Wavemind", "TabSize", "", written, sizeof written, IniPath().c_str());
    EXPECT_STREQ(written, "1.50");
}

// A drop of the files as the shell hands it to a window.
HDROP MakeDrop(const std::vector<std::string>& paths) {
    size_t bytes = sizeof(DROPFILES) + 1;
    for (const std::string& p : paths) bytes += p.size() + 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(h));
    drop->pFiles = sizeof(DROPFILES);
    char* at = reinterpret_cast<char*>(drop + 1);
    for (const std::string& p : paths) {
        std::memcpy(at, p.c_str(), p.size() + 1);
        at += p.size() + 1;
    }
    GlobalUnlock(h);
    return static_cast<HDROP>(h);
}

TEST_F(Journal, DroppedTextFilesGoInAtTheCaretTheLastFirst) {
    TempFolder folder("kymora-journal-drop");
    struct File {
        const char* name;
        const char* content;
    } files[] = {{"a.txt", "AAA"}, {"b.dat", "BBB"}, {"c.TXT", "CCC"}, {"e.txt", ""}, {"gone.txt", nullptr}};
    std::vector<std::string> paths;
    for (const File& f : files) {
        paths.push_back(folder.File(f.name));
        if (f.content) {
            ASSERT_TRUE(WriteWholeFile(paths.back(), Bytes(f.content, f.content + std::strlen(f.content))));
        }
    }
    tagGS* gs = NewGraph(true);
    HWND edit = Edit(gs);
    Type(edit, "<>");
    SendMessageA(edit, EM_SETSEL, 0, 1);  // a selection stays: the files go in after it
    SendMessageA(edit, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
    EXPECT_EQ(Text(edit), "<CCCAAA>");
    EXPECT_TRUE(SendMessageA(edit, EM_CANUNDO, 0, 0));
}

TEST_F(Journal, TheSideFileBesideADocumentBecomesItsJournal) {
    TempFolder folder("kymora-journal-side");
    const std::string side = "Notes kept beside\r\nthe graph";
    ASSERT_TRUE(WriteWholeFile(folder.File("run.jcq"), Bytes(side.begin(), side.end())));
    ASSERT_TRUE(WriteWholeFile(folder.File("empty.jtl"), Bytes()));
    struct Row {
        const char* document;
        int read;
        std::string journal;
    } rows[] = {{"run.acq", 1, side}, {"empty.gtl", 1, "kept"}, {"none.acq", 0, "kept"}, {"noext", 0, "kept"}};
    for (const Row& r : rows) {
        tagGS* gs = NewGraph(true);
        Type(Edit(gs), "kept");
        EXPECT_EQ(JournalLoadSideFile(gs->journal, folder.File(r.document).c_str()), r.read) << r.document;
        JournalAttachDocument(gs->journalWnd, gs->journal);
        EXPECT_EQ(Text(Edit(gs)), r.journal) << r.document;
    }
}

TEST_F(Journal, WrapToWindowBreaksLongLinesOnlyWhenChosen) {
    tagGS* gs = NewGraph(true);
    HWND edit = Edit(gs);
    std::string line;
    for (int i = 0; i < 60; ++i) line += "word ";
    SetWindowTextA(edit, line.c_str());
    struct Row {
        int wrap;
        bool many;
    } rows[] = {{1, true}, {0, false}, {1, true}};
    for (const Row& r : rows) {
        JournalSetWordWrap(gs->journalWnd, r.wrap);
        EXPECT_EQ(GetJournalWordWrap(gs->journalWnd), r.wrap);
        const LRESULT lines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
        EXPECT_EQ(lines > 1, r.many) << r.wrap << " " << lines;
    }
}

TEST_F(Journal, AppendedTextReplacesTheSelectionAndCanBeUndone) {
    for (bool rich : kBothControls) {
        tagGS* gs = NewGraph(rich);
        HWND edit = Edit(gs);
        Type(edit, "one two");
        SendMessageA(edit, EM_SETSEL, 4, 7);
        JournalAppendText(gs, "2.5 mV\r\n");
        EXPECT_EQ(Text(edit), "one 2.5 mV\r\n") << rich;
        SendMessageA(edit, WM_UNDO, 0, 0);
        EXPECT_EQ(Text(edit), "one two") << rich;
    }
}

TEST_F(Journal, AnUntitledGraphWithTypedJournalTextIsNotReusedForAFile) {
    TempFolder folder("kymora-journal-reuse");
    AcqRecipe recipe = FourSamplesWithJournal(0, "from the file");
    const std::string path = folder.File("opened.acq");
    ASSERT_TRUE(WriteWholeFile(path, BuildAcq(recipe)));
    tagGS* untitled = GetWindowGraph(g_app->hwndActiveGraph);
    ASSERT_TRUE(untitled);
    Type(Edit(untitled), "typed");
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    tagGS* opened = GetWindowGraph(g_app->hwndActiveGraph);
    ASSERT_NE(opened, untitled);
    EXPECT_EQ(Text(Edit(untitled)), "typed");
    EXPECT_EQ(Text(Edit(opened)), "from the file");
}

TEST_F(Journal, OnlyTheDocumentsOwnSaveMarksItsJournalSaved) {
    TempFolder folder("kymora-journal-copy");
    tagGS* gs = NewGraph(true);
    HWND edit = Edit(gs);
    Type(edit, "unsaved words");
    ASSERT_TRUE(SendMessageA(edit, EM_GETMODIFY, 0, 0));
    // A copy written elsewhere (as an autosave writes one) carries the text but saves nothing.
    ExpectJournalInCopy(gs, "unsaved words", 0);
    EXPECT_TRUE(SendMessageA(edit, EM_GETMODIFY, 0, 0));
    ASSERT_EQ(SaveGraph(gs, folder.File("own.acq")), 1);
    EXPECT_FALSE(SendMessageA(edit, EM_GETMODIFY, 0, 0));
}

// Pages of 100 x 60 pixels; every character 10 pixels wide and lines 10 high, blanks 5 wide,
// tab stops every 40.
CJournalPrintLayout FakePage() {
    return CJournalPrintLayout(stJournalPrintMetrics{100, 60, 5, 40, [](const std::string& word) {
                                                         return SIZE{static_cast<LONG>(10 * word.size()), 10};
                                                     }});
}

TEST(JournalPrintLayout, WordsWrapAtTheEdgeTabsStopAndPagesEndBeforeTheBottom) {
    struct Op {
        int page, x, y;
        const char* text;
    };
    struct Case {
        std::vector<std::string> lines;
        std::vector<Op> ops;
        int pages;
    } cases[] = {
        {{"ab cd"}, {{1, 0, 0, "ab"}, {1, 20, 0, " "}, {1, 25, 0, "cd"}}, 1},
        {{"aaaa bbbb cccc"},
         {{1, 0, 0, "aaaa"}, {1, 40, 0, " "}, {1, 45, 0, "bbbb"}, {1, 85, 0, " "}, {1, 0, 10, "cccc"}},
         1},
        {{"a\tb", "\tc"}, {{1, 0, 0, "a"}, {1, 10, 0, "\t"}, {1, 40, 0, "b"}, {1, 0, 10, "\t"}, {1, 40, 10, "c"}}, 1},
        // A word wider than the page goes on over the next line: nothing of it is lost.
        {{"abcdefghijklmn"}, {{1, 0, 0, "abcdefghi"}, {1, 0, 10, "jklmn"}}, 1},
        {{"v", "w", "x", "y", "z"},
         {{1, 0, 0, "v"}, {1, 0, 10, "w"}, {1, 0, 20, "x"}, {1, 0, 30, "y"}, {2, 0, 0, "z"}},
         2},
        {{"p", "", "q"}, {{1, 0, 0, "p"}, {1, 0, 20, "q"}}, 1},
    };
    for (const Case& c : cases) {
        CJournalPrintLayout layout = FakePage();
        for (const std::string& line : c.lines) layout.AddLine(line);
        ASSERT_EQ(layout.Ops().size(), c.ops.size()) << c.lines[0];
        for (size_t i = 0; i < c.ops.size(); ++i) {
            const stJournalPrintOp& got = layout.Ops()[i];
            EXPECT_EQ(got.page, c.ops[i].page) << c.lines[0] << " " << i;
            EXPECT_EQ(got.x, c.ops[i].x) << c.lines[0] << " " << i;
            EXPECT_EQ(got.y, c.ops[i].y) << c.lines[0] << " " << i;
            EXPECT_EQ(got.text, c.ops[i].text) << c.lines[0] << " " << i;
            EXPECT_EQ(got.tabbed, got.text.find_first_not_of(" \t") == std::string::npos);
        }
        EXPECT_EQ(layout.Pages(), c.pages) << c.lines[0];
    }
}

PRINTDLGA g_askedPrint;
int g_printAsked = 0;
BOOL CancelPrint(PRINTDLGA* pd) {
    ++g_printAsked;
    g_askedPrint = *pd;
    return FALSE;
}

// Printer Setup's dialog: it hands back a printer by name.
BOOL ChooseBenchPrinter(PRINTDLGA* pd, DWORD* error) {
    *error = 0;
    const char names[] = "memdrv\0Bench Printer\0MEM7:\0";
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVNAMES) + sizeof names);
    auto* dn = static_cast<DEVNAMES*>(GlobalLock(block));
    std::memcpy(reinterpret_cast<char*>(dn) + sizeof(DEVNAMES), names, sizeof names);
    dn->wDriverOffset = sizeof(DEVNAMES);
    GlobalUnlock(block);
    if (pd->hDevNames) GlobalFree(pd->hDevNames);
    pd->hDevNames = block;
    return TRUE;
}

TEST_F(Journal, PrintAsksForThePrinterAndACancelPrintsNothing) {
    tagGS* gs = NewGraph(true);
    Type(Edit(gs), "to print");
    ShowWindow(Button(gs, IDC_JOURNAL_PRINT), SW_SHOW);
    // A printer chosen for the graphs is not the journal's: its dialog starts from nothing.
    stPrintDevice setup{};
    setup.printDialog = ChooseBenchPrinter;
    SetPrintDevice(&setup);
    SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_FILE_PRINTER_SETUP, 0), 0);
    SetPrintDevice(nullptr);
    ASSERT_TRUE(PrintSetupForTests().hDevNames);
    const PRINTDLGA before = PrintSetupForTests();
    g_printAsked = 0;
    SetJournalPrintDialogProc(CancelPrint);
    Click(Button(gs, IDC_JOURNAL_PRINT));
    SetJournalPrintDialogProc(nullptr);
    EXPECT_EQ(g_printAsked, 1);
    EXPECT_EQ(g_askedPrint.Flags, DWORD(PD_NOSELECTION | PD_NOPAGENUMS | PD_RETURNDC));
    EXPECT_EQ(g_askedPrint.lpfnPrintHook, nullptr);
    EXPECT_EQ(g_askedPrint.hDevNames, nullptr);
    EXPECT_EQ(g_askedPrint.hDevMode, nullptr);
    EXPECT_EQ(g_askedPrint.nCopies, 1);
    EXPECT_EQ(g_askedPrint.nMinPage, 1);
    EXPECT_EQ(g_askedPrint.hwndOwner, g_app->hwndFrame);
    EXPECT_EQ(std::memcmp(&before, &PrintSetupForTests(), sizeof before), 0);  // the set-up record is as it was
    EXPECT_TRUE(IsWindowEnabled(g_app->hwndFrame));
    EXPECT_EQ(Text(Edit(gs)), "to print");
}

TEST_F(Journal, TheTextControlTakesDialogKeysTheFontAndOpensTheEditMenu) {
    for (bool rich : kBothControls) {
        tagGS* gs = NewGraph(rich);
        HWND edit = Edit(gs);
        EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTTAB);
        if (!rich) {
            EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)), g_app->fonts.hfontJournal);
        }
        HMENU menu = GetMenu(g_app->hwndFrame);
        ASSERT_TRUE(menu);
        const UINT position = IsZoomed(gs->hwnd) ? 2 : 1;
        SetFocus(g_app->hwndFrame);
        EnableMenuItem(menu, position, MF_BYPOSITION | MF_GRAYED);
        SetFocus(edit);
        EXPECT_EQ(GetFocus(), edit);
        EXPECT_FALSE(GetMenuState(menu, position, MF_BYPOSITION) & MF_GRAYED) << rich;
    }
}

}  // namespace

// Paste Measurement and Paste Wave Data put the texts the journal options shape at the caret.
TEST_F(Journal, PasteMeasurementAndWaveDataGoInAtTheCaret) {
    tagGS* gs = NewGraph(true);
    ASSERT_TRUE(gs && gs->measureGrid);
    // One channel of the test's own in slot 5; the others are set aside for the test.
    uint32_t flags[kMaxChannels];
    std::memcpy(flags, gs->chanFlags, sizeof flags);
    std::memset(gs->chanFlags, 0, sizeof gs->chanFlags);
    std::vector<double> v = {1.5, 2.5, 4};
    gs->chanFlags[5] = 2;
    gs->chanType[5] = 1;
    gs->chanBytes[5] = 8;
    gs->chanCount[5] = 3;
    gs->chanBlock[5] = v.data();
    std::strcpy(gs->chanUnits[5], "mV");
    std::strcpy(gs->chanLabel[5], "Force");
    gs->selectedChan = 5;
    gs->sampleInterval = 1.0;
    gs->precisionDigits = 2;
    gs->selStart = 0;
    gs->selEnd = 2;
    const uint16_t options[3] = {0, 0, 0};
    SetMeasurementBox(gs->measureGrid, 0, measure::kMax, 5, options, 0.0, "", 0, 1);
    UpdateAllMeasurements(gs);
    const stJournalPrefs saved = JournalPrefs();
    JournalPrefs() = stJournalPrefs{1, 1, 0, 0, 0, saved.tabSize};
    TextSeparatorSetting() = 0;
    Command(IDM_JOURNAL_PASTE_MEASUREMENT);
    EXPECT_EQ(Text(Edit(gs)), "Max = 4.00 mV\t\r\n");
    SetWindowTextA(Edit(gs), "");
    Command(IDM_JOURNAL_PASTE_WAVE_DATA);
    EXPECT_EQ(Text(Edit(gs)), "Force\r\n1.5\r\n2.5\r\n4\r\n\r\n");
    JournalPrefs() = saved;
    gs->chanBlock[5] = nullptr;
    gs->chanCount[5] = 0;
    std::memcpy(gs->chanFlags, flags, sizeof flags);
}

// What the user sets in the measurement boxes is written with the graph and comes back with it.
TEST_F(Journal, MeasurementBoxSettingsTravelWithTheGraphFile) {
    TempFolder folder("kymora-measure");
    BoxCapture boxes;
    tagGS* gs = NewGraph(true);
    ASSERT_TRUE(gs && gs->measureGrid);
    auto choose = [](PopupButton* button, int item) {
        SendMessageA(button->GetWindow(), WM_COMMAND, item + 1, 0);
        PumpMessages();
    };
    stMeasure* b2 = GetMeasurementAt(gs->measureGrid, 2);
    stMeasure* b4 = GetMeasurementAt(gs->measureGrid, 4);
    ASSERT_TRUE(b2 && b4);
    choose(b2->typeButton, kMeasureTypeIdBase + measure::kPeakToPeak);
    choose(b2->channelButton, 2);
    choose(b4->typeButton, kMeasureTypeIdBase + measure::kCorrelate);
    EXPECT_EQ(gs->modified, 1u);
    const std::string path = folder.File("boxes.acq");
    ASSERT_EQ(SaveGraph(gs, path), 1);
    // A copy opens in a window of its own (the saved file is the open document's).
    const std::string copy = folder.File("boxes2.acq");
    ASSERT_TRUE(WriteWholeFile(copy, ReadWholeFile(path)));
    ASSERT_EQ(OpenGraphFile(copy.c_str()), 1);
    tagGS* reopened = GetWindowGraph(g_app->hwndActiveGraph);
    ASSERT_TRUE(reopened && reopened != gs && reopened->measureGrid);
    const int expectedTypes[5] = {0, 0, measure::kPeakToPeak, 0, measure::kCorrelate};
    const int expectedChannels[5] = {-1, -1, 2, -1, -1};
    for (int i = 0; i < 5; ++i) {
        stMeasure* b = GetMeasurementAt(reopened->measureGrid, i);
        ASSERT_TRUE(b);
        EXPECT_EQ(GetMeasurementType(b), expectedTypes[i]) << i;
        EXPECT_EQ(GetMeasurementChannel(b), expectedChannels[i]) << i;
    }
    for (const auto& m : boxes.boxes) ADD_FAILURE() << m.caption << ": " << m.text;
}
