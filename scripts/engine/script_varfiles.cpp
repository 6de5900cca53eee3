// The variable files: the application or macro tables as lines of text. Numbers are written in
// the general format, with more digits only where its six do not read back exactly, and a string
// keeps its quotes and semicolons: its text runs to the last quote of its line.
#include "scripts/engine/script_control.h"
#include "base/app.h"
#include "base/safe_file.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr double kLoaded = 1.0, kNotLoaded = 3.0;

// The old file stays whole when the new one cannot be written, and the user is told why.
bool WriteWholeFile(const char* path, const std::string& text) {
    const DWORD error = WriteBytesThroughTemporary(path, text.data(), text.size());
    if (error) ReportFileNotWritten(g_app ? g_app->hwndFrame : nullptr, path, error);
    return error == 0;
}

bool ReadWholeFile(const char* path, std::string* text) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const DWORD size = GetFileSize(file, nullptr);
    text->assign(size, '\0');
    DWORD read = 0;
    const BOOL ok = size == 0 || ReadFile(file, &(*text)[0], size, &read, nullptr);
    CloseHandle(file);
    text->resize(read);
    return ok;
}

// The number after the line's "=", or false when the line has none.
bool LineNumber(const char* line, const char* end, double* out) {
    const char* eq = static_cast<const char*>(std::memchr(line, '=', static_cast<size_t>(end - line)));
    if (!eq) return false;
    const std::string digits(eq + 1, end);
    *out = ReadVariableNumber(digits.c_str());
    return true;
}

// The text between the line's first and last double quote; empty when it has fewer than two.
void LineString(const char* line, const char* end, char* out) {
    const char* first = static_cast<const char*>(std::memchr(line, '"', static_cast<size_t>(end - line)));
    const char* last = end;
    while (last > line && last[-1] != '"') --last;
    out[0] = 0;
    if (!first || last - 1 <= first) return;
    size_t n = static_cast<size_t>(last - 1 - first - 1);
    if (n > kScriptStringChars) n = kScriptStringChars;
    std::memcpy(out, first + 1, n);
    out[n] = 0;
}

std::string NumberLine(char letter, const char* suffix, double value) {
    char number[40], buf[64];
    FormatVariableFileNumber(number, sizeof number, value);
    std::snprintf(buf, sizeof buf, "%c%s = %s\r", letter, suffix, number);
    return buf;
}

// The name field and the optional result variable of the four statements; false: empty name.
bool ReadFileWord(stScriptCall& call, bool programFolder, char* path, char* resultVar) {
    char name[kScriptWordChars];
    const char* p = call.rest;
    p += EvaluateScriptExpression(p, name);
    GetScriptToken(p, resultVar);
    if (resultVar[0] == ';') resultVar[0] = 0;
    for (char* c = name; *c; ++c)
        if (*c == ':') *c = '-';
    if (!name[0]) return false;
    if (programFolder && g_app) std::snprintf(path, MAX_PATH, "%s\\%s", g_app->szAppFolder, name);
    else lstrcpynA(path, name, MAX_PATH);
    return true;
}

int16_t VariableFileWord(stScriptCall& call, bool macro, bool load) {
    char path[MAX_PATH], resultVar[kScriptWordChars];
    if (!ReadFileWord(call, !macro, path, resultVar)) return kScriptStopWithoutDialog;
    if (ScriptFieldFailed()) return kScriptStop;
    const int ok = load ? LoadScriptVariables(path, macro) : SaveScriptVariables(path, macro);
    if (resultVar[0]) AssignScriptNumericVariable(call.frame, resultVar, ok ? kLoaded : kNotLoaded);
    return kScriptGoOn;
}

}  // namespace

void FormatVariableFileNumber(char* out, size_t size, double value) {
    // The general format's own texts for the values that are no finite number.
    if (std::isnan(value)) {
        lstrcpynA(out, std::signbit(value) ? "-NAN" : "NAN", static_cast<int>(size));
        return;
    }
    if (std::isinf(value)) {
        lstrcpynA(out, value < 0 ? "-INF" : "INF", static_cast<int>(size));
        return;
    }
    auto exact = [&] {
        const double back = std::strtod(out, nullptr);
        return back == value && std::signbit(back) == std::signbit(value);
    };
    std::snprintf(out, size, "%G", value);
    for (int digits = 7; digits <= 17 && !exact(); ++digits) std::snprintf(out, size, "%.*G", digits, value);
}

double ReadVariableNumber(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    const char* word = text + (*text == '-' || *text == '+' ? 1 : 0);
    const double sign = *text == '-' ? -1.0 : 1.0;
    if (_strnicmp(word, "INF", 3) == 0) return sign * HUGE_VAL;
    if (_strnicmp(word, "NAN", 3) == 0) return std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
    return std::strtod(text, nullptr);
}

int SaveScriptVariables(const char* path, int macro) {
    std::string text;
    for (int i = 0; i < 26; ++i)
        text += NumberLine(static_cast<char>('A' + i), macro ? "#" : "",
                           macro ? g_script.macroVariables[i] : g_script.variables[i]);
    for (int i = 0; i < 26; ++i) {
        text += static_cast<char>('A' + i);
        text += macro ? "@ = \"" : "$ = \"";
        text += GetScriptStringVariable(i, macro);
        text += "\"\r";
    }
    return WriteWholeFile(path, text) ? 1 : 0;
}

// Line by line: "X = number" (X# for the macro table) then "X$ = "text"" (X@); each line is
// read on its own, so a short or broken line never takes the next line's value.
int LoadScriptVariables(const char* path, int macro) {
    std::string text;
    if (!ReadWholeFile(path, &text)) return 0;
    const char* p = text.c_str();
    const char* const stop = p + text.size();
    int numbers = 0, strings = 0;
    while (p < stop) {
        const char* end = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(stop - p)));
        const bool complete = end != nullptr;
        if (!end) end = stop;
        const char letter = p[0];
        const char kind = end - p > 1 ? p[1] : 0;
        if (letter >= 'A' && letter <= 'Z') {
            const int i = letter - 'A';
            double value = 0.0;
            char str[kScriptWordChars];
            if ((macro ? kind == '#' : (kind == ' ' || kind == '=')) && LineNumber(p, end, &value)) {
                (macro ? g_script.macroVariables : g_script.variables)[i] = value;
                if (complete) ++numbers;
            } else if (kind == (macro ? '@' : '$')) {
                LineString(p, end, str);
                std::strcpy(macro ? g_script.macroStrings[i] : g_script.strings[i], str);
                if (complete) ++strings;
            }
        }
        p = end + 1;
    }
    RefreshVariablesBrowser();
    return macro ? 1 : (numbers >= 26 && strings >= 26);
}

int16_t ScriptWordSaveAVars(stScriptCall& call) { return VariableFileWord(call, false, false); }
int16_t ScriptWordLoadAVars(stScriptCall& call) { return VariableFileWord(call, false, true); }
int16_t ScriptWordSaveLVars(stScriptCall& call) { return VariableFileWord(call, true, false); }
int16_t ScriptWordLoadLVars(stScriptCall& call) { return VariableFileWord(call, true, true); }
