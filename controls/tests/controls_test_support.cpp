// Test support: stands in for the program around the controls library. Fills the application
// record (with fonts made for the tests) and the notification table, whose measurement-box entries
// are fakes that record their calls.
#include "controls/tests/controls_test_support.h"

#include <shellapi.h>

#include <cstdlib>
#include <map>

#include "base/app.h"
#include "base/lesson.h"
#include "base/notify.h"
#include "common/tagGS.h"
#include "controls/popup_button.h"

namespace testsupport {
namespace {

FakeLog g_fakes;

// ---- The measurement box behind a popup button (fakes) ----
int FakeShowCalculationDialog(stMeasure* box, HWND popup) {
    g_fakes.calcCalls.emplace_back(box, popup);
    return g_fakes.calcResult;
}
void FakeFormatMeasurementResult(stMeasure* box) { g_fakes.formatCalls.push_back(box); }
tagGS* FakeGetMeasurementDocument(stMeasure*) { return g_fakes.document; }
void FakeSetMeasurementCaptions(tagGS* gs) { g_fakes.captionCalls.push_back(gs); }
std::vector<tagGS*> g_documents;
std::map<HWND, std::vector<MSG>> g_parentCommands;
constexpr char kParentClass[] = "ControlsTestParent";

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) {
        MSG m{};
        m.hwnd = hwnd;
        m.message = msg;
        m.wParam = wParam;
        m.lParam = lParam;
        g_parentCommands[hwnd].push_back(m);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Builds the application record once, before any test runs.
struct TestApp {
    TestApp() {
        g_app = static_cast<stApp*>(std::calloc(1, sizeof(stApp)));
        g_app->hInstance = GetModuleHandleA(nullptr);
        g_app->fonts.hfontText = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                             CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, "Arial");
        HDC screen = GetDC(nullptr);
        HGDIOBJ old = SelectObject(screen, g_app->fonts.hfontText);
        TEXTMETRICA tm{};
        GetTextMetricsA(screen, &tm);
        SelectObject(screen, old);
        ReleaseDC(nullptr, screen);
        g_app->fonts.cxText = tm.tmAveCharWidth;
        g_app->fonts.cyText = tm.tmHeight + tm.tmExternalLeading;
        g_app->brushes.hbrFace = CreateSolidBrush(kFaceColor);
        static const WORD kCheckBits[8] = {0xFF, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0xFF};
        g_app->bitmaps.hbmCheck = CreateBitmap(8, 8, 1, 1, kCheckBits);

        WNDCLASSA wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = g_app->hInstance;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kParentClass;
        RegisterClassA(&wc);
        RegisterPopupButtonClass(g_app->hInstance);
        ResetFakes();
    }
    ~TestApp() {
        for (tagGS* gs : g_documents) std::free(gs);
    }
};
TestApp g_testApp;

}  // namespace

FakeLog& Fakes() { return g_fakes; }

void ResetFakes() {
    g_fakes = FakeLog{};
    ResetNotifications();
    g_measureCalls.showCalculationDialog = FakeShowCalculationDialog;
    g_measureCalls.formatMeasurementResult = FakeFormatMeasurementResult;
    g_measureCalls.getMeasurementDocument = FakeGetMeasurementDocument;
    g_measureCalls.setMeasurementCaptions = FakeSetMeasurementCaptions;
    for (uint16_t& p : g_script.permissions) p = 1;
    g_script.lessonFolder = nullptr;
}

tagGS* NewDocument() {
    auto* gs = static_cast<tagGS*>(std::calloc(1, sizeof(tagGS)));
    g_documents.push_back(gs);
    return gs;
}

TestParent::TestParent(int width, int height) {
    m_hwnd = CreateWindowExA(0, kParentClass, "Controls test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, width,
                             height, nullptr, nullptr, g_app->hInstance, nullptr);
    g_parentCommands[m_hwnd].clear();
    UpdateWindow(m_hwnd);
}

TestParent::~TestParent() {
    g_parentCommands.erase(m_hwnd);
    DestroyWindow(m_hwnd);
}

const std::vector<MSG>& TestParent::Commands() const { return g_parentCommands[m_hwnd]; }

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

TempFolder::TempFolder() {
    static int s_serial;
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    m_path = std::string(base) + "kymora_controls_" + std::to_string(GetCurrentProcessId()) + "_" +
             std::to_string(++s_serial);
    CreateDirectoryA(m_path.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    // SHFileOperation wants a double-terminated list.
    std::string from = m_path;
    from.push_back('\0');
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
}

bool TempFolder::MakeDirs(const std::string& relative) const {
    std::string path = m_path;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('\\', start);
        if (end == std::string::npos) end = relative.size();
        path += "\\" + relative.substr(start, end - start);
        if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
        start = end + 1;
    }
    return true;
}

bool TempFolder::WriteFile(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    HANDLE file =
        CreateFileA(Sub(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string CurrentDirectory() {
    char path[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, path);
    return path;
}

}  // namespace testsupport
