// Fixed tables of texts by exact key (messages and axis labels), and the copy and compare rules
// that every keyed table of the library shares.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "devlib/services/text_defaults.h"

constexpr int kMessages = 1024;
constexpr int kHLabels = 30;
constexpr int kKeyedTextChars = 512;

// Copies and always terminates; a longer text is cut to the field.
inline void CopyCut(char* to, int32_t size, const char* from) { lstrcpynA(to, from ? from : "", size); }

// A key matches a stored key when they agree up to the field's size, so a key too long for its
// field still finds the entry stored under its cut form.
inline bool SameKey(const char* stored, const char* key, int32_t size) {
    return strncmp(stored, key, static_cast<size_t>(size - 1)) == 0;
}

inline bool SameName(const char* stored, const char* name, int32_t size) {
    return _strnicmp(stored, name, static_cast<size_t>(size - 1)) == 0;
}

// A null or empty key finds nothing and is never stored: an empty key marks a free entry.
inline bool UsableKey(const char* key) { return key && key[0] != '\0'; }

struct stKeyedText {
    char key[kKeyedTextChars];  // empty: free
    char text[kKeyedTextChars];
};

// Searched from the last entry down; new entries take the highest free place. No table grows.
template <int N>
class CKeyedTexts {
public:
    char* Get(const char* key) {
        stKeyedText* e = Find(key);
        return e ? e->text : nullptr;
    }

    // Replaces the text of an existing key only.
    int32_t Set(const char* key, const char* text) {
        stKeyedText* e = Find(key);
        if (!e) return 0;
        CopyCut(e->text, kKeyedTextChars, text);
        return 1;
    }

    // Refuses a key already present, so the first text added for a key stays; 0 when full.
    int32_t Add(const char* key, const char* text) {
        if (!UsableKey(key) || Find(key)) return 0;
        for (int i = N - 1; i >= 0; --i) {
            stKeyedText& e = m_entries[i];
            if (e.key[0] == '\0') {
                CopyCut(e.key, kKeyedTextChars, key);
                CopyCut(e.text, kKeyedTextChars, text);
                return 1;
            }
        }
        return 0;
    }

private:
    stKeyedText* Find(const char* key) {
        if (!UsableKey(key)) return nullptr;
        for (int i = N - 1; i >= 0; --i) {
            stKeyedText& e = m_entries[i];
            if (e.key[0] != '\0' && SameKey(e.key, key, kKeyedTextChars)) return &e;
        }
        return nullptr;
    }

    stKeyedText m_entries[N] = {};
};

// Tables whose defaults each derived list fills itself.
class CDefaultFilledList {
public:
    virtual void FillDefaults() = 0;

protected:
    ~CDefaultFilledList() = default;
};

class CHLabels : public CDefaultFilledList, public CKeyedTexts<kHLabels> {
public:
    CHLabels() { FillDefaults(); }
    void FillDefaults() override {
        for (int32_t i = 0; i < kHLabelDefaultCount; ++i) Add(kHLabelDefaults[i].key, kHLabelDefaults[i].text);
    }
};

class CMessages : public CDefaultFilledList, public CKeyedTexts<kMessages> {
public:
    CMessages() { FillDefaults(); }
    void FillDefaults() override {
        for (int32_t i = 0; i < kMessageDefaultCount; ++i) Add(kMessageDefaults[i].key, kMessageDefaults[i].text);
    }
};

// The library's one message table, built on first use.
CMessages& Messages();
