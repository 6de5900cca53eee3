// Small shared services: length-prefixed heap strings, .bmp loading, HLS colours, window centring,
// and one argument put into a translated text.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

// A heap string with a length byte in front: byte 0 holds min(length, 255), the text follows
// zero-terminated and is never cut.
class ShortString {
public:
    ShortString();
    ~ShortString();
    ShortString(const ShortString&) = delete;
    ShortString& operator=(const ShortString&) = delete;

    // Replaces the text; null counts as empty. Returns 0 (text unchanged) when memory runs out.
    int Assign(const char* text);
    // Copies the whole text with its terminator; the buffer must hold Length() + 1 bytes.
    void CopyTo(char* buffer) const;

    const char* Text() const { return m_block ? reinterpret_cast<const char*>(m_block + 1) : ""; }
    size_t Length() const;
    uint8_t LengthByte() const { return m_block ? m_block[0] : 0; }
    const uint8_t* Block() const { return m_block; }

private:
    uint8_t* m_block;  // null only when even the empty block could not be allocated
};

// Reads a .bmp file (with or without its 14-byte file header; 40-byte or 12-byte bitmap header)
// into a bitmap for the screen. The caller deletes it. Returns 0 on any failure.
HBITMAP LoadDibFile(const char* path);
// The same loader over a file image held in memory.
HBITMAP LoadDibMemory(const void* data, size_t size);

// Packed HLS: bits 0-7 saturation, 8-15 lightness, 16-23 hue, each 0-240.
constexpr uint32_t PackHls(int hue, int lightness, int saturation) {
    return (uint32_t(hue) << 16) | (uint32_t(lightness) << 8) | uint32_t(saturation);
}
uint32_t RgbToHls(COLORREF color);
COLORREF HlsToRgb(uint32_t hls);

// Centres the window on the primary screen, keeping it on screen at the top-left; size, z-order
// and activation stay as they are.
void CenterWindowOnScreen(HWND hwnd);

// Puts one argument into a translated text that stands where a format of the program's own would.
// The text is never handed to printf: its first conversion of the argument's kind ("%d", "%i",
// "%u", "%x", "%X", "%o" for a number, "%s" for a string, with flags, width, precision and
// length as a format allows) takes the argument, formatted by a format rebuilt from checked
// parts; "%%" gives "%"; every other "%" sequence ("%n", a second "%s", "%*d") stays as plain
// text. Writes at most size - 1 characters and the terminator; returns the length written.
size_t FormatKeyedText(char* out, size_t size, const char* text, long number);
size_t FormatKeyedText(char* out, size_t size, const char* text, const char* string);
