// The output-panel block: tag, panel count, one record per stored panel type.
#include "outputs/framework/out_block.h"
#include "base/byte_stream.h"
#include <cstring>

namespace {

// A set's last index is bounded by the bytes left, so a damaged count cannot send the reader
// past the block or ask for more memory than the file could hold.
bool ReadPrefSet(CByteReader& in, PrefList* set) {
    int32_t last = 0;
    if (!in.I32(&last) || last < -1 || last >= kMaxStoredPrefs) return false;
    const uint64_t count = static_cast<uint64_t>(last + 1);
    if (count * sizeof(OutPref) > in.Remaining()) return false;
    set->resize(count);
    for (OutPref& p : *set)
        if (!in.F64(&p.m_value) || !in.F64(&p.m_min) || !in.F64(&p.m_max) || !in.F64(&p.m_step) || !in.F64(&p.m_default))
            return false;
    return true;
}

bool ReadPreset(CByteReader& in, PresetRecord* preset) {
    char name[kPresetNameBytes];
    if (!in.Read(name, sizeof name)) return false;
    name[kPresetNameChars] = '\0';
    preset->name = name;
    return ReadPrefSet(in, &preset->settings);
}

// The smallest preset record: a name and an empty set.
constexpr uint64_t kMinPresetBytes = kPresetNameBytes + 4;

bool ReadPanelRecord(CByteReader& in, PanelRecord* r) {
    int32_t last = 0;
    if (!in.I32(&r->active) || (r->active != 0 && r->active != 1)) return false;
    if (!ReadPrefSet(in, &r->settings) || !in.I32(&r->selected) || !in.I32(&last)) return false;
    if (last < -1 || last >= kMaxStoredPresets) return false;
    if (static_cast<uint64_t>(last + 1) * kMinPresetBytes > in.Remaining()) return false;
    r->presets.resize(static_cast<size_t>(last + 1));
    for (PresetRecord& p : r->presets)
        if (!ReadPreset(in, &p)) return false;
    // A selection outside the list applies nothing.
    if (r->selected < -1 || r->selected > last) r->selected = -1;
    return true;
}

bool ReadRecords(CByteReader& in, int panels, std::vector<PanelRecord>* records) {
    records->assign(static_cast<size_t>(panels), PanelRecord{});
    for (int type = 0; type < panels; ++type)
        if (type != kUnstoredPanelType && !ReadPanelRecord(in, &(*records)[static_cast<size_t>(type)])) return false;
    return true;
}

}  // namespace

// A block's count field is followed by the records; an old block has no count field, and its
// first two bytes (the low half of panel 0's active flag) may read 0 or 1. A count that does
// not lead to sound records is therefore tried once more as an old block.
int ParseOutputPanelsBlock(CByteReader& in, int panelsInSet, std::vector<PanelRecord>* records) {
    records->clear();
    const uint64_t start = in.Tell();
    uint32_t tag = 0;
    if (!in.U32(&tag) || tag != kOutputPanelsTag) {
        in.Seek(start);
        return 0;
    }
    const uint64_t body = in.Tell();
    int16_t count = 0;
    if (in.I16(&count)) {
        const int panels = count < panelsInSet ? count : panelsInSet;
        if (panels > 0 && ReadRecords(in, panels, records)) return 1;
    }
    const int legacy = kPanelsWithoutCount < panelsInSet ? kPanelsWithoutCount : panelsInSet;
    if (in.Seek(body) && legacy > 0 && ReadRecords(in, legacy, records)) return 1;
    records->clear();
    in.Seek(start);
    return -1;
}

bool WritePrefSet(CByteWriter& out, const OutPref* prefs, int count) {
    out.I32(count - 1);
    for (int i = 0; i < count; ++i) {
        const OutPref& p = prefs[i];
        out.F64(p.m_value);
        out.F64(p.m_min);
        out.F64(p.m_max);
        out.F64(p.m_step);
        out.F64(p.m_default);
    }
    return out.Ok();
}

bool WritePanelRecord(CByteWriter& out, int32_t active, const OutPref* prefs, int count, int32_t selected,
                      const std::vector<PresetRecord>& presets) {
    out.I32(active);
    WritePrefSet(out, prefs, count);
    out.I32(selected);
    out.I32(static_cast<int32_t>(presets.size()) - 1);
    for (const PresetRecord& p : presets) {
        char name[kPresetNameBytes] = {};
        std::memcpy(name, p.name.data(), p.name.size() < kPresetNameChars ? p.name.size() : kPresetNameChars);
        out.Write(name, sizeof name);
        WritePrefSet(out, p.settings.data(), static_cast<int>(p.settings.size()));
    }
    return out.Ok();
}

std::string CutPresetName(const char* name) {
    if (!name) return std::string();
    const size_t n = strnlen(name, kPresetNameChars);
    return std::string(name, n);
}
