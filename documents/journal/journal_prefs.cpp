// The Journal Preferences dialog: the paste options, the tab size and the journal font, which
// apply to the journal of every graph window.
#include "documents/journal/journal.h"
#include "documents/documents_api.h"
#include "base/app.h"
#include "base/ini_section.h"
#include "documents/documents_ids.h"
#include "devlib/vk40.h"
#include <commdlg.h>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kTabTextChars = 10;
constexpr int kTabReadChars = 20;

bool g_fontChanged = false;

struct PrefBox {
    int id;
    int stJournalPrefs::*flag;
};
constexpr PrefBox kBoxes[] = {
    {IDC_JOURNAL_PREF_NAME, &stJournalPrefs::measurementName},
    {IDC_JOURNAL_PREF_UNITS, &stJournalPrefs::measurementUnit},
    {IDC_JOURNAL_PREF_CHANNELS, &stJournalPrefs::channelNumbers},
    {IDC_JOURNAL_PREF_PER_LINE, &stJournalPrefs::measurementPerLine},
    {IDC_JOURNAL_PREF_TIME_VALUES, &stJournalPrefs::waveTimeValues},
};

void ChangeFont(HWND dlg) {
    if (!g_app) return;
    LOGFONTA lf = g_app->fonts.lfJournal;
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = dlg;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontA(&cf)) return;
    HFONT font = CreateFontIndirectA(&lf);
    if (!font) return;
    if (g_app->fonts.hfontJournal) DeleteObject(g_app->fonts.hfontJournal);
    g_app->fonts.hfontJournal = font;
    g_app->fonts.lfJournal = lf;
    g_fontChanged = true;
}

void OnOk(HWND dlg) {
    stJournalPrefs& prefs = JournalPrefs();
    for (const PrefBox& b : kBoxes) prefs.*b.flag = IsDlgButtonChecked(dlg, b.id) == BST_CHECKED;
    char text[kTabReadChars + 1] = "";
    GetDlgItemTextA(dlg, IDC_JOURNAL_PREF_TABS, text, sizeof text);
    double typed = 0.0;
    const float tab = ParseIniNumber(text, kJournalTabSizeMin, kJournalTabSizeMax, &typed) ? static_cast<float>(typed)
                                                                                         : prefs.tabSize;
    if (tab != prefs.tabSize) {
        prefs.tabSize = tab;
        ForEachJournalPane([](CJournalWindow* pane) { JournalSetPaneTabStops(pane, kJournalTabSizePreference); });
    }
    SaveJournalSettings();
    if (g_fontChanged) {
        g_fontChanged = false;
        ForEachJournalPane([](CJournalWindow* pane) { JournalApplyFont(pane); });
    }
}

INT_PTR CALLBACK JournalPrefsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        const stJournalPrefs& prefs = JournalPrefs();
        for (const PrefBox& b : kBoxes) CheckDlgButton(dlg, b.id, prefs.*b.flag ? BST_CHECKED : BST_UNCHECKED);
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", prefs.tabSize);
        SendDlgItemMessageA(dlg, IDC_JOURNAL_PREF_TABS, EM_LIMITTEXT, kTabTextChars, 0);
        SetDlgItemTextA(dlg, IDC_JOURNAL_PREF_TABS, text);
        HandleTheDialog(dlg, IDD_JOURNAL_PREFS);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_JOURNAL_PREF_FONT: ChangeFont(dlg); return TRUE;
        case IDOK:
            OnOk(dlg);
            EndDialog(dlg, 1);
            return TRUE;
        case IDCANCEL: EndDialog(dlg, 0); return TRUE;
        default: break;
        }
        break;
    default: break;
    }
    return FALSE;
}

}  // namespace

void DoJournalPrefsDialog(HWND owner) {
    DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_JOURNAL_PREFS), owner, JournalPrefsProc, 0);
}
