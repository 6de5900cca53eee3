// The modeless Setup Channels window: one row per channel (template 182) in three groups, each row
// bound to its channel record; the row's boxes, label, presets menu and set-up button.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "devlib/acquisition/setup/acq_setup.h"
#include "devlib/acquisition/calc/calc.h"
#include "devlib/acquisition/calc/calc_dialogs.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/setup/chan_setup_rows.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/setup/panel_places.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/acquisition/channels/scaling.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/services/modeless_panel.h"
#include "devlib/acquisition/setup/input_values.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"

namespace {

constexpr UINT_PTR kIdleTimer = 257;
constexpr int kRowStepDlu = 14;
constexpr int kAnalogTopDlu = 53;
constexpr int kSecondGroupTopDlu = 125;
constexpr int kThirdGroupTopDlu = 197;
constexpr int kRowLeftDlu = 4;
constexpr int kVisibleRows = 4;

struct stRow {
    HWND wnd = nullptr;
    int32_t kind = 0;    // 0 analog, 1 digital, 2 calculation
    int32_t number = 0;  // within its kind
    int32_t index = 0;   // into stAcq::chans
    int32_t topDlu = 0;  // its place with the group scrolled to the top
    uint32_t shown = 0;  // the state bits it last showed from its record
};

// The window exists once, from start-up to shut-down.
struct stChannelWindow {
    HWND wnd = nullptr;
    HGLOBAL hAcq = nullptr;
    std::vector<stRow> rows;
    int32_t spin[3] = {};  // first shown row of each group
    SIZE full = {};         // the window's size as made: its width, and the most height
    int32_t leastHeight = 0;  // down to the bottom of the first row
    bool snapping = false;
};
stChannelWindow g_window;

// The two button faces every analog and calculation row shares, loaded by the first row.
HBITMAP g_rowFaces[2] = {};

bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

void Check(HWND dlg, int id, bool on) { CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }

stRow* RowOf(HWND row) { return reinterpret_cast<stRow*>(GetWindowLongPtrA(row, DWLP_USER)); }

bool CalcOn(const stAcq* acq, const stRow& row) {
    return row.kind != kGroupCalc || CalcSettings(acq)->kind[row.number] > 0;
}

void OffLabel(int32_t number, char* out, size_t size) {
    FormatKeyedText(out, size, Keyed("C%d - calculation - OFF"), number + 1);
}

// The row shows its record: three boxes, the label and which buttons may be used.
void RefreshRow(stRow& row, stAcq* acq) {
    stAcqChan& rec = acq->chans[row.index];
    const bool calcOn = CalcOn(acq, row);
    const bool on = (rec.flags & kChanEnabled) != 0;
    row.shown = rec.flags & kChanAllOn;
    Check(row.wnd, IDC_ROW_ACQUIRE, on);
    Check(row.wnd, IDC_ROW_PLOT, (rec.flags & kChanPlot) != 0);
    Check(row.wnd, IDC_ROW_VALUES, (rec.flags & kChanValues) != 0);
    EnableWindow(GetDlgItem(row.wnd, IDC_ROW_PLOT), on);
    EnableWindow(GetDlgItem(row.wnd, IDC_ROW_VALUES), on);
    // An off calculation shows that it is off; its record keeps its label.
    char label[sizeof(rec.presetName)] = {};
    if (calcOn)
        memcpy(label, rec.label, sizeof(rec.label));
    else
        OffLabel(row.number, label, sizeof(label));
    SetDlgItemTextA(row.wnd, IDC_ROW_LABEL, label);
    SendDlgItemMessageA(row.wnd, IDC_ROW_LABEL, EM_SETMODIFY, FALSE, 0);
    for (int id : {IDC_ROW_ACQUIRE, IDC_ROW_LABEL, IDC_ROW_SETUP}) EnableWindow(GetDlgItem(row.wnd, id), calcOn);
    EnableWindow(GetDlgItem(row.wnd, IDC_ROW_PRESETS), rec.paramsFixed == 0);
}

// The state bits the three boxes stand for.
uint32_t BoxFlags(const stRow& row) {
    return RowFlagsFromBoxes(Checked(row.wnd, IDC_ROW_ACQUIRE), Checked(row.wnd, IDC_ROW_PLOT),
                             Checked(row.wnd, IDC_ROW_VALUES));
}

void StoreRowBoxes(const stRow& row, stAcq* acq) {
    stAcqChan& rec = acq->chans[row.index];
    rec.flags = (rec.flags & ~kChanAllOn) | BoxFlags(row);
}

// A label the user edited.
void StoreRowLabel(const stRow& row, stAcq* acq) {
    stAcqChan& rec = acq->chans[row.index];
    if (SendDlgItemMessageA(row.wnd, IDC_ROW_LABEL, EM_GETMODIFY, 0, 0)) {
        char label[sizeof(rec.label) + 1] = {};
        GetDlgItemTextA(row.wnd, IDC_ROW_LABEL, label, sizeof(label));
        memset(rec.label, 0, sizeof(rec.label));
        memcpy(rec.label, label, strlen(label));
        SendDlgItemMessageA(row.wnd, IDC_ROW_LABEL, EM_SETMODIFY, FALSE, 0);
    }
}

// The boxes into the state bits, and a label the user edited.
void StoreRow(const stRow& row, stAcq* acq) {
    StoreRowBoxes(row, acq);
    StoreRowLabel(row, acq);
}

// Only what the user changed since the row last showed its record: the record may hold another
// graph's set-up by now, or a change a lesson made, which boxes left as they were must not undo.
void StoreRowChanges(const stRow& row, stAcq* acq) {
    if (BoxFlags(row) != row.shown) StoreRowBoxes(row, acq);
    StoreRowLabel(row, acq);
}

// The model-40 unit's fastest rates take one analog channel (100,000/s) or the first two
// (40,000/s); a box checked against that is unchecked again after the message.
void CheckRateLimits(const stRow& row, stAcq* acq, bool ctrl) {
    if (!IsVK40() || row.kind != kGroupAnalog || !Checked(row.wnd, IDC_ROW_ACQUIRE)) return;
    if (acq->chans[row.index].flags & kChanEnabled) return;
    bool otherOn = false;
    for (int32_t i = 0; i < kAnalogChannels; ++i)
        if (i != row.index && (acq->chans[i].flags & kChanEnabled)) otherOn = true;
    const char* key = nullptr;
    bool refuse = false;
    if (acq->samplePeriodMs == kFastestPeriodMs && (otherOn || ctrl)) {
        key = "KEY 100K2";
        refuse = otherOn;
    } else if (acq->samplePeriodMs == kPeriod40k && (row.number >= 2 || ctrl)) {
        key = "KEY 40KSS";
        refuse = row.number >= 2;
    }
    if (!key) return;
    MessageBoxA(row.wnd, Keyed(key), Keyed("Input Channels Setup"), MB_OK | MB_ICONERROR | MB_TASKMODAL);
    if (refuse) Check(row.wnd, IDC_ROW_ACQUIRE, false);
}

void RowBoxClicked(const stRow& row, stAcq* acq, int id) {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    if (id == IDC_ROW_ACQUIRE) CheckRateLimits(row, acq, ctrl);
    StoreRow(row, acq);
    if (!ctrl) return;
    const uint32_t flags = acq->chans[row.index].flags;
    const bool on = Checked(row.wnd, id);
    SetChannelFlagForAll(acq, row.kind, id, on, (flags & kChanPlot) != 0 || (id == IDC_ROW_PLOT && on),
                         id == IDC_ROW_VALUES ? on : (flags & kChanValues) != 0);
}

}  // namespace

// ---- The presets menu ----

HMENU BuildRowPresetMenu(HWND rowWnd, const stAcq* acq) {
    const stRow* row = RowOf(rowWnd);
    if (!row || row->kind == kGroupDigital) return nullptr;
    HMENU menu = CreatePopupMenu();
    int items = 0;
    const int perColumn = MenuItemsPerColumn(GetSystemMetrics(SM_CYSCREEN), GetSystemMetrics(SM_CYMENUSIZE));
    auto add = [&](UINT id, const char* text) {
        const UINT brk = items > 0 && items % perColumn == 0 ? MF_MENUBARBREAK : 0;
        AppendMenuA(menu, MF_STRING | brk, id, text);
        ++items;
    };
    const stPresetStore& store = acq->presets;
    if (row->kind == kGroupAnalog) {
        add(kMenuDefault, Keyed("Default"));
    } else {
        add(kMenuDefault, Keyed("Off"));
        HMENU kinds = CreatePopupMenu();
        for (int32_t k = 1; k <= kCalcKinds; ++k) AppendMenuA(kinds, MF_STRING, kMenuFirstKind + k - 1, CalcKindName(k));
        AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(kinds), Keyed("New"));
        ++items;
    }
    if (!IsPresetStoreAllocated(store)) return menu;
    CPresetStoreLock lock(store);
    if (!lock) return menu;
    const int32_t first = row->kind == kGroupAnalog ? 0 : store.count;
    const int32_t count = row->kind == kGroupAnalog ? store.count : store.calcCount;
    const UINT base = row->kind == kGroupAnalog ? kMenuFirstKind : kMenuFirstKind + kCalcKinds;
    for (int32_t i = 0; i < count; ++i) {
        char name[sizeof(lock.records[0].presetName) + 1] = {};
        memcpy(name, lock.records[first + i].presetName, sizeof(lock.records[0].presetName));
        if (name[0]) add(base + static_cast<UINT>(i), name);
    }
    return menu;
}

// What a choice of the presets menu does to the row's channel.
void ApplyRowPresetChoice(HWND rowWnd, stAcq* acq, UINT id) {
    const stRow* row = RowOf(rowWnd);
    if (!row || id == 0) return;
    stAcqChan& rec = acq->chans[row->index];
    if (row->kind == kGroupAnalog) {
        const bool wasOff = (rec.flags & kChanEnabled) == 0;
        const uint32_t keep = rec.flags;
        if (!SetAnalogChannelParams(acq, row->number, id == kMenuDefault ? 0 : int32_t(id - kMenuFirstKind + 1)))
            return;
        rec.flags = wasOff ? kChanAllOn : keep;
    } else {
        stCalcSettings* settings = CalcSettings(acq);
        if (id == kMenuDefault) {
            settings->kind[row->number] = 0;
            char label[sizeof(rec.presetName)] = {};
            OffLabel(row->number, label, sizeof(label));
            memset(rec.label, 0, sizeof(rec.label));
            snprintf(rec.label, sizeof(rec.label), "%s", label);
            memset(rec.presetName, 0, sizeof(rec.presetName));
            snprintf(rec.presetName, sizeof(rec.presetName), "%s", label);
            rec.flags &= ~kChanAllOn;
        } else {
            if (id < kMenuFirstKind + kCalcKinds)
                SetCalcChannelKind(acq, &rec, int32_t(id - kMenuFirstKind + 1));
            else if (!ApplyChannelPreset(acq, &rec, int32_t(id - kMenuFirstKind - kCalcKinds + 1)))
                return;
            if ((rec.flags & kChanAllOn) == 0) rec.flags |= kChanAllOn;
        }
        CopyCalcChannelUnits(acq, row->number);
        SetScaleFromTwoPoints(&rec, acq);
    }
    RefreshChannelViews(acq);
}

int32_t MenuItemsPerColumn(int32_t screenHeight, int32_t itemHeight) {
    const int32_t n = itemHeight > 0 ? screenHeight / itemHeight - 1 : 1;
    return n > 1 ? n : 1;
}

void FitMenuTexts(std::vector<std::string>* texts, std::vector<bool>* breaks, int32_t screenWidth,
                  const std::function<int32_t(const std::string&)>& width) {
    std::vector<int32_t> widths;
    for (const std::string& t : *texts) widths.push_back(width(t));
    int32_t columns = 0, total = 0, column = 0;
    for (size_t i = 0; i < texts->size(); ++i) {
        if (i == 0 || (*breaks)[i]) {
            total += column;
            column = 0;
            ++columns;
        }
        column = std::max(column, widths[i]);
    }
    total += column;
    if (columns >= 2 && total > screenWidth) std::fill(breaks->begin(), breaks->end(), false);
    for (;;) {
        size_t longest = 0;
        int32_t widest = 0;
        for (size_t i = 0; i < texts->size(); ++i) {
            widest = std::max(widest, widths[i]);
            if ((*texts)[i].size() > (*texts)[longest].size()) longest = i;
        }
        std::string& t = (*texts)[longest];
        if (widest <= screenWidth || t.size() <= 4) return;
        t = t.substr(0, t.size() - 4) + "...";
        widths[longest] = width(t);
    }
}

namespace {

// The menu's string items measured in the menu font and fitted to the screen (the wait cursor
// shows meanwhile: a long menu takes a while).
void FitMenuToScreen(HMENU menu) {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
    std::vector<std::string> texts;
    std::vector<bool> breaks;
    std::vector<int> positions;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info{};
        char text[256] = "";
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info) || info.hSubMenu) continue;
        texts.push_back(text);
        breaks.push_back((info.fType & MFT_MENUBARBREAK) != 0);
        positions.push_back(i);
    }
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontIndirectA(&metrics.lfMenuFont);
    HGDIOBJ old = SelectObject(dc, font);
    const int32_t margin = 2 * GetSystemMetrics(SM_CXMENUCHECK) + 8;
    FitMenuTexts(&texts, &breaks, GetSystemMetrics(SM_CXSCREEN), [dc, margin](const std::string& t) {
        SIZE size{};
        GetTextExtentPoint32A(dc, t.c_str(), static_cast<int>(t.size()), &size);
        return static_cast<int32_t>(size.cx) + margin;
    });
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    for (size_t k = 0; k < positions.size(); ++k) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STRING;
        info.fType = MFT_STRING | (breaks[k] ? MFT_MENUBARBREAK : 0);
        info.dwTypeData = const_cast<char*>(texts[k].c_str());
        SetMenuItemInfoA(menu, static_cast<UINT>(positions[k]), TRUE, &info);
    }
    SetCursor(previous);
}

void RowPresetsClicked(HWND rowWnd, stAcq* acq) {
    HMENU menu = BuildRowPresetMenu(rowWnd, acq);
    if (!menu) return;
    FitMenuToScreen(menu);
    RECT r{};
    GetWindowRect(GetDlgItem(rowWnd, IDC_ROW_PRESETS), &r);
    const UINT id = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_VCENTERALIGN,
                                                     r.right, (r.top + r.bottom) / 2, 0, rowWnd, nullptr));
    DestroyMenu(menu);
    ApplyRowPresetChoice(rowWnd, acq, id);
}

void RowSetupClicked(const stRow& row, stAcq* acq) {
    HWND owner = GetParent(row.wnd);
    const int32_t accepted = row.kind == kGroupAnalog ? EditInputChannelParams(owner, acq, row.number)
                             : row.kind == kGroupCalc ? ShowCalcDialog(owner, acq, row.number)
                                                      : 0;
    // The dialog leaves the channel's units as it means them (a Rate's "BPM", units the user set).
    if (accepted) {
        RelayoutInputValues(acq);
        RefreshAcquisitionSetup(acq->hwndAcqSetup, acq);
    }
}

void RowCommand(HWND rowWnd, int id, unsigned code) {
    stRow* row = RowOf(rowWnd);
    AcqLock acq(g_window.hAcq);
    if (!row || !acq) return;
    switch (id) {
    case IDC_ROW_LABEL:
        if (code == EN_KILLFOCUS) StoreRow(*row, acq.get());
        return;
    case IDC_ROW_ACQUIRE:
    case IDC_ROW_PLOT:
    case IDC_ROW_VALUES:
        if (code != BN_CLICKED) return;
        RowBoxClicked(*row, acq.get(), id);
        break;
    case IDC_ROW_PRESETS: RowPresetsClicked(rowWnd, acq.get()); break;
    case IDC_ROW_SETUP: RowSetupClicked(*row, acq.get()); break;
    default: return;
    }
    RefreshChannelSetup(g_window.wnd, acq.get());
}

void RowInit(HWND rowWnd, stRow* row) {
    SetWindowLongPtrA(rowWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(row));
    row->wnd = rowWnd;
    SendDlgItemMessageA(rowWnd, IDC_ROW_LABEL, EM_LIMITTEXT, 40, 0);
    HandleTheDialog(rowWnd, IDD_CHANNEL_ROW);
    const char* format = row->kind == kGroupAnalog ? "CH%d" : row->kind == kGroupDigital ? "D%d" : "C%d";
    char name[16];
    snprintf(name, sizeof(name), format, row->number + 1);
    SetDlgItemTextA(rowWnd, IDC_ROW_NAME, name);
    if (row->kind == kGroupDigital) {
        ShowWindow(GetDlgItem(rowWnd, IDC_ROW_PRESETS), SW_HIDE);
        ShowWindow(GetDlgItem(rowWnd, IDC_ROW_SETUP), SW_HIDE);
        return;
    }
    const int ids[2] = {IDC_ROW_PRESETS, IDC_ROW_SETUP};
    const int faces[2] = {IDB_ROW_PRESETS, IDB_ROW_SETUP};
    for (int i = 0; i < 2; ++i) {
        if (!g_rowFaces[i]) g_rowFaces[i] = LoadBitmapA(g_lib.instance, MAKEINTRESOURCEA(faces[i]));
        SendDlgItemMessageA(rowWnd, ids[i], BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(g_rowFaces[i]));
    }
}

INT_PTR CALLBACK RowProc(HWND rowWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: RowInit(rowWnd, reinterpret_cast<stRow*>(lParam)); return TRUE;
    case WM_COMMAND: RowCommand(rowWnd, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    default: return FALSE;
    }
}

int DluToPixelsY(HWND wnd, int dlu) {
    RECT r{0, 0, 0, dlu};
    MapDialogRect(wnd, &r);
    return r.bottom;
}

// Places the rows of a group for its spin position: rows p to p + 3 shown, the others hidden.
void PlaceGroup(int32_t group) {
    const bool vk40 = g_window.rows.size() > 0 && IsVK40();
    const int32_t p = g_window.spin[group];
    for (stRow& row : g_window.rows) {
        if (row.kind != group) continue;
        const bool allShown = group == kGroupAnalog || (vk40 && group == kGroupCalc);
        const int32_t at = allShown ? row.number : row.number - p;
        const bool shown = allShown || (at >= 0 && at < kVisibleRows);
        RECT r{kRowLeftDlu, row.topDlu, 0, 0};
        MapDialogRect(g_window.wnd, &r);
        const int y = r.top + (allShown ? 0 : -p * DluToPixelsY(g_window.wnd, kRowStepDlu));
        SetWindowPos(row.wnd, nullptr, r.left, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(row.wnd, shown ? SW_SHOWNA : SW_HIDE);
    }
}

void AddRows(int32_t kind, int32_t count, int32_t firstIndex, int32_t topDlu) {
    for (int32_t n = 0; n < count; ++n) {
        stRow row;
        row.kind = kind;
        row.number = n;
        row.index = firstIndex + n;
        row.topDlu = topDlu + n * kRowStepDlu;
        g_window.rows.push_back(row);
    }
}

void RememberTrackingSize(HWND wnd);

void WindowInit(HWND wnd, HGLOBAL hAcq) {
    g_window.wnd = wnd;
    g_window.hAcq = hAcq;
    HandleTheDialog(wnd, IsVK40() ? IDD_CHANNEL_SETUP : IDD_CHANNEL_SETUP_OTHER);
    SendDlgItemMessageA(wnd, IDC_CHSET_CALC_SPIN, UDM_SETRANGE32, 0, kCalcChannels - kVisibleRows);
    SendDlgItemMessageA(wnd, IDC_CHSET_DIGITAL_SPIN, UDM_SETRANGE32, 0, kMaxDigitalChannels - kVisibleRows);
    for (int id : {IDC_CHSET_CALC_SPIN, IDC_CHSET_DIGITAL_SPIN}) SendDlgItemMessageA(wnd, id, UDM_SETPOS32, 0, 0);
    const bool vk40 = IsVK40();
    g_window.rows.clear();
    g_window.rows.reserve(kMaxChanRecords);
    AddRows(kGroupAnalog, kAnalogChannels, 0, kAnalogTopDlu);
    if (!vk40) AddRows(kGroupDigital, NDChan, kAnalogChannels, kSecondGroupTopDlu);
    AddRows(kGroupCalc, kCalcChannels, kAnalogChannels + NDChan, vk40 ? kSecondGroupTopDlu : kThirdGroupTopDlu);
    for (stRow& row : g_window.rows)
        CreateDialogParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_CHANNEL_ROW), wnd, RowProc,
                           reinterpret_cast<LPARAM>(&row));
    for (int32_t g = 0; g < 3; ++g) PlaceGroup(g);
    RememberTrackingSize(wnd);
    AcqLock acq(hAcq);
    if (!acq) return;
    RefreshChannelSetup(wnd, acq.get());
    if (vk40 && acq->channelSetupFocusGroup == kGroupDigital) acq->channelSetupFocusGroup = kGroupAnalog;
    for (const stRow& row : g_window.rows) {
        if (row.kind == acq->channelSetupFocusGroup) {
            SetFocus(GetDlgItem(row.wnd, IDC_ROW_ACQUIRE));
            break;
        }
    }
}

// Closing stores what the user changed in the rows, lets the Acquisition Setup follow and hides
// the window.
void WindowClose(HWND wnd) {
    AcqLock acq(g_window.hAcq);
    if (acq) {
        for (const stRow& row : g_window.rows) StoreRowChanges(row, acq.get());
        CountEnabledChannels(acq.get());
        RefreshAcquisitionSetup(acq->hwndAcqSetup, acq.get());
        acq->channelSetupShown = 0;
    }
    KillTimer(wnd, kIdleTimer);
    ShowWindow(wnd, SW_HIDE);
}

void WindowSpin(HWND control, int position) {
    const int32_t group = GetDlgCtrlID(control) == IDC_CHSET_DIGITAL_SPIN ? kGroupDigital : kGroupCalc;
    g_window.spin[group] = position;
    PlaceGroup(group);
}

void StorePlacement(HWND wnd) {
    AcqLock acq(g_window.hAcq);
    if (acq && IsWindowVisible(wnd)) GetWindowRect(wnd, &acq->channelSetupPlacement);
}

// The window's width stays; its height runs from the first row's bottom to the full height.
void RememberTrackingSize(HWND wnd) {
    RECT window{};
    GetWindowRect(wnd, &window);
    g_window.full = {window.right - window.left, window.bottom - window.top};
    g_window.leastHeight = g_window.full.cy;
    if (g_window.rows.empty()) return;
    RECT row{};
    GetWindowRect(g_window.rows.front().wnd, &row);
    g_window.leastHeight = row.bottom - window.top;
}

// A new height ends at the bottom of the shown row that the lower edge cuts.
void SnapHeight(HWND wnd) {
    if (g_window.snapping || IsIconic(wnd)) return;
    RECT window{};
    GetWindowRect(wnd, &window);
    LONG bottom = window.bottom;
    for (const stRow& row : g_window.rows) {
        if (!IsWindowVisible(row.wnd)) continue;
        RECT r{};
        GetWindowRect(row.wnd, &r);
        if (r.top < window.bottom && r.bottom > window.bottom) bottom = r.bottom;
    }
    if (bottom == window.bottom) return;
    g_window.snapping = true;
    SetWindowPos(wnd, nullptr, 0, 0, window.right - window.left, bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    g_window.snapping = false;
}

void LimitTracking(MINMAXINFO* info) {
    if (g_window.full.cx <= 0) return;
    info->ptMinTrackSize = {g_window.full.cx, g_window.leastHeight};
    info->ptMaxTrackSize = {g_window.full.cx, g_window.full.cy};
}

INT_PTR CALLBACK WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: WindowInit(wnd, reinterpret_cast<HGLOBAL>(lParam)); return TRUE;
    case WM_ACTIVATE:
        // A hidden window is activated only while windows are being torn down, or while it is
        // being shown (ShowChannelSetup reports that one): nothing to report. Going inactive
        // always is, so that the keys stop going to a panel that Esc or the close box hid.
        if (LOWORD(wParam) == WA_INACTIVE || IsWindowVisible(wnd))
            RoutePanelKeys(wnd, wParam);
        return FALSE;
    case WM_MOVE: StorePlacement(wnd); return FALSE;
    case WM_SIZE:
        SnapHeight(wnd);
        StorePlacement(wnd);
        return FALSE;
    case WM_GETMINMAXINFO: LimitTracking(reinterpret_cast<MINMAXINFO*>(lParam)); return TRUE;
    case WM_VSCROLL:
        if (LOWORD(wParam) == SB_THUMBPOSITION) WindowSpin(reinterpret_cast<HWND>(lParam), static_cast<short>(HIWORD(wParam)));
        return TRUE;
    case WM_TIMER: return TRUE;  // only keeps the host's idle loop turning
    case WM_CLOSE: WindowClose(wnd); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) WindowClose(wnd);
        return TRUE;
    case WM_DESTROY:
        KillTimer(wnd, kIdleTimer);
        g_window.rows.clear();
        for (HBITMAP& face : g_rowFaces) {
            if (face) DeleteObject(face);
            face = nullptr;
        }
        g_window.wnd = nullptr;
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

void RefreshChannelSetup(HWND, stAcq* acq) {
    CountEnabledChannels(acq);
    for (stRow& row : g_window.rows)
        if (row.wnd) RefreshRow(row, acq);
}

void TranslateChannelSetup(HWND window, stAcq* acq) {
    for (int32_t i = 0; i < NChanTotal && i < kMaxChanRecords; ++i) {
        stAcqChan& rec = acq->chans[i];
        char name[sizeof(rec.label) + 1] = {};
        if (i < kAnalogChannels)
            snprintf(name, sizeof(name), "CH%d %s", i + 1, Keyed("Input"));
        else if (i < kAnalogChannels + NDChan)
            FormatKeyedText(name, sizeof(name), Keyed("D%d - Digital Input"), i - kAnalogChannels + 1);
        else
            memcpy(name, rec.label, sizeof(rec.label));
        memset(rec.label, 0, sizeof(rec.label));
        memcpy(rec.label, name, strnlen(name, sizeof(rec.label)));
        memset(rec.presetName, 0, sizeof(rec.presetName));
        memcpy(rec.presetName, rec.label, strnlen(rec.label, sizeof(rec.label)));
    }
    if (!IsWindow(window)) return;
    HandleTheDialog(window, IsVK40() ? IDD_CHANNEL_SETUP : IDD_CHANNEL_SETUP_OTHER);
    RefreshChannelSetup(window, acq);
}

HWND ChannelRowWindow(int32_t kind, int32_t number) {
    if (!IsWindow(g_window.wnd)) ChannelSetupWindow(g_lib.hAcq);
    for (const stRow& row : g_window.rows)
        if (row.kind == kind && row.number == number) return row.wnd;
    return nullptr;
}

// The channel records get their defaults and the counts the window would show; the window itself
// is made when first needed (ChannelSetupWindow).
void PrepareChannelSetup(HGLOBAL hAcq, int32_t writePresets) {
    AcqLock acq(hAcq);
    if (!acq) return;
    SetChannelDefaults(acq.get(), NDChan, writePresets);
    CountEnabledChannels(acq.get());
    if (IsVK40() && acq->channelSetupFocusGroup == kGroupDigital) acq->channelSetupFocusGroup = kGroupAnalog;
}

// The hidden window over the record as it is, for the connected model; one made before for
// another model goes.
static HWND MakeChannelSetupWindow(HWND frame, HGLOBAL hAcq) {
    if (IsWindow(g_window.wnd)) DestroyWindow(g_window.wnd);
    HWND wnd = CreateDialogParamA(g_lib.instance, MAKEINTRESOURCEA(IsVK40() ? IDD_CHANNEL_SETUP : IDD_CHANNEL_SETUP_OTHER),
                                  frame, WindowProc, reinterpret_cast<LPARAM>(hAcq));
    AcqLock acq(hAcq);
    if (!acq) return wnd;
    acq->hwndChannelSetup = wnd;
    if (wnd) PlaceSetupPanel(acq.get(), wnd);
    return wnd;
}

HWND CreateChannelSetup(HWND frame, HGLOBAL hAcq, int32_t writePresets) {
    PrepareChannelSetup(hAcq, writePresets);
    return MakeChannelSetupWindow(frame, hAcq);
}

HWND ChannelSetupWindow(HGLOBAL hAcq) {
    {
        AcqLock acq(hAcq);
        if (!acq) return nullptr;
        if (IsWindow(acq->hwndChannelSetup)) return acq->hwndChannelSetup;
    }
    return MakeChannelSetupWindow(g_lib.hostFrame, hAcq);
}

void ShowChannelSetup(HGLOBAL hAcq) {
    ChannelSetupWindow(hAcq);
    AcqLock acq(hAcq);
    if (!acq || !IsWindow(acq->hwndChannelSetup)) return;
    RefreshChannelSetup(acq->hwndChannelSetup, acq.get());
    // While the window is up its timer keeps the host's idle loop turning; a hidden window
    // leaves the program idle.
    SetTimer(acq->hwndChannelSetup, kIdleTimer, 1, nullptr);
    ShowWindow(acq->hwndChannelSetup, SW_SHOWNORMAL);
    BringWindowToTop(acq->hwndChannelSetup);  // already open: it comes forward
    // Its activation came while it was still hidden: the keys (Esc among them) go to it now.
    if (GetActiveWindow() == acq->hwndChannelSetup) RoutePanelKeys(acq->hwndChannelSetup, WA_ACTIVE);
    acq->channelSetupShown = 1;
}
