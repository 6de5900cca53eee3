// The marker section of the graph file, read into the document's markers and written from them.
#include "documents/files/marker_section.h"
#include "documents/files/graph_layout.h"
#include "documents/stored_blocks.h"
#include "base/byte_stream.h"
#include "common/tagGS.h"
#include <cstring>
#include <vector>

namespace {
using namespace acqfile;

constexpr uint32_t kMaxLabel = kMarkerLabelField - 1;

enum class RecordRead { Bad, Sound, LabelCut };

// The version-35 variant may hold the record's four 16-bit fields in 32 bits each; the first
// record decides for the whole section.
bool FirstRecordIsWide(CByteReader& in, uint64_t end) {
    const uint64_t at = in.Tell();
    uint8_t r[kMarkerWideFixedBytes];
    bool wide = end - at >= sizeof r && in.Read(r, sizeof r) && GetLeU32(r + wmk::LabelOpen) < 2 &&
                GetLeU32(r + wmk::Word1) < 2 && GetLeU32(r + wmk::Word2) < 2;
    in.Seek(at);
    return wide;
}

// The label and its NUL. The label ends at its first NUL: a stored length that runs past it over
// more than NUL padding, or stops short of it, swallowed or split the next record, and the next
// record starts after the NUL.
RecordRead ReadLabel(CByteReader& in, uint64_t end, uint32_t length, stStoredMarker* m) {
    const uint64_t at = in.Tell();
    char bytes[kMarkerLabelField];
    const size_t room = static_cast<size_t>(end - at < sizeof bytes ? end - at : sizeof bytes);
    if (length > kMaxLabel || room == 0 || !in.Read(bytes, room)) return RecordRead::Bad;
    const char* nul = static_cast<const char*>(std::memchr(bytes, 0, room));
    if (!nul) return RecordRead::Bad;
    const uint32_t text = static_cast<uint32_t>(nul - bytes);
    bool padded = text <= length && length < room;
    for (uint32_t i = text; padded && i <= length; ++i) padded = bytes[i] == 0;
    const uint32_t taken = padded ? length : text;
    std::memcpy(m->label, bytes, taken);
    m->label[taken] = 0;
    m->labelLength = static_cast<uint16_t>(taken);
    in.Seek(at + taken + 1);
    return padded ? RecordRead::Sound : RecordRead::LabelCut;
}

// One record of the little-endian forms.
RecordRead ReadStandardRecord(CByteReader& in, uint64_t end, bool wide, stStoredMarker* m) {
    uint8_t r[kMarkerWideFixedBytes];
    const uint32_t fixed = wide ? kMarkerWideFixedBytes : kMarkerFixedBytes;
    if (end - in.Tell() < fixed || !in.Read(r, fixed)) return RecordRead::Bad;
    m->position = GetLeU32(r + mk::Position);
    uint32_t length;
    if (wide) {
        m->labelOpen = static_cast<uint16_t>(GetLeU32(r + wmk::LabelOpen));
        m->word1 = static_cast<uint16_t>(GetLeU32(r + wmk::Word1));
        m->word2 = static_cast<uint16_t>(GetLeU32(r + wmk::Word2));
        length = GetLeU32(r + wmk::LabelLength);
    } else {
        m->labelOpen = GetLeU16(r + mk::LabelOpen);
        m->word1 = GetLeU16(r + mk::Word1);
        m->word2 = GetLeU16(r + mk::Word2);
        length = GetLeU16(r + mk::LabelLength);
    }
    return ReadLabel(in, end, length, m);
}

// One record of the byte-swapped form: position, three single bytes and one skipped, the
// label's length, and the label without its NUL.
RecordRead ReadSwappedRecord(CByteReader& in, uint64_t end, stStoredMarker* m) {
    uint8_t r[kMarkerSwappedFixedBytes];
    if (end - in.Tell() < sizeof r || !in.Read(r, sizeof r)) return RecordRead::Bad;
    m->position = GetBeU32(r + smk::Position);
    m->labelOpen = r[smk::LabelOpen];
    m->word1 = r[smk::Word1];
    m->word2 = r[smk::Word2];
    uint32_t length = GetBeU16(r + smk::LabelLength);
    if (length > kMaxLabel || end - in.Tell() < length || !in.Read(m->label, length)) return RecordRead::Bad;
    m->label[length] = 0;
    // A NUL inside the label ends it; what follows it, unless NUL padding, is not label.
    const uint32_t text = static_cast<uint32_t>(std::strlen(m->label));
    bool padded = true;
    for (uint32_t i = text; i < length; ++i) padded = padded && m->label[i] == 0;
    m->labelLength = static_cast<uint16_t>(padded ? length : text);
    return padded ? RecordRead::Sound : RecordRead::LabelCut;
}

bool WriteRecord(CByteWriter& out, const stStoredMarker& m, uint32_t position) {
    out.U32(position);
    out.U16(m.labelOpen);
    out.U16(m.word1);
    out.U16(m.word2);
    out.U16(m.labelLength);
    char label[kMarkerLabelField] = {};
    std::memcpy(label, m.label, m.labelLength);
    return out.Write(label, m.labelLength + 1u);
}

}  // namespace

MarkerSectionFault ReadMarkerSection(tagGS* gs, CByteReader& in, MarkerSectionForm form, uint32_t endOfData,
                                     stMarkerSectionRead* read) {
    *read = stMarkerSectionRead{};
    const bool swapped = form == MarkerSectionForm::Swapped;
    uint32_t length = 0, count = 0;
    const uint64_t start = in.Tell();
    if (swapped ? !in.U32Be(&length) || !in.U32Be(&count) : !in.U32(&length) || !in.U32(&count))
        return MarkerSectionFault::PastEnd;
    if (length == 0 && count == 0) {
        read->recordsEnd = in.Tell();
        StoreMarkers(gs, nullptr, 0);
        return MarkerSectionFault::None;
    }
    // The smallest record of the form (the standard forms' limit is the historical 12).
    const uint32_t smallest = swapped ? kMarkerSwappedFixedBytes : kMarkerFixedBytes;
    if (count == 0 || length < 1 || length / smallest < count) return MarkerSectionFault::Corrupted;
    const uint64_t end = start + kMarkerHeadBytes + length;
    if (end > in.Size()) return MarkerSectionFault::PastEnd;
    const bool wide = form == MarkerSectionForm::Wide35 && FirstRecordIsWide(in, end);
    // Records are taken as they prove sound, so that a count the file cannot hold costs nothing.
    std::vector<stStoredMarker> markers;
    std::vector<uint8_t> kept;
    markers.reserve(count < 4096 ? count : 4096);
    auto take = [&](const stStoredMarker& m) {
        // A marker placed beyond the data marks nothing.
        const bool inData = m.position <= endOfData;
        kept.push_back(inData ? 1 : 0);
        if (inData)
            markers.push_back(m);
        else
            ++read->leftOut;
    };
    for (uint32_t i = 0; i < count; ++i) {
        stStoredMarker m{};
        const RecordRead got = swapped ? ReadSwappedRecord(in, end, &m) : ReadStandardRecord(in, end, wide, &m);
        if (got == RecordRead::Bad) return MarkerSectionFault::Corrupted;
        if (got == RecordRead::LabelCut) ++read->labelsCut;
        take(m);
    }
    // Records left before the section's end: a count that fell short of them, when they are
    // sound and fill the section exactly (else the section's length was the damaged field).
    const uint64_t counted = in.Tell();
    std::vector<stStoredMarker> more;
    uint32_t moreCut = 0;
    while (in.Tell() < end) {
        stStoredMarker m{};
        const RecordRead got = swapped ? ReadSwappedRecord(in, end, &m) : ReadStandardRecord(in, end, wide, &m);
        if (got != RecordRead::Sound && got != RecordRead::LabelCut) break;
        moreCut += got == RecordRead::LabelCut ? 1 : 0;
        more.push_back(m);
    }
    if (!more.empty() && in.Tell() == end) {
        for (const stStoredMarker& m : more) take(m);
        read->labelsCut += moreCut;
        read->countShort = static_cast<uint32_t>(more.size());
    } else {
        in.Seek(counted);
    }
    if (!StoreMarkers(gs, markers.data(), static_cast<uint32_t>(markers.size()))) return MarkerSectionFault::NoMemory;
    if (read->leftOut) read->keptInFile.swap(kept);
    read->recordsEnd = in.Tell();
    in.Seek(end);
    return MarkerSectionFault::None;
}

int WriteMarkerSection(tagGS* gs, CByteWriter& out, bool selectionOnly, int32_t selected) {
    const uint32_t count = StoredMarkerCount(gs);
    if (selectionOnly) {
        const stStoredMarker* m = selected >= 0 ? StoredMarkerAt(gs, static_cast<uint32_t>(selected)) : nullptr;
        out.U32(m ? m->labelLength + 13u : 0);
        out.U32(m ? 1 : 0);
        if (m) WriteRecord(out, *m, 0);
    } else {
        uint32_t length = 0;
        for (uint32_t i = 0; i < count; ++i) length += StoredMarkerAt(gs, i)->labelLength + 13u;
        out.U32(length);
        out.U32(count);
        for (uint32_t i = 0; i < count; ++i) {
            const stStoredMarker* m = StoredMarkerAt(gs, i);
            WriteRecord(out, *m, m->position);
        }
    }
    if (gs->markerLabelEdit && IsWindow(gs->markerLabelEdit)) SendMessageA(gs->markerLabelEdit, EM_SETMODIFY, 0, 0);
    return out.Ok() ? 1 : 0;
}
