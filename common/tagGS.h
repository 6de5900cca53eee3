// The graph document record: one moveable global block per open graph, locked for the
// document's whole life. Shared with the device library, which writes the channel blocks,
// counts, storage kind and recording flag of the graph it records into.
#pragma once
#include <windows.h>
#include <cstdint>
#include <type_traits>

class CJournal;
class CGraphItemList;
class COutCtlViewSet;
class CMarkerManager;
struct stMarkerList;

constexpr int kMaxChannels = 60;
constexpr int kMaxMeasureBoxes = 40;
constexpr int kZoomLevels = 6;
constexpr int kRangeBars = 40;
constexpr uint32_t kPagingWindow = 8192;

// chanFlags: bits 0-1 hold the slot state (0 free, 1 a channel not shown, 2 or 3 a channel
// shown); bit value 4 hides it.
constexpr uint32_t kChanSlotMask = 0x3;
constexpr uint32_t kChanSlotHidden = 1, kChanSlotShown = 2;
constexpr uint32_t kChanHidden = 0x4;

// chanPlotStyle: the top bit shows only the latest XY dot.
constexpr uint32_t kPlotLatestDotOnly = 0x80000000u;

// storageKind
constexpr uint32_t kStoreMemory = 0;
constexpr uint32_t kStoreDiskRecording = 1;
constexpr uint32_t kStoreDiskPaged = 2;

// The slots of the unit's channels: analog 1-4, digital from 20, calculation 40-51; a run's
// channel keeps the slot of its number.
constexpr int32_t kFirstAnalogSlot = 1, kLastAnalogSlot = 4;
constexpr int32_t kFirstDigitalSlot = 20;
constexpr int32_t kFirstCalcSlot = 40, kLastCalcSlot = 51;

// chanType: a slot's samples are doubles; any other type holds 16-bit samples.
constexpr uint16_t kTypeDouble = 1;

// displayMode
enum GraphDisplayMode : uint32_t { kModeScope = 0, kModeChart = 1, kModeXY = 2 };

// cursorShown: the time cursor is not drawn, drawn, or off (XY mode and the tools without it).
enum CursorState : uint32_t { kCursorHidden = 0, kCursorDrawn = 1, kCursorOff = 2 };

// chanDrawStyle: how a channel's samples are joined.
enum DrawStyle : uint16_t { kStyleLine = 0, kStyleStep = 1, kStyleDots = 2 };

// hUnitKind: the horizontal axis shows time in seconds, frequency, clock time (hours, minutes and
// seconds) or the graph's own user unit (hUnitName, hUnitAbbrev).
enum HUnitKind : uint32_t { kHUnitTime = 0, kHUnitFrequency = 1, kHUnitClock = 2, kHUnitUser = 3 };

// The four arrays of chanPixelMap: column = x zero + value x x scale, row = y zero - value x y scale.
enum PixelMapRow : int { kMapXScale = 0, kMapXZero = 1, kMapYScale = 2, kMapYZero = 3 };

struct tagGS {
    // Identity and file
    HWND hwnd;
    char title[260];
    char filePath[260];
    uint32_t byteSwapped;
    uint32_t storageKind;
    uint32_t acquiring;
    uint32_t dataOffset;
    uint32_t reserved0;

    // Channel descriptions
    char chanLabel[kMaxChannels][40];
    char chanUnits[kMaxChannels][20];
    uint16_t chanDecimals[kMaxChannels];

    // View settings
    uint16_t viewFlags0;
    uint32_t viewFlags1, viewFlags2;  // viewFlags2: the channel button row is shown
    int16_t measureRowHeight;
    RECT graphRect;
    RECT layoutRects[8];
    RECT plotRect;
    RECT chanLabelRects[kMaxChannels];
    RECT chanBandRects[kMaxChannels];
    RECT chanScaleRects[kMaxChannels];
    COLORREF gridColor, gridMinorColor;
    uint16_t gridOptions[4];  // major and minor line styles, then their widths
    uint32_t gridOptions2;    // minor lines between the major ones (the fine grid)
    uint32_t gridLocked;
    uint32_t gridExtra;
    double gridExtraValue;
    double chanVOffsetDiv[kMaxChannels];
    double hDivisions;
    double chanVDivisions[kMaxChannels];
    COLORREF chanColor[kMaxChannels];
    COLORREF plotBackColor;
    uint32_t reserved1;
    uint32_t toolsWhileRecording;
    uint32_t displayMode;  // GraphDisplayMode
    uint32_t chanPlotStyle[kMaxChannels];
    void* channelItems;
    uint32_t chanFlags[kMaxChannels];
    uint32_t chanOrder[kMaxChannels];
    uint32_t selectedChan;
    uint32_t xyXChan;
    uint32_t chanViewWord[kMaxChannels + 1];
    uint32_t viewState[2];
    uint32_t modified;
    uint32_t cursorShown;
    HWND vScrollBar;
    double chanPixelMap[4][kMaxChannels];
    double chanVCenter[kMaxChannels];
    double chanVPerDiv[kMaxChannels];
    double chanVCenterRef[kMaxChannels];
    double chanScale[kMaxChannels];
    double chanOffset[kMaxChannels];

    // Horizontal axis and samples
    HWND hScrollBar;
    double hStart;
    double hPerDiv;
    double sampleInterval;
    uint16_t chanType[kMaxChannels];
    uint16_t chanBytes[kMaxChannels];
    uint32_t chanCount[kMaxChannels];
    void* chanBlock[kMaxChannels];
    int32_t winFirst;
    uint32_t winRingBase, winLen, winSize;
    int32_t totalSamples;
    uint32_t measureShown;

    // Measurements, selection and zoom history
    void* measureGrid;
    uint16_t measureRows;
    uint16_t precisionDigits;
    uint16_t measureType[kMaxMeasureBoxes];
    int16_t measureChan[kMaxMeasureBoxes];
    uint16_t measureCalc[3][kMaxMeasureBoxes];
    double measureConstant[kMaxMeasureBoxes];
    char measureLabel[kMaxMeasureBoxes][20];
    // The selection in milliseconds, each edge followed by a pixel column of it.
    double selStart;
    int32_t selX2;  // right edge
    double selEnd;
    int32_t selX1;  // left edge
    uint32_t selSpare[5];
    uint16_t currentTool;
    HWND toolButtons[3];
    double zoomVPerDiv[kZoomLevels][kMaxChannels];
    double zoomVCenter[kZoomLevels][kMaxChannels];
    double zoomVDivisions[kZoomLevels][kMaxChannels];
    uint32_t zoomLevel, zoomCount;
    double zoomHStart[kZoomLevels], zoomHPerDiv[kZoomLevels], zoomHDivisions[kZoomLevels];

    // Sub-objects and lesson extras
    HWND markerLabelEdit, segPrevButton, segNextButton;
    uint32_t markerBarShown;
    stMarkerList* markers;
    uint32_t segmentsShown;
    HGLOBAL foreignData;
    CJournal* journal;
    void* journalWnd;
    uint32_t journalShown;
    uint16_t journalHeight;
    void* scriptButtons[10];
    char scriptButtonText[10][512];
    uint16_t scriptButtonCount;
    uint32_t lessonFlags[2];  // the vertical and the horizontal scale are shown
    char chanDescription[kMaxChannels][128];
    uint32_t isTemplate;
    uint32_t waveformRegionResize;
    CGraphItemList* graphItems;
    double cursorTime;
    COutCtlViewSet* outPanels;
    uint16_t outPanelsShown;
    CMarkerManager* markerManager;
    void* curveSettings;
    double segmentTimeOffset;
    uint32_t unitModel;      // the unit model that recorded the graph (30 or 35; 0 none)
    uint32_t modelMismatch;  // 0-3: the set-up was converted for another unit model
    uint32_t chanHasScaling[40];
    uint32_t saveAsType;

    // Display state that the menu and status code read
    uint32_t gridShown;
    uint16_t chanDrawStyle[kMaxChannels];
    uint32_t autoscaleMode;

    // Acquisition set-up block kept with the document (the device library's stored form)
    HGLOBAL setupBlock;
    // Where the device library places the Start button (left, top and bottom are used).
    RECT startButtonRect;
    // The device library's Warn On Overwrite flag, copied into the graph it records into.
    uint32_t overwriteWarning;
    // Horizontal unit kind (HUnitKind) and the user unit's long and short names.
    uint32_t hUnitKind;
    char hUnitName[40];
    char hUnitAbbrev[40];
    // Layout rectangles around the plot and the heights of the optional top rows.
    RECT hAxisRect, hUnitsRect, xLabelRect, statusBoxRect, topStripRect, markerBarRect, markerSearchRect;
    int16_t chanButtonRowHeight;
    uint16_t markerBarHeight;
    // Axes: the value of the first sample, added to the times the axis shows (milliseconds).
    double hOffset;
    // Display Preferences: compressed 16-bit waves of disk documents drawn as bars alone.
    uint32_t draftCompressed;

    // The graph window's placement kept with the document, in the frame window's client
    // coordinates; left and right are -1 when it was maximised, 0 when minimised.
    RECT winPlacement;
    // Graph file fields that nothing in the program reads yet, carried so that a file read and
    // written again keeps them: each slot's channel number, a second per-channel word, a
    // document setting and the display word the whole program shares.
    int32_t chanNumber[kMaxChannels];
    int16_t chanFileWord[kMaxChannels];
    uint32_t fileSetting11;
    int16_t fileProgramWord;
    // The segment view's time offset of each zoom history level, beside zoomHStart and the rest.
    double zoomSegOffset[kZoomLevels];

    // Display Preferences: the waves of channels other than the selected one drawn grey; what
    // follows a transformation (0 nothing, 1 autoscale, 2 tile); recordings may take all memory.
    uint32_t grayNonSelected;
    uint32_t afterTransformAction;
    uint32_t useAllMemory;

    // How the RJ72C stimulator's reference channel is to be shown once recorded: the display
    // offset, and the offset and range in the channel's units, per slot.
    double chanRefDisplayOffset[kMaxChannels];
    double chanRefUnitsOffset[kMaxChannels];
    double chanRefUnitsRange[kMaxChannels];

    // Per input slot, whether a lesson asked for its range bar solid (kept with the document in
    // memory; the graph file has no place for it).
    uint32_t rangeBarSolid[kRangeBars];

    // A graph file's per-channel value 1 or vertical display value 1 that the display cannot
    // use (not above 0, or not a number) leaves the slot's own value in place. The stored value
    // is kept here with the value it left, and written back while the slot still has that value.
    uint8_t chanStoredUnused[kMaxChannels];  // bit 0 per-channel value 1, bit 1 vertical display value 1
    double chanStoredValue1[kMaxChannels], chanLeftValue1[kMaxChannels];
    double chanStoredVDisplay1[kMaxChannels], chanLeftVDisplay1[kMaxChannels];
};
// A zero-filled moveable block that both modules write field by field: it stays a plain record.
static_assert(std::is_standard_layout_v<tagGS> && std::is_trivially_copyable_v<tagGS>, "tagGS is a plain record");

// Whether a slot holds a channel.
inline bool ChannelInUse(const tagGS* gs, int slot) {
    return slot >= 0 && slot < kMaxChannels && (gs->chanFlags[slot] & kChanSlotMask) > 1;
}

// Display switches kept in the words the graph file and the lesson language read and write.
inline bool IsGridFine(const tagGS* gs) { return gs->gridOptions2 != 0; }
inline void SetGridFine(tagGS* gs, bool on) { gs->gridOptions2 = on ? 1 : 0; }
inline bool IsChanButtonsShown(const tagGS* gs) { return gs->viewFlags2 != 0; }
inline void SetChanButtonsShown(tagGS* gs, bool on) { gs->viewFlags2 = on ? 1 : 0; }
inline bool IsVScaleShown(const tagGS* gs) { return gs->lessonFlags[0] != 0; }
inline void SetVScaleShown(tagGS* gs, bool on) { gs->lessonFlags[0] = on ? 1 : 0; }
inline bool IsHScaleShown(const tagGS* gs) { return gs->lessonFlags[1] != 0; }
inline void SetHScaleShown(tagGS* gs, bool on) { gs->lessonFlags[1] = on ? 1 : 0; }
