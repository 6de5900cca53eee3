// The Input Values pane: the current value of every shown channel, as a text list or as level
// bars. The arithmetic (which channels, display ranges, bar fractions and places, value texts)
// is kept apart from the window so it is tested over plain records.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/stAcq.h"
#include "devlib/acquisition/run/samples.h"

struct tagGS;

constexpr int32_t kValuesStyleList = 1;
constexpr int32_t kValuesStyleBars = 3;
constexpr int32_t kValuesTimerMs = 800;
constexpr int32_t kMinBarPixels = 3;
constexpr int32_t kBarEdgePixels = 15;  // smaller bars get no 3-D edge
constexpr int32_t kValuesMaxDecimals = 8;

// The pane's settings and the values it last read; one per library.
struct stInputValuesPane {
    int32_t busy = 0;  // no repaint while set
    int32_t shown = 0;
    double analog[kAnalogChannels] = {};
    uint16_t digitalBits = 0;
    double calc[kCalcChannels] = {};
    LOGFONTA logFont = {};
    HFONT font = nullptr;
    int32_t charWidth = 8, lineHeight = 16;
    int32_t style = kValuesStyleBars;
    int32_t showUnits = 1, showNames = 0, showLabels = 0, showRange = 0, showValues = 1;
    int32_t decimals = 2;
    int32_t valueX = 40, unitsX = 120, labelX = 180;
    int32_t stackedBars = 0;  // 0: bars side by side (the default orientation); 1: stacked rows
    int32_t marginX = 5, marginY = 5, headerHeight = 3;
    int32_t paintedStyle = 0;  // the style of the last timer tick
    double rangeMin[kMaxChanRecords] = {};
    double rangeMax[kMaxChanRecords] = {};
};
extern stInputValuesPane g_inputValues;

// One shown channel: its identifier (analog 1-4, digital 20 + j, calculation 40 + j) and record.
struct stShownChannel {
    int32_t id;
    int32_t record;
};

// Kinds of channel identifier, and the level a set digital bit stands at on its bar.
inline bool IsDigitalId(int32_t id) { return id >= kFirstDigitalSlot && id < kFirstCalcSlot; }
inline bool IsCalcId(int32_t id) { return id >= kFirstCalcSlot; }
constexpr double kDigitalSetLevel = 5.0;

// The channels the pane shows, in record order: idle, those with the values bit (8); while a
// recording runs, those with the on bit (2) as well. Answers the count.
int32_t CollectShownChannels(const stAcq* acq, int32_t running, stShownChannel out[kMaxChanRecords]);
// The identifier of a channel record (0 when it is no channel).
int32_t ChannelIdOfRecord(const stAcqChan& rec);
// The graph slot of an identifier in the run; -1 when the run has no such channel.
int32_t RunSlotOfChannel(const stAcqRun& run, int32_t id);

// The range a channel shows over: from the graph's slot (centre +- divisions x 0.25 x scale
// per division x 2) when there is one, else analog and calculation -10..10, digital 0..5.
void ChannelDisplayRange(const tagGS* gs, int32_t slot, int32_t id, double* minimum, double* maximum);
// The filled share of a bar, clamped to 0..1; 0 for an empty range or a value that is no number.
double LevelFraction(double value, double minimum, double maximum);

// The value as the pane writes it (decimals after the point, at most 17 characters).
int32_t FormatPaneValue(double value, int32_t decimals, char* text, size_t size);
// "A1 = ", "D1 = ", "C0 = " style names of the text list, and the bars' "CH1", "D1", "C0".
void ListChannelName(int32_t id, char* text, size_t size);
void BarChannelName(int32_t id, char* text, size_t size);
// A digital channel's bit counts as set only above 1.
inline bool DigitalSampleSet(double sample) { return sample > 1.0; }

// Places count bars in the client area below the header. Side by side: columns one pixel apart
// from the left margin, each as wide as the larger of textWidth and an equal share, the texts
// (textLines lines) above the bar. Stacked: rows one pixel apart from the header, each at least
// textLines lines high and an equal share, the texts (textWidth wide) left of the bar. Every bar
// is at least kMinBarPixels each way.
void LayoutLevelBars(const RECT& client, int32_t top, int32_t margin, int32_t count, int32_t textWidth,
                     int32_t textLines, int32_t lineHeight, int32_t stacked, RECT* bars);
// The fill of a channel's bar: the graph's colour of its slot; without a slot a colour of the
// pane's own; black where the screen has fewer than four colours.
COLORREF LevelBarColour(const tagGS* gs, int32_t slot, int32_t id, int32_t screenColours);
// The filled part of a bar at a fraction: from the left when it is wider than high (a stacked
// row), else from the bottom.
RECT FilledPartOfBar(const RECT& bar, double fraction, int32_t stacked);

// The pane window (dialog 1218) and its drawing.
void PrepareInputValues(HGLOBAL hAcq);
HWND InputValuesWindow(HGLOBAL hAcq);
void ShowInputValues(HGLOBAL hAcq);
void RelayoutInputValues(stAcq* acq);
void RepaintInputValues(stAcq* acq);
// Reads the shown channels' values into g_inputValues: the newest samples while a recording runs,
// the unit's inputs while idle. 0 when a reading failed.
int32_t ReadInputValues(stAcq* acq);
// Paints the pane's client area into dc (the window's own painting and WM_PRINTCLIENT).
void PaintInputValues(HWND pane, HDC dc, stAcq* acq);

// ---- Direct readouts of the analog inputs, for the device's script words ----
constexpr uint8_t kCmdConvertInputs = 52;
constexpr uint8_t kCmdConversionWords = 60;
constexpr uint8_t kCmdReadInputWord = 65;
constexpr uint32_t kConversionWaitMs = 640;

// Input 1-4: starts a conversion, waits (at most 640 ms) for the unit to finish it and reads the
// input's word of all four (command 60). 1 with *word, 0 on a failed command or another input.
int32_t ReadAnalogInputWord(stAcq* acq, int32_t input, uint16_t* word);
// The same conversion, then the one input's word (command 65).
int32_t ReadAnalogInputValue(stAcq* acq, int32_t input, uint16_t* word);
// The second model's digital inputs now: a one-shot run of the digital word alone, its newest
// word. 0 on a failed command.
int32_t ReadDigitalInputsNow(uint16_t* bits);
// Sets the second model's input 0-3 of a channel record back to its plain mode (command 50 with
// 32); nothing to do, and 1, on the first model or for another channel number.
int32_t ResetAnalogInput(const stAcqChan* chan, stAcq* acq);
