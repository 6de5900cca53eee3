// The SET word of the unit's lesson words: the unit's numeric variables, the set-up's parameter
// words, the stimulator's settings records and the panels' positions.
#include "devlib/acquisition/script/word_call.h"
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

namespace unit_words {
namespace {

constexpr int kPositionExtra = 36;
constexpr int kValuesPaneRaise = 50;
constexpr uint16_t kTriggerSourceBits = kTrigOn | kTrigBoth | kTrigChannel;
constexpr int kMaxRecordWords = 16;  // the stimulator records take at most nine

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

}  // namespace

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

}  // namespace unit_words
