// Re-labels the library's open windows from the keyed tables, as after a change of language.
#include "devlib/vk40.h"

#include <windows.h>

#include <string>

#include "devlib/resource.h"
#include "devlib/acquisition/device.h"
#include "common/stAcq.h"
#include "devlib/services/binding.h"
#include "devlib/services/panels.h"

namespace {

void AddKeyedItem(HWND dlg, int combo, const char* key) {
    const char* text = getMsgBoxText(key);
    SendDlgItemMessageA(dlg, combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : key));
}

// The key's text with the number in place of its first "%d" (after the text when it has none);
// the key itself when the tables have no text. A translated text is never a format: whatever
// else it holds is copied as it is.
std::string KeyedNumberText(const char* key, int number) {
    const char* looked = getMsgBoxText(key);
    const std::string text = looked ? looked : key;
    const std::string digits = std::to_string(number);
    const size_t at = text.find("%d");
    if (at == std::string::npos) return text + " " + digits;
    return text.substr(0, at) + digits + text.substr(at + 2);
}

void AddKeyedNumberItem(HWND dlg, int combo, const char* key, int number) {
    const std::string text = KeyedNumberText(key, number);
    SendDlgItemMessageA(dlg, combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TranslateAcquisitionSetup(HWND dlg) {
    static const struct {
        int combo;
        const char* keys[5];
    } lists[] = {
        {IDC_REPEAT_MODE, {"Record", "Record Last"}},
        {IDC_DATA_MODE, {"Save Once", "Autosave File", "Append"}},
        {IDC_STORAGE, {"Hard Disk", "PC Memory"}},
        {IDC_LENGTH_UNIT, {"samples", "msec", "seconds", "minutes", "hours"}},
        {IDC_RESTART_INTERVAL_UNIT, {"seconds", "minutes", "hours"}},
        {IDC_RESTART_COUNT_KIND, {"for", "forever"}},
    };
    for (const auto& list : lists) {
        for (const char* key : list.keys) {
            if (key) AddKeyedItem(dlg, list.combo, key);
        }
    }
    HandleTheDialog(dlg, IDD_ACQUISITION_SETUP);
}

void TranslateTriggerSetup(HWND dlg) {
    AddKeyedItem(dlg, IDC_TRIGGER_SOURCE, "Off");
    if (g_unitModel == kModelVK45) {
        for (int ch = 1; ch <= 4; ++ch) AddKeyedNumberItem(dlg, IDC_TRIGGER_SOURCE, "CH %d", ch);
        AddKeyedItem(dlg, IDC_TRIGGER_SOURCE, "Trigger");
    } else {
        AddKeyedNumberItem(dlg, IDC_TRIGGER_SOURCE, "CH %d", 4);
    }
    AddKeyedItem(dlg, IDC_TRIGGER_SLOPE, "Neg Edge");
    AddKeyedItem(dlg, IDC_TRIGGER_SLOPE, "Pos Edge");
    HandleTheDialog(dlg, IDD_TRIGGER_SETUP);
}

}  // namespace

void TranslateDLLWindows() {
    AcqLock acq(g_lib.hAcq);
    if (!acq) return;
    if (IsWindow(acq->hwndChannelSetup)) HandleTheDialog(acq->hwndChannelSetup, IDD_CHANNEL_SETUP);
    if (IsWindow(acq->hwndAcqSetup)) TranslateAcquisitionSetup(acq->hwndAcqSetup);
    if (IsWindow(acq->hwndTrigger)) TranslateTriggerSetup(acq->hwndTrigger);
    if (IsWindow(acq->run.hwndInputValues)) {
        HandleTheDialog(acq->run.hwndInputValues, IDD_INPUT_VALUES);
        RelayoutInputValues(acq.get());  // the font and the columns follow the new texts
    }
    if (IsWindow(acq->hwndElectrodeCheck)) {
        HandleTheDialog(acq->hwndElectrodeCheck, IsVK40() ? IDD_ELECTRODE_CHECK_VK40 : IDD_ELECTRODE_CHECK);
        RetitleElectrodeChecker(acq->hwndElectrodeCheck);  // its title tells whether a reading came
    }
}
