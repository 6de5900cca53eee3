// The skeleton of the library's modeless panels.
#include "devlib/services/modeless_panel.h"

#include "common/binding.h"
#include "devlib/services/library.h"
#include "devlib/services/popup_place.h"

void KeepPanelRecord(HWND dlg, LPARAM hAcq) { SetWindowLongPtrA(dlg, GWLP_USERDATA, hAcq); }

HGLOBAL PanelRecord(HWND dlg) { return reinterpret_cast<HGLOBAL>(GetWindowLongPtrA(dlg, GWLP_USERDATA)); }

void FollowPanelMove(HWND dlg, RECT* placement, LPARAM lParam) {
    PlaceChildWindow(dlg, placement, static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam)));
}

void RoutePanelKeys(HWND dlg, WPARAM wParam) {
    HostSetActiveModelessDialog(&g_lib.host, LOWORD(wParam) == WA_INACTIVE ? nullptr : dlg);
}

bool KeptPanel(HGLOBAL hAcq, HWND stAcq::*kept, HWND* dlg) {
    AcqLock acq(hAcq);
    *dlg = nullptr;
    if (!acq) return true;
    if (!IsWindow(acq.get()->*kept)) return false;
    *dlg = acq.get()->*kept;
    return true;
}

HWND CreatePanelDialog(HGLOBAL hAcq, int32_t dialogId, HWND owner, DLGPROC proc) {
    return CreateDialogParamA(g_lib.instance, MAKEINTRESOURCEA(dialogId), owner, proc, reinterpret_cast<LPARAM>(hAcq));
}
