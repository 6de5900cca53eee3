// Text files of number columns: one column per channel, one line per sample. The reader takes a
// memory buffer (the file is read whole first), so that the same code serves files, tests and
// the fuzz driver; the writer writes into a byte writer.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <vector>

struct tagGS;
class CByteWriter;

// Column delimiters: tab, comma, space, or none (values are runs of number characters).
constexpr uint32_t kTextTab = 0, kTextComma = 1, kTextSpace = 2, kTextNoDelimiter = 3;
// The character of each delimiter before kTextNoDelimiter.
constexpr char kDelimiterChars[] = {'\t', ',', ' '};
constexpr int kTextMaxColumns = 59;   // column k goes into channel slot k
constexpr size_t kTextLineBytes = 511;  // a longer line is cut there and its rest read as the next line

// The reader's options, program-wide, set by the Read Text Options dialog.
struct stTextReadOptions {
    int32_t startLine = 1;  // lines before it are headers
    int32_t endLine = 0;    // 0: to the end of the file; else lines startLine .. endLine
    uint32_t delimiter = kTextTab;
    double interval = 10.0;  // ms per sample, or kHz with the frequency flag
    uint32_t frequency = 0;
};
// The writer's options, program-wide, set by the Save Options dialog.
struct stTextSaveOptions {
    uint32_t header = 0;
    uint32_t hScale = 0;  // a first column of horizontal positions
    uint32_t delimiter = kTextTab;
};
extern stTextReadOptions g_textRead;
extern stTextSaveOptions g_textSave;

// What parsing gave: the values of columns 1..columns, each as long as its fields.
struct stTextColumns {
    int columns = 0;
    std::vector<double> values[kTextMaxColumns];
    uint32_t dataLines = 0;
    uint32_t badLine = 0;     // the line number of a field that is not a number
    bool outOfMemory = false;  // the read ended early; what was read stays
    bool cancelled = false;    // Escape ended the read
};
enum class TextParse { Read, TooManyColumns, Empty, NotNumber };

// Pure parse of a buffer (any bytes; never read past size). poll, when given, is called every 64
// data lines with their count and ends the read, keeping what was read, when it answers true.
TextParse ParseTextColumns(const char* data, size_t size, const stTextReadOptions& options, stTextColumns* out,
                           bool (*poll)(uint32_t lines) = nullptr);

// Fills the document from a buffer with the program-wide read options. Null when read; otherwise
// the reason, with the document untouched: kTextRefusalTooMany (a string-table message), or the
// key of a keyed message. *line receives the line of a field that is not a number.
extern const char* const kTextRefusalTooMany;
extern const char* const kKeyTextEmpty;
extern const char* const kKeyTextNotNumber;
const char* ReadTextBuffer(tagGS* gs, const void* data, size_t size, uint32_t* line);

// Writes the document (or its selection) as text with the program-wide save options; 1 written.
int WriteTextStream(tagGS* gs, CByteWriter& out, int selectionOnly);

// The sample index range [first, last) a text file of the document holds.
void TextSampleRange(const tagGS* gs, int selectionOnly, int32_t* first, int32_t* last);

// ---- The option dialogs ----

// Units of the Read Text Options dialog, in list order; the frequency units come after index 2.
enum TextUnit { kUnitMicrosecond, kUnitMillisecond, kUnitSecond, kUnitMHz, kUnitKHz, kUnitHz };
// The typed interval in a unit as the stored one: milliseconds, or kilohertz for a frequency.
double TextIntervalFromUnit(double shown, int unit);
// The unit the stored interval is shown in, and its value there: the unit that keeps it between
// 1 and 1000 where one does.
void TextIntervalToUnit(double interval, uint32_t frequency, double* shown, int* unit);

// The Read Text Options dialog: 1 when OK changed the options.
int DoReadTextOptions(HWND owner);
// The File Open dialog's hook: its "Options..." button opens the dialog above while the text
// file type (3) is chosen.
UINT_PTR CALLBACK TextOpenHookProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
constexpr DWORD kOpenTypeText = 3;
// The Save Options dialog: layout 1 shows every option, 0 only "Selected section only". OK stores
// the check boxes (the selection flag into *selectionOnly) and, when shown, the delimiter.
int DoSaveTextOptions(HWND owner, int layout, int* selectionOnly);
