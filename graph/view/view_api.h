// What the graph window calls of the view module: layout, scrolling and axes.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// Layout.
void LayoutGraphWindow(tagGS* gs);
void ComputeChannelTransforms(tagGS* gs);

// Scrolling: codes 0-3 are line and page steps (the SB_ codes), 4 moves nothing; each returns the thumb.
int32_t ScrollTimeView(tagGS* gs, int code);
int32_t ScrollChannelValue(tagGS* gs, int code);
int16_t ScrollXChannelValue(tagGS* gs, int code);
void StepSelectionByKey(tagGS* gs, int right);
void ScrollChannelByKey(tagGS* gs, int down);

// Axes and labels.
void PaintGraphClient(HDC dc, tagGS* gs, int paintPlot);
void DrawVerticalScale(HDC dc, tagGS* gs, int slot);
void DrawRangeBar(HDC dc, tagGS* gs, int slot);
