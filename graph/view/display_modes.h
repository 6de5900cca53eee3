// Display modes (Scope, Chart, XY), autoscaling, the visible time span, the two scroll bars
// of a graph window and the arrow-key commands.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "common/tagGS.h"

// Scroll codes of ScrollTimeView, ScrollChannelValue and ScrollXChannelValue (the SB_ line and
// page codes); kScrollNone only reports the thumb.
constexpr int kScrollLineBack = 0, kScrollLineOn = 1, kScrollPageBack = 2, kScrollPageOn = 3, kScrollNone = 4;
constexpr int32_t kTimeThumbMax = 1000;
constexpr int32_t kValueThumbMax = 1000;

// Page scrolling moves the plot width divided by this (1, 2 or 4; Display Preferences sets it).
extern uint16_t g_nPageDivisor;

// ---- Pure arithmetic over plain values ----

// Horizontal thumb for the time view: hStart / (length - visible) x 1000, at most 1000;
// whenNoRoom when the record does not exceed the visible span.
int32_t TimeThumb(double hStart, double visible, double length, int32_t whenNoRoom);
// Vertical thumb of a channel: -1000 with the midpoint at or above ref + span, 1000 at or below
// ref - span. The X channel's thumb runs the other way round.
int32_t ValueThumb(double mid, double ref, double span);
int32_t XValueThumb(double mid, double ref, double span);

// One horizontal scroll step of n pixels: the new hStart and the pixels actually moved.
struct stTimeStep {
    double hStart;
    int32_t pixels;
};
stTimeStep StepTimeBack(double hStart, double visible, int32_t plotWidth, int32_t n);
stTimeStep StepTimeOn(double hStart, double visible, double length, int32_t plotWidth, int32_t n);
// Line and page steps of ScrollTimeView in pixels (16-bit arithmetic).
int16_t LineStepPixels(int32_t plotWidth);
int16_t PageStepPixels(int32_t plotWidth, uint16_t divisor);

// Time per division, at least one sample per division.
double PerDivisionAtLeastOneSample(double time, double divisions, double sampleInterval);

// Arrow keys: the step in pixels, the column a step reaches (the start column when the step
// is refused), and the Shift+Ctrl narrowing of a selection by one sample from one end.
int32_t KeyStepPixels(double sampleInterval, double visible, int32_t plotWidth);
int32_t KeyStepColumn(int right, int32_t x0, int32_t step, int32_t plotLeft, int32_t plotRight, bool atStart);
void NarrowSelectionByKey(double* selStart, double* selEnd, double sampleInterval, int right);

// Autoscale: the value per division that fits a range into 75% of its band share, and the
// number of divisions when the grid is locked.
double AutoScalePerDiv(double range, double divisions, int32_t bands);
double AutoScaleLockedDivisions(double range, double perDiv, double divisions, int32_t bands);
// Minimum and maximum of the finite values; 0 when there is none.
int FiniteMinMax(const double* values, size_t n, double* lo, double* hi);
// Sample indices first..last (inclusive) of the visible part of a channel of count samples; the
// whole channel when its data end before the view. 0 for a channel without samples.
int VisibleSampleSpan(double hStart, double visible, double sampleInterval, uint32_t count, uint32_t* first,
                      uint32_t* last);

// Start time of a segment whose marker stands at a sample position.
double SegmentStartTime(uint32_t position, double sampleInterval);

// ---- Operations on a graph and its window ----
void SetDisplayMode(tagGS* gs, int16_t mode);
void AutoScaleGraph(tagGS* gs, int all);
// Scope mode's autoscale: each used channel fitted to its visible data in its own band, stacked in
// display order.
void AutoScaleStacked(tagGS* gs);
void ResetChartDisplay(tagGS* gs);
void SetSegmentTimeScale(tagGS* gs, uint16_t slot);
void SetTimePerDivision(tagGS* gs, double time);
void UpdateHScrollBar(tagGS* gs);
void UpdateGraphLength(tagGS* gs);
void UpdateGraphScrollBars(tagGS* gs);
int32_t ScrollTimeView(tagGS* gs, int code);
int16_t ScrollTimeLeft(tagGS* gs, int16_t pixels);
int16_t ScrollTimeRight(tagGS* gs, int16_t pixels);
void InvertSelectionBand(HDC dc, tagGS* gs);
int32_t ScrollChannelValue(tagGS* gs, int code);
int16_t ScrollXChannelValue(tagGS* gs, int code);
void StepSelectionByKey(tagGS* gs, int right);
void ScrollChannelByKey(tagGS* gs, int down);
