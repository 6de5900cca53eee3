// Axes, scales and labels around the plot: frame lines, channel label boxes, vertical scale
// strips with their allowed-range bars, the horizontal axis numbers and units, the XY title box.
// Tick placement and label texts are pure functions over plain values; the drawing entry points
// adapt a graph record to them.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// Largest jump, in divisions, from the origin towards the lowest visible value; further away
// the strip shows no numbers.
constexpr double kMaxGridJump = 4294967295.0;
// Labels one strip or axis draws at most, whatever the steps say.
constexpr int32_t kMaxAxisLabels = 512;
// Width of an allowed-range bar and its colour.
constexpr int32_t kRangeBarWidth = 5;
constexpr COLORREF kRangeBarColor = 0x4D9032;

// First grid value at or above lowest: origin moved by whole divisions. 0 when the step is not
// positive, a value is not finite, or lowest is more than kMaxGridJump divisions from 0.
int FirstGridValue(double origin, double perDiv, double lowest, double* out);

// One run of labels along a strip or axis: the first label's value and pixel position, the steps
// between labels, and how many of them fall inside.
struct stAxisTicks {
    double firstValue;
    double firstPos;
    double valueStep;
    double pixelStep;
    int32_t count;
};

// Both steps doubled until the pixel step reaches minSpacing; 0 when no spacing is reachable.
int SpaceAxisSteps(double valueStep, double pixelStep, double minSpacing, double* outValueStep, double* outPixelStep);

// Vertical scale of a strip from top to bottom (rows grow downwards): labels from the first grid
// value at or above the lowest visible value upwards, every labels at least 1.5 text lines apart.
// 0 when no numbers are drawn.
int ComputeVerticalTicks(double center, double perDiv, double divisions, double gridOrigin, int32_t top, int32_t bottom,
                         int32_t cyText, stAxisTicks* out);
// Top row of a scale label centred on row y and kept inside the strip.
int32_t ScaleLabelTop(double y, int32_t top, int32_t bottom, int32_t cyText);

// The horizontal axis as plain values. Times are milliseconds; unitSize divides them into the
// shown unit; axisLeft/axisRight are the number strip, plotLeft/plotWidth the plot.
struct stTimeAxisInput {
    double start;
    double perDiv;
    double divisions;
    double gridOrigin;
    double offset;
    double unitSize;
    int32_t axisLeft, axisRight;
    int32_t plotLeft, plotWidth;
    double minSpacing;
};
// Columns grow by pixelStep; values are in the shown unit. 0 when no numbers are drawn.
int ComputeTimeAxisTicks(const stTimeAxisInput* in, stAxisTicks* out);
// The XY mode's horizontal axis: the X channel's values across the plot.
int ComputeXChannelTicks(double center, double perDiv, double divisions, double gridOrigin, int32_t axisLeft,
                         int32_t axisRight, int32_t plotLeft, int32_t plotWidth, double minSpacing, stAxisTicks* out);
// Centre of an axis label at a column, pushed inwards so that a label of the given half width
// stays whole between left and right.
int32_t AxisLabelCentre(double column, int32_t halfWidth, int32_t left, int32_t right);
// Axis label text: hours, minutes and seconds of the integer part for clock time, otherwise the
// axis number format; buffer of kAxisNumberLen.
void FormatAxisLabel(char* buffer, double value, int clockTime, int16_t decimals);

// The allowed-range bar of a strip. fixedRange: the bar runs from 5.0 down to 0 on the channel's
// scale (slots 20-39); otherwise it is range around the centre, shifted by the scaling offset.
// Returns 1 with the bar clamped into the strip; 0 when the values give no bar.
int ComputeRangeBarRect(double range, const RECT* strip, double center, double perDiv, double divisions,
                        double scalingOffset, int fixedRange, RECT* out);

// Drawing entry points.
void PaintGraphClient(HDC dc, tagGS* gs, int paintPlot);
void PaintGraphPlotArea(HDC dc, tagGS* gs);
void DrawChannelLabels(HDC dc, tagGS* gs);
void DrawChannelLabel(HDC dc, tagGS* gs, int slot);
void DrawChannelScales(HDC dc, tagGS* gs);
// Scale labels in each channel's colour (1) or in black (0, the window's), until set again.
void SetScaleLabelsInColour(int colour);
void DrawVerticalScale(HDC dc, tagGS* gs, int slot);
void DrawTimeAxis(HDC dc, tagGS* gs);
void DrawXLabelBox(HDC dc, tagGS* gs);
void DrawRangeBar(HDC dc, tagGS* gs, int slot);
int ComputeRangeBar(double range, const tagGS* gs, int slot, RECT* out);
void FillRangeBar(HDC dc, const RECT* bar);
void RefreshChannelButtons(HDC dc, tagGS* gs);
