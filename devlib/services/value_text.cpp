// Number texts for the library's value fields.
#include "devlib/services/value_text.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t kMaxDigits = 31;
constexpr int32_t kMaxText = 160;
constexpr double kLogZero = 1e-10;  // a logarithm this close to 0 counts as 0

// The significant digits of value (positive or 0) and its decimal exponent.
struct stDigits {
    char d[kMaxDigits + 1];
    int32_t count;
    int32_t exponent;
};

// The digits of a positive value, rounded in their last place.
stDigits MakeDigits(double value, int32_t digits, uint32_t flags) {
    stDigits out{};
    int32_t e = 0;
    if (value != 0) {
        double lg = std::log10(value);
        if (std::fabs(lg) < kLogZero) lg = 0;
        e = static_cast<int32_t>(std::floor(lg));
    }
    int32_t significant = (flags & kFmtFixedDecimals) ? digits + 1 + e : digits;
    if ((flags & kFmtFixedDecimals) && significant < 1) {
        value = 0;  // too small for the places asked for: it prints as 0
        e = 0;
        significant = digits + 1;
    }
    significant = significant < 1 ? 1 : significant > kMaxDigits ? kMaxDigits : significant;
    double m = value != 0 ? value / std::pow(10.0, e) : 0.0;
    m += 0.5 * std::pow(10.0, 1 - significant);
    if (m >= 10) {
        m /= 10;
        ++e;
        if (flags & kFmtFixedDecimals) significant = significant + 1 > kMaxDigits ? kMaxDigits : significant + 1;
    }
    for (int32_t i = 0; i < significant; ++i) {
        int digit = static_cast<int>(m);
        digit = digit < 0 ? 0 : digit > 9 ? 9 : digit;
        out.d[i] = static_cast<char>('0' + digit);
        m = (m - digit) * 10;
    }
    out.count = significant;
    if (!(flags & kFmtFixedDecimals)) {
        while (out.count > 1 && out.d[out.count - 1] == '0') --out.count;
    }
    out.exponent = e;
    return out;
}

bool IsZero(const stDigits& n) {
    for (int32_t i = 0; i < n.count; ++i) {
        if (n.d[i] != '0') return false;
    }
    return true;
}

// "E", the exponent's sign and digits.
void ExponentText(int32_t e, uint32_t flags, char* out, size_t size) {
    std::snprintf(out, size, "E%s%d", e < 0 ? "-" : (flags & kFmtPlusSign) ? "+" : "", e < 0 ? -e : e);
}

// Exponent form when asked for, when the plain form cannot fit, or when it is shorter.
bool WantsExponent(const stDigits& n, int32_t width, int32_t signLength, uint32_t flags, int32_t exponentLength) {
    const int32_t e = n.exponent;
    if ((flags & kFmtExponent) || e > width - 2 - signLength) return true;
    if (flags & (kFmtFixedDecimals | kFmtNoExponent)) return false;
    if (e >= 0) return n.count + exponentLength <= e;
    return exponentLength < -e + 1;
}

// Digits with the decimal point in its place, zeros filled up to it or after "0.".
void PlainText(const stDigits& n, char* out) {
    int32_t at = 0;
    const int32_t e = n.exponent;
    if (e >= 0) {
        for (int32_t i = 0; i <= e && at < kMaxText - 2; ++i) out[at++] = i < n.count ? n.d[i] : '0';
        if (n.count > e + 1) {
            out[at++] = '.';
            for (int32_t i = e + 1; i < n.count && at < kMaxText - 1; ++i) out[at++] = n.d[i];
        }
    } else {
        out[at++] = '0';
        out[at++] = '.';
        for (int32_t i = 1; i < -e && at < kMaxText - 1; ++i) out[at++] = '0';
        for (int32_t i = 0; i < n.count && at < kMaxText - 1; ++i) out[at++] = n.d[i];
    }
    out[at] = '\0';
}

// d.ddd and the exponent, the mantissa cut to the room left; "BIG" or "SMALL" when no digit fits.
void ExponentForm(const stDigits& n, const char* exponent, int32_t room, char* out) {
    const int32_t exponentLength = static_cast<int32_t>(strlen(exponent));
    if (1 + exponentLength > room) {
        lstrcpyA(out, n.exponent > 0 ? "BIG" : "SMALL");
        return;
    }
    int32_t count = n.count;
    while (count > 1 && count + 1 + exponentLength > room) --count;
    int32_t at = 0;
    out[at++] = n.d[0];
    if (count > 1) {
        out[at++] = '.';
        for (int32_t i = 1; i < count; ++i) out[at++] = n.d[i];
    }
    out[at] = '\0';
    lstrcatA(out, exponent);
}

// Pads text to the flags' alignment inside width characters.
void Align(char* text, int32_t width, uint32_t flags, bool plain) {
    int32_t length = static_cast<int32_t>(strlen(text));
    int32_t lead = 0;
    if (flags & kFmtRightAlign) {
        lead = width - length;
    } else if ((flags & kFmtAlignPoint) && plain) {
        const char* point = strchr(text, '.');
        lead = width / 2 - static_cast<int32_t>(point ? point - text : length);
    }
    if (lead > 0 && length + lead <= width) {
        memmove(text + lead, text, static_cast<size_t>(length) + 1);
        memset(text, ' ', static_cast<size_t>(lead));
        length += lead;
    }
    if (flags & kFmtPadRight) {
        while (length < width - 1) text[length++] = ' ';
        text[length] = '\0';
    }
}

}  // namespace

// A number for the library's value fields: significant digits or fixed decimals, plain or exponent form.
int32_t FormatValueText(int32_t width, int32_t digits, uint32_t flags, double value, char* buffer) {
    if (!buffer) return 0;
    buffer[0] = '\0';
    if (width <= 0) return 0;
    if (width > kMaxText / 2) width = kMaxText / 2;
    char text[kMaxText] = "";
    bool plain = false;
    if (!std::isfinite(value)) {
        lstrcpyA(text, std::isnan(value) ? "?" : value < 0 ? "-BIG" : "BIG");
    } else {
        const char* sign = value < 0 ? "-" : (flags & kFmtPlusSign) ? "+" : "";
        stDigits n = MakeDigits(std::fabs(value), digits, flags);
        if (value < 0 && IsZero(n)) sign = "";  // a value that prints as 0 carries no minus
        const int32_t signLength = static_cast<int32_t>(strlen(sign));
        char exponent[16];
        ExponentText(n.exponent, flags, exponent, sizeof(exponent));
        lstrcpyA(text, sign);
        if (WantsExponent(n, width, signLength, flags, static_cast<int32_t>(strlen(exponent)))) {
            ExponentForm(n, exponent, width - signLength, text + signLength);
        } else {
            PlainText(n, text + signLength);
            plain = true;
        }
    }
    text[width] = '\0';
    Align(text, width, flags, plain);
    lstrcpynA(buffer, text, width + 1);
    return static_cast<int32_t>(strlen(buffer));
}
