// The device preferences and the autosave file name: two small modal dialogs over the record.
#include "devlib/acquisition/setup/prefs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/stAcq.h"
#include "devlib/acquisition/setup/acq_setup.h"
#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/outputs/manual_control.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

namespace {

constexpr int32_t kTypedChars = 256;
constexpr int32_t kCountsAtZero = 16383;

// The caption names the connected model ("VK40 Preferences").
void OnPreferencesInit(HWND dlg, const stAcq* acq) {
    HandleTheDialog(dlg, IDD_DEVICE_PREFERENCES);
    char caption[64];
    wsprintfA(caption, "VK%d Preferences", PrintedModel(g_unitModel) ? PrintedModel(g_unitModel) : 40);
    SetWindowTextA(dlg, caption);
    CheckDlgButton(dlg, IDC_PREF_FROM_ZERO, acq->firstAnalogNumber == 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_PREF_WARN_OVERWRITE, acq->warnOnOverwrite ? BST_CHECKED : BST_UNCHECKED);
}

// OK stores both settings and refreshes the windows that show them; Cancel leaves the record alone.
INT_PTR CALLBACK PreferencesProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        AcqLock acq(reinterpret_cast<HGLOBAL>(lParam));
        if (acq) OnPreferencesInit(dlg, acq.get());
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (id == IDOK) {
        AcqLock acq(reinterpret_cast<HGLOBAL>(GetWindowLongPtrA(dlg, DWLP_USER)));
        if (acq) {
            acq->firstAnalogNumber = IsDlgButtonChecked(dlg, IDC_PREF_FROM_ZERO) == BST_CHECKED ? 0 : 1;
            acq->warnOnOverwrite = IsDlgButtonChecked(dlg, IDC_PREF_WARN_OVERWRITE) == BST_CHECKED ? 1 : 0;
            RefreshChannelSetup(acq->hwndChannelSetup, acq.get());
            RefreshAcquisitionSetup(acq->hwndAcqSetup, acq.get());
        }
        EndDialog(dlg, 1);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

// OK stores the normalised name and numbering starts again; Cancel leaves the record alone.
INT_PTR CALLBACK AutosaveNameProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        HandleTheDialog(dlg, IDD_AUTOSAVE_NAME);
        const auto* acq = reinterpret_cast<const stAcq*>(lParam);
        char name[sizeof acq->autosaveName + 1] = "";
        memcpy(name, acq->autosaveName, sizeof acq->autosaveName);
        SetDlgItemTextA(dlg, IDC_AUTOSAVE_NAME, name);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (id == IDOK) {
        auto* acq = reinterpret_cast<stAcq*>(GetWindowLongPtrA(dlg, DWLP_USER));
        char typed[kTypedChars + 1] = "";
        GetDlgItemTextA(dlg, IDC_AUTOSAVE_NAME, typed, sizeof typed);
        NormaliseAutosaveName(typed, acq->autosaveName, sizeof acq->autosaveName);
        acq->autosaveNumber = 0;
        EndDialog(dlg, 1);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

// Autosaved files add a four-digit number, so the base is cut to four characters of a bare name.
void NormaliseAutosaveName(const char* typed, char* out, int32_t size) {
    if (!out || size < 1) return;
    char name[kTypedChars + 1] = "";
    const char* start = typed ? typed : "";
    for (const char* p = start; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/' || *p == ':') start = p + 1;
    lstrcpynA(name, start, sizeof name);
    if (char* dot = std::strrchr(name, '.')) *dot = '\0';
    CharUpperA(name);
    int32_t length = kAutosaveNameChars;
    for (int32_t i = 0; i < kAutosaveNameChars && name[i]; ++i)
        if (IsDBCSLeadByte(static_cast<BYTE>(name[i]))) ++length;
    length = std::min(length, size - 1);
    int32_t i = 0;
    for (; i < length && name[i]; ++i) out[i] = name[i];
    for (; i < length; ++i) out[i] = '_';
    out[length] = '\0';
}

// Dialog 2112 over the locked record.
int32_t ShowAutosaveNameDialog(HWND owner, stAcq* acq) {
    if (!acq) return 0;
    return DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_AUTOSAVE_NAME), owner, AutosaveNameProc,
                           reinterpret_cast<LPARAM>(acq)) == 1
               ? 1
               : 0;
}

// Dialog 1000; the record is locked only while OK stores.
int32_t ShowDevicePreferences(HWND owner, HGLOBAL hAcq) {
    if (!hAcq) return 0;
    return DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_DEVICE_PREFERENCES), owner, PreferencesProc,
                           reinterpret_cast<LPARAM>(hAcq)) == 1
               ? 1
               : 0;
}

int32_t ManualOutputCounts(double volts) {
    return static_cast<int32_t>(std::trunc(volts * kManualCountsPerVolt)) - kCountsAtZero;
}

// The level goes to the unit through the Manual Control panel; a panel not made yet shows it
// when it is made, and the level is sent without it.
int32_t SetManualOutputVolts(stAcq* acq, int32_t queryOnly, double volts, int32_t* counts) {
    const int32_t value = ManualOutputCounts(volts);
    if (counts) *counts = value;
    if (queryOnly || !acq) return 0;
    acq->manualValue = value;
    if (IsWindow(acq->hwndManualControl)) return ApplyManualControlValue(acq->hwndManualControl, acq);
    return SetManualOutputLevel(acq, nullptr, value, nullptr, 0);
}
