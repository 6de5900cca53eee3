// Graph events from the program. One graph at a time is attached: the one a recording fills and
// whose window carries the Start button. Each graph keeps the set-up it was recorded with, so an
// attachment moves the set-up out of the graph left behind and into the record from the new one.
#include "devlib/binding/binding.h"

#include "button/lumikey.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/setup/panel_places.h"
#include "devlib/acquisition/unit/playback.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/setup_block.h"
#include "devlib/resource.h"
#include "devlib/services/hints.h"

namespace {

constexpr int16_t kOpenedFromFile = 1;
constexpr DWORD kBitmapOnlyStyle = 0x200;

// The Start button's idle face: the play-back face when a source serves the graph.
EMLBITMAP IdleImage(const tagGS* gs) { return PlaybackServesGraph(gs) ? MLBMP_PLAYBACK_IDLE : MLBMP_START_IDLE; }

// Replaces the Start button by one on the attached graph's window; it stays hidden when the one
// it replaces was hidden. Its size comes with the next layout.
// A button whose handle was forgotten when another graph closed is still on its window: taken
// as the one to replace, so that no window ever carries two.
HWND ForgottenButton(HWND graph) {
    HWND child = graph ? GetDlgItem(graph, IDC_START_BUTTON) : nullptr;
    char cls[sizeof LUMIKEY_CLASSNAME + 1] = "";
    if (!child || !GetClassNameA(child, cls, sizeof cls) || lstrcmpiA(cls, LUMIKEY_CLASSNAME) != 0) return nullptr;
    return child;
}

void MoveStartButton(stAcq* acq, tagGS* gs) {
    HWND old = acq->run.hwndStartButton;
    if (!old || !IsWindow(old)) old = ForgottenButton(gs->hwnd);
    // The button's own flag: a hidden Start button stays hidden, while one on a graph window that
    // is not showing (minimised, or drawn later) is still a shown button.
    const bool visible = !old || !IsWindow(old) || (GetWindowLongA(old, GWL_STYLE) & WS_VISIBLE) != 0;
    if (old && IsWindow(old)) DestroyWindow(old);
    acq->run.hwndStartButton = nullptr;
    if (!gs->hwnd || !IsWindow(gs->hwnd)) return;
    // Clipped by its siblings: the horizontal scroll bar overlaps its first column (OnGraphResized).
    const DWORD style =
        WS_CHILD | WS_CLIPSIBLINGS | WS_GROUP | WS_TABSTOP | kBitmapOnlyStyle | (visible ? WS_VISIBLE : 0);
    HWND button = CreateWindowExA(0, LUMIKEY_CLASSNAME, "", style, 0, 0, 0, 0, gs->hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_START_BUTTON)), g_lib.instance,
                                  nullptr);
    acq->run.hwndStartButton = button;
    if (!button) return;
    m_MLBitmap.SetBitmap(button, IdleImage(gs), 1);  // its picture is loaded when first asked for
}

}  // namespace

// A graph was created (mode 0) or opened from a file (mode 1): an opened graph brings its set-up,
// a new one takes the current set-up as its own.
int32_t WINAPI OnGraphCreated(HGLOBAL hAcq, HWND, tagGS* gs, int16_t mode, int32_t) {
    AcqLock acq(hAcq);
    if (!acq) return 0;
    if (!gs) return 1;
    const bool running = acq->run.running != 0;
    if (mode == kOpenedFromFile)
        RestoreAcquisitionSetup(acq.get(), gs);
    else if (!gs->setupBlock && !running)
        SaveAcquisitionSetup(acq.get(), gs);
    if (!acq->run.attachedGraph && !running) RestoreAcquisitionSetup(acq.get(), gs);
    return 1;
}

// Before the program saves a graph: the set-up goes into the block of the graph it belongs to.
// Another graph's block, or a stored block the library never read, is written as it is.
int32_t WINAPI StoreSetupInGraph(HGLOBAL hAcq, tagGS* gs) {
    AcqLock acq(hAcq);
    if (!acq || !gs) return 0;
    if (gs != acq->run.attachedGraph || !gs->setupBlock) return 1;
    return SaveAcquisitionSetup(acq.get(), gs);
}

// The activated graph becomes the attached one and gets the Start button. While a recording
// runs the recording graph keeps both; the activation is only noted.
int32_t WINAPI OnGraphActivated(HGLOBAL hAcq, tagGS* gs, int32_t) {
    AcqLock acq(hAcq);
    if (!acq) return 1;
    g_lib.activationDone = 0;
    const bool running = acq->run.running != 0;
    tagGS* previous = acq->run.attachedGraph;
    if (previous && !running) SaveAcquisitionSetup(acq.get(), previous);
    if (!running) {
        acq->run.attachedGraph = gs;
        if (gs && RestoreAcquisitionSetup(acq.get(), gs)) PlaceSetupPanels(acq.get());
    }
    if (previous && previous->hwnd && IsWindow(previous->hwnd)) {
        RECT rc;
        GetClientRect(previous->hwnd, &rc);
        InflateRect(&rc, -1, -1);
        InvalidateRect(previous->hwnd, &rc, FALSE);
    }
    tagGS* attached = acq->run.attachedGraph;
    if (attached) {
        if (running) {
            if (gs != attached) g_lib.otherGraphActive = 1;
        } else {
            MoveStartButton(acq.get(), attached);
            g_lib.otherGraphActive = 0;
        }
    }
    if (attached) {
        OnGraphResized(hAcq, attached);
        DrawAcquisitionStatus(acq.get(), attached);
        if (!running && attached->hwnd && IsWindow(attached->hwnd)) SetFocus(attached->hwnd);
    }
    g_lib.activationDone = 1;
    return 1;
}

// A graph is going away. During a recording the recording graph stays attached (the program
// refuses to close it); otherwise the attachment ends, and the button dies with its window.
int32_t WINAPI OnGraphClosed(HGLOBAL hAcq) {
    AcqLock acq(hAcq);
    if (!acq) return 1;
    if (!acq->run.running) {
        acq->run.attachedGraph = nullptr;
        // The button goes with the closing window.
        acq->run.hwndStartButton = nullptr;
    }
    g_runLayer.stoppedByButton = 0;
    return 1;
}
