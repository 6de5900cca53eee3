// Grid lines of one channel band, on any device context.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

struct tagGS;

// The pens the Grid Options lists offer, in their order; lessons name them by their place.
inline constexpr int kGridStyles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT};
inline constexpr int kGridWidths[] = {1, 2, 3, 4, 5, 6, 8};
inline constexpr COLORREF kGridColors[] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                           0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                           0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

// The place of a value in one of those lists, searched from the front; a value that is not
// there gives the last place.
template <size_t N, typename T>
int GridListIndex(const T (&list)[N], uint32_t value) {
    for (size_t i = 0; i < N; ++i)
        if (static_cast<uint32_t>(list[i]) == value) return static_cast<int>(i);
    return static_cast<int>(N) - 1;
}

// Draws the grid of a channel band. page and strip place a printed strip; pagesToFit and
// stripsPerPage divide the view among the strips (the screen passes 0, 0, 1, 1).
void DrawChannelGrid(HDC dc, tagGS* gs, int slot, int page, int strip, int pagesToFit, int stripsPerPage);

// The grid point origin + k x step (k whole) that is the first at or after from; step > 0.
double FirstGridPoint(double origin, double step, double from);

// Spacing of the lines actually drawn for a major spacing (pixels) at a resolution (dots per
// inch): with fine set and major lines more than a quarter inch apart, the minor spacing (a
// fifth) and minor 1; otherwise the major spacing, doubled while it is 1/24 inch or less.
struct stGridSpacing {
    double spacing;
    int minor;
};
stGridSpacing PlanGridSpacing(double majorSpacing, int dpi, int fine);
