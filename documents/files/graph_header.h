// The graph file's fixed records coded to and from the document, field by field.
#pragma once
#include <cstdint>
#include "documents/files/graph_layout.h"

struct tagGS;

// What the writer puts into the graph header besides the document's own fields.
struct stHeaderOptions {
    uint32_t version;       // 42, or 37 for a template
    uint16_t channels;      // channel headers that follow
    bool zeroView;          // view start, selection and time value 1 written as 0
    bool ringStart;         // time value 1 is the ring's first sample's time
    bool zeroChannelWords;  // the per-channel words at 2848 written as 0 (templates)
};

void EncodeGraphHeader(const tagGS* gs, const stHeaderOptions& options, uint8_t out[acqfile::kHeaderBytes]);
// Fills the document from a header (missing bytes zero, 0xFFFF in the words that keep the
// document's value) by the rules of its version. Older files' window placement is kept on a
// screen of the given size.
void DecodeGraphHeader(const uint8_t in[acqfile::kHeaderBytes], uint32_t version, tagGS* gs, int screenWidth,
                       int screenHeight);
// The byte-swapped variant's header, from its first min(length, 2976) bytes.
void DecodeSwappedHeader(const uint8_t in[acqfile::kHeaderBytes], uint32_t version, tagGS* gs);

void EncodeChannelHeader(const tagGS* gs, int slot, uint32_t count, uint8_t out[acqfile::kChannelHeaderBytes]);
// The slot is the caller's (checked against 0-59); the channel is marked in use.
void DecodeChannelHeader(const uint8_t in[acqfile::kChannelHeaderBytes], uint32_t version, tagGS* gs, int slot);
void DecodeSwappedChannelHeader(const uint8_t in[acqfile::kChannelHeaderBytes], uint32_t version, tagGS* gs, int slot);

// The measurement type of a file of the given version in today's numbering.
uint16_t ConvertMeasureType(uint16_t type, uint32_t version);
// The colour of an old byte-swapped file's colour code (other codes stay as they are).
uint32_t SwappedColourCode(uint32_t code);
