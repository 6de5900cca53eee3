// The pulse preference sheet: radios and fields of the stimulator preferences, the rules
// between them (pulse_rules), and the two buttons that save and organize presets.
#include "outputs/preferences/pulse_sheet.h"
#include "outputs/preferences/preset_dialogs.h"
#include "outputs/preferences/pulse_rules.h"
#include "outputs/framework/panel.h"
#include "outputs/framework/panel_util.h"
#include "base/app.h"
#include "outputs/outputs_ids.h"
#include "devlib/vk40.h"
#include <commctrl.h>
#include <prsht.h>
#include <cstdio>
#include <iterator>
#include <vector>

namespace {

constexpr int kFieldChars = 25;
constexpr int kTypedChars = 256;
constexpr int kTitleChars = 64;
constexpr int kCaptionChars = 127;
constexpr int kApplyButton = 0x3021;
constexpr int kSheetTextsId = -101;

// The one sheet that can be open, and the copy it edits.
struct SheetState {
    COutCtlView* panel = nullptr;
    PrefList edited;
    HWND sheet = nullptr;
    HWND pages[4] = {};
    HWND saveButton = nullptr, organizeButton = nullptr;
    WNDPROC sheetProc = nullptr;
};
SheetState g_sheet;

struct Choice {
    int id, entry;
    double value;
};
constexpr Choice kChoices[] = {
    {IDC_OUT_SINGLE, 0, 0},       {IDC_OUT_MULTIPLE, 0, 1},       {IDC_OUT_CONTINUOUS, 0, 2},
    {IDC_OUT_SEQUENCE, 0, 3},     {IDC_OUT_START_BUTTON, 2, 0},   {IDC_OUT_START_RECORDING, 2, 1},
    {IDC_OUT_WIDTH_ANY, 5, 0},    {IDC_OUT_WIDTH_LOCK, 5, 1},     {IDC_OUT_SHOW_RATE, 12, 0},
    {IDC_OUT_SHOW_PERIOD, 12, 1}, {IDC_OUT_REP_ANY, 13, 0},       {IDC_OUT_REP_LIMIT, 13, 1},
    {IDC_OUT_REP_LOCK, 13, 2},
};
constexpr Choice kLevelChoices[] = {{IDC_OUT_LEVEL_ANY, 23, 0}, {IDC_OUT_LEVEL_LIMIT, 23, 1}, {IDC_OUT_LEVEL_LOCK, 23, 2}};
constexpr int kLevelFields[] = {IDC_OUT_LEVEL_FROM, IDC_OUT_LEVEL_TO, IDC_OUT_LEVEL_LOCKED, IDC_OUT_LEVEL_STEP};
constexpr int kFields[] = {IDC_OUT_PULSE_COUNT, IDC_OUT_DELAY,    IDC_OUT_LOCKED_WIDTH, IDC_OUT_CALIBRATION,
                           IDC_OUT_REP_FROM,    IDC_OUT_REP_TO,   IDC_OUT_REP_LOCKED,   IDC_OUT_INCREMENT};

int Entry(int i) { return static_cast<int>(PrefValue(g_sheet.edited, i)); }

constexpr int kRefEntry = 19, kRefLevelEntry = 20, kRefWidthEntry = 21;
constexpr int kRefChoices = 13;  // "None", CH1 to CH4, D1 to D8

void SetEntry(int i, double v) {
    if (i >= 0 && static_cast<size_t>(i) < g_sheet.edited.size()) g_sheet.edited[static_cast<size_t>(i)].m_value = v;
}

// The advanced RJ72C stimulator keeps only the first page's settings; it has no period range.
bool Advanced() { return g_sheet.panel->GetType() == 7; }

void ResetToDefault(int i) {
    if (static_cast<size_t>(i) < g_sheet.edited.size()) g_sheet.edited[static_cast<size_t>(i)].m_value = g_sheet.edited[static_cast<size_t>(i)].m_default;
}

void Enable(HWND w, int id, bool on) {
    if (HWND c = GetDlgItem(w, id)) EnableWindow(c, on);
}

std::string PanelText(int id, const char* fallback) {
    char text[kTitleChars + 1] = "";
    if (g_sheet.panel->Window()) GetDlgItemTextA(g_sheet.panel->Window(), id, text, sizeof text);
    return *text ? text : fallback;
}

// The calibration line belongs to the stimulators that have one.
bool ShowsCalibration() {
    const int type = g_sheet.panel->GetType();
    return type == 5 || (type == 4 && CVKDevice::GetDeviceNum() != 45);
}

void RefreshPage(HWND w) {
    for (const Choice& c : kChoices)
        if (GetDlgItem(w, c.id)) CheckDlgButton(w, c.id, Entry(c.entry) == static_cast<int>(c.value) ? BST_CHECKED : BST_UNCHECKED);
    if (GetDlgItem(w, IDC_OUT_MARKERS)) CheckDlgButton(w, IDC_OUT_MARKERS, Entry(4) ? BST_CHECKED : BST_UNCHECKED);
    for (int id : kFields)
        if (GetDlgItem(w, id)) SetDlgItemTextA(w, id, FieldText(g_sheet.edited, id).c_str());
    Enable(w, IDC_OUT_PULSE_COUNT, Entry(0) == 1);
    Enable(w, IDC_OUT_DELAY, Entry(2) == 1);
    Enable(w, IDC_OUT_LOCKED_WIDTH, Entry(5) == 1);
    Enable(w, IDC_OUT_REP_FROM, Entry(13) == 1);
    Enable(w, IDC_OUT_REP_TO, Entry(13) == 1);
    Enable(w, IDC_OUT_REP_LOCKED, Entry(13) == 2);
    Enable(w, IDC_OUT_INCREMENT, Entry(13) != 2);
    const std::string unit = Entry(12) == 1 ? PanelText(IDC_OUT_TEXT_MS, "ms") : PanelText(IDC_OUT_TEXT_HZ_SHORT, "Hz");
    for (int id : {IDC_OUT_LIMITS_UNIT, IDC_OUT_LOCKED_UNIT, IDC_OUT_INCREMENT_UNIT})
        if (GetDlgItem(w, id)) SetDlgItemTextA(w, id, unit.c_str());
    for (int id : {IDC_OUT_CALIBRATION_TEXT, IDC_OUT_CALIBRATION, IDC_OUT_CALIBRATION_UNIT})
        if (HWND c = GetDlgItem(w, id)) ShowWindow(c, ShowsCalibration() ? SW_SHOW : SW_HIDE);
}

// The RJ72C's level page: the limits while limited, the locked level while locked.
void RefreshLevelPage(HWND w) {
    for (const Choice& c : kLevelChoices)
        CheckDlgButton(w, c.id, Entry(c.entry) == static_cast<int>(c.value) ? BST_CHECKED : BST_UNCHECKED);
    for (int id : kLevelFields) SetDlgItemTextA(w, id, LevelText(g_sheet.edited, id).c_str());
    Enable(w, IDC_OUT_LEVEL_FROM, Entry(23) == 1);
    Enable(w, IDC_OUT_LEVEL_TO, Entry(23) == 1);
    Enable(w, IDC_OUT_LEVEL_LOCKED, Entry(23) == 2);
    Enable(w, IDC_OUT_LEVEL_STEP, Entry(23) != 2);
}

// An analog reference can carry the actual level; a digital one only the actual width.
void EnableReferenceRadios(HWND w) {
    const int s = static_cast<int>(SendDlgItemMessageA(w, IDC_OUT_REF_LIST, CB_GETCURSEL, 0, 0));
    const bool analog = s >= 1 && s <= 4, digital = s >= 5 && s < kRefChoices;
    Enable(w, IDC_OUT_REF_ACTUAL_LEVEL, analog);
    Enable(w, IDC_OUT_REF_FIXED_LEVEL, analog);
    Enable(w, IDC_OUT_REF_ACTUAL_WIDTH, analog || digital);
    Enable(w, IDC_OUT_REF_FIXED_WIDTH, analog || digital);
}

void FillReferencePage(HWND w) {
    SendDlgItemMessageA(w, IDC_OUT_REF_LIST, CB_RESETCONTENT, 0, 0);
    const char* none = Keyed("None");
    SendDlgItemMessageA(w, IDC_OUT_REF_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(*none ? none : "None"));
    char text[16];
    for (int n = 1; n <= 4; ++n) {
        std::snprintf(text, sizeof text, "CH %d", n);
        SendDlgItemMessageA(w, IDC_OUT_REF_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    for (int n = 1; n <= 8; ++n) {
        std::snprintf(text, sizeof text, "D %d", n);
        SendDlgItemMessageA(w, IDC_OUT_REF_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendDlgItemMessageA(w, IDC_OUT_REF_LIST, CB_SETCURSEL, static_cast<WPARAM>(Entry(kRefEntry)), 0);
    CheckRadioButton(w, IDC_OUT_REF_ACTUAL_LEVEL, IDC_OUT_REF_FIXED_LEVEL,
                     Entry(kRefLevelEntry) == 0 ? IDC_OUT_REF_FIXED_LEVEL : IDC_OUT_REF_ACTUAL_LEVEL);
    CheckRadioButton(w, IDC_OUT_REF_ACTUAL_WIDTH, IDC_OUT_REF_FIXED_WIDTH,
                     Entry(kRefWidthEntry) == 0 ? IDC_OUT_REF_FIXED_WIDTH : IDC_OUT_REF_ACTUAL_WIDTH);
    if (PanelState().boldFont) SendDlgItemMessageA(w, IDC_OUT_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(PanelState().boldFont), FALSE);
    EnableReferenceRadios(w);
}

// A new reference channel overwrites that channel's set-up, so it is confirmed first; the
// old one gets its ordinary set-up back. Refused, the list shows the old channel again.
void ConfirmReferenceChannel(HWND w) {
    const int s = static_cast<int>(SendDlgItemMessageA(w, IDC_OUT_REF_LIST, CB_GETCURSEL, 0, 0));
    const int old = Entry(kRefEntry);
    if (s < 0 || s == old) return;
    char text[128] = "";
    GetDlgItemTextA(w, IDC_OUT_REF_WARNING, text, sizeof text);
    const char* caption = Keyed("Warning");
    if (MessageBoxA(w, text, *caption ? caption : "Warning", MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK) {
        SendDlgItemMessageA(w, IDC_OUT_REF_LIST, CB_SETCURSEL, static_cast<WPARAM>(old), 0);
        EnableReferenceRadios(w);
        return;
    }
    if (old >= 1 && old <= 4) GetAnalogChannelParams(old - 1, 0);
    if (s >= 1 && s <= 4) GetAnalogChannelParams(s - 1, -1);
    if (old >= 5 && old < kRefChoices) GetDigitalChannelParams(old - 5, 0);
    if (s >= 5 && s < kRefChoices) GetDigitalChannelParams(s - 5, -1);
    SetEntry(kRefEntry, s);
}

void RefreshSheet() {
    if (g_sheet.organizeButton) EnableWindow(g_sheet.organizeButton, !g_sheet.panel->Presets().IsEmpty());
    for (int i = 0; i < 2; ++i)
        if (g_sheet.pages[i]) RefreshPage(g_sheet.pages[i]);
    if (g_sheet.pages[2]) RefreshLevelPage(g_sheet.pages[2]);
}

// A radio's entry, with what follows from it.
void OnChoice(const Choice& c) {
    g_sheet.edited[static_cast<size_t>(c.entry)].m_value = c.value;
    OutController& ctl = *g_sheet.panel->Controller();
    if (c.entry == 5) {
        if (c.value == 0) {
            ResetToDefault(6);
            ResetToDefault(7);
        } else {
            g_sheet.edited[9].m_value = g_sheet.edited[8].m_value;
        }
        ApplyPeriodLimitsForWidth(g_sheet.edited, ctl);
    } else if (c.entry == 13) {
        ApplyPeriodLimitsForWidth(g_sheet.edited, ctl);
    }
    RefreshSheet();
}

void OnPageCommand(HWND page, int id, unsigned code) {
    if (page == g_sheet.pages[3]) {
        if (code == BN_CLICKED && (id == IDC_OUT_REF_ACTUAL_LEVEL || id == IDC_OUT_REF_FIXED_LEVEL))
            SetEntry(kRefLevelEntry, id == IDC_OUT_REF_ACTUAL_LEVEL ? 1.0 : 0.0);
        if (code == BN_CLICKED && (id == IDC_OUT_REF_ACTUAL_WIDTH || id == IDC_OUT_REF_FIXED_WIDTH))
            SetEntry(kRefWidthEntry, id == IDC_OUT_REF_ACTUAL_WIDTH ? 1.0 : 0.0);
        if ((code == BN_CLICKED && id >= IDC_OUT_REF_ACTUAL_LEVEL && id <= IDC_OUT_REF_FIXED_WIDTH) ||
            (id == IDC_OUT_REF_LIST && code == CBN_SELCHANGE))
            EnableReferenceRadios(page);
        if (g_sheet.sheet) SendMessageA(g_sheet.sheet, PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
        return;
    }
    for (const Choice& c : kLevelChoices)
        if (c.id == id && code == BN_CLICKED) {
            ChooseLevelEntry(g_sheet.edited, static_cast<int>(c.value));
            RefreshSheet();
        }
    if (page == g_sheet.pages[2])
        for (int field : kLevelFields) {
            if (field != id || code != EN_KILLFOCUS || !EditModified(page, id)) continue;
            CommitTypedLevel(g_sheet.edited, id, ReadEditNumber(page, id, kTypedChars));
            RefreshSheet();
            ClearEditModified(page, id);
        }
    for (const Choice& c : kChoices)
        if (c.id == id && code == BN_CLICKED) OnChoice(c);
    if (id == IDC_OUT_MARKERS && code == BN_CLICKED) {
        g_sheet.edited[4].m_value = IsDlgButtonChecked(page, IDC_OUT_MARKERS) == BST_CHECKED ? 1.0 : 0.0;
        RefreshSheet();
    }
    for (int field : kFields) {
        if (page == g_sheet.pages[2] || field != id || code != EN_KILLFOCUS || !EditModified(page, id)) continue;
        CommitTypedField(g_sheet.edited, *g_sheet.panel->Controller(), id, ReadEditNumber(page, id, kTypedChars),
                         CVKDevice::IsVK40() != 0);
        RefreshSheet();
        ClearEditModified(page, id);
    }
    if (g_sheet.sheet) SendMessageA(g_sheet.sheet, PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
}

// The pictures of what each page sets, at their dialog-unit places.
struct PageIcon {
    int page, icon, x, y;
};
constexpr PageIcon kPageIcons[] = {{0, IDI_OUT_PULSE_COUNT, 11, 17},
                                   {1, IDI_OUT_PULSE_WIDTH, 11, 17},
                                   {1, IDI_OUT_PULSE_REPETITION, 11, 105},
                                   {2, IDI_OUT_PULSE_LEVEL, 11, 17}};

void PaintPage(HWND page) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(page, &ps);
    if (dc)
        for (const PageIcon& i : kPageIcons) {
            if (g_sheet.pages[i.page] != page) continue;
            RECT at{i.x, i.y, i.x, i.y};
            MapDialogRect(page, &at);
            DrawPanelIcon(dc, i.icon, at.left, at.top);
        }
    EndPaint(page, &ps);
}

INT_PTR CALLBACK PageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: PaintPage(page); return TRUE;
    case WM_INITDIALOG: {
        const auto* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        const int index = static_cast<int>(psp->lParam);
        g_sheet.pages[index] = page;
        if (index == 3) {
            FillReferencePage(page);
            HandleTheDialog(page, static_cast<uint32_t>(IDD_OUT_SHEET_REFERENCE));
            return TRUE;
        }
        for (int id : index == 2 ? std::vector<int>(std::begin(kLevelFields), std::end(kLevelFields))
                                 : std::vector<int>(std::begin(kFields), std::end(kFields)))
            if (GetDlgItem(page, id)) {
                SendDlgItemMessageA(page, id, EM_LIMITTEXT, kFieldChars, 0);
                SubclassField(page, id);
            }
        const int ids[3] = {IDD_OUT_SHEET_GENERAL, IDD_OUT_SHEET_ADVANCED, IDD_OUT_SHEET_LEVEL};
        HandleTheDialog(page, static_cast<uint32_t>(ids[index]));
        if (index == 1 && !Advanced()) ApplyPeriodLimitsForWidth(g_sheet.edited, *g_sheet.panel->Controller());
        RefreshSheet();
        return TRUE;
    }
    case WM_COMMAND: OnPageCommand(page, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(PSN_APPLY)) {
            if (page == g_sheet.pages[3]) ConfirmReferenceChannel(page);
            OutController* c = g_sheet.panel->Controller();
            c->Assign(g_sheet.edited.data(), static_cast<int>(g_sheet.edited.size()));
            g_sheet.panel->MarkChanged();
            SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

// The two buttons the sheet carries beside its own.
LRESULT CALLBACK SheetProc(HWND sheet, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDC_OUT_SAVE_SETTINGS || LOWORD(wParam) == IDC_OUT_ORGANIZE_LIST)) {
        if (LOWORD(wParam) == IDC_OUT_SAVE_SETTINGS) RunSaveSettingsDialog(sheet, g_sheet.panel, g_sheet.edited);
        else RunOrganizeSettingsDialog(sheet, g_sheet.panel);
        RefreshSheet();
        return 0;
    }
    return CallWindowProcA(g_sheet.sheetProc, sheet, msg, wParam, lParam);
}

// A button on the row of the sheet's own buttons (the Apply button's rectangle), below the tab.
HWND AddButton(HWND sheet, const char* text, int id, int x, const RECT& apply) {
    RECT at{x, 0, x, 0};
    MapDialogRect(sheet, &at);
    at.top = apply.top;
    const RECT& size = apply;
    const int w = (size.right - size.left) * 5 / 4;
    HWND b = CreateWindowExA(0, "Button", text, WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP, at.left, at.top, w,
                             size.bottom - size.top, sheet, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageA(b, WM_SETFONT, SendMessageA(sheet, WM_GETFONT, 0, 0), FALSE);
    return b;
}

// Apply gives way: Cancel takes its place and OK takes Cancel's.
int CALLBACK SheetCallback(HWND sheet, UINT msg, LPARAM) {
    if (msg != PSCB_INITIALIZED) return 0;
    g_sheet.sheet = sheet;
    HWND apply = GetDlgItem(sheet, kApplyButton), cancel = GetDlgItem(sheet, IDCANCEL), ok = GetDlgItem(sheet, IDOK);
    RECT ra{}, rc{};
    if (apply && cancel && ok) {
        GetWindowRect(apply, &ra);
        GetWindowRect(cancel, &rc);
        MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&ra), 2);
        MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&rc), 2);
        ShowWindow(apply, SW_HIDE);
        SetWindowPos(cancel, nullptr, ra.left, ra.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SetWindowPos(ok, nullptr, rc.left, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    g_sheet.saveButton = AddButton(sheet, "Save Settings", IDC_OUT_SAVE_SETTINGS, 4, ra);
    g_sheet.organizeButton = AddButton(sheet, "Organize List", IDC_OUT_ORGANIZE_LIST, 70, ra);
    g_sheet.sheetProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SheetProc)));
    HandleTheDialog(sheet, static_cast<uint32_t>(kSheetTextsId));
    RefreshSheet();
    return 0;
}

}  // namespace

int RunPulsePrefsSheet(COutCtlView* panel) {
    if (!panel || !panel->Controller() || !panel->Window()) return 0;
    g_sheet = SheetState{};
    g_sheet.panel = panel;
    g_sheet.edited = CopyPrefs(*panel->Controller());
    const std::string titles[4] = {PanelText(IDC_OUT_TEXT_GENERAL, "General"), PanelText(IDC_OUT_TEXT_ADVANCED, "Advanced"),
                                   PanelText(IDC_OUT_TEXT_LEVEL, "Level"), PanelText(IDC_OUT_TEXT_REFERENCE, "Reference Channel")};
    PROPSHEETPAGEA pages[4]{};
    const int templates[4] = {panel->GetType() == 7 ? IDD_OUT_SHEET_RJ72CA_GENERAL : IDD_OUT_SHEET_GENERAL,
                              panel->GetType() == 7 ? IDD_OUT_SHEET_RJ72CA_ADVANCED : IDD_OUT_SHEET_ADVANCED,
                              IDD_OUT_SHEET_LEVEL, IDD_OUT_SHEET_REFERENCE};
    // The RJ72C's level and reference channel have pages of their own.
    const int pageCount = panel->GetType() == 6 ? 4 : 2;
    HINSTANCE inst = g_app ? g_app->hInstance : GetModuleHandleA(nullptr);
    for (int i = 0; i < pageCount; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_USETITLE;
        pages[i].hInstance = inst;
        pages[i].pszTemplate = MAKEINTRESOURCEA(templates[i]);
        pages[i].pfnDlgProc = PageProc;
        pages[i].pszTitle = titles[i].c_str();
        pages[i].lParam = i;
    }
    char menuText[kCaptionChars + 1] = "";
    HMENU frameMenu = g_app && g_app->hwndFrame ? GetMenu(g_app->hwndFrame) : nullptr;
    if (frameMenu) GetMenuStringA(frameMenu, panel->GetMenuId(), menuText, sizeof menuText, MF_BYCOMMAND);
    std::string caption = PanelText(IDC_OUT_TEXT_PREFS, "Output Preferences: ");
    if (*menuText) caption += std::string(" ") + menuText;
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    // Modal to the frame: with only the panel disabled, the graph could be closed under the sheet.
    header.hwndParent = GetAncestor(panel->Window(), GA_ROOT);
    header.hInstance = inst;
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(pageCount);
    header.ppsp = pages;
    header.pfnCallback = SheetCallback;
    const INT_PTR result = PropertySheetA(&header);
    g_sheet.panel = nullptr;
    g_sheet.sheet = nullptr;
    return result > 0 ? 1 : 0;
}
