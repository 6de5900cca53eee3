// The horizontal scale dialogs: how much time (or, in XY mode, how much of the X channel) one
// major division covers and where the view starts, free or with a locked grid. Values show in the
// unit the time axis uses; nothing is written into the document before OK is accepted.
#include "graph/dialogs/dialogs_api.h"
#include "graph/dialogs/dialog_util.h"
#include "base/app.h"
#include "base/notify.h"
#include "graph/graph_ids.h"
#include "common/stAcq.h"
#include "controls/window_center.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_calc.h"
#include "documents/markers/markers.h"
#include "graph/render/waveforms.h"
#include "graph/view/axis_units.h"
#include "graph/view/display_modes.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr int16_t kHoldNotOffered = 32767;
constexpr int kThumbCode = 4;

// The unit the axis shows for the graph's scale: its name and its size in milliseconds.
struct stUnit {
    char name[kUnitNameLen];
    double size;
};

// Unit 1 (milliseconds) when the kind has no unit of its own.
stUnit AxisUnit(const tagGS* gs) {
    stUnit u{"", 1.0};
    if (!ChooseTimeUnits(gs, gs->hPerDiv, u.name, gs->hUnitKind, &u.size, 0) || !(u.size > 0.0)) u.size = 1.0;
    return u;
}

// The digits the time axis shows, 2 when the stored value is out of range.
int Decimals(const tagGS* gs) { return gs->viewFlags0 >= 1 && gs->viewFlags0 <= 8 ? gs->viewFlags0 : 2; }

// A segment view keeps the start where the segment is.
bool SegmentView(tagGS* gs) { return gs->markerManager && IsSegmentViewOn(gs); }

// "Hold relative position" is offered only while recordings append as segments, and then starts
// as the marker manager's setting.
int16_t OfferedHold(const tagGS* gs) {
    if (!gs->markerManager || !g_app->hAcq) return kHoldNotOffered;
    AcqLock acq(g_app->hAcq);
    if (!acq || acq->dataMode != kDataAppend) return kHoldNotOffered;
    return gs->markerManager->holdRelative ? 1 : 0;
}

// A changed hold setting goes to the marker manager, which the graph file keeps.
void StoreHold(tagGS* gs, int16_t hold) {
    if (hold == kHoldNotOffered || !gs->markerManager) return;
    const uint32_t value = static_cast<uint16_t>(hold);
    if (value == gs->markerManager->holdRelative) return;
    gs->markerManager->holdRelative = value;
    setDirtyGraphFlag(gs, 1);
}

// The unit followed by "/div".
void SetPerDiv(HWND dlg, int id, const char* name) {
    char text[kUnitNameLen + 8];
    std::snprintf(text, sizeof text, "%s/div", name);
    SetDlgItemTextA(dlg, id, text);
}

// A label from its key, with the dialog's own replacement when it has one.
void SetKeyed(HWND dlg, int id, uint32_t dlgId, const char* key) {
    SetControlTextFromKey(GetDlgItem(dlg, id), dlgId, Keyed(key));
}

// A value as the dialog shows it, read back.
double AsShown(double value, int decimals) {
    char text[64];
    measure::FormatValue(text, sizeof text, value, decimals);
    return std::atof(text);
}

// The strip of axis numbers under the plot, with the plot and the marker bar.
void InvalidateTimeView(tagGS* gs) {
    RECT strip = gs->plotRect;
    strip.top = gs->plotRect.bottom;
    strip.bottom = gs->plotRect.bottom + 2 * g_app->fonts.cyText;
    InvalidateRect(gs->hwnd, &strip, FALSE);
    InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
    InvalidateRect(gs->hwnd, &gs->markerBarRect, FALSE);
}

// The thumb follows the new start.
void UpdateTimeScrollBar(tagGS* gs) {
    if (gs->hScrollBar) SetScrollPos(gs->hScrollBar, SB_CTL, ScrollTimeView(gs, kThumbCode), TRUE);
    UpdateHScrollBar(gs);
}

// The time of the selected channel's last sample.
double RecordEnd(const tagGS* gs) {
    const uint32_t sel = gs->selectedChan < static_cast<uint32_t>(kMaxChannels) ? gs->selectedChan : 0;
    return gs->chanCount[sel] * gs->sampleInterval;
}

// The view pulled back so that it does not run past the end of the record.
void PullBackToEnd(tagGS* gs) {
    const double end = RecordEnd(gs), span = gs->hDivisions * gs->hPerDiv;
    if (end < gs->hStart + span) gs->hStart = end - span > 0.0 ? end - span : 0.0;
    UpdateTimeScrollBar(gs);
}

// A new start (as shown, with the offset), held between 0 and the latest full view.
void MoveStart(tagGS* gs, double newStart) {
    double s = newStart - gs->hOffset;
    const double latest = RecordEnd(gs) - gs->hDivisions * gs->hPerDiv;
    if (s > latest) s = latest;
    gs->hStart = s > 0.0 ? s : 0.0;
    gs->gridExtraValue = gs->hStart;
    UpdateTimeScrollBar(gs);
    setDirtyGraphFlag(gs, 1);
    InvalidateTimeView(gs);
}

// The graph's X channel in XY mode, channel 0 when the stored one is out of range.
int XChannel(const tagGS* gs) {
    return gs->xyXChan < static_cast<uint32_t>(kMaxChannels) ? static_cast<int>(gs->xyXChan) : 0;
}

// Dialog 952 or 202 on its working record; after OK the XY or the time variant applies it
// (the time variant with the hold setting).
template <typename Rec>
int RunAndApply(HWND parent, int dlgId, DLGPROC proc, Rec& d, void (*applyXY)(tagGS*, const Rec&),
                void (*applyTime)(tagGS*, const Rec&)) {
    const INT_PTR result =
        DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(dlgId), parent, proc, reinterpret_cast<LPARAM>(&d));
    if (result == 1) {
        if (d.xy) {
            applyXY(d.gs, d);
        } else {
            StoreHold(d.gs, d.hold);
            applyTime(d.gs, d);
        }
    }
    if (!d.xy) notify::SetStatusText("Ready");
    return result == 1 ? 1 : 0;
}

// ---- dialog 952 ----

struct stHScale {
    tagGS* gs;
    int32_t focusStart;
    bool xy;
    double scale, start;  // start: as shown (time variant: with the offset)
    int16_t hold;
    stUnit unit;
    int xChan;
};

// Both fields with the digits chosen in the dialog.
void ShowHScale(HWND dlg, stHScale* d) {
    const int decimals = gdlg::ChosenDigits(dlg, IDC_HS_PRECISION);
    gdlg::SetEditValue(dlg, IDC_HS_SCALE, d->scale, decimals);
    gdlg::SetEditValue(dlg, IDC_HS_START, d->start, decimals);
}

// The start field is fixed in a segment view; the hold box only for appended recordings.
void OnHScaleInit(HWND dlg, stHScale* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    gdlg::FillDigits(dlg, IDC_HS_PRECISION, Decimals(d->gs));
    SetKeyed(dlg, IDC_HS_START_LABEL, IDD_HSCALE, "HLOCKED Start Key");
    ShowHScale(dlg, d);
    const char* units = d->xy ? d->gs->chanUnits[d->xChan] : d->unit.name;
    SetPerDiv(dlg, IDC_HS_SCALE_UNITS, units);
    SetDlgItemTextA(dlg, IDC_HS_START_UNITS, units);
    EnableWindow(GetDlgItem(dlg, IDC_HS_START), d->xy || !SegmentView(d->gs));
    CheckDlgButton(dlg, IDC_HS_HOLD, d->hold && d->hold != kHoldNotOffered ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dlg, IDC_HS_HOLD), d->hold != kHoldNotOffered);
    CenterWindowOnScreen(dlg);
    gdlg::FocusAll(dlg, d->focusStart > 0 ? IDC_HS_START : IDC_HS_SCALE);
    HandleTheDialog(dlg, IDD_HSCALE);
}

// What is typed, as the dialog works with it.
void ReadHScale(HWND dlg, stHScale* d) {
    d->scale = gdlg::ReadNumber(dlg, IDC_HS_SCALE);
    d->start = gdlg::ReadNumber(dlg, IDC_HS_START);
}

// The time variant greys OK while the scale is not above 0.
void OnHScaleCommand(HWND dlg, stHScale* d, int id, int code) {
    switch (id) {
    case IDC_HS_SCALE:
        if (code == EN_CHANGE && !d->xy) EnableWindow(GetDlgItem(dlg, IDOK), gdlg::ReadNumber(dlg, IDC_HS_SCALE) > 0.0);
        [[fallthrough]];
    case IDC_HS_START:
        if (code == EN_KILLFOCUS) {
            ReadHScale(dlg, d);
            ShowHScale(dlg, d);
        }
        break;
    case IDC_HS_PRECISION:
        if (code == CBN_SELCHANGE) ShowHScale(dlg, d);
        break;
    case IDC_HS_HOLD:
        if (d->hold != kHoldNotOffered) d->hold = IsDlgButtonChecked(dlg, IDC_HS_HOLD) == BST_CHECKED;
        break;
    case IDOK:
        ReadHScale(dlg, d);
        // A scale of 0 or less would leave the axis without a span.
        if (!(d->scale > 0.0)) {
            gdlg::RefuseField(dlg, IDC_HS_SCALE);
            break;
        }
        d->gs->viewFlags0 = static_cast<uint16_t>(gdlg::ChosenDigits(dlg, IDC_HS_PRECISION));
        InvalidateRect(d->gs->hwnd, &d->gs->hAxisRect, FALSE);
        EndDialog(dlg, 1);
        break;
    case IDCANCEL: EndDialog(dlg, 0); break;
    default: break;
    }
}

// Dialog 952 for time and for the X channel.
constexpr DLGPROC HScaleProc = gdlg::RecordDialogProc<stHScale, OnHScaleInit, OnHScaleCommand>;

// After OK: a scale that shows differently changes the time per division, and the view is
// pulled back so that it does not run past the end of the record; a new start moves the view.
void ApplyHScale(tagGS* gs, const stHScale& d) {
    const double mult = d.unit.size;
    const int decimals = Decimals(gs);
    const bool segment = SegmentView(gs);
    const double newScale = d.scale * mult, oldScale = AsShown(gs->hPerDiv / mult, decimals) * mult;
    if (newScale != oldScale && newScale > 0.0) {
        SetTimePerDivision(gs, newScale);
        if (!segment) {
            PullBackToEnd(gs);
        }
        setDirtyGraphFlag(gs, 1);
        InvalidateTimeView(gs);
    }
    if (segment) return;
    const double newStart = d.start * mult, oldStart = AsShown((gs->hStart + gs->hOffset) / mult, decimals) * mult;
    if (newStart != oldStart) {
        MoveStart(gs, newStart);
    }
}

// The X channel takes the scale and midpoint; its grid passes through the band's edge.
void ApplyXYScale(tagGS* gs, const stHScale& d) {
    const int x = d.xChan;
    gs->chanVPerDiv[x] = d.scale;
    gs->chanVCenter[x] = d.start;
    gs->chanVOffsetDiv[x] = d.start - d.scale * gs->chanVDivisions[x] / 2.0;
    setDirtyGraphFlag(gs, 1);
    UpdateGraphScrollBars(gs);
    InvalidateTimeView(gs);
}

// The working values are the shown ones: time in the axis unit, the start with the offset.
int RunHScale(HWND parent, tagGS* gs, int32_t focusStart, bool xy) {
    if (!gs || !g_app) return 0;
    stHScale d{};
    d.gs = gs;
    d.focusStart = focusStart;
    d.xy = xy;
    d.hold = kHoldNotOffered;
    if (xy) {
        d.xChan = XChannel(gs);
        d.scale = gs->chanVPerDiv[d.xChan];
        d.start = gs->chanVCenter[d.xChan];
    } else {
        d.unit = AxisUnit(gs);
        d.scale = gs->hPerDiv / d.unit.size;
        d.start = (gs->hStart + gs->hOffset) / d.unit.size;
        d.hold = OfferedHold(gs);
        notify::SetStatusText("Enter new horizontal scale parameters");
    }
    return RunAndApply(parent, IDD_HSCALE, HScaleProc, d, ApplyXYScale, ApplyHScale);
}

// ---- dialog 202 ----

struct stLockedHScale {
    tagGS* gs;
    bool xy;
    double end, start, major, base;
    uint32_t rangeMode;
    int16_t hold;
    stUnit unit;  // size 1 in XY mode
    int xChan;
};

const char* LockedUnits(const stLockedHScale* d) { return d->xy ? d->gs->chanUnits[d->xChan] : d->unit.name; }

// Limits or range and midpoint, as the grid's parameter choice says.
void ShowLocked(HWND dlg, stLockedHScale* d) {
    const double m = d->unit.size, E = d->end / m, S = d->start / m;
    const int decimals = gdlg::ChosenDigits(dlg, IDC_HL_PRECISION);
    SetKeyed(dlg, IDC_HL_RANGE_GROUP, IDD_HSCALE_LOCKED, "HLOCKED Scale Range Key");
    if (d->rangeMode) {
        SetKeyed(dlg, IDC_HL_START_LABEL, IDD_HSCALE_LOCKED, "HLOCKED Range Key");
        SetKeyed(dlg, IDC_HL_END_LABEL, IDD_HSCALE_LOCKED, "HLOCKED Midpoint Key");
        gdlg::SetEditValue(dlg, IDC_HL_START, E - S, decimals);
        gdlg::SetEditValue(dlg, IDC_HL_END, (E + S) / 2.0, decimals);
    } else {
        SetKeyed(dlg, IDC_HL_END_LABEL, IDD_HSCALE_LOCKED, d->xy ? "HLOCKED End Key" : "HLOCKED Upper Key");
        SetKeyed(dlg, IDC_HL_START_LABEL, IDD_HSCALE_LOCKED, d->xy ? "HLOCKED Start Key" : "HLOCKED Lower Key");
        gdlg::SetEditValue(dlg, IDC_HL_END, E, decimals);
        gdlg::SetEditValue(dlg, IDC_HL_START, S, decimals);
    }
    gdlg::SetEditValue(dlg, IDC_HL_MAJOR, d->major / m, decimals);
    const char* units = LockedUnits(d);
    SetDlgItemTextA(dlg, IDC_HL_START_UNITS, units);
    SetDlgItemTextA(dlg, IDC_HL_END_UNITS, units);
    SetPerDiv(dlg, IDC_HL_MAJOR_UNITS, units);
    SetKeyed(dlg, IDC_HL_MINOR, IDD_HSCALE_LOCKED, IsGridFine(d->gs) ? "HLOCKED ON Key" : "HLOCKED OFF Key");
    gdlg::SetEditValue(dlg, IDC_HL_BASE, d->base / m, decimals);
    SetDlgItemTextA(dlg, IDC_HL_BASE_UNITS, units);
}

// The span fields are fixed in a segment view.
void OnLockedInit(HWND dlg, stLockedHScale* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    gdlg::FillDigits(dlg, IDC_HL_PRECISION, Decimals(d->gs));
    for (int id : {IDC_HL_START, IDC_HL_END, IDC_HL_MAJOR, IDC_HL_BASE})
        SendDlgItemMessageA(dlg, id, EM_LIMITTEXT, 20, 0);
    ShowLocked(dlg, d);
    CheckDlgButton(dlg, IDC_HL_HOLD, d->hold && d->hold != kHoldNotOffered ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dlg, IDC_HL_HOLD), d->hold != kHoldNotOffered);
    CenterWindowOnScreen(dlg);
    gdlg::FocusAll(dlg, IDC_HL_START);
    HandleTheDialog(dlg, IDD_HSCALE_LOCKED);
    const bool movable = d->xy || !SegmentView(d->gs);
    EnableWindow(GetDlgItem(dlg, IDC_HL_START), movable);
    if (d->rangeMode) EnableWindow(GetDlgItem(dlg, IDC_HL_END), movable);
}

// The span from the two fields, in milliseconds (or X channel units).
void ReadSpan(HWND dlg, stLockedHScale* d) {
    const double m = d->unit.size;
    if (d->rangeMode) {
        const double half = gdlg::ReadNumber(dlg, IDC_HL_START) * m / 2.0;
        d->start = gdlg::ReadNumber(dlg, IDC_HL_END) * m - half;
        d->end = d->start + 2.0 * half;
    } else {
        d->end = gdlg::ReadNumber(dlg, IDC_HL_END) * m;
        d->start = gdlg::ReadNumber(dlg, IDC_HL_START) * m;
    }
}

// Refused values beep and put the focus back; the time variant refuses a start after the end,
// the XY variant swaps them.
void OnLockedOk(HWND dlg, stLockedHScale* d) {
    const double m = d->unit.size;
    if (d->rangeMode) {
        if (!(gdlg::ReadNumber(dlg, IDC_HL_START) > 0.0)) {
            gdlg::RefuseField(dlg, IDC_HL_START);
            return;
        }
        ReadSpan(dlg, d);
    } else {
        double upper = gdlg::ReadNumber(dlg, IDC_HL_END), lower = gdlg::ReadNumber(dlg, IDC_HL_START);
        if (d->xy ? lower == upper : !(lower < upper)) {
            gdlg::RefuseField(dlg, IDC_HL_END);
            return;
        }
        if (lower > upper) std::swap(lower, upper);
        d->end = upper * m;
        d->start = lower * m;
    }
    const double major = gdlg::ReadNumber(dlg, IDC_HL_MAJOR) * m;
    // A division so small against the span that their ratio is no finite number is refused too.
    if (!(major > 0.0) || !std::isfinite((d->end - d->start) / major)) {
        gdlg::RefuseField(dlg, IDC_HL_MAJOR);
        return;
    }
    d->major = major;
    d->base = gdlg::ReadNumber(dlg, IDC_HL_BASE) * m;
    d->gs->viewFlags0 = static_cast<uint16_t>(gdlg::ChosenDigits(dlg, IDC_HL_PRECISION));
    InvalidateRect(d->gs->hwnd, &d->gs->hAxisRect, FALSE);
    EndDialog(dlg, 1);
}

// Each field left is read and every field shown again.
void OnLockedCommand(HWND dlg, stLockedHScale* d, int id, int code) {
    const double m = d->unit.size;
    switch (id) {
    case IDC_HL_BASE:
    case IDC_HL_MAJOR:
    case IDC_HL_START:
    case IDC_HL_END:
        if (code != EN_KILLFOCUS) break;
        if (id == IDC_HL_BASE)
            d->base = gdlg::ReadNumber(dlg, id) * m;
        else if (id == IDC_HL_MAJOR)
            d->major = gdlg::ReadNumber(dlg, id) * m;
        else
            ReadSpan(dlg, d);
        ShowLocked(dlg, d);
        break;
    case IDC_HL_PRECISION:
        if (code == CBN_SELCHANGE) ShowLocked(dlg, d);
        break;
    case IDC_HL_HOLD:
        if (d->hold != kHoldNotOffered) d->hold = IsDlgButtonChecked(dlg, IDC_HL_HOLD) == BST_CHECKED;
        break;
    case IDOK: OnLockedOk(dlg, d); break;
    case IDCANCEL: EndDialog(dlg, 0); break;
    default: break;
    }
}

// Dialog 202 for time and for the X channel.
constexpr DLGPROC LockedProc = gdlg::RecordDialogProc<stLockedHScale, OnLockedInit, OnLockedCommand>;

// The plot then shows exactly the chosen span: the number of divisions may be fractional.
void ApplyLocked(tagGS* gs, const stLockedHScale& d) {
    const bool segment = SegmentView(gs);
    const bool same = GraphXToTime(gs, gs->plotRect.right) == d.end && GraphXToTime(gs, gs->plotRect.left) == d.start &&
                      d.major == gs->hPerDiv && d.base == gs->gridExtraValue;
    if (!same) {
        gs->hPerDiv = d.major;
        if (!segment) gs->hStart = d.start > 0.0 ? d.start : 0.0;
        gs->hDivisions = (d.end - gs->hStart) / gs->hPerDiv;
        gs->gridExtraValue = d.base;
        if (!segment) UpdateTimeScrollBar(gs);
    }
    setDirtyGraphFlag(gs, 1);
    InvalidateTimeView(gs);
}

// The X channel shows exactly the chosen span.
void ApplyLockedXY(tagGS* gs, const stLockedHScale& d) {
    const int x = d.xChan;
    gs->chanVPerDiv[x] = d.major;
    gs->chanVCenter[x] = (d.end + d.start) / 2.0;
    gs->chanVDivisions[x] = (d.end - d.start) / d.major;
    gs->chanVOffsetDiv[x] = d.base;
    setDirtyGraphFlag(gs, 1);
    UpdateGraphScrollBars(gs);
    InvalidateTimeView(gs);
}

// The working span is what the plot shows now.
int RunLocked(HWND parent, tagGS* gs, bool xy) {
    if (!gs || !g_app) return 0;
    stLockedHScale d{};
    d.gs = gs;
    d.xy = xy;
    d.rangeMode = gs->gridExtra;
    d.hold = kHoldNotOffered;
    d.unit.size = 1.0;
    if (xy) {
        d.xChan = XChannel(gs);
        const double half = gs->chanVPerDiv[d.xChan] * gs->chanVDivisions[d.xChan] / 2.0;
        d.end = gs->chanVCenter[d.xChan] + half;
        d.start = gs->chanVCenter[d.xChan] - half;
        d.major = gs->chanVPerDiv[d.xChan];
        d.base = gs->chanVOffsetDiv[d.xChan];
    } else {
        d.unit = AxisUnit(gs);
        d.end = GraphXToTime(gs, gs->plotRect.right);
        d.start = GraphXToTime(gs, gs->plotRect.left);
        d.major = gs->hPerDiv;
        d.base = gs->gridExtraValue;
        d.hold = OfferedHold(gs);
        notify::SetStatusText("Enter new horizontal scale parameters - LOCKED");
    }
    return RunAndApply(parent, IDD_HSCALE_LOCKED, LockedProc, d, ApplyLockedXY, ApplyLocked);
}

// ---- hours, minutes and seconds: dialogs 953 and 203 ----

struct stHmsRow {
    int h, m, s;
};
constexpr stHmsRow kScaleRow{IDC_HH_SCALE_H, IDC_HH_SCALE_M, IDC_HH_SCALE_S};
constexpr stHmsRow kStartRow{IDC_HMS_HOURS, IDC_HMS_MINUTES, IDC_HMS_SECONDS};
constexpr stHmsRow kLockedRows[4] = {{IDC_HL_ROW1_H, IDC_HL_ROW1_M, IDC_HL_ROW1_S},
                                     {IDC_HL_ROW2_H, IDC_HL_ROW2_M, IDC_HL_ROW2_S},
                                     {IDC_HL_ROW3_H, IDC_HL_ROW3_M, IDC_HL_ROW3_S},
                                     {IDC_HL_ROW4_H, IDC_HL_ROW4_M, IDC_HL_ROW4_S}};

// Whole seconds of a value, held to 32 bits.
int32_t WholeSeconds(double v) {
    if (!(v > INT32_MIN)) return INT32_MIN;
    return v >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}
// One row of hours, minutes and seconds.
void ShowRow(HWND dlg, const stHmsRow& row, double value) {
    gdlg::SetHms(dlg, row.h, row.m, row.s, WholeSeconds(value));
}
// A row read as seconds.
double ReadRow(HWND dlg, const stHmsRow& row) { return gdlg::ReadHms(dlg, row.h, row.m, row.s); }

struct stHmsScale {
    tagGS* gs;
    int32_t focusStart;
    double scale, start;
    stUnit unit;
};

// Dialog 953: no checks, the rows are taken as typed.
INT_PTR CALLBACK HmsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<stHmsScale*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        d = reinterpret_cast<stHmsScale*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        ShowRow(dlg, kScaleRow, d->scale);
        ShowRow(dlg, kStartRow, d->start + d->gs->hOffset / d->unit.size);
        SetPerDiv(dlg, IDC_HH_SCALE_UNITS, d->unit.name);
        SetDlgItemTextA(dlg, IDC_HH_START_UNITS, d->unit.name);
        CenterWindowOnScreen(dlg);
        gdlg::FocusAll(dlg, d->focusStart > 0 ? kStartRow.h : kScaleRow.h);
        HandleTheDialog(dlg, IDD_HSCALE_HMS);
        return FALSE;
    }
    if (msg != WM_COMMAND || !d) return FALSE;
    if (LOWORD(wParam) == IDOK) {
        d->scale = ReadRow(dlg, kScaleRow);
        d->start = ReadRow(dlg, kStartRow);
        EndDialog(dlg, 1);
    } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, 0);
    }
    return TRUE;
}

// As the time variant of 952, compared with the stored values and held to the record's end
// also in segment view.
void ApplyHms(tagGS* gs, const stHmsScale& d) {
    const double mult = d.unit.size;
    const double newScale = d.scale * mult;
    if (newScale != gs->hPerDiv && newScale > 0.0) {
        SetTimePerDivision(gs, newScale);
        PullBackToEnd(gs);
        setDirtyGraphFlag(gs, 1);
        InvalidateTimeView(gs);
    }
    const double newStart = d.start * mult;
    if (newStart != gs->hStart) {
        MoveStart(gs, newStart);
    }
}

struct stLockedHms {
    tagGS* gs;
    double end, start, major, base;
    uint32_t rangeMode;
    stUnit unit;
};

// The four rows: span (limits or range and midpoint), major division and base point.
void ShowLockedHms(HWND dlg, const stLockedHms* d) {
    const double m = d->unit.size, E = d->end / m, S = d->start / m;
    if (d->rangeMode) {
        SetKeyed(dlg, IDC_HL_ROW1_LABEL, IDD_HSCALE_LOCKED_HMS, "HLOCKED Range Key");
        SetKeyed(dlg, IDC_HL_ROW2_LABEL, IDD_HSCALE_LOCKED_HMS, "HLOCKED Midpoint Key");
        ShowRow(dlg, kLockedRows[0], E - S);
        ShowRow(dlg, kLockedRows[1], (E + S) / 2.0);
    } else {
        SetKeyed(dlg, IDC_HL_ROW1_LABEL, IDD_HSCALE_LOCKED_HMS, "HLOCKED Start Key");
        SetKeyed(dlg, IDC_HL_ROW2_LABEL, IDD_HSCALE_LOCKED_HMS, "HLOCKED End Key");
        ShowRow(dlg, kLockedRows[0], S);
        ShowRow(dlg, kLockedRows[1], E);
    }
    ShowRow(dlg, kLockedRows[2], d->major / m);
    ShowRow(dlg, kLockedRows[3], d->base / m);
    SetPerDiv(dlg, IDC_HL_ROW3_UNITS, d->unit.name);
    for (int id : {IDC_HL_ROW4_UNITS, IDC_HL_ROW1_UNITS, IDC_HL_ROW2_UNITS}) SetDlgItemTextA(dlg, id, d->unit.name);
    SetKeyed(dlg, IDC_HL_MINOR, IDD_HSCALE_LOCKED_HMS, IsGridFine(d->gs) ? "HLOCKED ON Key" : "HLOCKED OFF Key");
}

// Refused rows beep and put the focus in their seconds field.
void OnLockedHmsOk(HWND dlg, stLockedHms* d) {
    const double row1 = ReadRow(dlg, kLockedRows[0]), row2 = ReadRow(dlg, kLockedRows[1]);
    double start, end;
    if (d->rangeMode) {
        const double half = row1 / 2.0;
        if (!(half > 0.0)) return gdlg::RefuseField(dlg, kLockedRows[0].s);
        start = row2 - half;
        end = start + 2.0 * half;
    } else {
        start = row1;
        end = row2;
        if (start < 0.0) return gdlg::RefuseField(dlg, kLockedRows[0].s);
        if (end < 0.0 || end == start) return gdlg::RefuseField(dlg, kLockedRows[1].s);
        if (start > end) std::swap(start, end);
    }
    const double major = ReadRow(dlg, kLockedRows[2]);
    if (!(major > 0.0)) return gdlg::RefuseField(dlg, kLockedRows[2].s);
    d->start = start;
    d->end = end;
    d->major = major;
    d->base = ReadRow(dlg, kLockedRows[3]);
    InvalidateRect(d->gs->hwnd, &d->gs->hAxisRect, FALSE);
    EndDialog(dlg, 1);
}

// Dialog 203: the twelve edits take two digits each.
INT_PTR CALLBACK LockedHmsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<stLockedHms*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        d = reinterpret_cast<stLockedHms*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        for (const stHmsRow& row : kLockedRows)
            for (int id : {row.h, row.m, row.s}) SendDlgItemMessageA(dlg, id, EM_LIMITTEXT, 2, 0);
        ShowLockedHms(dlg, d);
        CenterWindowOnScreen(dlg);
        gdlg::FocusAll(dlg, kLockedRows[0].h);
        HandleTheDialog(dlg, IDD_HSCALE_LOCKED_HMS);
        return FALSE;
    }
    if (msg != WM_COMMAND || !d) return FALSE;
    if (LOWORD(wParam) == IDOK)
        OnLockedHmsOk(dlg, d);
    else if (LOWORD(wParam) == IDCANCEL)
        EndDialog(dlg, 0);
    return TRUE;
}

// A changed base point alone is not applied: only a new span or division stores anything.
void ApplyLockedHms(tagGS* gs, stLockedHms d) {
    const double m = d.unit.size;
    d.end *= m;
    d.start *= m;
    d.major *= m;
    if (GraphXToTime(gs, gs->plotRect.right) == d.end && GraphXToTime(gs, gs->plotRect.left) == d.start &&
        d.major == gs->hPerDiv)
        return;
    gs->hPerDiv = d.major;
    gs->hStart = d.start > 0.0 ? d.start : 0.0;
    gs->hDivisions = (d.end - gs->hStart) / gs->hPerDiv;
    gs->gridExtraValue = d.base * m;
    UpdateTimeScrollBar(gs);
    setDirtyGraphFlag(gs, 1);
    InvalidateTimeView(gs);
}

}  // namespace

// Time in hours, minutes and seconds, free grid.
int HorizontalScaleHmsDialog(HWND parent, tagGS* gs, int32_t focusStart) {
    if (!gs || !g_app) return 0;
    stHmsScale d{};
    d.gs = gs;
    d.focusStart = focusStart;
    d.unit = AxisUnit(gs);
    d.scale = gs->hPerDiv / d.unit.size;
    d.start = gs->hStart / d.unit.size;
    notify::SetStatusText("Enter new horizontal scale parameters");
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_HSCALE_HMS), parent, HmsProc,
                                           reinterpret_cast<LPARAM>(&d));
    if (result == 1) ApplyHms(gs, d);
    notify::SetStatusText("Ready");
    return result == 1 ? 1 : 0;
}

// Time in hours, minutes and seconds, locked grid.
int LockedHorizontalScaleHmsDialog(HWND parent, tagGS* gs) {
    if (!gs || !g_app) return 0;
    stLockedHms d{};
    d.gs = gs;
    d.unit = AxisUnit(gs);
    d.end = GraphXToTime(gs, gs->plotRect.right);
    d.start = GraphXToTime(gs, gs->plotRect.left);
    d.major = gs->hPerDiv;
    d.base = gs->gridExtraValue;
    d.rangeMode = gs->gridExtra;
    notify::SetStatusText("Enter new horizontal scale parameters - LOCKED");
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_HSCALE_LOCKED_HMS), parent,
                                           LockedHmsProc, reinterpret_cast<LPARAM>(&d));
    if (result == 1) ApplyLockedHms(gs, d);
    notify::SetStatusText("Ready");
    return result == 1 ? 1 : 0;
}

// Time, free grid.
int HorizontalScaleDialog(HWND parent, tagGS* gs, int32_t focusStart) {
    return RunHScale(parent, gs, focusStart, false);
}
// The X channel of XY mode, free grid.
int XYHorizontalScaleDialog(HWND parent, tagGS* gs, int32_t focusStart) {
    return RunHScale(parent, gs, focusStart, true);
}
// Time, locked grid.
int LockedHorizontalScaleDialog(HWND parent, tagGS* gs) { return RunLocked(parent, gs, false); }
// The X channel of XY mode, locked grid.
int LockedXYHorizontalScaleDialog(HWND parent, tagGS* gs) { return RunLocked(parent, gs, true); }

// The dialog that fits the display mode, the grid lock and the clock-time unit.
int OpenHorizontalScaleDialog(HWND parent, tagGS* gs, int32_t focusStart) {
    if (!gs) return 0;
    const bool locked = gs->gridLocked != 0;
    if (gs->displayMode == kModeXY)
        return locked ? LockedXYHorizontalScaleDialog(parent, gs) : XYHorizontalScaleDialog(parent, gs, focusStart);
    if (gs->hUnitKind == kHUnitClock)
        return locked ? LockedHorizontalScaleHmsDialog(parent, gs) : HorizontalScaleHmsDialog(parent, gs, focusStart);
    return locked ? LockedHorizontalScaleDialog(parent, gs) : HorizontalScaleDialog(parent, gs, focusStart);
}
