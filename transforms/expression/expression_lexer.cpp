// The lexer of the expression language: numbers, operators, and the names that it turns into
// numbers as it reads them (variables, channel samples, measurements, the machine's state).
#include "transforms/expression/expression.h"
#include "transforms/expression/expression_functions.h"
#include "transforms/expression/expression_compiled.h"
#include "transforms/expression/expression_platform.h"
#include "documents/measurements/measurements.h"
#include "graph/document/sample_store.h"
#include "base/notify.h"
#include "common/tagGS.h"
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A horizontal value in the axis' display unit: seconds for the time formats, and the document's
// own unit, unchanged, for an arbitrary axis.
double Horizontal(const tagGS* gs, double v) {
    switch (gs->hUnitKind) {
    case kHUnitFrequency: return v * 1000.0;
    case kHUnitUser: return v;
    default: return v / 1000.0;
    }
}

bool Measured(tagGS* gs, Measure which, double* out) {
    return gs && MeasureSelection(gs, static_cast<int>(gs->selectedChan), which, out) == 1;
}

// The horizontal position of the current sample: x 1000 on a frequency axis, / 1000 on every
// other, an arbitrary one too (unlike the measurements' horizontal conversion).
bool CurrentTime(tagGS* gs, double* out) {
    if (!gs) return false;
    const double position = g_expression.sampleIndex * gs->sampleInterval;
    *out = gs->hUnitKind == kHUnitFrequency ? position * 1000.0 : position / 1000.0;
    return true;
}

template <Measure M>
bool Measurement(tagGS* gs, double* out) {
    return Measured(gs, M, out);
}

template <Measure M>
bool HorizontalMeasurement(tagGS* gs, double* out) {
    if (!Measured(gs, M, out)) return false;
    *out = Horizontal(gs, *out);
    return true;
}

bool SelectedChannelValid(const tagGS* gs) { return gs && gs->selectedChan < static_cast<uint32_t>(kMaxChannels); }

struct ValueName {
    const char* name;
    bool (*read)(tagGS* gs, double* out);
};

// Tested in this order, each as a prefix of the text.
const ValueName kValueNames[] = {
    {"FREQUENCY", Measurement<Measure::Frequency>},
    {"FREQ", CurrentTime},
    {"TICKS", [](tagGS*, double* out) { *out = ExpressionPlatform().tickCount() * 60.0 / 1000.0; return true; }},
    {"RANDOM", [](tagGS*, double* out) { *out = ExpressionPlatform().random() / 32767.0; return true; }},
    {"MOUSEBUTTON", [](tagGS*, double* out) { *out = ExpressionPlatform().leftButtonDown() ? 1.0 : 0.0; return true; }},
    {"XMOUSE", [](tagGS*, double* out) {
         POINT pt;
         if (!ExpressionPlatform().cursorPos(&pt)) return false;
         *out = pt.x;
         return true;
     }},
    {"YMOUSE", [](tagGS*, double* out) {
         POINT pt;
         if (!ExpressionPlatform().cursorPos(&pt)) return false;
         *out = pt.y;
         return true;
     }},
    {"MEDIANT", Measurement<Measure::MedianTime>},
    {"MEDIAN", Measurement<Measure::Median>},
    {"MAXT", Measurement<Measure::MaxTime>},
    {"MINT", Measurement<Measure::MinTime>},
    {"CORRELATE", Measurement<Measure::Correlate>},
    {"VALUE", Measurement<Measure::Value>},
    {"PtoP", Measurement<Measure::PeakToPeak>},
    {"MIN", Measurement<Measure::Min>},
    {"MAX", Measurement<Measure::Max>},
    {"MEAN", Measurement<Measure::Mean>},
    {"STDDEV", Measurement<Measure::StdDev>},
    {"INTEGRAL", Measurement<Measure::Integral>},
    {"SUM", Measurement<Measure::Sum>},
    {"AREA", Measurement<Measure::Area>},
    {"SLOPE", Measurement<Measure::Slope>},
    {"LIN_REG", Measurement<Measure::LinReg>},
    {"BPM", [](tagGS* gs, double* out) {
         if (!Measured(gs, Measure::Frequency, out)) return false;
         *out *= 60000.0;
         return true;
     }},
    {"HABS", HorizontalMeasurement<Measure::HAbs>},
    {"DELTAH", HorizontalMeasurement<Measure::DeltaH>},
    {"DELTAS", Measurement<Measure::DeltaSamples>},
    {"DELTA", Measurement<Measure::Delta>},
    {"SAMPLES", Measurement<Measure::SampleNumber>},
    {"HCURSOR1", [](tagGS* gs, double* out) {
         if (!gs) return false;
         *out = Horizontal(gs, gs->selStart < gs->selEnd ? gs->selStart : gs->selEnd);
         return true;
     }},
    {"HCURSOR2", [](tagGS* gs, double* out) {
         if (!gs) return false;
         *out = Horizontal(gs, gs->selStart < gs->selEnd ? gs->selEnd : gs->selStart);
         return true;
     }},
    {"SCREENRIGHT", [](tagGS*, double* out) { *out = ExpressionPlatform().screenWidth(); return true; }},
    {"SCREENBOTTOM", [](tagGS*, double* out) { *out = ExpressionPlatform().screenBottom(); return true; }},
    {"VSCALE", [](tagGS* gs, double* out) {
         if (!SelectedChannelValid(gs)) return false;
         *out = gs->chanVPerDiv[gs->selectedChan];
         return true;
     }},
    {"VOFFSET", [](tagGS* gs, double* out) {
         if (!SelectedChannelValid(gs)) return false;
         *out = gs->chanVCenter[gs->selectedChan];
         return true;
     }},
    {"HSCALE", [](tagGS* gs, double* out) {
         if (!gs) return false;
         *out = gs->hPerDiv / 1000.0;
         return true;
     }},
    {"HOFFSET", [](tagGS* gs, double* out) {
         if (!gs) return false;
         *out = gs->hStart / 1000.0;
         return true;
     }},
    {"VERSION", [](tagGS*, double* out) {
         int32_t major = 0;
         if (!ExpressionPlatform().productVersion(&major)) return false;
         *out = major;
         return true;
     }},
};

// The first letters differ for most names: they are compared before the rest.
bool StartsWith(const char* text, const char* name) {
    return *text == *name && std::strncmp(text, name, std::strlen(name)) == 0;
}

// The readers below only find a token's extent and kind; what a name reads is looked up when
// the token is resolved, so a compiled text can be resolved again at every evaluation.
void StaticToken(ExpressionLexItem* item, ExpressionToken token, const char* base, const char* end) {
    item->kind = kLexToken;
    item->token = token;
    item->end = static_cast<uint16_t>(end - base);
}

// Refused at `at`: the read position stays there.
void ErrorItem(ExpressionLexItem* item, const char* base, const char* at) { StaticToken(item, kTokError, base, at); }

void NumberItem(ExpressionLexItem* item, const char* base, const char* next, double value) {
    StaticToken(item, kTokNumber, base, next);
    item->number = value;
}

// Digits with at most one ".", then an optional exponent: "E", a sign, up to 3 digits.
// Lesson scripts are full of short numbers: up to 15 digits with at most 22 after the point
// are a whole number below 2^53 over an exact power of ten, and one division of those is the
// correctly rounded value, the same that strtod gives. Anything else goes to strtod.
bool ExactDecimal(const char* start, const char* end, double* out) {
    static const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                     1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    int64_t mantissa = 0;
    int digits = 0, decimals = 0;
    bool dot = false;
    for (const char* q = start; q < end; ++q) {
        if (*q == '.') {
            dot = true;
            continue;
        }
        if (!IsDigit(*q)) return false;  // an exponent
        if (++digits > 15) return false;
        mantissa = mantissa * 10 + (*q - '0');
        if (dot) ++decimals;
    }
    if (decimals > 22) return false;
    *out = static_cast<double>(mantissa) / kPowers[decimals];
    return true;
}

void ReadNumber(ExpressionLexItem* item, const char* base, const char* p) {
    const char* start = p;
    bool dot = false;
    while (IsDigit(*p) || (*p == '.' && !dot)) dot |= *p++ == '.';
    if (p - start == 1 && *start == '.') return ErrorItem(item, base, p);
    if (*p == 'E') {
        ++p;
        if (*p == '+' || *p == '-') ++p;
        // Without digits the characters taken still convert: "2E" and "2E+" are 2.
        for (int digits = 0; digits < 3 && IsDigit(*p); ++digits) ++p;
    }
    size_t length = static_cast<size_t>(p - start);
    if (length > static_cast<size_t>(kMaxNumberChars)) return ErrorItem(item, base, p);
    double quick = 0.0;
    if (ExactDecimal(start, p, &quick)) return NumberItem(item, base, p, quick);
    char buffer[kMaxNumberChars + 1];
    std::memcpy(buffer, start, length);
    buffer[length] = 0;
    errno = 0;
    double value = std::strtod(buffer, nullptr);
    // Beyond the range of a double; a number too small to hold becomes 0 and stays a number.
    if (errno == ERANGE && std::isinf(value)) return ErrorItem(item, base, p);
    NumberItem(item, base, p, value);
}

// "CH" and one or two digits: the channel's sample at the current index.
void ReadChannel(ExpressionLexItem* item, const char* base, const char* p) {
    if (!IsDigit(p[2])) return ErrorItem(item, base, p);
    int chan = p[2] - '0';
    int length = 3;
    if (IsDigit(p[3])) chan = chan * 10 + (p[length++] - '0');
    if (chan >= kMaxChannels) return ErrorItem(item, base, p);
    item->kind = kLexChannel;
    item->arg = static_cast<uint8_t>(chan);
    item->end = static_cast<uint16_t>(p + length - base);
}

// A one-letter script variable (a letter and "#" for a macro variable).
void ReadVariable(ExpressionLexItem* item, const char* base, const char* p, int macro) {
    item->kind = macro ? kLexMacroVariable : kLexVariable;
    item->arg = static_cast<uint8_t>(*p);
    item->end = static_cast<uint16_t>(p + (macro ? 2 : 1) - base);
}

// Value names and function names; anything else is refused at its first letter.
void ReadName(ExpressionLexItem* item, const char* base, const char* p) {
    if (StartsWith(p, "TIME")) {
        item->kind = kLexTime;
        item->end = static_cast<uint16_t>(p + 4 - base);
        return;
    }
    constexpr int kValueNameCount = static_cast<int>(sizeof kValueNames / sizeof kValueNames[0]);
    for (int i = 0; i < kValueNameCount; ++i) {
        if (!StartsWith(p, kValueNames[i].name)) continue;
        item->kind = kLexValueName;
        item->arg = static_cast<uint8_t>(i);
        item->end = static_cast<uint16_t>(p + std::strlen(kValueNames[i].name) - base);
        return;
    }
    for (int i = 0; i < kExpressionFunctionCount; ++i) {
        const char* name = kExpressionFunctionNames[i];
        if (!StartsWith(p, name)) continue;
        StaticToken(item, kTokFunction, base, p + std::strlen(name));
        item->arg = static_cast<uint8_t>(i);
        return;
    }
    ErrorItem(item, base, p);
}

void ReadOperator(ExpressionLexItem* item, const char* base, const char* p) {
    ExpressionToken token = kTokError;
    switch (*p) {
    case '(': token = kTokOpen; break;
    case ')': token = kTokClose; break;
    case '*': token = kTokTimes; break;
    case '+': token = kTokPlus; break;
    case '-': token = kTokMinus; break;
    case '/': token = kTokDivide; break;
    case '^': token = kTokPower; break;
    default: break;
    }
    StaticToken(item, token, base, p + 1);
}

ExpressionToken Refused(const char* at) {
    g_expression.readPos = at;
    return kTokError;
}

ExpressionToken Read(double value, const char* next) {
    g_expression.readPos = next;
    g_expression.tokenRecord.number = value;
    return kTokNumber;
}

}  // namespace

// The token at `from` (offsets counted from `base`); the first rule that applies decides.
void ScanExpressionToken(const char* base, const char* from, ExpressionLexItem* item) {
    const char* p = from;
    while (*p == ' ') ++p;
    *item = ExpressionLexItem{};
    item->start = static_cast<uint16_t>(p - base);
    if (!*p) return StaticToken(item, kTokEnd, base, p);
    if (IsDigit(*p) || *p == '.') return ReadNumber(item, base, p);
    if (!IsAsciiLetter(*p)) return ReadOperator(item, base, p);
    if (p[1] == '#') return ReadVariable(item, base, p, 1);
    if (!IsAsciiLetter(p[1])) return ReadVariable(item, base, p, 0);
    if (p[0] == 'C' && p[1] == 'H') return ReadChannel(item, base, p);
    ReadName(item, base, p);
}

// Reads what the item names now, into the token record; a name that cannot be read is refused
// at its first letter.
ExpressionToken ResolveExpressionToken(const char* base, const ExpressionLexItem& item) {
    const char* start = base + item.start;
    const char* end = base + item.end;
    double value = 0.0;
    switch (item.kind) {
    case kLexToken:
        g_expression.readPos = end;
        if (item.token == kTokNumber) {
            g_expression.tokenRecord.number = item.number;
        } else if (item.token == kTokFunction) {
            std::memset(g_expression.tokenRecord.name, 0, sizeof g_expression.tokenRecord.name);
            std::strcpy(g_expression.tokenRecord.name, kExpressionFunctionNames[item.arg]);
        }
        return static_cast<ExpressionToken>(item.token);
    case kLexVariable:
    case kLexMacroVariable:
        if (!notify::GetScriptNumericVariable(g_expression.variableScope, static_cast<char>(item.arg), &value,
                                              item.kind == kLexMacroVariable))
            return Refused(start);
        return Read(value, end);
    case kLexChannel:
        if (!g_expression.document ||
            !GetChannelSample(g_expression.document, g_expression.sampleIndex, item.arg, &value))
            return Refused(start);
        return Read(value, end);
    case kLexTime:
        if (!CurrentTime(g_expression.document, &value)) return Refused(start);
        return Read(value, end);
    case kLexValueName:
        if (!kValueNames[item.arg].read(g_expression.document, &value)) return Refused(start);
        return Read(value, end);
    }
    return Refused(start);
}

// The next token at the read position, read from the text.
ExpressionToken NextExpressionToken() {
    const char* base = g_expression.readPos;
    ExpressionLexItem item;
    ScanExpressionToken(base, base, &item);
    return ResolveExpressionToken(base, item);
}
