// The output-panel block of the graph file, coded apart from the panels: the reader takes the
// whole block into records first and keeps nothing unless every count in it fits the bytes that
// follow, so a damaged block never leaves the file position inside itself.
#pragma once
#include "outputs/framework/out_prefs.h"
#include <cstdint>
#include <string>
#include <vector>

class CByteReader;
class CByteWriter;

constexpr uint32_t kOutputPanelsTag = 0x12042002;
constexpr int kOutputTypes = 8;
constexpr int kUnstoredPanelType = 7;                 // its record is empty
constexpr int kPanelsWithoutCount = kOutputTypes - 2;  // an old block without its count field
constexpr int kPresetNameChars = 64;
constexpr size_t kPresetNameBytes = kPresetNameChars + 1;
// No controller has more; a larger count in a file is damage.
constexpr int32_t kMaxStoredPrefs = 1024;
constexpr int32_t kMaxStoredPresets = 4096;

struct PresetRecord {
    std::string name;
    PrefList settings;
};

struct PanelRecord {
    int32_t active = 0;
    PrefList settings;
    int32_t selected = -1;
    std::vector<PresetRecord> presets;
};

// Reads the block at the reader's position into one record per panel read (at most
// panelsInSet; the unstored type gets an empty record). 1 read (position after the block),
// 0 tag absent, -1 unsound; on 0 and -1 the position is where it was and records is empty.
int ParseOutputPanelsBlock(CByteReader& in, int panelsInSet, std::vector<PanelRecord>* records);

// A preference set: its last index, then the preferences.
bool WritePrefSet(CByteWriter& out, const OutPref* prefs, int count);
// One panel record of the stored types.
bool WritePanelRecord(CByteWriter& out, int32_t active, const OutPref* prefs, int count, int32_t selected,
                      const std::vector<PresetRecord>& presets);
// The name as the file keeps it: at most 64 characters.
std::string CutPresetName(const char* name);
