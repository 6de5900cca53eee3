// The variable files: the application or macro tables as lines of text. Numbers are written in
// the general format, with more digits only where its six do not read back exactly, and a string
// keeps its quotes and semicolons: its text runs to the last quote of its line.
#include "scripts/engine/script_control.h"
#include "scripts/words/word_fields.h"
#include "base/app.h"
#include "base/safe_file.h"
#include "common/keyed_format.h"
#include "common/scoped_handle.h"
#include "devlib/vk40.h"
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
    if (error) ReportFileNotWritten(Owner(), path, error);
    return error == 0;
}

bool ReadWholeFile(const char* path, std::string* text) {
    CScopedHandle file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const DWORD size = GetFileSize(file.get(), nullptr);
    text->assign(size, '\0');
    DWORD read = 0;
    const BOOL ok = size == 0 || ReadFile(file.get(), &(*text)[0], size, &read, nullptr);
    text->resize(read);
    return ok;
}

// The number after the line's "=", 0 when nothing there reads as one; false when the line has
// no "=".
bool LineNumber(const char* line, const char* end, double* out) {
    const char* eq = static_cast<const char*>(std::memchr(line, '=', static_cast<size_t>(end - line)));
    if (!eq) return false;
    const std::string digits(eq + 1, end);
    if (!ReadVariableNumber(digits.c_str(), out)) *out = 0.0;
    return true;
}

// The text between the line's first and last double quote; false when it has fewer than two.
bool LineString(const char* line, const char* end, char* out) {
    const char* first = static_cast<const char*>(std::memchr(line, '"', static_cast<size_t>(end - line)));
    const char* last = end;
    while (last > line && last[-1] != '"') --last;
    out[0] = 0;
    if (!first || last - 1 <= first) return false;
    size_t n = static_cast<size_t>(last - 1 - first - 1);
    if (n > kScriptStringChars) n = kScriptStringChars;
    std::memcpy(out, first + 1, n);
    out[n] = 0;
    return true;
}

// Keeps the first damaged line: its number and what it holds, fit to be shown.
void NoteDamage(stVariableFileDamage* damage, int lineNumber, const char* line, const char* end) {
    if (!damage || damage->line) return;
    damage->line = lineNumber;
    size_t n = static_cast<size_t>(end - line);
    if (n > sizeof damage->text - 1) n = sizeof damage->text - 1;
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        damage->text[i] = c < 32 || c == 127 ? '?' : static_cast<char>(c);
    }
    damage->text[n] = 0;
}

// The error dialog over the load's statement, its title naming the file and the damaged line.
int16_t ReportDamagedFile(const stScriptCall& call, const char* word, const char* path,
                          const stVariableFileDamage& damage) {
    const char* fileKey = "KEY Variable file damaged";
    const char* lineKey = "KEY Variable file damaged line";
    char file[512], line[256];
    FormatKeyedText(file, sizeof file, Keyed(fileKey), path);
    FormatKeyedText(line, sizeof line, Keyed(lineKey), static_cast<long>(damage.line));
    const std::string title = std::string(file) + "\r" + line + "\r" + damage.text;
    return ShowScriptErrorTitled(title.c_str(), call.line, word) == kScriptGoOn ? int16_t{kScriptGoOn}
                                                                               : int16_t{kScriptStopWithoutDialog};
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
    MakeFileNameSafe(name);
    if (!name[0]) return false;
    if (programFolder && g_app) std::snprintf(path, MAX_PATH, "%s\\%s", g_app->szAppFolder, name);
    else lstrcpynA(path, name, MAX_PATH);
    return true;
}

int16_t VariableFileWord(stScriptCall& call, bool macro, bool load) {
    char path[MAX_PATH], resultVar[kScriptWordChars];
    if (!ReadFileWord(call, !macro, path, resultVar)) return kScriptStopWithoutDialog;
    if (ScriptFieldFailed()) return kScriptStop;
    stVariableFileDamage damage;
    const int ok = load ? LoadScriptVariables(path, macro, &damage) : SaveScriptVariables(path, macro);
    if (resultVar[0]) AssignScriptNumericVariable(call.frame, resultVar, ok ? kLoaded : kNotLoaded);
    if (damage.line) return ReportDamagedFile(call, macro ? "LOADLVARS" : "LOADAVARS", path, damage);
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

bool ReadVariableNumber(const char* text, double* out) {
    while (*text == ' ' || *text == '\t') ++text;
    const char* word = text + (*text == '-' || *text == '+' ? 1 : 0);
    const double sign = *text == '-' ? -1.0 : 1.0;
    if (_strnicmp(word, "INF", 3) == 0) {
        *out = sign * HUGE_VAL;
        return true;
    }
    if (_strnicmp(word, "NAN", 3) == 0) {
        *out = std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
        return true;
    }
    char* end = nullptr;
    *out = std::strtod(text, &end);
    return end != text;
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
// read on its own, so a short or broken line never takes the next line's value. Lines end in
// CR, as written, or in LF or CR LF, as an editor may leave them. A line cut short (the file ends
// before its line end) or a string line without its quotes is damaged: its variable keeps its
// value.
int LoadScriptVariables(const char* path, int macro, stVariableFileDamage* damage) {
    std::string text;
    if (!ReadWholeFile(path, &text)) return 0;
    const char* p = text.c_str();
    const char* const stop = p + text.size();
    int numbers = 0, strings = 0, lineNumber = 0;
    bool damaged = false;
    while (p < stop) {
        const char* end = p;
        while (end < stop && *end != '\r' && *end != '\n') ++end;
        const bool complete = end < stop;
        ++lineNumber;
        const char letter = p[0];
        const char kind = end - p > 1 ? p[1] : 0;
        const bool numberLine = macro ? kind == '#' : (kind == ' ' || kind == '=');
        const bool stringLine = kind == (macro ? '@' : '$');
        if (letter >= 'A' && letter <= 'Z' && (numberLine || stringLine)) {
            const int i = letter - 'A';
            double value = 0.0;
            char str[kScriptWordChars];
            if (numberLine && complete && LineNumber(p, end, &value)) {
                (macro ? g_script.macroVariables : g_script.variables)[i] = value;
                ++numbers;
            } else if (stringLine && complete && LineString(p, end, str)) {
                std::strcpy(macro ? g_script.macroStrings[i] : g_script.strings[i], str);
                ++strings;
            } else {
                damaged = true;
                NoteDamage(damage, lineNumber, p, end);
            }
        }
        p = end;
        if (p < stop && *p == '\r' && p + 1 < stop && p[1] == '\n') ++p;
        if (p < stop) ++p;
    }
    RefreshVariablesBrowser();
    if (damaged) return 0;
    return macro ? 1 : (numbers >= 26 && strings >= 26);
}

int16_t ScriptWordSaveAVars(stScriptCall& call) { return VariableFileWord(call, false, false); }
int16_t ScriptWordLoadAVars(stScriptCall& call) { return VariableFileWord(call, false, true); }
int16_t ScriptWordSaveLVars(stScriptCall& call) { return VariableFileWord(call, true, false); }
int16_t ScriptWordLoadLVars(stScriptCall& call) { return VariableFileWord(call, true, true); }
