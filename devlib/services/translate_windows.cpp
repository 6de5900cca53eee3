// Re-labels the library's open windows from the keyed tables, as after a change of language.
#include "devlib/vk40.h"

#include <windows.h>

#include <cstdio>

#include "devlib/acquisition/device.h"
#include "common/stAcq.h"
#include "devlib/services/binding.h"

namespace {

void AddKeyedItem(HWND dlg, int combo, const char* key)
{
    const char* text = getMsgBoxText(key);
    SendDlgItemMessageA(dlg, combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : key));
}

// The format's text with one number in it; the key itself when the tables have no text.
void AddKeyedNumberItem(HWND dlg, int combo, const char* key, int number)
{
    const char* format = getMsgBoxText(key);
    char text[128];
    std::snprintf(text, sizeof text, format ? format : key, number);
    SendDlgItemMessageA(dlg, combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void TranslateAcquisitionSetup(HWND dlg)
{
    static const struct {
        int combo;
        const char* keys[5];
    } lists[] = {
        {1018, {"Record", "Record Last"}},
        {1019, {"Save Once", "Autosave File", "Append"}},
        {601, {"Hard Disk", "PC Memory"}},
        {633, {"samples", "msec", "seconds", "minutes", "hours"}},
        {605, {"seconds", "minutes", "hours"}},
        {606, {"for", "forever"}},
    };
    for (const auto& list : lists) {
        for (const char* key : list.keys) {
            if (key)
                AddKeyedItem(dlg, list.combo, key);
        }
    }
    HandleTheDialog(dlg, 600);
}

void TranslateTriggerSetup(HWND dlg)
{
    AddKeyedItem(dlg, 621, "Off");
    if (g_unitModel == kModelVK45) {
        for (int ch = 1; ch <= 4; ++ch)
            AddKeyedNumberItem(dlg, 621, "CH %d", ch);
        AddKeyedItem(dlg, 621, "Trigger");
    } else {
        AddKeyedNumberItem(dlg, 621, "CH %d", 4);
    }
    AddKeyedItem(dlg, 622, "Neg Edge");
    AddKeyedItem(dlg, 622, "Pos Edge");
    HandleTheDialog(dlg, 1213);
}

}  // namespace

void TranslateDLLWindows()
{
    AcqLock acq(g_lib.hAcq);
    if (!acq)
        return;
    if (IsWindow(acq->hwndChannelSetup))
        HandleTheDialog(acq->hwndChannelSetup, 400);
    if (IsWindow(acq->hwndAcqSetup))
        TranslateAcquisitionSetup(acq->hwndAcqSetup);
    if (IsWindow(acq->hwndTrigger))
        TranslateTriggerSetup(acq->hwndTrigger);
    if (IsWindow(acq->run.hwndInputValues))
        HandleTheDialog(acq->run.hwndInputValues, 1218);
    if (IsWindow(acq->hwndElectrodeCheck))
        HandleTheDialog(acq->hwndElectrodeCheck, g_unitModel == kModelVK45 ? 183 : 128);
}
