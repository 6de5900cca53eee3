// The device operations the program calls through its operation table: the idle turn, the
// device menu and button commands, shut-down, and the small operations around them.
#include "devlib/binding/binding.h"

#include "devlib/resource.h"
#include "devlib/acquisition/outputs/stimulator.h"
#include "devlib/acquisition/run/acq_state.h"
#include "devlib/acquisition/setup/acq_setup.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/acquisition/run/run_control.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/binding/menus.h"
#include "devlib/acquisition/channels/preset_organiser.h"
#include "devlib/acquisition/outputs/manual_control.h"
#include "devlib/acquisition/outputs/stim_panel.h"
#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/setup/electrode_check.h"
#include "devlib/acquisition/setup/input_values.h"
#include "devlib/acquisition/setup/trigger.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/vk40.h"

namespace {


constexpr int kStartButtonWidth = 50;
constexpr int kMaxLockCount = 256;  // bounds the unlock loop of shut-down

// The menu bar that carries the device menu: the program's frame.
HWND MenuOwner(HWND fallback) { return g_lib.hostFrame ? g_lib.hostFrame : fallback; }

void SetMenuCheck(HWND owner, int32_t id, bool checked) {
    HMENU menu = owner ? GetMenu(owner) : nullptr;
    if (menu) CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// Flips a menu-item flag and lets its check mark follow.
void ToggleMenuFlag(int32_t& flag, int32_t id, HWND frame) {
    flag = !flag;
    SetMenuCheck(MenuOwner(frame), id, flag != 0);
}

// The channel record a label (5018) or units (5019) command names, or -1 for none. The index is
// the graph slot of the channel, taken as a 16-bit number; a slot of no channel on this unit
// (the gaps, digital slots of a unit without them, anything past the calculation channels)
// changes nothing.
int32_t ChannelRecordForIndex(int32_t index) { return ChannelRecordForSlot(static_cast<int16_t>(index), NDChan); }

void SetChannelText(HGLOBAL hAcq, int32_t id, const char* text, int32_t index) {
    const int32_t record = ChannelRecordForIndex(index);
    if (!text || record < 0) return;
    AcqLock acq(hAcq);
    if (!acq) return;
    stAcqChan& chan = acq->chans[record];
    if (id == IDM_CHANNEL_LABEL)
        lstrcpynA(chan.label, text, kChanLabelChars);
    else
        lstrcpynA(chan.units, text, kChanUnitsChars);
}

// The overwrite question is kept by the library and told to the attached graph.
void ToggleWarnOnOverwrite(HGLOBAL hAcq, HWND frame) {
    AcqLock acq(hAcq);
    if (!acq) return;
    acq->warnOnOverwrite = !acq->warnOnOverwrite;
    if (acq->run.attachedGraph) acq->run.attachedGraph->overwriteWarning = static_cast<uint32_t>(acq->warnOnOverwrite);
    SetMenuCheck(MenuOwner(frame), IDM_WARNINGONOVERWRITE, acq->warnOnOverwrite != 0);
}

// The Start button: starts or stops a run, or stops an auto-restarting one at once. Whether a
// start can record is the toggle's to find out, as for "STARTACQ".
void OnStartButton(HGLOBAL hAcq) {
    AcqLock acq(hAcq);
    if (!acq) return;
    const stAcqRun& run = acq->run;
    if (!run.running) ResumeUnitChecks();
    if (run.statusState != kStatusReady) g_runLayer.stoppedByButton = 1;
    if (!run.running || acq->restartCountdown < 1 || run.statusState == kStatusWaitingForData)
        ToggleAcquisition(acq.get(), 1);
    else if (!CalcChannelsNeedSlowPath(acq.get()))
        AbortAcquisition(acq.get());
}

// Runs a modal dialog over the locked record.
template <typename Dialog>
void WithLockedRecord(HGLOBAL hAcq, Dialog dialog) {
    AcqLock acq(hAcq);
    if (acq) dialog(acq.get());
}

// Where the graph wants its Start button; a graph not laid out yet keeps the button where it is.
bool GetStartButtonRect(const tagGS* gs, RECT* place) {
    if (gs->startButtonRect.bottom <= gs->startButtonRect.top) return false;
    *place = gs->startButtonRect;
    return true;
}

// The active graph takes the attachment it could not take while a recording ran, or that the
// closing of the attached graph behind it left free; without this it shows no Start button
// until the user activates it again.
void AttachActiveGraph(HGLOBAL hAcq, stAcq* acq, HWND activeGraph) {
    if (acq->run.running || !activeGraph || (acq->run.attachedGraph && !g_lib.otherGraphActive)) return;
    tagGS* gs = HostGetWindowGraph(&g_lib.host, activeGraph);
    if (gs && gs != acq->run.attachedGraph) OnGraphActivated(hAcq, gs, 1);
    g_lib.otherGraphActive = 0;
}

}  // namespace

// One idle turn of the program's message loop.
int32_t WINAPI OnIdleAcquisition(HGLOBAL hAcq, HWND activeGraph) {
    AcqLock acq(hAcq);
    if (!acq) return 1;
    PollAcquisitionState(acq.get());
    AttachActiveGraph(hAcq, acq.get(), activeGraph);
    if (acq->run.running) RepaintInputValues(acq.get());
    ShowSampleCount(nullptr, acq.get());
    if (IsVK40()) UpdateElectrodeChecker(nullptr, acq.get());
    PollOutputControlState(acq.get());
    if (acq->run.attachedGraph) HostRunScriptSubroutine(&g_lib.host, "OnIdleAcquisition", 0);
    return 1;
}

// The device menu's commands and the Start button.
int32_t WINAPI OnDriverCommand(HGLOBAL hAcq, HWND frame, int32_t id, const char* text, int32_t index) {
    switch (id) {
    case IDM_CHANNELS: ShowChannelSetup(hAcq); break;
    case IDM_ACQUISITION: ShowAcquisitionSetup(hAcq); break;
    case IDM_INPUTVALUES: ShowInputValues(hAcq); break;
    case IDM_MANUAL: ShowManualControl(hAcq); break;
    case IDM_AUTOPLOT: ToggleMenuFlag(g_lib.autoPlotting, id, frame); break;
    case IDM_AUTOSCROLL: ToggleMenuFlag(g_lib.scrolling, id, frame); break;
    case IDM_ORGTEMPLATE: WithLockedRecord(hAcq, [frame](stAcq* acq) { ShowPresetOrganizer(frame, acq); }); break;
    case IDM_ABOUT: WithLockedRecord(hAcq, [frame](stAcq* acq) { ShowDriverAbout(g_lib.instance, frame, acq); }); break;
    case IDM_WARNINGONOVERWRITE: ToggleWarnOnOverwrite(hAcq, frame); break;
    case IDM_TRIGGERING: ShowTriggerSetup(hAcq); break;
    case IDM_STIMULATOR: ShowStimulatorPanel(hAcq); break;
    case IDM_ELECTRODE:
        g_lib.electrodeShown = !g_lib.electrodeShown;
        SetMenuCheck(MenuOwner(frame), id, g_lib.electrodeShown != 0);
        ShowElectrodeChecker(hAcq, g_lib.electrodeShown);
        break;
    case IDM_CHANNEL_LABEL:
    case IDM_CHANNEL_UNITS: SetChannelText(hAcq, id, text, index); break;
    case IDC_START_BUTTON: OnStartButton(hAcq); break;
    default: break;
    }
    return 1;
}

// Re-lays out the Input Values pane after the graph's channels changed.
int32_t WINAPI RefreshInputValues(HGLOBAL hAcq, int32_t) {
    AcqLock acq(hAcq);
    if (acq) RelayoutInputValues(acq.get());
    return 1;
}

// Once, when the program's frame is destroyed: closes the link, frees the drawing objects and
// the record. Locks other code left behind are undone so the block really goes.
int32_t WINAPI ShutdownDriver() {
    g_unitLink.Close();
    ReleaseUnitTransport(g_unitLink);
    for (HGDIOBJ& object : g_runLayer.statusObjects) {
        if (object) {
            DeleteObject(object);
            object = nullptr;
        }
    }
    if (g_lib.faceBrush) {
        DeleteObject(g_lib.faceBrush);
        g_lib.faceBrush = nullptr;
    }
    if (g_lib.hAcq) {
        HGLOBAL hAcq = g_lib.hAcq;
        if (stAcq* acq = static_cast<stAcq*>(GlobalLock(hAcq))) SavePresetsFile(acq);
        for (int i = 0; i < kMaxLockCount && GlobalUnlock(hAcq); ++i) {
        }
        GlobalFree(hAcq);
        g_lib.hAcq = nullptr;
    }
    return 1;
}

// Draws the acquisition status strip of a graph.
int32_t WINAPI PaintGraphStatus(HGLOBAL hAcq, tagGS* gs, int32_t) {
    AcqLock acq(hAcq);
    if (acq) DrawAcquisitionStatus(acq.get(), gs);
    return 1;
}

// Puts the Start button back on the graph's button rectangle after a layout. Its first column
// lies on the horizontal scroll bar's last one: the button sits under the bar, clipped by it, so
// that its face, redrawn on every start and stop, never covers the bar's arrow.
int32_t WINAPI OnGraphResized(HGLOBAL hAcq, tagGS* gs) {
    AcqLock acq(hAcq);
    if (!acq) return 1;
    HWND button = acq->run.hwndStartButton;
    RECT place{};
    if (!button || !gs || !GetStartButtonRect(gs, &place)) return 1;
    HWND bar = gs->hScrollBar;
    HWND under = bar && IsWindow(bar) && GetParent(bar) == GetParent(button) ? bar : HWND_BOTTOM;
    SetWindowPos(button, under, place.left - 1, place.top, kStartButtonWidth, place.bottom - place.top, SWP_NOACTIVATE);
    return 1;
}

// Follows a change of the system colours.
int32_t WINAPI OnSysColorChange() {
    if (g_lib.faceBrush) DeleteObject(g_lib.faceBrush);
    g_lib.faceBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    return 1;
}

// A lesson statement that begins with the unit's word.
int32_t WINAPI ExecDriverScriptLine(HGLOBAL hAcq, stScriptStatement* st) { return ExecDeviceScriptWords(st, hAcq); }

// Merges the device menu into the frame's menu bar.
int32_t WINAPI AppendDriverMenu(HWND frame) {
    MergeDriverMenu(frame);
    return 0;
}

// Hides every panel of the library, as when a lesson opens.
void WINAPI HideDriverPanels(HGLOBAL hAcq) {
    AcqLock acq(hAcq);
    if (!acq) return;
    const HWND panels[] = {acq->run.hwndInputValues, acq->hwndManualControl, acq->hwndAcqSetup,
                           acq->hwndTrigger,         acq->hwndChannelSetup,  acq->hwndStimulator};
    for (HWND panel : panels) {
        if (panel) ShowWindow(panel, SW_HIDE);
    }
    g_lib.electrodeShown = 0;
    HWND checker = acq->hwndElectrodeCheck;
    SetMenuCheck(checker ? GetParent(checker) : g_lib.hostFrame, IDM_ELECTRODE, false);
    if (checker) ShowWindow(checker, SW_HIDE);
}

// Stores a value for the library; the program does not call it.
int32_t WINAPI SetDriverValue(int32_t value) {
    g_lib.hostValue = value;
    return value;
}

// Hides the attached graph's Start button and redraws its status strip.
void WINAPI HideGraphButton(HGLOBAL hAcq) {
    AcqLock acq(hAcq);
    if (!acq) return;
    if (acq->run.hwndStartButton) ShowWindow(acq->run.hwndStartButton, SW_HIDE);
    DrawAcquisitionStatus(acq.get(), acq->run.attachedGraph);
}

// Nothing to do when the program writes a graph file.
int32_t WINAPI OnWriteFile(int32_t) { return 1; }
