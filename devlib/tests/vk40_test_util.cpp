#include "devlib/tests/vk40_test_util.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "devlib/acquisition/unit/driver_choice.h"

// Wine also tells a thread's CBT hook of windows that other programs activate: only this
// thread's own windows are the test's.
static bool OwnThreadWindow(HWND window) { return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId(); }

namespace vk40test {

namespace {

constexpr char kFrameClass[] = "VK40TestFrame";
constexpr int kScriptSlot = 31;
constexpr int kScriptObjectSlot = 33;
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr UINT kDriverPollMs = 10;

CBoxCapture* g_capture = nullptr;
HHOOK g_captureHook = nullptr;
CModalDriver* g_driver = nullptr;

bool IsDialogWindow(HWND window) {
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    return lstrcmpA(cls, "#32770") == 0;
}

LRESULT CALLBACK CaptureBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && g_capture && OwnThreadWindow(reinterpret_cast<HWND>(wParam))) {
        HWND box = reinterpret_cast<HWND>(wParam);
        auto& seen = g_capture->seen;
        if (IsDialogWindow(box) && GetDlgItem(box, kMessageBoxTextId) &&
            std::find(seen.begin(), seen.end(), box) == seen.end()) {
            seen.push_back(box);
            char caption[256] = "", text[1024] = "";
            GetWindowTextA(box, caption, sizeof caption);
            GetDlgItemTextA(box, kMessageBoxTextId, text, sizeof text);
            g_capture->boxes.push_back({caption, text});
            PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(g_capture->answer), 0);
        }
    }
    return CallNextHookEx(g_captureHook, code, wParam, lParam);
}

struct stDialogSearch {
    int controlId;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<stDialogSearch*>(param);
    if (IsWindowVisible(window) && IsDialogWindow(window) && GetDlgItem(window, search->controlId)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

void RegisterFrameClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kFrameClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    registered = true;
}

int32_t WINAPI RecordScriptCall(void* script, const char* name, int32_t flags) {
    Recorder().scriptCalls.push_back({script, name ? name : "", flags});
    return 0;
}

void WINAPI UnexpectedHostCall() { ++Recorder().unexpectedCalls; }

}  // namespace

HWND CreateFrameWithMenu() {
    RegisterFrameClass();
    HMENU bar = CreateMenu();
    HMENU device = CreatePopupMenu();
    AppendMenuA(device, MF_STRING, IDM_ELECTRODE, "&Electrode Checker");
    AppendMenuA(device, MF_STRING, IDM_AUTOPLOT, "Auto&Plotting\tCtrl+T");
    AppendMenuA(device, MF_STRING, IDM_AUTOSCROLL, "&Scrolling");
    AppendMenuA(device, MF_STRING, IDM_WARNINGONOVERWRITE, "&Warn On Overwrite");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(device), "&VK40");
    return CreateWindowExA(0, kFrameClass, "VK40 test frame", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, bar,
                           GetModuleHandleA(nullptr), nullptr);
}

bool IsMenuItemChecked(HWND frame, UINT id) {
    return (GetMenuState(GetMenu(frame), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

HWND CreatePanelWindow(HWND owner) {
    RegisterFrameClass();
    return CreateWindowExA(0, kFrameClass, "panel", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, owner, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HWND MakePanelWithCombos(std::initializer_list<int> ids) {
    HWND panel = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    for (int id : ids)
        CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, panel,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    return panel;
}

std::string ComboItems(HWND panel, int id) {
    std::string all;
    const LRESULT n = SendDlgItemMessageA(panel, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[128] = "";
        SendDlgItemMessageA(panel, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        all += all.empty() ? "" : "|";
        all += text;
    }
    return all;
}

stHostRecorder& Recorder() {
    static stHostRecorder recorder;
    return recorder;
}

stHostCallbacks MakeRecordingHost(void* scriptObject) {
    void* slots[kHostCallbackSlots];
    for (void*& slot : slots) slot = reinterpret_cast<void*>(&UnexpectedHostCall);
    slots[kScriptSlot] = reinterpret_cast<void*>(&RecordScriptCall);
    slots[kScriptObjectSlot] = scriptObject;
    stHostCallbacks host;
    memcpy(&host, slots, sizeof(host));
    return host;
}

std::unique_ptr<tagGS> MakeGraph() {
    auto gs = std::make_unique<tagGS>();
    memset(gs.get(), 0, sizeof(tagGS));
    return gs;
}

CBoxCapture::CBoxCapture() {
    g_capture = this;
    g_captureHook = SetWindowsHookExA(WH_CBT, CaptureBoxes, nullptr, GetCurrentThreadId());
}

CBoxCapture::~CBoxCapture() {
    UnhookWindowsHookEx(g_captureHook);
    g_captureHook = nullptr;
    g_capture = nullptr;
}

HWND FindThreadDialog(int controlId) {
    stDialogSearch search{controlId, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

CModalDriver::CModalDriver(int controlId, std::function<void(HWND)> steps)
    : m_controlId(controlId), m_steps(std::move(steps)) {
    g_driver = this;
    m_timer = SetTimer(nullptr, 0, kDriverPollMs, Tick);
}

CModalDriver::~CModalDriver() {
    if (m_timer) KillTimer(nullptr, m_timer);
    g_driver = nullptr;
}

void CALLBACK CModalDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    CModalDriver* self = g_driver;
    if (!self || self->ran) return;
    HWND dlg = FindThreadDialog(self->m_controlId);
    if (!dlg) return;
    KillTimer(nullptr, self->m_timer);
    self->m_timer = 0;
    self->ran = true;
    self->m_steps(dlg);
    if (IsWindow(dlg) && IsWindowVisible(dlg)) {
        self->leftOpen = true;
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    }
}

std::string ControlText(HWND dlg, int id) {
    char text[512] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

void Click(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

}  // namespace vk40test

namespace vk40test {

bool WriteSimulatedUnitSettings(const std::string& keyPath, const char* driverName, uint32_t transport) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD type = transport, simulated = 1;
    RegSetValueExA(key, "DriverName", 0, REG_SZ, reinterpret_cast<const BYTE*>(driverName),
                   static_cast<DWORD>(strlen(driverName) + 1));
    RegSetValueExA(key, "DriverType", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&type), sizeof(type));
    RegSetValueExA(key, kSimulatedValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&simulated), sizeof(simulated));
    RegCloseKey(key);
    return true;
}

}  // namespace vk40test
