// What the library's modeless panels (Acquisition Setup, Setup Triggering, Manual Control and
// the stimulator) share: each is a dialog over the record, made hidden the first time it is
// needed and then kept by the record; the record's handle is the dialog's user data, the panel's
// placement follows it as it moves, and while it is active the host routes its keys through
// IsDialogMessage.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/stAcq.h"

// WM_INITDIALOG: the panel keeps the record it is made over; PanelRecord answers it.
void KeepPanelRecord(HWND dlg, LPARAM hAcq);
HGLOBAL PanelRecord(HWND dlg);

// WM_MOVE: the stored placement follows the panel.
void FollowPanelMove(HWND dlg, RECT* placement, LPARAM lParam);
// WM_ACTIVATE: the host routes dialog keys to the active panel, and to none when it goes inactive.
void RoutePanelKeys(HWND dlg, WPARAM wParam);

// The panel the record keeps in `kept`: true, with *dlg, when that answers without making the
// window (there is no record, or the window is made already).
bool KeptPanel(HGLOBAL hAcq, HWND stAcq::*kept, HWND* dlg);

// Makes the panel hidden over the record, owned by owner, and keeps it in `kept`; then made(dlg,
// acq) runs with the record locked (dlg is null when the dialog could not be made).
HWND CreatePanelDialog(HGLOBAL hAcq, int32_t dialogId, HWND owner, DLGPROC proc);
template <typename Made>
HWND MakePanel(HGLOBAL hAcq, HWND stAcq::*kept, int32_t dialogId, HWND owner, DLGPROC proc, Made made) {
    HWND dlg = CreatePanelDialog(hAcq, dialogId, owner, proc);
    AcqLock acq(hAcq);
    if (!acq) return dlg;
    acq.get()->*kept = dlg;
    made(dlg, acq.get());
    return dlg;
}
