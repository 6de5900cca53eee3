// The About box (product, version, mains frequency, the unit) and the System Information dialog
// (Windows, owner, processor, memory).
#include "shell/about_dialogs.h"
#include "shell/help.h"
#include "shell/system_dialogs.h"
#include "base/app.h"
#include "base/services.h"
#include "shell/shell_ids.h"
#include "base/system_queries.h"
#include "controls/window_center.h"
#include "devlib/vk40.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kTextChars = 256;
constexpr uint32_t kDefaultLineHz = 60;
constexpr DWORD kPlatformWindows = 1, kPlatformNT = 2;
constexpr WORD kSuiteEnterprise = 0x2, kSuitePersonal = 0x200;
constexpr BYTE kWorkstation = 1, kServer = 3;

char g_localizationKey[MAX_PATH] = "Software\\Norvane\\Localization";

struct stAboutState {
    HBITMAP unitPicture;
};

// One text value into a 256-character buffer; left empty when it cannot be read.
void ReadValueText(HKEY key, const char* name, char* out) {
    out[0] = 0;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0 || size > kTextChars)
        return;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS) size = 0;
    out[size < static_cast<DWORD>(kTextChars) ? size : kTextChars - 1] = 0;
}

void ReadPair(HKEY root, const char* path, const char* first, const char* second, char* a, char* b) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    ReadValueText(key, first, a);
    ReadValueText(key, second, b);
    RegCloseKey(key);
}

// "Norvane Tessaly" and the registered sign after it, painted one after the other.
void PaintProductName(HWND dlg) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    SetBkMode(dc, TRANSPARENT);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    HFONT big = CreateFontA(-MulDiv(16, dpi, kPointsPerInch), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0x12,
                            "Times New Roman");
    HFONT small = CreateFontA(-MulDiv(11, dpi, kPointsPerInch), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0x12,
                              "Times New Roman");
    const int x = LOWORD(GetDialogBaseUnits()) * 28 / 4;  // seven base units
    MoveToEx(dc, x, 9, nullptr);
    SetTextAlign(dc, TA_UPDATECP);
    HGDIOBJ old = SelectObject(dc, big);
    TextOutA(dc, 0, 0, "Norvane ", 8);
    TextOutA(dc, 0, 0, "Tessaly", 7);
    SelectObject(dc, small);
    const char mark = static_cast<char>(0xAE);
    TextOutA(dc, 0, 0, &mark, 1);
    SelectObject(dc, old);
    EndPaint(dlg, &ps);
    DeleteObject(big);
    DeleteObject(small);
}

// A multi-line edit breaks lines only at "\r\n": the unit's lines may end in a lone "\r" or "\n".
std::string WithEditLineBreaks(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\r' || *p == '\n') {
            out += "\r\n";
            if (*p == '\r' && p[1] == '\n') ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

// The unit picture's room, in dialog units: left of the labels' column (80) and above the unit's
// box (72), each with a gap of 4.
constexpr RECT kPictureRoomDlu = {8, 26, 76, 68};

// The newer unit's picture, shrunk (its shape kept) to fit its room, so that it covers no label
// whatever the dialog font makes of the room.
HBITMAP LoadUnitPicture(HWND dlg) {
    HBITMAP picture = LoadBitmapA(g_app->hInstance, MAKEINTRESOURCEA(IDB_ABOUT_VK45));
    BITMAP size{};
    if (!picture || !GetObjectA(picture, sizeof size, &size) || size.bmWidth <= 0 || size.bmHeight <= 0)
        return picture;
    RECT room = kPictureRoomDlu;
    MapDialogRect(dlg, &room);
    const double scale = std::min({1.0, double(room.right - room.left) / size.bmWidth,
                                   double(room.bottom - room.top) / size.bmHeight});
    if (scale >= 1.0) return picture;
    const int width = std::max(1, static_cast<int>(size.bmWidth * scale));
    const int height = std::max(1, static_cast<int>(size.bmHeight * scale));
    HANDLE fitted = CopyImage(picture, IMAGE_BITMAP, width, height, LR_COPYDELETEORG);
    return fitted ? static_cast<HBITMAP>(fitted) : picture;
}

void InitAbout(HWND dlg, stAboutState* state) {
    HandleTheDialog(dlg, IDD_PROGRAM_ABOUT);
    if (CVKDevice::GetDeviceNum() == 45) {
        state->unitPicture = LoadUnitPicture(dlg);
        HWND picture = GetDlgItem(dlg, IDC_PA_PICTURE);
        if (state->unitPicture && picture) {
            SetWindowLongPtrA(picture, GWL_STYLE, (GetWindowLongPtrA(picture, GWL_STYLE) & ~SS_TYPEMASK) | SS_BITMAP);
            SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(state->unitPicture));
        }
    }
    CenterWindowOnScreen(dlg);
    char text[kVK40InfoChars];
    std::snprintf(text, sizeof text, "%2uHz", static_cast<unsigned>(QueryLineFrequencyHz()));
    SetDlgItemTextA(dlg, IDC_PA_LINE_FREQUENCY, text);
    text[0] = 0;
    GetVK40Info(text);
    SetDlgItemTextA(dlg, IDC_PA_UNIT_INFO, WithEditLineBreaks(text).c_str());
    CVersionInfo version;
    version.Query(nullptr);
    SetDlgItemTextA(dlg, IDC_PA_FILE_VERSION, version.Get(VI_FILEVERSION));
    SetDlgItemTextA(dlg, IDC_PA_SPECIAL_BUILD, version.Get(VI_SPECIALBUILD));
}

INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<stAboutState*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        InitAbout(dlg, reinterpret_cast<stAboutState*>(lParam));
        // The focus on OK: the unit's information would come up all selected.
        SetFocus(GetDlgItem(dlg, IDOK));
        return FALSE;
    case WM_SHOWWINDOW: HandleShowMessage(dlg, IDD_PROGRAM_ABOUT); return FALSE;
    case WM_PAINT: PaintProductName(dlg); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dlg, 1);
        if (LOWORD(wParam) == IDC_PA_SYSTEM_INFO) ShowSystemInfoDialog(dlg);
        return TRUE;
    case WM_DESTROY:
        if (state && state->unitPicture) DeleteObject(state->unitPicture);
        return FALSE;
    }
    return FALSE;
}

void InitSystemInfo(HWND dlg) {
    char text[kTextChars] = "";
    DWORD platform = 0;
    if (GetWindowsVersionName(text, sizeof text, &platform)) SetDlgItemTextA(dlg, IDC_SI_WINDOWS, text);
    if (GetWindowsBuildText(text, sizeof text)) SetDlgItemTextA(dlg, IDC_SI_BUILD, text);
    char owner[kTextChars] = "", organisation[kTextChars] = "";
    ReadRegisteredOwner(HKEY_LOCAL_MACHINE, kProductKey, platform, owner, organisation);
    std::snprintf(text, sizeof text, "%s\r\n%s", owner, organisation);
    SetDlgItemTextA(dlg, IDC_SI_OWNER, text);
    AwaitProcessorInfo();
    const int useBrand = g_cpu.nCpuVendor == kCpuVendorAmd && g_cpu.szCpuBrand[0] ? 1 : 0;
    GetProcessorName(text, sizeof text, g_cpu.nCpuType, g_cpu.nCpuModel, useBrand, g_cpu.szCpuBrand);
    SetDlgItemTextA(dlg, IDC_SI_PROCESSOR, text);
    if (g_cpu.nCpuMHz)
        std::snprintf(text, sizeof text, "%lu MHz", static_cast<unsigned long>(g_cpu.nCpuMHz));
    else
        lstrcpyA(text, "Unknown");
    SetDlgItemTextA(dlg, IDC_SI_CLOCK, text);
    SetDlgItemTextA(dlg, IDC_SI_VENDOR, g_cpu.szCpuVendor[0] ? g_cpu.szCpuVendor : "Unknown");
    // The extended status: the plain one stops at 4 GB.
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatusEx(&memory);
    std::snprintf(text, sizeof text, "%llu K", static_cast<unsigned long long>(memory.ullAvailPhys / 1024));
    SetDlgItemTextA(dlg, IDC_SI_MEMORY, text);
    HandleTheDialog(dlg, IDD_SYSTEM_INFO);
}

INT_PTR CALLBACK SystemInfoProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) {
        InitSystemInfo(dlg);
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dlg, 1);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void ShowAboutDialog(HWND owner) {
    stAboutState state{};
    DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_PROGRAM_ABOUT), owner, AboutProc,
                    reinterpret_cast<LPARAM>(&state));
}

void ShowSystemInfoDialog(HWND owner) {
    DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_SYSTEM_INFO), owner, SystemInfoProc, 0);
}

void SetLocalizationKey(const char* key) { lstrcpynA(g_localizationKey, key, sizeof g_localizationKey); }

uint32_t QueryLineFrequencyHz() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, g_localizationKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return kDefaultLineHz;
    DWORD value = 0, type = 0, size = sizeof value;
    const LONG result =
        RegQueryValueExA(key, "LineFrequencyHz", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? value : kDefaultLineHz;
}

int WindowsVersionName(const OSVERSIONINFOEXA& v, int extended, char* out, size_t size) {
    std::string name;
    if (v.dwPlatformId == kPlatformWindows) {
        const char sp = v.szCSDVersion[0] ? v.szCSDVersion[1] : 0;
        if (v.dwMinorVersion == 0)
            name = std::string("Microsoft Windows 95") + (sp == 'C' || sp == 'B' ? " OSR2" : "");
        else if (v.dwMinorVersion == 10)
            name = std::string("Microsoft Windows 98") + (sp == 'A' ? " SE" : "");
        else if (v.dwMinorVersion == 90)
            name = "Microsoft Windows Me";
        else
            return 0;
    } else if (v.dwPlatformId == kPlatformNT) {
        if (v.dwMajorVersion < 5)
            name = "Microsoft Windows NT";
        else if (v.dwMajorVersion == 5 && v.dwMinorVersion <= 2)
            name = v.dwMinorVersion == 0 ? "Microsoft Windows 2000" : v.dwMinorVersion == 1 ? "Microsoft Windows XP"
                                                                                            : "Microsoft Windows .NET";
        else
            return 0;
        if (extended && v.wProductType == kServer) {
            name += (v.wSuiteMask & kSuiteEnterprise) ? (v.dwMinorVersion ? " Enterprise Server" : " Advanced Server")
                                                      : " Server";
        } else if (extended && v.wProductType == kWorkstation) {
            name += (v.wSuiteMask & kSuitePersonal) ? " Home Edition" : " Professional";
        }
    } else {
        return 0;
    }
    lstrcpynA(out, name.c_str(), static_cast<int>(size));
    return 1;
}

int WindowsBuildText(const OSVERSIONINFOEXA& v, char* out, size_t size) {
    if (v.dwPlatformId == kPlatformWindows) {
        std::snprintf(out, size, "%01lu.%02lu.%4lu", v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber & 0xFFFF);
        return 1;
    }
    if (v.dwPlatformId != kPlatformNT) return 0;
    std::snprintf(out, size, "%lu%s%s", v.dwBuildNumber, v.szCSDVersion[0] ? " " : "", v.szCSDVersion);
    return 1;
}

// The extended record first; a system without it answers the plain one.
static int ReadVersion(OSVERSIONINFOEXA* v) {
    *v = OSVERSIONINFOEXA{};
    v->dwOSVersionInfoSize = sizeof *v;
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(v))) return 2;
    v->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    return GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(v)) ? 1 : 0;
}

int GetWindowsVersionName(char* out, size_t size, DWORD* platform) {
    OSVERSIONINFOEXA v;
    const int read = ReadVersion(&v);
    if (platform) *platform = v.dwPlatformId;
    return read ? WindowsVersionName(v, read == 2, out, size) : 0;
}

int GetWindowsBuildText(char* out, size_t size) {
    OSVERSIONINFOEXA v;
    return ReadVersion(&v) ? WindowsBuildText(v, out, size) : 0;
}

void ReadRegisteredOwner(HKEY productRoot, const char* productKey, DWORD platform, char* owner, char* organisation) {
    owner[0] = organisation[0] = 0;
    ReadPair(productRoot, productKey, "Name", "Company", owner, organisation);
    if (owner[0] && organisation[0]) return;
    char path[kTextChars];
    std::snprintf(path, sizeof path, "%s%s%s", "SOFTWARE\\Microsoft", platform == kPlatformNT ? "\\Windows NT" : "\\Windows",
                  "\\CurrentVersion");
    owner[0] = organisation[0] = 0;
    ReadPair(HKEY_LOCAL_MACHINE, path, "RegisteredOwner", "RegisteredOrganization", owner, organisation);
}
