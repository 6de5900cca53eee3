// The field readers every statement reads its arguments through: words, fields, numbers and
// string expressions. None of them reads past the line's CR, and a malformed field marks the
// statement as failed instead of passing on a made-up value.
#include "scripts/engine/script_engine.h"
#include "scripts/engine/script_plans.h"
#include "transforms/expression/expression.h"
#include "documents/measurements/measure_calc.h"
#include "common/tagGS.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

inline bool AtLineEnd(char c) { return c == '\r' || c == 0; }
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Copies at most kScriptStringChars characters of n into out; the rest is cut, and the readers'
// mark tells it.
void CopyCut(char* out, const char* from, size_t n) {
    if (n > kScriptStringChars) {
        n = kScriptStringChars;
        SetScriptTextCut();
    }
    std::memcpy(out, from, n);
    out[n] = 0;
}

// The sample index that channel references in a script number read: the recording's position
// while one runs, else the selection's earlier edge.
int32_t ScriptSampleIndex(const tagGS* gs) {
    if (!gs) return 0;
    if (gs->acquiring) {
        uint32_t reached = 0;
        for (int c = 0; c < kMaxChannels; ++c)
            if (gs->chanCount[c] > reached) reached = gs->chanCount[c];
        return reached ? static_cast<int32_t>(reached - 1) : 0;
    }
    if (!(gs->sampleInterval > 0.0)) return 0;
    const double first = gs->selStart < gs->selEnd ? gs->selStart : gs->selEnd;
    const double index = first / gs->sampleInterval;
    if (!(index > 0.0)) return 0;
    return index > 2147483647.0 ? 2147483647 : static_cast<int32_t>(index);
}

// Finds the closing parenthesis of a call whose "(" is at open; null when the line ends first.
const char* MatchingParen(const char* open) {
    int depth = 0;
    bool quoted = false;
    for (const char* p = open; !AtLineEnd(*p); ++p) {
        if (*p == '"') quoted = !quoted;
        if (quoted) continue;
        if (*p == '(') ++depth;
        if (*p == ')' && --depth == 0) return p;
    }
    return nullptr;
}

// The string functions a string expression may call.
enum class StringFn { kStr, kLeft, kRight, kMid };

// LEFT$, RIGHT$, MID$ and STR$ over the arguments text (a line of its own, ending in CR). Counts
// and positions past either end of the text take the part of it that exists, however far out.
void StringFunction(StringFn which, const char* args, char* out) {
    char text[kScriptWordChars] = "";
    double a = 0.0, b = 0.0;
    const char* p = args;
    if (which == StringFn::kStr) {  // STR$(number, digits)
        p += GetScriptNumber(p, &a);
        GetScriptNumber(p, &b);
        char buf[kScriptWordChars];
        measure::FormatValue(buf, sizeof buf, a, measure::ValueDecimals(b));
        CopyCut(out, buf, std::strlen(buf));
        return;
    }
    p += EvaluateScriptExpression(p, text);
    p += GetScriptNumber(p, &a);
    if (which == StringFn::kMid) GetScriptNumber(p, &b);
    // 64 bits: sums and differences of two 32-bit counts cannot overflow.
    const int64_t len = static_cast<int64_t>(std::strlen(text));
    int64_t first = 0, last = 0;  // the characters first .. last - 1, before clamping to the text
    if (which == StringFn::kLeft) {  // LEFT$
        last = ScriptWholeNumber(a);
    } else if (which == StringFn::kRight) {  // RIGHT$
        first = len - ScriptWholeNumber(a);
        last = len;
    } else {  // MID$ from a to b, counted from 1, both included
        first = static_cast<int64_t>(ScriptWholeNumber(a)) - 1;
        last = ScriptWholeNumber(b);
    }
    first = std::clamp<int64_t>(first, 0, len);
    last = std::clamp<int64_t>(last, first, len);
    CopyCut(out, text + first, static_cast<size_t>(last - first));
}

struct StringFunctionName {
    const char* name;
    StringFn which;
};
constexpr StringFunctionName kStringFunctions[] = {
    {"STR$(", StringFn::kStr}, {"LEFT$(", StringFn::kLeft}, {"RIGHT$(", StringFn::kRight}, {"MID$(", StringFn::kMid}};

bool StartsWithNoCase(const char* p, const char* word) {
    for (; *word; ++p, ++word)
        if (Upper(*p) != *word) return false;
    return true;
}

}  // namespace

// A word: blanks, tabs and commas before it are skipped; it ends at "=", blank, tab, comma or CR,
// except that a word beginning with "=" runs on over further "=".
int32_t GetScriptToken(const char* pos, char* out) {
    const char* p = pos;
    while (IsBlank(*p) || *p == ',') ++p;
    out[0] = 0;
    if (AtLineEnd(*p)) return 0;
    if (*p == ';') {
        out[0] = ';';
        out[1] = 0;
        return 0;
    }
    const char* start = p;
    const bool equals = *p == '=';
    if (equals) ++p;
    while (!AtLineEnd(*p) && !IsBlank(*p) && *p != ',' && (equals || *p != '=')) ++p;
    CopyCut(out, start, static_cast<size_t>(p - start));
    return static_cast<int32_t>(p - pos);
}

// A field up to the delimiter, CR or ";": the delimiter, blanks and tabs before it are skipped.
int32_t GetScriptField(const char* pos, char* out, char delimiter) {
    const char* p = pos;
    while (*p == delimiter || IsBlank(*p)) ++p;
    out[0] = 0;
    if (AtLineEnd(*p) || *p == ';') return 0;
    const char* start = p;
    while (!AtLineEnd(*p) && *p != ';' && *p != delimiter) ++p;
    CopyCut(out, start, static_cast<size_t>(p - start));
    return static_cast<int32_t>(p - pos);
}

// The next comma field as a number of the expression language. A comma that ends the field is
// counted; a line end never is, so the next reader stays on this line.
int32_t GetScriptNumber(const char* pos, double* out) {
    *out = 0.0;
    SetScriptExpressionContext();
    char field[kScriptWordChars];
    const int32_t used = GetScriptField(pos, field, ',');
    if (used == 0) return 0;
    if (std::strlen(field) >= kScriptStringChars) {  // cut: what is left would be another number
        SetScriptFieldFailed();
        return used + (pos[used] == ',' ? 1 : 0);
    }
    int16_t errorPos = kExpressionAccepted;
    const double value = EvaluateExpression(field, &errorPos);
    if (errorPos != kExpressionAccepted) {
        SetScriptFieldFailed();
        return used + (pos[used] == ',' ? 1 : 0);
    }
    *out = value;
    return used + (pos[used] == ',' ? 1 : 0);
}

// A string expression: a quoted literal, a string variable, or LEFT$, RIGHT$, MID$ or STR$ of
// further expressions. 0 (and an empty text) when there is none.
int32_t EvaluateScriptExpression(const char* pos, char* out) {
    const char* p = pos;
    while (IsBlank(*p) || *p == ',') ++p;
    out[0] = 0;
    if (AtLineEnd(*p)) return 0;
    if (*p == ';') {
        out[0] = ';';
        out[1] = 0;
        return 0;
    }
    if (*p == '"') {
        const char* end = p + 1;
        while (!AtLineEnd(*end) && *end != '"') ++end;
        if (*end != '"') {  // an unterminated literal does not swallow the next line
            SetScriptFieldFailed();
            return static_cast<int32_t>(end - pos);
        }
        CopyCut(out, p + 1, static_cast<size_t>(end - p - 1));
        return static_cast<int32_t>(end + 1 - pos);
    }
    for (const StringFunctionName& f : kStringFunctions) {
        if (!StartsWithNoCase(p, f.name)) continue;
        const char* open = p + std::strlen(f.name) - 1;
        const char* close = MatchingParen(open);
        if (!close) {
            SetScriptFieldFailed();
            return static_cast<int32_t>(ScriptLineEnd(p) - pos);
        }
        // The arguments as a line of their own, so no argument reads past the call.
        char args[kScriptWordChars + 1];
        size_t n = static_cast<size_t>(close - open - 1);
        if (n > kScriptWordChars - 1) {
            n = kScriptWordChars - 1;
            SetScriptTextCut();
        }
        std::memcpy(args, open + 1, n);
        args[n] = '\r';
        args[n + 1] = 0;
        StringFunction(f.which, args, out);
        return static_cast<int32_t>(close + 1 - pos);
    }
    if (p[1] == '$' || p[1] == '@') {
        int index = 0, macro = 0;
        char name[3] = {p[0], p[1], 0};
        if (!ParseScriptStringVariable(name, &index, &macro)) {
            SetScriptFieldFailed();
            return static_cast<int32_t>(p + 2 - pos);
        }
        const char* value = GetScriptStringVariable(index, macro);
        CopyCut(out, value, std::strlen(value));
        if (IsScriptStringVariableCut(index, macro)) SetScriptTextCut();
        return static_cast<int32_t>(p + 2 - pos);
    }
    return 0;
}

void SetScriptExpressionContext() { SetExpressionContext(g_script.graph, ScriptSampleIndex(g_script.graph)); }

int ScriptFieldFailed() { return g_script.fieldFailed != 0; }
void SetScriptFieldFailed() { g_script.fieldFailed = 1; }

int32_t ScriptWholeNumber(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int ScriptTextCut() { return g_script.textCut != 0; }
void SetScriptTextCut() { g_script.textCut = 1; }
void ClearScriptTextCut() { g_script.textCut = 0; }

const char* ScriptLineEnd(const char* pos) {
    while (!AtLineEnd(*pos)) ++pos;
    return pos;
}
