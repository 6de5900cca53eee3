// The lexer of the expression language: numbers, operators, and the names that it turns into
// numbers as it reads them (variables, channel samples, measurements, the machine's state).
#include "transforms/expression/expression.h"
#include "transforms/expression/expression_functions.h"
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

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A horizontal value in the axis' display unit: seconds for the time formats, and the document's
// own unit, unchanged, for an arbitrary axis.
double Horizontal(const tagGS* gs, double v) {
    switch (gs->hUnitKind) {
    case 1: return v * 1000.0;
    case 3: return v;
    default: return v / 1000.0;
    }
}

bool Measured(tagGS* gs, Measure which, double* out) {
    return gs && MeasureSelection(gs, static_cast<int>(gs->selectedChan), which, out) == 1;
}

// The horizontal position of the current sample.
bool CurrentTime(tagGS* gs, double* out) {
    if (!gs) return false;
    *out = Horizontal(gs, g_expression.sampleIndex * gs->sampleInterval);
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

ExpressionToken NumberToken(const char* next, double value) {
    g_expression.readPos = next;
    g_expression.tokenRecord.number = value;
    return kTokNumber;
}

ExpressionToken ErrorToken(const char* at) {
    g_expression.readPos = at;
    return kTokError;
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

ExpressionToken ReadNumber(const char* p) {
    const char* start = p;
    bool dot = false;
    while (IsDigit(*p) || (*p == '.' && !dot)) dot |= *p++ == '.';
    if (p - start == 1 && *start == '.') return ErrorToken(p);
    if (*p == 'E') {
        ++p;
        if (*p == '+' || *p == '-') ++p;
        int digits = 0;
        while (digits < 3 && IsDigit(*p)) ++p, ++digits;
        if (!digits) return ErrorToken(p);  // an exponent without digits is no number
    }
    size_t length = static_cast<size_t>(p - start);
    if (length > static_cast<size_t>(kMaxNumberChars)) return ErrorToken(p);
    double quick = 0.0;
    if (ExactDecimal(start, p, &quick)) return NumberToken(p, quick);
    char buffer[kMaxNumberChars + 1];
    std::memcpy(buffer, start, length);
    buffer[length] = 0;
    errno = 0;
    double value = std::strtod(buffer, nullptr);
    // Beyond the range of a double; a number too small to hold becomes 0 and stays a number.
    if (errno == ERANGE && std::isinf(value)) return ErrorToken(p);
    return NumberToken(p, value);
}

// "CH" and one or two digits: the channel's sample at the current index.
ExpressionToken ReadChannel(const char* p) {
    if (!IsDigit(p[2])) return ErrorToken(p);
    int chan = p[2] - '0';
    int length = 3;
    if (IsDigit(p[3])) chan = chan * 10 + (p[length++] - '0');
    double value = 0.0;
    if (chan >= kMaxChannels || !g_expression.document ||
        !GetChannelSample(g_expression.document, g_expression.sampleIndex, chan, &value))
        return ErrorToken(p);
    return NumberToken(p + length, value);
}

// A one-letter script variable (a letter and "#" for a macro variable).
ExpressionToken ReadVariable(const char* p, int macro) {
    double value = 0.0;
    if (!notify::GetScriptNumericVariable(g_expression.variableScope, *p, &value, macro)) return ErrorToken(p);
    return NumberToken(p + (macro ? 2 : 1), value);
}

// Value names and function names; anything else is refused at its first letter.
ExpressionToken ReadName(const char* p) {
    if (StartsWith(p, "TIME")) {
        double value = 0.0;
        if (!CurrentTime(g_expression.document, &value)) return ErrorToken(p);
        return NumberToken(p + 4, value);
    }
    for (const ValueName& v : kValueNames) {
        if (!StartsWith(p, v.name)) continue;
        double value = 0.0;
        if (!v.read(g_expression.document, &value)) return ErrorToken(p);
        return NumberToken(p + std::strlen(v.name), value);
    }
    for (const char* name : kExpressionFunctionNames) {
        if (!StartsWith(p, name)) continue;
        std::memset(g_expression.tokenRecord.name, 0, sizeof g_expression.tokenRecord.name);
        std::strcpy(g_expression.tokenRecord.name, name);
        g_expression.readPos = p + std::strlen(name);
        return kTokFunction;
    }
    return ErrorToken(p);
}

ExpressionToken ReadOperator(const char* p) {
    g_expression.readPos = p + 1;
    switch (*p) {
    case '(': return kTokOpen;
    case ')': return kTokClose;
    case '*': return kTokTimes;
    case '+': return kTokPlus;
    case '-': return kTokMinus;
    case '/': return kTokDivide;
    case '^': return kTokPower;
    default: return kTokError;
    }
}

}  // namespace

// The next token at the read position; the first rule that applies decides.
ExpressionToken NextExpressionToken() {
    const char* p = g_expression.readPos;
    while (*p == ' ') ++p;
    g_expression.readPos = p;
    if (!*p) return kTokEnd;
    if (IsDigit(*p) || *p == '.') return ReadNumber(p);
    if (!IsLetter(*p)) return ReadOperator(p);
    if (p[1] == '#') return ReadVariable(p, 1);
    if (!IsLetter(p[1])) return ReadVariable(p, 0);
    if (p[0] == 'C' && p[1] == 'H') return ReadChannel(p);
    return ReadName(p);
}
