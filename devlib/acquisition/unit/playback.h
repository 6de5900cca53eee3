// Play-back sources: a stored text file that serves a graph's sample reads in place of the unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct tagGS;
struct stAcq;

constexpr int32_t kPlaybackSources = 20;     // navigators the library holds
constexpr int32_t kPlaybackMaxFactors = 40;  // columns that get a scale factor
constexpr int32_t kPlaybackFieldChars = 16;  // characters of a field that are read
constexpr const char* kPlaybackFreeName = "NOT DEFINED";

// ---- Pure pieces, over plain arrays ----

// Parses the text: columns = tabs in the first row, rows = CR LF pairs; a missing field reads 0.
// values gets rows x columns numbers, row by row. false when there is no column or no row.
bool ParsePlaybackText(const char* text, size_t size, std::vector<double>* values, uint32_t* columns, uint32_t* rows);

// Raw counts per stored unit for a channel of the given amplifier gain: 65536 / (20000 / gain).
double PlaybackColumnFactor(double gain);

// The host clock of a play-back run: frames are counted from the first poll, so what one poll
// could not deliver as a whole frame is delivered by a later one and rounding never accumulates.
struct stPlaybackClock {
    int32_t started;
    uint32_t lastTick;
    uint32_t originTick;
    double framesDelivered;
};

// The first poll starts the clock at now; every poll sets the last tick to now.
void PlaybackTick(stPlaybackClock* clock, uint32_t now);
// Bytes of the whole frames due by the last tick at the sample period and not yet delivered.
uint32_t PlaybackDueBytes(stPlaybackClock* clock, double periodMs, uint32_t channels);

// Fills bytes / 2 big-endian 16-bit samples, sample i from column i mod channels of the cursor's
// row times that column's factor, limited to +-32767; the cursor steps a row after each frame and
// starts over after the last row (that frame's first sample reads 0). Returns the bytes filled,
// 0 when the table has fewer columns than channels.
uint32_t PlaybackFillSamples(const double* values, uint32_t columns, uint32_t rows, const double* factors,
                             uint32_t channels, uint32_t* cursor, uint32_t bytes, uint8_t* buffer);

// ---- The library's use of the sources ----

// Whether the graph has a play-back source assigned.
int32_t PlaybackServesGraph(const tagGS* gs);
// Fills buffer with up to length bytes of the source's frames for a ring read request (address and
// length, big-endian 16-bit each), as the unit would answer it; the bytes filled, 0 on failure.
int32_t PlaybackReadSamples(stAcq* acq, tagGS* gs, const uint8_t* request, uint16_t length, uint8_t* buffer);
// The poll's new byte count of the graph's source at the run's period and analog channel count.
uint32_t PlaybackPollBytes(tagGS* gs, double periodMs, uint32_t channels, uint32_t now);
