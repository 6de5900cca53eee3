// Grid lines of one channel band, on any device context.
#pragma once
#include <windows.h>

struct tagGS;

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
