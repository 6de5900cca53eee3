// What the calculation dialogs share apart from windows: the source channel lists, the new-preset
// rules and the new calculation preset, the expression text's two forms and the Rate window's units.
#include "devlib/acquisition/calc/calc_dialogs.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/channels/preset_organiser.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

namespace {


// A channel name starts a word: "DATA1" names no channel.
bool StartsWord(const char* text, size_t i) {
    if (i == 0) return true;
    const unsigned char before = static_cast<unsigned char>(text[i - 1]);
    return !isalnum(before) && before != '_';
}
constexpr double kSmallestLimit = 0.0001;  // a Rate limit is never divided by less

// The name matches a key's own text or the text it stands for now.
bool IsKeyedName(const char* name, const char* key) { return strcmp(name, key) == 0 || strcmp(name, Keyed(key)) == 0; }

void CopyText(char* field, size_t size, const char* text) {
    memset(field, 0, size);
    memcpy(field, text, std::min(strlen(text), size - 1));
}

}  // namespace

// ---- Source channels ----

int32_t SourceRecordIndex(const stAcq* acq, int32_t id) {
    if (!acq || id < 0) return -1;
    if (id >= kCalcIdBase) return id - kCalcIdBase < kCalcChannels ? kAnalogChannels + NDChan + id - kCalcIdBase : -1;
    if (id >= kDigitalIdBase) return id - kDigitalIdBase < NDChan ? kAnalogChannels + id - kDigitalIdBase : -1;
    const int32_t n = id - acq->firstAnalogNumber;
    return n >= 0 && n < kAnalogChannels ? n : -1;
}

// ---- Presets ----

int32_t IsNewPresetName(HWND dlg, int field, const stAcq* acq) {
    char name[kPresetNameChars + 1] = {};
    GetDlgItemTextA(dlg, field, name, sizeof(name));
    if (!acq || !name[0]) return 0;
    static const char* const kReserved[] = {"Off",  "New",      "Integrate", "Smoothing",  "Difference", "Rate",
                                            "Math", "Function", "Filter",    "Expression", "Delay"};
    for (const char* key : kReserved)
        if (IsKeyedName(name, key)) return 0;
    return IsUnusedPresetName(acq->presets, name);
}

// The dialog's preset name and label on this channel's record, after the last calculation preset.
int32_t AddCalcPreset(HWND dlg, int nameField, int labelField, stAcq* acq, int32_t channel, int32_t kind,
                      const uint8_t* block) {
    if (!acq || channel < 0 || channel >= kCalcChannels || !block) return 0;
    stPresetRow row{acq->chans[kAnalogChannels + NDChan + channel], acq->samplePeriodMs, 0.0, kind, block};
    row.record.group = kGroupCalc;
    char text[kPresetNameChars + 1] = {};
    GetDlgItemTextA(dlg, nameField, text, sizeof(text));
    CopyText(row.record.presetName, sizeof(row.record.presetName), text);
    GetDlgItemTextA(dlg, labelField, text, static_cast<int>(sizeof(row.record.label)) + 1);
    CopyText(row.record.label, sizeof(row.record.label), text);
    if (AppendPreset(&acq->presets, true, row) < 0) return 0;
    MessageBoxA(dlg, Keyed("Preset has been added successfully"), Keyed("Channel Setup"), MB_OK | MB_ICONINFORMATION);
    return 1;
}

// ---- Pure rules ----

bool ParseWholeNumber(const char* text, long* out) {
    if (!text) return false;
    while (*text == ' ') ++text;
    if (!*text) return false;
    char* end = nullptr;
    errno = 0;
    const long value = strtol(text, &end, 10);
    if (errno == ERANGE || end == text) return false;
    while (*end == ' ') ++end;
    if (*end) return false;
    *out = value;
    return true;
}

// "CH" and one or two digits.
bool ExpressionToDisplay(const char* stored, char* out, size_t outSize) {
    if (!out || outSize == 0) return false;
    size_t used = 0;
    bool fits = true;
    auto put = [&](const char* piece) {
        const size_t n = strlen(piece);
        if (used + n >= outSize) {
            fits = false;
            return;
        }
        memcpy(out + used, piece, n);
        used += n;
    };
    for (size_t i = 0; stored && stored[i] && fits;) {
        const char* p = stored + i;
        if (toupper(static_cast<unsigned char>(p[0])) == 'C' && toupper(static_cast<unsigned char>(p[1])) == 'H' &&
            isdigit(static_cast<unsigned char>(p[2])) && StartsWord(stored, i)) {
            const size_t digits = isdigit(static_cast<unsigned char>(p[3])) ? 2 : 1;
            int n = (p[2] - '0');
            if (digits == 2) n = n * 10 + (p[3] - '0');
            char piece[16];
            if (n < kDigitalIdBase)
                snprintf(piece, sizeof(piece), "A%d", n);
            else if (n < kCalcIdBase)
                snprintf(piece, sizeof(piece), "D%d", n - 19);
            else
                snprintf(piece, sizeof(piece), "C%d", n - 39);
            put(piece);
            i += 2 + digits;
        } else {
            const char piece[2] = {p[0], '\0'};
            put(piece);
            ++i;
        }
    }
    out[used] = '\0';
    return fits;
}

bool NextChannelReference(const char* shown, size_t from, size_t* at, size_t* length, int32_t* id) {
    if (!shown) return false;
    const size_t size = strlen(shown);
    for (size_t i = from; i < size; ++i) {
        const int c = toupper(static_cast<unsigned char>(shown[i]));
        if ((c != 'A' && c != 'D' && c != 'C') || !StartsWord(shown, i)) continue;
        size_t start = i + 1;
        int offset = c == 'A' ? 0 : c == 'D' ? 19 : 39;
        if (c == 'C' && toupper(static_cast<unsigned char>(shown[start])) == 'H') {
            ++start;
            offset = 0;
        }
        if (!isdigit(static_cast<unsigned char>(shown[start]))) continue;
        int n = shown[start] - '0';
        size_t end = start + 1;
        if (isdigit(static_cast<unsigned char>(shown[end]))) n = n * 10 + (shown[end++] - '0');
        *at = i;
        *length = end - i;
        *id = n + offset;
        return true;
    }
    return false;
}

// Upper case, every reference as "CH" and its identifier.
bool ExpressionFromDisplay(const char* shown, char* out, size_t outSize) {
    if (!out || outSize == 0) return false;
    size_t used = 0, pos = 0, at = 0, length = 0;
    int32_t id = 0;
    const size_t size = shown ? strlen(shown) : 0;
    while (pos < size) {
        const bool found = NextChannelReference(shown, pos, &at, &length, &id);
        const size_t plainEnd = found ? at : size;
        for (; pos < plainEnd; ++pos) {
            if (used + 1 >= outSize) {
                out[used] = '\0';
                return false;
            }
            out[used++] = static_cast<char>(toupper(static_cast<unsigned char>(shown[pos])));
        }
        if (!found) break;
        char piece[16];
        const int n = snprintf(piece, sizeof(piece), "CH%d", id);
        if (used + size_t(n) >= outSize) {
            out[used] = '\0';
            return false;
        }
        memcpy(out + used, piece, size_t(n));
        used += size_t(n);
        pos = at + length;
    }
    out[used] = '\0';
    return true;
}

// Rows in the order the list shows them; "Limit" is stored as 10 but shown fourth.
int32_t FunctionValueOfRow(int row) {
    static const int32_t kValues[kFunctionRows] = {1, 2, 3, 10, 4, 5, 6, 7, 8, 9};
    return row >= 0 && row < kFunctionRows ? kValues[row] : 0;
}

int RowOfFunctionValue(int32_t value) {
    for (int row = 0; row < kFunctionRows; ++row)
        if (FunctionValueOfRow(row) == value) return row;
    return 0;
}

int16_t ConvertRateLimits(int16_t function, int16_t unit, double* lower, double* upper) {
    int16_t target = unit;
    if (function == 1) target = 1;
    if (function == 2) target = 2;
    if (function == 3 || function == 4) target = 3;
    if (target == unit) return unit;
    const double lo = std::max(*lower, kSmallestLimit), hi = std::max(*upper, kSmallestLimit);
    if (target == 1 && unit == 3) {
        *lower = 1.0 / hi;
        *upper = 1.0 / lo;
    }
    if (target == 1 && unit == 2) {
        *lower /= 60.0;
        *upper /= 60.0;
    }
    if (target == 2 && unit == 3) {
        *lower = 60.0 / hi;
        *upper = 60.0 / lo;
    }
    if (target == 2 && unit == 1) {
        *lower *= 60.0;
        *upper *= 60.0;
    }
    if (target == 3 && unit == 1) {
        *lower = 1.0 / hi;
        *upper = 1.0 / lo;
    }
    if (target == 3 && unit == 2) {
        *lower = 60.0 / hi;
        *upper = 60.0 / lo;
    }
    return target;
}
