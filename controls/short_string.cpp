// Length-prefixed heap strings.
#include "controls/short_string.h"

#include <cstdlib>
#include <cstring>

static constexpr size_t kMaxLengthByte = 255;

ShortString::ShortString() : m_block(static_cast<uint8_t*>(std::calloc(2, 1))) {}

ShortString::~ShortString() { std::free(m_block); }

size_t ShortString::Length() const {
    // The length byte saturates at 255, so long texts are measured.
    if (!m_block) return 0;
    return m_block[0] < kMaxLengthByte ? m_block[0] : std::strlen(Text());
}

int ShortString::Assign(const char* text) {
    if (!text) text = "";
    if (m_block && (text == reinterpret_cast<const char*>(m_block) || text == Text())) return 1;
    const size_t length = std::strlen(text);
    // The new block is filled before the old one is freed, so a text inside it copies safely.
    auto* block = static_cast<uint8_t*>(std::malloc(length + 2));
    if (!block) return 0;
    block[0] = static_cast<uint8_t>(length < kMaxLengthByte ? length : kMaxLengthByte);
    std::memcpy(block + 1, text, length + 1);
    std::free(m_block);
    m_block = block;
    return 1;
}

void ShortString::CopyTo(char* buffer) const {
    if (buffer) std::memcpy(buffer, Text(), Length() + 1);
}
