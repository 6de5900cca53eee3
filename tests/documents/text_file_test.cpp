// Text files of number columns: the parser over buffers (delimiters, header lines, end lines,
// ragged, short and unterminated lines, refusals), the document it fills, the writer's exact
// bytes and ranges, and documents written and read back.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>
#include "tests/documents/test_doc.h"
#include "tests/shell/box_capture.h"
#include "documents/text/text_file.h"
#include "base/app.h"
#include "base/byte_stream.h"
#include "documents/documents_ids.h"
#include <commdlg.h>
#include <functional>

namespace {

using Columns = std::vector<std::vector<double>>;

// The program-wide options, back to their start values after each test.
struct OptionsScope {
    stTextReadOptions read = g_textRead;
    stTextSaveOptions save = g_textSave;
    ~OptionsScope() {
        g_textRead = read;
        g_textSave = save;
    }
};

Columns ColumnsOf(const stTextColumns& c) {
    Columns out;
    for (int i = 0; i < c.columns; ++i) out.push_back(c.values[i]);
    return out;
}

struct ParseCase {
    const char* name;
    std::string text;
    uint32_t delimiter;
    int32_t startLine, endLine;
    TextParse result;
    Columns columns;
};

TEST(TextParse, LinesBecomeColumnsWhateverTheirEndsAndLengths) {
    const ParseCase cases[] = {
        {"tab, CR LF", "1\t2\r\n3\t4\r\n", kTextTab, 1, 0, TextParse::Read, {{1, 3}, {2, 4}}},
        {"a delimiter ending the line adds no column", "1\t2\t\r\n3\t4\t\r\n", kTextTab, 1, 0, TextParse::Read,
         {{1, 3}, {2, 4}}},
        {"LF-only lines keep every field", "1\t2\t3\n4\t5\t6\n", kTextTab, 1, 0, TextParse::Read, {{1, 4}, {2, 5}, {3, 6}}},
        {"LF-only lines with a closing delimiter", "1,2,\n3,4,\n", kTextComma, 1, 0, TextParse::Read, {{1, 3}, {2, 4}}},
        {"a last line without a line end is read", "1\t2\r\n3\t4", kTextTab, 1, 0, TextParse::Read, {{1, 3}, {2, 4}}},
        {"a single unterminated line", "42", kTextTab, 1, 0, TextParse::Read, {{42}}},
        {"an empty middle field gives that column nothing", "1,,3\r\n4,5,6\r\n", kTextComma, 1, 0, TextParse::Read,
         {{1, 4}, {5}, {3, 6}}},
        {"a short line after a long one takes nothing left from it", "10\t20\t30\n7\n8\t9\n", kTextTab, 1, 0,
         TextParse::Read, {{10, 7, 8}, {20, 9}, {30}}},
        {"fields past the first line's columns are left out", "1\t2\n3\t4\t5\t6\n", kTextTab, 1, 0, TextParse::Read,
         {{1, 3}, {2, 4}}},
        {"space delimiter", "1.5 -2\n2.5 1e3\n", kTextSpace, 1, 0, TextParse::Read, {{1.5, 2.5}, {-2, 1000}}},
        {"no delimiter: runs of number characters", "1; 2;\r\n3 ;4;\r\n", kTextNoDelimiter, 1, 0, TextParse::Read,
         {{1, 3}, {2, 4}}},
        {"blank lines hold no values", "1\n\r\n \t\n2\n", kTextTab, 1, 0, TextParse::Read, {{1, 2}}},
        {"start line 3 skips two header lines", "Title\nmV\tmV\n1\t2\n3\t4\n", kTextTab, 3, 0, TextParse::Read,
         {{1, 3}, {2, 4}}},
        {"the first data line fixes the columns", "Title\n1\n2\t3\n", kTextTab, 2, 0, TextParse::Read, {{1, 2}}},
        {"an end line stops after it", "1\n2\n3\n4\n", kTextTab, 1, 2, TextParse::Read, {{1, 2}}},
        {"an end line before the start reads one line", "h\nh\n5\n6\n", kTextTab, 3, 1, TextParse::Read, {{5}}},
        {"blanks around a number", " 7 \t 8\r\n", kTextTab, 1, 0, TextParse::Read, {{7}, {8}}},
        {"an empty file", "", kTextTab, 1, 0, TextParse::Empty, {}},
        {"nothing but line ends", "\r\n\n\r\n", kTextTab, 1, 0, TextParse::Empty, {}},
        {"nothing after the header lines", "a\nb\n", kTextTab, 3, 0, TextParse::Empty, {}},
        {"fewer lines than the start line", "1\n", kTextTab, 5, 0, TextParse::Empty, {}},
        {"only delimiters", "\t\t\n\t\t\n", kTextTab, 1, 0, TextParse::Empty, {}},
        {"a word in the data", "1\t2\nx\t3\n", kTextTab, 1, 0, TextParse::NotNumber, {}},
        {"a number followed by text", "1\t2 mV\n", kTextTab, 1, 0, TextParse::NotNumber, {}},
        {"a header line read as data", "CH1\tCH2\n1\t2\n", kTextTab, 1, 0, TextParse::NotNumber, {}},
        {"hexadecimal", "0x10\n", kTextTab, 1, 0, TextParse::NotNumber, {}},
        {"infinity", "inf\n", kTextTab, 1, 0, TextParse::NotNumber, {}},
        {"a number too large for a double", "1e999\n", kTextTab, 1, 0, TextParse::NotNumber, {}},
        {"a lone sign without delimiters", "1 - 2\n", kTextNoDelimiter, 1, 0, TextParse::NotNumber, {}},
        {"a UTF-8 byte-order mark before the first line", "\xEF\xBB\xBF" "1\t2\r\n3\t4\r\n", kTextTab, 1, 0,
         TextParse::Read, {{1, 3}, {2, 4}}},
        {"a byte-order mark before a header line", "\xEF\xBB\xBF" "Title\n5\n", kTextTab, 2, 0, TextParse::Read, {{5}}},
        {"a byte-order mark alone", "\xEF\xBB\xBF", kTextTab, 1, 0, TextParse::Empty, {}},
        {"CR-only lines", "1\t2\r3\t4\r", kTextTab, 1, 0, TextParse::Read, {{1, 3}, {2, 4}}},
        {"CR-only lines after header lines", "Title\rmV\tmV\r1\t2\r3\t4", kTextTab, 3, 0, TextParse::Read,
         {{1, 3}, {2, 4}}},
        {"CRs before an LF end one line", "1\r\r\n2\r\n", kTextTab, 1, 0, TextParse::Read, {{1, 2}}},
        {"CR-only lines in comma mode", "1,2\r3,4\r", kTextComma, 1, 0, TextParse::Read, {{1, 3}, {2, 4}}},
    };
    for (const ParseCase& c : cases) {
        stTextReadOptions options;
        options.delimiter = c.delimiter;
        options.startLine = c.startLine;
        options.endLine = c.endLine;
        stTextColumns got;
        EXPECT_EQ(ParseTextColumns(c.text.data(), c.text.size(), options, &got), c.result) << c.name;
        EXPECT_EQ(ColumnsOf(got), c.columns) << c.name;
    }
}

// A file saved with CR-only line ends is many lines, not one line of many columns.
TEST(TextParse, ALongFileWithCROnlyLineEndsKeepsItsTwoColumns) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += std::to_string(i) + "\t" + std::to_string(-i) + "\r";
    stTextReadOptions options;
    stTextColumns got;
    ASSERT_EQ(ParseTextColumns(text.data(), text.size(), options, &got), TextParse::Read);
    ASSERT_EQ(got.columns, 2);
    ASSERT_EQ(got.values[0].size(), 100u);
    EXPECT_EQ(got.values[0][99], 99.0);
    EXPECT_EQ(got.values[1][99], -99.0);
}

TEST(TextParse, TheLineNumberOfAFieldThatIsNotANumberIsKept) {
    const std::string text = "header\n1,2\n3,4\n5,five\n";
    stTextReadOptions options;
    options.delimiter = kTextComma;
    options.startLine = 2;
    stTextColumns got;
    ASSERT_EQ(ParseTextColumns(text.data(), text.size(), options, &got), TextParse::NotNumber);
    EXPECT_EQ(got.badLine, 4u);
}

std::string Row(int columns, char delimiter) {
    std::string line;
    for (int c = 1; c <= columns; ++c) {
        if (c > 1) line += delimiter;
        line += std::to_string(c);
    }
    return line + "\r\n";
}

TEST(TextParse, FiftyNineColumnsAreReadAndSixtyOrMoreRefused) {
    const struct {
        int columns;
        TextParse result;
    } cases[] = {{1, TextParse::Read}, {59, TextParse::Read}, {60, TextParse::TooManyColumns},
                 {61, TextParse::TooManyColumns}, {200, TextParse::TooManyColumns}};
    for (const auto& c : cases) {
        const std::string text = Row(c.columns, ',') + Row(c.columns, ',');
        stTextReadOptions options;
        options.delimiter = kTextComma;
        stTextColumns got;
        ASSERT_EQ(ParseTextColumns(text.data(), text.size(), options, &got), c.result) << c.columns;
        if (c.result == TextParse::Read) {
            ASSERT_EQ(got.columns, c.columns);
            EXPECT_EQ(got.values[c.columns - 1], (std::vector<double>{double(c.columns), double(c.columns)}));
        }
    }
}

TEST(TextParse, ALineLongerThanTheLineBufferGoesOnAsTheNextLine) {
    // 600 bytes of one value: the first 511 bytes make a line of their own.
    const std::string digits = "0." + std::string(598, '1');
    stTextReadOptions options;
    stTextColumns got;
    ASSERT_EQ(ParseTextColumns(digits.data(), digits.size(), options, &got), TextParse::Read);
    ASSERT_EQ(got.values[0].size(), 2u);
    EXPECT_EQ(got.values[0][1], std::stod(std::string(600 - kTextLineBytes, '1')));
}

// Ends the read at the first poll: what was read so far stays.
bool StopAtOnce(uint32_t) { return true; }

TEST(TextParse, APollThatAnswersTrueEndsTheReadKeepingWhatWasRead) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += std::to_string(i) + "\n";
    stTextReadOptions options;
    stTextColumns got;
    ASSERT_EQ(ParseTextColumns(text.data(), text.size(), options, &got, StopAtOnce), TextParse::Read);
    EXPECT_TRUE(got.cancelled);
    ASSERT_EQ(got.values[0].size(), 64u);
    EXPECT_EQ(got.values[0][63], 63.0);
}

// ---- Into a document ----

double At(const tagGS* gs, int slot, int i) { return static_cast<const double*>(gs->chanBlock[slot])[i]; }

TEST(TextRead, ColumnsFillSlotsOneOnwardAndTheDocumentTakesTheOptions) {
    OptionsScope keep;
    g_textRead.delimiter = kTextComma;
    g_textRead.interval = 0.5;
    g_textRead.frequency = 1;
    TestDoc d;
    const std::string text = "1,,3\r\n4,5,6\r\n7,,\r\n";
    ASSERT_EQ(ReadTextBuffer(d.gs, text.data(), text.size(), nullptr), nullptr);
    const uint32_t counts[4] = {0, 3, 1, 2};
    for (int s = 0; s < 4; ++s) EXPECT_EQ(d.gs->chanCount[s], counts[s]) << s;
    EXPECT_EQ(d.gs->chanFlags[0], 0u);
    for (int s = 1; s <= 3; ++s) {
        EXPECT_EQ(d.gs->chanFlags[s], 2u) << s;
        EXPECT_EQ(d.gs->chanType[s], 1) << s;
    }
    EXPECT_EQ(At(d.gs, 1, 2), 7.0);
    EXPECT_EQ(At(d.gs, 2, 0), 5.0);
    EXPECT_EQ(At(d.gs, 3, 1), 6.0);
    EXPECT_EQ(d.gs->totalSamples, 3);
    EXPECT_EQ(d.gs->selectedChan, 1u);
    EXPECT_EQ(d.gs->sampleInterval, 0.5);
    EXPECT_EQ(d.gs->hUnitKind, kHUnitFrequency);
    EXPECT_EQ(d.gs->storageKind, kStoreMemory);
}

TEST(TextRead, TheSelectedChannelIsTheFirstThatReceivedValues) {
    OptionsScope keep;
    TestDoc d;
    const std::string text = "\t2\n\t3\n";
    ASSERT_EQ(ReadTextBuffer(d.gs, text.data(), text.size(), nullptr), nullptr);
    EXPECT_EQ(d.gs->chanFlags[1], 0u);
    EXPECT_EQ(d.gs->selectedChan, 2u);
}

TEST(TextRead, ARefusedFileLeavesTheDocumentAsItWas) {
    OptionsScope keep;
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {{Row(60, '\t'), kTextRefusalTooMany}, {"", kKeyTextEmpty}, {"1\tmV\n", kKeyTextNotNumber}};
    for (const auto& c : cases) {
        TestDoc d;
        const std::string first = "9\t8\n";
        ASSERT_EQ(ReadTextBuffer(d.gs, first.data(), first.size(), nullptr), nullptr);
        d.gs->sampleInterval = 2.0;
        EXPECT_EQ(ReadTextBuffer(d.gs, c.text.data(), c.text.size(), nullptr), c.reason);
        EXPECT_EQ(d.gs->chanCount[1], 1u);
        EXPECT_EQ(At(d.gs, 2, 0), 8.0);
        EXPECT_EQ(d.gs->sampleInterval, 2.0);
    }
}

// A file on disk read through ReadTextFile, with the program's string table and keyed texts.
class TextReadFile : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        std::snprintf(path_, sizeof path_, "%stextread-%lu.txt", folder, GetCurrentProcessId());
    }
    void TearDown() override {
        DeleteFileA(path_);
    }
    int ReadFile(const std::string& text, TestDoc& d) {
        HANDLE f = CreateFileA(path_, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
        CloseHandle(f);
        HANDLE in = CreateFileA(path_, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        const int read = ReadTextFile(d.gs, &in);
        EXPECT_EQ(in, INVALID_HANDLE_VALUE) << "the reader closes the file";
        return read;
    }
    TestApp app_;
    char path_[MAX_PATH] = "";
};

TEST_F(TextReadFile, EachRefusalShowsItsOwnMessage) {
    OptionsScope keep;
    const struct {
        std::string text;
        const char* shown;
    } cases[] = {
        {Row(61, '\t'), "Too many data channels in file"},
        {"", "The text file holds no numbers to read."},
        {"1\t2\n3\tthree\n", "Line 2 of the text file holds a field that is not a number."},
    };
    for (const auto& c : cases) {
        TestDoc d;
        BoxCapture boxes;
        EXPECT_EQ(ReadFile(c.text, d), 0);
        ASSERT_EQ(boxes.boxes.size(), 1u) << c.shown;
        EXPECT_EQ(boxes.boxes[0].text.rfind(c.shown, 0), 0u) << boxes.boxes[0].text;
        EXPECT_EQ(d.gs->chanFlags[1], 0u);
    }
}

TEST_F(TextReadFile, AFileIsReadFromTheCurrentPositionWithoutAnyMessage) {
    OptionsScope keep;
    TestDoc d;
    BoxCapture boxes;
    ASSERT_EQ(ReadFile("0.25\t-1\n0.5\t-2", d), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(d.gs->chanCount[2], 2u);
    EXPECT_EQ(At(d.gs, 2, 1), -2.0);
}

// ---- Writing ----

// A document of doubles with the given channels' values.
void Fill(tagGS* gs, int slot, const std::vector<double>& values, const char* label, const char* units) {
    void* block = GlobalLock(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, values.size() * 8 + 8));
    for (size_t i = 0; i < values.size(); ++i) static_cast<double*>(block)[i] = values[i];
    gs->chanBlock[slot] = block;
    gs->chanCount[slot] = static_cast<uint32_t>(values.size());
    gs->chanType[slot] = 1;
    gs->chanBytes[slot] = 8;
    gs->chanFlags[slot] = 2;
    lstrcpyA(gs->chanLabel[slot], label);
    lstrcpyA(gs->chanUnits[slot], units);
    if (static_cast<int32_t>(values.size()) > gs->totalSamples) gs->totalSamples = static_cast<int32_t>(values.size());
}

std::string Written(tagGS* gs, int selectionOnly = 0) {
    CByteWriter out;
    EXPECT_EQ(WriteTextStream(gs, out, selectionOnly), 1);
    return std::string(out.Bytes().begin(), out.Bytes().end());
}

TEST(TextWrite, TwoChannelsOfUnequalLengthsWithHeaderAndTabs) {
    OptionsScope keep;
    g_textSave = stTextSaveOptions{1, 0, kTextTab};
    TestDoc d;
    lstrcpyA(d.gs->title, "Pulse.acq");
    d.gs->sampleInterval = 2.5;
    Fill(d.gs, 1, {1, 2, 3}, "Finger", "mV");
    Fill(d.gs, 4, {10, 20.5, -30, 40, 0.000125}, "Ear", "V");
    const std::string expected =
        "Pulse.acq\r\n2.500000 msec/sample\r\n2 channels\r\nFinger\r\nmV\r\nEar\r\nV\r\nCH1\tCH4\t\r\n3\t5\t\r\n"
        "1\t10\t\r\n2\t20.5\t\r\n3\t-30\t\r\n\t40\t\r\n\t0.000125\t\r\n";
    EXPECT_EQ(Written(d.gs), expected);
}

TEST(TextWrite, OptionsShapeTheLines) {
    OptionsScope keep;
    const struct {
        const char* name;
        stTextSaveOptions options;
        std::string expected;
    } cases[] = {
        {"no header, comma", {0, 0, kTextComma}, "1.5,\r\n-2,\r\n"},
        {"one channel header", {1, 0, kTextSpace}, "T\r\n1.000000 msec/sample\r\n1 channel\r\nA\r\nu\r\nCH0 \r\n2 \r\n1.5 \r\n-2 \r\n"},
        {"horizontal scale values", {1, 1, kTextTab},
         "T\r\n1.000000 msec/sample\r\n1 channel\r\nA\r\nu\r\nmsec\tCH0\t\r\n\t2\t\r\n0\t1.5\t\r\n1\t-2\t\r\n"},
    };
    for (const auto& c : cases) {
        g_textSave = c.options;
        TestDoc d;
        lstrcpyA(d.gs->title, "T");
        d.gs->sampleInterval = 1.0;
        Fill(d.gs, 0, {1.5, -2}, "A", "u");
        EXPECT_EQ(Written(d.gs), c.expected) << c.name;
    }
}

TEST(TextWrite, TheSelectionBecomesWholeSampleIndexes) {
    const struct {
        double start, end;
        int32_t first, last;
    } cases[] = {
        {10.0, 20.0, 2, 4},        // 5 ms samples: times on whole samples stay
        {11.0, 21.0, 3, 5},        // others go up to the next sample
        {10.00004, 19.99996, 2, 4},  // within a relative 1e-5 of a whole sample
        {20.0, 10.0, 2, 4},        // edges in either order
        {15.0, 15.0, 3, 4},        // an empty selection holds one sample
        {40.0, 500.0, 8, 9},       // the end stops before the selected channel's last sample
        {500.0, 600.0, 9, 9},
    };
    TestDoc d;
    d.gs->sampleInterval = 5.0;
    Fill(d.gs, 1, std::vector<double>(10, 1.0), "A", "");
    d.gs->selectedChan = 1;
    for (const auto& c : cases) {
        d.gs->selStart = c.start;
        d.gs->selEnd = c.end;
        int32_t first = -1, last = -1;
        TextSampleRange(d.gs, 1, &first, &last);
        EXPECT_EQ(first, c.first) << c.start << " " << c.end;
        EXPECT_EQ(last, c.last) << c.start << " " << c.end;
    }
    int32_t first = -1, last = -1;
    TextSampleRange(d.gs, 0, &first, &last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 10);
}

TEST(TextWrite, ASelectionWritesItsSamplesAndCountsThem) {
    OptionsScope keep;
    g_textSave = stTextSaveOptions{1, 0, kTextComma};
    TestDoc d;
    lstrcpyA(d.gs->title, "S");
    d.gs->sampleInterval = 1.0;
    Fill(d.gs, 1, {0, 1, 2, 3, 4, 5}, "A", "");
    Fill(d.gs, 2, {10, 11, 12}, "B", "");
    d.gs->selectedChan = 1;
    d.gs->selStart = 1.0;
    d.gs->selEnd = 4.0;
    EXPECT_EQ(Written(d.gs, 1), "S\r\n1.000000 msec/sample\r\n2 channels\r\nA\r\n\r\nB\r\n\r\nCH1,CH2,\r\n3,2,\r\n"
                                "1,11,\r\n2,12,\r\n3,,\r\n");
}

TEST(TextWrite, ADocumentWrittenAndReadBackKeepsItsSamplesToSixDigits) {
    OptionsScope keep;
    const uint32_t delimiters[] = {kTextTab, kTextComma, kTextSpace};
    for (uint32_t delimiter : delimiters) {
        TestDoc d;
        d.gs->sampleInterval = 0.25;
        std::vector<double> wave, ramp;
        for (int i = 0; i < 500; ++i) wave.push_back(3.7 * std::sin(i * 0.05) + 1e-3 * i);
        for (int i = 0; i < 321; ++i) ramp.push_back(-12345.678 + 97.531 * i);
        Fill(d.gs, 1, wave, "Wave", "mV");
        Fill(d.gs, 2, ramp, "Ramp", "g");
        g_textSave = stTextSaveOptions{1, 0, delimiter};
        const std::string text = Written(d.gs);
        g_textRead = stTextReadOptions{};
        g_textRead.delimiter = delimiter;
        g_textRead.startLine = 5 + 2 * 2 + 1;  // title, interval, count, two lines a channel, names, counts
        g_textRead.interval = 0.25;
        TestDoc e;
        ASSERT_EQ(ReadTextBuffer(e.gs, text.data(), text.size(), nullptr), nullptr) << delimiter;
        ASSERT_EQ(e.gs->chanCount[1], 500u);
        ASSERT_EQ(e.gs->chanCount[2], 321u);
        EXPECT_EQ(e.gs->totalSamples, 500);
        for (int s = 1; s <= 2; ++s) {
            const std::vector<double>& v = s == 1 ? wave : ramp;
            for (size_t i = 0; i < v.size(); ++i)
                ASSERT_NEAR(At(e.gs, s, static_cast<int>(i)), v[i], 5e-6 * std::fabs(v[i]) + 1e-300)
                    << "slot " << s << " sample " << i;
        }
    }
}

// ---- The option dialogs, answered as the user would ----

// Runs `act` on each dialog of this thread with the caption when it becomes active; act sets the
// controls and posts the button that closes it.
class DialogDriver {
public:
    DialogDriver(const char* caption, std::function<void(HWND)> act) : caption_(caption), act_(std::move(act)) {
        current_ = this;
        hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    }
    ~DialogDriver() {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    int seen = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && current_) {
            HWND w = reinterpret_cast<HWND>(wParam);
            char caption[128] = "";
            GetWindowTextA(w, caption, sizeof caption);
            if (current_->caption_ == caption && GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() &&
                current_->done_ != w) {
                current_->done_ = w;
                ++current_->seen;
                current_->act_(w);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static DialogDriver* current_;
    std::string caption_;
    std::function<void(HWND)> act_;
    HHOOK hook_ = nullptr;
    HWND done_ = nullptr;
};
DialogDriver* DialogDriver::current_ = nullptr;

void Press(HWND dlg, int id) { PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id))); }

std::string TextOf(HWND dlg, int id) {
    char text[128] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

// A control's own visibility (the dialog is not on screen yet while the driver acts).
bool Shown(HWND dlg, int id) { return (GetWindowLongA(GetDlgItem(dlg, id), GWL_STYLE) & WS_VISIBLE) != 0; }

int Selected(HWND dlg, int id) { return static_cast<int>(SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0)); }

TEST(TextOptions, TheShownIntervalAndItsUnitAgree) {
    const struct {
        double interval;
        uint32_t frequency;
        double shown;
        int unit;
    } cases[] = {{10.0, 0, 10.0, kUnitMillisecond}, {0.5, 0, 500.0, kUnitMicrosecond}, {2000.0, 0, 2.0, kUnitSecond},
                 {1000.0, 0, 1000.0, kUnitMillisecond}, {1.0, 0, 1.0, kUnitMillisecond}, {0.25, 1, 250.0, kUnitHz},
                 {44.1, 1, 44.1, kUnitKHz}, {5000.0, 1, 5.0, kUnitMHz}};
    for (const auto& c : cases) {
        double shown = 0;
        int unit = -1;
        TextIntervalToUnit(c.interval, c.frequency, &shown, &unit);
        EXPECT_DOUBLE_EQ(shown, c.shown) << c.interval;
        EXPECT_EQ(unit, c.unit) << c.interval;
        EXPECT_DOUBLE_EQ(TextIntervalFromUnit(shown, unit), c.interval) << c.interval;
    }
}

TEST_F(TextReadFile, ReadOptionsTakeWhatIsTypedInEachUnit) {
    OptionsScope keep;
    const struct {
        const char* typed;
        int unit;
        double interval;
        uint32_t frequency;
    } cases[] = {{"500", kUnitMicrosecond, 0.5, 0}, {"2", kUnitSecond, 2000.0, 0}, {"7.5", kUnitMillisecond, 7.5, 0},
                 {"5", kUnitMHz, 5000.0, 1},         {"20", kUnitKHz, 20.0, 1},     {"250", kUnitHz, 0.25, 1}};
    for (const auto& c : cases) {
        DialogDriver driver("Read Text Options", [&](HWND dlg) {
            SetDlgItemTextA(dlg, IDC_TEXT_START_LINE, "3");
            SetDlgItemTextA(dlg, IDC_TEXT_INTERVAL, c.typed);
            SendDlgItemMessageA(dlg, IDC_TEXT_UNIT, CB_SETCURSEL, c.unit, 0);
            SendDlgItemMessageA(dlg, IDC_TEXT_DELIMITER, CB_SETCURSEL, kTextComma, 0);
            CheckRadioButton(dlg, IDC_TEXT_TO_END, IDC_TEXT_TO_LINE, IDC_TEXT_TO_LINE);
            SetDlgItemTextA(dlg, IDC_TEXT_END_LINE, "40");
            Press(dlg, IDOK);
        });
        EXPECT_EQ(DoReadTextOptions(nullptr), 1) << c.typed;
        EXPECT_EQ(driver.seen, 1);
        EXPECT_EQ(g_textRead.startLine, 3);
        EXPECT_EQ(g_textRead.endLine, 40);
        EXPECT_EQ(g_textRead.delimiter, kTextComma);
        EXPECT_DOUBLE_EQ(g_textRead.interval, c.interval) << c.typed;
        EXPECT_EQ(g_textRead.frequency, c.frequency) << c.typed;
    }
}

TEST_F(TextReadFile, ReadOptionsShowTheStoredOptionsAndCancelKeepsThem) {
    OptionsScope keep;
    g_textRead = stTextReadOptions{4, 9, kTextSpace, 0.25, 0};
    std::string start, end, interval;
    int unit = -1, delimiter = -1;
    bool lineChosen = false, endEnabled = false, endEnabledAfterEnd = true;
    DialogDriver driver("Read Text Options", [&](HWND dlg) {
        start = TextOf(dlg, IDC_TEXT_START_LINE);
        end = TextOf(dlg, IDC_TEXT_END_LINE);
        interval = TextOf(dlg, IDC_TEXT_INTERVAL);
        unit = Selected(dlg, IDC_TEXT_UNIT);
        delimiter = Selected(dlg, IDC_TEXT_DELIMITER);
        lineChosen = IsDlgButtonChecked(dlg, IDC_TEXT_TO_LINE) == BST_CHECKED;
        endEnabled = IsWindowEnabled(GetDlgItem(dlg, IDC_TEXT_END_LINE)) != 0;
        // Choosing "end" turns the end line off.
        CheckRadioButton(dlg, IDC_TEXT_TO_END, IDC_TEXT_TO_LINE, IDC_TEXT_TO_END);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_TEXT_TO_END, BN_CLICKED), 0);
        endEnabledAfterEnd = IsWindowEnabled(GetDlgItem(dlg, IDC_TEXT_END_LINE)) != 0;
        SetDlgItemTextA(dlg, IDC_TEXT_START_LINE, "99");
        Press(dlg, IDCANCEL);
    });
    EXPECT_EQ(DoReadTextOptions(nullptr), 0);
    EXPECT_EQ(start, "4");
    EXPECT_EQ(end, "9");
    EXPECT_EQ(interval, "250.00");
    EXPECT_EQ(unit, kUnitMicrosecond);
    EXPECT_EQ(delimiter, static_cast<int>(kTextSpace));
    EXPECT_TRUE(lineChosen);
    EXPECT_TRUE(endEnabled);
    EXPECT_FALSE(endEnabledAfterEnd);
    EXPECT_EQ(g_textRead.startLine, 4);
    EXPECT_EQ(g_textRead.endLine, 9);
}

TEST_F(TextReadFile, SaveOptionsStoreEveryBoxOrOnlyTheSelectionInTheShortLayout) {
    OptionsScope keep;
    g_textSave = stTextSaveOptions{0, 0, kTextTab};
    int selection = 0;
    {
        DialogDriver driver("Save Options", [&](HWND dlg) {
            CheckDlgButton(dlg, IDC_TEXT_HEADER, BST_CHECKED);
            CheckDlgButton(dlg, IDC_TEXT_HSCALE, BST_CHECKED);
            CheckDlgButton(dlg, IDC_TEXT_SELECTION, BST_CHECKED);
            SendDlgItemMessageA(dlg, IDC_TEXT_SAVE_DELIMITER, CB_SETCURSEL, kTextSpace, 0);
            Press(dlg, IDOK);
        });
        ASSERT_EQ(DoSaveTextOptions(nullptr, 1, &selection), 1);
    }
    EXPECT_EQ(g_textSave.header, 1u);
    EXPECT_EQ(g_textSave.hScale, 1u);
    EXPECT_EQ(g_textSave.delimiter, kTextSpace);
    EXPECT_EQ(selection, 1);
    bool hidden = false, selectionShown = false, checked = false;
    {
        DialogDriver driver("Save Options", [&](HWND dlg) {
            hidden = true;
            for (int id : {IDC_TEXT_HEADER, IDC_TEXT_HSCALE, IDC_TEXT_SAVE_DELIMITER, IDC_TEXT_DELIMITER_LABEL})
                hidden = hidden && !Shown(dlg, id);
            selectionShown = Shown(dlg, IDC_TEXT_SELECTION);
            checked = IsDlgButtonChecked(dlg, IDC_TEXT_SELECTION) == BST_CHECKED;
            CheckDlgButton(dlg, IDC_TEXT_SELECTION, BST_UNCHECKED);
            Press(dlg, IDOK);
        });
        ASSERT_EQ(DoSaveTextOptions(nullptr, 0, &selection), 1);
    }
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(selectionShown);
    EXPECT_TRUE(checked);
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(g_textSave.header, 0u) << "a hidden box stores 0";
    EXPECT_EQ(g_textSave.hScale, 0u);
    EXPECT_EQ(g_textSave.delimiter, kTextSpace) << "the hidden list keeps the delimiter";
    {
        DialogDriver driver("Save Options", [&](HWND dlg) {
            CheckDlgButton(dlg, IDC_TEXT_HEADER, BST_CHECKED);
            Press(dlg, IDCANCEL);
        });
        EXPECT_EQ(DoSaveTextOptions(nullptr, 1, &selection), 0);
    }
    EXPECT_EQ(g_textSave.header, 0u);
}

// The File Open dialog's page with its hook: the button follows the file type and opens the
// reader's options.
TEST_F(TextReadFile, TheOpenPagesOptionsButtonServesTheTextTypeOnly) {
    OptionsScope keep;
    HWND parent = CreateWindowExA(0, "STATIC", "open", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.nFilterIndex = 1;
    HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OPEN_OPTIONS), parent,
                                   reinterpret_cast<DLGPROC>(TextOpenHookProc), reinterpret_cast<LPARAM>(&ofn));
    ASSERT_TRUE(page);
    HWND button = GetDlgItem(page, IDC_OPEN_TEXT_OPTIONS);
    EXPECT_FALSE(IsWindowEnabled(button));
    for (DWORD type : {3u, 2u, 5u, 3u}) {
        ofn.nFilterIndex = type;
        OFNOTIFYA n{};
        n.hdr.hwndFrom = parent;
        n.hdr.code = CDN_TYPECHANGE;
        n.lpOFN = &ofn;
        SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
        EXPECT_EQ(IsWindowEnabled(button) != 0, type == kOpenTypeText) << type;
    }
    DialogDriver driver("Read Text Options", [&](HWND dlg) {
        SendDlgItemMessageA(dlg, IDC_TEXT_DELIMITER, CB_SETCURSEL, kTextNoDelimiter, 0);
        Press(dlg, IDOK);
    });
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OPEN_TEXT_OPTIONS, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(driver.seen, 1);
    EXPECT_EQ(g_textRead.delimiter, kTextNoDelimiter);
    DestroyWindow(parent);
}

}  // namespace
