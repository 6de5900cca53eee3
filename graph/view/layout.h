// Graph window layout: the rows and strips of a graph window's client area, the channel
// rectangles and the value-to-pixel transforms derived from them after every layout.
#pragma once
#include <windows.h>
#include <cstdint>
#include "common/tagGS.h"

// The marker bar's height when a document does not carry one: the buttons stand 10 pixels
// down and are 22 high.
constexpr int32_t kDefaultMarkerBarHeight = 36;

// Slot states: in use (present, perhaps hidden) and shown.
inline bool ViewSlotInUse(const tagGS* gs, int slot) { return (gs->chanFlags[slot] & kChanSlotMask) != 0; }
inline bool ViewSlotShown(const tagGS* gs, int slot) {
    return (gs->chanFlags[slot] & kChanSlotMask) >= 2 && !(gs->chanFlags[slot] & kChanHidden);
}

// What one layout measures and asks of the system, as plain values.
struct stLayoutMetrics {
    int32_t cyText;         // text line height
    int32_t cyVertical;     // height of the turned label font
    int32_t cxVScroll;      // system vertical scroll-bar width
    int32_t cyHScroll;      // system horizontal scroll-bar height
    int32_t cxStatusStrip;  // the device library's status box at the right of the horizontal bar
    int32_t cxScaleStrip;   // as measured, before the vertical scale's option is applied
    int32_t cyAxisLine;
    int32_t cyAxisStrip;  // as measured, before the horizontal axis's option is applied
};

// Heights of the optional rows above the plot (0 for a row that is absent).
struct stLayoutRows {
    int32_t outPanel;       // the active output panel
    int32_t measureRow;     // the measurement grid as it reports itself
    int32_t chanButtonRow;  // the channel button grid
};

// Everything a layout places, from the client size, the metrics and the document's options.
struct stLayoutPlan {
    int32_t top;            // running top edge at the plot
    int32_t measureTop;     // where the measurement grid goes
    int32_t chanButtonTop;  // where the channel button grid goes
    RECT markerBar;
    bool markerBarOn;
    RECT work;  // the plot, its strips and the scroll bars, above the journal
    RECT labelColumn;
    RECT plot;
    int32_t cxScaleStrip;  // after the vertical scale's option
    int32_t cyAxisStrip;   // after the horizontal axis's option
    RECT hScroll, vScroll, statusBox;
    RECT tools[3];  // arrow, I-beam, zoom
    bool toolsShown;
    RECT segPrev, segNext, markerSearch, labelEdit;
    RECT topStrip;
};

// Scale strip and axis strip sizes from the measured texts "0.0+E000" (width) and "0123456789"
// (height).
void AxisMetricsFromText(int32_t scaleTextWidth, int32_t digitsHeight, int32_t cyVertical, int32_t cxVScroll,
                         int32_t* cxScaleStrip, int32_t* cyAxisLine, int32_t* cyAxisStrip);

// The whole layout of a client area; 0 (and nothing planned) for an empty one.
int PlanGraphLayout(const tagGS* gs, const stLayoutMetrics& m, int32_t clientWidth, int32_t clientHeight,
                    const stLayoutRows& rows, stLayoutPlan* out);

// Per-slot rectangles, hAxisRect and xLabelRect from plotRect. cxScaleStrip and cyAxisLine are
// the effective screen values; factor multiplies them (and cyText); toolWidth is the arrow
// tool button's width, which places the axis strip's end when the vertical scale is hidden.
void PlanChannelRects(tagGS* gs, int32_t factor, int32_t cxScaleStrip, int32_t cyAxisLine, int32_t cyText,
                      int32_t clientRight, int32_t toolWidth);

// Window-side operations.
void MeasureAxisText(HDC dc, HFONT font);
void ComputeChannelRects(tagGS* gs, int32_t factor);
void LayoutGraphWindow(tagGS* gs);
void ComputeChannelTransforms(tagGS* gs);
