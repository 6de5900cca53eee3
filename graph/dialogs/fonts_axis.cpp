// Fonts and colours of the graph display, and the "Set Horizontal Axis format" dialog: what the
// horizontal axis shows (time, frequency, clock time or arbitrary units), the sample interval
// and the value of the first sample.
#include "graph/dialogs/dialogs_api.h"
#include "graph/dialogs/dialog_util.h"
#include "base/app.h"
#include "graph/graph_ids.h"
#include "devlib/vk40.h"
#include "graph/document/graph_doc.h"
#include "graph/view/layout.h"
#include "graph/window/graph_window.h"
#include <commdlg.h>
#include <cstdio>
#include <cstring>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include "common/locale.h"

namespace {

// Longest sample interval taken, in milliseconds: times of 2^32 samples must stay finite.
constexpr double kMaxInterval = 1e200;

// The font dialog's settings persist between calls for the whole run.
CHOOSEFONTA g_chooseFont;

// ---- Set Horizontal Axis format ----

struct stAxisDialog {
    tagGS* gs;
};

const int kUnitsControls[] = {IDC_HAXIS_UNITS_LABEL, IDC_HAXIS_UNITS, IDC_HAXIS_ABBREV_LABEL, IDC_HAXIS_ABBREV,
                              IDC_HAXIS_ABBREV_NOTE};
const int kClockControls[] = {IDC_HMS_HOURS, IDC_HMS_MINUTES, IDC_HMS_SECONDS, IDC_HMS_COLON1, IDC_HMS_COLON2};
const int kFirstControls[] = {IDC_HAXIS_FIRST, IDC_HAXIS_FIRST_LABEL};

// The stored milliseconds (or arbitrary units) as the dialog shows them for a kind.
double ToShown(double stored, uint32_t kind) {
    if (kind == kHUnitUser) return stored;
    return kind == kHUnitFrequency ? stored * 1000.0 : stored / 1000.0;
}

// The reverse of ToShown: what the dialog shows back into the stored unit.
double FromShown(double shown, uint32_t kind) {
    if (kind == kHUnitUser) return shown;
    return kind == kHUnitFrequency ? shown / 1000.0 : shown * 1000.0;
}

// The labels and which controls show for a kind; the numbers in the edits stay as typed.
void ShowKind(HWND dlg, const tagGS* gs, uint32_t kind) {
    if (kind == kHUnitUser) {
        SetDlgItemTextA(dlg, IDC_HAXIS_INTERVAL_LABEL, "units/sample");
        SetDlgItemTextA(dlg, IDC_HAXIS_FIRST_LABEL, "units");
        SetDlgItemTextA(dlg, IDC_HAXIS_UNITS, gs->hUnitName);
        SetDlgItemTextA(dlg, IDC_HAXIS_ABBREV, gs->hUnitAbbrev);
    } else {
        const char* key = kind == kHUnitFrequency ? "Hz" : "seconds";
        const char* name = KeyedLabel(key);
        char perSample[96];
        std::snprintf(perSample, sizeof perSample, "%s/%s", name, "sample");
        SetDlgItemTextA(dlg, IDC_HAXIS_INTERVAL_LABEL, perSample);
        SetDlgItemTextA(dlg, IDC_HAXIS_FIRST_LABEL, name);
    }
    gdlg::ShowControls(dlg, kUnitsControls, std::size(kUnitsControls), kind == kHUnitUser);
    gdlg::ShowControls(dlg, kClockControls, std::size(kClockControls), kind == kHUnitClock);
    gdlg::ShowControls(dlg, kFirstControls, std::size(kFirstControls), kind != kHUnitClock);
}

// The numbers show in the kind's unit with nine digits; the clock edits show whole seconds.
void OnAxisInit(HWND dlg, stAxisDialog* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    const tagGS* gs = d->gs;
    const uint32_t kind = gs->hUnitKind <= kHUnitUser ? gs->hUnitKind : kHUnitTime;
    CheckRadioButton(dlg, IDC_HAXIS_TIME, IDC_HAXIS_ARBITRARY, IDC_HAXIS_TIME + static_cast<int>(kind));
    const double interval = ToShown(gs->sampleInterval, kind), first = ToShown(gs->hOffset, kind);
    ShowKind(dlg, gs, kind);
    gdlg::SetEditValue(dlg, IDC_HAXIS_INTERVAL, interval, 9);
    gdlg::SetEditValue(dlg, IDC_HAXIS_FIRST, first, 9);
    const double whole = first >= INT32_MAX ? INT32_MAX : first <= 0.0 ? 0.0 : first;
    gdlg::SetHms(dlg, IDC_HMS_HOURS, IDC_HMS_MINUTES, IDC_HMS_SECONDS, static_cast<int32_t>(whole));
    SendDlgItemMessageA(dlg, IDC_HAXIS_UNITS, EM_LIMITTEXT, 39, 0);
    SendDlgItemMessageA(dlg, IDC_HAXIS_ABBREV, EM_LIMITTEXT, 9, 0);
    HandleTheDialog(dlg, IDD_HAXIS_FORMAT);
}

// The kind of the checked radio button; time when none is.
uint32_t CheckedKind(HWND dlg) {
    if (IsDlgButtonChecked(dlg, IDC_HAXIS_CLOCK) == BST_CHECKED) return kHUnitClock;
    if (IsDlgButtonChecked(dlg, IDC_HAXIS_FREQUENCY) == BST_CHECKED) return kHUnitFrequency;
    if (IsDlgButtonChecked(dlg, IDC_HAXIS_ARBITRARY) == BST_CHECKED) return kHUnitUser;
    return kHUnitTime;
}

// An interval that is not a positive number keeps the current one.
void OnAxisOk(HWND dlg, stAxisDialog* d) {
    tagGS* gs = d->gs;
    const uint32_t kind = CheckedKind(dlg);
    double interval = gdlg::ReadNumber(dlg, IDC_HAXIS_INTERVAL, 62);
    if (!(interval > 0.0)) interval = ToShown(gs->sampleInterval, kind);
    const double first = kind == kHUnitClock ? gdlg::ReadHms(dlg, IDC_HMS_HOURS, IDC_HMS_MINUTES, IDC_HMS_SECONDS)
                                             : gdlg::ReadNumber(dlg, IDC_HAXIS_FIRST, 62);
    if (kind == kHUnitUser) {
        GetDlgItemTextA(dlg, IDC_HAXIS_UNITS, gs->hUnitName, sizeof gs->hUnitName);
        char abbrev[16] = "";
        GetDlgItemTextA(dlg, IDC_HAXIS_ABBREV, abbrev, 9);
        std::snprintf(gs->hUnitAbbrev, sizeof gs->hUnitAbbrev, "%s", abbrev);
    }
    // Values too large for the stored unit keep what was there.
    const double newInterval = FromShown(interval, kind), newOffset = FromShown(first, kind);
    if (newInterval > 0.0 && newInterval <= kMaxInterval) gs->sampleInterval = newInterval;
    if (std::isfinite(newOffset)) gs->hOffset = newOffset;
    if (kind != gs->hUnitKind) {
        gs->hUnitKind = kind;
        if (kind == kHUnitTime || kind == kHUnitClock) gs->hOffset = 0.0;
    }
    EndDialog(dlg, 1);
}

// A radio button changes the labels and shown controls only; OK converts what is typed.
INT_PTR CALLBACK AxisProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<stAxisDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        OnAxisInit(dlg, reinterpret_cast<stAxisDialog*>(lParam));
        return TRUE;
    }
    if (msg != WM_COMMAND || !d) return FALSE;
    const int id = LOWORD(wParam);
    if (id >= IDC_HAXIS_TIME && id <= IDC_HAXIS_ARBITRARY && HIWORD(wParam) == BN_CLICKED) {
        CheckRadioButton(dlg, IDC_HAXIS_TIME, IDC_HAXIS_ARBITRARY, id);
        ShowKind(dlg, d->gs, static_cast<uint32_t>(id - IDC_HAXIS_TIME));
    } else if (id == IDOK) {
        OnAxisOk(dlg, d);
    } else if (id == IDCANCEL) {
        EndDialog(dlg, 0);
    }
    return TRUE;
}

}  // namespace

// A face that does not exist is replaced by the font mapper; only a description that makes no font is reported.
HFONT ChooseGraphFont(HWND owner, HFONT oldFont, int useGiven, LOGFONTA* lf, int32_t* charWidth, int32_t* lineHeight) {
    if (!useGiven) {
        if (!lf) return oldFont;
        g_chooseFont.lStructSize = sizeof g_chooseFont;
        g_chooseFont.hwndOwner = owner;
        g_chooseFont.lpLogFont = lf;
        g_chooseFont.Flags = CF_SCREENFONTS | CF_SCRIPTSONLY | CF_INITTOLOGFONTSTRUCT;
        if (!ChooseFontA(&g_chooseFont)) return oldFont;
    }
    if (lf && GetUserDefaultLCID() == kJapaneseLocale) lf->lfCharSet = SHIFTJIS_CHARSET;
    HFONT font = lf ? CreateFontIndirectA(lf) : nullptr;
    if (!font) {
        MessageBoxA(owner, Keyed("Can't create font!"), ProgramTitle(), MB_ICONSTOP);
        return nullptr;
    }
    if (oldFont) DeleteObject(oldFont);
    HDC dc = GetDC(owner);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(owner, dc);
    if (charWidth) *charWidth = tm.tmAveCharWidth;
    if (lineHeight) *lineHeight = tm.tmHeight + tm.tmExternalLeading;
    return font;
}

// The measurement boxes are the graph's child windows of the measurement class.
void ApplyFontToGraphWindow(HWND window, HFONT font) {
    char cls[32] = "";
    if (!g_app || !window || !GetClassNameA(window, cls, sizeof cls) ||
        lstrcmpiA(cls, g_app->szClassNames[kClassChild]) != 0)
        return;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char childClass[32] = "";
        if (GetClassNameA(child, childClass, sizeof childClass) &&
            lstrcmpiA(childClass, g_app->szClassNames[kClassMeasure]) == 0)
            SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    tagGS* gs = GetWindowGraph(window);
    if (gs && gs->markerLabelEdit) SendMessageA(gs->markerLabelEdit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    InvalidateRect(window, nullptr, TRUE);
    if (gs) LayoutGraphWindow(gs);
}

// Sixteen white custom colours each time: the dialog keeps none between calls.
COLORREF ChooseGraphColor(HWND owner, COLORREF initial) {
    COLORREF custom[16];
    for (COLORREF& c : custom) c = RGB(255, 255, 255);
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = initial;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    return ChooseColorA(&cc) ? cc.rgbResult : initial;
}

// The caller redraws: the new interval changes every time the graph shows.
int HorizontalAxisFormatDialog(tagGS* gs) {
    if (!gs || !g_app) return 0;
    stAxisDialog d{gs};
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_HAXIS_FORMAT), gs->hwnd, AxisProc,
                                           reinterpret_cast<LPARAM>(&d));
    return result == 1 ? 1 : 0;
}
