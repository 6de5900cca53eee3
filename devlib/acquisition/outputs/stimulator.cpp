// The stimulator commands over the set-up block, the events that decide when they go out, the
// idle poll that tells the active output panel, and the marker of each start.
#include "devlib/acquisition/outputs/stimulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/outputs/out_ctl.h"
#include "devlib/services/run_state.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/services/library.h"
#include "devlib/services/hints.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"

int32_t g_stimReportedRunning = -1;

namespace {

constexpr int32_t kMessageChars = 256;
constexpr int32_t kLabelChars = 128;
constexpr uint8_t kRefFirstDigital = 12;  // a reference channel beyond the analog ones is sent + 12

struct stStimError {
    uint8_t code;
    const char* key;
};
constexpr stStimError kStimErrors[] = {
    {1, "STIM ERR NUMPULS ZERO Key"},       {2, "STIM ERR RRCNTUS ZERO Key"},
    {3, "STIM ERR RRCNTUS TOO LARGE Key"},  {4, "STIM ERR RRCNT100MS TOO LARGE Key"},
    {5, "STIM ERR RRCNTUS TOO SMALL Key"},  {6, "STIM ERR UNKNOWN Key"},
    {7, "STIM ERR PULSE WIDTH SMALL Key"},  {8, "STIM ERR PULSE WIDTH LARGE Key"},
    {9, "STIM ERR DELAY OUT OF RANGE Key"}, {16, "STIM ERR MODE NOT ALLOWED Key"},
    {32, "STIM ERR MODE REQUEST INVALID Key"}, {33, "STIM ERR STIM ACTIVE Key"},
    {34, "STIM ERR PULSE NUMBER ZERO Key"},
};

// The stimulator command with its ten bytes and eight-byte reply.
int32_t StimCommand(const uint8_t data[kStimDataBytes], uint8_t reply[kStimReplyBytes]) {
    return g_unitLink.QueryCommand(kCmdStimulator, kStimDataBytes, data, kStimReplyBytes, reply) ? 1 : 0;
}

int32_t StimSimple(uint8_t mode, uint8_t reply[kStimReplyBytes]) {
    uint8_t data[kStimDataBytes] = {mode};
    return StimCommand(data, reply);
}

// Whether the attached graph's active stimulator panel wants periods in its markers.
int32_t ActivePanelShowsPeriod(stAcq* acq) {
    stOutputPanelInfo info{};
    if (!FindActiveOutputPanel(acq->run.attachedGraph, &info) || !IsStimulatorOutputType(info.type) ||
        !info.controller || info.type == kOutTypeRJ72CA)
        return 0;
    return info.controller->PrefValue(kStimShowPeriod) == 1.0 ? 1 : 0;
}

void RefreshPanelFields(HWND panel, stAcq* acq) {
    if (panel && IsWindow(panel)) SendMessageA(panel, WM_APP, 0, reinterpret_cast<LPARAM>(acq));
}

}  // namespace

void SetStimulatorDefaults(stStimSetup* s) {
    s->width = 1.0;
    s->rate = 10.0;
    s->increment = 1.0;
    s->lowerLimit = 1.0;
    s->upperLimit = 20.0;
    s->correction = 110.0;
    s->continuous = 1;
    s->count = 2;
    s->on = 1;
    s->withAcquisition = 0;
    s->markers = 1;
    s->lockLimits = 1;
    s->widthLimitOn = 1;
    s->widthLimit = 1.0;
    s->delay = 0.0;
}

double StimResolution() { return g_unit.stimStep > 0.0 ? g_unit.stimStep : COutSTM::m_resolution; }
uint16_t StimOffCountMin() {
    return g_unit.stimStep > 0.0 ? static_cast<uint16_t>(g_unit.stimFirst) : COutSTM::m_RRCNTUS_MIN;
}
uint16_t StimOffCountMax() {
    return g_unit.stimStep > 0.0 ? static_cast<uint16_t>(g_unit.stimSecond) : COutSTM::m_RRCNTUS_MAX;
}

// Width count, off time in the count and whole 100 ms, delay count, in the connected model's
// counts; the off time of a single pulse is 1 ms.
int32_t StimCalcCount(double width, double rate, double delay, bool repeating, stStimCounts* out) {
    const double r = StimResolution();
    const double offMax = StimOffCountMax();
    if (repeating && !(rate > 0.0)) return 0;
    const double off = repeating ? 1000.0 / rate - width : 1.0;
    out->width = static_cast<uint16_t>(std::clamp(std::trunc(width / r), 0.0, 65535.0));
    out->delay = static_cast<uint16_t>(std::clamp(std::trunc(delay / r), 0.0, 65535.0));
    if (off <= offMax * r) {
        out->hundreds = 0;
        out->off = static_cast<uint16_t>(std::max(std::trunc(off / r), static_cast<double>(StimOffCountMin())));
        return 1;
    }
    double hundreds = std::trunc(off / 100.0);
    const double rest = off - hundreds * 100.0;
    double count = std::trunc(rest / r);
    if (rest == 0.0) {
        hundreds -= 1;
        count = offMax;
    }
    out->hundreds = static_cast<uint8_t>(std::min(hundreds, 255.0));  // the unit counts 100 ms in a byte
    out->off = static_cast<uint16_t>(count);
    return 1;
}

int32_t StimulatorStartData(const stStimSetup& s, uint8_t out[kStimDataBytes]) {
    const bool repeating = s.continuous || s.count > 1;
    stStimCounts c{};
    if (!StimCalcCount(s.width - s.correction * 0.001, s.rate, s.delay, repeating, &c)) return 0;
    out[0] = s.withAcquisition ? kStimModeWithSampling : kStimModeStart;
    out[1] = 0;
    out[2] = s.continuous ? kStimContinuousCount : static_cast<uint8_t>(std::clamp<int>(s.count, 0, 255));
    out[3] = c.hundreds;
    PutBeU16(out + 4, c.off);
    PutBeU16(out + 6, c.width);
    PutBeU16(out + 8, c.delay);
    return 1;
}

const char* StimulatorErrorKey(uint8_t code) {
    for (const stStimError& e : kStimErrors)
        if (e.code == code) return e.key;
    return nullptr;
}

void StimulatorErrorText(uint8_t code, char* text, int32_t size) {
    if (size <= 0) return;
    text[0] = '\0';
    if (code == 0) return;
    if (const char* key = StimulatorErrorKey(code))
        lstrcpynA(text, Keyed(key), size);
    else
        std::snprintf(text, static_cast<size_t>(size), "%s - STIM error %d", Keyed("STIM UKnownw Key"), code);
}

// Nothing goes out without a unit or while no stimulator panel of the attached graph is active.
int32_t StartStimulator(stAcq* acq, int32_t* unitCode) {
    if (unitCode) *unitCode = -1;
    if (!UnitPresent(acq) || !IsStimulatorViewActive(acq)) return 1;
    uint8_t data[kStimDataBytes];
    if (!StimulatorStartData(acq->stim, data)) return 0;  // no rate: nothing to count a period from
    InsertStimulusMarker(acq, -1.0, ActivePanelShowsPeriod(acq));
    uint8_t reply[kStimReplyBytes] = {};
    if (!StimCommand(data, reply)) return 0;
    if (unitCode) *unitCode = reply[0];
    if (reply[0] != 0) {
        char text[kMessageChars];
        StimulatorErrorText(reply[0], text, sizeof(text));
        MessageBoxA(g_lib.hostFrame, text, UnitCaption(), MB_OK | MB_ICONWARNING | MB_TASKMODAL);
    }
    return 1;
}

int32_t StopStimulator(stAcq* acq, int32_t onlyWithUnit) {
    if (onlyWithUnit && !UnitPresent(acq)) return 1;
    uint8_t reply[kStimReplyBytes];
    return StimSimple(kStimModeStop, reply);
}

int32_t IsStimulatorStarted(stAcq* acq) {
    if (!UnitPresent(acq)) return 0;
    uint8_t reply[kStimReplyBytes] = {};
    return StimSimple(kStimModeQuery, reply) && reply[0] != 0 ? 1 : 0;
}

int32_t ResetStimulatorState(stAcq* acq) {
    if (!UnitPresent(acq) || !IsStimulatorStarted(acq)) return 1;
    uint8_t reply[kStimReplyBytes];
    return StimSimple(kStimModeStop, reply);
}

int32_t RestartStimulatorIfRunning(stAcq* acq) {
    if (!UnitPresent(acq)) return 1;
    return IsStimulatorStarted(acq) ? StartStimulator(acq) : 1;
}

void StimulatorReferenceData(const stStimSetup& s, uint8_t out[2]) {
    const int32_t c = s.refChannel;
    out[0] = static_cast<uint8_t>(c != 0 && (c < 1 || c > 4) ? c + kRefFirstDigital : c);
    out[1] = static_cast<uint8_t>(4 + (s.refOptions[0] == 0 ? 2 : 0) + (s.refOptions[1] == 0 ? 1 : 0));
}

namespace {
int32_t SendReference(stAcq* acq, const uint8_t data[2]) {
    if (!UnitPresent(acq)) return 1;
    if (g_unitLink.SetCommand(kCmdStimReference, 2, data)) return 1;
    MessageBoxA(g_lib.hostFrame, Keyed("Stimulator (Set Reference Channel) error."), UnitCaption(),
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
    return 0;
}
}  // namespace

int32_t SetStimulatorReference(stAcq* acq) {
    uint8_t data[2];
    StimulatorReferenceData(acq->stim, data);
    return SendReference(acq, data);
}

int32_t ClearStimulatorReference(stAcq* acq) {
    const uint8_t data[2] = {0, 0};
    return SendReference(acq, data);
}

// What each event sends, by the block's flags; the output goes to the pulse generator first.
int32_t StimulatorEvent(HWND panel, stAcq* acq, int32_t event) {
    stStimSetup& s = acq->stim;
    SelectPulseOutput(acq);
    const bool recording = acq->run.running != 0;
    switch (event) {
    case kStimEvSettingsChanged:
        if (s.continuous && !s.withAcquisition) RestartStimulatorIfRunning(acq);
        break;
    case kStimEvRecordingStarts:
        if (s.withAcquisition && s.active) {
            StartStimulator(acq);
        } else if (!(s.continuous && acq->run.statusState < kStatusDataFlowing)) {
            s.on = 1;
            RefreshPanelFields(panel, acq);
        }
        break;
    case kStimEvRecordingEnds:
        if (s.withAcquisition) StopStimulator(acq, 1);
        break;
    case kStimEvToContinuous: ResetStimulatorState(acq); break;
    case kStimEvToCount:
        if ((recording && s.withAcquisition) || s.on == 0) StopStimulator(acq, 1);
        break;
    case kStimEvButtonStop:
        if (s.continuous) {
            if (!s.on) StopStimulator(acq, 1);
        } else {
            ResetStimulatorState(acq);
        }
        break;
    case kStimEvToButton:
        if (recording) s.continuous ? StopStimulator(acq, 1) : ResetStimulatorState(acq);
        break;
    case kStimEvButtonStart:
        if (s.continuous && s.on)
            StopStimulator(acq, 1);
        else
            StartStimulator(acq);
        break;
    default: break;
    }
    return 1;
}

void RaiseRunStimulatorEvent(stAcq* acq, int32_t event) {
    if (event == kStimEvRecordingStarts) g_stimStopAbsolutely = 0;
    // A stimulator left active behind another output must not take the output over.
    const bool inUse = IsStimulatorViewActive(acq) || (acq->hwndStimulator && IsWindowVisible(acq->hwndStimulator));
    if (acq->stim.active && inUse) StimulatorEvent(acq->hwndStimulator, acq, event);
}

// The idle step: tells the active stimulator panel when the unit's running state changes, and
// keeps "start requested" while a requested stimulation still runs.
int32_t PollOutputControlState(stAcq* acq) {
    ++g_runTrace.outputPoll;
    stStimSetup& s = acq->stim;
    if (acq->run.statusState == kStatusDataFlowing) return 0;
    if (!s.panelCreated[0]) {
        const int32_t requested = s.startRequested;
        s.startRequested = 0;
        return requested;
    }
    stOutputPanelInfo info{};
    int32_t running = 0;
    const bool stimPanel = FindActiveOutputPanel(acq->run.attachedGraph, &info) && IsStimulatorOutputType(info.type) &&
                           info.controller;
    if (stimPanel) {
        running = info.controller->DoCmd(OUTCTL_ISSTARTED) ? 1 : 0;
        if (running != g_stimReportedRunning) {
            g_stimReportedRunning = running;
            if (IsWindow(info.window)) SendMessageA(info.window, kOutCtlRunningMsg, running, 0);
        }
    }
    if (s.startRequested) {
        if (UnitPresent(acq) && running) return 1;
        s.startRequested = 0;
    }
    return 0;
}

void StimulusMarkerLabel(const stStimSetup& s, int32_t showPeriod, char* text, int32_t size) {
    const double period = s.rate > 0.0 ? 1000.0 / s.rate : 0.0;
    if (s.continuous) {
        if (showPeriod)
            FormatKeyedText(text, size, Keyed("%6.2f msec pulse width, %6.2f msec period"), s.width, period);
        else
            FormatKeyedText(text, size, Keyed("%6.2f msec pulse width, %6.2f Hz rate"), s.width, s.rate);
    } else if (s.count < 2) {
        FormatKeyedText(text, size, Keyed("%6.2f msec pulse width"), s.width);
    } else if (showPeriod) {
        FormatKeyedText(text, size, Keyed("%d pulses, %6.2f msec width, %6.2f msec period"), s.count, s.width, period);
    } else {
        FormatKeyedText(text, size, Keyed("%d pulses, %6.2f msec width, %6.2f Hz rate"), s.count, s.width, s.rate);
    }
}

void InsertStimulusMarker(stAcq* acq, double timeMs, int32_t showPeriod) {
    tagGS* gs = acq->run.attachedGraph;
    if (!acq->stim.markers || !gs) return;
    if (gs->totalSamples <= 0 && !acq->stim.withAcquisition) return;
    if (timeMs < 0) timeMs = std::max(gs->totalSamples - 1, 0) * gs->sampleInterval;
    char label[kLabelChars];
    StimulusMarkerLabel(acq->stim, showPeriod, label, sizeof(label));
    HostInsertMarker(&g_lib.host, gs, timeMs, 0, label, 0);
}

int32_t StimulatorButtonPicture(int32_t continuous, int32_t on) {
    return (continuous != 0) == (on != 0) ? MLBMP_TOGGLE_OFF : MLBMP_TOGGLE_ON;
}

void SetToggleButtonImage(HWND button, int32_t continuous, int32_t on) {
    if (button) m_MLBitmap.SetBitmap(button, static_cast<EMLBITMAP>(StimulatorButtonPicture(continuous, on)), 0);
}
