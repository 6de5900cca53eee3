// TRANSFORM: a lesson runs the transforms and analyses on its graph without their dialogs. Every
// channel number a statement names is checked against the graph's slots before it is used.
#include "scripts/words/graph_words.h"
#include "scripts/words/word_fields.h"
#include "scripts/words/word_table.h"
#include "transforms/analysis/integrate.h"
#include "transforms/analysis/rate_detector.h"
#include "transforms/filters/window_functions.h"
#include "transforms/math_functions.h"
#include "transforms/smoothing/smoothing.h"
#include "transforms/transforms_ids.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "graph/document/channel_edits.h"
#include "graph/document/sample_store.h"
#include "graph/view/channel_selection.h"
#include "transforms/analysis/find_peak.h"
#include "transforms/analysis/peak_search.h"
#include "transforms/analysis/rate_core.h"
#include "transforms/filters/filters.h"
#include "transforms/spectral/fft_channel.h"
#include "transforms/transforms_api.h"
#include "transforms/waveform_math.h"
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kUndoSamples = 3;  // the undo kind of an in-place change of one channel's samples

// The slot a "W<n>" word names: n decimal digits below the slot count; -1 for anything else.
int SlotOfWord(const char* word) {
    if (!(word[0] == 'W' || word[0] == 'w') || !word[1]) return -1;
    int slot = 0;
    for (const char* p = word + 1; *p; ++p) {
        if (*p < '0' || *p > '9') return -1;
        slot = slot * 10 + (*p - '0');
        if (slot >= kMaxChannels) return -1;
    }
    return slot;
}

bool SlotInUse(const tagGS* gs, int slot) { return (gs->chanFlags[slot] & kChanSlotMask) != 0; }

// The selected channel, or -1 when the graph's selection names no slot.
int SelectedSlot(const tagGS* gs) {
    return gs->selectedChan < static_cast<uint32_t>(kMaxChannels) ? static_cast<int>(gs->selectedChan) : -1;
}

// The selected channel as doubles and its selected samples, the whole channel when the
// selection is empty; false when the channel cannot be converted or the range is empty.
bool CleanedRange(tagGS* gs, int slot, int32_t* first, int32_t* last) {
    if (slot < 0 || !ConvertChannelToDouble(gs, slot)) return false;
    GetSelectionSampleRange(gs, first, last, static_cast<int16_t>(slot));
    const int32_t end = static_cast<int32_t>(gs->chanCount[slot]) - 1;
    if (*first == *last) {
        *first = 0;
        *last = end;
    }
    if (*last > end) *last = end;
    return *last > *first;
}

// A MATH operand: a channel slot ("W0".."W59"), or a number; false for a slot word out of range.
bool MathOperand(CWordFields& fields, int* slot, double* constant) {
    CWordFields ahead = fields;
    char word[kScriptWordChars];
    ahead.Word(word);
    if ((word[0] == 'W' || word[0] == 'w') && word[1]) {
        fields = ahead;
        *slot = SlotOfWord(word);
        return *slot >= 0;
    }
    *slot = -1;
    *constant = fields.Number();
    return true;
}

// MATH op, a, b, Wd: the destination gets b op a, sample by sample (the script's second operand
// is the operation's first source). A slot taken into use for nothing is given up again.
bool WaveformMath(tagGS* gs, CWordFields& fields) {
    static const char* const kOps[] = {"ADD", "SUB", "MUL", "DIV", "POW"};
    char word[kScriptWordChars];
    fields.Word(word);
    int op = 0;
    for (int i = 0; i < 5 && !op; ++i)
        if (ScriptWordIs(word, kOps[i])) op = i + 1;
    int a = -1, b = -1;
    double k = 0.0;
    if (!op || !MathOperand(fields, &a, &k) || !MathOperand(fields, &b, &k)) return false;
    fields.Word(word);
    const int destination = SlotOfWord(word);
    if (destination < 0 || CWordFields::Bad()) return false;
    for (int slot : {b, a})
        if (slot >= 0 && !SlotInUse(gs, slot)) return false;
    const bool taken = !SlotInUse(gs, destination);
    if (taken) {
        gs->chanFlags[destination] = (gs->chanFlags[destination] & ~kChanSlotMask) | 2;
        gs->chanCount[destination] = 0;
        gs->chanType[destination] = 1;
        gs->chanBytes[destination] = sizeof(double);
        setDirtyGraphFlag(gs, 1);
    } else if (!ConvertChannelToDouble(gs, destination)) {
        return false;
    }
    for (int slot : {b, a})
        if (slot >= 0 && !ConvertChannelToDouble(gs, slot)) {
            if (taken) DeleteChannelData(gs, destination);
            return false;
        }
    if (!ComputeWaveformMath(gs, op, b + 1, a + 1, destination, k, 1) && taken) DeleteChannelData(gs, destination);
    RebuildChannelItems(gs);
    return true;
}

// FUNCTION name [, lo, hi]: a math function of the Transform menu on the selected samples.
bool MathFunction(tagGS* gs, CWordFields& fields) {
    struct Entry {
        const char* name;
        uint32_t command;
    };
    static const Entry kFunctions[] = {
        {"ABS", IDM_MATH_ABS}, {"CONNECT", IDM_MATH_CONNECT_ENDPOINTS}, {"EXP", IDM_MATH_EXP},
        {"LN", IDM_MATH_LN},   {"LOG", IDM_MATH_LOG},                   {"NOISE", IDM_MATH_NOISE},
        {"SIN", IDM_MATH_SIN}, {"SQRT", IDM_MATH_SQRT},
    };
    char name[kScriptWordChars];
    fields.Word(name);
    const int slot = SelectedSlot(gs);
    int32_t first = 0, last = 0;
    if (slot < 0 || !ConvertChannelToDouble(gs, slot) ||
        !GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(slot)))
        return false;
    for (const Entry& e : kFunctions)
        if (ScriptWordIs(name, e.name)) {
            ApplyMathFunction(gs, e.command);
            return true;
        }
    const bool threshold = ScriptWordIs(name, "THRESHOLD");
    if (!threshold && !ScriptWordIs(name, "LIMIT")) return false;
    const double low = fields.Number(), high = fields.Number();
    if (CWordFields::Bad()) return false;
    if (threshold)
        ThresholdWave(gs, first, last, low, high);
    else
        LimitWave(gs, first, last, low, high);
    return true;
}

// SMOOTHING n, kind; EXPSMOOTHING f; LINEARAPPROX: in place on the cleaned range, with undo.
bool SmoothingWord(tagGS* gs, CWordFields& fields) {
    const int slot = SelectedSlot(gs);
    int32_t first = 0, last = 0;
    const double width = fields.Number();
    char kind[kScriptWordChars];
    fields.Word(kind);
    if (CWordFields::Bad() || !CleanedRange(gs, slot, &first, &last) || !(width >= 2.0)) return false;
    const int32_t n = width > 2147483647.0 ? 2147483647 : static_cast<int32_t>(width);
    SaveUndo(gs, slot, kUndoSamples, "Smoothing");
    SmoothChannel(gs, first, last, n, ScriptWordIs(kind, "MEAN") ? 0 : 1);
    return true;
}

bool ExpSmoothingWord(tagGS* gs, CWordFields& fields) {
    const int slot = SelectedSlot(gs);
    int32_t first = 0, last = 0;
    const double damping = fields.Number();
    if (CWordFields::Bad() || !CleanedRange(gs, slot, &first, &last) || !(damping > 0.0 && damping < 1.0))
        return false;
    SaveUndo(gs, slot, kUndoSamples, "Smoothing");
    ExpSmoothChannel(gs, first, last, damping);
    return true;
}

bool LinearApproxWord(tagGS* gs, CWordFields&) {
    const int slot = SelectedSlot(gs);
    int32_t first = 0, last = 0;
    if (!CleanedRange(gs, slot, &first, &last)) return false;
    SaveUndo(gs, slot, kUndoSamples, "Undo Approximation");
    ApproximateChannel(gs, first, last);
    return true;
}

// INTEGRATESAMPLES n [, EXTRAPARAM, RECTIFY | word, BASELINERMOVE]: the whole selected channel.
bool IntegrateSamples(tagGS* gs, CWordFields& fields) {
    const double n = fields.Number();
    char parameters[kScriptWordChars] = "", rectify[kScriptWordChars] = "", baseline[kScriptWordChars] = "";
    fields.Word(parameters);
    fields.Word(rectify);
    fields.Word(baseline);
    const int slot = SelectedSlot(gs);
    if (CWordFields::Bad() || slot < 0) return false;
    const int rectified = ScriptWordIs(rectify, "RECTIFY") ? 1 : 0;
    const int removeBaseline = !rectified && ScriptWordIs(baseline, "BASELINERMOVE") ? 1 : 0;
    const int32_t last = static_cast<int32_t>(gs->chanCount[slot]) - 1;
    IntegrateChannel(gs, 0, last, static_cast<int32_t>(n), ScriptWordIs(parameters, "EXTRAPARAM") ? 1 : 0, rectified,
                     removeBaseline);
    return true;
}

// INTEGRATECTRLCHAN c, lo, hi [, POSTRIGGER] [, MEANSUB]: reset through control channel c.
bool IntegrateWithControl(tagGS* gs, CWordFields& fields) {
    const double control = fields.Number();
    const double low = fields.Number(), high = fields.Number();
    char trigger[kScriptWordChars] = "", mean[kScriptWordChars] = "";
    fields.Word(trigger);
    fields.Word(mean);
    if (CWordFields::Bad() || !(control >= 0.0 && control < kMaxChannels)) return false;
    const int c = static_cast<int>(control);
    int32_t first = 0, last = 0;
    if (!SlotInUse(gs, c) || !GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(c))) return false;
    IntegrateWithReset(gs, first, last, c, low, high, ScriptWordIs(mean, "MEANSUB") ? 1 : 0,
                       ScriptWordIs(trigger, "POSTRIGGER") ? 1 : 0);
    return true;
}

// The statement's comma fields after its word, each trimmed; an empty field stays in its place,
// so a word or number field can be left out ("FINDRATE , POS").
std::vector<std::string> CommaFields(const char* from) {
    std::vector<std::string> out;
    std::string field;
    bool quoted = false;
    auto close = [&] {
        const size_t a = field.find_first_not_of(" \t"), b = field.find_last_not_of(" \t");
        out.push_back(a == std::string::npos ? std::string() : field.substr(a, b - a + 1));
        field.clear();
    };
    for (const char* p = from; *p && *p != '\r' && (quoted || *p != ';'); ++p) {
        if (*p == '"') quoted = !quoted;
        if (*p == ',' && !quoted)
            close();
        else
            field += *p;
    }
    close();
    if (out.size() == 1 && out[0].empty()) out.clear();
    return out;
}

std::string FieldAt(const std::vector<std::string>& fields, size_t i) { return i < fields.size() ? fields[i] : ""; }

// A number field read as the script reads numbers; false when it does not evaluate.
bool FieldNumber(const std::string& field, double* value) {
    const std::string line = field + "\r";
    GetScriptNumber(line.c_str(), value);
    return !ScriptFieldFailed();
}

// A transform's result as the statement's: done, or given up by the user (Cancel, Escape), is no
// failure of the lesson.
bool Handled(int result) { return result == 0 || result == 1; }

// The position of the word in the list, -1 when it is none of them.
int WordIndex(const std::string& word, std::initializer_list<const char*> words) {
    int i = 0;
    for (const char* w : words) {
        if (ScriptWordIs(word.c_str(), w)) return i;
        ++i;
    }
    return -1;
}

// FFT OPTIONS window, mean, trend, padding sets the options; FFT RESULT scale, part1, part2,
// part3 sets the outputs and runs the transform without its dialog.
bool FftWord(tagGS* gs, const char* rest) {
    char form[kScriptWordChars];
    const char* after = rest + GetScriptToken(rest, form);
    const std::vector<std::string> f = CommaFields(after);
    if (ScriptWordIs(form, "OPTIONS")) {
        const int window = FindWindowScriptWord(FieldAt(f, 0).c_str());
        FftSettings.window = window;
        FftSettings.options = (ScriptWordIs(FieldAt(f, 1).c_str(), "MEAN") ? kFftRemoveMean : 0) |
                              (ScriptWordIs(FieldAt(f, 2).c_str(), "TREND") ? kFftRemoveTrend : 0) |
                              (window >= 0 ? kFftApplyWindow : 0);
        FftSettings.padMode = ScriptWordIs(FieldAt(f, 3).c_str(), "ZEROS") ? 0 : 1;
        return true;
    }
    if (!ScriptWordIs(form, "RESULT")) return false;
    FftSettings.scale = ScriptWordIs(FieldAt(f, 0).c_str(), "LIN") ? 0 : 1;
    FftSettings.outputs = (ScriptWordIs(FieldAt(f, 1).c_str(), "MAG") ? kFftMagnitude : 0) |
                          (ScriptWordIs(FieldAt(f, 2).c_str(), "PHASE") ? kFftPhase : 0) |
                          (ScriptWordIs(FieldAt(f, 3).c_str(), "MODINPUT") ? kFftModifiedInput : 0);
    return Handled(FftChannel(gs, 0, 0));
}

// FILTER kind, window, f1 [, f2], n, response, modify: the FIR filter on its stored settings.
bool FirWord(tagGS* gs, const char* rest) {
    const std::vector<std::string> f = CommaFields(rest);
    FirSettings& s = g_firSettings;
    const int kind = WordIndex(FieldAt(f, 0), {"LOWPASS", "HIGHPASS", "BANDPASS", "BANDSTOP"});
    if (kind >= 0) s.type = kind + 1;
    s.window = WindowFromScriptWord(FieldAt(f, 1).c_str());
    size_t i = 2;
    double f1 = 0.0, f2 = 0.0, n = 0.0;
    if (!FieldNumber(FieldAt(f, i++), &f1)) return false;
    const bool band = s.type == 3 || s.type == 4;
    if (band && !FieldNumber(FieldAt(f, i++), &f2)) return false;
    if (!FieldNumber(FieldAt(f, i++), &n)) return false;
    if (s.type == 2) {
        s.highCutoff = f1;
    } else {
        s.lowCutoff = f1;
        if (band) s.highCutoff = f2;
    }
    s.coefficientCount = n < -2147483648.0 ? INT32_MIN : n > 2147483647.0 ? INT32_MAX : static_cast<int32_t>(n);
    s.flags = 0;
    if (ScriptWordIs(FieldAt(f, i).c_str(), "RESPONSE")) s.flags |= kFirShowResponse;
    if (ScriptWordIs(FieldAt(f, i + 1).c_str(), "DONTMODIFY")) s.flags |= kFirDontModify;
    if (s.type < 1 || s.type > 4) return false;
    return Handled(FirFilterChannel(gs, s.type, 0));
}

// IFILTER kind, f [, fh], q: the IIR filter on its stored settings.
bool IirWord(tagGS* gs, const char* rest) {
    const std::vector<std::string> f = CommaFields(rest);
    IirSettings& s = g_iirSettings;
    const int kind = WordIndex(FieldAt(f, 0), {"LOWPASS", "HIGHPASS", "BANDPASSLH", "BANDPASS", "BANDSTOP"});
    if (kind >= 0) s.type = static_cast<int16_t>(kind + 1);
    size_t i = 1;
    double frequency = 0.0, high = 0.0, q = 0.0;
    if (!FieldNumber(FieldAt(f, i++), &frequency)) return false;
    if (s.type == 3 && !FieldNumber(FieldAt(f, i++), &high)) return false;
    if (!FieldNumber(FieldAt(f, i++), &q)) return false;
    s.frequency = frequency;
    if (s.type == 3) s.highFrequency = high;
    if (s.type == 4 || s.type == 5)
        s.bandQ = q;
    else
        s.q = q;
    if (s.type < 1 || s.type > 5) return false;
    return Handled(IirFilterChannel(gs, s.type - 1));
}

// FINDRATE function, polarity, level, baseline, auto, noise, window, min, max: each field may be
// left empty to keep its setting; a word no field knows stops the statement where it stands.
bool RateWord(tagGS* gs, const char* rest) {
    const std::vector<std::string> f = CommaFields(rest);
    RateDetectorSettings& s = g_rateDetectorSettings;
    auto word = [&](size_t i, std::initializer_list<const char*> words, std::initializer_list<int32_t> values,
                    int32_t* target) {
        const std::string text = FieldAt(f, i);
        if (text.empty()) return true;
        const int at = WordIndex(text, words);
        if (at < 0) return false;
        if (target) *target = *(values.begin() + at);
        return true;
    };
    auto number = [&](size_t i, double* target) {
        const std::string text = FieldAt(f, i);
        double value = 0.0;
        if (text.empty()) return true;
        if (!FieldNumber(text, &value)) return false;
        *target = value;
        return true;
    };
    if (!word(0, {"RATEHZ", "RATEBPM", "RATESECS", "COUNT", "PEAKMIN", "PEAKMAX"}, {1, 2, 3, 5, 6, 7}, &s.function) ||
        !word(1, {"NEG", "POS"}, {-1, 1}, &s.polarity) || !number(2, &s.thresholdLevel) ||
        !word(3, {"REMOVEBASELINE", "OFF"}, {1, 0}, &s.removeBaseline) ||
        !word(4, {"AUTOTHRESHOLD", "OFF"}, {1, 0}, &s.autoThreshold) || !number(5, &s.noiseRejectionPercent) ||
        !word(6, {"WINDOW", "OFF"}, {0, 0}, nullptr) || !number(7, &s.windowMin) || !number(8, &s.windowMax))
        return false;
    RunRateDetector(gs, 0, 0);
    return true;
}

// FINDPEAK t, kind: NEG and POS search for a valley or a peak at level t; any other kind (or
// none) steps by the interval, with t as the positive level. The search runs once on the
// selected channel; finding nothing is no failure of the lesson.
bool PeakWord(tagGS* gs, const char* rest) {
    const std::vector<std::string> f = CommaFields(rest);
    double level = 0.0;
    const int slot = SelectedSlot(gs);
    if (slot < 0 || FieldAt(f, 0).empty() || !FieldNumber(FieldAt(f, 0), &level)) return false;
    const int kind = WordIndex(FieldAt(f, 1), {"POS", "NEG"});
    if (kind == 1) {
        g_findPeak.negativeLevel = level;
        g_findPeak.mode = kPeakNegative;
    } else {
        g_findPeak.positiveLevel = level;
        g_findPeak.mode = kind == 0 ? kPeakPositive : kPeakInterval;
    }
    const uint32_t count = gs->chanCount[slot];
    FindPeakInChannel(gs, count ? static_cast<int32_t>(count - 1) : 0, -1);
    return true;
}

// FINDPEAKOPTIONS kind, p, q and FINDPEAKOPTIONSINTERVAL kind, i, p, q: the cursor placement
// and the two cursor offsets (and the interval, which then starts at the cursor). The interval
// search knows only two placements, so its threshold words fold onto them. An unknown kind keeps
// the placement; an empty number field keeps its setting.
bool PeakOptionsWord(const char* rest, bool interval) {
    const std::vector<std::string> f = CommaFields(rest);
    double values[3] = {g_findPeak.interval, g_findPeak.firstOffset, g_findPeak.secondOffset};
    const size_t first = interval ? 0 : 1;
    for (size_t i = first; i < 3; ++i) {
        const std::string text = FieldAt(f, 1 + i - first);
        if (!text.empty() && !FieldNumber(text, &values[i])) return false;
    }
    const int kind = WordIndex(FieldAt(f, 0), {"FINDPREVPEAK", "FINDPEAK", "FINDPREVTHRESHOLD", "FINDTHRESHOLD"});
    if (kind >= 0) g_findPeak.placement = static_cast<int16_t>(interval ? kind % 2 : kind);
    g_findPeak.firstOffset = values[1];
    g_findPeak.secondOffset = values[2];
    if (interval) {
        g_findPeak.interval = values[0];
        g_findPeak.startFromStartTime = 0;
    }
    return true;
}

using TransformHandler = bool (*)(tagGS* gs, CWordFields& fields);

// TRANSFORM's words; each answers whether it could run.
const stWordRow<TransformHandler> kTransformWords[] = {
    {"MATH", WaveformMath},
    {"FUNCTION", MathFunction},
    {"SMOOTHING", SmoothingWord},
    {"EXPSMOOTHING", ExpSmoothingWord},
    {"LINEARAPPROX", LinearApproxWord},
    {"INTEGRATESAMPLES", IntegrateSamples},
    {"INTEGRATECTRLCHAN", IntegrateWithControl},
    {"INTEGRAL", [](tagGS* gs, CWordFields&) { OnIntegralCommand(gs); return true; }},
    {"DIFFERENCE", [](tagGS* gs, CWordFields&) { DifferenceChannel(gs); return true; }},
    {"FFT", [](tagGS* gs, CWordFields& f) { return FftWord(gs, f.Position()); }},
    {"FILTER", [](tagGS* gs, CWordFields& f) { return FirWord(gs, f.Position()); }},
    {"IFILTER", [](tagGS* gs, CWordFields& f) { return IirWord(gs, f.Position()); }},
    {"FINDRATE", [](tagGS* gs, CWordFields& f) { return RateWord(gs, f.Position()); }},
    {"FINDPEAK", [](tagGS* gs, CWordFields& f) { return PeakWord(gs, f.Position()); }},
    {"FINDPEAKOPTIONS", [](tagGS*, CWordFields& f) { return PeakOptionsWord(f.Position(), false); }},
    {"FINDPEAKOPTIONSINTERVAL", [](tagGS*, CWordFields& f) { return PeakOptionsWord(f.Position(), true); }},
};

}  // namespace

// TRANSFORM word, fields. A word that none of the transforms knows does nothing; a failure is
// the error dialog, after which the run goes on.
int16_t ExecTransformWord(stScriptCall& call, tagGS* gs, CWordFields& fields) {
    char word[kScriptWordChars];
    fields.Word(word);
    const auto* row = FindWordRow(kTransformWords, word);
    const bool done = row ? row->run(gs, fields) : true;
    if (CWordFields::Bad()) return kScriptStop;
    if (!done) ShowScriptError(call.line, "TRANSFORM");
    return kScriptGoOn;
}
