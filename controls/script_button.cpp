// A push button that a lesson script places on a graph window, with an optional bitmap face.
#include "controls/script_button.h"

#include <cstring>

#include "base/app.h"
#include "base/lesson.h"
#include "controls/dib_file.h"
#include "controls/short_string.h"

namespace {

// Restores the process's current directory on every path.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard() {
        const DWORD length = GetCurrentDirectoryA(MAX_PATH, m_path);
        m_saved = length > 0 && length < MAX_PATH;
    }
    ~CurrentDirectoryGuard() {
        if (m_saved) SetCurrentDirectoryA(m_path);
    }
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;
    bool Saved() const { return m_saved; }

private:
    char m_path[MAX_PATH] = "";
    bool m_saved;
};

// Program folder, "Lessons", the current lesson, "Buttons": every step must exist.
bool EnterLessonButtonsFolder() {
    if (!g_app || !g_script.lessonFolder) return false;
    return SetCurrentDirectoryA(g_app->szAppFolder) && SetCurrentDirectoryA("Lessons") &&
           SetCurrentDirectoryA(g_script.lessonFolder->Text()) && SetCurrentDirectoryA("Buttons");
}

}  // namespace

CScriptButton::CScriptButton() : m_rect{}, m_caption{}, m_parent(nullptr), m_id(0), m_hwnd(nullptr), m_hbm(nullptr) {}

CScriptButton::~CScriptButton() {
    // The window goes first so that it never holds a deleted bitmap.
    if (m_hwnd) DestroyWindow(m_hwnd);
    if (m_hbm) DeleteObject(m_hbm);
}

int CScriptButton::Create(HWND parent, int id, const RECT* rc) {
    if (!rc) return 0;
    m_parent = parent;
    m_id = id;
    m_rect = *rc;
    if (id == 0) return 0;
    HINSTANCE instance = (g_app && g_app->hInstance) ? g_app->hInstance : GetModuleHandleA(nullptr);
    m_hwnd = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP, rc->left, rc->top,
                             rc->right - rc->left, rc->bottom - rc->top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!m_hwnd) return 0;
    SendMessageA(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return 1;
}

void CScriptButton::SetSize(int width, int height) {
    m_rect.right = m_rect.left + width;
    m_rect.bottom = m_rect.top + height;
    if (m_hwnd) MoveWindow(m_hwnd, m_rect.left, m_rect.top, width, height, TRUE);
}

void CScriptButton::MoveTo(int x, int y) {
    OffsetRect(&m_rect, x - m_rect.left, y - m_rect.top);
    if (m_hwnd)
        MoveWindow(m_hwnd, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, TRUE);
}

void CScriptButton::GetRect(RECT* out) const {
    if (out) *out = m_rect;
}

void CScriptButton::SetText(const char* text) {
    lstrcpynA(m_caption, text ? text : "", kScriptCaptionMax);
    if (m_hwnd) SetWindowTextA(m_hwnd, m_caption);
}

int CScriptButton::SetBitmap(const char* fileName) {
    if (!fileName) return 0;
    CurrentDirectoryGuard cwd;
    if (!cwd.Saved()) return 0;  // could not be put back afterwards
    std::strncpy(m_caption, fileName, kScriptCaptionMax - 1);
    m_caption[kScriptCaptionMax - 1] = 0;

    const bool inFolder = EnterLessonButtonsFolder();
    HBITMAP old = m_hbm;
    m_hbm = inFolder ? LoadDibFile(fileName) : nullptr;
    if (m_hwnd) {
        // The button takes an image only while it has BS_BITMAP, so the style goes on first and off last.
        const LONG_PTR style = GetWindowLongPtrA(m_hwnd, GWL_STYLE);
        SetWindowLongPtrA(m_hwnd, GWL_STYLE, style | BS_BITMAP);
        SendMessageA(m_hwnd, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_hbm));
        if (!m_hbm) {
            // Without a face it goes back to a plain text button.
            SetWindowLongPtrA(m_hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(BS_BITMAP));
            InvalidateRect(m_hwnd, nullptr, TRUE);
        }
    }
    // Deleted only once the button no longer shows it.
    if (old) DeleteObject(old);
    return m_hbm ? 1 : 0;
}
