// The standard-curve tool: the least-squares fit, the curve written into the document, and the
// "Plot Standard Curve" and "Standard Curve Settings" dialogs.
#include "documents/items/std_curve.h"
#include "documents/items/graph_items.h"
#include "documents/documents_api.h"
#include "common/binding.h"
#include "common/tagGS.h"
#include "base/app.h"
#include "base/device.h"
#include "base/locked_block.h"
#include "base/notify.h"
#include "documents/documents_ids.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include <commctrl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

const char* const kKeyCurveWarning = "Warning: Previous Standard Curve will be deleted.";


stCurveSettings& SettingsOf(tagGS* gs) {
    if (!gs->curveSettings) gs->curveSettings = CopyDefaultCurveSettings();
    static stCurveSettings fallback;
    if (!gs->curveSettings) {
        fallback = g_defaultCurveSettings;
        return fallback;
    }
    return *static_cast<stCurveSettings*>(gs->curveSettings);
}

bool ValidSlot(uint32_t slot) { return slot >= 1 && slot < kMaxChannels; }

// The standards: the first point of every item, in list order.
void Standards(const CGraphItemList& list, std::vector<double>& x, std::vector<double>& y) {
    for (int i = 0; i < list.Count(); ++i) {
        const CGraphItem* item = list.At(i);
        if (const auto* p = dynamic_cast<const CGraphPoint*>(item)) {
            x.push_back(p->x);
            y.push_back(p->y);
        } else if (const auto* l = dynamic_cast<const CGraphLine*>(item)) {
            x.push_back(l->x1);
            y.push_back(l->y1);
        }
    }
}

// The graph shows the change: layout, menus, scroll bars and the plot.
void ShowChange(tagGS* gs) {
    setDirtyGraphFlag(gs, 1);
    if (g_app) DeviceGraphChanged(gs);
    notify::UpdateGraphMenus(gs);
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, TRUE);
}

void RepaintPlot(tagGS* gs) {
    if (gs->hwnd) InvalidateRect(gs->hwnd, &gs->plotRect, TRUE);
}

}  // namespace

int FitStraightLine(const double* x, const double* y, int n, double* slope, double* intercept) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < n; ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    const double d = n * sxx - sx * sx;
    const double m = (n * sxy - sx * sy) / d;
    const double b = (sy * sxx - sx * sxy) / d;
    if (n < 2 || m == 0.0 || !std::isfinite(m) || !std::isfinite(b)) return 0;
    *slope = m;
    *intercept = b;
    return 1;
}

void StandardCurvePoint(const stCurveSettings& s, double slope, double intercept, int i, double* x, double* y) {
    *y = s.samples ? i * (s.to - s.from) / s.samples + s.from : s.from;
    *x = (*y - intercept) / slope;
}

void CurveChannels(const tagGS* gs, int* h, int* s) {
    *h = ValidSlot(gs->xyXChan) ? static_cast<int>(gs->xyXChan) : 1;
    *s = ValidSlot(gs->selectedChan) ? static_cast<int>(gs->selectedChan) : 2;
}

int CurveExists(const tagGS* gs) {
    int h = 0, s = 0;
    CurveChannels(gs, &h, &s);
    return gs->chanCount[h] > 0 || gs->chanCount[s] > 0 ? 1 : 0;
}

int ConfirmCurveReplace(tagGS* gs, HWND owner) {
    if (!CurveExists(gs) || !gs->graphItems || !gs->graphItems->curveWarning) return 1;
    return MessageBoxA(owner, Keyed(kKeyCurveWarning), ProgramTitle(), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK ? 1 : 0;
}

void DeleteStandardCurve(tagGS* gs) {
    int h = 0, s = 0;
    CurveChannels(gs, &h, &s);
    uint32_t longest = 0;
    for (int slot : {h, s}) {
        FreeLockedBlock(gs->chanBlock[slot]);
        gs->chanCount[slot] = 0;
    }
    for (int slot = 0; slot < kMaxChannels; ++slot)
        if (gs->chanFlags[slot] & kChanSlotMask) longest = std::max(longest, gs->chanCount[slot]);
    gs->totalSamples = static_cast<int32_t>(std::min<uint32_t>(longest, 0x7FFFFFFF));
    ShowChange(gs);
}

int PlotStandardCurve(tagGS* gs, HWND owner) {
    if (!gs || !gs->graphItems || gs->storageKind != kStoreMemory || gs->acquiring) return 0;
    // Channels 1 and 2 may hold a recording: nothing is replaced without asking.
    if (!ConfirmCurveReplace(gs, owner)) return 0;
    std::vector<double> x, y;
    Standards(*gs->graphItems, x, y);
    double m = 0, b = 0;
    if (!FitStraightLine(x.data(), y.data(), static_cast<int>(x.size()), &m, &b)) {
        char text[512] = "";
        HWND dlg = StandardCurveDialogWindow(gs);
        if (!dlg || !GetDlgItemTextA(dlg, IDC_CURVE_SLOPE_ERROR, text, sizeof text))
            lstrcpynA(text, Keyed("Error: Using the current data, the Standard Curve would have a slope of 0 which is "
                                  "not valid. Please re-enter some or all of the data."),
                      sizeof text);
        MessageBoxA(owner, text, ProgramTitle(), MB_OK | MB_ICONSTOP);
        return 0;
    }
    if (CurveExists(gs)) DeleteStandardCurve(gs);
    if (!ValidSlot(gs->xyXChan)) gs->xyXChan = 1;
    if (!ValidSlot(gs->selectedChan)) gs->selectedChan = 2;
    const stCurveSettings settings = SettingsOf(gs);
    if (settings.samples < 0) return 0;
    const uint32_t n = static_cast<uint32_t>(settings.samples) + 1;
    const int h = static_cast<int>(gs->xyXChan), s = static_cast<int>(gs->selectedChan);
    void* hx = AllocLockedBlock(n * sizeof(double));
    void* sy = AllocLockedBlock(n * sizeof(double));
    if (!hx || !sy) {
        FreeLockedBlock(hx);
        FreeLockedBlock(sy);
        return 0;
    }
    for (uint32_t i = 0; i < n; ++i)
        StandardCurvePoint(settings, m, b, static_cast<int>(i), static_cast<double*>(hx) + i,
                           static_cast<double*>(sy) + i);
    int slots[2] = {h, s};
    void* blocks[2] = {hx, sy};
    for (int k = 0; k < 2; ++k) {
        FreeLockedBlock(gs->chanBlock[slots[k]]);
        gs->chanBlock[slots[k]] = blocks[k];
        gs->chanCount[slots[k]] = n;
        gs->chanType[slots[k]] = 1;
        gs->chanBytes[slots[k]] = sizeof(double);
        gs->chanFlags[slots[k]] = (gs->chanFlags[slots[k]] & ~kChanSlotMask) | 2;
    }
    if (gs->totalSamples <= 0) gs->totalSamples = static_cast<int32_t>(n);
    ShowChange(gs);
    return 1;
}

int AddStandard(tagGS* gs, double x, double y, HWND owner) {
    if (!gs || !gs->graphItems) return 0;
    if (CurveExists(gs)) {
        if (!ConfirmCurveReplace(gs, owner)) return 0;
        DeleteStandardCurve(gs);
    }
    const stCurveSettings& s = SettingsOf(gs);
    return gs->graphItems->AddPoint(s.dotSize, s.dotColour, x, y);
}

int DeleteStandard(tagGS* gs, int index, HWND owner) {
    if (!gs || !gs->graphItems || index < 0 || index >= gs->graphItems->Count()) return 0;
    if (CurveExists(gs)) {
        if (!ConfirmCurveReplace(gs, owner)) return 0;
        DeleteStandardCurve(gs);
    }
    gs->graphItems->RemoveItem(index);
    RepaintPlot(gs);
    setDirtyGraphFlag(gs, 1);
    return 1;
}

int ApplyCurveSettings(tagGS* gs, const stCurveSettings& settings, HWND owner) {
    stCurveSettings& now = SettingsOf(gs);
    const bool rangeChanged = settings.samples != now.samples || settings.from != now.from || settings.to != now.to;
    bool replot = false;
    if (rangeChanged && CurveExists(gs)) {
        if (!ConfirmCurveReplace(gs, owner)) return 0;
        replot = true;
    }
    if (settings.dotSize != now.dotSize || settings.dotColour != now.dotColour) {
        for (int i = 0; gs->graphItems && i < gs->graphItems->Count(); ++i) {
            CGraphItem* item = gs->graphItems->At(i);
            item->pen.lopnWidth.x = settings.dotSize;
            item->pen.lopnColor = settings.dotColour;
        }
        RepaintPlot(gs);
    }
    now = settings;
    if (replot) {
        // The question was answered above.
        const uint16_t warn = gs->graphItems ? gs->graphItems->curveWarning : 0;
        if (gs->graphItems) gs->graphItems->curveWarning = 0;
        PlotStandardCurve(gs, owner);
        if (gs->graphItems) gs->graphItems->curveWarning = warn;
    }
    return 1;
}
