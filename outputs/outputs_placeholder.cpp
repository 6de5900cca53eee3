// Placeholder of the output-control panels, which are not built: a document's panel set is empty,
// so the window's notifications and commands find no panel. The set keeps the output-panel block
// of the file it was read from, byte for byte, and writes it back.
#include "outputs/outputs_api.h"
#include "base/byte_stream.h"
#include <new>
#include <vector>

void InitOutputControl() {}
void UpdateOutputMenu(HMENU) {}

void NotifyOutputPanels(LPARAM, WPARAM, UINT) {}
void OutputPanelsOnMdiActivate(HWND, HWND) {}
void ClearOutputPanelsPendingStart(COutCtlViewSet*) {}
void OutCtlViewSetOnCommand(COutCtlViewSet*, UINT) {}

class COutCtlViewSet {
public:
    bool hasBlock = false;
    std::vector<uint8_t> block;  // what follows the tag
};
COutCtlViewSet* NewOutCtlViewSet(tagGS*) { return new (std::nothrow) COutCtlViewSet; }
void DeleteOutCtlViewSet(COutCtlViewSet* set, int flags) {
    if (flags & 1) delete set;
}

namespace {
constexpr uint32_t kOutputPanelsTag = 0x12042002;
constexpr int kPanelsInSet = 8;
constexpr int kPanelsWithoutCount = kPanelsInSet - 2;  // a block whose count is 0 has no count field
constexpr int kEmptyPanel = 7;                         // the panel of type 7 stores nothing
constexpr uint64_t kPrefBytes = 40;                    // five doubles
constexpr uint64_t kPresetNameBytes = 65;

// A preference set: its last index, then that many + 1 preferences.
bool SkipPrefsSet(CByteReader& in) {
    int32_t last;
    if (!in.I32(&last) || last < -1) return false;
    return in.Skip((static_cast<uint64_t>(last) + 1) * kPrefBytes);
}

// One panel's record: active flag, settings, selected preset, presets.
bool SkipPanelRecord(CByteReader& in) {
    int32_t active, selected, last;
    if (!in.I32(&active) || !SkipPrefsSet(in) || !in.I32(&selected) || !in.I32(&last) || last < -1) return false;
    for (int32_t i = 0; i <= last; ++i)
        if (!in.Skip(kPresetNameBytes) || !SkipPrefsSet(in)) return false;
    return true;
}
}  // namespace

int ReadOutputPanels(COutCtlViewSet* set, CByteReader& in) {
    const uint64_t start = in.Tell();
    uint32_t tag = 0;
    if (!in.U32(&tag) || tag != kOutputPanelsTag) {
        in.Seek(start);
        return 0;
    }
    const uint64_t body = in.Tell();
    int16_t count = 0;
    bool sound = set && in.I16(&count);
    int panels = count < kPanelsInSet ? count : kPanelsInSet;
    if (sound && panels <= 0) {
        in.Seek(body);
        panels = kPanelsWithoutCount;
    }
    for (int type = 0; sound && type < panels; ++type)
        if (type != kEmptyPanel) sound = SkipPanelRecord(in);
    std::vector<uint8_t> block;
    if (sound) {
        const uint64_t end = in.Tell();
        block.resize(static_cast<size_t>(end - body));
        sound = in.Seek(body) && in.Read(block.data(), block.size());
    }
    if (!sound) {
        in.Seek(start);
        return -1;
    }
    set->hasBlock = true;
    set->block = std::move(block);
    return 1;
}

int WriteOutputPanels(COutCtlViewSet* set, CByteWriter& out) {
    out.U32(kOutputPanelsTag);
    if (set && set->hasBlock) {
        out.Write(set->block.data(), set->block.size());
        return out.Ok() ? 1 : 0;
    }
    // Every panel of the set inactive, without settings or presets.
    out.I16(kPanelsInSet);
    for (int type = 0; type < kPanelsInSet; ++type) {
        if (type == kEmptyPanel) continue;
        out.I32(0);
        out.I32(-1);
        out.I32(-1);
        out.I32(-1);
    }
    return out.Ok() ? 1 : 0;
}
