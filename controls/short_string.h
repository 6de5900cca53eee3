// Length-prefixed heap strings.
#pragma once
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
