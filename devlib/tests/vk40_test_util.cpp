#include "devlib/tests/vk40_test_util.h"

#include <cstring>

namespace vk40test {

namespace {

constexpr char kFrameClass[] = "VK40TestFrame";
constexpr int kScriptSlot = 31;
constexpr int kScriptObjectSlot = 33;

void RegisterFrameClass()
{
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kFrameClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    registered = true;
}

int32_t WINAPI RecordScriptCall(void* script, const char* name, int32_t flags)
{
    Recorder().scriptCalls.push_back({script, name ? name : "", flags});
    return 0;
}

void WINAPI UnexpectedHostCall()
{
    ++Recorder().unexpectedCalls;
}

}  // namespace

HWND CreateFrameWithMenu()
{
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

bool IsMenuItemChecked(HWND frame, UINT id)
{
    return (GetMenuState(GetMenu(frame), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

HWND CreatePanelWindow(HWND owner)
{
    RegisterFrameClass();
    return CreateWindowExA(0, kFrameClass, "panel", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, owner, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HWND MakePanelWithCombos(std::initializer_list<int> ids)
{
    HWND panel = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    for (int id : ids)
        CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, panel,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    return panel;
}

std::string ComboItems(HWND panel, int id)
{
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

stHostRecorder& Recorder()
{
    static stHostRecorder recorder;
    return recorder;
}

stHostCallbacks MakeRecordingHost(void* scriptObject)
{
    void* slots[kHostCallbackSlots];
    for (void*& slot : slots)
        slot = reinterpret_cast<void*>(&UnexpectedHostCall);
    slots[kScriptSlot] = reinterpret_cast<void*>(&RecordScriptCall);
    slots[kScriptObjectSlot] = scriptObject;
    stHostCallbacks host;
    memcpy(&host, slots, sizeof(host));
    return host;
}

std::unique_ptr<tagGS> MakeGraph()
{
    auto gs = std::make_unique<tagGS>();
    memset(gs.get(), 0, sizeof(tagGS));
    return gs;
}

}  // namespace vk40test
