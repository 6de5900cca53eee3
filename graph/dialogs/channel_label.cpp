// A channel's name: the dialog that edits its label or its units text, and the entries of the
// channel drop-downs of the scale dialogs.
#include "graph/dialogs/dialogs_api.h"
#include "graph/dialogs/dialog_util.h"
#include "base/app.h"
#include "base/device.h"
#include "base/notify.h"
#include "graph/graph_ids.h"
#include "controls/window_center.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"
#include "graph/view/channel_selection.h"
#include "documents/documents_api.h"
#include <cstdio>
#include <cstring>

namespace {

constexpr int kLabelChars = 39, kUnitsChars = 19;

struct stLabelDialog {
    tagGS* gs;
    int32_t channel;
    uint32_t isLabel;
};

// The prompt names the slot; the edit holds the current text, limited to its field.
void OnLabelInit(HWND dlg, stLabelDialog* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    char prompt[64];
    std::snprintf(prompt, sizeof prompt, d->isLabel ? "Enter channel %u label" : "Enter channel %u units text",
                  static_cast<unsigned>(d->channel));
    SetDlgItemTextA(dlg, IDC_LABEL_PROMPT, prompt);
    SendDlgItemMessageA(dlg, IDC_LABEL_EDIT, EM_LIMITTEXT, d->isLabel ? kLabelChars : kUnitsChars, 0);
    SetDlgItemTextA(dlg, IDC_LABEL_EDIT, d->isLabel ? d->gs->chanLabel[d->channel] : d->gs->chanUnits[d->channel]);
    CenterWindowOnScreen(dlg);
    gdlg::FocusAll(dlg, IDC_LABEL_EDIT);
    HandleTheDialog(dlg, IDD_CHANNEL_LABEL);
}

// OK writes the text into the document and tells the device library the channel's new name.
void OnLabelOk(HWND dlg, stLabelDialog* d) {
    tagGS* gs = d->gs;
    char* field = d->isLabel ? gs->chanLabel[d->channel] : gs->chanUnits[d->channel];
    const int size = d->isLabel ? kLabelChars + 1 : kUnitsChars + 1;
    GetDlgItemTextA(dlg, IDC_LABEL_EDIT, field, size);
    DeviceCommand(nullptr, d->isLabel ? IDM_CHANNEL_LABEL : IDM_CHANNEL_UNITS, field, d->channel);
    EndDialog(dlg, 1);
}

// OK writes the field; Cancel leaves the document as it was.
INT_PTR CALLBACK LabelProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<stLabelDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        OnLabelInit(dlg, reinterpret_cast<stLabelDialog*>(lParam));
        return FALSE;
    }
    if (msg != WM_COMMAND || !d) return FALSE;
    if (LOWORD(wParam) == IDOK)
        OnLabelOk(dlg, d);
    else if (LOWORD(wParam) == IDCANCEL)
        EndDialog(dlg, 0);
    return TRUE;
}

}  // namespace

// After OK the name and scale boxes show the new text and the channel buttons follow it.
int ChannelLabelDialog(HWND parent, tagGS* gs, int32_t channel, uint32_t isLabel) {
    if (!gs || !g_app) return 0;
    if (channel == -1) channel = static_cast<int32_t>(gs->selectedChan);
    if (channel < 0 || channel >= kMaxChannels) return 0;
    notify::SetStatusText("Enter new channel labels");
    stLabelDialog d{gs, channel, isLabel};
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_CHANNEL_LABEL), parent, LabelProc,
                                           reinterpret_cast<LPARAM>(&d));
    if (result == 1) {
        setDirtyGraphFlag(gs, 1);
        if (gs->displayMode != kModeXY) {
            InvalidateRect(gs->hwnd, &gs->chanLabelRects[channel], FALSE);
            InvalidateRect(gs->hwnd, &gs->chanScaleRects[channel], FALSE);
        } else {
            InvalidateRect(gs->hwnd, nullptr, FALSE);
        }
        RebuildChannelItems(gs);
        if (gs->measureShown) UpdateAllMeasurements(gs);
    }
    notify::SetStatusText("Ready");
    return result == 1 ? 1 : 0;
}

// The entry starts with the slot number itself ("2, CH2 Input" for slot 2).
int AddChannelComboItem(HWND combo, const tagGS* gs, uint32_t slot) {
    if (!gs || slot >= static_cast<uint32_t>(kMaxChannels)) return -1;
    char text[64];
    std::snprintf(text, sizeof text, "%u, %.39s", slot, gs->chanLabel[slot]);
    const LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (index >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), slot);
    return static_cast<int>(index);
}
