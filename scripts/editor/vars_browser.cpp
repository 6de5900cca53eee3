// The variables browser: the engine pushes every assignment into its copy, and the modeless
// dialog shows the copy of the category chosen in its drop-down list.
#include "scripts/editor/vars_browser.h"

#include <windows.h>
#include <commctrl.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/app.h"
#include "scripts/scripts_ids.h"
#include "controls/window_center.h"
#include "devlib/vk40.h"
#include "scripts/engine/script_engine.h"

namespace {

bool Fits(const char* text) { return std::strlen(text) < kVarTextChars; }

// ---- Containers ----

struct VariablesBrowser {
    HWND dialog = nullptr;
    HWND categories = nullptr;  // drop-down list 1000
    HWND list = nullptr;        // list view 1010
    bool shown = false;         // the dialog is on screen: only then are its rows kept current
    VarCategorySet set;
    VariablesBrowser();
};

// The five categories with their 26 names each, filled once before the program runs.
VariablesBrowser::VariablesBrowser() {
    struct Category {
        const char* name;
        char first;
        char suffix;
    };
    const Category all[kVarCategories] = {{kVarCategoryApplication, 'A', 0},
                                          {kVarCategoryMacro, 'A', '#'},
                                          {kVarCategoryLocal, 'a', 0},
                                          {kVarCategoryAppString, 'A', '$'},
                                          {kVarCategoryMacroString, 'A', '@'}};
    VarCategory* added[kVarCategories] = {};
    for (int i = 0; i < kVarCategories; ++i) {
        added[i] = set.AddCategory(all[i].name);
        if (!added[i]) return;
    }
    for (int i = 0; i < kVarCategories; ++i) {
        for (int letter = 0; letter < 26; ++letter) {
            const char name[3] = {static_cast<char>(all[i].first + letter), all[i].suffix, 0};
            added[i]->AddEntry(name);
        }
    }
}

// The one browser of the process, built before it is first used.
VariablesBrowser& Browser() {
    static VariablesBrowser browser;
    return browser;
}

// The name of the category the drop-down list shows, or "" when none is selected.
void SelectedCategory(char* out) {
    out[0] = 0;
    HWND combo = Browser().categories;
    const LRESULT sel = combo ? SendMessageA(combo, CB_GETCURSEL, 0, 0) : CB_ERR;
    if (sel == CB_ERR || SendMessageA(combo, CB_GETLBTEXTLEN, sel, 0) >= kVarTextChars) return;
    SendMessageA(combo, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(out));
}

}  // namespace

// Cut to 255 characters.
void VarCategory::SetName(const char* name) { lstrcpynA(m_name, name ? name : "", sizeof m_name); }

// The first free slot takes the name and the value.
VarEntry* VarCategory::AddEntry(const char* name, const char* value) {
    if (!name || !Fits(name) || (value && !Fits(value))) return nullptr;
    for (VarEntry& entry : m_entries) {
        if (entry.name[0]) continue;
        std::strcpy(entry.name, name);
        std::strcpy(entry.value, value ? value : "");
        return &entry;
    }
    return nullptr;
}

namespace {
VarEntry* Settled(VarEntry* entry) {
    if (entry && entry->pendingDigits) VarCategory::SetValueNumber(*entry, entry->pendingNumber, entry->pendingDigits);
    return entry;
}
}  // namespace

// Names are compared exactly, with case.
VarEntry* VarCategory::FindSlot(const char* name) {
    if (!name || !name[0]) return nullptr;
    for (VarEntry& entry : m_entries)
        if (std::strcmp(entry.name, name) == 0) return &entry;
    return nullptr;
}

VarEntry* VarCategory::FindEntry(const char* name) { return Settled(FindSlot(name)); }

VarEntry* VarCategory::EntryAt(int index) {
    return index >= 0 && index < kVarEntries ? Settled(&m_entries[index]) : nullptr;
}

void VarCategory::DeferValueNumber(VarEntry& entry, double value, int digits) {
    entry.pendingNumber = value;
    entry.pendingDigits = digits < 1 ? 1 : digits;
}

// An overlong text is refused whole rather than cut.
int VarCategory::SetValueText(VarEntry& entry, const char* text) {
    if (!text || !Fits(text)) return 0;
    entry.pendingDigits = 0;
    std::strcpy(entry.value, text);
    return 1;
}

// The number as the browser writes it.
int VarCategory::SetValueNumber(VarEntry& entry, double value, int digits) {
    char text[64];
    FormatNumberToDigits(text, sizeof text, value, digits);
    return SetValueText(entry, text);
}

// The first free slot takes the name.
VarCategory* VarCategorySet::AddCategory(const char* name) {
    if (!name || !name[0] || !Fits(name)) return nullptr;
    for (VarCategory& category : m_categories) {
        if (category.Name()[0]) continue;
        category.SetName(name);
        return &category;
    }
    return nullptr;
}

// Names are compared exactly, with case.
VarCategory* VarCategorySet::FindCategory(const char* name) {
    if (!name || !name[0]) return nullptr;
    for (VarCategory& category : m_categories)
        if (std::strcmp(category.Name(), name) == 0) return &category;
    return nullptr;
}

// Slots 0-4.
VarCategory* VarCategorySet::CategoryAt(int index) {
    return index >= 0 && index < kVarCategories ? &m_categories[index] : nullptr;
}

// The exponent is read from the rounded exponent form, so 99999.9 at 5 digits counts as 1e+05.
void FormatNumberToDigits(char* out, size_t size, double value, int digits) {
    if (digits < 1) digits = 1;
    if (digits > 17) digits = 17;
    char scientific[64];
    std::snprintf(scientific, sizeof scientific, "%.*e", digits - 1, value);
    const char* e = std::strchr(scientific, 'e');
    const int exponent = e ? std::atoi(e + 1) : 0;
    if (!std::isfinite(value) || !e) {
        lstrcpynA(out, scientific, static_cast<int>(size));
        return;
    }
    if (exponent >= -1 && exponent <= digits - 1) {
        std::snprintf(out, size, "%.*f", digits - 1 - exponent, value);
        return;
    }
    // The C library may write three exponent digits; two are enough below 1e100.
    std::snprintf(out, size, "%.*se%c%02d", static_cast<int>(e - scientific), scientific, exponent < 0 ? '-' : '+',
                  std::abs(exponent));
}

// The copy itself, for the tests.
VarCategorySet& VariableCategories() { return Browser().set; }

// The engine's copy of a string assignment; 0 only for an unknown category.
int SetVariableText(const char* category, const char* name, const char* text) {
    VarCategory* found = Browser().set.FindCategory(category);
    if (!found) return 0;
    if (VarEntry* entry = found->FindEntry(name)) {
        VarCategory::SetValueText(*entry, text);
        RefreshVariableRow(category, name);
    }
    return 1;
}

namespace {
// The engine's numeric categories were filled first, in this order, each with its letters in
// order: an assignment's entry is found by its place, without comparing names on every turn.
VarEntry* EngineEntry(const char* category, const char* name) {
    const char* const engine[] = {kVarCategoryApplication, kVarCategoryMacro, kVarCategoryLocal};
    for (int i = 0; i < 3; ++i) {
        if (category != engine[i]) continue;
        const int letter = (name[0] | 0x20) - 'a';
        VarCategory* found = Browser().set.CategoryAt(i);
        VarEntry* entry = found ? found->SlotAt(letter) : nullptr;
        if (entry && entry->name[0] == name[0] && std::strcmp(entry->name + 1, name + 1) == 0) return entry;
        return nullptr;
    }
    return nullptr;
}
}  // namespace

// The engine's copy of a numeric assignment.
int SetVariableNumber(const char* category, const char* name, double value, int digits) {
    if (!category || !name || !name[0]) return 0;
    VarEntry* entry = EngineEntry(category, name);
    if (!entry) {
        VarCategory* found = Browser().set.FindCategory(category);
        entry = found ? found->FindSlot(name) : nullptr;
    }
    if (!entry) return 0;
    // Written now only when the browser is on screen to show it; showing it refills the list.
    if (!Browser().list || !Browser().shown) {
        VarCategory::DeferValueNumber(*entry, value, digits);
        return 0;
    }
    VarCategory::SetValueNumber(*entry, value, digits);
    RefreshVariableRow(category, name);
    return 0;
}

// Only the shown category's list has rows to change.
void RefreshVariableRow(const char* category, const char* name) {
    HWND list = Browser().list;
    if (!list || !Browser().shown) return;  // a hidden list is refilled when it is shown
    char shown[kVarTextChars];
    SelectedCategory(shown);
    if (!list || !category || std::strcmp(shown, category) != 0) return;
    VarCategory* found = Browser().set.FindCategory(category);
    VarEntry* entry = found ? found->FindEntry(name) : nullptr;
    if (!entry) return;
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        char text[kVarTextChars] = "";
        ListView_GetItemText(list, row, 0, text, sizeof text);
        if (std::strcmp(text, name) == 0) {
            ListView_SetItemText(list, row, 1, entry->value);
            return;
        }
    }
}

// ---- The dialog ----
namespace {

// All rows go; then one row per named entry of the shown category, up to the first free one.
void FillVariableList() {
    VariablesBrowser& b = Browser();
    ListView_DeleteAllItems(b.list);
    char shown[kVarTextChars];
    SelectedCategory(shown);
    VarCategory* category = b.set.FindCategory(shown);
    if (!category) return;
    for (int i = 0; i < kVarEntries; ++i) {
        VarEntry* entry = category->EntryAt(i);
        if (!entry->name[0]) break;
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = entry->name;
        const int row = static_cast<int>(SendMessageA(b.list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (row >= 0) ListView_SetItemText(b.list, row, 1, entry->value);
    }
}

// A centred report column.
void AddColumn(HWND list, int index, const char* title, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_CENTER;
    column.cx = width;
    column.pszText = const_cast<char*>(title);
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

// The categories in the drop-down list, the first selected, and its variables listed.
void InitBrowserDialog(HWND dlg) {
    VariablesBrowser& b = Browser();
    CenterWindowOnScreen(dlg);
    b.dialog = dlg;
    b.categories = GetDlgItem(dlg, IDC_VARS_CATEGORY);
    b.list = GetDlgItem(dlg, IDC_VARS_LIST);
    for (int i = 0; i < kVarCategories; ++i)
        SendMessageA(b.categories, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(b.set.CategoryAt(i)->Name()));
    SendMessageA(b.categories, CB_SETCURSEL, 0, 0);
    AddColumn(b.list, 0, "Variable name", 80);
    AddColumn(b.list, 1, "Variable value", 250);
    FillVariableList();
    HandleTheDialog(dlg, IDD_VARS_BROWSER);
}

// The drop-down list refills the list; Hide and the close box only hide the window.
INT_PTR CALLBACK BrowserProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        InitBrowserDialog(dlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_VARS_CATEGORY:
            FillVariableList();
            return TRUE;
        case IDC_VARS_RESET_MENU:
            ResetMenuAndToolbar();
            return TRUE;
        case IDC_VARS_HIDE:
            ShowWindow(dlg, SW_HIDE);
            return TRUE;
        }
        break;
    case WM_SHOWWINDOW:
        // Assignments made while it was hidden wrote no rows: the list is read afresh.
        Browser().shown = wParam != 0;
        if (wParam) FillVariableList();
        break;
    case WM_CLOSE:
        // The window lives as long as the program: closing only hides it.
        ShowWindow(dlg, SW_HIDE);
        return TRUE;
    case WM_DESTROY: {
        VariablesBrowser& b = Browser();
        if (b.dialog == dlg) {
            b.dialog = b.categories = b.list = nullptr;
            b.shown = false;
        }
        return FALSE;
    }
    }
    return FALSE;
}

}  // namespace

// Created hidden and kept until the program ends.
HWND CreateVariablesBrowser(HINSTANCE inst, HWND owner) {
    return CreateDialogParamA(inst, MAKEINTRESOURCEA(IDD_VARS_BROWSER), owner, BrowserProc, 0);
}

namespace {
struct BrowserHome {
    HINSTANCE instance = nullptr;
    HWND owner = nullptr;
} g_browserHome;
}  // namespace

// Start-up names where the browser belongs; its window is made the first time it is asked for,
// since its values live apart from it and are read afresh whenever it shows.
void PrepareVariablesBrowser(HINSTANCE inst, HWND owner) { g_browserHome = {inst, owner}; }

HWND VariablesBrowserWindow() {
    if (!Browser().dialog && g_browserHome.instance) {
        HWND dlg = CreateVariablesBrowser(g_browserHome.instance, g_browserHome.owner);
        if (g_app) g_app->hwndVarsBrowser = dlg;
    }
    return Browser().dialog;
}

// Shows or hides the browser; showing makes it when it does not exist yet.
void ShowVarsBrowser(int show) {
    HWND dlg = show == SW_HIDE ? Browser().dialog : VariablesBrowserWindow();
    if (dlg) ShowWindow(dlg, show);
}
