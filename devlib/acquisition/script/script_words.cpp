// The device words of the lesson language. The interpreter hands over the whole statement; its
// fields are read back left to right through the host's script readers, so the library never
// parses the language itself. Every field a word needs is read and checked before the word
// changes anything, so a refused statement leaves the record, the unit and the windows as they were.
#include "devlib/acquisition/script/script_words.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/binding.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/setup/acq_setup_rules.h"
#include "devlib/acquisition/run/acq_state.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/setup/input_values.h"
#include "devlib/acquisition/outputs/manual_control.h"
#include "devlib/acquisition/outputs/out_ctl.h"
#include "devlib/acquisition/setup/prefs.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/channels/scaling.h"
#include "devlib/acquisition/outputs/stim_script.h"
#include "devlib/acquisition/setup/trigger.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/acquisition/outputs/stim_panel.h"
#include "devlib/acquisition/setup/acq_setup.h"
#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/setup/electrode_check.h"
#include "devlib/vk40.h"

namespace {

constexpr int kWordBytes = 256;
constexpr int kStringBytes = 2048;         // the host's string reader copies up to 512 characters
constexpr int kMaxStatementChars = 32767;  // the reading position is 16 bits
constexpr int kUnitTextBytes = 256;
constexpr int kAdapterHexChars = 32;
constexpr int kPositionExtra = 36;
constexpr int kValuesPaneRaise = 50;
constexpr uint8_t kDischargeFlag = 32;
constexpr uint16_t kTriggerSourceBits = kTrigOn | kTrigBoth | kTrigChannel;
constexpr int kMaxRecordWords = 16;  // the stimulator records take at most nine

// ---- Reading the statement ----

// The statement's fields through the host's readers. The position never passes the statement's
// own end, so a reader that counts past the carriage return cannot hand a word the next line.
class CStatementReader {
public:
    CStatementReader(const stHostCallbacks* host, const char* text) : m_host(host), m_text(text) {
        while (m_end < kMaxStatementChars && text[m_end] && text[m_end] != '\r' && text[m_end] != '\n') ++m_end;
    }

    // The next word; empty at the end of the statement.
    const char* Token(char word[kWordBytes]) {
        word[0] = 0;
        if (m_pos < m_end) Advance(HostGetScriptToken(m_host, m_text + m_pos, word));
        word[kWordBytes - 1] = 0;
        return word;
    }

    // The next field as a number; false when it is missing, does not evaluate or is not finite.
    bool Number(double* value) {
        *value = 0;
        if (m_pos >= m_end) return false;
        double v = 0;
        const int32_t used = HostGetScriptNumber(m_host, m_text + m_pos, &v);
        if (used <= 0) return false;
        Advance(used);
        *value = v;
        return std::isfinite(v);
    }

    // The next field as a whole number, truncated toward zero.
    bool Integer(int32_t* value) {
        double v = 0;
        if (!Number(&v) || v < -2147483648.0 || v >= 2147483648.0) return false;
        *value = static_cast<int32_t>(v);
        return true;
    }

    // A string argument: 1 given, 0 none, -1 when it does not fit size bytes.
    int32_t String(char* out, size_t size) {
        out[0] = 0;
        if (m_pos >= m_end) return 0;
        char text[kStringBytes] = "";
        const int32_t used = HostEvaluateScriptExpression(m_host, m_text + m_pos, text);
        if (used <= 0) return 0;
        Advance(used);
        text[kStringBytes - 1] = 0;
        if (std::strlen(text) >= size) return -1;
        std::strcpy(out, text);
        return 1;
    }

    uint16_t Position() const { return m_pos; }
    void Rewind(uint16_t pos) { m_pos = pos; }

private:
    void Advance(int32_t used) {
        if (used <= 0) return;
        const int32_t next = m_pos + used;
        m_pos = static_cast<uint16_t>(next < m_end ? next : m_end);
    }

    const stHostCallbacks* m_host;
    const char* m_text;
    uint16_t m_pos = 0;
    uint16_t m_end = 0;
};

bool Is(const char* word, const char* name) { return _stricmp(word, name) == 0; }

// One statement's call: the record, the reader, and the status of the unit operations.
struct stWordCall {
    HGLOBAL hAcq;
    stAcq* acq;
    const stScriptStatement* st;
    CStatementReader& in;
    int16_t status;
};

// A word answers 0 when it refuses the statement, 1 otherwise.
using WordFn = int32_t (*)(stWordCall&);
struct stWordEntry {
    const char* name;
    WordFn run;
};

bool IsAnalog(int32_t channel) { return channel >= 1 && channel <= kAnalogChannels; }

// The record index of a channel kind and number; -1 when the kind is unknown or the channel does
// not exist on this unit.
int32_t ChannelIndex(const char* kind, int32_t n) {
    if (n < 1) return -1;
    if (Is(kind, "ANALOG")) return n <= kAnalogChannels ? n - 1 : -1;
    const int32_t digital = NDChan;
    if (Is(kind, "DIGITAL")) return n <= digital ? n + kAnalogChannels - 1 : -1;
    if (Is(kind, "CALC")) return n <= kCalcChannels ? n + digital + kAnalogChannels - 1 : -1;
    return -1;
}

// ---- The library's windows by their script names ----

enum class Panel {
    None,
    InputValues,
    InputValuesOptions,
    ManualControl,
    AcquisitionMode,
    TriggerMode,
    SetupChannels,
    Stimulator,
    ElectrodeChecker,
    StartButton
};

Panel PanelNamed(const char* name) {
    static const struct {
        const char* name;
        Panel panel;
    } kPanels[] = {{"INPUTVALUES", Panel::InputValues},     {"INPUTVALUESOPTIONS", Panel::InputValuesOptions},
                   {"MANUALCONTROL", Panel::ManualControl}, {"ACQUISITIONMODE", Panel::AcquisitionMode},
                   {"TRIGGERMODE", Panel::TriggerMode},     {"SETUPCHANNELS", Panel::SetupChannels},
                   {"STIMULATOR", Panel::Stimulator},       {"ELECTRODECHECKER", Panel::ElectrodeChecker},
                   {"STARTBUTTON", Panel::StartButton}};
    for (const auto& p : kPanels)
        if (Is(name, p.name)) return p.panel;
    return Panel::None;
}

HWND PanelWindow(const stAcq* acq, Panel panel) {
    switch (panel) {
    case Panel::InputValues: return acq->run.hwndInputValues;
    case Panel::ManualControl: return acq->hwndManualControl;
    case Panel::AcquisitionMode: return acq->hwndAcqSetup;
    case Panel::TriggerMode: return acq->hwndTrigger;
    case Panel::SetupChannels: return acq->hwndChannelSetup;
    case Panel::Stimulator: return acq->hwndStimulator;
    case Panel::ElectrodeChecker: return acq->hwndElectrodeCheck;
    case Panel::StartButton: return acq->run.hwndStartButton;
    default: return nullptr;
    }
}

// The panel's window for a word that changes it: a panel not made yet is made now.
HWND PanelWindowMade(stWordCall& c, Panel panel) {
    switch (panel) {
    case Panel::InputValues: return InputValuesWindow(c.hAcq);
    case Panel::ManualControl: return ManualControlWindow(c.hAcq);
    case Panel::ElectrodeChecker: return ElectrodeCheckerWindow(c.hAcq);
    case Panel::AcquisitionMode: return AcquisitionSetupWindow(c.hAcq);
    case Panel::TriggerMode: return TriggerSetupWindow(c.hAcq);
    case Panel::SetupChannels: return ChannelSetupWindow(c.hAcq);
    case Panel::Stimulator: return StimulatorWindow(c.hAcq);
    default: return PanelWindow(c.acq, panel);
    }
}

void CheckElectrodeMenuItem(const stAcq* acq, bool checked) {
    HWND parent = acq->hwndElectrodeCheck ? GetParent(acq->hwndElectrodeCheck) : nullptr;
    if (!parent) parent = g_lib.hostFrame;
    HMENU menu = parent ? GetMenu(parent) : nullptr;
    if (menu) CheckMenuItem(menu, IDM_ELECTRODE, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// The Start button and the status strip beside it.
void ShowStartButton(stAcq* acq, bool show) {
    if (acq->run.hwndStartButton) ShowWindow(acq->run.hwndStartButton, show ? SW_SHOW : SW_HIDE);
    DrawAcquisitionStatus(acq, acq->run.attachedGraph);
}

int32_t ShowPanel(stWordCall& c, Panel panel) {
    switch (panel) {
    case Panel::InputValues: ShowInputValues(c.hAcq); return 1;
    case Panel::ManualControl: ShowManualControl(c.hAcq); return 1;
    case Panel::AcquisitionMode: ShowAcquisitionSetup(c.hAcq); return 1;
    case Panel::TriggerMode: ShowTriggerSetup(c.hAcq); return 1;
    case Panel::SetupChannels: ShowChannelSetup(c.hAcq); return 1;
    case Panel::InputValuesOptions:
    case Panel::Stimulator: return 1;
    case Panel::ElectrodeChecker:
        g_lib.electrodeShown = 1;
        ShowElectrodeChecker(c.hAcq, 1);
        CheckElectrodeMenuItem(c.acq, true);
        return 1;
    case Panel::StartButton: ShowStartButton(c.acq, true); return 1;
    default: return 0;
    }
}

int32_t HidePanel(stWordCall& c, Panel panel) {
    switch (panel) {
    case Panel::None: return 0;
    case Panel::InputValuesOptions: return 1;
    case Panel::ElectrodeChecker:
        g_lib.electrodeShown = 0;
        CheckElectrodeMenuItem(c.acq, false);
        ShowElectrodeChecker(c.hAcq, 0);
        if (c.acq->hwndElectrodeCheck) ShowWindow(c.acq->hwndElectrodeCheck, SW_HIDE);
        return 1;
    case Panel::StartButton: ShowStartButton(c.acq, false); return 1;
    default:
        if (HWND w = PanelWindow(c.acq, panel)) ShowWindow(w, SW_HIDE);
        return 1;
    }
}

// ---- Top-level words ----

int32_t WordCheckAcq(stWordCall& c) {
    if (c.acq->run.running) CheckAcquisitionStatus(c.acq);
    if (!c.acq->run.running && c.acq->run.timingKind != kTimingUnitPaced) {
        ResumeUnitChecks();
        CheckUnitPresent(c.acq);
        DrawAcquisitionStatus(c.acq, c.acq->run.attachedGraph);
    }
    return 1;
}

// One analog channel's hardware set-up, or all four from the fourth down.
int32_t WordUpdateParameters(stWordCall& c) {
    double n = 0;
    c.in.Number(&n);
    if (n >= 1 && n < kAnalogChannels + 1) {
        ApplyChannelHardware(&c.acq->chans[static_cast<int32_t>(n) - 1], c.acq);
        return 1;
    }
    for (int32_t i = kAnalogChannels - 1; i >= 0; --i) ApplyChannelHardware(&c.acq->chans[i], c.acq);
    return 1;
}

int32_t WordSelect(stWordCall& c) {
    char word[kWordBytes];
    if (Is(c.in.Token(word), "PORT")) c.in.Token(word);
    return 1;
}

// A string variable token: a letter and "$" (the application's) or "@" (the lesson's own).
bool StringVariable(const char* word, int32_t* letter, int32_t* macro) {
    const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
    if (first < 'A' || first > 'Z') return false;
    *letter = first - 'A';
    *macro = word[1] == '@';
    return true;
}

// GET EEPROM var: the unit's information text into a string variable.
int32_t WordGet(stWordCall& c) {
    char word[kWordBytes];
    if (!Is(c.in.Token(word), "EEPROM")) return 1;
    int32_t letter = 0, macro = 0;
    if (!StringVariable(c.in.Token(word), &letter, &macro)) return 0;
    char info[kVK40InfoChars] = "";
    c.status = static_cast<int16_t>(FormatUnitInfo(info, sizeof info));
    HostAssignScriptStringVariable(&g_lib.host, letter, info, macro);
    return 1;
}

int32_t WordStartAcq(stWordCall& c) {
    if (!c.acq->run.running) c.status = static_cast<int16_t>(ToggleAcquisition(c.acq, 1));
    return 1;
}

// The run ends at the status check's next call; a pending restart does not start again. Between
// runs there is nothing to stop, and a request left standing would end the next run at once.
int32_t WordStopAcq(stWordCall& c) {
    g_lib.autoRestartPending = 0;
    if (c.acq->run.running) g_runLayer.scriptStopRequest = 1;
    return 1;
}

int32_t WordShow(stWordCall& c) {
    char word[kWordBytes];
    return ShowPanel(c, PanelNamed(c.in.Token(word)));
}

int32_t WordHide(stWordCall& c) {
    char word[kWordBytes];
    return HidePanel(c, PanelNamed(c.in.Token(word)));
}

int32_t WordClose(stWordCall& c) {
    char word[kWordBytes];
    const Panel panel = PanelNamed(c.in.Token(word));
    if (panel == Panel::StartButton || panel == Panel::InputValuesOptions) return 0;
    return HidePanel(c, panel);
}

// Discharges an analog input; the first model has no such command.
int32_t WordDumpCharge(stWordCall& c) {
    double n = 0;
    c.in.Number(&n);
    if (!(n >= 1 && n < kAnalogChannels + 1) || IsVK40()) return 1;
    const uint8_t data[2] = {kDischargeFlag, static_cast<uint8_t>(n)};
    c.status = static_cast<int16_t>(g_unitLink.SetCommand(kCmdInputMode, sizeof data, data));
    return 1;
}

// The statement's graph takes the set-up's channels with no samples, so the next run neither
// asks to overwrite nor appends; during a run it is left alone.
int32_t WordResetGraph(stWordCall& c) {
    if (c.st->document) ResetGraphForSetup(c.st->document, c.acq);
    return 1;
}

// Lets the Input Values pane take new values again.
int32_t WordUnholdInputValues(stWordCall&) {
    g_inputValues.busy = 0;
    return 1;
}

int32_t WordSet(stWordCall& c);

const stWordEntry kWords[] = {
    {"UpdateParameters", WordUpdateParameters},
    {"SET", WordSet},
    {"SELECT", WordSelect},
    {"GET", WordGet},
    {"STARTACQ", WordStartAcq},
    {"STOPACQ", WordStopAcq},
    {"SHOW", WordShow},
    {"HIDE", WordHide},
    {"CLOSE", WordClose},
    {"DUMPCHARGE", WordDumpCharge},
    {"RESETGRAPH", WordResetGraph},
    {"UNHOLDINPUTVALUES", WordUnholdInputValues},
};

// ---- SET: numeric variables ----

// SET name kind n: a reading of the unit into a numeric variable.
int32_t SetVariable(stWordCall& c, const char* name) {
    char kind[kWordBytes];
    c.in.Token(kind);
    double value = 0;
    if (Is(kind, "ANALOG")) {
        int32_t n = 0;
        if (!c.in.Integer(&n) || !IsAnalog(n)) return 0;
        c.status = static_cast<int16_t>(ReadAnalogInputAveraged(c.acq, n, &value));
        if (!c.status) return 1;
    } else if (Is(kind, "SMARTSENSOR") || Is(kind, "SMARTSENSORCOUNT")) {
        // The sensor's identity comes from its own input's read, the count from the conversion words.
        int32_t n = 0;
        if (!c.in.Integer(&n) || !IsAnalog(n)) return 0;
        uint16_t word = 0;
        const bool identity = Is(kind, "SMARTSENSOR");
        c.status = static_cast<int16_t>(identity ? ReadAnalogInputValue(c.acq, n, &word) : ReadAnalogInputWord(c.acq, n, &word));
        if (!c.status) return 1;
        value = word;
    } else if (Is(kind, "STATUS")) {
        if (!c.acq->run.running && c.acq->run.timingKind != kTimingUnitPaced) {
            if (!c.acq->run.unitInitialised) ConnectUnit(c.acq, 1);
            CheckUnitPresent(c.acq);
        }
        value = c.acq->run.statusState;
    } else {
        return 0;
    }
    HostAssignScriptNumericVariable(&g_lib.host, c.st->frame, name, value);
    return 1;
}

// ---- SET: parameter words ----

// OUT0 volts: the Manual Control output, held in the panel's own range.
int32_t SetManualOutput(stWordCall& c) {
    double volts = 0;
    if (!c.in.Number(&volts)) return 0;
    c.status = static_cast<int16_t>(SetManualOutputVolts(c.acq, 0, ClampManualVolts(volts), nullptr));
    return 1;
}

// OUTPUTMODE word: the unit's output selector by the name of its setting.
int32_t SetOutputMode(stWordCall& c) {
    static const char* const kModes[] = {"AmpIN", "FilteredDA", "RawDA", "Channel3", "Digital"};
    char word[kWordBytes];
    c.in.Token(word);
    for (int32_t mode = 0; mode < 5; ++mode) {
        if (!Is(word, kModes[mode])) continue;
        c.status = static_cast<int16_t>(SetOutputParameter(c.acq, mode));
        return 1;
    }
    return 0;
}

int32_t SetRate(stWordCall& c) {
    double rate = 0;
    if (!c.in.Number(&rate) || !(rate > 0)) return 0;
    c.acq->samplePeriodMs = 1000.0 / rate;
    return 1;
}

// Mode, repeat, keep and append words; words it does not know leave their fields.
int32_t SetStorage(stWordCall& c) {
    char mode[kWordBytes], repeat[kWordBytes], keep[kWordBytes], append[kWordBytes];
    c.in.Token(mode);
    c.in.Token(repeat);
    c.in.Token(keep);
    c.in.Token(append);
    stAcq* acq = c.acq;
    acq->autoRestart = Is(repeat, "REPEAT") ? 1 : 0;
    if (Is(mode, "DISK")) {
        acq->storageKind = kStorageDisk;
    } else if (Is(mode, "MEMORY")) {
        acq->storageKind = kStorageMemory;
        acq->repeatMode = static_cast<int16_t>(Is(keep, "SAVELAST") ? 2 : 1);
    }
    if (Is(append, "APPEND")) {
        acq->dataMode = kDataAppend;
    } else if (Is(append, "RESET")) {
        acq->forcedNew = 1;
    } else {
        acq->dataMode = kDataOverwrite;
        acq->forcedNew = 0;
    }
    return 1;
}

int32_t SetLength(stWordCall& c) {
    int32_t length = 0;
    if (!c.in.Integer(&length) || length < 1) return 0;
    c.acq->acqLength = length;
    return 1;
}

// Source OFF, EXT or a channel number; delay, polarity and level follow. All are read first.
int32_t SetTrigger(stWordCall& c) {
    const uint16_t start = c.in.Position();
    char source[kWordBytes];
    c.in.Token(source);
    int32_t channel = 0;
    const bool off = Is(source, "OFF"), external = Is(source, "EXT");
    if (!off && !external) {
        c.in.Rewind(start);
        if (!c.in.Integer(&channel) || !IsAnalog(channel)) return 0;
    }
    int32_t delay = 0;
    char polarity[kWordBytes];
    double level = 0;
    if (!c.in.Integer(&delay) || delay < 0) return 0;
    c.in.Token(polarity);
    if (!c.in.Number(&level)) return 0;
    uint16_t flags = static_cast<uint16_t>(c.acq->unitMode);
    if (off) {
        flags &= ~kTrigOn;
    } else if (external) {
        flags = static_cast<uint16_t>((flags | kTrigOn | kTrigBoth) & ~kTrigChannel);
    } else {
        flags |= kTriggerSourceBits;
        c.acq->refCommand = static_cast<uint8_t>(channel);
    }
    flags = Is(polarity, "POS") ? (flags | kTrigPositive) : (flags & ~kTrigPositive);
    c.acq->unitMode = static_cast<int16_t>(flags);
    c.acq->preStartDelay = delay;
    c.acq->refVoltage = level;
    return 1;
}

// CHANNEL ALLOFF, or CHANNEL n kind and ENABLE / OFF / SCALELABEL / SCALEUNITS.
int32_t SetChannel(stWordCall& c) {
    const uint16_t start = c.in.Position();
    char word[kWordBytes];
    if (Is(c.in.Token(word), "ALLOFF")) {
        for (int32_t i = 0; i < NChanTotal && i < kMaxChanRecords; ++i) c.acq->chans[i].flags = 0;
        return 1;
    }
    c.in.Rewind(start);
    int32_t n = 0;
    if (!c.in.Integer(&n)) return 0;
    const int32_t index = ChannelIndex(c.in.Token(word), n);
    if (index < 0) return 0;
    stAcqChan& chan = c.acq->chans[index];
    c.in.Token(word);
    if (Is(word, "OFF")) {
        chan.flags = 0;
        return 1;
    }
    char text[sizeof chan.units] = "";
    if (Is(word, "ENABLE")) {
        uint32_t flags = 0;
        if (Is(c.in.Token(word), "PLOT"))
            flags = 6;
        else if (Is(word, "OFF"))
            flags = 2;
        else
            return 0;
        if (Is(c.in.Token(word), "VALUES"))
            flags |= 8;
        else if (!Is(word, "OFF"))
            return 0;
        const int32_t label = c.in.String(text, sizeof chan.label);
        if (label < 0) return 0;
        chan.flags = flags;
        if (label > 0) std::strcpy(chan.label, text);
        return 1;
    }
    if (Is(word, "SCALELABEL") || Is(word, "SCALEUNITS")) {
        const bool isLabel = Is(word, "SCALELABEL");
        const int32_t given = c.in.String(text, isLabel ? sizeof chan.label : sizeof chan.units);
        if (given < 0) return 0;
        if (given > 0) std::strcpy(isLabel ? chan.label : chan.units, text);
        return 1;
    }
    return 0;
}

// SCALING kind n a b c d [units]: two calibration points and the scale from them.
int32_t SetScaling(stWordCall& c) {
    char kind[kWordBytes];
    c.in.Token(kind);
    int32_t n = 0;
    if (!c.in.Integer(&n)) return 0;
    const int32_t index = ChannelIndex(kind, n);
    if (index < 0) return 0;
    double v[4] = {};
    for (double& x : v)
        if (!c.in.Number(&x)) return 0;
    stAcqChan& chan = c.acq->chans[index];
    char units[sizeof chan.units] = "";
    const int32_t given = c.in.String(units, sizeof units);
    if (given < 0) return 0;
    chan.unitValue1 = v[0];
    chan.inValue1 = v[1];
    chan.unitValue2 = v[2];
    chan.inValue2 = v[3];
    SetScaleFromTwoPoints(&chan, c.acq);
    if (given > 0) std::strcpy(chan.units, units);
    return 1;
}

// An analog channel number field, 1-4.
bool AnalogField(stWordCall& c, int32_t* channel) { return c.in.Integer(channel) && IsAnalog(*channel); }

int32_t SetGain(stWordCall& c) {
    int32_t channel = 0;
    double gain = 0;
    if (!AnalogField(c, &channel) || !c.in.Number(&gain) || !(gain >= 1)) return 0;
    c.status = static_cast<int16_t>(SetInputGain(c.acq, channel, gain));
    SetScaleFromTwoPoints(&c.acq->chans[channel - 1], c.acq);
    return 1;
}

int32_t SetOffset(stWordCall& c) {
    int32_t channel = 0;
    double offset = 0;
    if (!AnalogField(c, &channel) || !c.in.Number(&offset)) return 0;
    c.status = static_cast<int16_t>(SetInputOffset(c.acq, channel, offset));
    SetScaleFromTwoPoints(&c.acq->chans[channel - 1], c.acq);
    return 1;
}

// HARDWAREFILTER channel AC 0.5HZHP 1KHZLP GNDALL (any other word: that filter off).
int32_t SetHardwareFilter(stWordCall& c) {
    int32_t channel = 0;
    if (!AnalogField(c, &channel)) return 0;
    char t[4][kWordBytes];
    for (auto& word : t) c.in.Token(word);
    const int16_t ac = Is(t[0], "AC"), highPass = Is(t[1], "0.5HZHP"), lowPass = Is(t[2], "1KHZLP");
    const int16_t ground = Is(t[3], "GNDALL");
    c.status = static_cast<int16_t>(SetInputMode(c.acq, channel, ac, highPass, ground, lowPass));
    for (int32_t i = 0; i < kAnalogChannels; ++i) c.acq->chans[i].inputOption4 = ground;
    return 1;
}

// Every analog input grounded or not, each keeping its own coupling and filters.
int32_t SetGroundAll(stWordCall& c) {
    char word[kWordBytes];
    const int16_t ground = Is(c.in.Token(word), "ON");
    int32_t result = 0;
    for (int32_t i = 0; i < kAnalogChannels; ++i) {
        const stAcqChan& chan = c.acq->chans[i];
        result = SetInputMode(c.acq, i + 1, chan.coupling, chan.highPass, ground, chan.lowPass);
    }
    c.status = static_cast<int16_t>(result);
    return 1;
}

// DSPFILTER channel k type f1 f2: filter k (1-3) of an analog channel.
int32_t SetDspFilter(stWordCall& c) {
    static const char* const kTypes[] = {"LowPass", "HighPass", "BandPass", "BandStop"};
    int32_t channel = 0, k = 0;
    if (!AnalogField(c, &channel) || !c.in.Integer(&k) || k < 1 || k > 3) return 0;
    char word[kWordBytes];
    c.in.Token(word);
    int16_t type = 0;
    for (int16_t i = 0; i < 4; ++i)
        if (Is(word, kTypes[i])) type = static_cast<int16_t>(i + 1);
    double f1 = 0, f2 = 0;
    if (!c.in.Number(&f1) || !c.in.Number(&f2)) return 0;
    if (type != 0 && !(f1 >= 0 && f2 >= 0)) return 0;  // no filter has such a section
    c.status = static_cast<int16_t>(SetInputFilter(c.acq, channel, k - 1, type, f1, f2));
    return 1;
}

int32_t SetUnitTest(stWordCall& c) {
    int32_t value = 0;
    if (!c.in.Integer(&value) || value < 0 || value > 255) return 0;
    const uint8_t byte = static_cast<uint8_t>(value);
    c.status = static_cast<int16_t>(g_unitLink.SetCommand(kCmdSettingByte, 1, &byte));
    return 1;
}

// The unit's stored description: 128 bytes of the text block go with command 61.
int32_t SetUnitText(stWordCall& c) {
    char text[kStringBytes] = "";
    if (c.in.String(text, sizeof text) < 0) return 0;
    uint8_t block[kUnitTextBytes];
    BuildUnitTextBlock(text, block);
    c.status = static_cast<int16_t>(g_unitLink.SetCommand(kCmdStoreDescription, kStoredDescriptionBytes, block));
    return 1;
}

int32_t SetOverwritePrompt(stWordCall& c) {
    char word[kWordBytes];
    c.in.Token(word);
    if (Is(word, "ON")) c.acq->warnOnOverwrite = 1;
    if (Is(word, "OFF")) c.acq->warnOnOverwrite = 0;
    if (c.st->document) c.st->document->overwriteWarning = static_cast<uint32_t>(c.acq->warnOnOverwrite);
    return 1;
}

int32_t SetHardwareWarning(stWordCall& c) {
    char word[kWordBytes];
    c.in.Token(word);
    if (Is(word, "ON")) CVKDevice::m_hardwarewarning = 1;
    if (Is(word, "OFF")) CVKDevice::m_hardwarewarning = 0;
    return 1;
}

int32_t DoNothing(stWordCall&) { return 1; }

// w POSITION left, top, right, bottom: a library window placed below the frame's menu bar.
int32_t SetPosition(stWordCall& c, const char* name) {
    char word[kWordBytes];
    if (!Is(c.in.Token(word), "POSITION")) return 0;
    int32_t edge[4] = {};
    for (int32_t& e : edge)
        if (!c.in.Integer(&e)) return 0;
    const Panel panel = PanelNamed(name);
    if (panel == Panel::Stimulator || panel == Panel::StartButton || panel == Panel::InputValuesOptions) return 1;
    HWND w = PanelWindowMade(c, panel);
    if (!w || !IsWindow(w)) return 1;
    const int32_t m = GetSystemMetrics(SM_CYMENU) + GetSystemMetrics(SM_CYCAPTION) + kPositionExtra;
    int32_t x = edge[0] + 2, y = edge[1] + m, width = edge[2] - edge[0], height = edge[3] - edge[1];
    if (panel == Panel::InputValues) {
        y -= kValuesPaneRaise;
        height += kValuesPaneRaise + m;
    }
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (panel == Panel::ElectrodeChecker && !IsVK40()) flags |= SWP_NOSIZE;
    SetWindowPos(w, nullptr, x, y, width, height, flags);
    return 1;
}

const stWordEntry kSetWords[] = {
    {"OUT0", SetManualOutput},
    {"OUTPUTMODE", SetOutputMode},
    {"RATE", SetRate},
    {"STORAGE", SetStorage},
    {"LENGTH", SetLength},
    {"OUTPUT", DoNothing},
    {"TRIGGER", SetTrigger},
    {"CHANNEL", SetChannel},
    {"SCALING", SetScaling},
    {"ANALOG", DoNothing},
    {"GAIN", SetGain},
    {"OFFSET", SetOffset},
    {"HARDWAREFILTER", SetHardwareFilter},
    {"GNDALL", SetGroundAll},
    {"DSPFILTER", SetDspFilter},
    {"VK40TEST", SetUnitTest},
    {"EEPROM", SetUnitText},
    {"OVERWRITEPROMPT", SetOverwritePrompt},
    {"HARDWAREWARNING", SetHardwareWarning},
};

// A word with its surrounding quotes taken off, as the records compare their words.
void Unquote(char* word) {
    const size_t n = std::strlen(word);
    if (n >= 2 && word[0] == '"' && word[n - 1] == '"') {
        std::memmove(word, word + 1, n - 2);
        word[n - 2] = 0;
    }
}

// The stimulator's settings records: 0 when no record has the name (the statement is another
// SET), else 1 with the record's answer in *accepted. The result variable gets the answer's text.
int32_t RunSettingsRecord(stWordCall& c, const char* name, int32_t* accepted) {
    const uint16_t start = c.in.Position();
    char words[kMaxRecordWords][kWordBytes];
    const char* list[kMaxRecordWords];
    int32_t count = 0;
    while (count < kMaxRecordWords && *c.in.Token(words[count])) {
        Unquote(words[count]);
        list[count] = words[count];
        ++count;
    }
    stStimResult result{};
    if (!ExecuteStimCommand(c.acq, name, list, count, &result)) {
        c.in.Rewind(start);
        return 0;
    }
    int32_t letter = 0, macro = 0;
    if (result.text && std::strlen(result.variable) == 2 && StringVariable(result.variable, &letter, &macro))
        HostAssignScriptStringVariable(&g_lib.host, letter, result.text, macro);
    *accepted = result.kind == kStimResultSuccess || result.kind == kStimResultIgnored;
    return 1;
}

int32_t WordSet(stWordCall& c) {
    char word[kWordBytes];
    c.in.Token(word);
    int32_t accepted = 0;
    if (RunSettingsRecord(c, word, &accepted)) return accepted;
    const size_t length = std::strlen(word);
    if (length == 1 || length == 2) return SetVariable(c, word);
    for (const stWordEntry& e : kSetWords)
        if (Is(word, e.name)) return e.run(c);
    return SetPosition(c, word);
}

// The unit did not carry out a command: the user hears of it when the library reports such
// errors, and the unit counts as not found until it is checked again.
void ReportUnitFailure(stAcq* acq) {
    if (g_lib.readStatusEnable) {
        MessageBeep(MB_ICONHAND);
        const char* text = getMsgBoxText("KEY Check connections and power");
        const char* caption = getMsgBoxText("VK40 Error");
        MessageBoxA(g_lib.hostFrame, text ? text : "KEY Check connections and power", caption ? caption : "VK40 Error",
                    MB_OK | MB_ICONERROR | MB_TASKMODAL);
    }
    acq->run.unitInitialised = 0;
    g_lib.unitCheckSuppressed = 0;
}

int16_t RunUnitWord(const stScriptStatement* st, HGLOBAL hAcq, stAcq* acq, CStatementReader& in) {
    char word[kWordBytes];
    stWordCall call{hAcq, acq, st, in, 1};
    in.Token(word);
    if (Is(word, "CHECKACQ")) {
        WordCheckAcq(call);
        return kScriptWordDone;
    }
    for (const stWordEntry& e : kWords) {
        if (!Is(word, e.name)) continue;
        if (!e.run(call)) return kScriptWordRefused;
        break;
    }
    if (call.status) return kScriptWordDone;
    ReportUnitFailure(acq);
    return kScriptWordUnitFailed;
}

}  // namespace

// ---- Pure parts ----

int32_t BuildUnitTextBlock(const char* text, uint8_t out[256]) {
    std::memset(out, ' ', kUnitTextBytes);
    int32_t n = 0;
    for (const char* p = text; p && *p && n < kUnitTextBytes; ++p) {
        if (p[0] == '\\' && p[1] == 'r') {
            out[n++] = '\r';
            ++p;
        } else {
            out[n++] = static_cast<uint8_t>(*p);
        }
    }
    return n;
}

int32_t ParseHexBytes(const char* text, uint8_t* out, int32_t max) {
    const size_t length = std::strlen(text);
    if (length % 2) return -1;
    const int32_t count = static_cast<int32_t>(length / 2 < static_cast<size_t>(max) ? length / 2 : max);
    for (int32_t i = 0; i < count; ++i) {
        int32_t byte = 0;
        for (int32_t k = 0; k < 2; ++k) {
            const char ch = text[2 * i + k];
            const int32_t digit = ch >= '0' && ch <= '9'   ? ch - '0'
                                  : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                                  : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                                           : -1;
            if (digit < 0) return -1;
            byte = byte * 16 + digit;
        }
        out[i] = static_cast<uint8_t>(byte);
    }
    return count;
}

// ---- Entries ----

int16_t ExecDriverCommand(const stScriptStatement* st, HGLOBAL hAcq) {
    if (!st || !st->text) return kScriptWordRefused;
    int16_t result = kScriptWordRefused;
    {
        AcqLock acq(hAcq);
        if (!acq) return kScriptWordRefused;
        CStatementReader in(&g_lib.host, st->text);
        char word[kWordBytes];
        in.Token(word);
        if (Is(word, "LNX2W")) {
            result = -1;
        } else if (Is(word, "VK40")) {
            result = RunUnitWord(st, hAcq, acq.get(), in);
        }
    }
    return result < 0 ? ExecAdapterCommand(st, hAcq) : result;
}

int16_t ExecAdapterCommand(const stScriptStatement* st, HGLOBAL) {
    if (!st || !st->text) return 0;
    CStatementReader in(&g_lib.host, st->text);
    char word[kWordBytes], var[kWordBytes];
    in.Token(word);  // the adapter's word
    in.Token(word);
    int32_t letter = 0, macro = 0;
    char text[kStringBytes] = "";
    if (Is(word, "GETDATA")) {
        char countVar[kWordBytes];
        int32_t countLetter = 0, countMacro = 0;
        if (!StringVariable(in.Token(var), &letter, &macro) || (var[1] != '$' && var[1] != '@') ||
            !StringVariable(in.Token(countVar), &countLetter, &countMacro) ||
            (countVar[1] != '$' && countVar[1] != '@'))
            return 0;
        uint8_t data[kAdapterBytes];
        const bool got = g_unitLink.AdapterRead(data) != 0;
        for (uint32_t i = 0; got && i < kAdapterBytes; ++i) std::snprintf(text + 2 * i, 3, "%02X", data[i]);
        HostAssignScriptStringVariable(&g_lib.host, letter, text, macro);
        HostAssignScriptStringVariable(&g_lib.host, countLetter, got ? "16" : "0", countMacro);
        return 1;
    }
    if (Is(word, "SETDATA")) {
        if (in.String(text, sizeof text) < 0 || !StringVariable(in.Token(var), &letter, &macro) ||
            (var[1] != '$' && var[1] != '@'))
            return 0;
        uint8_t bytes[kAdapterHexChars / 2];
        const int32_t count = ParseHexBytes(text, bytes, kAdapterHexChars / 2);
        if (count < 0) return 0;
        char written[16];
        std::snprintf(written, sizeof written, "%u", static_cast<unsigned>(g_unitLink.AdapterWrite(bytes, count)));
        HostAssignScriptStringVariable(&g_lib.host, letter, written, macro);
        return 1;
    }
    if (Is(word, "GETSTATUS")) {
        if (!StringVariable(in.Token(var), &letter, &macro) || (var[1] != '$' && var[1] != '@')) return 0;
        std::snprintf(text, sizeof text, "%d", static_cast<int>(g_unitLink.AdapterMode()));
        HostAssignScriptStringVariable(&g_lib.host, letter, text, macro);
        return 1;
    }
    return 0;
}

// The script-line operation's entry.
int16_t ExecDeviceScriptWords(stScriptStatement* st, HGLOBAL hAcq) { return ExecDriverCommand(st, hAcq); }
