// What the waveform files share: the Escape probe of the plot loops, the pen keeper and the
// tests every plot makes of a channel and a range.
#pragma once

#include <windows.h>

#include <cstdint>

struct tagGS;

namespace waveform_internal {

constexpr int16_t kColorModeOwn = 4;
// Samples a paged window keeps in reserve at each end.
constexpr uint32_t kWindowMargin = 4;

// Non-zero when Escape ends the redraw.
int EscapeDown();
bool Positive(double v);
bool OverlapMode(tagGS* gs);
// As the layout counts it: a slot holding a channel that the hide bit does not hide.
bool ChannelShown(const tagGS* gs, int slot);
// The sample at a time, held within 0 .. 2e9.
int64_t SampleIndexOf(double time, double interval);

// Puts the context's pen back after a port replaced it with its own.
class CPenKeeper {
public:
    explicit CPenKeeper(HDC dc) : m_dc(dc), m_pen(GetCurrentObject(dc, OBJ_PEN)) {}
    ~CPenKeeper() {
        if (m_pen) SelectObject(m_dc, m_pen);
    }
    CPenKeeper(const CPenKeeper&) = delete;
    CPenKeeper& operator=(const CPenKeeper&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_pen;
};

}  // namespace waveform_internal
