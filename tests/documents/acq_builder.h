// Graph files built byte by byte at the offsets the format gives, independently of the program's
// writer, so that the reader is tested against the layout itself; and small helpers for files.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "common/tagGS.h"

using Bytes = std::vector<uint8_t>;

struct AcqChannel {
    int16_t slot = 0;
    std::string label = "CH";
    uint32_t colour = 0x0000FF;
    uint16_t flags = 2;
    double vDisplay1 = 5.0, vDisplay2 = 0.0;
    std::string units = "volts";
    double scale = 10.0 / 32768.0, offset = 0.0;
    int16_t number = 0, word1 = 0x0303;
    uint16_t word2 = 2;
    double value3 = 0.0;
    std::string longLabel = "a longer description";
    uint32_t headerLength = 252;
    uint16_t type = 2;  // 1 doubles
    uint16_t size = 2;
    std::vector<int16_t> raw;    // 16-bit samples
    std::vector<double> values;  // or doubles
    uint32_t Count() const { return static_cast<uint32_t>(type == 1 ? values.size() : raw.size()); }
};

struct AcqMarker {
    uint32_t position = 0;
    std::string label;
    uint16_t open = 0, word1 = 0, word2 = 0;
};

struct AcqRecipe {
    uint16_t firstWord = 0;
    uint32_t version = 42;
    uint32_t headerLength = 2976;
    uint16_t hUnit = 0, selected = 0;
    double interval = 0.5, viewStart = 100.0, hScale = 250.0, selStart = 10.0, selEnd = 40.0;
    int16_t rect[4] = {10, 20, 410, 320};
    uint16_t displayMode = kModeChart;
    uint16_t markerBar = 1, journalShown = 0;
    uint32_t docColour = 0x808080;
    std::vector<AcqChannel> channels;
    bool foreign = true;
    uint16_t foreignTag = 100;
    Bytes foreignData = Bytes(64, 0x5A);
    bool markerSection = true;
    std::vector<AcqMarker> markers;
    Bytes tail;  // the tagged blocks
};

// Little-endian (or, for the swapped variant, big-endian field by field) graph files.
Bytes BuildAcq(const AcqRecipe& recipe);
Bytes BuildSwappedAcq(const AcqRecipe& recipe);

// Offsets inside a file BuildAcq made of the recipe.
size_t ChannelHeaderAt(const AcqRecipe& recipe, size_t index);
size_t ForeignBlockAt(const AcqRecipe& recipe);
size_t TypeTableAt(const AcqRecipe& recipe);
size_t SamplesAt(const AcqRecipe& recipe);
size_t MarkerSectionAt(const AcqRecipe& recipe);

// Tagged blocks.
Bytes JournalBlock(uint16_t autoTime, const std::string& text, bool wideField = false);
// A file of six samples on one channel whose journal holds the text, its pane shown or hidden.
AcqRecipe JournalFileRecipe(const std::string& text, uint16_t shown);
struct StoredMarkerRecord {
    int32_t type = 0, number = 1, fixedLabel = 0, storedFlag = 1, active = 0;
    uint64_t fileTime = 0;
};
Bytes MarkerManagerBlock(const uint32_t counters[4], const std::vector<StoredMarkerRecord>& records, int presets = 1);
Bytes OutputPanelsBlock();
Bytes GraphItemsBlock();
// Two channels, three markers and every tagged block: a file that uses the whole format.
AcqRecipe RichRecipe();

void PutU16(Bytes& b, size_t at, uint16_t v);
void PutU32(Bytes& b, size_t at, uint32_t v);
void PutF64(Bytes& b, size_t at, double v);
uint16_t GetU16(const Bytes& b, size_t at);
uint32_t GetU32(const Bytes& b, size_t at);
double GetF64(const Bytes& b, size_t at);

// A folder of its own under the system's temporary folder, removed with its files.
struct TempFolder {
    std::string path;
    explicit TempFolder(const char* name);
    ~TempFolder();
    std::string File(const std::string& name) const { return path + "\\" + name; }
};
bool WriteWholeFile(const std::string& path, const Bytes& bytes);
Bytes ReadWholeFile(const std::string& path);
