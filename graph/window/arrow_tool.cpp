// The arrow tool: which channel a point stands for, and the press that selects it.
#include "graph/window/mouse_tools.h"
#include "graph/window/mouse_tools_internal.h"
#include "graph/window/click_routing.h"
#include "graph/window/graph_window.h"
#include "graph/window/tracking.h"
#include "graph/window/channel_slots.h"
#include "graph/view/channel_selection.h"
#include "graph/view/display_modes.h"
#include "graph/view/axes.h"
#include "graph/view/layout.h"
#include "graph/document/graph_doc.h"
#include "graph/graph_ids.h"
#include "graph/render/waveforms.h"
#include "documents/documents_api.h"
#include "base/app.h"
#include "base/lesson.h"
#include "base/notify.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include <cmath>
#include <cstdlib>

using mouse_tools::InRect;
using mouse_tools::IsShown;

// Which channel a point in one of the channel areas stands for.
int HitTestChannelArea(tagGS* gs, int x, int y, int kind) {
    if (!gs) return -1;
    const RECT& plot = gs->plotRect;
    const int32_t cyV = g_app ? g_app->fonts.cyVertical : 0;
    RECT area = plot;
    switch (kind) {
    case kAreaPlot: break;
    case kAreaLabel: area = RECT{gs->chanLabelRects[0].left, plot.top, gs->chanLabelRects[0].right, plot.bottom}; break;
    case kAreaScale:
        area = RECT{gs->chanScaleRects[0].left, plot.top, gs->chanScaleRects[0].right - cyV, plot.bottom};
        break;
    case kAreaUnits:
        area = RECT{gs->chanScaleRects[0].right - cyV, plot.top, gs->chanScaleRects[0].right, plot.bottom};
        break;
    default: return -1;
    }
    if (!InRect(area, x, y)) return -1;
    if (gs->displayMode != kModeChart) {
        int sel = static_cast<int>(gs->selectedChan);
        return IsShown(gs, sel) ? sel : -1;
    }
    int32_t unitsWidth = cyV;
    if (kind == kAreaUnits && g_app && g_app->fonts.hfontVertical) {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, g_app->fonts.hfontVertical);
        SIZE size{};
        GetTextExtentPoint32A(dc, "MMMMMMMM", 8, &size);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        unitsWidth = size.cx;
    }
    for (int s = 0; s < kMaxChannels; ++s) {
        if (!IsShown(gs, s)) continue;
        RECT r = kind == kAreaPlot    ? gs->chanBandRects[s]
                 : kind == kAreaLabel ? gs->chanLabelRects[s]
                                      : gs->chanScaleRects[s];
        if (kind == kAreaUnits && r.right - unitsWidth > r.left) r.left = r.right - unitsWidth;
        if (InRect(r, x, y)) return s;
    }
    return -1;
}

// The arrow's press picks the trace nearest the point (Scope) or the band under it (Chart).
int SelectNearestChannel(tagGS* gs, int x, int y) {
    if (!gs || gs->displayMode == kModeXY) return 1;
    int winner = -1;
    if (gs->displayMode == kModeChart) {
        winner = HitTestChannelArea(gs, x, y, kAreaPlot);
        if (winner < 0) return 0;
    } else {
        if (!(gs->sampleInterval > 0)) return 1;
        double t = GraphXToTime(gs, x) / gs->sampleInterval;
        int64_t i = std::isfinite(t) && t > 0 ? static_cast<int64_t>(t) : 0;
        uint16_t best = 0xFFFF;
        winner = 0;
        for (int s = 0; s < kMaxChannels; ++s) {
            if (!IsShown(gs, s)) continue;
            int64_t last = gs->chanCount[s] > 0 ? gs->chanCount[s] - 1 : 0;
            double value = 0;
            if (!GetChannelSample(gs, static_cast<int>(i < last ? i : last), s, &value)) return 1;
            double row = gs->chanPixelMap[kMapYZero][s] - value * gs->chanPixelMap[kMapYScale][s];
            double dist = std::fabs(row - y);
            uint16_t d = dist < 65535.0 ? static_cast<uint16_t>(dist) : 0xFFFF;
            if (d < best) {
                best = d;
                winner = s;
            }
        }
    }
    if (winner != static_cast<int>(gs->selectedChan)) SelectGraphChannel(gs, static_cast<int16_t>(winner));
    return 1;
}
