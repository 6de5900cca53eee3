// Reading a text file of number columns into a graph document.
#include "documents/text/text_file.h"
#include "common/tagGS.h"
#include "base/app.h"
#include "base/locked_block.h"
#include "base/notify.h"
#include "base/resource.h"
#include "documents/documents_ids.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

stTextReadOptions g_textRead;
stTextSaveOptions g_textSave;

const char* const kTextRefusalTooMany = "Too many data channels in file";
const char* const kKeyTextEmpty = "KEY Text file empty";
const char* const kKeyTextNotNumber = "KEY Text file not a number";

namespace {

const char kNumberChars[] = "0123456789.+-Ee";
constexpr uint32_t kPollEveryLines = 64;
constexpr char kUtf8Mark[3] = {'\xEF', '\xBB', '\xBF'};

bool IsNumberChar(char c) { return c != 0 && std::strchr(kNumberChars, c) != nullptr; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// One line of the buffer: up to and including its line end, at most kTextLineBytes bytes; the
// last line needs none. A line ends with LF, with CRs and LF, or (as some editors save) with a
// lone CR. The text excludes the line end.
struct Line {
    const char* text;
    size_t length;
};

class LineSource {
public:
    LineSource(const char* data, size_t size) : m_data(data), m_size(size) {}
    bool Next(Line* line) {
        if (m_pos >= m_size) return false;
        const size_t room = std::min(m_size - m_pos, kTextLineBytes);
        const char* start = m_data + m_pos;
        size_t length = 0;
        while (length < room && start[length] != '\n' && start[length] != '\r') ++length;
        size_t taken = length;
        if (taken < room) {
            // CRs before an LF end the line with it; a CR that no LF follows ends it alone.
            size_t crs = 0;
            while (taken + crs < room && start[taken + crs] == '\r') ++crs;
            const bool lf = taken + crs < room && start[taken + crs] == '\n';
            taken += lf ? crs + 1 : 1;
        }
        m_pos += taken;
        *line = Line{start, length};
        return true;
    }

private:
    const char* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

bool IsBlankLine(const Line& line) {
    for (size_t i = 0; i < line.length; ++i)
        if (!IsBlank(line.text[i])) return false;
    return true;
}

// A field's value: blanks around a finite decimal number and nothing else.
bool FieldValue(const char* text, size_t length, double* out) {
    char field[kTextLineBytes + 1];
    size_t a = 0, b = length;
    while (a < b && IsBlank(text[a])) ++a;
    while (b > a && IsBlank(text[b - 1])) --b;
    if (a == b) return false;
    std::memcpy(field, text + a, b - a);
    field[b - a] = 0;
    // Decimal numbers only: no hexadecimal, infinity or not-a-number spellings.
    for (size_t i = 0; i < b - a; ++i)
        if (!IsNumberChar(field[i])) return false;
    char* end = nullptr;
    *out = std::strtod(field, &end);
    return end == field + (b - a) && std::isfinite(*out);
}

// Splits a line into its fields: delimited, or the runs of number characters.
template <typename Fn>
void ForEachField(const Line& line, uint32_t mode, Fn fn) {
    const char* p = line.text;
    const char* end = line.text + line.length;
    if (mode == kTextNoDelimiter) {
        while (p < end) {
            while (p < end && !IsNumberChar(*p)) ++p;
            const char* start = p;
            while (p < end && IsNumberChar(*p)) ++p;
            if (p > start && !fn(start, static_cast<size_t>(p - start))) return;
        }
        return;
    }
    const char d = kDelimiterChars[mode];
    for (;;) {
        const char* stop = static_cast<const char*>(std::memchr(p, d, static_cast<size_t>(end - p)));
        if (!stop) stop = end;
        if (!fn(p, static_cast<size_t>(stop - p))) return;
        if (stop == end) return;
        p = stop + 1;
        if (p == end) return;  // a delimiter that ends the line opens no field
    }
}

// The number of columns the first data line gives.
int CountColumns(const Line& line, uint32_t mode) {
    int n = 0;
    ForEachField(line, mode, [&](const char*, size_t) {
        ++n;
        return n <= kTextMaxColumns;
    });
    return n;
}

}  // namespace

TextParse ParseTextColumns(const char* data, size_t size, const stTextReadOptions& options, stTextColumns* out,
                           bool (*poll)(uint32_t lines)) {
    *out = stTextColumns{};
    const uint32_t mode = options.delimiter <= kTextNoDelimiter ? options.delimiter : kTextTab;
    // Editors that save UTF-8 may put a byte-order mark before the first line.
    if (size >= sizeof kUtf8Mark && std::memcmp(data, kUtf8Mark, sizeof kUtf8Mark) == 0) {
        data += sizeof kUtf8Mark;
        size -= sizeof kUtf8Mark;
    }
    LineSource lines(data, size);
    Line line{};
    uint32_t number = 0;  // the number of the line in hand, from 1
    for (int32_t skip = 1; skip < options.startLine; ++skip, ++number)
        if (!lines.Next(&line)) return TextParse::Empty;
    bool any = false;
    while (lines.Next(&line)) {
        ++number;
        if (IsBlankLine(line)) continue;
        if (out->columns == 0) {
            out->columns = CountColumns(line, mode);
            if (out->columns > kTextMaxColumns) {
                *out = stTextColumns{};
                return TextParse::TooManyColumns;
            }
        }
        int column = 0;
        bool bad = false;
        ForEachField(line, mode, [&](const char* text, size_t length) {
            if (column >= out->columns) return false;  // fields past the first line's columns
            std::vector<double>& values = out->values[column++];
            bool empty = true;
            for (size_t i = 0; i < length && empty; ++i) empty = IsBlank(text[i]);
            if (empty) return true;  // this column gets no value from the line
            double v = 0.0;
            if (!FieldValue(text, length, &v)) {
                bad = true;
                return false;
            }
            try {
                values.push_back(v);
            } catch (const std::bad_alloc&) {
                out->outOfMemory = true;
                return false;
            }
            any = true;
            return true;
        });
        if (bad) {
            const uint32_t at = number;
            *out = stTextColumns{};
            out->badLine = at;
            return TextParse::NotNumber;
        }
        if (out->outOfMemory) break;
        ++out->dataLines;
        if (poll && out->dataLines % kPollEveryLines == 0 && poll(out->dataLines)) {
            out->cancelled = true;
            break;
        }
        // With an end line, the lines up to it are read (at least one data line).
        if (options.endLine > 0 && number >= static_cast<uint32_t>(options.endLine)) break;
    }
    if (!any) {
        *out = stTextColumns{};
        return TextParse::Empty;
    }
    return TextParse::Read;
}

namespace {

// Progress in the status line; Escape ends the read with what was read so far.
bool ShowProgressAndAskEscape(uint32_t lines) {
    notify::SetStatusTextFmt("Reading text file: %lu lines. Press ESC to cancel", static_cast<int32_t>(lines));
    return IsEscapeKeyDown();
}

// The columns become the document's channels 1..N, each a block of doubles.
bool StoreColumns(tagGS* gs, stTextColumns& cols) {
    void* blocks[kTextMaxColumns + 1] = {};
    bool memory = true;
    for (int c = 1; c <= cols.columns && memory; ++c) {
        const std::vector<double>& v = cols.values[c - 1];
        if (v.empty()) continue;
        blocks[c] = AllocLockedBlock(v.size() * sizeof(double));
        if (!blocks[c]) memory = false;
        else std::memcpy(blocks[c], v.data(), v.size() * sizeof(double));
    }
    uint32_t longest = 0;
    for (int c = 1; c <= kTextMaxColumns; ++c) {
        FreeLockedBlock(gs->chanBlock[c]);
        gs->chanFlags[c] = 0;
        gs->chanCount[c] = 0;
        if (!blocks[c]) continue;
        gs->chanBlock[c] = blocks[c];
        gs->chanCount[c] = static_cast<uint32_t>(cols.values[c - 1].size());
        gs->chanType[c] = kTypeDouble;
        gs->chanBytes[c] = sizeof(double);
        gs->chanFlags[c] = 2;
        longest = std::max(longest, gs->chanCount[c]);
    }
    gs->totalSamples = static_cast<int32_t>(std::min<uint32_t>(longest, 0x7FFFFFFF));
    for (int c = 1; c <= kTextMaxColumns; ++c)
        if (gs->chanFlags[c] & kChanSlotMask) {
            gs->selectedChan = static_cast<uint32_t>(c);
            break;
        }
    gs->sampleInterval = g_textRead.interval;
    gs->hUnitKind = g_textRead.frequency ? kHUnitFrequency : kHUnitTime;
    gs->storageKind = kStoreMemory;
    return memory;
}

}  // namespace

const char* ReadTextBuffer(tagGS* gs, const void* data, size_t size, uint32_t* line) {
    stTextColumns cols;
    const TextParse result = ParseTextColumns(static_cast<const char*>(data), size, g_textRead, &cols,
                                              g_app ? ShowProgressAndAskEscape : nullptr);
    if (line) *line = cols.badLine;
    switch (result) {
    case TextParse::TooManyColumns: return kTextRefusalTooMany;
    case TextParse::Empty: return kKeyTextEmpty;
    case TextParse::NotNumber: return kKeyTextNotNumber;
    case TextParse::Read: break;
    }
    if (!StoreColumns(gs, cols)) cols.outOfMemory = true;
    // What was read before memory ran out stays.
    if (cols.outOfMemory && g_app) ShowSelectionError(g_app->hwndFrame, IDS_NO_MEMORY, "reading file");
    return nullptr;
}

namespace {
// Why the file was refused, in a box; a line number goes into the texts that name one.
void ShowTextRefusal(const char* refusal, uint32_t line) {
    HWND owner = Owner();
    if (refusal == kTextRefusalTooMany) {
        MessageBoxFromStringTable(owner, MB_OK | MB_ICONEXCLAMATION, IDS_TOO_MANY_CHANNELS);
        return;
    }
    char text[512];
    FormatKeyedText(text, sizeof text, Keyed(refusal), static_cast<unsigned long>(line));
    MessageBoxA(owner, text, ProgramTitle(),
                MB_OK | MB_ICONEXCLAMATION);
}
}  // namespace

int ReadTextFile(tagGS* gs, HANDLE* file, int quiet) {
    LARGE_INTEGER size{}, here{}, zero{};
    if (!GetFileSizeEx(*file, &size) || !SetFilePointerEx(*file, zero, &here, FILE_CURRENT)) return 0;
    const uint64_t bytes = static_cast<uint64_t>(size.QuadPart - std::min(here.QuadPart, size.QuadPart));
    std::vector<char> buffer;
    try {
        buffer.resize(static_cast<size_t>(bytes));
    } catch (const std::bad_alloc&) {
        ShowSelectionError(Owner(), IDS_NO_MEMORY, "reading file");
        return 0;
    }
    size_t got = 0;
    while (got < buffer.size()) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(buffer.size() - got, 1u << 20));
        if (!ReadFile(*file, buffer.data() + got, want, &n, nullptr) || n == 0) break;
        got += n;
    }
    CloseHandle(*file);
    *file = INVALID_HANDLE_VALUE;
    uint32_t line = 0;
    const char* refusal = ReadTextBuffer(gs, buffer.data(), got, &line);
    notify::SetStatusText("Ready");
    if (refusal && !quiet) ShowTextRefusal(refusal, line);
    return refusal ? 0 : 1;
}
