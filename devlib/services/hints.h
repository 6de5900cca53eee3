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

enum EMLBITMAP : int32_t {
    MLBMP_START_IDLE = 0,
    MLBMP_START_RUNNING = 1,
    MLBMP_PLAYBACK_IDLE = 2,
    MLBMP_PLAYBACK_RUNNING = 3,
    MLBMP_TOGGLE_ON = 4,
    MLBMP_TOGGLE_OFF = 5,
    MLBMP_EXTRA = 6,
    MLBMP_COUNT = 7
};

class VK40_CLASS CMLBitmap {
public:
    CMLBitmap();
    ~CMLBitmap();
    CMLBitmap(const CMLBitmap&) = delete;
    CMLBitmap& operator=(const CMLBitmap&) = delete;

    void InitFromResource();
    // The new bitmap, or null with the slot unchanged.
    HBITMAP LoadNewImage(EMLBITMAP image, const char* file);
    // asButton: the Lumikey enabled bitmap, else BM_SETIMAGE. Returns the message result.
    LRESULT SetBitmap(HWND window, EMLBITMAP image, int asButton);
    HBITMAP Get(EMLBITMAP image) const;

private:
    static uint16_t GetResource(EMLBITMAP image);

    HBITMAP m_bitmaps[MLBMP_COUNT];
};

extern VK40_CLASS CJnlHintText m_JnlHintText;
extern VK40_CLASS CMLBitmap m_MLBitmap;
