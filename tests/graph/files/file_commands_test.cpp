// File Open, Save As and the ".acq" chooser in the running program: the frame's commands with
// the common dialogs answered by the test, real files on disk, and what the user then sees.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>
#include "graph/window/graph_window.h"
#include "tests/shell/shell_fixture.h"
#include "tests/base/other_spelling.h"
#include "tests/documents/acq_builder.h"
#include "tests/documents/test_doc.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "graph/files/file_open.h"
#include "graph/files/file_save.h"
#include "graph/document/graph_doc.h"
#include "documents/files/graph_file.h"
#include "documents/stored_blocks.h"
#include "documents/documents_api.h"
#include "documents/journal/journal.h"
#include "documents/items/graph_items.h"
#include "documents/text/text_file.h"
#include "graph/document/sample_store.h"
#include "base/app.h"
#include "base/safe_file.h"
#include "base/services.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "shell/commands/status.h"
#include "devlib/vk40.h"
#include "base/byte_stream.h"

// Wine also tells a thread's CBT hook of windows that other programs activate: only this
// thread's own windows are the test's.
static bool OwnThreadWindow(HWND window) { return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId(); }

namespace {

// What the test's dialogs answer: the names chosen (several make a multiple selection), the filter row.
struct DialogAnswer {
    std::vector<std::string> names;  // one full path, or a folder then names
    DWORD filterIndex = 1;
    bool cancel = false;
    bool selectionOnly = false;
    int calls = 0;
    std::string proposed;  // the name the dialog was opened with
};
DialogAnswer g_open, g_save;

BOOL Answer(DialogAnswer& a, OPENFILENAMEA* ofn) {
    ++a.calls;
    a.proposed = ofn->lpstrFile ? ofn->lpstrFile : "";
    if (a.cancel || a.names.empty()) return FALSE;
    size_t at = 0;
    for (const std::string& name : a.names) {
        std::memcpy(ofn->lpstrFile + at, name.c_str(), name.size() + 1);
        at += name.size() + 1;
    }
    ofn->lpstrFile[at] = 0;
    const char* slash = std::strrchr(ofn->lpstrFile, '\\');
    if (ofn->lpstrFileTitle)
        lstrcpynA(ofn->lpstrFileTitle, a.names.size() > 1 || !slash ? "" : slash + 1, ofn->nMaxFileTitle);
    ofn->nFilterIndex = a.filterIndex;
    if (a.selectionOnly) SetSaveSelectionOnly(1);
    return TRUE;
}
BOOL OpenAnswer(OPENFILENAMEA* ofn) { return Answer(g_open, ofn); }
BOOL SaveAnswer(OPENFILENAMEA* ofn) { return Answer(g_save, ofn); }

class FileCommands : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        g_open = DialogAnswer{};
        g_save = DialogAnswer{};
        SetFileDialogProcs(OpenAnswer, SaveAnswer);
    }
    void TearDown() override {
        SetFileDialogProcs(nullptr, nullptr);
        ShutShell();
    }
    static void Command(UINT id) { SendMessageA(g_app->hwndFrame, WM_COMMAND, id, 0); }
};

std::vector<HWND> GraphWindows() {
    std::vector<HWND> windows;
    for (HWND child = GetWindow(g_app->hwndClient, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowGraph(child)) windows.push_back(child);
    return windows;
}

HWND WindowShowing(const std::string& title) {
    for (HWND w : GraphWindows()) {
        char text[MAX_PATH + 8] = "";
        GetWindowTextA(w, text, sizeof text);
        if (title == text) return w;
    }
    return nullptr;
}

tagGS* GraphShowing(const std::string& title) {
    HWND w = WindowShowing(title);
    return w ? GetWindowGraph(w) : nullptr;
}

// File > Open's own path for one file, its window then made the active one; its graph, or null.
tagGS* OpenedAndActive(const std::string& path) {
    EXPECT_EQ(OpenGraphFile(path.c_str()), 1) << path;
    HWND w = WindowShowing(path);
    if (!w) return nullptr;
    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w), 0);
    return GetWindowGraph(w);
}

Bytes SmallFile(int16_t first, uint32_t samples = 6) {
    AcqRecipe recipe;
    AcqChannel c;
    c.slot = 2;
    c.label = "Pulse";
    for (uint32_t i = 0; i < samples; ++i) c.raw.push_back(static_cast<int16_t>(first + i));
    recipe.channels = {c};
    recipe.markers = {{1, "one"}};
    recipe.tail = JournalBlock(0, "kept");
    return BuildAcq(recipe);
}

bool ContainsBox(const BoxCapture& boxes, const std::string& part) {
    for (const auto& b : boxes.boxes)
        if (b.text.find(part) != std::string::npos) return true;
    return false;
}

std::vector<std::string> TemporaryLeftovers(const TempFolder& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(folder.File("ACQ*.TMP").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

// ---- Opening ----

TEST_F(FileCommands, FileOpenFromTheMenuOpensTheChosenFileInTheUntouchedGraph) {
    TempFolder folder("kymora-open");
    const std::string path = folder.File("first.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallFile(40)));
    ASSERT_EQ(GraphWindows().size(), 1u);  // start-up's Untitled graph
    HWND untitled = GraphWindows()[0];
    g_open.names = {path};
    Command(IDM_FILE_OPEN);
    EXPECT_EQ(g_open.calls, 1);
    ASSERT_EQ(GraphWindows().size(), 1u);
    EXPECT_EQ(WindowShowing(path), untitled);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    EXPECT_EQ(static_cast<const int16_t*>(gs->chanBlock[2])[5], 45);
    EXPECT_STREQ(gs->chanLabel[2], "Pulse");
    EXPECT_EQ(gs->modified, 0u);
    EXPECT_EQ(StoredMarkerCount(gs), 1u);
    EXPECT_EQ(std::string(GetRememberedFolder(kRememberOpen)), folder.path + "\\");
    EXPECT_EQ(GetRememberedFileType(kRememberOpen), 1u);
}

// The Window menu's list names the graphs by their captions: a file opened into the start-up
// graph is listed under the file's name, not as the Untitled graph it was.
TEST_F(FileCommands, TheWindowMenuListsAFileOpenedIntoTheUntitledGraphByItsName) {
    TempFolder folder("kymora-window-menu");
    const std::string path = folder.File("listed.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallFile(7)));
    HMENU windowMenu = GetSubMenu(GetMenu(g_app->hwndFrame), 4);
    ASSERT_TRUE(windowMenu);
    auto listed = [windowMenu] {
        char text[MAX_PATH + 16] = "";
        GetMenuStringA(windowMenu, IDM_WINDOW_CHILD_FIRST, text, sizeof text, MF_BYCOMMAND);
        return std::string(text);
    };
    ASSERT_EQ(listed().rfind("&1 Untitled", 0), 0u) << listed();
    g_open.names = {path};
    Command(IDM_FILE_OPEN);
    ASSERT_TRUE(WindowShowing(path));
    EXPECT_EQ(listed(), "&1 " + path);
    EXPECT_EQ(GetMenuState(windowMenu, IDM_WINDOW_CHILD_FIRST + 1, MF_BYCOMMAND), static_cast<UINT>(-1))
        << "one graph, one entry";
}

TEST_F(FileCommands, SeveralChosenFilesOpenOneWindowEachAndAnOpenFileIsOnlyActivated) {
    TempFolder folder("kymora-several");
    ASSERT_TRUE(WriteWholeFile(folder.File("a.acq"), SmallFile(1)));
    ASSERT_TRUE(WriteWholeFile(folder.File("b.acq"), SmallFile(2)));
    g_open.names = {folder.path, "a.acq", "b.acq"};
    Command(IDM_FILE_OPEN);
    ASSERT_TRUE(GraphShowing(folder.File("a.acq")));
    ASSERT_TRUE(GraphShowing(folder.File("b.acq")));
    EXPECT_EQ(GraphWindows().size(), 2u);  // the Untitled graph took the first
    // Opening one of them again: told, and that window comes to the front.
    BoxCapture boxes;
    g_open.names = {folder.File("a.acq")};
    Command(IDM_FILE_OPEN);
    EXPECT_EQ(GraphWindows().size(), 2u);
    EXPECT_TRUE(ContainsBox(boxes, "is already open"));
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0)),
              WindowShowing(folder.File("a.acq")));
}

// The status line names the mode of the document that came into the reused window, as the
// menus and the toolbar do.
TEST_F(FileCommands, TheStatusLineNamesTheModeOfAFileOpenedIntoTheUntitledGraph) {
    TempFolder folder("kymora-status");
    const std::string path = folder.File("scope.acq");
    AcqRecipe recipe;
    AcqChannel c;
    c.slot = 0;
    c.raw = {1, 2, 3, 4};
    recipe.channels = {c};
    recipe.displayMode = kModeScope;
    ASSERT_TRUE(WriteWholeFile(path, BuildAcq(recipe)));
    HWND untitled = GraphWindows()[0];
    ASSERT_EQ(reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0)), untitled);
    ASSERT_EQ(GetWindowGraph(untitled)->displayMode, kModeChart);
    SetStatusText(nullptr);
    ASSERT_NE(std::string(GetStatusTextShown()).find("|Chart|"), std::string::npos) << GetStatusTextShown();
    g_open.names = {path};
    Command(IDM_FILE_OPEN);
    ASSERT_EQ(WindowShowing(path), untitled);
    EXPECT_EQ(GetWindowGraph(untitled)->displayMode, kModeScope);
    EXPECT_NE(std::string(GetStatusTextShown()).find("|Scope|"), std::string::npos) << GetStatusTextShown();
}

TEST_F(FileCommands, AChangedUntitledGraphIsNotReused) {
    TempFolder folder("kymora-changed");
    ASSERT_TRUE(WriteWholeFile(folder.File("c.acq"), SmallFile(3)));
    tagGS* untitled = GetWindowGraph(GraphWindows()[0]);
    setDirtyGraphFlag(untitled, 1);
    g_open.names = {folder.File("c.acq")};
    Command(IDM_FILE_OPEN);
    EXPECT_EQ(GraphWindows().size(), 2u);
    EXPECT_TRUE(GraphShowing(folder.File("c.acq")));
    setDirtyGraphFlag(untitled, 0);
}

TEST_F(FileCommands, AFileThatCannotBeReadIsReportedWithItsReasonAndLeavesNoGraph) {
    TempFolder folder("kymora-bad");
    struct Case {
        const char* name;
        void (*damage)(Bytes&);
        const char* reason;
    } cases[] = {
        {"channels.acq", [](Bytes& f) { PutU16(f, 10, 61); }, "Too many data channels in file"},
        {"empty.acq", [](Bytes& f) { f.clear(); }, "The file is empty."},
        {"head.acq", [](Bytes& f) { f.resize(4); }, "The graph file ends inside its header."},
        {"header.acq", [](Bytes& f) { f.resize(1500); }, "The graph file ends inside its header."},
        {"version.acq", [](Bytes& f) { PutU32(f, 2, 0); }, "The graph file gives no version: it is damaged."},
        {"data.json",
         [](Bytes& f) {
             std::string json = "{\"samples\": [";
             while (json.size() < 4000) json += "1.5, ";
             f.assign(json.begin(), json.end());
         },
         "The file holds text, not a graph."},
    };
    for (const Case& c : cases) {
        Bytes bad = SmallFile(4);
        c.damage(bad);
        const std::string path = folder.File(c.name);
        ASSERT_TRUE(WriteWholeFile(path, bad));
        BoxCapture boxes;
        EXPECT_EQ(OpenGraphFile(path.c_str()), 0) << c.name;
        ASSERT_EQ(boxes.boxes.size(), 1u) << c.name;
        EXPECT_EQ(boxes.boxes[0].text, "Can't open the file '" + path + "'\n" + c.reason) << c.name;
        EXPECT_FALSE(GraphShowing(path)) << c.name;
    }
    // The Untitled graph each was read into is a new graph again.
    ASSERT_EQ(GraphWindows().size(), 1u);
    tagGS* gs = GetWindowGraph(GraphWindows()[0]);
    for (int s = 0; s < kMaxChannels; ++s) EXPECT_FALSE(ChannelInUse(gs, s)) << s;
    char title[64] = "";
    GetWindowTextA(GraphWindows()[0], title, sizeof title);
    EXPECT_EQ(std::string(title).rfind("Untitled", 0), 0u);
}

// A small file whose one marker lies beyond its data.
Bytes FileWithAMarkerBeyondItsData() {
    Bytes f = SmallFile(30);
    const size_t markers = f.size() - (10 + 4) - (8 + 13 + 3);  // before the journal block
    PutU32(f, markers + 8, 0xFFFFFFFF);
    return f;
}

TEST_F(FileCommands, ADamagedFileOpensTellingWhatWasLeftOutAndChanged) {
    TempFolder folder("kymora-leftout");
    const std::string path = folder.File("marker.acq");
    ASSERT_TRUE(WriteWholeFile(path, FileWithAMarkerBeyondItsData()));
    BoxCapture boxes;
    g_open.names = {path};
    Command(IDM_FILE_OPEN);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "Parts of this graph file were damaged and have been left out:\nmarkers placed beyond the end of the "
              "data\n\nThe graph is marked as changed: saving it keeps only the sound parts.");
    EXPECT_EQ(boxes.boxes[0].caption, g_app->szAppTitle);
    EXPECT_EQ(std::string(GetStatusTextShown()).find("%s"), std::string::npos) << "no unfilled text in the strip";
    EXPECT_EQ(gs->modified, 1u);
    EXPECT_EQ(StoredMarkerCount(gs), 0u);
    EXPECT_EQ(gs->chanCount[2], 6u);
    // Saved, it holds only what was sound and reads again without a word.
    const std::string copy = folder.File("copy.acq");
    ASSERT_EQ(SaveDocumentAs(gs, 0, 0, nullptr, copy.c_str(), nullptr), 1);
    const Bytes saved = ReadWholeFile(copy);
    TestDoc again;
    stGraphReadReport report{};
    ASSERT_EQ(ReadGraphBuffer(again.gs, saved.data(), saved.size(), &report), 1);
    EXPECT_EQ(report.leftOut, 0u);
    EXPECT_EQ(StoredMarkerCount(again.gs), 0u);
    EXPECT_EQ(again.gs->chanCount[2], 6u);
}

// A small file with every tagged block behind its one marker: the journal, the marker manager
// (one record, for that marker), the output panels and the graph items (a line, then a dot).
const char kBlocksJournal[] = "Subject rested.\r\nSecond trial.";

struct BlocksFile {
    Bytes bytes;
    size_t journal, manager, panels, items;  // where each block starts
};

BlocksFile SmallFileWithEveryBlock(const Bytes& items = GraphItemsBlock()) {
    AcqRecipe recipe;
    AcqChannel c;
    c.slot = 2;
    c.label = "Pulse";
    for (int16_t i = 0; i < 6; ++i) c.raw.push_back(static_cast<int16_t>(100 * i));
    recipe.channels = {c};
    recipe.selected = 2;
    recipe.markers = {{1, "one"}};
    const uint32_t counters[4] = {1, 0, 0, 0};
    const Bytes journal = JournalBlock(1, kBlocksJournal);
    const Bytes manager = MarkerManagerBlock(counters, {StoredMarkerRecord{}}, 2);
    const Bytes panels = OutputPanelsBlock();
    for (const Bytes* block : {&journal, &manager, &panels, &items})
        recipe.tail.insert(recipe.tail.end(), block->begin(), block->end());
    BlocksFile f;
    f.bytes = BuildAcq(recipe);
    f.items = f.bytes.size() - items.size();
    f.panels = f.items - panels.size();
    f.manager = f.panels - manager.size();
    f.journal = f.manager - journal.size();
    return f;
}

// The file opened with File > Open and written with File > Save As under another name, then
// closed; the boxes the open showed are kept in `boxes`. Empty when it did not open.
Bytes OpenedAndSavedAgain(const TempFolder& folder, const Bytes& file, BoxCapture* boxes, uint32_t* modified) {
    static int n = 0;
    const std::string path = folder.File("open" + std::to_string(++n) + ".acq");
    const std::string copy = folder.File("saved" + std::to_string(n) + ".acq");
    if (!WriteWholeFile(path, file)) return {};
    g_open.names = {path};
    {
        BoxCapture capture;
        SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_OPEN, 0);
        if (boxes) boxes->boxes = capture.boxes;
    }
    HWND w = WindowShowing(path);
    if (!w) return {};
    if (modified) *modified = GetWindowGraph(w)->modified;
    g_save.names = {copy};
    SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_SAVE_AS, 0);
    SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_CLOSE, 0);
    PumpMessages();
    return ReadWholeFile(copy);
}

std::string LeftOutBox(const std::string& parts) {
    return "Parts of this graph file were damaged and have been left out:\n" + parts +
           "\n\nThe graph is marked as changed: saving it keeps only the sound parts.";
}

// One byte of a block's tag changed, or a journal length that is wrong: the blocks after it are
// still read. The damaged block is left out (the file saves as one without it would) and told;
// a journal whose length is wrong keeps its text, which ends where the next block begins.
TEST_F(FileCommands, ADamagedTagOrJournalLengthLeavesOutOnlyThatBlockAndSavesTheRest) {
    TempFolder folder("kymora-tags");
    const BlocksFile sound = SmallFileWithEveryBlock();
    uint32_t modified = 0;
    BoxCapture quiet;
    // The first file opens in the start-up's Untitled graph, whose set-up is the unit's own.
    ASSERT_FALSE(OpenedAndSavedAgain(folder, sound.bytes, nullptr, nullptr).empty());
    const Bytes reference = OpenedAndSavedAgain(folder, sound.bytes, &quiet, &modified);
    ASSERT_GT(reference.size(), sound.items);
    ASSERT_TRUE(quiet.boxes.empty());
    ASSERT_EQ(modified, 0u);
    // What a file without each block saves as: the document keeps its own parts there.
    auto without = [&](size_t from, size_t to) {
        Bytes f = sound.bytes;
        f.erase(f.begin() + from, f.begin() + to);
        return OpenedAndSavedAgain(folder, f, nullptr, nullptr);
    };
    const Bytes noJournal = without(sound.journal, sound.manager);
    const Bytes noManager = without(sound.manager, sound.panels);
    const Bytes noPanels = without(sound.panels, sound.items);
    const Bytes noItems = without(sound.items, sound.bytes.size());
    for (const Bytes* b : {&noJournal, &noManager, &noPanels, &noItems}) {
        ASSERT_GT(b->size(), 3000u);
        ASSERT_NE(*b, reference);
    }
    const uint32_t text = sizeof kBlocksJournal - 1;
    const std::string journalLength = "the damaged length of the journal (its text is kept)";
    struct Case {
        const char* what;
        size_t at;        // the byte changed, or the journal's length field
        uint32_t length;  // the journal length written there (when `tag` is 0)
        uint8_t tag;      // the byte written into a tag
        const Bytes* saved;
        std::string part;
    } cases[] = {
        {"journal tag", sound.journal, 0, 0x45, &noJournal, "the journal"},
        {"marker manager tag", sound.manager + 1, 0, 0x21, &noManager, "the marker types, numbers and preferences"},
        {"output panels tag", sound.panels + 3, 0, 0x13, &noPanels, "the output panel settings"},
        {"graph items tag", sound.items + 2, 0, 0x32, &noItems, "graph items"},
        {"journal length 0", sound.journal + 6, 0, 0, &reference, journalLength},
        {"journal length 1", sound.journal + 6, 1, 0, &reference, journalLength},
        {"journal length 4", sound.journal + 6, 4, 0, &reference, journalLength},
        {"journal length one short", sound.journal + 6, text - 1, 0, &reference, journalLength},
        {"journal length one over", sound.journal + 6, text + 1, 0, &reference, journalLength},
    };
    for (const Case& c : cases) {
        Bytes f = sound.bytes;
        if (c.tag)
            f[c.at] = c.tag;
        else
            PutU32(f, c.at, c.length);
        BoxCapture boxes;
        modified = 0;
        const Bytes saved = OpenedAndSavedAgain(folder, f, &boxes, &modified);
        EXPECT_EQ(boxes.boxes.size(), 1u) << c.what;
        if (!boxes.boxes.empty()) {
            EXPECT_EQ(boxes.boxes[0].text, LeftOutBox(c.part)) << c.what;
        }
        EXPECT_EQ(modified, 1u) << c.what;
        // Byte for byte what the sound parts save as.
        EXPECT_EQ(saved.size(), c.saved->size()) << c.what;
        EXPECT_EQ(std::mismatch(saved.begin(), saved.end(), c.saved->begin(), c.saved->end()).first - saved.begin(),
                  static_cast<std::ptrdiff_t>(saved.size()))
            << c.what << ": the first byte that differs";
    }
}

// A channel whose scale is not a number, or whose sample count the file cannot hold: the box
// names the channel, the graph is marked changed, and the blocks behind the samples are kept.
TEST_F(FileCommands, ADamagedChannelHeaderIsToldByChannel) {
    TempFolder folder("kymora-channel");
    struct Case {
        const char* what;
        size_t at;  // in the channel header
        bool scale;
        std::string part;
    } cases[] = {
        {"scale NaN", 92, true,
         "the damaged scale or offset of channel 2, \"Pulse\" (its samples are kept, shown with the scale and offset "
         "of a new channel)"},
        {"count 2002", 88, false,
         "the damaged sample count of channel 2, \"Pulse\" (it keeps the samples the file holds for it)"},
    };
    for (const Case& c : cases) {
        BlocksFile f = SmallFileWithEveryBlock();
        if (c.scale)
            PutF64(f.bytes, 2976 + c.at, std::nan(""));
        else
            PutU32(f.bytes, 2976 + c.at, 2002);
        const std::string path = folder.File(std::string(c.scale ? "scale" : "count") + ".acq");
        ASSERT_TRUE(WriteWholeFile(path, f.bytes)) << c.what;
        BoxCapture boxes;
        g_open.names = {path};
        Command(IDM_FILE_OPEN);
        tagGS* gs = GraphShowing(path);
        ASSERT_TRUE(gs) << c.what;
        ASSERT_EQ(boxes.boxes.size(), 1u) << c.what;
        // (A count no other channel shares loses the markers, whose section is then not found.)
        if (c.scale) {
            EXPECT_EQ(boxes.boxes[0].text, LeftOutBox(c.part)) << c.what;
        } else {
            EXPECT_EQ(boxes.boxes[0].text, LeftOutBox("the marker types, numbers and preferences\n" + c.part)) << c.what;
        }
        EXPECT_EQ(gs->modified, 1u) << c.what;
        // The file's samples are all there.
        ASSERT_GE(gs->chanCount[2], 6u) << c.what;
        EXPECT_LT(gs->chanCount[2], 2002u) << c.what;
        for (int16_t i = 0; i < 6; ++i) EXPECT_EQ(static_cast<const int16_t*>(gs->chanBlock[2])[i], 100 * i) << c.what;
        if (c.scale) {
            EXPECT_EQ(gs->chanScale[2], 10.0 / 32768.0) << c.what;
        }
        // The journal behind the samples is there.
        CByteWriter out;
        JournalSaveBlock(gs, out);
        EXPECT_EQ(std::string(out.Bytes().begin() + 10, out.Bytes().end()), kBlocksJournal) << c.what;
        Command(IDM_FILE_CLOSE);
        PumpMessages();
    }
}

// A line whose width no drawing can take (2 became 0x00800002) is left out and told; the dot
// after it stays, and the window paints.
TEST_F(FileCommands, AnItemTooWideToDrawIsLeftOutAndTheGraphPaints) {
    TempFolder folder("kymora-wide");
    const std::string path = folder.File("wide.acq");
    BlocksFile f = SmallFileWithEveryBlock();
    ASSERT_EQ(f.bytes[f.items + 12], 'L');
    f.bytes[f.items + 12 + 3] = 0x80;
    ASSERT_TRUE(WriteWholeFile(path, f.bytes));
    BoxCapture boxes;
    g_open.names = {path};
    Command(IDM_FILE_OPEN);
    HWND w = WindowShowing(path);
    ASSERT_TRUE(w);
    // A real paint of the whole window returns.
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
    tagGS* gs = GetWindowGraph(w);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, LeftOutBox("graph items"));
    EXPECT_EQ(gs->modified, 1u);
    ASSERT_TRUE(gs->graphItems);
    ASSERT_EQ(gs->graphItems->Count(), 1);
    EXPECT_TRUE(dynamic_cast<CGraphPoint*>(gs->graphItems->At(0)));
}

// A graph-item block of the given records: kind, width or size, colour, then the doubles.
struct ItemRecord {
    char kind;
    int32_t width;
    uint32_t colour;
    std::vector<double> values;
};
Bytes ItemsBlock(const std::vector<ItemRecord>& records) {
    Bytes b(12, 0);
    PutU32(b, 0, 0x22333322);
    PutU32(b, 4, 1);
    PutU32(b, 8, static_cast<uint32_t>(records.size()) - 1);
    for (const ItemRecord& r : records) {
        Bytes one(9 + 8 * r.values.size(), 0);
        one[0] = static_cast<uint8_t>(r.kind);
        PutU32(one, 1, static_cast<uint32_t>(r.width));
        PutU32(one, 5, r.colour);
        for (size_t i = 0; i < r.values.size(); ++i) PutF64(one, 9 + 8 * i, r.values[i]);
        b.insert(b.end(), one.begin(), one.end());
    }
    return b;
}

// Items whose values are sound but lie far outside the plot (a dot at 1e300, a line of the
// largest width from a 1e300 to the left of the plot to as far to its right) are drawn only
// where they can show: the window paints, and the line's part inside the plot is there.
TEST_F(FileCommands, ItemsFarOutsideThePlotPaintOnlyWhereTheyShow) {
    TempFolder folder("kymora-far");
    // The value at the plot's middle, as the opened graph maps it.
    g_open.names = {folder.File("sound.acq")};
    ASSERT_TRUE(WriteWholeFile(g_open.names[0], SmallFileWithEveryBlock().bytes));
    Command(IDM_FILE_OPEN);
    HWND w = WindowShowing(g_open.names[0]);
    ASSERT_TRUE(w);
    const RECT plot = GetWindowGraph(w)->plotRect;
    ASSERT_GT(plot.right - plot.left, 100);
    ASSERT_GT(plot.bottom - plot.top, 100);
    const stItemMapping m = ItemMappingOf(GetWindowGraph(w));
    ASSERT_NE(m.yScale, 0.0);
    const double middle = (m.yZero - (plot.top + plot.bottom) / 2.0) / m.yScale;
    Command(IDM_FILE_CLOSE);

    const std::string path = folder.File("far.acq");
    const Bytes items = ItemsBlock({{'D', kMaxItemPixels, 0xFF0000, {1e300, 1e300}},
                                    {'D', kMaxItemPixels, 0xFF0000, {-1e300, middle}},
                                    {'L', kMaxItemPixels, 0x0000FF, {-1e300, middle, 1e300, middle}}});
    ASSERT_TRUE(WriteWholeFile(path, SmallFileWithEveryBlock(items).bytes));
    BoxCapture boxes;
    g_open.names = {path};
    Command(IDM_FILE_OPEN);
    w = WindowShowing(path);
    ASSERT_TRUE(w);
    tagGS* gs = GetWindowGraph(w);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(gs->modified, 0u);
    ASSERT_EQ(gs->graphItems->Count(), 3);
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
    HDC dc = GetDC(w);
    const COLORREF centre = GetPixel(dc, (plot.left + plot.right) / 2, (plot.top + plot.bottom) / 2);
    ReleaseDC(w, dc);
    EXPECT_EQ(centre, RGB(255, 0, 0));
}

// A lesson's open asks nothing: what was left out is told in the status line.
TEST_F(FileCommands, ALessonsOpenOfADamagedFileTellsItInTheStatusLine) {
    TempFolder folder("kymora-leftout-quiet");
    const std::string path = folder.File("marker.acq");
    ASSERT_TRUE(WriteWholeFile(path, FileWithAMarkerBeyondItsData()));
    BoxCapture boxes;
    int incompatible = 0;
    tagGS* gs = OpenGraphFileQuiet(path.c_str(), 1, &incompatible);
    ASSERT_TRUE(gs);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(gs->modified, 1u);
    EXPECT_STREQ(GetStatusTextShown(), "Damaged parts of the graph file were left out: markers placed beyond the end of "
                                       "the data");
}

TEST_F(FileCommands, AFileEndingInsideItsSamplesOpensRepairedAndChanged) {
    TempFolder folder("kymora-repair");
    Bytes f = SmallFile(20, 100);
    f.resize(f.size() - 8 - 13 - 3 - 14 - 30);  // the tail, the markers and 15 samples gone
    const std::string path = folder.File("cut.acq");
    ASSERT_TRUE(WriteWholeFile(path, f));
    BoxCapture boxes;
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    // The channel whose count the file could not hold is named.
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, LeftOutBox("the damaged sample count of channel 2, \"Pulse\" (it keeps the samples "
                                              "the file holds for it)"));
    EXPECT_EQ(gs->chanCount[2], 85u);
    EXPECT_EQ(static_cast<const int16_t*>(gs->chanBlock[2])[84], 20 + 84);
    EXPECT_EQ(gs->modified, 1u);
}

TEST_F(FileCommands, TheStoredPlacementComesBackAndIsSavedAgain) {
    TempFolder folder("kymora-place");
    const std::string path = folder.File("placed.acq");
    Bytes f = SmallFile(5);
    const int16_t placed[4] = {10, 40, 650, 580};  // in the frame's client area, above its minimum size
    for (int i = 0; i < 4; ++i) PutU16(f, 56 + 2 * i, static_cast<uint16_t>(placed[i]));
    ASSERT_TRUE(WriteWholeFile(path, f));
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    HWND w = WindowShowing(path);
    ASSERT_TRUE(w);
    RECT rc;
    GetWindowRect(w, &rc);
    MapWindowPoints(nullptr, g_app->hwndFrame, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 10);
    EXPECT_EQ(rc.top, 40);
    EXPECT_EQ(rc.right, 650);
    EXPECT_EQ(rc.bottom, 580);
    const std::string copy = folder.File("copy.acq");
    ASSERT_EQ(SaveDocumentAs(GetWindowGraph(w), 0, 0, nullptr, copy.c_str(), nullptr), 1);
    const Bytes saved = ReadWholeFile(copy);
    ASSERT_GT(saved.size(), 64u);
    EXPECT_EQ(static_cast<int16_t>(GetU16(saved, 56)), 10);
    EXPECT_EQ(static_cast<int16_t>(GetU16(saved, 58)), 40);
    EXPECT_EQ(static_cast<int16_t>(GetU16(saved, 60)), 650);
    EXPECT_EQ(static_cast<int16_t>(GetU16(saved, 62)), 580);
}

// A stored placement whose caption would lie outside the MDI client opens with its caption in
// reach, whichever way the file is opened; its size stays.
TEST_F(FileCommands, AStoredPlacementOutOfReachOpensWithItsCaptionInReach) {
    TempFolder folder("kymora-reach");
    RECT client{};
    GetClientRect(g_app->hwndClient, &client);
    ASSERT_GT(client.right, 640);
    ASSERT_GT(client.bottom, 300);
    POINT origin{0, 0};
    MapWindowPoints(g_app->hwndClient, g_app->hwndFrame, &origin, 1);
    ASSERT_GT(origin.y, 0) << "the toolbar lies above the client";
    struct Row {
        const char* name;
        int16_t left, top;
    } rows[] = {
        {"top0.acq", 0, 0},                                 // the caption behind the toolbar
        {"above.acq", 40, -300},                            // far above
        {"left.acq", -2000, 60},                            // far to the left
        {"right.acq", static_cast<int16_t>(client.right + 500), 60},
        {"below.acq", 40, static_cast<int16_t>(origin.y + client.bottom + 200)},
        {"far.acq", 3000, 2500},                            // far to the right and below
    };
    int n = 0;
    for (const Row& r : rows) {
        const std::string path = folder.File(r.name);
        Bytes f = SmallFile(5);
        // Above the graph window's smallest size.
        const int16_t placed[4] = {r.left, r.top, static_cast<int16_t>(r.left + 640), static_cast<int16_t>(r.top + 520)};
        for (int i = 0; i < 4; ++i) PutU16(f, 56 + 2 * i, static_cast<uint16_t>(placed[i]));
        ASSERT_TRUE(WriteWholeFile(path, f));
        // By path (a drop, a recent file) and through File Open.
        if (n++ % 2 == 0) {
            ASSERT_EQ(OpenGraphFile(path.c_str()), 1) << r.name;
        } else {
            g_open.names = {path};
            Command(IDM_FILE_OPEN);
        }
        HWND w = WindowShowing(path);
        ASSERT_TRUE(w) << r.name;
        RECT rc;
        GetWindowRect(w, &rc);
        MapWindowPoints(nullptr, g_app->hwndClient, reinterpret_cast<POINT*>(&rc), 2);
        // The whole caption inside the client: its full width, and its height down to the
        // window's client area.
        POINT inner{0, 0};
        MapWindowPoints(w, g_app->hwndClient, &inner, 1);
        EXPECT_GE(rc.top, 0) << r.name;
        EXPECT_LE(inner.y, client.bottom) << r.name;
        EXPECT_GT(inner.y, rc.top) << r.name;
        EXPECT_GE(rc.left, 0) << r.name;
        EXPECT_LE(rc.right, client.right) << r.name;
        EXPECT_EQ(rc.right - rc.left, 640) << r.name;
        EXPECT_EQ(rc.bottom - rc.top, 520) << r.name;
    }
    const RECT box{0, 0, 800, 600};
    struct Corner {
        POINT stored, placed;
        LONG width;
    } corners[] = {
        {{10, 40}, {10, 40}, 300},     {{10, -26}, {10, 0}, 300},      {{-290, 5}, {0, 5}, 300},
        {{790, 5}, {500, 5}, 300},     {{10, 900}, {10, 576}, 300},    {{3000, 2500}, {160, 576}, 640},
        {{600, 5}, {0, 5}, 900},  // wider than the client: from its left edge
    };
    for (const Corner& c : corners) {
        const POINT got = ReachableCorner(c.stored, c.width, 24, box);
        EXPECT_EQ(got.x, c.placed.x) << c.stored.x << "," << c.stored.y;
        EXPECT_EQ(got.y, c.placed.y) << c.stored.x << "," << c.stored.y;
    }
}

TEST_F(FileCommands, AGraphSavedMaximisedOpensMaximised) {
    TempFolder folder("kymora-max");
    Bytes f = SmallFile(6);
    for (int i = 0; i < 4; ++i) PutU16(f, 56 + 2 * i, 0xFFFF);
    const std::string path = folder.File("max.acq");
    ASSERT_TRUE(WriteWholeFile(path, f));
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    HWND w = WindowShowing(path);
    ASSERT_TRUE(w);
    EXPECT_TRUE(IsZoomed(w));
}

// The user of the chooser: picks the third line (after "Browse..." and a.acq) and presses Open.
struct Picker {
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && OwnThreadWindow(reinterpret_cast<HWND>(wParam))) {
            HWND dlg = reinterpret_cast<HWND>(wParam);
            HWND list = GetDlgItem(dlg, IDC_CHOOSER_LIST);
            if (list && !g_seen) {
                g_seen = dlg;
                g_items = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
                PostMessageA(list, LB_SETCURSEL, 2, 0);
                PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_CHOOSER_LIST, LBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(list));
                PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HWND g_seen = nullptr;
    static inline int g_items = 0;
};

TEST_F(FileCommands, TheChooserListsTheFoldersGraphFilesAndOpensTheChosenOne) {
    TempFolder folder("kymora-chooser");
    ASSERT_TRUE(WriteWholeFile(folder.File("a.acq"), SmallFile(7)));
    ASSERT_TRUE(WriteWholeFile(folder.File("b.acq"), SmallFile(8)));
    ASSERT_TRUE(WriteWholeFile(folder.File("notes.txt"), Bytes(3, 'x')));
    char before[MAX_PATH];
    GetCurrentDirectoryA(sizeof before, before);
    SetCurrentDirectoryA(folder.path.c_str());
    Picker::g_seen = nullptr;
    HHOOK hook = SetWindowsHookExA(WH_CBT, Picker::Hook, nullptr, GetCurrentThreadId());
    Command(IDM_FILE_CHOOSER);
    UnhookWindowsHookEx(hook);
    SetCurrentDirectoryA(before);
    EXPECT_TRUE(Picker::g_seen);
    EXPECT_EQ(Picker::g_items, 3);
    tagGS* gs = GraphShowing(folder.File("b.acq"));
    ASSERT_TRUE(gs);
    EXPECT_EQ(static_cast<const int16_t*>(gs->chanBlock[2])[0], 8);
}

// The user of a common file dialog: once the dialog's own page (the program's template) is up,
// ticks "Selected section only" when asked to, types a name and presses OK.
struct Typist {
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG && !g_done) {
            HWND common = GetParent(call->hwnd);
            HWND name = common ? GetDlgItem(common, 1148) : nullptr;  // the explorer dialog's name box
            if (name) {
                g_done = true;
                if (g_tick) CheckDlgButton(call->hwnd, IDC_SAVE_SELECTION_ONLY, BST_CHECKED);
                SetWindowTextA(name, g_name.c_str());
                PostMessageA(common, WM_COMMAND, IDOK, 0);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline std::string g_name;
    static inline bool g_tick = false;
    static inline bool g_done = false;
};

TEST_F(FileCommands, TheCommonDialogsWithTheProgramsPagesOpenAndSave) {
    SetFileDialogProcs(nullptr, nullptr);
    TempFolder folder("kymora-dialogs");
    const std::string path = folder.File("typed.acq");
    ASSERT_TRUE(WriteWholeFile(path, BuildAcq(RichRecipe())));
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, Typist::Hook, nullptr, GetCurrentThreadId());
    Typist::g_name = path;
    Typist::g_done = false;
    Command(IDM_FILE_OPEN);
    EXPECT_TRUE(Typist::g_done);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    EXPECT_STREQ(gs->chanLabel[0], "Biceps EMG");

    // Save As with the selection alone ticked on the program's page of the save dialog.
    gs->selStart = 3.5;
    gs->selEnd = 4.5;
    const std::string part = folder.File("typed-part.acq");
    Typist::g_name = part;
    Typist::g_tick = true;
    Typist::g_done = false;
    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(WindowShowing(path)), 0);
    Command(IDM_FILE_SAVE_AS);
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(Typist::g_done);
    const Bytes saved = ReadWholeFile(part);
    ASSERT_GT(saved.size(), 3000u);
    EXPECT_EQ(GetU32(saved, 2976 + 88), 2u);  // two samples of the first channel: the selection
    EXPECT_EQ(std::string(gs->title), path);  // a selection saved alone leaves the name
}

// The user of the save dialog who, once it is up, tells what the type list and the name field
// offer, chooses "Metafile (*.WMF)" in the type list (as the keyboard can even when it is not
// shown) and presses Save.
struct TypeChooser {
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG && !g_done) {
            HWND common = GetParent(call->hwnd);
            HWND list = common ? GetDlgItem(common, 1136) : nullptr;  // the explorer dialog's type list
            if (list) {
                g_done = true;
                // The dialog itself is not shown yet: the controls' own styles tell.
                auto shown = [](HWND w) { return w && (GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE) != 0; };
                g_listShown = shown(list) && shown(GetDlgItem(common, 1089));
                g_nameEnabled = IsWindowEnabled(GetDlgItem(common, 1148)) != FALSE;
                PostMessageA(list, CB_SETCURSEL, 2, 0);
                // A choice in the list: the selection changes, then ends there.
                for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
                    PostMessageA(common, WM_COMMAND, MAKEWPARAM(1136, code), reinterpret_cast<LPARAM>(list));
                PostMessageA(common, WM_COMMAND, IDOK, 0);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline bool g_done = false, g_listShown = false, g_nameEnabled = false;
};

// Save As with the name locked (a lesson's SAVE "", R) writes the graph under its name whatever
// type is chosen; with the name free, choosing a type gives the name that type's extension, so
// the graph's file is never overwritten with a picture.
TEST_F(FileCommands, APictureIsNeverWrittenOverTheGraphsOwnFile) {
    SetFileDialogProcs(nullptr, nullptr);
    TempFolder folder("kymora-savetype");
    struct Case {
        int lockName;
        bool listShown, nameEnabled;
    } cases[] = {{1, false, false}, {0, true, true}};
    for (const Case& c : cases) {
        const std::string path = folder.File(c.lockName ? "locked.acq" : "free.acq");
        const std::string picture = folder.File(c.lockName ? "locked.wmf" : "free.wmf");
        ASSERT_TRUE(WriteWholeFile(path, SmallFile(30)));
        ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
        tagGS* gs = GraphShowing(path);
        ASSERT_TRUE(gs);
        setDirtyGraphFlag(gs, 1);
        TypeChooser::g_done = false;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, TypeChooser::Hook, nullptr, GetCurrentThreadId());
        {
            BoxCapture boxes;
            boxes.answer = IDYES;  // "... already exists. Do you want to replace it?"
            EXPECT_EQ(SaveDocumentAs(gs, 1, c.lockName, nullptr, nullptr, nullptr), 1) << c.lockName;
        }
        UnhookWindowsHookEx(hook);
        ASSERT_TRUE(TypeChooser::g_done) << c.lockName;
        EXPECT_EQ(TypeChooser::g_listShown, c.listShown) << c.lockName;
        EXPECT_EQ(TypeChooser::g_nameEnabled, c.nameEnabled) << c.lockName;
        const Bytes graph = ReadWholeFile(path);
        ASSERT_GT(graph.size(), 3000u) << c.lockName;
        EXPECT_NE(GetU32(graph, 0), 0x9AC6CDD7u) << c.lockName << ": no picture under the graph's name";
        EXPECT_EQ(GetU32(graph, 2), 42u) << c.lockName;
        EXPECT_EQ(std::string(gs->title), path) << c.lockName;
        const Bytes drawn = ReadWholeFile(picture);
        if (c.lockName) {
            EXPECT_TRUE(drawn.empty()) << "a locked name saves the graph, not a picture";
            EXPECT_EQ(gs->modified, 0u);
        } else {
            ASSERT_GT(drawn.size(), 22u) << "the picture went under the name of its type";
            EXPECT_EQ(GetU32(drawn, 0), 0x9AC6CDD7u);
        }
    }
}

// The user of the save dialog with a locked name who, once the dialog has set itself up,
// presses one key.
struct KeyPresser {
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG && !g_common) {
            HWND common = GetParent(call->hwnd);
            if (common && GetDlgItem(common, 1136)) {
                g_common = common;
                PressKeyWhenSetUp(common, g_key);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HWND g_common = nullptr;
    static inline WPARAM g_key = 0;
};

// With the name locked, Enter saves under that name and Escape cancels, as with a free name.
TEST_F(FileCommands, TheLockedNameSaveDialogAnswersEnterAndEscape) {
    SetFileDialogProcs(nullptr, nullptr);
    TempFolder folder("kymora-lockkeys");
    const std::string path = folder.File("keys.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallFile(30)));
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    struct Case {
        WPARAM key;
        int saved;
    } cases[] = {{VK_ESCAPE, 0}, {VK_RETURN, 1}};
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteWholeFile(path, Bytes(16, 0x11)));  // what a cancel leaves
        setDirtyGraphFlag(gs, 1);
        KeyPresser::g_common = nullptr;
        KeyPresser::g_key = c.key;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, KeyPresser::Hook, nullptr, GetCurrentThreadId());
        int result = -1;
        {
            BoxCapture boxes;
            boxes.answer = IDYES;
            result = SaveDocumentAs(gs, 1, 1, nullptr, nullptr, nullptr);
        }
        UnhookWindowsHookEx(hook);
        ASSERT_TRUE(KeyPresser::g_common) << c.key;
        const KeyPressSeen seen = LastKeyPress();
        ASSERT_TRUE(seen.pressed) << c.key;
        EXPECT_TRUE(seen.focusInDialog) << c.key << ": a control of the dialog has the focus";
        EXPECT_EQ(result, c.saved) << c.key;
        EXPECT_EQ(ReadWholeFile(path).size() > 3000u, c.saved == 1) << c.key;
        EXPECT_EQ(ReadWholeFile(path) == Bytes(16, 0x11), c.saved == 0) << c.key;
    }
    setDirtyGraphFlag(gs, 0);
}

// The user of the chooser who first browses to another folder, then picks its second file.
struct Browser {
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && !g_done && OwnThreadWindow(reinterpret_cast<HWND>(wParam))) {
            HWND dlg = reinterpret_cast<HWND>(wParam);
            HWND list = GetDlgItem(dlg, IDC_CHOOSER_LIST);
            if (list) {
                g_done = true;
                const LPARAM control = reinterpret_cast<LPARAM>(list);
                PostMessageA(dlg, WM_COMMAND, IDOK, 0);  // "Browse..." is selected at first
                PostMessageA(list, LB_SETCURSEL, 2, 0);
                PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_CHOOSER_LIST, LBN_SELCHANGE), control);
                PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_CHOOSER_LIST, LBN_DBLCLK), control);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline bool g_done = false;
};

TEST_F(FileCommands, TheChoosersBrowseStepChangesTheFolderItLists) {
    TempFolder first("kymora-browse-a"), second("kymora-browse-b");
    ASSERT_TRUE(WriteWholeFile(first.File("a.acq"), SmallFile(21)));
    ASSERT_TRUE(WriteWholeFile(second.File("x.acq"), SmallFile(22)));
    ASSERT_TRUE(WriteWholeFile(second.File("y.acq"), SmallFile(23)));
    char before[MAX_PATH];
    GetCurrentDirectoryA(sizeof before, before);
    SetCurrentDirectoryA(first.path.c_str());
    g_open.names = {second.File("x.acq")};  // the Browse step's open dialog ends in the second folder
    Browser::g_done = false;
    HHOOK hook = SetWindowsHookExA(WH_CBT, Browser::Hook, nullptr, GetCurrentThreadId());
    Command(IDM_FILE_CHOOSER);
    UnhookWindowsHookEx(hook);
    char now[MAX_PATH];
    GetCurrentDirectoryA(sizeof now, now);
    SetCurrentDirectoryA(before);
    EXPECT_EQ(g_open.calls, 1);
    EXPECT_EQ(std::string(now), second.path);
    tagGS* gs = GraphShowing(second.File("y.acq"));
    ASSERT_TRUE(gs);
    EXPECT_EQ(static_cast<const int16_t*>(gs->chanBlock[2])[0], 23);
}

// ---- What a graph window leaves behind ----

// The objects of this process: GDI objects, windows, menus, and the bytes and blocks taken from
// its heaps (global blocks included). Wine answers GetGuiResources with nothing; its handle
// tables take a handle's index alone, so every index is asked.
struct ObjectCount {
    long gdi = 0, windows = 0, menus = 0, heapBlocks = 0;
    long long heapBytes = 0;
};

BOOL CALLBACK CountWindow(HWND w, LPARAM l) {
    auto* n = reinterpret_cast<long*>(l);
    ++*n;
    EnumChildWindows(w, [](HWND, LPARAM c) -> BOOL { return ++*reinterpret_cast<long*>(c), TRUE; }, l);
    return TRUE;
}

ObjectCount CountObjects() {
    ObjectCount c;
    c.gdi = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    if (c.gdi == 0)
        for (uintptr_t i = 1; i < 0x10000; ++i) c.gdi += GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&c.windows));
    for (uintptr_t h = 0x20; h < 0x10000; h += 2) c.menus += IsMenu(reinterpret_cast<HMENU>(h)) ? 1 : 0;
    HANDLE heaps[64];
    const DWORD n = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < n && i < 64; ++i) {
        PROCESS_HEAP_ENTRY e{};
        HeapLock(heaps[i]);
        while (HeapWalk(heaps[i], &e))
            if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                ++c.heapBlocks;
                c.heapBytes += e.cbData;
            }
        HeapUnlock(heaps[i]);
    }
    return c;
}

// Every graph window opened from a file and closed again gives back all it took: GDI objects,
// windows, menus, heap and global blocks. (The document's acquisition set-up, some 15 KB, and its
// marker list's block once stayed behind with every graph.)
TEST_F(FileCommands, OpeningAndClosingAGraphLeavesNothingBehind) {
    TempFolder folder("kymora-cycles");
    const std::string path = folder.File("cycle.acq");
    ASSERT_TRUE(WriteWholeFile(path, BuildAcq(RichRecipe())));
    auto cycle = [&] {
        ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
        HWND w = WindowShowing(path);
        ASSERT_TRUE(w);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w), 0);
        PumpMessages();
        Command(IDM_FILE_CLOSE);
        PumpMessages();
        ASSERT_FALSE(IsWindow(w));
    };
    for (int i = 0; i < 5; ++i) cycle();  // libraries and caches settle
    const ObjectCount before = CountObjects();
    ASSERT_GT(before.gdi, 0) << "the GDI objects can be counted";
    ASSERT_GT(before.menus, 0) << "the menus can be counted";
    constexpr int kCycles = 10;
    for (int i = 0; i < kCycles; ++i) cycle();
    const ObjectCount after = CountObjects();
    // The system makes and drops a cached object or two of its own now and then: a graph that kept
    // any of its own would show one for every cycle.
    EXPECT_LT(after.gdi - before.gdi, kCycles / 2) << "GDI objects";
    EXPECT_LE(after.windows, before.windows);
    EXPECT_LE(after.menus, before.menus);
    EXPECT_LT(after.heapBlocks - before.heapBlocks, kCycles) << "not one block a graph";
    EXPECT_LT(after.heapBytes - before.heapBytes, 1024LL * kCycles) << "not a kilobyte a graph";
}

// ---- Saving ----

TEST_F(FileCommands, SaveAsFromTheMenuWritesTheActiveGraphUnderTheChosenName) {
    TempFolder folder("kymora-saveas");
    const std::string path = folder.File("source.acq");
    const Bytes original = SmallFile(9);
    ASSERT_TRUE(WriteWholeFile(path, original));
    tagGS* gs = OpenedAndActive(path);
    ASSERT_TRUE(gs);
    HWND w = gs->hwnd;
    setDirtyGraphFlag(gs, 1);
    const std::string target = folder.File("saved.acq");
    g_save.names = {target};
    Command(IDM_FILE_SAVE_AS);
    EXPECT_EQ(g_save.calls, 1);
    const Bytes saved = ReadWholeFile(target);
    // The file read back: the same samples, markers and journal as the original.
    EXPECT_EQ(std::memcmp(saved.data() + 2976 + 4, original.data() + 2976 + 4, 252 - 4), 0);
    // The samples follow the graph header, the one channel header, the foreign block (whose
    // length word counts its head) and the type entry.
    const size_t data = 2976 + 252 + GetU16(saved, 2976 + 252) + 4;
    EXPECT_EQ(GetU16(saved, data), 9);
    EXPECT_EQ(std::string(gs->title), target);
    EXPECT_EQ(WindowShowing(target), w);
    EXPECT_EQ(gs->modified, 0u);
    EXPECT_TRUE(TemporaryLeftovers(folder).empty());
    EXPECT_EQ(std::string(GetRememberedFolder(kRememberSave)), folder.path + "\\");
}

TEST_F(FileCommands, AGraphSavedAsTextOpensAgainWithItsSamples) {
    TempFolder folder("kymora-text");
    const std::string path = folder.File("source.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallFile(-3, 40)));
    tagGS* gs = OpenedAndActive(path);
    ASSERT_TRUE(gs);
    const stTextSaveOptions keptSave = g_textSave;
    const stTextReadOptions keptRead = g_textRead;
    g_textSave = stTextSaveOptions{1, 0, kTextComma};
    const std::string target = folder.File("saved.txt");
    g_save.names = {target};
    g_save.filterIndex = 2;
    Command(IDM_FILE_SAVE_AS);
    EXPECT_EQ(std::string(gs->title), path) << "a text copy leaves the graph's name";
    const Bytes text = ReadWholeFile(target);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(std::string(text.begin(), text.begin() + static_cast<long>(path.size())), path);

    g_textRead = stTextReadOptions{};
    g_textRead.delimiter = kTextComma;
    g_textRead.startLine = 8;  // title, interval, count, label, units, names, counts
    g_textRead.interval = gs->sampleInterval;
    g_open.names = {target};
    g_open.filterIndex = 3;
    Command(IDM_FILE_OPEN);
    tagGS* read = GraphShowing(target);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->chanCount[1], 40u);
    EXPECT_EQ(read->sampleInterval, gs->sampleInterval);
    for (int i = 0; i < 40; ++i) {
        double want = 0, got = 0;
        ASSERT_TRUE(GetChannelSample(gs, i, 2, &want));
        ASSERT_TRUE(GetChannelSample(read, i, 1, &got));
        EXPECT_NEAR(got, want, 1e-5 * std::fabs(want) + 1e-12) << i;
    }
    g_textSave = keptSave;
    g_textRead = keptRead;
}

TEST_F(FileCommands, AnUntitledGraphAsksForANameAndProposesItWithItsExtension) {
    tagGS* gs = GetWindowGraph(GraphWindows()[0]);
    g_save.cancel = true;
    EXPECT_EQ(SaveDocumentAs(gs, 0, 0, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(g_save.calls, 1);
    EXPECT_EQ(g_save.proposed, std::string(gs->title) + ".acq");
    struct Case {
        const char* name;
        int fromTemplate;
        bool ask;
    } cases[] = {
        {"Untitled3", 0, true},         {"Untitled3.acq", 0, false},     {"Muscle FFT", 0, true},
        {"derivative", 0, true},        {"Derivative 2", 0, false},      {"Histogram of rates", 0, true},
        {"C:\\data\\run.acq", 1, true}, {"C:\\data\\run.acq", 0, false},
    };
    for (const Case& c : cases) EXPECT_EQ(SaveNameMustBeAsked(c.name, c.fromTemplate), c.ask) << c.name;
}

TEST_F(FileCommands, SavingOverAFileReplacesItWholeAfterTheWrite) {
    TempFolder folder("kymora-replace");
    const std::string path = folder.File("graph.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallFile(10)));
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    // A longer file at the target: the save leaves nothing of it behind.
    const std::string fresh = folder.File("fresh.acq");
    ASSERT_EQ(SaveDocumentAs(gs, 0, 0, nullptr, fresh.c_str(), nullptr), 1);
    const Bytes expected = ReadWholeFile(fresh);
    const std::string target = folder.File("target.acq");
    ASSERT_TRUE(WriteWholeFile(target, Bytes(expected.size() * 4 + 1000, 0xEE)));
    ASSERT_EQ(SaveDocumentAs(gs, 0, 0, nullptr, target.c_str(), nullptr), 1);
    const Bytes saved = ReadWholeFile(target);
    EXPECT_EQ(saved, expected);
    EXPECT_EQ(GetU32(saved, 2), 42u);
    EXPECT_TRUE(TemporaryLeftovers(folder).empty());
}

TEST_F(FileCommands, AFailedSaveKeepsTheTargetAndTellsItsCause) {
    TempFolder folder("kymora-fail");
    // A long document pages its samples from its file; with that file gone the write fails.
    const std::string path = folder.File("long.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallFile(11, 20000)));
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    ASSERT_EQ(gs->storageKind, kStoreDiskPaged);
    const std::string target = folder.File("kept.acq");
    const Bytes before(5000, 0x42);
    ASSERT_TRUE(WriteWholeFile(target, before));
    // Renamed away behind the program's back: the box names the file that is missing, not the
    // new target, through Save As as the user gives it.
    const std::string renamed = folder.File("renamed.acq");
    ASSERT_TRUE(MoveFileA(path.c_str(), renamed.c_str()));
    {
        HWND w = WindowShowing(path);
        ASSERT_TRUE(w);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w), 0);
        g_save = DialogAnswer{};
        g_save.names = {target};
        BoxCapture boxes;
        Command(IDM_FILE_SAVE_AS);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "The file that holds this graph's samples cannot be found.\n" + path);
        EXPECT_EQ(boxes.boxes[0].caption, g_app->szAppTitle);
    }
    EXPECT_EQ(ReadWholeFile(target), before);
    EXPECT_TRUE(TemporaryLeftovers(folder).empty());
    EXPECT_EQ(gs->modified, 1u);
    EXPECT_EQ(std::string(gs->filePath), path);
    ASSERT_TRUE(MoveFileA(renamed.c_str(), path.c_str()));  // back for the read-only case

    // A read-only target.
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        BoxCapture boxes;
        EXPECT_EQ(SaveDocumentAs(gs, 0, 0, nullptr, target.c_str(), nullptr), 0);
        EXPECT_TRUE(ContainsBox(boxes, "Can't open this file for writing"));
    }
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadWholeFile(target), before);

    // A folder that is not there.
    {
        BoxCapture boxes;
        EXPECT_EQ(SaveDocumentAs(gs, 0, 0, nullptr, folder.File("gone\\x.acq").c_str(), nullptr), 0);
        EXPECT_TRUE(ContainsBox(boxes, "The folder to save in cannot be found."))
            << (boxes.boxes.empty() ? "" : boxes.boxes[0].text);
    }
    EXPECT_TRUE(TemporaryLeftovers(folder).empty());
}

// File > Save and Save As that fail: one box in the program's title, saying the cause and
// naming the file, the file as it was.
TEST_F(FileCommands, ASaveFromTheMenuThatFailsNamesTheFileAndItsCause) {
    TempFolder folder("kymora-savecause");
    const std::string path = folder.File("source.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallFile(12)));
    tagGS* gs = OpenedAndActive(path);
    ASSERT_TRUE(gs);
    const Bytes before = ReadWholeFile(path);
    const std::string gone = folder.File("gone\\saved.acq");
    const struct {
        const char* name;
        UINT command;
        DWORD failure;  // the write's failure, 0 for none
        std::string target, text;
    } cases[] = {
        {"full disk", IDM_FILE_SAVE, ERROR_DISK_FULL, path, "Not enough disk space to save data\n" + path},
        {"missing folder", IDM_FILE_SAVE_AS, 0, gone, "The folder to save in cannot be found.\n" + gone},
        {"unknown cause", IDM_FILE_SAVE, ERROR_CRC, path,
         "The file " + path + " could not be written.\n" + SystemErrorText(ERROR_CRC)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setDirtyGraphFlag(gs, 1);
        g_save = DialogAnswer{};
        g_save.names = {c.target};
        BoxCapture boxes;
        SetFileWriteFailureForTests(c.failure);
        Command(c.command);
        SetFileWriteFailureForTests(0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, c.text);
        EXPECT_EQ(boxes.boxes[0].caption, g_app->szAppTitle);
        EXPECT_EQ(ReadWholeFile(path), before);
        EXPECT_EQ(gs->modified, 1u);
        EXPECT_EQ(std::string(gs->title), path);
    }
    EXPECT_EQ(GetFileAttributesA(folder.File("gone").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(TemporaryLeftovers(folder).empty());
}

TEST_F(FileCommands, APagedGraphSavedOverItsOwnFileGoesOnReadingTheNewFile) {
    TempFolder folder("kymora-own");
    const std::string path = folder.File("own.acq");
    AcqRecipe recipe;
    AcqChannel c;
    c.slot = 0;
    for (int i = 0; i < 20000; ++i) c.raw.push_back(static_cast<int16_t>(i));
    recipe.channels = {c};
    recipe.headerLength = 3100;  // an older header: the saved file's samples start elsewhere
    ASSERT_TRUE(WriteWholeFile(path, BuildAcq(recipe)));
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    ASSERT_EQ(gs->storageKind, kStoreDiskPaged);
    setDirtyGraphFlag(gs, 1);
    ASSERT_EQ(SaveDocumentAs(gs, 0, 0, nullptr, path.c_str(), nullptr), 1);
    EXPECT_EQ(GetU32(ReadWholeFile(path), 6), 2976u);
    // The samples now start after the new head (and the set-up block the library keeps in it).
    const Bytes written = ReadWholeFile(path);
    EXPECT_EQ(gs->dataOffset, 2976u + 252 + GetU16(written, 2976 + 252) + 4);
    for (int i : {0, 1, 8191, 8192, 19000, 19999}) {
        double v = 0;
        ASSERT_EQ(GetChannelSample(gs, i, 0, &v), 1) << i;
        EXPECT_EQ(v, i * (10.0 / 32768.0)) << i;
    }
    EXPECT_TRUE(TemporaryLeftovers(folder).empty());
}

TEST_F(FileCommands, ANameAnotherGraphShowsIsRefusedAndWithoutADialogTheSaveEnds) {
    TempFolder folder("kymora-same");
    ASSERT_TRUE(WriteWholeFile(folder.File("one.acq"), SmallFile(12)));
    ASSERT_TRUE(WriteWholeFile(folder.File("two.acq"), SmallFile(13)));
    ASSERT_EQ(OpenGraphFile(folder.File("one.acq").c_str()), 1);
    ASSERT_EQ(OpenGraphFile(folder.File("two.acq").c_str()), 1);
    tagGS* two = GraphShowing(folder.File("two.acq"));
    BoxCapture boxes;
    EXPECT_EQ(SaveDocumentAs(two, 0, 0, nullptr, folder.File("one.acq").c_str(), nullptr), 0);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    // With the dialog, the refusal asks again; a cancel then ends it.
    g_save.names = {folder.File("one.acq")};
    g_save.cancel = false;
    struct Once {
        static BOOL Proc(OPENFILENAMEA* ofn) {
            if (g_save.calls >= 1) g_save.cancel = true;
            return Answer(g_save, ofn);
        }
    };
    SetFileDialogProcs(OpenAnswer, Once::Proc);
    EXPECT_EQ(SaveDocumentAs(two, 1, 0, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(g_save.calls, 2);
    EXPECT_EQ(std::string(two->title), folder.File("two.acq"));
}

// The file another graph shows, named through another drive that reaches it or by its short
// name: Save As from the menu refuses it (the dialog comes again), so the paged recording keeps
// its file and its window can still save; File > Open of it only activates its window.
TEST_F(FileCommands, AnOpenFileUnderAnotherSpellingIsNeitherWrittenOverNorOpenedTwice) {
    TempFolder folder("kymora-spelling");
    const std::string alpha = folder.File("alpha recording.acq"), beta = folder.File("beta.acq");
    AcqRecipe recipe;
    AcqChannel c;
    c.slot = 0;
    for (int i = 0; i < 20000; ++i) c.raw.push_back(static_cast<int16_t>(i));
    recipe.channels = {c};
    const Bytes alphaBytes = BuildAcq(recipe);
    ASSERT_TRUE(WriteWholeFile(alpha, alphaBytes));
    ASSERT_TRUE(WriteWholeFile(beta, SmallFile(13)));
    ASSERT_EQ(OpenGraphFile(alpha.c_str()), 1);
    ASSERT_EQ(OpenGraphFile(beta.c_str()), 1);
    tagGS* alphaGraph = GraphShowing(alpha);
    ASSERT_TRUE(alphaGraph);
    ASSERT_EQ(alphaGraph->storageKind, kStoreDiskPaged);
    const struct {
        const char* what;
        std::string spelling;
    } cases[] = {
        {"through the root drive", ThroughRootDrive(alpha)},
        {"by its short name", ShortSpelling(alpha)},
        {"in other case", folder.path + "\\.\\ALPHA RECORDING.ACQ"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        ASSERT_NE(k.spelling, "");
        ASSERT_NE(k.spelling, alpha);
        HWND betaWindow = WindowShowing(beta);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(betaWindow), 0);
        setDirtyGraphFlag(GetWindowGraph(betaWindow), 1);
        g_save = DialogAnswer{};
        g_save.names = {k.spelling};
        struct Once {
            static BOOL Proc(OPENFILENAMEA* ofn) {
                if (g_save.calls >= 1) g_save.cancel = true;
                return Answer(g_save, ofn);
            }
        };
        SetFileDialogProcs(OpenAnswer, Once::Proc);
        BoxCapture boxes;
        Command(IDM_FILE_SAVE_AS);
        EXPECT_EQ(g_save.calls, 2) << "refused, the dialog comes again";
        EXPECT_TRUE(ContainsBox(boxes, "is already open.\nPlease choose another name."));
        EXPECT_EQ(ReadWholeFile(alpha), alphaBytes);
        EXPECT_EQ(WindowShowing(beta), betaWindow) << "beta keeps its name";
        // File > Open of the same file only brings its window forward.
        g_open = DialogAnswer{};
        g_open.names = {k.spelling};
        const size_t windows = GraphWindows().size();
        Command(IDM_FILE_OPEN);
        EXPECT_EQ(GraphWindows().size(), windows);
        EXPECT_TRUE(ContainsBox(boxes, "is already open"));
        EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0)),
                  WindowShowing(alpha));
    }
    // The recording still reads from its file, and saves.
    for (int i : {0, 8191, 19999}) {
        double v = 0;
        ASSERT_EQ(GetChannelSample(alphaGraph, i, 0, &v), 1) << i;
        EXPECT_EQ(v, i * (10.0 / 32768.0)) << i;
    }
    const std::string copy = folder.File("alpha copy.acq");
    EXPECT_EQ(SaveDocumentCopyAs(alphaGraph, 0, 0, nullptr, copy.c_str(), nullptr), 1);
    EXPECT_GT(ReadWholeFile(copy).size(), 40000u);
}

TEST_F(FileCommands, ASelectionSavedAloneKeepsTheDocumentsNameAndItsSegmentMarker) {
    TempFolder folder("kymora-selection");
    AcqRecipe recipe = RichRecipe();
    const std::string path = folder.File("rich.acq");
    ASSERT_TRUE(WriteWholeFile(path, BuildAcq(recipe)));
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    gs->selStart = 3.5;
    gs->selEnd = 4.5;
    const std::string part = folder.File("part.acq");
    g_save.names = {part};
    g_save.selectionOnly = true;
    ASSERT_EQ(SaveDocumentAs(gs, 1, 0, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(std::string(gs->title), path);
    const Bytes saved = ReadWholeFile(part);
    EXPECT_EQ(GetU32(saved, 2976 + 88), 2u);
    // Opened, the part has the one append marker of its segment, the part's first.
    ASSERT_EQ(OpenGraphFile(part.c_str()), 1);
    tagGS* opened = GraphShowing(part);
    ASSERT_TRUE(opened);
    ASSERT_EQ(StoredMarkerCount(opened), 1u);
    EXPECT_STREQ(StoredMarkerAt(opened, 0)->label, "Segment 1");
}

TEST_F(FileCommands, ATemplateIsSavedAndOpensWithoutSamplesAskingForAName) {
    TempFolder folder("kymora-template");
    const std::string path = folder.File("source.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallFile(14)));
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    tagGS* gs = GraphShowing(path);
    const std::string templ = folder.File("setup.gtl");
    g_save.names = {templ};
    g_save.filterIndex = 4;
    ASSERT_EQ(SaveDocumentAs(gs, 1, 0, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(std::string(gs->title), path);  // a template leaves the document's name
    EXPECT_EQ(GetU32(ReadWholeFile(templ), 2), 37u);
    ASSERT_EQ(OpenGraphFile(templ.c_str()), 1);
    tagGS* fromTemplate = GraphShowing(templ);
    ASSERT_TRUE(fromTemplate);
    EXPECT_EQ(fromTemplate->isTemplate, 1u);
    EXPECT_TRUE(ChannelInUse(fromTemplate, 2));
    EXPECT_EQ(fromTemplate->chanCount[2], 0u);
    EXPECT_TRUE(SaveNameMustBeAsked(fromTemplate->title, fromTemplate->isTemplate));
    // It opens changed: closing it asks whether to save, and Cancel keeps it.
    EXPECT_EQ(fromTemplate->modified, 1u);
    HWND w = WindowShowing(templ);
    {
        BoxCapture boxes;
        boxes.answer = IDCANCEL;
        SendMessageA(w, WM_CLOSE, 0, 0);
        EXPECT_EQ(boxes.boxes.size(), 1u);
    }
    EXPECT_TRUE(IsWindow(w));
}

// A text, picture or template never goes over a graph file or under a name File Open takes for
// one: the name gets the chosen type's extension, and the graph's file keeps its recording.
TEST_F(FileCommands, AnotherTypeIsWrittenUnderItsOwnExtensionNeverOverTheGraphsFile) {
    TempFolder folder("kymora-types");
    const std::string victim = folder.File("victim.acq");
    const Bytes recording = SmallFile(15);
    ASSERT_TRUE(WriteWholeFile(victim, recording));
    ASSERT_EQ(OpenGraphFile(victim.c_str()), 1);
    tagGS* gs = GraphShowing(victim);
    ASSERT_TRUE(gs);
    struct Case {
        DWORD filterIndex;
        const char* typed;
        const char* written;
    } cases[] = {
        {3, "victim.acq", "victim.wmf"}, {4, "victim.acq", "victim.gtl"}, {2, "victim.acq", "victim.txt"},
        {3, "plain", "plain.wmf"},       {4, "other.ACQ", "other.gtl"},   {2, "report.csv", "report.csv.txt"},
        {2, "notes.TXT", "notes.TXT"},   {3, "picture.txt", "picture.wmf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " as type " + std::to_string(c.filterIndex));
        g_save = DialogAnswer{};
        g_save.names = {folder.File(c.typed)};
        g_save.filterIndex = c.filterIndex;
        BoxCapture boxes;
        ASSERT_EQ(SaveDocumentAs(gs, 1, 0, nullptr, nullptr, nullptr), 1);
        EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
        EXPECT_EQ(ReadWholeFile(victim), recording) << "the graph's file keeps its recording";
        const Bytes written = ReadWholeFile(folder.File(c.written));
        ASSERT_FALSE(written.empty());
        if (c.filterIndex == 3) {
            EXPECT_EQ(GetU32(written, 0), 0x9AC6CDD7u);
        }
        if (c.filterIndex == 4) {
            EXPECT_EQ(GetU32(written, 2), 37u);
        }
        if (std::string(c.typed) != c.written && folder.File(c.typed) != victim) {
            EXPECT_EQ(GetFileAttributesA(folder.File(c.typed).c_str()), INVALID_FILE_ATTRIBUTES);
        }
        EXPECT_EQ(std::string(gs->title), victim) << "the window still shows the graph's own file";
    }
    EXPECT_TRUE(TemporaryLeftovers(folder).empty());
}

// The name a type's extension gave was not the one the dialog asked about: replacing a file of
// that name is asked first, and a Cancel shows the dialog again. A graph opened from a file that
// now would be written in another format is refused.
TEST_F(FileCommands, AnotherTypesNameThatHoldsAFileIsAskedAboutAndAnOpenGraphsFileIsRefused) {
    TempFolder folder("kymora-typeask");
    const std::string victim = folder.File("victim.acq"), picture = folder.File("victim.wmf");
    ASSERT_TRUE(WriteWholeFile(victim, SmallFile(16)));
    const Bytes old(300, 0x55);
    ASSERT_TRUE(WriteWholeFile(picture, old));
    ASSERT_EQ(OpenGraphFile(victim.c_str()), 1);
    tagGS* gs = GraphShowing(victim);
    ASSERT_TRUE(gs);
    struct Twice {
        static BOOL Proc(OPENFILENAMEA* ofn) {
            if (g_save.calls >= 1) g_save.cancel = true;
            return Answer(g_save, ofn);
        }
    };
    SetFileDialogProcs(OpenAnswer, Twice::Proc);
    g_save.names = {victim};
    g_save.filterIndex = 3;
    {
        BoxCapture boxes;
        boxes.answer = IDCANCEL;
        EXPECT_EQ(SaveDocumentAs(gs, 1, 0, nullptr, nullptr, nullptr), 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_TRUE(ContainsBox(boxes, picture + " already exists")) << boxes.boxes[0].text;
        EXPECT_EQ(g_save.calls, 2) << "a Cancel asks for the name again";
    }
    EXPECT_EQ(ReadWholeFile(picture), old);
    SetFileDialogProcs(OpenAnswer, SaveAnswer);
    g_save = DialogAnswer{};
    g_save.names = {victim};
    g_save.filterIndex = 3;
    {
        BoxCapture boxes;
        boxes.answer = IDOK;
        EXPECT_EQ(SaveDocumentAs(gs, 1, 0, nullptr, nullptr, nullptr), 1);
        EXPECT_EQ(boxes.boxes.size(), 1u);
    }
    EXPECT_EQ(GetU32(ReadWholeFile(picture), 0), 0x9AC6CDD7u);

    // File Open takes a ".wmf" that holds a graph for a graph: no picture goes over it.
    const std::string shown = folder.File("shown.wmf");
    ASSERT_TRUE(WriteWholeFile(shown, SmallFile(17)));
    ASSERT_EQ(OpenGraphFile(shown.c_str()), 1);
    tagGS* opened = GraphShowing(shown);
    ASSERT_TRUE(opened);
    SetFileDialogProcs(OpenAnswer, Twice::Proc);
    for (tagGS* saving : {opened, gs}) {
        g_save = DialogAnswer{};
        g_save.names = {shown};
        g_save.filterIndex = 3;
        BoxCapture boxes;
        EXPECT_EQ(SaveDocumentAs(saving, 1, 0, nullptr, nullptr, nullptr), 0);
        EXPECT_EQ(g_save.calls, 2) << "the refusal asks for another name";
        EXPECT_TRUE(ContainsBox(boxes, "is already open")) << (boxes.boxes.empty() ? "" : boxes.boxes[0].text);
        EXPECT_EQ(ReadWholeFile(shown), SmallFile(17));
    }
}

// The user of the save dialog who picks a row of the type list, then types a name over what the
// name box holds and presses Save, each step after the one before was taken.
struct TypedSave {
    static constexpr UINT kTypeNow = WM_APP + 71;  // follows the choice in the dialog's queue
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG && !g_common) {
            HWND common = GetParent(call->hwnd);
            HWND list = common ? GetDlgItem(common, 1136) : nullptr;
            if (list && GetDlgItem(common, 1148)) {
                g_common = common;
                PostMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(g_row), 0);
                for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
                    PostMessageA(common, WM_COMMAND, MAKEWPARAM(1136, code), reinterpret_cast<LPARAM>(list));
                PostMessageA(common, kTypeNow, 0, 0);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static LRESULT CALLBACK Queue(int code, WPARAM wParam, LPARAM lParam) {
        auto* msg = reinterpret_cast<MSG*>(lParam);
        if (code == HC_ACTION && wParam == PM_REMOVE && g_common && msg->hwnd == g_common && msg->message == kTypeNow) {
            g_done = true;
            SetWindowTextA(GetDlgItem(g_common, 1148), g_name.c_str());
            PostMessageA(g_common, WM_COMMAND, IDOK, 0);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline std::string g_name;
    static inline int g_row = 0;  // 0 the graph files' row, 4 all of the program's files
    static inline HWND g_common = nullptr;
    static inline bool g_done = false;
};

// File > Save As of a graph under a name typed without an extension writes a file that File Open
// lists: the graph files' extension is added, as the other types add theirs; a name in the
// lesson data files' pattern ("-L" and two characters) is such a name already.
TEST_F(FileCommands, AGraphSavedUnderANameWithoutExtensionGetsTheGraphFilesExtension) {
    SetFileDialogProcs(nullptr, nullptr);
    ASSERT_TRUE(g_app->szAppTitle[0]);
    TempFolder folder("kymora-noext");
    const std::string path = folder.File("source.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallFile(19)));
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    HWND w = WindowShowing(path);
    ASSERT_TRUE(w);
    tagGS* gs = GetWindowGraph(w);
    const struct {
        int row;
        const char* typed;
        const char* written;
    } cases[] = {{0, "victim", "victim.acq"}, {4, "other", "other.acq"}, {0, "Smith-L01", "Smith-L01"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        setDirtyGraphFlag(gs, 1);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w), 0);
        TypedSave::g_name = folder.File(c.typed);
        TypedSave::g_row = c.row;
        TypedSave::g_common = nullptr;
        TypedSave::g_done = false;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, TypedSave::Hook, nullptr, GetCurrentThreadId());
        HHOOK queue = SetWindowsHookExA(WH_GETMESSAGE, TypedSave::Queue, nullptr, GetCurrentThreadId());
        {
            BoxCapture boxes;
            boxes.caption = g_app->szAppTitle;  // the program's boxes, not the dialog
            Command(IDM_FILE_SAVE_AS);
            EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
        }
        UnhookWindowsHookEx(queue);
        UnhookWindowsHookEx(hook);
        ASSERT_TRUE(TypedSave::g_done);
        const std::string written = folder.File(c.written);
        const Bytes saved = ReadWholeFile(written);
        ASSERT_GT(saved.size(), 3000u) << written;
        EXPECT_EQ(GetU32(saved, 2), 42u);
        if (written != folder.File(c.typed)) {
            EXPECT_EQ(GetFileAttributesA(folder.File(c.typed).c_str()), INVALID_FILE_ATTRIBUTES);
        }
        EXPECT_EQ(lstrcmpiA(gs->title, written.c_str()), 0) << gs->title;
        char shown[MAX_PATH + 8] = "";
        GetWindowTextA(w, shown, sizeof shown);
        EXPECT_STREQ(shown, gs->title);
        EXPECT_EQ(gs->modified, 0u);
    }
    // The graph filters of File Open list every file written.
    std::vector<std::string> listed;
    for (const char* pattern : {"*.acq", "*-L??"}) {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(folder.File(pattern).c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) continue;
        do listed.push_back(found.cFileName);
        while (FindNextFileA(find, &found));
        FindClose(find);
    }
    for (const auto& c : cases)
        EXPECT_NE(std::find(listed.begin(), listed.end(), std::string(c.written)), listed.end()) << c.written;
}

// Whatever is written, a write that fails keeps the file that was there whole and tells why.
TEST_F(FileCommands, EveryTypeThatFailsToBeWrittenKeepsTheOldFile) {
    TempFolder folder("kymora-typefail");
    const std::string path = folder.File("source.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallFile(18)));
    ASSERT_EQ(OpenGraphFile(path.c_str()), 1);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    const Bytes old(20 * 1024, 0x66);
    const struct {
        DWORD filterIndex;
        const char* name;
    } cases[] = {{1, "kept.acq"}, {2, "kept.txt"}, {3, "kept.wmf"}, {4, "kept.gtl"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string target = folder.File(c.name);
        ASSERT_TRUE(WriteWholeFile(target, old));
        g_save = DialogAnswer{};
        g_save.names = {target};
        g_save.filterIndex = c.filterIndex;
        BoxCapture boxes;
        SetFileWriteFailureForTests(ERROR_DISK_FULL);
        EXPECT_EQ(SaveDocumentAs(gs, 1, 0, nullptr, nullptr, nullptr), 0);
        SetFileWriteFailureForTests(0);
        EXPECT_EQ(ReadWholeFile(target), old);
        EXPECT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(gs->modified, 1u);
    }
    EXPECT_TRUE(TemporaryLeftovers(folder).empty());
}

TEST(FileSaveParts, EachTypeTakesItsOwnExtension) {
    struct Case {
        SaveType type;
        const char* name;
        const char* named;
    } cases[] = {
        {SaveType::Graph, "C:\\a\\run", "C:\\a\\run.acq"},    {SaveType::Graph, "run.txt", "run.txt"},
        {SaveType::Graph, "C:\\v1.2\\run", "C:\\v1.2\\run.acq"}, {SaveType::Graph, "C:\\a\\Ann-L07", "C:\\a\\Ann-L07"},
        {SaveType::Graph, "Ann-L7", "Ann-L7.acq"},
        {SaveType::Picture, "C:\\a\\run.acq", "C:\\a\\run.wmf"}, {SaveType::Picture, "run", "run.wmf"},
        {SaveType::Picture, "run.WMF", "run.WMF"},            {SaveType::Text, "run.gtl", "run.txt"},
        {SaveType::Template, "run.acq", "run.gtl"},           {SaveType::Text, "Smith J. trial", "Smith J. trial.txt"},
        {SaveType::Text, "C:\\v1.2\\run", "C:\\v1.2\\run.txt"}, {SaveType::Template, "run-L01", "run-L01.gtl"},
    };
    for (const Case& c : cases) EXPECT_EQ(NameForSaveType(c.name, c.type), c.named) << c.name;
}

TEST(FileSaveParts, FailuresAreToldByTheirCause) {
    struct Case {
        DWORD error;
        const char* key;
    } cases[] = {
        {ERROR_DISK_FULL, "Not enough disk space to save data"},
        {ERROR_HANDLE_DISK_FULL, "Not enough disk space to save data"},
        {ERROR_ACCESS_DENIED, "Can't open this file for writing"},
        {ERROR_WRITE_PROTECT, "Can't open this file for writing"},
        {ERROR_SHARING_VIOLATION, "Can't open this file for writing"},
        {ERROR_PATH_NOT_FOUND, "KEY Save folder not found"},
        {ERROR_BAD_NETPATH, "KEY Save folder not found"},
        {ERROR_DIRECTORY, "KEY Save folder not found"},
        {ERROR_FILE_NOT_FOUND, "KEY Graph data file missing"},
        {ERROR_NOT_SUPPORTED, "KEY Save type not available"},
        {ERROR_FILENAME_EXCED_RANGE, "KEY Save name too long"},
        {ERROR_CRC, "KEY File not written"},
    };
    for (const Case& c : cases) EXPECT_STREQ(SaveFailureKey(c.error), c.key) << c.error;
}

TEST(FileSaveParts, ThePlaceableHeaderCarriesItsSizeAndChecksum) {
    uint8_t h[22];
    BuildPlaceableHeader(4000, 3000, h);
    const Bytes b(h, h + 22);
    EXPECT_EQ(GetU32(b, 0), 0x9AC6CDD7u);
    EXPECT_EQ(GetU16(b, 4), 0);
    EXPECT_EQ(GetU16(b, 10), 4000);
    EXPECT_EQ(GetU16(b, 12), 3000);
    EXPECT_EQ(GetU16(b, 14), 1000);
    EXPECT_EQ(GetU32(b, 16), 0u);
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= GetU16(b, 2 * i);
    EXPECT_EQ(GetU16(b, 20), sum);
    EXPECT_EQ(sum, static_cast<uint16_t>(0xCDD7 ^ 0x9AC6 ^ 4000 ^ 3000 ^ 1000));
}

TEST(FileSaveParts, TheSaveFilterPicksTheWriter) {
    EXPECT_EQ(SaveTypeOfFilter(1, "a.txt"), SaveType::Graph);
    EXPECT_EQ(SaveTypeOfFilter(2, "a"), SaveType::Text);
    EXPECT_EQ(SaveTypeOfFilter(3, "a"), SaveType::Picture);
    EXPECT_EQ(SaveTypeOfFilter(4, "a"), SaveType::Template);
    EXPECT_EQ(SaveTypeOfFilter(5, "C:\\x\\a.GTL"), SaveType::Template);
    EXPECT_EQ(SaveTypeOfFilter(5, "C:\\x.y\\a"), SaveType::Graph);
    EXPECT_EQ(SaveTypeOfFilter(5, "a.wmf"), SaveType::Picture);
}

// A graph file of six samples whose journal holds the given text, its pane shown or hidden.
bool WriteJournalFile(const std::string& path, const std::string& text, uint16_t shown) {
    return WriteWholeFile(path, BuildAcq(JournalFileRecipe(text, shown)));
}

// A journal of 256,000 lines: a rich edit takes time for every line put into it, which made such
// a file take many seconds to open. A hidden journal stays out of the control until it is shown;
// the text is whole when the graph is saved.
TEST_F(FileCommands, AHiddenLongJournalOpensWithoutFillingTheControlAndIsKeptWhole) {
    TempFolder folder("kymora-longjournal");
    const std::string path = folder.File("long.acq");
    const std::string copy = folder.File("copy.acq");
    std::string text;
    for (int i = 0; i < 256000; ++i) text += "ab\r\n";
    ASSERT_TRUE(WriteJournalFile(path, text, 0));
    BoxCapture boxes;
    g_open.names = {path};
    Command(IDM_FILE_OPEN);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(gs->modified, 0u);
    EXPECT_EQ(JournalHwndIfMade(gs->journalWnd), nullptr) << "the hidden journal was put into a text control";
    g_save.names = {copy};
    Command(IDM_FILE_SAVE_AS);
    TestDoc saved;
    const Bytes bytes = ReadWholeFile(copy);
    ASSERT_EQ(ReadGraphBuffer(saved.gs, bytes.data(), bytes.size(), nullptr), 1);
    CByteWriter out;
    JournalSaveBlock(saved.gs, out);
    const Bytes& block = out.Bytes();
    ASSERT_EQ(block.size(), 10 + text.size());
    EXPECT_EQ(std::string(block.begin() + 10, block.end()), text);
    EXPECT_EQ(GetU16(block, 4), 1u);
}

// The journal block of a saved graph file: its text after the tag, flag and length.
std::string SavedJournalText(const std::string& path) {
    TestDoc saved;
    const Bytes bytes = ReadWholeFile(path);
    if (ReadGraphBuffer(saved.gs, bytes.data(), bytes.size(), nullptr) != 1) return "(not read)";
    CByteWriter out;
    JournalSaveBlock(saved.gs, out);
    const Bytes& block = out.Bytes();
    return block.size() < 10 ? "(no block)" : std::string(block.begin() + 10, block.end());
}

std::string ControlText(HWND edit) {
    const int n = GetWindowTextLengthA(edit);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(edit, &text[0], n + 1)));
    return text;
}

// The same journal saved with the pane shown: File > Open returns while the control holds its
// first lines, and the rest goes in while the program waits for input. A save, typing or any
// reading of the text at any moment meets the whole text, and a save gives the file's bytes.
// One open in each test's process: Wine's heap is slow to fill a rich edit after one this long
// is freed.
struct ShownJournalCase {
    const char* what;
    bool waitForFill;  // the program left to wait for input until the text is all in
    bool type;         // a key typed into the journal first
};
void OpenShownLongJournal(const ShownJournalCase& k) {
    TempFolder folder("kymora-longjournal-shown");
    const std::string path = folder.File("long.acq");
    std::string text;
    for (int i = 0; i < 256000; ++i) text += i % 7 ? "ab\r\n" : "\tc d\r\n";
    text += "last";
    ASSERT_TRUE(WriteJournalFile(path, text, 1));
    BoxCapture boxes;
    g_open.names = {path};
    SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_OPEN, 0);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    ASSERT_TRUE(gs->journalShown);
    HWND edit = JournalHwndIfMade(gs->journalWnd);
    ASSERT_TRUE(edit);
    EXPECT_TRUE(IsWindowVisible(edit));
    EXPECT_TRUE(JournalFilling(gs->journalWnd)) << "the open waited for the whole text";
    std::string expected = text;
    if (k.waitForFill) {
        MSG msg;
        while (JournalFilling(gs->journalWnd) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        // The caret, the lines shown and the unmodified text as the open left them.
        EXPECT_EQ(SendMessageA(edit, EM_GETMODIFY, 0, 0), 0);
        EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        DWORD start = 9, end = 9;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 0u);
    }
    if (k.type) {
        // The caret stands at the start, as the open left it.
        SendMessageA(edit, WM_CHAR, 'X', 1);
        expected = "X" + text;
    }
    EXPECT_EQ(ControlText(edit), expected);
    EXPECT_FALSE(JournalFilling(gs->journalWnd));
    const std::string copy = folder.File("copy.acq");
    g_save.names = {copy};
    SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_SAVE_AS, 0);
    EXPECT_EQ(SavedJournalText(copy), expected);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(FileCommands, AShownLongJournalSavedAtOnceAfterTheOpenIsSavedWhole) {
    OpenShownLongJournal({"saved at once", false, false});
}
TEST_F(FileCommands, AShownLongJournalTypedIntoAtOnceAfterTheOpenTakesTheKeyInTheWholeText) {
    OpenShownLongJournal({"typed into at once", false, true});
}
TEST_F(FileCommands, AShownLongJournalFilledWhileTheProgramWaitsKeepsItsPlaceAndIsSavedWhole) {
    OpenShownLongJournal({"saved once filled", true, false});
}

}  // namespace

// ---- A journal whose text cannot be held ----

// While set, an allocation of a size from here to 64 bytes more fails as a full memory would:
// the journal's text is the one allocation of that size on the paths below.
static size_t g_failAllocationsFrom = 0;

void* operator new(size_t n) {
    if (g_failAllocationsFrom && n >= g_failAllocationsFrom && n < g_failAllocationsFrom + 64) throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
// The library's own operator delete frees what malloc gave.

namespace {

constexpr size_t kLongJournal = 345679;  // a size no other allocation of these paths has

// File > Save of a graph whose journal text cannot be held fails as a whole: the user is told,
// the file keeps the journal it had, and the graph stays unsaved.
TEST_F(FileCommands, ASaveThatCannotHoldTheJournalFailsAndKeepsTheFile) {
    TempFolder folder("kymora-journalmem");
    const std::string path = folder.File("journal.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallFile(14)));
    tagGS* gs = OpenedAndActive(path);
    ASSERT_TRUE(gs);
    HWND edit = GetJournalHwnd(gs->journalWnd);
    ASSERT_TRUE(edit);
    const std::string text(kLongJournal, 'j');
    JournalSetLimit(edit, text.size() + 1024);
    SetWindowTextA(edit, text.c_str());
    ASSERT_EQ(static_cast<size_t>(GetWindowTextLengthA(edit)), text.size());
    setDirtyGraphFlag(gs, 1);
    const Bytes before = ReadWholeFile(path);
    {
        BoxCapture boxes;
        g_failAllocationsFrom = kLongJournal;
        SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_SAVE, 0);
        g_failAllocationsFrom = 0;
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text,
                  "The file " + path + " could not be written.\n" + SystemErrorText(ERROR_NOT_ENOUGH_MEMORY));
    }
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_EQ(gs->modified, 1u);
    EXPECT_TRUE(TemporaryLeftovers(folder).empty());
    // With memory to hold it the same save writes the whole text.
    {
        BoxCapture boxes;
        SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_SAVE, 0);
        EXPECT_TRUE(boxes.boxes.empty());
    }
    const Bytes saved = ReadWholeFile(path);
    EXPECT_NE(std::search(saved.begin(), saved.end(), text.begin(), text.end()), saved.end());
    EXPECT_EQ(gs->modified, 0u);
}

// A file whose journal cannot be held opens without it, and the user is told it was left out;
// saving the graph then keeps only the sound parts, as for a damaged journal.
TEST_F(FileCommands, AJournalThatCannotBeHeldIsToldAsLeftOut) {
    TempFolder folder("kymora-journalread");
    const std::string path = folder.File("long.acq");
    AcqRecipe recipe;
    AcqChannel c;
    c.slot = 2;
    c.label = "Pulse";
    for (int16_t i = 0; i < 6; ++i) c.raw.push_back(i);
    recipe.channels = {c};
    recipe.tail = JournalBlock(0, std::string(kLongJournal, 'r'));
    ASSERT_TRUE(WriteWholeFile(path, BuildAcq(recipe)));
    g_open.names = {path};
    {
        BoxCapture boxes;
        g_failAllocationsFrom = kLongJournal;
        SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_OPEN, 0);
        g_failAllocationsFrom = 0;
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, LeftOutBox("the journal"));
    }
    HWND w = WindowShowing(path);
    ASSERT_TRUE(w);
    EXPECT_EQ(GetWindowGraph(w)->modified, 1u);
}

}  // namespace
