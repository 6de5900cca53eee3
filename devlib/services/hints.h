// The journal tool strip's tooltip texts, translatable, and the bitmaps the library's buttons
// share. Both are single exported objects.
#pragma once

#include <windows.h>

#include <cstdint>

#include "devlib/vk40.h"

struct tagLUMIKEY;

class VK40_CLASS CJnlHintText {
public:
    static constexpr int kEntries = 7;
    static constexpr int kTextSize = 64;

    CJnlHintText();
    // Gives each journal button whose tip is a key the key's translated text.
    void TranslateAll(HWND toolStrip);
    // 1, or 0 when the key is missing.
    int SetText(const char* key, const char* text);

private:
    struct stEntry {
        HWND button;
        char key[kTextSize];
        char text[kTextSize];
    };
    int FindKey(const char* key) const;
    static tagLUMIKEY* GetLKBtn(HWND button);

    stEntry m_entries[kEntries];
};

extern VK40_CLASS CJnlHintText m_JnlHintText;
