// One argument put into a translated text.
#include "controls/keyed_format.h"

#include <cstdio>
#include <cstring>

namespace {

// A conversion read from a translated text: the format it may be rebuilt as, and its letter.
struct KeyedConversion {
    char format[16];  // "%", flags, width, precision, the argument's own length, letter
    size_t length;    // characters it takes in the text
    char letter;
};

// Reads the conversion at text[0] == '%'; false when it is not one a format of ours would hold.
bool ReadConversion(const char* text, bool numeric, KeyedConversion* conv) {
    size_t i = 1;
    size_t n = 0;
    conv->format[n++] = '%';
    for (int flags = 0; flags < 5 && text[i] && std::strchr("-+ #0", text[i]); ++flags) conv->format[n++] = text[i++];
    // Widths and precisions of up to three digits; a "*" would read an argument that is not there.
    for (int digits = 0; text[i] >= '0' && text[i] <= '9'; ++digits) {
        if (digits == 3) return false;
        conv->format[n++] = text[i++];
    }
    if (text[i] == '.') {
        conv->format[n++] = text[i++];
        for (int digits = 0; text[i] >= '0' && text[i] <= '9'; ++digits) {
            if (digits == 3) return false;
            conv->format[n++] = text[i++];
        }
    }
    while (text[i] == 'l' || text[i] == 'h') ++i;  // the argument's own width is ours to give
    const char letter = text[i];
    if (!letter || !std::strchr(numeric ? "diuxXo" : "s", letter)) return false;
    if (numeric) conv->format[n++] = 'l';
    conv->format[n++] = letter;
    conv->format[n] = 0;
    conv->length = i + 1;
    conv->letter = letter;
    return true;
}

// Copies the text, replacing its first fitting conversion with the argument.
template <typename Put>
size_t FormatOne(char* out, size_t size, const char* text, bool numeric, Put put) {
    if (!out || size == 0) return 0;
    size_t n = 0;
    bool used = false;
    auto append = [&](const char* piece, size_t count) {
        const size_t room = size - 1 - n;
        if (count > room) count = room;
        std::memcpy(out + n, piece, count);
        n += count;
    };
    for (const char* p = text ? text : ""; *p && n < size - 1;) {
        KeyedConversion conv;
        if (p[0] == '%' && p[1] == '%') {
            append("%", 1);
            p += 2;
        } else if (p[0] == '%' && !used && ReadConversion(p, numeric, &conv)) {
            char piece[288];
            const int written = put(piece, sizeof piece, conv);
            if (written > 0) append(piece, static_cast<size_t>(written) < sizeof piece ? written : sizeof piece - 1);
            used = true;
            p += conv.length;
        } else {
            append(p, 1);
            ++p;
        }
    }
    out[n] = 0;
    return n;
}

}  // namespace

size_t FormatKeyedText(char* out, size_t size, const char* text, long number) {
    return FormatOne(out, size, text, true, [number](char* piece, size_t room, const KeyedConversion& conv) {
        if (conv.letter == 'd' || conv.letter == 'i') return std::snprintf(piece, room, conv.format, number);
        return std::snprintf(piece, room, conv.format, static_cast<unsigned long>(number));
    });
}

size_t FormatKeyedText(char* out, size_t size, const char* text, const char* string) {
    return FormatOne(out, size, text, false, [string](char* piece, size_t room, const KeyedConversion& conv) {
        return std::snprintf(piece, room, conv.format, string ? string : "");
    });
}
