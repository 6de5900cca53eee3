// The Input Values pane's window: dialog 1218, kept hidden until the device menu shows it,
// refreshed by its own timer and by the library's idle step.
#include "devlib/acquisition/setup/input_values.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/binding.h"
#include "common/tagGS.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/acquisition/run/unit_memory.h"
#include "devlib/acquisition/setup/values_options.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/services/modeless_panel.h"
#include "devlib/vk40.h"
#include "common/locale.h"

namespace {

constexpr LONG kFontHeight = 14;
constexpr BYTE kFontPitchFamily = 0x21;
constexpr int32_t kLastShownState = 6;
constexpr int32_t kWideTextChars = 9;  // "M"s of a bar column that shows units, labels or the range

HGLOBAL PaneRecord(HWND pane) { return reinterpret_cast<HGLOBAL>(GetWindowLongPtrA(pane, DWLP_USER)); }


double ShownValue(int32_t id) {
    const stInputValuesPane& p = g_inputValues;
    if (IsCalcId(id)) return p.calc[id - kFirstCalcSlot];
    if (IsDigitalId(id)) return (p.digitalBits >> (id - kFirstDigitalSlot)) & 1u ? kDigitalSetLevel : 0.0;
    return p.analog[id - 1];
}

int32_t TextWidth(HDC dc, const char* text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
    return size.cx;
}

// Width of n copies of one character.
int32_t RepeatWidth(HDC dc, char c, int32_t n) {
    char text[32] = "";
    n = std::clamp(n, 0, 31);
    memset(text, c, static_cast<size_t>(n));
    text[n] = 0;
    return TextWidth(dc, text);
}

void DrawTextAt(HDC dc, int32_t x, int32_t y, const char* text) {
    TextOutA(dc, x, y, text, static_cast<int>(strlen(text)));
}

// The font the pane writes with: fixed pitch, Shift-JIS under a Japanese locale.
LOGFONTA PaneLogFont() {
    LOGFONTA lf{};
    lf.lfHeight = kFontHeight;
    lf.lfWeight = FW_NORMAL;
    lf.lfPitchAndFamily = kFontPitchFamily;
    lf.lfCharSet = GetUserDefaultLCID() == kJapaneseLocale ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, "Courier", LF_FACESIZE);
    return lf;
}

// The text list's columns follow from the widest name, value and units.
void MeasureColumns(HDC dc, const stAcq* acq) {
    stInputValuesPane& p = g_inputValues;
    stShownChannel shown[kMaxChanRecords];
    const int32_t count = CollectShownChannels(acq, acq->run.running, shown);
    int32_t nameWidth = 0, unitsWidth = 0;
    for (int32_t i = 0; i < count; ++i) {
        char name[16];
        ListChannelName(shown[i].id, name, sizeof(name));
        nameWidth = std::max(nameWidth, TextWidth(dc, name));
        char units[64];
        snprintf(units, sizeof(units), "%s ", acq->chans[shown[i].record].units);
        unitsWidth = std::max(unitsWidth, TextWidth(dc, units));
    }
    p.valueX = p.marginX + (p.showNames ? nameWidth : 0);
    // Room for the digits and a sign, so a negative value does not run into the units.
    p.unitsX = p.valueX + RepeatWidth(dc, '8', p.decimals + 3) + TextWidth(dc, " ");
    p.labelX = p.unitsX + (p.showUnits ? unitsWidth : 0);
}

// The value area: everything under the header strip.
RECT ValueArea(HWND pane) {
    RECT r{};
    GetClientRect(pane, &r);
    r.top = std::min<LONG>(r.bottom, g_inputValues.headerHeight);
    return r;
}

void FillFace(HDC dc, const RECT& r) { FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE)); }

// The whole client area shows one centred text.
void PaintUnavailable(HWND pane, HDC dc, const RECT& client) {
    char text[128] = "";
    GetDlgItemTextA(pane, IDC_VALUES_UNAVAILABLE, text, sizeof(text));
    FillFace(dc, client);
    RECT r = client;
    DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void PaintList(HDC dc, const stAcq* acq, const stShownChannel* shown, int32_t count) {
    const stInputValuesPane& p = g_inputValues;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t id = shown[i].id;
        const stAcqChan& rec = acq->chans[shown[i].record];
        const int32_t y = i * p.lineHeight + p.headerHeight + 2;
        char text[96];
        if (p.showNames) {
            ListChannelName(id, text, sizeof(text));
            DrawTextAt(dc, p.marginX, y, text);
        }
        if (IsDigitalId(id))
            snprintf(text, sizeof(text), "%s", ShownValue(id) > 0 ? "1" : "0");
        else
            FormatPaneValue(ShownValue(id), p.decimals, text, sizeof(text));
        DrawTextAt(dc, p.unitsX - p.charWidth - TextWidth(dc, text), y, text);  // right-aligned in its field
        if (p.showUnits) DrawTextAt(dc, p.unitsX, y, rec.units);
        int32_t x = p.labelX;
        if (p.showLabels) {
            DrawTextAt(dc, x, y, rec.label);
            x += TextWidth(dc, rec.label) + p.charWidth;
        }
        if (p.showRange) {
            char lo[32], hi[32];
            FormatPaneValue(p.rangeMin[shown[i].record], p.decimals, lo, sizeof(lo));
            FormatPaneValue(p.rangeMax[shown[i].record], p.decimals, hi, sizeof(hi));
            snprintf(text, sizeof(text), "Min: %s  Max: %s", lo, hi);
            DrawTextAt(dc, x, y, text);
        }
    }
}

// The bar column's text need, by what it shows.
int32_t BarTextWidth(HDC dc) {
    const stInputValuesPane& p = g_inputValues;
    if (p.showUnits || p.showLabels || p.showRange) return RepeatWidth(dc, 'M', kWideTextChars);
    if (p.showValues) return RepeatWidth(dc, '2', p.decimals + 3);
    if (p.showNames) return RepeatWidth(dc, 'M', 4);
    return 0;
}

int32_t BarTextLines() {
    const stInputValuesPane& p = g_inputValues;
    const int32_t lines = (p.showNames ? 1 : 0) + (p.showValues ? 1 : 0) + (p.showUnits || p.showLabels ? 1 : 0) +
                          (p.showRange ? 2 : 0);
    return std::max(lines, 1);
}

COLORREF BarColor(const stAcq* acq, int32_t id, int32_t slot, HDC dc) {
    const int32_t bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    const int32_t colours = bits >= 24 ? (1 << 24) : (1 << bits);
    return LevelBarColour(acq->run.attachedGraph, slot, id, colours);
}

// A frame, a 3-D edge when the bar is big enough, and the filled share.
void DrawBar(HDC dc, RECT bar, double fraction, COLORREF fill, int32_t stacked) {
    if (bar.right - bar.left >= kBarEdgePixels && bar.bottom - bar.top >= kBarEdgePixels)
        DrawEdge(dc, &bar, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FrameRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&bar, -1, -1);
    FillFace(dc, bar);
    const RECT part = FilledPartOfBar(bar, fraction, stacked);
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc, &part, brush);
    DeleteObject(brush);
}

// The lines of a bar's texts: name, value, units and label, range.
void DrawBarTexts(HDC dc, const stAcq* acq, const stShownChannel& ch, int32_t x, int32_t y) {
    const stInputValuesPane& p = g_inputValues;
    const stAcqChan& rec = acq->chans[ch.record];
    char text[96];
    if (p.showNames) {
        BarChannelName(ch.id, text, sizeof(text));
        DrawTextAt(dc, x, y, text);
        y += p.lineHeight;
    }
    if (p.showValues) {
        FormatPaneValue(ShownValue(ch.id), IsDigitalId(ch.id) ? 1 : p.decimals, text, sizeof(text));
        DrawTextAt(dc, x, y, text);
        y += p.lineHeight;
    }
    if (p.showUnits || p.showLabels) {
        snprintf(text, sizeof(text), "%s %s", p.showUnits ? rec.units : "", p.showLabels ? rec.label : "");
        DrawTextAt(dc, x, y, text);
        y += p.lineHeight;
    }
    if (p.showRange) {
        char value[32];
        FormatPaneValue(p.rangeMin[ch.record], p.decimals, value, sizeof(value));
        snprintf(text, sizeof(text), "Min: %s", value);
        DrawTextAt(dc, x, y, text);
        FormatPaneValue(p.rangeMax[ch.record], p.decimals, value, sizeof(value));
        snprintf(text, sizeof(text), "Max: %s", value);
        DrawTextAt(dc, x, y + p.lineHeight, text);
    }
}

void PaintBars(HWND pane, HDC dc, const RECT& client, const stAcq* acq, const stShownChannel* shown, int32_t count) {
    const stInputValuesPane& p = g_inputValues;
    RECT bars[kMaxChanRecords];
    const int32_t top = p.headerHeight + 2;
    const int32_t textWidth = BarTextWidth(dc), lines = BarTextLines();
    LayoutLevelBars(client, top, p.marginX, count, textWidth, lines, p.lineHeight, p.stackedBars, bars);
    char unavailable[128] = "";
    GetDlgItemTextA(pane, IDC_VALUES_UNAVAILABLE, unavailable, sizeof(unavailable));
    for (int32_t i = 0; i < count; ++i) {
        const RECT& bar = bars[i];
        if (p.stackedBars)
            DrawBarTexts(dc, acq, shown[i], client.left + p.marginX, bar.top);
        else
            DrawBarTexts(dc, acq, shown[i], bar.left, top);
        if (IsCalcId(shown[i].id) && !acq->run.running) {
            DrawTextAt(dc, bar.left, bar.top, unavailable);
            continue;
        }
        const int32_t slot = RunSlotOfChannel(acq->run, shown[i].id);
        const double f = LevelFraction(ShownValue(shown[i].id), p.rangeMin[shown[i].record], p.rangeMax[shown[i].record]);
        DrawBar(dc, bar, f, BarColor(acq, shown[i].id, slot, dc), p.stackedBars);
    }
}

// The ranges of the shown channels from the attached graph.
void TakeDisplayRanges(const stAcq* acq) {
    for (int32_t r = 0; r < kMaxChanRecords; ++r) {
        const int32_t id = ChannelIdOfRecord(acq->chans[r]);
        if (!id) continue;
        ChannelDisplayRange(acq->run.attachedGraph, RunSlotOfChannel(acq->run, id), id, &g_inputValues.rangeMin[r],
                            &g_inputValues.rangeMax[r]);
    }
}

// Hidden by Cancel or close: a unit left idle stops its one-shot sampling.
void HidePane(HWND pane) {
    ShowWindow(pane, SW_HIDE);
    g_inputValues.shown = 0;
    AcqLock acq(PaneRecord(pane));
    if (acq) acq->run.inputValuesShown = 0;
    if (acq && !acq->run.running) {
        const uint8_t off = 0;
        g_unitLink.SetCommand(kCmdStop, 1, &off);
    }
}

// A right click on the pane opens its options; any answer but a plain Cancel changed what it draws.
void OnPaneOptions(HWND pane) {
    if (ShowInputValuesOptions(pane) == kOptionsCancel) return;
    AcqLock acq(PaneRecord(pane));
    if (acq) RelayoutInputValues(acq.get());
    InvalidateRect(pane, nullptr, TRUE);
}

// Destroyed with the frame: a unit left idle stops its one-shot sampling, as when hidden. The
// record may already be gone when the library was shut down first.
void OnPaneDestroyed(HWND pane) {
    HGLOBAL hAcq = PaneRecord(pane);
    if (!hAcq || hAcq != g_lib.hAcq) return;
    AcqLock acq(hAcq);
    if (acq && !acq->run.running) {
        const uint8_t off = 0;
        g_unitLink.SetCommand(kCmdStop, 1, &off);
    }
}

void OnPaneTimer(HWND pane) {
    AcqLock acq(PaneRecord(pane));
    if (!acq) return;
    if (g_inputValues.style != g_inputValues.paintedStyle) {
        InvalidateRect(pane, nullptr, TRUE);
        g_inputValues.paintedStyle = g_inputValues.style;
    }
    RepaintInputValues(acq.get());
}

void OnPanePaint(HWND pane) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(pane, &ps);
    AcqLock acq(PaneRecord(pane));
    if (acq) PaintInputValues(pane, dc, acq.get());
    EndPaint(pane, &ps);
}

INT_PTR CALLBACK InputValuesProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: SetWindowLongPtrA(pane, DWLP_USER, lParam); return FALSE;  // created hidden: the focus stays with the frame
    case WM_ACTIVATE:
        RoutePanelKeys(pane, wParam);
        return FALSE;
    case WM_SHOWWINDOW:
        if (wParam) {
            SetTimer(pane, IDT_INPUT_VALUES, kValuesTimerMs, nullptr);
            OnPaneTimer(pane);
        } else {
            KillTimer(pane, IDT_INPUT_VALUES);
        }
        return FALSE;
    case WM_TIMER:
        if (wParam == IDT_INPUT_VALUES) OnPaneTimer(pane);
        return TRUE;
    case WM_PAINT: OnPanePaint(pane); return TRUE;
    case WM_PRINTCLIENT: {
        AcqLock acq(PaneRecord(pane));
        if (acq) PaintInputValues(pane, reinterpret_cast<HDC>(wParam), acq.get());
        return TRUE;
    }
    case WM_ERASEBKGND: {
        RECT r{};
        GetClientRect(pane, &r);
        FillFace(reinterpret_cast<HDC>(wParam), r);
        SetWindowLongPtrA(pane, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    case WM_SIZE: {
        AcqLock acq(PaneRecord(pane));
        if (acq) RelayoutInputValues(acq.get());
        return FALSE;
    }
    case WM_CLOSE: HidePane(pane); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) HidePane(pane);
        if (LOWORD(wParam) == IDC_VALUES_RELAYOUT) {
            AcqLock acq(PaneRecord(pane));
            if (acq) RelayoutInputValues(acq.get());
        }
        return TRUE;
    case WM_CONTEXTMENU: OnPaneOptions(pane); return TRUE;
    case WM_DESTROY:
        OnPaneDestroyed(pane);
        if (g_inputValues.font) DeleteObject(g_inputValues.font);
        g_inputValues.font = nullptr;
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

// The pane's client area: only the centred note while the unit gives no values or a run held in
// the unit is on, else a white
// line, the header strip and each shown channel's line or bar.
void PaintInputValues(HWND pane, HDC dc, stAcq* acq) {
    RECT client{};
    GetClientRect(pane, &client);
    HGDIOBJ oldFont = g_inputValues.font ? SelectObject(dc, g_inputValues.font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    const int32_t state = acq->run.statusState;
    // A run the unit paces keeps its samples in the unit until the end: nothing new to show.
    const bool unitPacedRun = acq->run.running && acq->run.timingKind == kTimingUnitPaced;
    if (state == 0 || state > kLastShownState || unitPacedRun) {
        PaintUnavailable(pane, dc, client);
    } else {
        FillFace(dc, client);
        RECT line{client.left, client.top, client.right, client.top + 1};
        FillRect(dc, &line, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        stShownChannel shown[kMaxChanRecords];
        const int32_t count = CollectShownChannels(acq, acq->run.running, shown);
        if (g_inputValues.style == kValuesStyleList)
            PaintList(dc, acq, shown, count);
        else
            PaintBars(pane, dc, client, acq, shown, count);
    }
    if (oldFont) SelectObject(dc, oldFont);
}

// Start-up gives the settings their first values; the pane waits for its first use.
void PrepareInputValues(HGLOBAL) {
    g_inputValues = stInputValuesPane{};
    g_inputValues.logFont = PaneLogFont();
}

// Made hidden, with the frame as parent, the first time it is needed; its font is made with it.
HWND InputValuesWindow(HGLOBAL hAcq) {
    {
        AcqLock acq(hAcq);
        if (!acq) return nullptr;
        if (IsWindow(acq->run.hwndInputValues)) return acq->run.hwndInputValues;
    }
    if (!g_inputValues.font) g_inputValues.font = CreateFontIndirectA(&g_inputValues.logFont);
    HWND pane = CreateDialogParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_INPUT_VALUES), g_lib.hostFrame,
                                   InputValuesProc, reinterpret_cast<LPARAM>(hAcq));
    AcqLock acq(hAcq);
    if (acq) acq->run.hwndInputValues = pane;
    if (!pane) return nullptr;
    HandleTheDialog(pane, IDD_INPUT_VALUES);  // texts loaded before it was made
    if (acq) RelayoutInputValues(acq.get());
    return pane;
}

// Device menu command 5003.
void ShowInputValues(HGLOBAL hAcq) {
    HWND pane = InputValuesWindow(hAcq);
    {
        AcqLock acq(hAcq);
        if (!acq || !IsWindow(pane)) return;
        g_inputValues.shown = 1;
        acq->run.inputValuesShown = 1;
        RelayoutInputValues(acq.get());
    }
    ShowWindow(pane, SW_SHOWNORMAL);
    BringWindowToTop(pane);  // already open: it comes forward
}

// Measures the font, the margins and the columns again and redraws below the header.
void RelayoutInputValues(stAcq* acq) {
    HWND pane = acq ? acq->run.hwndInputValues : nullptr;
    if (!pane || !IsWindow(pane)) return;
    stInputValuesPane& p = g_inputValues;
    HDC dc = GetDC(pane);
    HGDIOBJ old = p.font ? SelectObject(dc, p.font) : nullptr;
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    p.charWidth = std::max<int32_t>(tm.tmAveCharWidth, 1);
    p.lineHeight = std::max<int32_t>(tm.tmHeight + tm.tmExternalLeading, 1);
    p.marginY = p.lineHeight / 2;
    p.marginX = p.charWidth;
    MeasureColumns(dc, acq);
    if (old) SelectObject(dc, old);
    ReleaseDC(pane, dc);
    TakeDisplayRanges(acq);
    const RECT area = ValueArea(pane);
    InvalidateRect(pane, &area, TRUE);
}

// The idle step while recording, and every timer tick: new values, drawn at once.
void RepaintInputValues(stAcq* acq) {
    HWND pane = acq ? acq->run.hwndInputValues : nullptr;
    if (!pane || !IsWindowVisible(pane) || g_inputValues.busy) return;
    g_inputValues.busy = 1;
    const int32_t read = ReadInputValues(acq);
    g_inputValues.busy = 0;
    if (!read) return;
    const RECT area = ValueArea(pane);
    InvalidateRect(pane, &area, FALSE);
    UpdateWindow(pane);
}
