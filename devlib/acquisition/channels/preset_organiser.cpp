// The channel presets organiser: the store's operations over its five parallel arrays, and the
// dialog (1390) with its rename dialog (142) that drives them.
#include "devlib/acquisition/channels/preset_organiser.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "devlib/acquisition/channels/presets.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"

namespace {

constexpr int kDescriptionChars = 127;
constexpr INT_PTR kOrganiserClosed = 1;

void Description(const stAcqChan& rec, char* out, size_t size) {
    char text[sizeof(rec.presetName) + 1] = {};
    memcpy(text, rec.presetName, sizeof(rec.presetName));
    snprintf(out, size, "%s", text);
}

// Takes one entry of `size` bytes out of an array of `count` entries.
void RemoveEntry(uint8_t* base, int32_t count, int32_t at, size_t size) {
    memmove(base + size_t(at) * size, base + size_t(at + 1) * size, size_t(count - at - 1) * size);
    memset(base + size_t(count - 1) * size, 0, size);
}

// Moves one entry of `size` bytes from `from` to `to`; the ones between shift toward `from`.
void MoveEntry(uint8_t* base, int32_t from, int32_t to, size_t size) {
    std::vector<uint8_t> held(base + size_t(from) * size, base + size_t(from + 1) * size);
    if (from < to)
        memmove(base + size_t(from) * size, base + size_t(from + 1) * size, size_t(to - from) * size);
    else
        memmove(base + size_t(to + 1) * size, base + size_t(to) * size, size_t(from - to) * size);
    memcpy(base + size_t(to) * size, held.data(), size);
}

template <typename T>
uint8_t* Bytes(T* p) {
    return reinterpret_cast<uint8_t*>(p);
}

}  // namespace

int32_t IsUnusedPresetName(const stPresetStore& store, const char* text) {
    if (!text) return 0;
    if (!IsPresetStoreAllocated(store)) return 1;
    CPresetStoreLock lock(store);
    if (!lock) return 0;
    for (int32_t i = 0; i < store.count + store.calcCount; ++i) {
        char name[kDescriptionChars + 2];
        Description(lock.records[i], name, sizeof(name));
        if (lstrcmpiA(name, text) == 0) return 0;
    }
    return 1;
}

int32_t DeletePreset(stPresetStore* store, int32_t index, const char* description, int32_t group) {
    const int32_t all = store->count + store->calcCount;
    if (!description || index < 0 || index >= all || !IsPresetStoreAllocated(*store)) return 0;
    const bool calc = group == kPresetGroupCalc;
    if (calc != (index >= store->count)) return 0;
    {
        CPresetStoreLock lock(*store);
        if (!lock) return 0;
        char name[kDescriptionChars + 2];
        Description(lock.records[index], name, sizeof(name));
        if (lstrcmpiA(name, description) != 0) return 0;
        RemoveEntry(Bytes(lock.records), all, index, sizeof(stAcqChan));
        RemoveEntry(Bytes(lock.first), all, index, sizeof(double));
        RemoveEntry(Bytes(lock.second), all, index, sizeof(double));
        if (calc) {
            const int32_t c = index - store->count;
            RemoveEntry(Bytes(lock.calcKinds), store->calcCount, c, sizeof(int32_t));
            RemoveEntry(lock.calcBlocks, store->calcCount, c, kCalcPresetBytes);
        }
    }
    // The blocks keep their size: a shorter count is all the store's readers go by.
    if (calc)
        --store->calcCount;
    else
        --store->count;
    return 1;
}

int32_t MovePreset(stPresetStore* store, int32_t group, int32_t from, int32_t to) {
    const bool calc = group == kPresetGroupCalc;
    const int32_t count = calc ? store->calcCount : store->count;
    if (count <= 0 || from < 0 || from >= count || !IsPresetStoreAllocated(*store)) return 0;
    if (to < 0) to = 0;
    if (to > count - 1) to = count - 1;
    if (to == from) return 0;
    CPresetStoreLock lock(*store);
    if (!lock) return 0;
    const int32_t offset = calc ? store->count : 0;
    MoveEntry(Bytes(lock.records), offset + from, offset + to, sizeof(stAcqChan));
    MoveEntry(Bytes(lock.first), offset + from, offset + to, sizeof(double));
    MoveEntry(Bytes(lock.second), offset + from, offset + to, sizeof(double));
    if (calc) {
        MoveEntry(Bytes(lock.calcKinds), from, to, sizeof(int32_t));
        MoveEntry(lock.calcBlocks, from, to, kCalcPresetBytes);
    }
    return 1;
}

int32_t ClearPresets(stPresetStore* store) {
    const int32_t readOnly = store->readOnly;
    FreePresetStore(store);
    store->count = 0;
    store->calcCount = 0;
    store->readOnly = readOnly;
    return 1;
}

int32_t RenamePreset(stPresetStore* store, int32_t index, const char* description) {
    if (!description || index < 0 || index >= store->count + store->calcCount || !IsPresetStoreAllocated(*store))
        return 0;
    CPresetStoreLock lock(*store);
    if (!lock) return 0;
    stAcqChan& rec = lock.records[index];
    memset(rec.presetName, 0, sizeof(rec.presetName));
    memcpy(rec.presetName, description, strnlen(description, kDescriptionChars));
    return 1;
}

// ---- The dialog ----

namespace {

// The dialog edits a copy of the store: Close puts it in place, Cancel throws it away.
struct stOrganiser {
    stPresetStore* live;
    stPresetStore work;
    HIMAGELIST small = nullptr;
    HIMAGELIST large = nullptr;
};

struct stRename {
    const stPresetStore* store;
    char current[kDescriptionChars + 2];
    char chosen[kDescriptionChars + 2];
};

HWND List(HWND dlg) { return GetDlgItem(dlg, IDC_OCP_LIST); }

int SelectedItem(HWND dlg) { return ListView_GetNextItem(List(dlg), -1, LVNI_SELECTED); }

void SelectItem(HWND dlg, int item) {
    ListView_SetItemState(List(dlg), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (item < 0) return;
    ListView_SetItemState(List(dlg), item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(List(dlg), item, FALSE);
}

void InsertItem(HWND dlg, const stPresetStore& store, const stAcqChan& rec, int item) {
    const bool calc = item >= store.count;
    char name[kDescriptionChars + 2];
    Description(rec, name, sizeof(name));
    LVITEMA it{};
    it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    it.iItem = item;
    it.pszText = name;
    it.iImage = calc ? 1 : 0;
    it.lParam = calc ? kPresetGroupCalc : kPresetGroupInput;
    ListView_InsertItem(List(dlg), &it);
    char type[128] = {};
    GetDlgItemTextA(dlg, calc ? IDC_OCP_CALC_TEXT : IDC_OCP_ANALOG_TEXT, type, sizeof(type));
    ListView_SetItemText(List(dlg), item, 1, type);
}

void FillList(HWND dlg, const stPresetStore& store) {
    ListView_DeleteAllItems(List(dlg));
    if (!IsPresetStoreAllocated(store)) return;
    CPresetStoreLock lock(store);
    if (!lock) return;
    for (int i = 0; i < store.count + store.calcCount; ++i) InsertItem(dlg, store, lock.records[i], i);
}

HIMAGELIST MakeImages(int size) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 2, 0);
    for (int id : {IDB_PRESET_ANALOG, IDB_PRESET_CALC}) {
        HBITMAP bmp = static_cast<HBITMAP>(LoadImageA(g_lib.instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, size, size, 0));
        ImageList_AddMasked(list, bmp, RGB(255, 0, 255));
        DeleteObject(bmp);
    }
    return list;
}

void OrganiserInit(HWND dlg, stOrganiser* st) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(st));
    hwndGetDlg = dlg;
    HandleTheDialog(dlg, IDD_PRESET_ORGANIZER);
    st->small = MakeImages(16);
    st->large = MakeImages(32);
    ListView_SetImageList(List(dlg), st->small, LVSIL_SMALL);
    ListView_SetImageList(List(dlg), st->large, LVSIL_NORMAL);
    ListView_SetExtendedListViewStyle(List(dlg), LVS_EX_FULLROWSELECT);
    const char* titles[2] = {Keyed("OCP Description Key"), Keyed("OCP Type Key")};
    for (int c = 0; c < 2; ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = 100;
        col.pszText = const_cast<char*>(titles[c]);
        ListView_InsertColumn(List(dlg), c, &col);
    }
    FillList(dlg, st->work);
    for (int c = 0; c < 2; ++c) ListView_SetColumnWidth(List(dlg), c, LVSCW_AUTOSIZE_USEHEADER);
    SetFocus(List(dlg));
    SelectItem(dlg, ListView_GetItemCount(List(dlg)) > 0 ? 0 : -1);
}

INT_PTR CALLBACK RenameProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* st = reinterpret_cast<stRename*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        st = reinterpret_cast<stRename*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        HandleTheDialog(dlg, IDD_PRESET_RENAME);
        SetDlgItemTextA(dlg, IDC_RENAME_OLD, st->current);
        SendDlgItemMessageA(dlg, IDC_RENAME_NEW, EM_LIMITTEXT, kDescriptionChars + 1, 0);
        SetDlgItemTextA(dlg, IDC_RENAME_NEW, st->current);
        EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
        SendDlgItemMessageA(dlg, IDC_RENAME_NEW, EM_SETSEL, 0, -1);
        SetFocus(GetDlgItem(dlg, IDC_RENAME_NEW));
        return FALSE;
    case WM_COMMAND: {
        char text[kDescriptionChars + 2] = {};
        GetDlgItemTextA(dlg, IDC_RENAME_NEW, text, sizeof(text));
        const bool usable = text[0] && IsUnusedPresetName(*st->store, text);
        switch (LOWORD(wParam)) {
        case IDC_RENAME_NEW:
            if (HIWORD(wParam) == EN_CHANGE) EnableWindow(GetDlgItem(dlg, IDOK), usable);
            return TRUE;
        case IDOK:
            if (!usable) return TRUE;
            snprintf(st->chosen, sizeof(st->chosen), "%s", text);
            EndDialog(dlg, IDOK);
            return TRUE;
        case IDCANCEL: EndDialog(dlg, IDCANCEL); return TRUE;
        default: return TRUE;
        }
    }
    default: return FALSE;
    }
}

void RenameSelected(HWND dlg, stOrganiser* st) {
    const int item = SelectedItem(dlg);
    if (item < 0) return;
    stRename r{&st->work, {}, {}};
    ListView_GetItemText(List(dlg), item, 0, r.current, sizeof(r.current));
    const INT_PTR result = DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_PRESET_RENAME), dlg, RenameProc,
                                           reinterpret_cast<LPARAM>(&r));
    hwndGetDlg = dlg;
    if (result != IDOK || !RenamePreset(&st->work, item, r.chosen)) return;
    ListView_SetItemText(List(dlg), item, 0, r.chosen);
}

void DeleteSelected(HWND dlg, stOrganiser* st) {
    const int item = SelectedItem(dlg);
    if (item < 0) return;
    char name[kDescriptionChars + 2] = {};
    ListView_GetItemText(List(dlg), item, 0, name, sizeof(name));
    char question[512];
    FormatKeyedText(question, sizeof(question), Keyed("Key want to remove preset"), name);
    const char* caption = Keyed("Organize Preset File - Delete");
    if (MessageBoxA(dlg, question, caption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    const int32_t group = item >= st->work.count ? kPresetGroupCalc : kPresetGroupInput;
    if (!DeletePreset(&st->work, item, name, group)) {
        MessageBoxA(dlg, Keyed("Can NOT delete preset"), caption, MB_OK | MB_ICONERROR);
        return;
    }
    ListView_DeleteItem(List(dlg), item);
    const int left = ListView_GetItemCount(List(dlg));
    SelectItem(dlg, item < left ? item : left - 1);
}

void DeleteAll(HWND dlg, stOrganiser* st) {
    if (MessageBoxA(dlg, Keyed("Are you sure you want to clear preset file?"), Keyed("Organize Preset File - Delete All"),
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    ClearPresets(&st->work);
    ListView_DeleteAllItems(List(dlg));
}

// Moves the selected preset to a new position within its group and shows it there.
void MoveSelected(HWND dlg, stOrganiser* st, int step, int absolute) {
    const int item = SelectedItem(dlg);
    if (item < 0) return;
    stPresetStore& store = st->work;
    const bool calc = item >= store.count;
    const int32_t group = calc ? kPresetGroupCalc : kPresetGroupInput;
    const int32_t offset = calc ? store.count : 0;
    const int32_t count = calc ? store.calcCount : store.count;
    const int32_t from = item - offset;
    int32_t to = absolute >= 0 ? absolute : from + step;
    if (absolute == INT32_MAX) to = count - 1;
    if (!MovePreset(&store, group, from, to)) return;
    to = to < 0 ? 0 : (to > count - 1 ? count - 1 : to);
    ListView_DeleteItem(List(dlg), item);
    CPresetStoreLock lock(store);
    if (!lock) return;
    InsertItem(dlg, store, lock.records[offset + to], offset + to);
    SelectItem(dlg, offset + to);
}

void OrganiserNotify(HWND dlg, stOrganiser* st, const NMHDR* hdr) {
    if (hdr->idFrom != IDC_OCP_LIST) return;
    if (hdr->code == NM_DBLCLK) {
        RenameSelected(dlg, st);
    } else if (hdr->code == LVN_KEYDOWN) {
        if (reinterpret_cast<const NMLVKEYDOWN*>(hdr)->wVKey == VK_DELETE) DeleteSelected(dlg, st);
    } else if (hdr->code == LVN_ENDLABELEDITA) {
        const auto* info = reinterpret_cast<const NMLVDISPINFOA*>(hdr);
        const char* text = info->item.pszText;
        if (text && text[0] && IsUnusedPresetName(st->work, text) &&
            RenamePreset(&st->work, info->item.iItem, text)) {
            ListView_SetItemText(List(dlg), info->item.iItem, 0, const_cast<char*>(text));
        }
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, FALSE);
    }
}

void OrganiserContextMenu(HWND dlg, stOrganiser* st, LPARAM lParam) {
    HMENU bar = LoadMenuA(g_lib.instance, MAKEINTRESOURCEA(IDR_PRESETS_MENU));
    if (!bar) return;
    HMENU menu = GetSubMenu(bar, 0);
    const UINT id = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, (short)LOWORD(lParam),
                                                     (short)HIWORD(lParam), 0, dlg, nullptr));
    DestroyMenu(bar);
    if (id == IDM_PRESET_RENAME) RenameSelected(dlg, st);
    if (id == IDM_PRESET_DELETE) DeleteSelected(dlg, st);
}

INT_PTR CALLBACK OrganiserProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        OrganiserInit(dlg, reinterpret_cast<stOrganiser*>(lParam));
        return FALSE;
    }
    auto* st = reinterpret_cast<stOrganiser*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (!st) return FALSE;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: EndDialog(dlg, kOrganiserClosed); break;
        case IDCANCEL: EndDialog(dlg, 0); break;
        case IDC_OCP_RENAME:
        case IDM_PRESET_RENAME: RenameSelected(dlg, st); break;
        case IDC_OCP_DELETE:
        case IDM_PRESET_DELETE: DeleteSelected(dlg, st); break;
        case IDC_OCP_DELETE_ALL: DeleteAll(dlg, st); break;
        case IDC_OCP_TOP: MoveSelected(dlg, st, 0, 0); break;
        case IDC_OCP_BOTTOM: MoveSelected(dlg, st, 0, INT32_MAX); break;
        default: break;
        }
        return TRUE;
    case WM_VSCROLL:
        switch (LOWORD(wParam)) {
        case SB_LINEUP:
        case SB_PAGEUP: MoveSelected(dlg, st, -1, -1); break;
        case SB_LINEDOWN:
        case SB_PAGEDOWN: MoveSelected(dlg, st, 1, -1); break;
        default: break;
        }
        return TRUE;
    case WM_NOTIFY: OrganiserNotify(dlg, st, reinterpret_cast<const NMHDR*>(lParam)); return TRUE;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == List(dlg)) OrganiserContextMenu(dlg, st, lParam);
        return TRUE;
    case WM_DESTROY:
        if (st->small) ImageList_Destroy(st->small);
        if (st->large) ImageList_Destroy(st->large);
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

int32_t CopyPresetStore(const stPresetStore& from, stPresetStore* to) {
    *to = stPresetStore{};
    to->readOnly = from.readOnly;
    if (!IsPresetStoreAllocated(from)) {
        to->count = from.count;
        to->calcCount = from.calcCount;
        return 1;
    }
    if (!AllocPresetStore(to, from.count, from.calcCount)) return 0;
    to->readOnly = from.readOnly;
    CPresetStoreLock src(from), dst(*to);
    if (!src || !dst) return 0;
    const size_t all = size_t(from.count + from.calcCount), calc = size_t(from.calcCount);
    memcpy(dst.records, src.records, all * sizeof(stAcqChan));
    memcpy(dst.first, src.first, all * sizeof(double));
    memcpy(dst.second, src.second, all * sizeof(double));
    memcpy(dst.calcKinds, src.calcKinds, calc * sizeof(int32_t));
    memcpy(dst.calcBlocks, src.calcBlocks, calc * kCalcPresetBytes);
    return 1;
}

int32_t ShowPresetOrganizer(HWND owner, stAcq* acq) {
    if (!acq) return 0;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    stOrganiser st{&acq->presets, {}};
    if (!CopyPresetStore(acq->presets, &st.work)) {
        FreePresetStore(&st.work);
        return 0;
    }
    const INT_PTR result = DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_PRESET_ORGANIZER), owner, OrganiserProc,
                                           reinterpret_cast<LPARAM>(&st));
    if (result != kOrganiserClosed) {
        FreePresetStore(&st.work);
        return 0;
    }
    FreePresetStore(st.live);
    *st.live = st.work;
    return 1;
}
