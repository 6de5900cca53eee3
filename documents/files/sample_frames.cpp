// Sample frames: layout arithmetic and taking frames apart into channel blocks.
#include "documents/files/sample_frames.h"
#include <emmintrin.h>
#include <cstring>

namespace {

void ReverseBytes(uint8_t* p, uint32_t n) {
    for (uint32_t i = 0; i < n / 2; ++i) {
        uint8_t t = p[i];
        p[i] = p[n - 1 - i];
        p[n - 1 - i] = t;
    }
}

// True when every channel of the layout holds frames first .. first + frames - 1, so that all
// of them have the same size.
bool FramesAreFull(const FrameLayout& layout, uint32_t first, uint32_t frames) {
    uint64_t end = static_cast<uint64_t>(first) + frames;
    for (int k = 0; k < layout.slots; ++k)
        if (layout.count[k] < end) return false;
    return true;
}

// Eight rows of eight 16-bit values turned into eight columns: row r's value c goes to out[c] at
// place r. Sixteen bytes are read from each in pointer and written to each out pointer.
void Transpose8x8(const uint8_t* const in[8], uint8_t* const out[8]) {
    __m128i r[8];
    for (int i = 0; i < 8; ++i) r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[i]));
    __m128i a[8], b[8];
    for (int i = 0; i < 4; ++i) {
        a[2 * i] = _mm_unpacklo_epi16(r[2 * i], r[2 * i + 1]);
        a[2 * i + 1] = _mm_unpackhi_epi16(r[2 * i], r[2 * i + 1]);
    }
    for (int half = 0; half < 2; ++half) {
        const int at = 4 * half;
        b[at] = _mm_unpacklo_epi32(a[at], a[at + 2]);
        b[at + 1] = _mm_unpackhi_epi32(a[at], a[at + 2]);
        b[at + 2] = _mm_unpacklo_epi32(a[at + 1], a[at + 3]);
        b[at + 3] = _mm_unpackhi_epi32(a[at + 1], a[at + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[2 * i]), _mm_unpacklo_epi64(b[i], b[i + 4]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[2 * i + 1]), _mm_unpackhi_epi64(b[i], b[i + 4]));
    }
}

bool AllSixteenBit(const FrameLayout& layout) {
    for (int k = 0; k < layout.slots; ++k)
        if (layout.width[k] != 2) return false;
    return layout.slots > 0;
}

// Full frames of 16-bit channels between frame-major data and channel blocks, eight channels by
// eight frames at a time; toBlocks chooses the direction. The rest goes value by value.
void MoveSixteenBitFrames(const FrameLayout& layout, uint8_t* data, uint8_t* const* blocks, uint32_t at,
                          uint32_t frames, bool toBlocks) {
    const size_t stride = 2 * static_cast<size_t>(layout.slots);
    const int groups = layout.slots / 8;
    uint32_t f = 0;
    for (; f + 8 <= frames; f += 8) {
        for (int g = 0; g < groups; ++g) {
            const uint8_t* in[8];
            uint8_t* out[8];
            for (int i = 0; i < 8; ++i) {
                uint8_t* frame = data + (f + i) * stride + 16 * g;
                uint8_t* channel = blocks[8 * g + i] + 2 * (static_cast<size_t>(at) + f);
                in[i] = toBlocks ? frame : channel;
                out[i] = toBlocks ? channel : frame;
            }
            Transpose8x8(in, out);
        }
    }
    for (uint32_t j = 0; j < frames; ++j) {
        for (int k = j < f ? 8 * groups : 0; k < layout.slots; ++k) {
            uint8_t* frame = data + j * stride + 2 * k;
            uint8_t* channel = blocks[k] + 2 * (static_cast<size_t>(at) + j);
            std::memcpy(toBlocks ? channel : frame, toBlocks ? frame : channel, 2);
        }
    }
}

// Full frames: one column per channel, copied with a fixed stride.
void UnpackFullFrames(const FrameLayout& layout, const uint8_t* data, uint32_t frames, uint32_t done, int byteSwapped,
                      void* const* blocks) {
    if (AllSixteenBit(layout) && byteSwapped != 1) {
        MoveSixteenBitFrames(layout, const_cast<uint8_t*>(data), reinterpret_cast<uint8_t* const*>(blocks), done,
                             frames, true);
        return;
    }
    uint32_t stride = 0;
    for (int k = 0; k < layout.slots; ++k) stride += layout.width[k];
    uint32_t at = 0;
    for (int k = 0; k < layout.slots; ++k) {
        const uint32_t w = layout.width[k];
        const uint8_t* src = data + at;
        uint8_t* dst = static_cast<uint8_t*>(blocks[k]) + static_cast<size_t>(done) * w;
        if (w == 2) {
            for (uint32_t j = 0; j < frames; ++j) std::memcpy(dst + 2 * j, src + static_cast<size_t>(j) * stride, 2);
        } else {
            for (uint32_t j = 0; j < frames; ++j) std::memcpy(dst + 8 * j, src + static_cast<size_t>(j) * stride, 8);
        }
        if (byteSwapped == 1)
            for (uint32_t j = 0; j < frames; ++j) ReverseBytes(dst + static_cast<size_t>(j) * w, w);
        at += w;
    }
}

}  // namespace

int64_t WindowPosition(int32_t index, int32_t winFirst, uint32_t ringBase, uint32_t winLen) {
    int64_t pos = static_cast<int64_t>(ringBase) + index - winFirst;
    if (pos < 0) return -1;
    if (pos >= winLen) pos -= winLen;
    if (pos < 0 || pos >= winLen) return -1;
    return pos;
}

FrameLayout FrameLayoutOf(const tagGS* gs) {
    FrameLayout l{};
    for (int s = 0; s < kMaxChannels; ++s) {
        if ((gs->chanFlags[s] & kChanSlotMask) == 0) continue;
        l.slot[l.slots] = s;
        l.count[l.slots] = gs->chanCount[s];
        l.width[l.slots] = SampleWidth(gs->chanType[s]);
        ++l.slots;
    }
    return l;
}

uint32_t FrameBytes(const FrameLayout& layout, uint32_t frame) {
    uint32_t bytes = 0;
    for (int k = 0; k < layout.slots; ++k)
        if (frame < layout.count[k]) bytes += layout.width[k];
    return bytes;
}

uint64_t FrameOffset(const FrameLayout& layout, uint64_t dataOffset, uint32_t frame) {
    uint64_t off = dataOffset;
    for (int k = 0; k < layout.slots; ++k)
        off += static_cast<uint64_t>(layout.count[k] < frame ? layout.count[k] : frame) * layout.width[k];
    return off;
}

uint32_t FrameEnd(const FrameLayout& layout) {
    uint32_t end = 0;
    for (int k = 0; k < layout.slots; ++k)
        if (layout.count[k] > end) end = layout.count[k];
    return end;
}

WindowPlan PlanWindow(const FrameLayout& layout, uint32_t first, uint32_t n) {
    WindowPlan p{};
    for (int k = 0; k < layout.slots; ++k) {
        uint32_t c = layout.count[k];
        uint32_t before = c < first ? c : first;
        uint32_t held = c > first ? c - first : 0;
        if (held > n) held = n;
        p.skip += static_cast<uint64_t>(before) * layout.width[k];
        p.bytes += static_cast<uint64_t>(held) * layout.width[k];
        if (held > p.winLen) p.winLen = held;
    }
    return p;
}

uint32_t FramesThatFit(const FrameLayout& layout, uint32_t first, uint32_t frames, size_t bytes, size_t* used) {
    size_t total = 0;
    uint32_t n = 0;
    if (FramesAreFull(layout, first, frames)) {
        uint32_t stride = FrameBytes(layout, first);
        n = stride ? static_cast<uint32_t>(bytes / stride < frames ? bytes / stride : frames) : 0;
        total = static_cast<size_t>(n) * stride;
    } else {
        for (; n < frames; ++n) {
            uint32_t need = FrameBytes(layout, first + n);
            if (need == 0 || total + need > bytes) break;
            total += need;
        }
    }
    if (used) *used = total;
    return n;
}

uint32_t UnpackFrames(const FrameLayout& layout, const uint8_t* data, size_t bytes, uint32_t first, uint32_t done,
                      uint32_t winLen, int byteSwapped, void* const* blocks) {
    if (done >= winLen) return 0;
    size_t used = 0;
    uint32_t frames = FramesThatFit(layout, first + done, winLen - done, bytes, &used);
    if (frames == 0) return 0;
    if (FramesAreFull(layout, first + done, frames)) {
        UnpackFullFrames(layout, data, frames, done, byteSwapped, blocks);
        return frames;
    }
    size_t at = 0;
    for (uint32_t j = done; j < done + frames; ++j) {
        uint32_t frame = first + j;
        for (int k = 0; k < layout.slots; ++k) {
            if (frame >= layout.count[k]) continue;
            uint32_t w = layout.width[k];
            uint8_t* dst = static_cast<uint8_t*>(blocks[k]) + static_cast<size_t>(j) * w;
            std::memcpy(dst, data + at, w);
            if (byteSwapped == 1) ReverseBytes(dst, w);
            at += w;
        }
    }
    return frames;
}

void PackFrames(const FrameLayout& layout, const uint8_t* const* blocks, uint32_t first, uint32_t position,
                uint32_t frames, uint8_t* data) {
    if (FramesAreFull(layout, first, frames) && AllSixteenBit(layout)) {
        MoveSixteenBitFrames(layout, data, const_cast<uint8_t* const*>(blocks), position, frames, false);
        return;
    }
    if (FramesAreFull(layout, first, frames)) {
        // One column per channel with a fixed stride.
        uint32_t stride = 0;
        for (int k = 0; k < layout.slots; ++k) stride += layout.width[k];
        uint32_t at = 0;
        for (int k = 0; k < layout.slots; ++k) {
            const uint32_t w = layout.width[k];
            const uint8_t* src = blocks[k] + static_cast<size_t>(position) * w;
            uint8_t* dst = data + at;
            if (w == 2) {
                for (uint32_t j = 0; j < frames; ++j)
                    std::memcpy(dst + static_cast<size_t>(j) * stride, src + 2 * j, 2);
            } else {
                for (uint32_t j = 0; j < frames; ++j)
                    std::memcpy(dst + static_cast<size_t>(j) * stride, src + 8 * j, 8);
            }
            at += w;
        }
        return;
    }
    for (uint32_t f = 0; f < frames; ++f) {
        for (int k = 0; k < layout.slots; ++k) {
            if (first + f >= layout.count[k]) continue;
            const uint32_t w = layout.width[k];
            std::memcpy(data, blocks[k] + static_cast<size_t>(position + f) * w, w);
            data += w;
        }
    }
}

void SwapFrameSamples(const FrameLayout& layout, uint8_t* data, uint32_t first, uint32_t frames) {
    size_t at = 0;
    for (uint32_t j = 0; j < frames; ++j) {
        for (int k = 0; k < layout.slots; ++k) {
            if (first + j >= layout.count[k]) continue;
            ReverseBytes(data + at, layout.width[k]);
            at += layout.width[k];
        }
    }
}
