// The acquisition's state between runs and around them: whether the unit is there and set up,
// which status image the attached graph shows, the idle step that advances a run or an automatic
// restart, and the Start button's toggle.
#include "devlib/acquisition/run/acq_state.h"

#include <algorithm>
#include <cstring>

#include "common/byte_order.h"
#include "common/tagGS.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/unit/playback.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/services/reg_key.h"
#include "devlib/vk40.h"

namespace {

constexpr uint8_t kStatusValid = 0x80;
constexpr uint8_t kStatusRunBits = 0x07;
constexpr uint8_t kProgramModeRun = 2;
constexpr uint32_t kUsbModeSettleMs = 100;
constexpr uint32_t kUsbStatusDrain = 6;
constexpr uint32_t kUsbModeDrain = 3;
constexpr double kVK45RunPeriodMs = 0.5;
constexpr int kStatusReplyBytes = 4;
constexpr int kMemorySizeBytes = 3;
constexpr int kStripInset = 1;
constexpr int kButtonWidth = 50;
constexpr int kImageRightGap = 14;
constexpr int kImageTopGap = 2;
constexpr int kGaugeLeft = 23;
constexpr int kGaugeRight = 17;
constexpr uint32_t kGaugeBytesPerPixel = 2048;
constexpr char kUsageValue[] = "HWUsageFlag";

// Asks what to do when no unit answers; true for Retry.
bool AskRetryWithoutUnit(const tagGS* gs) {
    HWND owner = gs && gs->hwnd ? gs->hwnd : g_lib.hostFrame;
    const char* text = KeyedOr("KEY VK40 not found",
                               "The Program cannot find the VK40 hardware.\n\nTo analyze saved data (using software only), "
                               "click Cancel.\n\nTo record data, check connections and power and click Retry.");
    return MessageBoxA(owner, text, UnitCaption(), MB_RETRYCANCEL | MB_TASKMODAL | MB_ICONEXCLAMATION) == IDRETRY;
}

// The status image area after a change of state.
void RefreshStatusArea(stAcq* acq) {
    HWND pane = acq->run.hwndInputValues;
    if (!pane || !IsWindow(pane)) return;
    InvalidateRect(pane, &acq->statusRect, FALSE);
    UpdateWindow(pane);
}

// Status byte 1 of command 51 as the status image it stands for.
int32_t StateFromUnitStatus(uint8_t status) {
    if (!(status & kStatusValid)) return kStatusNotReporting;
    switch (status & kStatusRunBits) {
    case 1:
    case 3: return kStatusUnitBusy;
    case 5: return kStatusWaitingForData;
    case 7: return kStatusDataFlowing;
    default: return g_lib.autoRestartPending ? kStatusRestartPending : kStatusReady;
    }
}

// The unit's status read without a reply check: a USB unit's answer is drained as it comes.
void ReadStatusLoosely() {
    uint8_t reply[kStatusReplyBytes] = {};
    if (g_unitLink.Kind() == kTransportUsb) {
        uint8_t drained[kUsbStatusDrain] = {};
        if (g_unitLink.SendPacket(kCmdStatus, 0, nullptr)) g_unitLink.Drain(kUsbStatusDrain, drained);
    } else {
        g_unitLink.QueryCommand(kCmdStatus, 0, nullptr, kStatusReplyBytes, reply);
    }
}

// Puts the unit into its run mode; the USB unit takes the command twice, the second as a bare packet.
bool EnterRunMode() {
    const uint8_t mode = kProgramModeRun;
    if (!g_unitLink.SetCommand(kCmdProgramMode, 1, &mode)) {
        MessageBeep(MB_ICONEXCLAMATION);
        return false;
    }
    if (g_unitLink.Kind() == kTransportUsb) {
        g_unitLink.Wait(kUsbModeSettleMs);
        uint8_t drained[kUsbModeDrain] = {};
        if (g_unitLink.SendPacket(kCmdProgramMode, 1, &mode)) g_unitLink.Drain(kUsbModeDrain, drained);
    } else {
        g_unitLink.SetCommand(kCmdProgramMode, 1, &mode);
    }
    return true;
}

// The unit's memory size, a 24-bit big-endian number.
void ReadUnitMemorySize() {
    uint8_t reply[kMemorySizeBytes] = {};
    if (g_unitLink.QueryCommand(kCmdMemorySize, 0, nullptr, kMemorySizeBytes, reply))
        g_lib.unitMemoryBytes = GetBeU24(reply);
}

bool HasPlaybackSource(const stAcq* acq) {
    return acq->run.attachedGraph && PlaybackServesGraph(acq->run.attachedGraph);
}

// Once start-up is done and the lesson asked for it, the idle step keeps checking the unit,
// unless the user chose to work without it.
bool UnitChecksOn() { return GetStartupFlag() && g_lib.readStatusEnable && !g_lib.unitCheckSuppressed; }

// The automatic restart's turn: counts the restarts down and starts the next run when due.
void AdvanceAutoRestart(stAcq* acq) {
    const uint32_t intervalMs = static_cast<uint32_t>(acq->restartInterval * 1000.0);
    if (g_unitLink.ClockMs() - acq->startTick < intervalMs) return;
    if (!acq->endlessRestart) {
        const int32_t before = acq->restartCountdown--;
        if (before <= 1) {
            g_lib.autoRestartPending = 0;
            DrawAcquisitionStatus(acq, acq->run.attachedGraph);
            tagGS* gs = acq->run.attachedGraph;
            if (gs && gs->hwnd) SendMessageA(gs->hwnd, WM_SIZE, 0, 0);
        }
    }
    if (g_lib.autoRestartPending && !StartAcquisition(acq, 0)) g_lib.autoRestartPending = 0;
}

}  // namespace

// The idle step: a run advances, a pending restart starts its next run, and between runs the
// unit is checked so the status image follows it.
void PollAcquisitionState(stAcq* acq) {
    ++g_runTrace.poll;
    stAcqRun& run = acq->run;
    if (run.running)
        CheckAcquisitionStatus(acq);
    else if (g_lib.autoRestartPending)
        AdvanceAutoRestart(acq);
    if (run.timingKind == kTimingHostPaced && run.running) {
        run.statusState = run.dataStarted ? kStatusDataFlowing : kStatusWaitingForData;
    } else if (run.timingKind != kTimingUnitPaced) {
        run.statusState = kStatusNoUnit;
        if (UnitChecksOn() || HasPlaybackSource(acq)) CheckUnitPresent(acq);
    }
    if (run.statusState != g_lib.lastDrawnState) {
        DrawAcquisitionStatus(acq, run.attachedGraph);
        g_lib.lastDrawnState = run.statusState;
    }
}

// Whether a unit (or a play-back source standing in for it) can record; connects and sets up
// a unit not set up yet.
int32_t CheckUnitPresent(stAcq* acq) {
    stAcqRun& run = acq->run;
    if (HasPlaybackSource(acq)) {
        run.statusState = kStatusReady;
        return 1;
    }
    if (!g_lib.unitCheckSuppressed) {
        if (!run.unitInitialised) {
            g_unitLink.Recover();
            if (ConnectUnit(acq, 1)) {
                ReadUnitMemorySize();
            } else {
                const bool retry = !g_lib.readStatusEnable || AskRetryWithoutUnit(run.attachedGraph);
                run.statusState = kStatusNoUnit;
                g_unitLink.Recover();
                if (!retry) {
                    g_lib.unitCheckSuppressed = 1;
                    run.unitInitialised = 0;
                    g_runPanels.repaintInputValues(acq);
                    tagGS* gs = run.attachedGraph;
                    if (gs && gs->hwnd) SendMessageA(gs->hwnd, kMsgWorkWithoutUnit, 0, reinterpret_cast<LPARAM>(gs->hwnd));
                }
            }
            if (!run.unitInitialised) return 0;
        }
        uint8_t status[kStatusReplyBytes] = {};
        const bool answered = g_unitLink.QueryCommand(kCmdStatus, 0, nullptr, kStatusReplyBytes, status) != 0;
        run.statusState = answered ? StateFromUnitStatus(status[1]) : kStatusNoUnit;
        if (!answered || !(status[1] & kStatusValid)) {
            g_lib.unitCheckSuppressed = 0;
            run.unitInitialised = 0;
        }
    }
    RefreshStatusArea(acq);
    return 1;
}

// A unit the user chose to work without is looked for again; one the machine's switch keeps out
// of use stays unasked.
void ResumeUnitChecks() {
    if (g_lib.unitCheckSuppressed && GetConnectToVK40IsDesired()) g_lib.unitCheckSuppressed = 0;
}

bool UnitReadyForStart(stAcq* acq) {
    if (acq->run.running || acq->run.unitInitialised || HasPlaybackSource(acq) || !UnitChecksOn()) return true;
    CheckUnitPresent(acq);
    return acq->run.unitInitialised != 0;
}

// Reaches the unit and, with setUp, loads its firmware, puts it into run mode and calibrates it.
int32_t ConnectUnit(stAcq* acq, int32_t setUp) {
    ReadStatusLoosely();
    if (!setUp) {
        acq->run.unitInitialised = 0;
        return 1;
    }
    if (!DownloadFirmware(acq) || !EnterRunMode()) return 0;
    if (!IsVK40()) acq->runSamplePeriod = kVK45RunPeriodMs;
    CalibrateInputs(acq);
    acq->outputMode = 0;
    acq->run.unitInitialised = 1;
    g_runPanels.relayoutInputValues(acq);
    return 1;
}

// The Start button and "STARTACQ": cancels a pending restart, else starts or stops a run.
int32_t ToggleAcquisition(stAcq* acq, int32_t wait) {
    ++g_runTrace.toggle;
    if (g_lib.autoRestartPending) {
        g_lib.autoRestartPending = 0;
        if (!acq->run.running) DrawAcquisitionStatus(acq, acq->run.attachedGraph);
        return 1;
    }
    if (!acq->run.running) {
        if (!UnitReadyForStart(acq)) return 1;  // the check said why
        acq->restartCountdown = acq->restartCount;
        StartAcquisition(acq, wait);
    } else {
        EndAcquisition(acq, 0);
    }
    return 1;
}

// Graphs of the averaging and rate views, and graphs in other horizontal modes, have no status.
bool ShowsAcquisitionStatus(const tagGS* gs) {
    if (!gs) return false;
    if (_strnicmp(gs->title, "Averaging", 9) == 0 || _strnicmp(gs->title, "Rate", 4) == 0) return false;
    return gs->hUnitKind == kHUnitTime || gs->hUnitKind == kHUnitClock;
}

// Right of the Start button's 50 pixels: the strip on the button face, the image near its right end.
void PaintStatusImage(HDC dc, RECT statusBox, HBITMAP image) {
    RECT rc = statusBox;
    InflateRect(&rc, -kStripInset, -kStripInset);
    rc.left += kButtonWidth;
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    HDC mem = image ? CreateCompatibleDC(dc) : nullptr;
    if (!mem) return;
    BITMAP info{};
    GetObjectA(image, sizeof info, &info);
    HGDIOBJ old = SelectObject(mem, image);
    BitBlt(dc, rc.right - kImageRightGap, rc.top + kImageTopGap, info.bmWidth, info.bmHeight, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

// A 6-pixel column of the status box, black from the bottom up one pixel per 2 KB.
void PaintFillGauge(HDC dc, RECT statusBox, uint32_t bytes) {
    RECT column = statusBox;
    column.left = statusBox.right - kGaugeLeft;
    column.right = statusBox.right - kGaugeRight;
    FillRect(dc, &column, GetSysColorBrush(COLOR_BTNFACE));
    RECT fill = column;
    const uint32_t height = static_cast<uint32_t>(std::max<LONG>(0, column.bottom - column.top));
    fill.top = column.bottom - static_cast<LONG>(std::min(bytes / kGaugeBytesPerPixel, height));
    FillRect(dc, &fill, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// The status image of the graph's strip, right of the Start button.
void DrawAcquisitionStatus(stAcq* acq, tagGS* gs) {
    ++g_runTrace.drawStatus;
    if (!ShowsAcquisitionStatus(gs) || !gs->hwnd || !IsWindow(gs->hwnd)) return;
    HDC dc = GetDC(gs->hwnd);
    if (!dc) return;
    const int32_t state = acq->run.statusState;
    HBITMAP image = state >= 0 && state < kStatusBitmaps ? acq->run.statusBitmaps[state] : nullptr;
    PaintStatusImage(dc, gs->statusBoxRect, image);
    ReleaseDC(gs->hwnd, dc);
}

// The unit ring's fill beside the status image.
void DrawFillGauge(stAcq* acq, uint32_t bytes) {
    tagGS* gs = acq->run.attachedGraph;
    if (!gs || !gs->hwnd) return;
    HDC dc = GetDC(gs->hwnd);
    if (!dc) return;
    PaintFillGauge(dc, gs->statusBoxRect, bytes);
    ReleaseDC(gs->hwnd, dc);
}

namespace {

// A bitmap resource kept as stored: converting it to the screen's format, as LoadBitmap does,
// costs round trips to the window system at start-up, and blitting converts anyway.
HBITMAP LoadStoredBitmap(int id) {
    return static_cast<HBITMAP>(
        LoadImageA(g_lib.instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// The image of each status state (state 10 has none); the library keeps and frees them.
void LoadStatusImages(stAcqRun& run) {
    static constexpr uint16_t kImages[kStatusBitmaps] = {
        IDB_STATUS_NO_UNIT, IDB_STATUS_READY,   IDB_STATUS_RUNNING, IDB_STATUS_WAITING,
        IDB_STATUS_BUSY,    IDB_STATUS_OTHER,   IDB_STATUS_RESTART, IDB_STATUS_RUNNING,
        IDB_STATUS_NO_UNIT, IDB_STATUS_FINISHING, 0,
    };
    for (int32_t i = 0; i < kStatusBitmaps; ++i) {
        if (g_runLayer.statusObjects[i]) DeleteObject(g_runLayer.statusObjects[i]);
        run.statusBitmaps[i] = kImages[i] ? LoadStoredBitmap(kImages[i]) : nullptr;
        g_runLayer.statusObjects[i] = run.statusBitmaps[i];
    }
}

}  // namespace

// Start-up: nothing runs, nothing is attached; a unit marked not to be used is never asked.
int32_t InitAcquisitionState(HWND, stAcq* acq) {
    ++g_runTrace.initState;
    stAcqRun& run = acq->run;
    LoadStatusImages(run);
    run.statusState = kStatusNoUnit;
    run.unitInitialised = 0;
    run.running = 0;
    run.timingKind = kTimingHostPaced;
    run.spareRunWord = 0;
    run.attachedGraph = nullptr;
    run.dataStarted = 1;
    g_lib.lastDrawnState = -1;
    if (!GetConnectToVK40IsDesired()) {
        g_lib.unitCheckSuppressed = 1;
        run.unitInitialised = 0;
        run.statusState = kStatusNoUnit;
    }
    return 0;
}

// The machine-wide switch: only the exact text "NO" keeps the program off the unit.
int32_t GetConnectToVK40IsDesired() {
    RegKey key(HKEY_LOCAL_MACHINE, g_driverSettingsKey, kMachineRead);
    char value[MAX_PATH] = "";
    if (!key || !key.ReadString(kUsageValue, value, sizeof value)) return 1;
    return strcmp(value, "NO") != 0 ? 1 : 0;
}

