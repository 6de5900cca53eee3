// Marker Preferences: a property sheet of four pages over a working copy of the document's
// marker settings (preset labels per type, time stamps, summary options), copied back on apply.
#include "documents/markers/markers.h"
#include <commctrl.h>
#include <ctime>
#include <memory>
#include <new>
#include "base/app.h"
#include "documents/documents_ids.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"

namespace {

constexpr int kPages = 4;
constexpr int kPageType[kPages] = {kMarkerAppend, kMarkerFixed, kMarkerSequential, -1};
constexpr UINT kPageDialog[kPages] = {IDD_MARKER_PREFS_APPEND, IDD_MARKER_PREFS_FIXED, IDD_MARKER_PREFS_SEQUENTIAL,
                                      IDD_MARKER_PREFS_SUMMARY};
constexpr uint16_t kKeyIds[] = {392, 393, 394, 395, 396, 397, 398, 400, 401};

// The sheet's working state, alive while it is open.
struct stPrefsSheet {
    MarkerTypeSettings work;
    tagGS* gs = nullptr;
    HWND pages[kPages] = {};
    HFONT bold = nullptr;
    bool applied = false;
};
stPrefsSheet* g_sheet = nullptr;

int PageOf(HWND page) { return static_cast<int>(GetWindowLongPtrA(page, DWLP_USER)); }
CPresetList& ListOf(int page) { return g_sheet->work.presets[kPageType[page]]; }

int Selected(HWND page) {
    return static_cast<int>(SendDlgItemMessageA(page, IDC_MARKER_PREF_LIST, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                LVNI_SELECTED));
}

void SelectItem(HWND page, int item) {
    HWND list = GetDlgItem(page, IDC_MARKER_PREF_LIST);
    LVITEMA it{};
    it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    it.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&it));
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, item);
}

bool KeyHasEntry(const CPresetList& list, uint16_t key) {
    for (int32_t i = 0; i <= list.Last(); ++i)
        if (list.At(i)->key == key) return true;
    return false;
}

uint16_t ChosenKey(HWND page) {
    const LRESULT at = SendDlgItemMessageA(page, IDC_MARKER_PREF_KEY, CB_GETCURSEL, 0, 0);
    return at == CB_ERR ? 0 : static_cast<uint16_t>(SendDlgItemMessageA(page, IDC_MARKER_PREF_KEY, CB_GETITEMDATA, at, 0));
}

void EnableItem(HWND page, int id, bool on) {
    if (HWND w = GetDlgItem(page, id)) EnableWindow(w, on);
}

// After every change: what the page's list and selection allow.
void UpdateEnabling(HWND page) {
    const int p = PageOf(page);
    const bool use = g_sheet->work.usePresets[kPageType[p]] == 1;
    const CPresetList& list = ListOf(p);
    const int sel = Selected(page);
    const bool text = GetWindowTextLengthA(GetDlgItem(page, IDC_MARKER_PREF_TEXT)) > 0;
    const bool keyFree = p != 1 || (ChosenKey(page) && !KeyHasEntry(list, ChosenKey(page)));
    EnableItem(page, IDC_MARKER_PREF_TEXT, use);
    EnableItem(page, IDC_MARKER_PREF_LIST, use);
    EnableItem(page, IDC_MARKER_PREF_KEY, use);
    EnableItem(page, IDC_MARKER_PREF_ADD, use && text && keyFree);
    EnableItem(page, IDC_MARKER_PREF_RENAME, use && sel >= 0);
    EnableItem(page, IDC_MARKER_PREF_DELETE, use && sel >= 0);
    EnableItem(page, IDC_MARKER_PREF_DELETE_ALL, use && list.Last() >= 0);
    EnableItem(page, IDC_MARKER_PREF_TOP, use && sel > 0);
    EnableItem(page, IDC_MARKER_PREF_BOTTOM, use && sel >= 0 && sel < list.Last());
    if (HWND bar = GetDlgItem(page, IDC_MARKER_PREF_MOVE)) {
        EnableScrollBar(bar, SB_CTL, ESB_ENABLE_BOTH);
        UINT off = 0;
        if (!use || sel <= 0) off |= ESB_DISABLE_UP;
        if (!use || sel == list.Last()) off |= ESB_DISABLE_DOWN;
        if (off) EnableScrollBar(bar, SB_CTL, off);
    }
}

// The width a header item needs for its whole text between the header's margins.
int HeaderTextWidth(HWND list, int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    if (!header) return 0;
    char text[64] = "";
    HDITEMA item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (!SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item))) return 0;
    HDC dc = GetDC(header);
    if (!dc) return 0;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(header, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    SelectObject(dc, old);
    ReleaseDC(header, dc);
    return size.cx + 2 * static_cast<int>(SendMessageA(header, HDM_GETBITMAPMARGIN, 0, 0));
}

// The list view again from the working copy, its last item selected.
void FillList(HWND page) {
    const int p = PageOf(page);
    HWND list = GetDlgItem(page, IDC_MARKER_PREF_LIST);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    const CPresetList& presets = ListOf(p);
    for (int32_t i = 0; i <= presets.Last(); ++i) {
        char first[16] = "";
        if (p == 1)
            lstrcpynA(first, MarkerKeyName(presets.At(i)->key) ? MarkerKeyName(presets.At(i)->key) : "", sizeof first);
        else
            wsprintfA(first, "%d", i + 1);
        LVITEMA it{};
        it.mask = LVIF_TEXT;
        it.iItem = i;
        it.pszText = first;
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it));
        it.iSubItem = 1;
        it.pszText = const_cast<char*>(presets.At(i)->text);
        SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&it));
    }
    RECT rc;
    GetClientRect(list, &rc);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
    // The list's own fit to the header can leave its text a pixel short of the margins.
    LRESULT firstWidth = SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0);
    if (firstWidth < HeaderTextWidth(list, 0)) {
        firstWidth = HeaderTextWidth(list, 0);
        SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, firstWidth);
    }
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 1, rc.right - firstWidth - 5);
    if (presets.Last() >= 0) SelectItem(page, presets.Last());
    UpdateEnabling(page);
}

void AddColumns(HWND page) {
    const int p = PageOf(page);
    HWND list = GetDlgItem(page, IDC_MARKER_PREF_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT rc;
    GetClientRect(list, &rc);
    const char* heads[2] = {p == 0 ? "Segment #:" : p == 1 ? "Key:" : "Event #:", "Label:"};
    const int widths[2] = {rc.right / 4 - 2, rc.right * 3 / 4 - 2};
    for (int c = 0; c < 2; ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = const_cast<char*>(heads[c]);
        col.cx = widths[c];
        SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
}

// The time stamp box's text is a strftime format: it shows an example of the stamp.
void ShowStampExample(HWND page) {
    char format[128] = "", text[64] = "";
    if (!GetDlgItemTextA(page, IDC_MARKER_PREF_STAMP, format, sizeof format)) return;
    const std::time_t now = std::time(nullptr);
    if (std::strftime(text, sizeof text, format, std::localtime(&now))) SetDlgItemTextA(page, IDC_MARKER_PREF_STAMP, text);
}

void InitPage(HWND page, int p) {
    SetWindowLongPtrA(page, DWLP_USER, p);
    g_sheet->pages[p] = page;
    HandleTheDialog(page, kPageDialog[p]);
    if (g_sheet->bold) SendDlgItemMessageA(page, IDC_MARKER_PREF_HEADING, WM_SETFONT, reinterpret_cast<WPARAM>(g_sheet->bold), FALSE);
    MarkerTypeSettings& w = g_sheet->work;
    if (p == 3) {
        CheckDlgButton(page, IDC_MARKER_PREF_SEPARATE, w.separateSummaries ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(page, IDC_MARKER_PREF_HEADER, w.includeHeader ? BST_CHECKED : BST_UNCHECKED);
        CheckRadioButton(page, IDC_MARKER_PREF_BY_TIME, IDC_MARKER_PREF_BY_LABEL,
                         w.sortBy == 1 ? IDC_MARKER_PREF_BY_LABEL : IDC_MARKER_PREF_BY_TIME);
        return;
    }
    const int type = kPageType[p];
    if (p == 0)
        CheckRadioButton(page, IDC_MARKER_PREF_DEFAULT, IDC_MARKER_PREF_CUSTOM,
                         w.usePresets[type] == 1 ? IDC_MARKER_PREF_CUSTOM : IDC_MARKER_PREF_DEFAULT);
    else
        CheckDlgButton(page, IDC_MARKER_PREF_USE, w.usePresets[type] == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_MARKER_PREF_STAMP, w.timeStamp[type] ? BST_CHECKED : BST_UNCHECKED);
    ShowStampExample(page);
    SendDlgItemMessageA(page, IDC_MARKER_PREF_TEXT, EM_LIMITTEXT, kMarkerLabelMax, 0);
    if (p == 1) {
        for (uint16_t id : kKeyIds) {
            const LRESULT at = SendDlgItemMessageA(page, IDC_MARKER_PREF_KEY, CB_ADDSTRING, 0,
                                                   reinterpret_cast<LPARAM>(MarkerKeyName(id)));
            SendDlgItemMessageA(page, IDC_MARKER_PREF_KEY, CB_SETITEMDATA, at, id);
        }
    }
    AddColumns(page);
    FillList(page);
}

INT_PTR CALLBACK EnterTextProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* text = reinterpret_cast<char*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        SetWindowTextA(dlg, Keyed("Enter New Label"));
        SendDlgItemMessageA(dlg, IDC_ENTER_TEXT_EDIT, EM_LIMITTEXT, kMarkerLabelMax, 0);
        SetDlgItemTextA(dlg, IDC_ENTER_TEXT_EDIT, text);
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        if (LOWORD(wParam) == IDOK)
            GetDlgItemTextA(dlg, IDC_ENTER_TEXT_EDIT, reinterpret_cast<char*>(GetWindowLongPtrA(dlg, DWLP_USER)),
                            kMarkerLabelMax + 1);
        EndDialog(dlg, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// The list operations of the page's buttons and scroll bar; true when the list changed.
bool ListCommand(HWND page, int id) {
    const int p = PageOf(page);
    CPresetList& list = ListOf(p);
    const int sel = Selected(page);
    int select = -1;
    switch (id) {
    case IDC_MARKER_PREF_ADD: {
        char text[kMarkerLabelMax + 1] = "";
        GetDlgItemTextA(page, IDC_MARKER_PREF_TEXT, text, sizeof text);
        const uint16_t key = p == 1 ? ChosenKey(page) : 0;
        if (!text[0] || (p == 1 && (!key || KeyHasEntry(list, key))) || !list.Add(key, text)) return false;
        SetDlgItemTextA(page, IDC_MARKER_PREF_TEXT, "");
        if (p == 1) SendDlgItemMessageA(page, IDC_MARKER_PREF_KEY, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        break;
    }
    case IDC_MARKER_PREF_RENAME: {
        if (sel < 0) return false;
        char text[kMarkerLabelMax + 1];
        lstrcpynA(text, list.At(sel)->text, sizeof text);
        if (DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_ENTER_TEXT), GetParent(page), EnterTextProc,
                            reinterpret_cast<LPARAM>(text)) != IDOK)
            return false;
        const uint16_t key = p == 1 ? list.At(sel)->key : 0;
        list.Remove(sel);
        list.Add(key, text, sel);
        select = sel;
        break;
    }
    case IDC_MARKER_PREF_DELETE:
        if (sel < 0) return false;
        list.Remove(sel);
        break;
    case IDC_MARKER_PREF_DELETE_ALL: list.Clear(); break;
    case IDC_MARKER_PREF_TOP:
        if (sel <= 0) return false;
        list.Move(sel, 0);
        select = 0;
        break;
    case IDC_MARKER_PREF_BOTTOM:
        if (sel < 0 || sel >= list.Last()) return false;
        list.Move(sel, list.Last());
        select = list.Last();
        break;
    case SB_LINEUP:
        if (sel <= 0) return false;
        list.Move(sel, sel - 1);
        select = sel - 1;
        break;
    case SB_LINEDOWN:
        if (sel < 0 || sel >= list.Last()) return false;
        list.Move(sel, sel + 1);
        select = sel + 1;
        break;
    default: return false;
    }
    FillList(page);
    if (select >= 0) {
        SelectItem(page, select);
        UpdateEnabling(page);
    }
    return true;
}

void PageCommand(HWND page, int id, UINT code) {
    const int p = PageOf(page);
    MarkerTypeSettings& w = g_sheet->work;
    const int type = kPageType[p];
    switch (id) {
    case IDC_MARKER_PREF_DEFAULT:
    case IDC_MARKER_PREF_CUSTOM: w.usePresets[type] = id == IDC_MARKER_PREF_CUSTOM ? 1 : 0; break;
    case IDC_MARKER_PREF_USE: w.usePresets[type] = IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0; break;
    case IDC_MARKER_PREF_STAMP: w.timeStamp[type] = IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0; break;
    case IDC_MARKER_PREF_SEPARATE: w.separateSummaries = IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0; break;
    case IDC_MARKER_PREF_HEADER: w.includeHeader = IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0; break;
    case IDC_MARKER_PREF_BY_TIME:
    case IDC_MARKER_PREF_BY_LABEL: w.sortBy = id == IDC_MARKER_PREF_BY_LABEL ? 1 : 0; break;
    case IDC_MARKER_PREF_TEXT:
        if (code != EN_CHANGE) return;
        break;
    case IDC_MARKER_PREF_KEY:
        if (code != CBN_SELCHANGE) return;
        break;
    default:
        if (!ListCommand(page, id)) return;
        break;
    }
    if (p != 3) UpdateEnabling(page);
    PropSheet_Changed(GetParent(page), page);
}

INT_PTR CALLBACK PageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: InitPage(page, static_cast<int>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam)); return TRUE;
    case WM_COMMAND: PageCommand(page, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(page, IDC_MARKER_PREF_MOVE) && ListCommand(page, LOWORD(wParam)))
            PropSheet_Changed(GetParent(page), page);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (hdr->code == PSN_APPLY) {
            g_sheet->gs->markerManager->settings.CopyFrom(g_sheet->work);
            g_sheet->applied = true;
            setDirtyGraphFlag(g_sheet->gs, 1);
            SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        }
        if (hdr->idFrom == IDC_MARKER_PREF_LIST && hdr->code == LVN_ITEMCHANGED) {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
            if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
                SendDlgItemMessageA(page, IDC_MARKER_PREF_LIST, LVM_SETSELECTIONMARK, 0, change->iItem);
            UpdateEnabling(page);
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

}  // namespace

// The sheet runs modeless under a loop of its own, which ends when OK or Cancel leaves it
// without a current page; 1 when the settings were applied.
int ShowMarkerPreferences() {
    PROPSHEETPAGEA pages[kPages] = {};
    for (int p = 0; p < kPages; ++p) {
        pages[p].dwSize = sizeof pages[p];
        pages[p].hInstance = g_app->hInstance;
        pages[p].pszTemplate = MAKEINTRESOURCEA(kPageDialog[p]);
        pages[p].pfnDlgProc = PageProc;
        pages[p].lParam = p;
    }
    PROPSHEETHEADERA head{};
    head.dwSize = sizeof head;
    head.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS;
    head.hwndParent = g_app->hwndFrame;
    head.hInstance = g_app->hInstance;
    head.pszCaption = Keyed("Marker Preferences");
    head.nPages = kPages;
    head.ppsp = pages;
    HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&head));
    if (!sheet || sheet == reinterpret_cast<HWND>(-1)) return 0;
    HWND owner = head.hwndParent;
    const bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (ownerEnabled) EnableWindow(owner, FALSE);
    MSG msg;
    while (PropSheet_GetCurrentPageHwnd(sheet) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (PropSheet_IsDialogMessage(sheet, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (ownerEnabled) EnableWindow(owner, TRUE);
    DestroyWindow(sheet);
    return g_sheet->applied ? 1 : 0;
}

void DoMarkerPreferences(tagGS* gs) {
    if (!gs || !gs->markerManager || !g_app || g_sheet) return;
    std::unique_ptr<stPrefsSheet> sheet(new (std::nothrow) stPrefsSheet);
    if (!sheet) return;
    sheet->gs = gs;
    sheet->work.CopyFrom(gs->markerManager->settings);
    LOGFONTA font{};
    if (g_app->fonts.hfontText && GetObjectA(g_app->fonts.hfontText, sizeof font, &font)) {
        font.lfWeight = FW_BOLD;
        sheet->bold = CreateFontIndirectA(&font);
    }
    g_sheet = sheet.get();
    ShowMarkerPreferences();
    g_sheet = nullptr;
    if (sheet->bold) DeleteObject(sheet->bold);
}
