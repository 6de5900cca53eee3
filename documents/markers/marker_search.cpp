// Finding markers: the system's modeless find dialog searching the labels (at most one for the
// process) and the Select Marker dialog that lists them.
#include "documents/markers/markers.h"
#include <cctype>
#include <cstring>
#include <string>
#include "base/app.h"
#include "base/resource.h"
#include "documents/documents_ids.h"
#include "common/tagGS.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"

namespace {

constexpr size_t kFindText = 80;

// The find dialog's record and both text buffers live in one global block while it is open.
struct stFindBlock {
    FINDREPLACEA fr;
    char what[kFindText];
    char last[kFindText];
};
HGLOBAL g_findBlock = nullptr;

// Where the last search stood, the hits since the text changed, and whether it wrapped.
struct stSearchState {
    stMarkerNode* node = nullptr;
    int hits = 0;
    bool wrapped = false;
} g_search;

int Tell(HWND owner, const char* key, UINT style) {
    char caption[129] = "";
    if (g_app) LoadStringA(g_app->hInstance, IDS_APP_TITLE, caption, sizeof caption);
    return MessageBoxA(owner, Keyed(key), caption, style);
}

// Case is ignored; the offset of the first occurrence, or npos.
size_t FindNoCase(const std::string& hay, const std::string& needle) {
    if (needle.empty() || needle.size() > hay.size()) return std::string::npos;
    for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && std::tolower(static_cast<unsigned char>(hay[i + k])) ==
                                        std::tolower(static_cast<unsigned char>(needle[k])))
            ++k;
        if (k == needle.size()) return i;
    }
    return std::string::npos;
}

void FreeFindBlock() {
    if (!g_findBlock) return;
    GlobalUnlock(g_findBlock);
    GlobalFree(g_findBlock);
    g_findBlock = nullptr;
}

// A hit is selected, its text highlighted in the label box, and counted.
void TakeHit(tagGS* gs, stMarkerNode* hit, const char* text) {
    SelectMarker(gs, hit, 0);
    HighlightFoundText(gs->markerLabelEdit, text);
    ++g_search.hits;
}

}  // namespace

stMarkerNode* SearchMarkerLabels(stMarkerNode* start, const char* text) {
    for (stMarkerNode* n = start; n; n = n->next)
        if (n->labelLength && FindNoCase(n->label, text ? text : "") != std::string::npos) return n;
    return nullptr;
}

void HighlightFoundText(HWND box, const char* text) {
    if (!box) return;
    char shown[63] = "";
    GetWindowTextA(box, shown, sizeof shown);
    const size_t at = FindNoCase(shown, text ? text : "");
    if (at == std::string::npos) return;
    SendMessageA(box, EM_SETSEL, at, at + std::strlen(text));
}

void ShowFindDialog(HWND graphWindow) {
    if (!g_app || (g_app->find.hwnd && IsWindow(g_app->find.hwnd))) return;
    FreeFindBlock();
    g_findBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(stFindBlock));
    auto* b = g_findBlock ? static_cast<stFindBlock*>(GlobalLock(g_findBlock)) : nullptr;
    if (!b) {
        if (g_findBlock) GlobalFree(g_findBlock);
        g_findBlock = nullptr;
        return;
    }
    b->fr.lStructSize = sizeof b->fr;
    b->fr.hwndOwner = graphWindow;
    b->fr.Flags = FR_HIDEUPDOWN | FR_HIDEMATCHCASE | FR_HIDEWHOLEWORD;
    b->fr.lpstrFindWhat = b->what;
    b->fr.wFindWhatLen = kFindText;
    b->fr.lCustData = reinterpret_cast<LPARAM>(b->last);
    g_app->find.hwnd = FindTextA(&b->fr);
    if (!g_app->find.hwnd) FreeFindBlock();
}

void OnFindMarkerText(tagGS* gs, FINDREPLACE* fr) {
    if (!fr) return;
    if (fr->Flags & FR_DIALOGTERM) {
        if (g_app) g_app->find.hwnd = nullptr;
        FreeFindBlock();
        return;
    }
    char* last = reinterpret_cast<char*>(fr->lCustData);
    const char* text = fr->lpstrFindWhat;
    const bool changed = !last || lstrcmpiA(text, last) != 0;
    if (changed && last) {
        lstrcpynA(last, text, kFindText);
        g_search.hits = 0;
        g_search.wrapped = false;
    }
    stMarkerList* list = gs ? gs->markers : nullptr;
    if (!list || !list->first) return;
    HWND owner = g_app ? g_app->find.hwnd : nullptr;
    stMarkerNode* start = list->current ? list->current : list->first;
    if (!changed && g_search.hits > 0) start = start->next;
    if (start != list->first) {
        if (stMarkerNode* hit = SearchMarkerLabels(start, text)) {
            TakeHit(gs, hit, text);
        } else if (g_search.wrapped) {
            Tell(owner, "Wavemind reached the last marker.", MB_OK | MB_ICONINFORMATION);
            g_search.wrapped = false;
        } else if (Tell(owner, "KEY Last marker and Question", MB_YESNO | MB_ICONQUESTION) == IDYES) {
            g_search.wrapped = true;
            CommitMarkerLabel(gs, list->first, 1, 1, 0);
            if (stMarkerNode* again = SearchMarkerLabels(list->first, text)) {
                TakeHit(gs, again, text);
            } else {
                Tell(owner, "The search text is not found.", MB_OK | MB_ICONINFORMATION);
                g_search.hits = 0;
            }
        }
    } else if (stMarkerNode* hit = SearchMarkerLabels(start, text)) {
        g_search.wrapped = true;
        TakeHit(gs, hit, text);
    } else {
        Tell(owner, "The search text is not found.", MB_OK | MB_ICONINFORMATION);
    }
    g_search.node = list->current;
}

// ---- Select Marker ----

namespace {

INT_PTR CALLBACK ChooseMarkerProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    tagGS* gs = reinterpret_cast<tagGS*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        gs = reinterpret_cast<tagGS*>(lParam);
        HWND list = GetDlgItem(dlg, IDC_SELECT_MARKER_LIST);
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FONT)), FALSE);
        for (stMarkerNode* n = gs->markers ? gs->markers->first : nullptr; n; n = n->next) {
            const LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n->labelLength ? n->label : "(no label)"));
            SendMessageA(list, LB_SETITEMDATA, at, reinterpret_cast<LPARAM>(n));
        }
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        SetFocus(list);
        return FALSE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const bool chosen = id == IDOK || (id == IDC_SELECT_MARKER_LIST && HIWORD(wParam) == LBN_DBLCLK);
        if (chosen) {
            HWND list = GetDlgItem(dlg, IDC_SELECT_MARKER_LIST);
            const LRESULT at = SendMessageA(list, LB_GETCURSEL, 0, 0);
            if (at == LB_ERR)
                Tell(dlg, "No valid marker selected.", MB_OK | MB_ICONSTOP);
            else
                SelectMarker(gs, reinterpret_cast<stMarkerNode*>(SendMessageA(list, LB_GETITEMDATA, at, 0)), 0);
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

}  // namespace

void ChooseMarkerDialog(tagGS* gs) {
    if (!gs || !g_app) return;
    DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_SELECT_MARKER), gs->hwnd, ChooseMarkerProc,
                    reinterpret_cast<LPARAM>(gs));
}

void RegisterFindMessage() {
    if (g_app) g_app->find.uMsg = RegisterWindowMessageA("commdlg_FindReplace");
}

int IsFindMessage(UINT msg) { return g_app && msg && msg == g_app->find.uMsg ? 1 : 0; }

int FindDialogOpen() { return g_app && g_app->find.hwnd && IsWindow(g_app->find.hwnd) ? 1 : 0; }

void CloseFindDialog() {
    if (FindDialogOpen()) SendMessageA(g_app->find.hwnd, WM_COMMAND, IDCANCEL, 0);
}

int FindDialogMessage(MSG* msg) { return FindDialogOpen() && IsDialogMessageA(g_app->find.hwnd, msg) ? 1 : 0; }
