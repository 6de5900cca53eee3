// What the unit's word files share: the statement reader over the host's script readers, one
// word's call, and the library's panels by their script names.
#pragma once

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "common/binding.h"
#include "common/stAcq.h"
#include "devlib/vk40.h"

namespace unit_words {

constexpr int kWordBytes = 256;
constexpr int kStringBytes = 2048;         // the host's string reader copies up to 512 characters
constexpr int kMaxStatementChars = 32767;  // the reading position is 16 bits
constexpr int kUnitTextBytes = 256;

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

inline bool Is(const char* word, const char* name) { return _stricmp(word, name) == 0; }

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

inline bool IsAnalog(int32_t channel) { return channel >= 1 && channel <= kAnalogChannels; }

// The record index of a channel kind and number; -1 when the kind is unknown or the channel does
// not exist on this unit.
inline int32_t ChannelIndex(const char* kind, int32_t n) {
    if (n < 1) return -1;
    if (Is(kind, "ANALOG")) return n <= kAnalogChannels ? n - 1 : -1;
    const int32_t digital = NDChan;
    if (Is(kind, "DIGITAL")) return n <= digital ? n + kAnalogChannels - 1 : -1;
    if (Is(kind, "CALC")) return n <= kCalcChannels ? n + digital + kAnalogChannels - 1 : -1;
    return -1;
}

// The library's windows by their script names.
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
Panel PanelNamed(const char* name);
// The panel's window for a word that changes it: a panel not made yet is made now.
HWND PanelWindowMade(stWordCall& c, Panel panel);
// A string variable token: a letter and "$" (the application's) or "@" (the lesson's own).
bool StringVariable(const char* word, int32_t* letter, int32_t* macro);

// SET and its words (unit_set_words.cpp).
int32_t WordSet(stWordCall& c);

}  // namespace unit_words
