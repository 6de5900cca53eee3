// The device library's About box (dialog 1200): the unit's status and information, the firmware
// download and program modes, and the memory dump; with the firmware length prompt (dialog 129).
#include "devlib/acquisition/unit/unit_cmd.h"

#include "common/stAcq.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t kRememberedChars = 39;
char g_firmwareLength[kRememberedChars + 1] = "9000";

// ---- Dialog 129 ----

struct stLengthPrompt {
    char* text;
    int32_t size;
};

// The remembered length, selected for typing over.
void OnLengthInit(HWND dlg, stLengthPrompt* prompt) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(prompt));
    HandleTheDialog(dlg, IDD_FIRMWARE_LENGTH);
    SetDlgItemTextA(dlg, IDC_FIRMWARE_LENGTH, g_firmwareLength);
    SendDlgItemMessageA(dlg, IDC_FIRMWARE_LENGTH, EM_SETSEL, 0, -1);
    SetFocus(GetDlgItem(dlg, IDC_FIRMWARE_LENGTH));
}

// OK keeps the text (and remembers it); Cancel leaves the caller's buffer alone.
void OnLengthCommand(HWND dlg, int id) {
    auto* prompt = reinterpret_cast<stLengthPrompt*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (id == IDOK && prompt) {
        GetDlgItemTextA(dlg, IDC_FIRMWARE_LENGTH, prompt->text, prompt->size);
        lstrcpynA(g_firmwareLength, prompt->text, sizeof(g_firmwareLength));
        EndDialog(dlg, 1);
    } else if (id == IDCANCEL) {
        EndDialog(dlg, 0);
    }
}

INT_PTR CALLBACK LengthProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: OnLengthInit(dlg, reinterpret_cast<stLengthPrompt*>(lParam)); return FALSE;
    case WM_COMMAND: OnLengthCommand(dlg, LOWORD(wParam)); return TRUE;
    default: return FALSE;
    }
}

// ---- Dialog 1200 ----

void Beep() { MessageBeep(MB_OK); }

// "Status = %u Error code = %u" from the unit's status (the refresh button's text has three spaces).
void FillStatus(HWND dlg, bool refreshed) {
    uint8_t status[4];
    if (!g_unitLink.QueryCommand(kCmdStatus, 0, nullptr, sizeof(status), status)) {
        Beep();
        return;
    }
    char text[80];
    std::snprintf(text, sizeof(text), refreshed ? "Status = %u   Error code = %u" : "Status = %u Error code = %u",
                  static_cast<unsigned>(status[1]), static_cast<unsigned>(status[2] * 256u + status[3]));
    SetDlgItemTextA(dlg, IDC_ABOUT_STATUS, text);
}

// The unit information text; a unit that does not answer beeps.
void FillInfo(HWND dlg) {
    char info[kVK40InfoChars];
    if (!FormatUnitInfo(info, sizeof(info))) Beep();
    SetDlgItemTextA(dlg, IDC_ABOUT_INFO, info);
}

// The program mode last sent decides which of the dump and the run-firmware buttons is off.
void ShowProgramMode(HWND dlg) {
    const bool firmware = g_lastProgramMode == kProgramModeFirmware;
    EnableWindow(GetDlgItem(dlg, IDC_ABOUT_DUMP), firmware ? FALSE : TRUE);
    EnableWindow(GetDlgItem(dlg, IDC_ABOUT_FIRMWARE_MODE), firmware ? TRUE : FALSE);
}

// The box stands in the middle of the desktop.
void CentreOnDesktop(HWND dlg) {
    RECT r;
    RECT desktop;
    GetWindowRect(dlg, &r);
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    SetWindowPos(dlg, nullptr, desktop.left + (desktop.right - desktop.left - width) / 2,
                 desktop.top + (desktop.bottom - desktop.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// Texts, status, information, the option and the mode buttons; the spare control hidden.
void OnAboutInit(HWND dlg, stAcq* acq) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(acq));
    hwndGetDlg = dlg;
    HandleTheDialog(dlg, IDD_DRIVER_ABOUT);
    FillStatus(dlg, false);
    FillInfo(dlg);
    CheckDlgButton(dlg, IDC_ABOUT_AT_CONNECT, g_firmwareAtConnect ? BST_CHECKED : BST_UNCHECKED);
    ShowProgramMode(dlg);
    ShowWindow(GetDlgItem(dlg, IDC_ABOUT_SPARE), SW_HIDE);
    CentreOnDesktop(dlg);
}

// The description as edited, back to the unit in its 128-byte field.
void StoreInfo(HWND dlg) {
    char text[kStoredDescriptionBytes + 1] = {};
    GetDlgItemTextA(dlg, IDC_ABOUT_INFO, text, sizeof(text));
    uint8_t data[kStoredDescriptionBytes] = {};
    memcpy(data, text, strnlen(text, sizeof(data)));
    if (!g_unitLink.SetCommand(kCmdStoreDescription, sizeof(data), data)) Beep();
}

// Command 58; the buttons follow the mode the unit took.
void SendProgramMode(HWND dlg, uint8_t mode) {
    if (!g_unitLink.SetCommand(kCmdProgramMode, 1, &mode)) {
        Beep();
        return;
    }
    g_lastProgramMode = mode;
    ShowProgramMode(dlg);
}

// The firmware now; only a downloaded firmware can be run.
void Download(HWND dlg, stAcq* acq) {
    if (!DownloadFirmware(acq)) {
        Beep();
        return;
    }
    EnableWindow(GetDlgItem(dlg, IDC_ABOUT_FIRMWARE_MODE), TRUE);
}

// The dump of the length the user gives.
void Dump(HWND dlg, stAcq* acq) {
    char text[kRememberedChars + 1] = "";
    if (!AskFirmwareLength(text, sizeof(text))) return;
    if (!DumpUnitMemory(acq, std::atoi(text))) Beep();
    SetFocus(dlg);
}

// The About box's buttons.
void OnAboutCommand(HWND dlg, int id, unsigned code) {
    auto* acq = reinterpret_cast<stAcq*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (id) {
    case IDOK:
        FillStatus(dlg, true);
        FillInfo(dlg);
        break;
    case IDCANCEL:
        hwndGetDlg = nullptr;
        EndDialog(dlg, IDCANCEL);
        break;
    case IDC_ABOUT_STORE_INFO: StoreInfo(dlg); break;
    case IDC_ABOUT_AT_CONNECT:
        if (code == BN_CLICKED) g_firmwareAtConnect = IsDlgButtonChecked(dlg, IDC_ABOUT_AT_CONNECT) == BST_CHECKED;
        break;
    case IDC_ABOUT_DOWNLOAD: Download(dlg, acq); break;
    case IDC_ABOUT_FIRMWARE_MODE: SendProgramMode(dlg, kProgramModeFirmware); break;
    case IDC_ABOUT_NORMAL_MODE: SendProgramMode(dlg, kProgramModeNormal); break;
    case IDC_ABOUT_DUMP: Dump(dlg, acq); break;
    default: break;
    }
}

INT_PTR CALLBACK AboutProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: OnAboutInit(dlg, reinterpret_cast<stAcq*>(lParam)); return TRUE;
    case WM_COMMAND: OnAboutCommand(dlg, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

// Dialog 129: the number of bytes for a memory dump.
int32_t AskFirmwareLength(char* text, int32_t size) {
    if (!text || size < 1) return 0;
    stLengthPrompt prompt{text, size};
    const INT_PTR result = DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_FIRMWARE_LENGTH), GetActiveWindow(),
                                           LengthProc, reinterpret_cast<LPARAM>(&prompt));
    return result == 1 ? 1 : 0;
}

// The modal About box of the device menu.
int32_t ShowDriverAbout(HINSTANCE instance, HWND owner, stAcq* acq) {
    const INT_PTR result =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DRIVER_ABOUT), owner, AboutProc, reinterpret_cast<LPARAM>(acq));
    hwndGetDlg = nullptr;
    return result > 0 ? 1 : 0;
}
