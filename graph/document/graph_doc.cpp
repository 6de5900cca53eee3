// Graph documents: the record's allocation, new-document defaults, opening and closing.
#include "graph/document/graph_doc.h"
#include "graph/document/channel_edits.h"
#include "documents/documents_api.h"
#include "outputs/outputs_api.h"
#include "graph/view/layout.h"
#include "graph/window/graph_window.h"
#include "graph/files/file_open.h"
#include "controls/button_grid.h"
#include "controls/script_button.h"
#include "common/keyed_format.h"
#include "base/app.h"
#include "base/device.h"
#include "base/locked_block.h"
#include "graph/graph_ids.h"
#include "devlib/vk40.h"
#include "base/lesson.h"
#include "base/notify.h"
#include <cstdio>
#include <cstring>

namespace {

int g_untitledCounter = 0;

constexpr COLORREF kChanColorCycle[6] = {0x000000, 0x0000FF, 0xFF0000, 0x008000, 0xFFFF00, 0xFF00FF};

// Review-saved-data mode: a lesson sets script variable R to 1.0 to keep a single window.
bool ReviewModeRefuses() {
    double r = 0.0;
    notify::GetScriptNumericVariable(nullptr, 'R', &r, 0);
    if (r != 1.0) return false;
    MessageBoxA(nullptr, Keyed("Single Window for RSD mode"), Keyed("TVX Lessons Review Saved Mode"), MB_ICONHAND);
    return true;
}

void FillChannelDefaults(tagGS* gs, int slot) {
    if (slot < 5)
        std::snprintf(gs->chanLabel[slot], sizeof gs->chanLabel[slot], "CH%d Input", slot);
    else if (slot < 40)
        std::snprintf(gs->chanLabel[slot], sizeof gs->chanLabel[slot], "Channel %d", slot);
    else
        std::snprintf(gs->chanLabel[slot], sizeof gs->chanLabel[slot], "C%d", slot - 39);
    lstrcpynA(gs->chanDescription[slot], gs->chanLabel[slot], sizeof gs->chanDescription[slot]);
    lstrcpyA(gs->chanUnits[slot], "volts");
    gs->chanDecimals[slot] = 2;
    gs->chanVOffsetDiv[slot] = 0.0;
    gs->chanVDivisions[slot] = 4.0;
    gs->chanColor[slot] = kChanColorCycle[slot % 6];
    gs->chanPlotStyle[slot] = 0x0303;
    gs->chanOrder[slot] = static_cast<uint32_t>(slot);
    gs->chanViewWord[slot] = 1092;
    gs->chanVCenter[slot] = 0.0;
    gs->chanVPerDiv[slot] = 5.0;
    gs->chanVCenterRef[slot] = 0.0;
    gs->chanScale[slot] = 10.0 / 32768.0;
    gs->chanOffset[slot] = 0.0;
    gs->chanStoredUnused[slot] = 0;
}

// The creation values are zoom level 0.
void StoreZoomLevelZero(tagGS* gs) {
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        gs->zoomVPerDiv[0][slot] = gs->chanVPerDiv[slot];
        gs->zoomVCenter[0][slot] = gs->chanVCenter[slot];
        gs->zoomVDivisions[0][slot] = gs->chanVDivisions[slot];
    }
    gs->zoomHStart[0] = gs->hStart;
    gs->zoomHPerDiv[0] = gs->hPerDiv;
    gs->zoomHDivisions[0] = gs->hDivisions;
    gs->zoomLevel = gs->zoomCount = 0;
}

void CreateSubObjects(tagGS* gs) {
    if (!gs->journal) gs->journal = NewJournal();
    if (!gs->graphItems) gs->graphItems = NewGraphItemList(gs);
    if (!gs->outPanels) gs->outPanels = NewOutCtlViewSet(gs);
    if (!gs->markerManager) gs->markerManager = NewMarkerManager(gs);
    if (!gs->curveSettings) gs->curveSettings = CopyDefaultCurveSettings();
}

// Everything a document owns besides its record: sample blocks, panes and sub-objects.
void FreeDocumentParts(tagGS* gs) {
    for (void*& block : gs->chanBlock) FreeLockedBlock(block);
    if (gs->markers) {
        FreeMarkerList(gs->markers);  // the nodes; the list's own block follows
        void* list = gs->markers;
        FreeLockedBlock(list);
        gs->markers = nullptr;
    }
    if (gs->markerManager) {
        DeleteMarkerManager(gs->markerManager, 1);
        gs->markerManager = nullptr;
    }
    if (gs->channelItems) {
        delete static_cast<CButtonGrid*>(gs->channelItems);
        gs->channelItems = nullptr;
    }
    if (gs->measureGrid) {
        DeleteMeasurementRow(gs->measureGrid);
        gs->measureGrid = nullptr;
    }
    if (gs->journalWnd) {
        JournalDestroy(gs->journalWnd);
        DeleteJournalWindow(gs->journalWnd, 1);
        gs->journalWnd = nullptr;
    }
    if (gs->journal) {
        DeleteJournal(gs->journal, 1);
        gs->journal = nullptr;
    }
    for (int i = 0; i < gs->scriptButtonCount && i < 10; ++i) {
        delete static_cast<CScriptButton*>(gs->scriptButtons[i]);
        gs->scriptButtons[i] = nullptr;
        gs->scriptButtonText[i][0] = 0;
    }
    gs->scriptButtonCount = 0;
    if (gs->foreignData) {
        GlobalFree(gs->foreignData);
        gs->foreignData = nullptr;
    }
    // The acquisition set-up the device library keeps with the document is the document's.
    if (gs->setupBlock) {
        GlobalFree(gs->setupBlock);
        gs->setupBlock = nullptr;
    }
    if (gs->graphItems) {
        DeleteGraphItemList(gs->graphItems, 1);
        gs->graphItems = nullptr;
    }
    if (gs->curveSettings) {
        FreeCurveSettings(gs->curveSettings);
        gs->curveSettings = nullptr;
    }
    if (gs->outPanels) {
        DeleteOutCtlViewSet(gs->outPanels, 1);
        gs->outPanels = nullptr;
    }
}

void FreeRecord(tagGS* gs) {
    if (HGLOBAL h = GlobalHandle(gs)) {
        GlobalUnlock(h);
        GlobalFree(h);
    }
}

// The name the save question shows: a template's title with the extension ".ACQ".
void SavePromptName(const tagGS* gs, char* out, size_t size) {
    lstrcpynA(out, gs->title, static_cast<int>(size));
    if (!gs->isTemplate) return;
    char* dot = std::strrchr(out, '.');
    char* slash = std::strrchr(out, '\\');
    if (dot && (!slash || dot > slash)) *dot = 0;
    if (std::strlen(out) + 4 < size) std::strcat(out, ".ACQ");
}

// While a graph is asked about and saved it is the active graph, in the window list and for
// the lesson's words: "OnFileSave" saves the graph the question names, whichever was in front.
class CAskedGraph {
public:
    explicit CAskedGraph(tagGS* gs) : m_window(gs->hwnd), m_kept(g_script.graph) {
        m_keptWindow = m_kept ? m_kept->hwnd : nullptr;
        g_script.graph = gs;
        if (!g_app || !m_window || !IsWindow(m_window)) return;
        m_keptActive = g_app->hwndActiveGraph;
        if (g_app->hwndClient && MdiActive() != m_window)
            SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_window), 0);
        g_app->hwndActiveGraph = m_window;  // a hidden window is not activated by the client
    }
    ~CAskedGraph() {
        // The script's own graph again, unless the save closed it meanwhile.
        const bool keptStays =
            !m_kept || (m_keptWindow && IsWindow(m_keptWindow) && GetWindowGraph(m_keptWindow) == m_kept);
        g_script.graph = keptStays ? m_kept : nullptr;
        if (g_app && m_window && g_app->hwndActiveGraph == m_window && MdiActive() != m_window)
            g_app->hwndActiveGraph = m_keptActive && IsWindow(m_keptActive) ? m_keptActive : nullptr;
    }
    CAskedGraph(const CAskedGraph&) = delete;
    CAskedGraph& operator=(const CAskedGraph&) = delete;

private:
    static HWND MdiActive() {
        return g_app->hwndClient
                   ? reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0))
                   : nullptr;
    }
    HWND m_window;
    tagGS* m_kept;
    HWND m_keptWindow = nullptr;
    HWND m_keptActive = nullptr;
};

// 0 when the graph stays: the user cancels, or answers Yes and nothing was saved (the lesson
// has no "OnFileSave", its dialog was cancelled or its write failed); a close that frees the
// changes unsaved would lose them.
int AskToSave(tagGS* gs, HWND parent) {
    CAskedGraph asked(gs);
    char name[300];
    SavePromptName(gs, name, sizeof name);
    const char* format = Keyed("KEY Graph has changed and Question");
    char text[1024];
    FormatKeyedText(text, sizeof text, format, name);  // a translated text is no printf format
    int answer = MessageBoxA(parent, text, ProgramTitle(), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) notify::RunScriptSubroutine(g_script.script, "OnFileSave", 0);
    if (answer == IDCANCEL || (answer == IDYES && gs->modified)) {
        g_script.closeCancelled = 1;
        return 0;
    }
    return 1;
}

// The undo snapshot belongs to this document while its window still shows it.
void DropUndoOf(tagGS* gs) {
    if (!g_app || !UndoHeldFor(gs)) return;
    ClearUndo();
    if (g_app->frame.hmenuFrame) {
        const char* label = mlgetName(IDS_LABEL_CANT_UNDO, 0);
        if (label) ModifyMenuA(g_app->frame.hmenuFrame, IDM_EDIT_UNDO, MF_BYCOMMAND | MF_STRING, IDM_EDIT_UNDO, label);
        EnableMenuItem(g_app->frame.hmenuFrame, IDM_EDIT_UNDO, MF_BYCOMMAND | MF_GRAYED);
    }
}

}  // namespace

int GetUntitledCounter() { return g_untitledCounter; }

// Allocates and locks a zeroed record; -1 when review-saved-data mode refuses a new graph.
int AllocGraph(tagGS** out, int checkReview) {
    *out = nullptr;
    if (checkReview && ReviewModeRefuses()) return -1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(tagGS));
    if (!h) return 0;
    auto* gs = static_cast<tagGS*>(GlobalLock(h));
    if (!gs) {
        GlobalFree(h);
        return 0;
    }
    gs->journal = nullptr;
    gs->graphItems = nullptr;
    gs->curveSettings = nullptr;
    gs->outPanels = nullptr;
    gs->markerManager = nullptr;
    *out = gs;
    return 1;
}

// Fills a fresh record with the values of a new document and makes its missing sub-objects.
int InitNewGraph(tagGS* gs) {
    std::snprintf(gs->title, sizeof gs->title, "Untitled%d", ++g_untitledCounter);
    for (int slot = 0; slot < kMaxChannels; ++slot) FillChannelDefaults(gs, slot);
    gs->chanViewWord[kMaxChannels] = 1;
    gs->viewFlags0 = 2;
    gs->viewFlags1 = gs->viewFlags2 = 1;
    gs->gridColor = 0x808080;
    gs->gridMinorColor = 0xC0C0C0;
    gs->gridOptions[0] = 0;
    gs->gridOptions[1] = 2;
    gs->gridOptions[2] = 1;
    gs->gridOptions[3] = 1;
    gs->gridOptions2 = 0;
    gs->gridLocked = 0;
    gs->gridExtra = 0;
    gs->gridExtraValue = 0.0;
    gs->hDivisions = 4.0;
    gs->plotBackColor = 0xFFFFFF;
    gs->toolsWhileRecording = 1;
    gs->displayMode = kModeChart;
    gs->selectedChan = 0;
    gs->xyXChan = 1;
    gs->viewState[0] = gs->viewState[1] = 0;
    gs->cursorShown = kCursorOff;
    gs->hStart = 0.0;
    gs->hPerDiv = 2000.0;
    gs->sampleInterval = 5.0;
    gs->winSize = kPagingWindow;
    gs->measureShown = 1;
    gs->measureRows = 1;
    gs->precisionDigits = 6;
    for (int16_t& chan : gs->measureChan) chan = -1;
    gs->selStart = gs->selEnd = 0.0;
    gs->currentTool = IDC_TOOL_ARROW;
    gs->markerBarShown = 1;
    gs->segmentsShown = 1;
    gs->journalShown = 0;
    gs->lessonFlags[0] = gs->lessonFlags[1] = 1;
    gs->waveformRegionResize = 1;
    gs->cursorTime = -1.0;
    gs->outPanelsShown = 1;
    gs->segmentTimeOffset = 0.0;
    gs->unitModel = 0;
    gs->saveAsType = 1;
    gs->gridShown = 1;
    for (uint32_t& solid : gs->rangeBarSolid) solid = 0;  // no range bar of a new graph is solid
    StoreZoomLevelZero(gs);
    setDirtyGraphFlag(gs, 0);
    if (gs->foreignData) {
        GlobalFree(gs->foreignData);
        gs->foreignData = nullptr;
    }
    CreateSubObjects(gs);
    return 1;
}

// A new document in its own window, reported to the device library.
HWND OpenGraphWindow(tagGS* gs, int maximised) {
    HWND hwnd = CreateGraphWindow(gs, maximised);
    if (!hwnd) return nullptr;
    const int32_t created = DeviceGraphCreated(hwnd, gs, 0, 1);
    DeviceGraphActivated(gs, created);
    LayoutGraphWindow(gs);
    return hwnd;
}

namespace {

HWND MakeNewGraph(int maximised, int checkReview, int* refused) {
    tagGS* gs = nullptr;
    const int allocated = AllocGraph(&gs, checkReview);
    if (refused) *refused = allocated < 0 ? 1 : 0;
    if (allocated < 1) return nullptr;
    InitNewGraph(gs);
    for (void*& block : gs->chanBlock) block = nullptr;
    gs->storageKind = kStoreMemory;
    gs->winFirst = 0;
    gs->winRingBase = gs->winLen = 0;
    HWND hwnd = OpenGraphWindow(gs, maximised);
    if (!hwnd) return nullptr;  // the document went with the window that failed
    notify::UpdateTransformMenu(g_app->hwndFrame, hwnd);
    notify::UpdateGraphEditMenus(gs);
    notify::UpdateGraphMenus(gs);
    ShowGraphControls(gs, 1);
    return hwnd;
}

}  // namespace

HWND NewGraph(int maximised) { return MakeNewGraph(maximised, 0, nullptr); }

HWND NewResultGraph(int* refused) { return MakeNewGraph(0, 1, refused); }

// The MDI child of a document. Every failure closes the document: without a window it is
// freed here, a window whose set-up failed closes it itself.
HWND CreateGraphWindow(tagGS* gs, int maximised) {
    if (!gs) return nullptr;
    if (!g_app || !g_app->hwndClient) {
        FreeGraphRecord(gs);
        return nullptr;
    }
    MDICREATESTRUCTA mcs{};
    mcs.szClass = g_app->szClassNames[kClassChild];
    mcs.szTitle = gs->title;
    mcs.hOwner = g_app->hInstance;
    mcs.x = mcs.y = mcs.cx = mcs.cy = CW_USEDEFAULT;
    // The "maximised" bit asked for is 0x10000000, which is WS_VISIBLE: such windows are shown
    // at once, at their default size. 0x14C40000 or 0x04C40000.
    mcs.style = (0x04CF0000u | (maximised ? 0x10000000u : 0u)) &
                ~static_cast<DWORD>(WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    mcs.lParam = reinterpret_cast<LPARAM>(gs);
    auto hwnd =
        reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    if (!hwnd) {
        // The document reaches a window only in its WM_CREATE, which never fails: it is still ours.
        FreeGraphRecord(gs);
        return nullptr;
    }
    if (!SetUpGraphWindow(gs, hwnd)) {
        // Closed through the window, so that its count of graphs stays right; a document the
        // close refuses stays with the window, which frees it when it is destroyed.
        if (GraphWindowData* data = GetGraphWindowData(hwnd)) {
            data->doc = gs;
            CloseGraphWindow(data);
        } else {
            CloseGraph(gs, hwnd);
        }
        if (IsWindow(hwnd)) SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd), 0);
        return nullptr;
    }
    // Its tool buttons came after its activation: they take the lesson's permission now.
    notify::UpdateGraphToolbar();
    return hwnd;
}

// Frees everything the document holds and the record itself, without questions.
void FreeGraphRecord(tagGS* gs) {
    if (!gs) return;
    FreeDocumentParts(gs);
    FreeRecord(gs);
}

// Opens a graph file (without a path, the files the File Open dialog gives) into a window and
// leaves it clean. The unit-model check and the segment selection come with the device
// library's compatibility check and the segments.
int OpenGraphFile(const char* path) {
    uint16_t journalHeight = 0;
    tagGS* gs = DoFileOpen(path, &journalHeight);
    if (!gs) return 0;
    // A file read around damage comes up changed, so that closing it offers to save the repair.
    const uint32_t repaired = gs->modified;
    if (journalHeight) gs->journalHeight = journalHeight;
    // Filling the journal and applying the channels mark it modified; the file is unchanged.
    if (HWND edit = JournalHwndIfMade(gs->journalWnd)) SendMessageA(edit, EM_SETMODIFY, 0, 0);
    ApplyChannelParams();
    if (HWND edit = JournalHwndIfMade(gs->journalWnd)) SendMessageA(edit, EM_SETMODIFY, 0, 0);
    setDirtyGraphFlag(gs, repaired);
    return 1;
}

// A failure is told through the result alone: the lesson or editor that opens asks nobody.
tagGS* OpenGraphFileQuiet(const char* path, int, int* incompatible) {
    uint16_t journalHeight = 0;
    tagGS* gs = nullptr;
    if (path) {
        CQuietFileOpen quiet;
        gs = DoFileOpen(path, &journalHeight);
    }
    if (!gs) {
        if (incompatible) *incompatible = 1;
        return nullptr;
    }
    ApplyChannelParams();
    if (gs->hwnd) ShowWindow(gs->hwnd, SW_SHOW);
    return gs;
}

// 1 when the document is gone; 0 when a recording refuses the close or the question keeps it.
int CloseGraph(tagGS* gs, HWND parent) {
    // The document whose save question is open is closed by that question alone: a close from
    // within its save (a lesson's CLOSEGRAPH, a Close All) would free it under the question.
    static const tagGS* s_asking = nullptr;
    if (!gs || gs == s_asking) return 0;
    if (gs->acquiring || (hwndGetDlg && IsWindow(hwndGetDlg))) {
        MessageBeep(MB_ICONEXCLAMATION);
        return 0;
    }
    if (!gs->modified && gs->journalWnd) {
        HWND edit = JournalHwndIfMade(gs->journalWnd);
        if (edit && SendMessageA(edit, EM_GETMODIFY, 0, 0)) setDirtyGraphFlag(gs, 1);
    }
    if (gs->modified && g_script.savePromptEnabled) {
        const tagGS* outer = s_asking;
        s_asking = gs;
        const int goOn = AskToSave(gs, parent);
        s_asking = outer;
        if (!goOn) return 0;
    }
    if (g_script.graph == gs) g_script.graph = nullptr;
    SrcNavRelease(gs->title);  // a later graph of the same name must not inherit the file
    FreeDocumentParts(gs);
    DeviceGraphClosed();
    DropUndoOf(gs);
    FreeRecord(gs);
    return 1;
}
