// Arguments put into a translated text. Header only: the program and the device library both
// show keyed texts, and neither links the other.
#pragma once
#include <cstddef>
#include <cstdio>
#include <cstring>

// One argument for a keyed text: a whole number, a real number, a string or a character. Wider
// numbers (64-bit) have no constructor, so a caller says which width the text shows.
class KeyedArg {
public:
    enum Kind { kNone, kNumber, kReal, kString, kChar };
    KeyedArg() = default;
    KeyedArg(int v) : kind_(kNumber), number_(v) {}
    KeyedArg(long v) : kind_(kNumber), number_(v) {}
    KeyedArg(unsigned v) : kind_(kNumber), number_(static_cast<long>(v)) {}
    KeyedArg(unsigned long v) : kind_(kNumber), number_(static_cast<long>(v)) {}
    KeyedArg(double v) : kind_(kReal), real_(v) {}
    KeyedArg(const char* v) : kind_(kString), string_(v ? v : "") {}
    KeyedArg(char v) : kind_(kChar), number_(static_cast<unsigned char>(v)) {}

    Kind kind() const { return kind_; }
    // The conversion letters a text may take this argument with.
    const char* Letters() const {
        switch (kind_) {
        case kNumber: return "diuxXo";
        case kReal: return "fFeEgG";
        case kString: return "s";
        case kChar: return "c";
        default: return "";
        }
    }
    // Formats the argument by a format rebuilt from checked parts (see keyedformat::Read).
    int Put(char* out, size_t size, const char* format, char letter) const {
        switch (kind_) {
        case kNumber:
            if (letter == 'd' || letter == 'i') return std::snprintf(out, size, format, number_);
            return std::snprintf(out, size, format, static_cast<unsigned long>(number_));
        case kReal: return std::snprintf(out, size, format, real_);
        case kString: return std::snprintf(out, size, format, string_);
        case kChar: return std::snprintf(out, size, format, static_cast<int>(number_));
        default: return 0;
        }
    }

private:
    Kind kind_ = kNone;
    long number_ = 0;
    double real_ = 0;
    const char* string_ = "";
};

namespace keyedformat {

// A conversion read from a translated text: the format it may be rebuilt as, and its letter.
struct Conversion {
    char format[16];  // "%", flags, width, precision, the argument's own length, letter
    size_t length;    // characters it takes in the text
    char letter;
};

// Reads the conversion at text[0] == '%'; false when it is not one a format of ours would hold
// for this argument.
inline bool Read(const char* text, const KeyedArg& arg, Conversion* conv) {
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
    while (text[i] == 'l' || text[i] == 'h' || text[i] == 'L') ++i;  // the argument's own width is ours to give
    const char letter = text[i];
    if (!letter || !std::strchr(arg.Letters(), letter)) return false;
    if (arg.kind() == KeyedArg::kNumber) conv->format[n++] = 'l';
    conv->format[n++] = letter;
    conv->format[n] = 0;
    conv->length = i + 1;
    conv->letter = letter;
    return true;
}

}  // namespace keyedformat

// Puts arguments into a translated text that stands where a format of the program's own would.
// The text is never handed to printf: its conversions are matched to the arguments in order, each
// argument taken by the next conversion that fits its kind ("%d", "%i", "%u", "%x", "%X", "%o"
// for a number, "%f", "%e", "%g" for a real, "%s" for a string, "%c" for a character, with flags,
// width, precision and length as a format allows), formatted by a format rebuilt from checked
// parts; "%%" gives "%"; every other "%" sequence ("%n", a "%s" with no string left, "%*d") stays
// as plain text. Writes at most size - 1 characters and the terminator; returns the length written.
inline size_t FormatKeyedArgs(char* out, size_t size, const char* text, const KeyedArg* args, size_t count) {
    if (!out || size == 0) return 0;
    size_t n = 0;
    size_t next = 0;
    auto append = [&](const char* piece, size_t length) {
        const size_t room = size - 1 - n;
        if (length > room) length = room;
        std::memcpy(out + n, piece, length);
        n += length;
    };
    for (const char* p = text ? text : ""; *p && n < size - 1;) {
        keyedformat::Conversion conv;
        if (p[0] == '%' && p[1] == '%') {
            append("%", 1);
            p += 2;
        } else if (p[0] == '%' && next < count && keyedformat::Read(p, args[next], &conv)) {
            char piece[288];
            const int written = args[next].Put(piece, sizeof piece, conv.format, conv.letter);
            if (written > 0) append(piece, static_cast<size_t>(written) < sizeof piece ? written : sizeof piece - 1);
            ++next;
            p += conv.length;
        } else {
            append(p, 1);
            ++p;
        }
    }
    out[n] = 0;
    return n;
}

template <typename... Args>
size_t FormatKeyedText(char* out, size_t size, const char* text, Args... args) {
    const KeyedArg list[sizeof...(Args) + 1] = {KeyedArg(args)..., KeyedArg()};
    return FormatKeyedArgs(out, size, text, list, sizeof...(Args));
}
