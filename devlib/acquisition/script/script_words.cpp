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
#include "devlib/acquisition/script/word_call.h"

using namespace unit_words;

namespace {

constexpr int kAdapterHexChars = 32;

// ---- The library's windows by their script names ----

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

// Discharges an analog input (the first model has no such command): its input back to the
// plain mode.
int32_t WordDumpCharge(stWordCall& c) {
    double n = 0;
    c.in.Number(&n);
    if (!(n >= 1 && n < kAnalogChannels + 1)) return 1;
    c.status = static_cast<int16_t>(ResetAnalogInput(&c.acq->chans[static_cast<int32_t>(n) - 1], c.acq));
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

// The unit did not carry out a command: the user hears of it when the library reports such
// errors, and the unit counts as not found until it is checked again.
void ReportUnitFailure(stAcq* acq) {
    if (g_lib.readStatusEnable) {
        MessageBeep(MB_ICONHAND);
        MessageBoxA(g_lib.hostFrame, Keyed("KEY Check connections and power"), Keyed("VK40 Error"),
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

namespace unit_words {

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

// A string variable token: a letter and "$" (the application's) or "@" (the lesson's own).
bool StringVariable(const char* word, int32_t* letter, int32_t* macro) {
    const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
    if (first < 'A' || first > 'Z') return false;
    *letter = first - 'A';
    *macro = word[1] == '@';
    return true;
}

}  // namespace unit_words

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
        const bool got = ReadAdapterBytes(data) != 0;
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
        std::snprintf(written, sizeof written, "%u", static_cast<unsigned>(WriteAdapterBytes(bytes, count)));
        HostAssignScriptStringVariable(&g_lib.host, letter, written, macro);
        return 1;
    }
    if (Is(word, "GETSTATUS")) {
        if (!StringVariable(in.Token(var), &letter, &macro) || (var[1] != '$' && var[1] != '@')) return 0;
        std::snprintf(text, sizeof text, "%d", static_cast<int>(GetAdapterMode()));
        HostAssignScriptStringVariable(&g_lib.host, letter, text, macro);
        return 1;
    }
    return 0;
}

// The script-line operation's entry.
int16_t ExecDeviceScriptWords(stScriptStatement* st, HGLOBAL hAcq) { return ExecDriverCommand(st, hAcq); }
