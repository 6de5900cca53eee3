// The measurement boxes of a graph window: a grid of "acqMeasure" windows above the plot, each
// with a channel pop-up, a type pop-up and a result field, recomputed from the graph's selection.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>
#include "common/color.h"

struct tagGS;
class PopupButton;

// Menu of the measurement types; its command ids are the type numbers + 201.
constexpr int kMeasureTypeMenu = 117;
constexpr int kMeasureTypeIdBase = 201;
// The channel pop-up's item for the graph's selected channel.
constexpr int kMeasureSelectedChannelItem = 60;

struct stMeasure {
    RECT box;             // in the graph window
    RECT result;          // in the box window
    char resultText[20];  // "****" without a value, empty for type 0
    char unitText[20];
    int32_t shown;
    double value;
    stColor16 second, text;
    tagGS* doc;
    HWND parent, wnd;
    uint16_t source1, source2, op;  // a "calculate" box's settings
    double k;
    PopupButton* channelButton;
    PopupButton* typeButton;
    int index;  // place in the grid
};

struct stMeasureGrid {
    RECT rect;
    int16_t rows, cols, cellHeight, cellWidth;
    int32_t autoHeight, autoWidth;
    HWND parent, tip;
    std::vector<stMeasure*> boxes;
    uint64_t listedSlots;  // the slots in use when the channel lists were last filled
    // The room each box keeps for its result field: 14 average characters, or more once a
    // result's text needed more. It only grows, so a row does not move as values change.
    int32_t resultRoom;
};

// Box settings.
int GetMeasurementType(const stMeasure* box);
void SetMeasurementType(stMeasure* box, int type);
// The channel slot, -1 for the graph's selected channel.
int GetMeasurementChannel(const stMeasure* box);
void SetMeasurementChannel(stMeasure* box, int channel);
void SetMeasurementShown(stMeasure* box, int shown);
void ShowMeasurementBox(stMeasure* box, int show);
int IsMeasurementShown(const stMeasure* box);
const char* GetMeasurementResultText(const stMeasure* box);
const char* GetMeasurementLabel(const stMeasure* box);
void SetMeasurementLabel(stMeasure* box, const char* unit);
double GetMeasurementValue(const stMeasure* box);
// The result field's text as drawn: the number, then the unit unless there is no number.
void GetMeasurementDisplayText(const stMeasure* box, char* out, size_t size);
void PaintMeasurementBox(stMeasure* box, HDC dc);

// Puts the box's settings into its document's fields, which the graph file keeps.
void StoreMeasurementSettings(const stMeasure* box);

// The grid.
stMeasureGrid* CreateMeasurementBoxes(HWND parent, tagGS* gs, int left, int top, int rows, int cols, int cellHeight,
                                      int cellWidth);
void LayoutMeasurementGrid(stMeasureGrid* grid);
void SetMeasurementGridOrigin(stMeasureGrid* grid, int left, int top);
void RefillMeasurementChannelLists(stMeasureGrid* grid, const int* channels, int count);
int GetMeasurementRows(const stMeasureGrid* grid);
void GetMeasurementGridRect(const stMeasureGrid* grid, RECT* out);
void FreeMeasurementGrid(stMeasureGrid* grid);

// The Waveform Arithmetic dialog's source list: for each list position from 2 on, the source
// number it stands for (box index + 2), following 5 boxes a row whatever the grid's columns.
std::vector<uint16_t> CalculationSources(const int* types, int boxes);
