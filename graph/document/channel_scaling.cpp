// Vertical scaling of channels and the device library's channel scaling.
#include "graph/document/channel_scaling.h"
#include <windows.h>
#include <cfloat>
#include <cmath>
#include <vector>
#include "base/app.h"
#include "base/device.h"
#include "graph/graph_ids.h"
#include "base/services.h"
#include "common/binding.h"
#include "devlib/vk40.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"
#include "graph/window/channel_slots.h"
#include "graph/window/graph_window.h"
#include "graph/window/saved_selection.h"
#include "graph/dialogs/toolbar.h"

namespace {
constexpr double kFill = 0.75;  // the data fill this share of a channel's height
constexpr int kScaledInputs = 40;

bool ValidSlot(int slot) { return slot >= 0 && slot < kMaxChannels; }
bool SlotUsed(const tagGS* gs, int slot) { return IsChannelShown(gs, slot) != 0; }
bool SlotShown(const tagGS* gs, int slot) { return SlotUsed(gs, slot) && IsChannelAutoScalable(gs, slot); }

int SlotAt(const tagGS* gs, int p) {
    if (p < 0 || p >= kMaxChannels) return -1;
    const uint32_t s = gs->chanOrder[p];
    return s < static_cast<uint32_t>(kMaxChannels) ? static_cast<int>(s) : -1;
}

int PositionOf(const tagGS* gs, int slot) {
    for (int p = 0; p < kMaxChannels; ++p)
        if (static_cast<int>(gs->chanOrder[p]) == slot) return p;
    return -1;
}

// Minimum and maximum of the selected samples [first, last] of a slot; false when none is a number.
bool SelectionMinMax(tagGS* gs, int slot, double* lo, double* hi) {
    int first = 0, last = 0;
    if (!ChannelRangeToSamples(gs, slot, gs->selStart, gs->selEnd, &first, &last)) return false;
    if (last >= static_cast<int>(gs->chanCount[slot])) last = static_cast<int>(gs->chanCount[slot]) - 1;
    if (first > last) first = last;
    PagingPolicyScope scope(kPagingForward);
    bool any = false;
    for (int i = first; i <= last; ++i) {
        double v = 0.0;
        if (!GetChannelSample(gs, i, slot, &v)) continue;
        *lo = any ? std::fmin(*lo, v) : v;
        *hi = any ? std::fmax(*hi, v) : v;
        any = true;
    }
    return any;
}

// The band fraction of the k-th band from the top in stacked scaling.
struct stBands {
    double band, y;
    int32_t top, height;
    double Fraction() const { return static_cast<double>(height / 2 + top - static_cast<int32_t>(y)) / height; }
};

bool PlanBands(const tagGS* gs, int n, stBands* out) {
    const int32_t height = gs->plotRect.bottom - gs->plotRect.top;
    if (n <= 0 || height <= 0) return false;
    out->band = static_cast<double>(height - 2) / n;
    out->y = (gs->plotRect.bottom - 1) - out->band / 2;
    out->top = gs->plotRect.top;
    out->height = height;
    return true;
}

// The largest peak-to-peak of any slot's visible data.
double LargestPeakToPeak(tagGS* gs) {
    double largest = DBL_MIN;
    for (int s = 0; s < kMaxChannels; ++s) {
        double lo = 0.0, hi = 0.0;
        if (gs->chanCount[s] == 0) continue;
        SelectChannelVisibleRange(gs, s);
        if (SelectionMinMax(gs, s, &lo, &hi) && hi - lo > largest) largest = hi - lo;
    }
    return largest;
}

// The device's per-division value and centre of an input; false for slots without one.
bool DeviceScaling(int slot, double* perDiv, double* centre) {
    if (slot < 20) {
        *perDiv = std::fabs(getRangeOfAllowedValues(static_cast<uint32_t>(slot)) / 2 / 1000);
        *centre = -getOffsetByScalingInUnits(static_cast<uint32_t>(slot));
        return true;
    }
    if (slot < kScaledInputs) {
        *perDiv = 1.25;
        *centre = 2.5;
        return true;
    }
    return false;
}

// Inputs Optimize Ranges works on: used, with a device scaling, not 5 to 19.
bool Optimizable(const tagGS* gs, int slot) {
    return slot >= 0 && slot < kScaledInputs && (slot < 5 || slot > 19) && SlotUsed(gs, slot) &&
           gs->chanHasScaling[slot] != 0;
}

tagGS* ActiveDocument() { return g_app && g_app->hwndActiveGraph ? GetWindowGraph(g_app->hwndActiveGraph) : nullptr; }
}  // namespace

double ChannelMinMax(tagGS* doc, int slot, double* min, double* max, int keepSelection) {
    *min = *max = 0.0;
    if (!doc || !ValidSlot(slot)) return 0.0;
    if (keepSelection) SaveSelection(doc);
    SelectChannelVisibleRange(doc, slot);
    double lo = 0.0, hi = 0.0;
    if (SelectionMinMax(doc, slot, &lo, &hi)) {
        *min = lo;
        *max = hi;
    }
    if (keepSelection) RestoreSelection(doc);
    if (*max - *min < 0.0) std::swap(*min, *max);
    return std::fabs(*max - *min);
}

void SetChannelVScale(tagGS* doc, int slot, double range, int bands) {
    if (!doc || !ValidSlot(slot)) return;
    double& perDiv = doc->chanVPerDiv[slot];
    double& divisions = doc->chanVDivisions[slot];
    if (!doc->gridLocked) {
        perDiv = range == 0.0 || !(divisions > 0.0) ? 1.0 : (range / kFill) / divisions * bands;
        return;
    }
    if (range == 0.0 || perDiv * divisions == 0.0)
        divisions = 4.0;
    else
        divisions = std::fabs((range / kFill) / (perDiv * divisions) * bands * divisions);
}

void SetChannelVCenter(tagGS* doc, int slot, double min, double range, double fraction, int storePerDiv) {
    if (!doc || !ValidSlot(slot)) return;
    double centre = range / 2 + min + doc->chanVPerDiv[slot] * doc->chanVDivisions[slot] * fraction;
    if (!std::isfinite(centre)) centre = 0.0;
    doc->chanVCenter[slot] = doc->chanVCenterRef[slot] = doc->zoomVCenter[0][slot] = centre;
    if (storePerDiv) doc->zoomVPerDiv[0][slot] = doc->chanVPerDiv[slot];
    doc->zoomLevel = doc->zoomCount = 0;
}

void AutoScaleChannel(tagGS* doc, int p, int redraw, double fraction, int bands) {
    if (!doc) return;
    const int slot = SlotAt(doc, p);
    if (!SlotShown(doc, slot)) return;
    double lo = 0.0, hi = 0.0;
    const double range = ChannelMinMax(doc, slot, &lo, &hi, 1);
    SetChannelVScale(doc, slot, range, bands);
    SetChannelVCenter(doc, slot, lo, range, fraction, 1);
    if (redraw) RedrawAfterScale(doc);
}

void OverlapScale(tagGS* doc) {
    if (!doc) return;
    SetWaitCursor(1);
    SaveSelection(doc);
    double lowest = DBL_MAX, highest = DBL_MIN;
    for (int s = 0; s < kMaxChannels; ++s) {
        double lo = 0.0, hi = 0.0;
        if (doc->chanCount[s] > 0) ChannelMinMax(doc, s, &lo, &hi, 0);
        lowest = std::fmin(lowest, lo);
        highest = std::fmax(highest, hi);
    }
    RestoreSelection(doc);
    const double range = highest - lowest;
    for (int s = 0; s < kMaxChannels; ++s) {
        if (!SlotShown(doc, s)) continue;
        SetChannelVScale(doc, s, range, 1);
        SetChannelVCenter(doc, s, lowest, range, 0.0, 1);
    }
    SetWaitCursor(0);
    RedrawAfterScale(doc);
}

void CompareScale(tagGS* doc) {
    if (!doc) return;
    const int n = CountShownSlots(doc);
    if (n == 0) return;
    SaveSelection(doc);
    const double common = LargestPeakToPeak(doc);
    stBands bands{};
    const bool scope = doc->displayMode == kModeScope && PlanBands(doc, n, &bands);
    for (int p = 0; p < kMaxChannels && doc->displayMode != kModeXY; ++p) {
        const int s = SlotAt(doc, p);
        if (!SlotUsed(doc, s)) continue;
        const double fraction = scope ? bands.Fraction() : 0.0;
        if (scope) bands.y -= bands.band;
        if (!SlotShown(doc, s)) continue;
        double lo = 0.0, hi = 0.0;
        const double range = ChannelMinMax(doc, s, &lo, &hi, 0);
        SetChannelVScale(doc, s, common, scope ? n : 1);
        SetChannelVCenter(doc, s, lo, range, fraction, 1);
    }
    RestoreSelection(doc);
    RedrawAfterScale(doc);
}

int CenterChannel(tagGS* doc, int p) {
    if (!doc) return 0;
    const int slot = SlotAt(doc, p);
    if (!SlotShown(doc, slot)) return 0;
    double lo = 0.0, hi = 0.0;
    const double range = ChannelMinMax(doc, slot, &lo, &hi, 1);
    SetChannelVCenter(doc, slot, lo, range, 0.0, 0);
    RedrawAfterScale(doc);
    return 1;
}

void RedrawAfterScale(tagGS* doc) {
    if (!doc) return;
    UpdateGraphScrollBars(doc);
    if (doc->hwnd) {
        RECT rc = doc->plotRect;
        RECT labels = doc->chanLabelRects[0];
        for (int s = 1; s < kMaxChannels; ++s)
            if (doc->chanLabelRects[s].right > labels.right) labels = doc->chanLabelRects[s];
        if (labels.right > rc.right) rc.right = labels.right;
        InvalidateRect(doc->hwnd, &rc, FALSE);
    }
    DeviceRefreshInputValues();
}

void AutoScaleOneChannel(tagGS* doc, int, int flag, int slot) {
    if (!doc) return;
    const int p = PositionOf(doc, slot);
    if (flag)
        AutoScaleChannel(doc, p, 1, 0.0, 1);
    else
        CenterChannel(doc, p);
}

void OverlapWaveforms(tagGS* doc) { OverlapScale(doc); }
void CompareWaveforms(tagGS* doc) { CompareScale(doc); }

void ApplyChannelScaling(tagGS* doc, int slot) {
    if (!doc) doc = ActiveDocument();
    if (!doc) return;
    if (slot == -1) slot = static_cast<int>(doc->selectedChan);
    double perDiv = 0.0, centre = 0.0;
    if (!ValidSlot(slot) || !DeviceScaling(slot, &perDiv, &centre)) return;
    if (!doc->gridLocked) {
        doc->chanVPerDiv[slot] = perDiv;
    } else {
        doc->chanVPerDiv[slot] = perDiv * 2 / 10;
        doc->chanVDivisions[slot] = (perDiv * 4) / (doc->chanVPerDiv[slot] * doc->chanVDivisions[slot]) *
                                    doc->chanVDivisions[slot];
    }
    doc->chanVCenter[slot] = doc->chanVCenterRef[slot] = doc->zoomVCenter[0][slot] = centre;
    doc->zoomVPerDiv[0][slot] = doc->chanVPerDiv[slot];
    doc->zoomLevel = doc->zoomCount = 0;
    if (doc->hwnd) ComputeChannelTransforms(doc);
    setDirtyGraphFlag(doc, 1);
    if (doc->hwnd) {
        InvalidateRect(doc->hwnd, &doc->chanLabelRects[slot], FALSE);
        InvalidateRect(doc->hwnd, &doc->chanBandRects[slot], FALSE);
    }
    DeviceRefreshInputValues();
}

void OptimizeRanges() {
    tagGS* doc = ActiveDocument();
    if (!doc) return;
    for (int s = 0; s < kScaledInputs; ++s)
        if (Optimizable(doc, s)) ApplyChannelScaling(doc, s);
}

void UpdateOptimizeRangesItems() {
    if (!g_app) return;
    HWND control = ToolbarButton(IDM_DISPLAY_OPTIMIZE_RANGE);
    if (control) EnableWindow(control, FALSE);
    HMENU menu = g_app->hwndFrame ? GetMenu(g_app->hwndFrame) : nullptr;
    if (menu) EnableMenuItem(menu, IDM_DISPLAY_OPTIMIZE_RANGES, MF_BYCOMMAND | MF_GRAYED);
    tagGS* doc = ActiveDocument();
    if (!doc || doc->displayMode != kModeChart) return;
    bool any = false;
    for (int s = 0; s < kScaledInputs && !any; ++s) any = Optimizable(doc, s);
    if (menu && any) EnableMenuItem(menu, IDM_DISPLAY_OPTIMIZE_RANGES, MF_BYCOMMAND | MF_ENABLED);
    if (control) EnableWindow(control, Optimizable(doc, static_cast<int>(doc->selectedChan)));
}
