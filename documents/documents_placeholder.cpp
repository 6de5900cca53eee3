// Placeholder of the parts of the documents module that are not built (measurements and graph
// items): each function answers as a document without measurements would.
#include "documents/documents_api.h"
#include <new>
#include "common/tagGS.h"
#include "base/app.h"
#include "base/services.h"
#include <string>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>
#include "documents/stored_blocks.h"
#include "documents/files/graph_layout.h"
#include "base/byte_stream.h"


// The measurement box class, with no behaviour of its own yet.
int RegisterMeasureClass(HINSTANCE inst) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "acqMeasure";
    return RegisterClassA(&wc) != 0;
}

void SyncChannelDisplayFlags(tagGS*) {}
void UpdateAllMeasurements(tagGS*) {}
int GetSelectionSampleRange(tagGS*, int32_t* first, int32_t* last, int16_t) {
    *first = *last = 0;
    return 0;
}

int ShowCalculationDialog(stMeasure*, HWND) { return 0; }
void FormatMeasurementResult(stMeasure*) {}
tagGS* GetMeasurementDocument(stMeasure*) { return nullptr; }
void SetMeasurementCaptions(tagGS*) {}

// The graph window's calls into measurements: no measurement row, so there is nothing to act on.
int GetMeasurementCount(void*) { return 0; }
stMeasure* GetMeasurementAt(void*, int) { return nullptr; }

// The clipboard commands: nothing written.
void CopyMeasurementsToClipboard(tagGS*) {}
void CopySelectionTextToClipboard(tagGS*) {}
int JournalPasteMeasurements(tagGS*) { return 1; }
int JournalPasteWaveData(tagGS*) { return 0; }
void ShowStandardCurveDialog(tagGS*) {}

// Sub-objects of a graph document: objects in place of the graph items and
// standard curves, so that documents make and free them in the right places. Each keeps what a
// graph file gave it (see documents/stored_blocks.h) and gives it back when the file is written.
class CGraphItemList {
public:
    bool hasBlock = false;
    uint32_t shown = 1;
    int32_t lastIndex = -1;
    std::vector<uint8_t> items;  // the item records as stored
};
// The standard-curve settings of a document.
struct stCurveSettings {
    double from, to;
    int32_t samples;
    COLORREF dotColour;
    int32_t dotSize;
};
CGraphItemList* NewGraphItemList(tagGS*) { return new (std::nothrow) CGraphItemList; }
void DeleteGraphItemList(CGraphItemList* list, int flags) {
    if (flags & 1) delete list;
}
void* CopyDefaultCurveSettings() {
    auto* s = static_cast<stCurveSettings*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stCurveSettings)));
    if (s) *s = stCurveSettings{0.0, 1.0, 100, 0x008000, 7};
    return s;
}
void FreeCurveSettings(void* settings) {
    if (settings) HeapFree(GetProcessHeap(), 0, settings);
}

// ---- Stored blocks, kept as the file gave them ----

namespace {

// A document read without its sub-objects gets them here.
CGraphItemList* Items(tagGS* gs) {
    if (!gs->graphItems) gs->graphItems = NewGraphItemList(gs);
    return gs->graphItems;
}

// Reads n bytes into a vector; false at the end.
bool ReadBytes(CByteReader& in, std::vector<uint8_t>& out, uint64_t n) {
    if (n > in.Remaining()) return false;
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    return in.Read(out.data() + at, static_cast<size_t>(n));
}

}  // namespace

int GraphItemsLoad(tagGS* gs, CByteReader& in) {
    const uint64_t start = in.Tell();
    uint32_t tag = 0, shown = 0;
    int32_t last = 0;
    if (!in.U32(&tag) || tag != acqfile::kGraphItemsTag) {
        in.Seek(start);
        return kBlockAbsent;
    }
    CGraphItemList* list = Items(gs);
    if (!list || !in.U32(&shown) || !in.I32(&last) || last < -1) {
        in.Seek(start);
        return kBlockDamaged;
    }
    std::vector<uint8_t> items;
    int32_t read = 0;
    for (; read <= last; ++read) {
        uint8_t kind = 0;
        uint64_t at = in.Tell();
        if (!in.U8(&kind)) break;
        uint32_t size = kind == 'L' ? 41 : kind == 'D' ? 25 : 0;
        in.Seek(at);
        if (size == 0 || !ReadBytes(in, items, size)) {
            in.Seek(at);
            break;
        }
    }
    list->hasBlock = true;
    list->shown = shown;
    list->lastIndex = read - 1;
    list->items = std::move(items);
    return kBlockRead;
}

int GraphItemsSave(tagGS* gs, CByteWriter& out) {
    const CGraphItemList* list = gs->graphItems;
    out.U32(acqfile::kGraphItemsTag);
    out.U32(list ? list->shown : 1);
    out.I32(list ? list->lastIndex : -1);
    if (list && !list->items.empty()) out.Write(list->items.data(), list->items.size());
    return out.Ok() ? 1 : 0;
}

void CurveSettingsToBytes(const tagGS* gs, uint8_t out[28]) {
    std::memset(out, 0, 28);
    const auto* s = static_cast<const stCurveSettings*>(gs->curveSettings);
    if (!s) return;
    PutLeF64(out, s->from);
    PutLeF64(out + 8, s->to);
    PutLeU32(out + 16, static_cast<uint32_t>(s->samples));
    PutLeU32(out + 20, s->dotColour);
    PutLeU32(out + 24, static_cast<uint32_t>(s->dotSize));
}

void CurveSettingsFromBytes(tagGS* gs, const uint8_t in[28]) {
    bool zero = true;
    for (int i = 0; i < 28; ++i) zero = zero && in[i] == 0;
    if (zero) return;
    if (!gs->curveSettings) gs->curveSettings = CopyDefaultCurveSettings();
    auto* s = static_cast<stCurveSettings*>(gs->curveSettings);
    if (!s) return;
    s->from = GetLeF64(in);
    s->to = GetLeF64(in + 8);
    s->samples = GetLeI32(in + 16);
    s->dotColour = GetLeU32(in + 20);
    s->dotSize = GetLeI32(in + 24);
}

void ClearStoredBlocks(tagGS* gs) {
    ForgetStoredMarkers(gs);
    JournalClear(gs->journal);
    if (CGraphItemList* list = gs->graphItems) *list = CGraphItemList{};
}

// Graph window panes: no measurement boxes; the measurement row is an empty object
// of no height.
namespace {
struct EmptyPane {
    int kind;
};
}  // namespace
void* CreateMeasurementRow(HWND, int, int, int16_t* height) {
    *height = 0;
    return new (std::nothrow) EmptyPane{1};
}
void DeleteMeasurementRow(void* row) { delete static_cast<EmptyPane*>(row); }
void SetMeasurementBox(void*, int, uint16_t, int16_t, const uint16_t*, double, const char*, COLORREF, int) {}
void RefreshMeasurementDisplay(tagGS*) {}

// Text import and export are not built: no text file is read or written.
int ReadTextFile(tagGS*, HANDLE*) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
}
int WriteTextFile(tagGS*, HANDLE, int) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
}
