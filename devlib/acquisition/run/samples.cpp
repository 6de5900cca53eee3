// Sample read-in: the unit's ring read in small whole-frame requests and de-interleaved into the
// attached graph's channel blocks as a batch arrives.
#include "devlib/acquisition/run/samples.h"

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/calc/calc.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/run/run_common.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/unit/packet.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/acquisition/run/unit_memory.h"
#include "devlib/services/library.h"
#include "common/binding.h"

#include <algorithm>

namespace {

constexpr int32_t kUsbPacketBytes = 64;
constexpr int32_t kReplyFraming = 2;

bool ShortPacketNeeded(int32_t bytes, int32_t secondModel) {
    return secondModel && bytes > 0 && (bytes + kReplyFraming) % kUsbPacketBytes == 0;
}

}  // namespace

// A request of whole frames, small enough to keep each exchange short.
int32_t ReadChunkBytes(int32_t frameSize, int32_t highSpeed, int32_t secondModel) {
    if (frameSize <= 0) return 0;
    const int32_t limit = highSpeed ? kReadChunkBytesFast : kReadChunkBytes;
    return TrimLastChunk(limit / frameSize * frameSize, frameSize, secondModel);
}

// The model-45 pipe rule applied to a request of bytes.
int32_t TrimLastChunk(int32_t bytes, int32_t frameSize, int32_t secondModel) {
    return ShortPacketNeeded(bytes, secondModel) ? bytes - frameSize : bytes;
}

// The ring wraps by subtracting its size once the address passes its end.
uint32_t NextRingAddress(uint32_t address, uint32_t bytes, uint32_t ringBytes) {
    uint32_t next = address + bytes;
    if (ringBytes && next > ringBytes - 1) next -= ringBytes;
    return next;
}

// Frame f goes to sample (at + f) % wrap of every run channel; calculation channels are left to
// their own step.
void StoreFrames(const uint8_t* bytes, int32_t frames, const stAcqRun& run, void* const* blocks, uint32_t at,
                 uint32_t wrap) {
    const int32_t channels = run.analogCount + run.digitalCount;
    const int32_t digitalAt = 2 * run.analogCount;
    for (int32_t f = 0; f < frames; ++f) {
        const uint8_t* frame = bytes + static_cast<size_t>(f) * run.frameSize;
        uint32_t index = at + static_cast<uint32_t>(f);
        if (wrap) index %= wrap;
        int32_t word = 0;
        for (int32_t i = 0; i < channels; ++i) {
            auto* block = static_cast<uint16_t*>(blocks[i]);
            const int32_t number = run.chanOrder[i];
            if (!block || number >= kFirstCalcSlot) continue;
            if (number >= kFirstDigitalSlot) {
                const uint32_t digital = GetBeU16(frame + digitalAt);
                block[index] = (digital >> (number - kFirstDigitalSlot)) & 1u ? kDigitalHigh : 0;
            } else {
                block[index] = static_cast<uint16_t>(GetBeU16(frame + 2 * word++));
            }
        }
    }
}

// A full ring moves its first sample on by what it overwrites; a filling one only by the overflow.
uint32_t AdvanceSampleRing(tagGS* gs, uint32_t frames) {
    const uint32_t start = gs->winRingBase;
    const uint32_t capacity = gs->winSize;
    if (!capacity) return start;
    const uint32_t room = capacity - std::min(gs->winLen, capacity);
    if (frames > room) gs->winFirst += static_cast<int32_t>(frames - room);
    gs->winLen = std::min(capacity, gs->winLen + frames);
    gs->winRingBase = (start + frames) % capacity;
    return start;
}

int32_t RequestRingChunk(stAcq* acq, uint32_t address, int32_t length, uint8_t* buffer) {
    if (g_runLayer.highSpeedRun) return RequestUnitMemory(address, length, buffer) ? 1 : 0;
    uint8_t request[kRingRequestBytes];
    PutBeU16(request, address & 0x7FFFu);
    PutBeU16(request + 2, static_cast<uint32_t>(length));
    return g_unitLink.ReadSamples(request, static_cast<uint16_t>(length), buffer, acq);
}

// One batch from the unit's ring into the graph: whole frames only, in short requests.
int32_t ReadMemorySamples(stAcq* acq, int32_t* count, uint32_t address) {
    stAcqRun& run = acq->run;
    tagGS* gs = run.attachedGraph;
    const int32_t frameSize = run.frameSize;
    if (!gs || frameSize <= 0 || *count < 0 || acq->runStorageKind != kStorageMemory) {
        *count = 0;
        return 0;
    }
    const int32_t frames = *count / frameSize;
    const int32_t bytes = frames * frameSize;
    const bool ring = acq->runRepeatMode == kRepeatRing;
    const int32_t secondModel = g_unitModel == kModelVK45;
    const int32_t chunk = ReadChunkBytes(frameSize, g_runLayer.highSpeedRun, secondModel);
    const int32_t channels = RunChannels(run);
    void* blocks[kMaxChanRecords] = {};
    for (int32_t i = 0; i < channels && i < kMaxChanRecords; ++i) blocks[i] = gs->chanBlock[RunChannelSlot(run, i)];

    uint32_t writeAt = gs->winRingBase;
    if (!ring) gs->winRingBase += static_cast<uint32_t>(frames);
    static uint8_t buffer[kReadChunkBytesFast];
    for (int32_t done = 0; done < bytes;) {
        const int32_t length = TrimLastChunk(std::min(chunk, bytes - done), frameSize, secondModel);
        if (!RequestRingChunk(acq, address, length, buffer)) {
            *count = 0;
            return 0;
        }
        const int32_t got = length / frameSize;
        const uint32_t at = ring ? AdvanceSampleRing(gs, static_cast<uint32_t>(got)) : writeAt;
        StoreFrames(buffer, got, run, blocks, at, ring ? gs->winSize : 0);
        writeAt += static_cast<uint32_t>(got);
        for (int32_t i = 0; i < channels; ++i) gs->chanCount[RunChannelSlot(run, i)] += static_cast<uint32_t>(got);
        gs->totalSamples = static_cast<int32_t>(gs->chanCount[FirstRunSlot(run)]);
        if (run.calcCount) ComputeCalcChannels(acq, gs, got);
        address = NextRingAddress(address, static_cast<uint32_t>(length), g_runLayer.unitRingBytes);
        done += length;
    }
    *count = bytes;
    return 1;
}

// Analog first, then digital, then calculation channels; unit-memory runs put the digital
// channels among the analog ones as the unit stores them.
int32_t BuildChannelOrder(stAcq* acq, uint16_t* analogMask) {
    // Each kind as a set of numbers, so a record named twice counts once and the order is ascending.
    uint32_t analogSeen = 0, digitalSeen = 0, calcSeen = 0;
    for (const stAcqChan& c : acq->chans) {
        if (!(c.flags & kChanEnabled) || c.number < 0) continue;
        if (c.group == kGroupAnalog && c.number < kAnalogChannels) analogSeen |= 1u << c.number;
        if (c.group == kGroupDigital && c.number < kMaxDigitalChannels) digitalSeen |= 1u << c.number;
        if (c.group == kGroupCalc && c.number < kCalcChannels) calcSeen |= 1u << c.number;
    }
    int32_t analog[kAnalogChannels] = {};
    int32_t na = 0, nd = 0, nc = 0;
    for (int32_t i = 0; i < kAnalogChannels; ++i)
        if (analogSeen & (1u << i)) analog[na++] = i + 1;
    int32_t lead = na;
    if (acq->storageKind == kStorageUnitMemory) lead = na >= 2 ? na - 1 : na;
    if (acq->storageKind == kStorageFastUnitMemory) lead = na >= 3 ? na - 2 : na;
    stAcqRun& run = acq->run;
    int32_t n = 0;
    for (int32_t i = 0; i < lead; ++i) run.chanOrder[n++] = analog[i];
    for (int32_t i = 0; i < kMaxDigitalChannels; ++i)
        if (digitalSeen & (1u << i)) run.chanOrder[n++] = kFirstDigitalSlot + i, ++nd;
    for (int32_t i = lead; i < na; ++i) run.chanOrder[n++] = analog[i];
    for (int32_t i = 0; i < kCalcChannels; ++i)
        if (calcSeen & (1u << i)) run.chanOrder[n++] = kFirstCalcSlot + i, ++nc;
    *analogMask = static_cast<uint16_t>(analogSeen);
    run.analogCount = na;
    run.digitalCount = nd;
    run.calcCount = nc;
    run.frameSize = 2 * na + (nd && acq->storageKind != kStorageDoubles ? 2 : 0);
    return n > 0;
}
