// Small utilities the acquisition Parts share: number texts, rounding to a step, the placement of
// the library's popup windows, free disk space and memory.
#pragma once

#include <windows.h>

#include <cstdint>

// FormatValueText flags.
constexpr uint32_t kFmtFixedDecimals = 0x01;  // digits counts places after the decimal point
constexpr uint32_t kFmtNoExponent = 0x02;     // never choose the exponent form for being shorter
constexpr uint32_t kFmtExponent = 0x04;       // always the exponent form
constexpr uint32_t kFmtPlusSign = 0x10;       // "+" before a non-negative value (and exponent)
constexpr uint32_t kFmtRightAlign = 0x20;
constexpr uint32_t kFmtAlignPoint = 0x40;  // the decimal point at half the width
constexpr uint32_t kFmtPadRight = 0x80;    // spaces up to width - 1

// Writes value into buffer (width + 1 bytes) in at most width characters; answers the length.
int32_t FormatValueText(int32_t width, int32_t digits, uint32_t flags, double value, char* buffer);

// Rounding to a multiple of step. A step of 0 returns the value (RoundUp and RoundDown also tell
// the user).
double RoundUp(double value, double step);
double RoundDown(double value, double step);
double RoundNearest(double value, double step);

// Placement of the library's popups, kept in their owner's client coordinates.
void PositionPopup(HWND window, RECT* rect, int32_t useShow, int32_t show);
void PlaceChildWindow(HWND window, RECT* rect, int32_t x, int32_t y);
void ClampWindowToScreen(HWND window, RECT* rect, int32_t width, int32_t height);

// Free bytes on the drive of root; 0 when it cannot be asked.
double GetFreeDiskSpace(const char* root);
// What a recording in memory may take: a tenth of the physical memory.
double GetFreeMemoryForRecording();
