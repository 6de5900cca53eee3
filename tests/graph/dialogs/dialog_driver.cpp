#include "tests/graph/dialogs/dialog_driver.h"
#include "controls/tests/dib32.h"
#include <cstring>

namespace {
DialogDriver* g_driver = nullptr;

// This thread's visible dialog with the caption. FindWindow would search the whole desktop and
// could answer with another test program's dialog of the same name, leaving ours unanswered.
struct CaptionSearch {
    const std::string* caption;
    HWND found;
};
BOOL CALLBACK MatchCaption(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<CaptionSearch*>(lParam);
    char cls[16] = "", title[256] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(hwnd) && *search->caption == title) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
HWND ThreadDialogWithCaption(const std::string& caption) {
    CaptionSearch search{&caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
}  // namespace

DialogDriver::DialogDriver(std::vector<Step> steps) : steps_(std::move(steps)) {
    g_driver = this;
    hook_ = SetWindowsHookExA(WH_MSGFILTER, Filter, nullptr, GetCurrentThreadId());
}

DialogDriver::DialogDriver(std::vector<Step> steps, std::string caption) : DialogDriver(std::move(steps)) {
    caption_ = std::move(caption);
}

DialogDriver::~DialogDriver() {
    if (hook_) UnhookWindowsHookEx(hook_);
    g_driver = nullptr;
}

// The dialog's own loop passes each message here; the first one after the dialog is up runs the step.
LRESULT CALLBACK DialogDriver::Filter(int code, WPARAM wParam, LPARAM lParam) {
    DialogDriver* d = g_driver;
    if (d && code == MSGF_DIALOGBOX && !d->busy_) {
        // A dialog named by its caption is found by it: activation can lag behind on a busy display.
        HWND dlg = d->caption_.empty() ? GetActiveWindow() : ThreadDialogWithCaption(d->caption_);
        char cls[16] = "";
        if (dlg && dlg != d->last_ && GetWindowThreadProcessId(dlg, nullptr) == GetCurrentThreadId() &&
            GetClassNameA(dlg, cls, sizeof cls) && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(dlg) &&
            d->Answers(dlg)) {
            d->last_ = dlg;
            d->busy_ = true;
            const size_t index = static_cast<size_t>(d->runs_++);
            if (index < d->steps_.size()) d->steps_[index](dlg);
            // A step that left its dialog open (its OK refused) would leave the test waiting.
            if (StillOpen(dlg)) {
                if (index < d->steps_.size()) ++d->leftOpen_;
                PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
            }
            d->busy_ = false;
        }
    }
    return CallNextHookEx(d ? d->hook_ : nullptr, code, wParam, lParam);
}

bool DialogDriver::Answers(HWND dlg) const {
    if (caption_.empty()) return true;
    char title[256] = "";
    GetWindowTextA(dlg, title, sizeof title);
    return caption_ == title;
}

void TypeInto(HWND dlg, int id, const std::string& text) {
    HWND edit = GetDlgItem(dlg, id);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, '\b', 0);
    for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
}

void Click(HWND dlg, int id) {
    HWND control = GetDlgItem(dlg, id);
    if (control && !IsWindowEnabled(control)) return;  // a greyed control takes no click
    if (control) {
        SendMessageA(control, BM_CLICK, 0, 0);
    } else {
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
}

void ChooseEntry(HWND dlg, int id, int index) {
    HWND combo = GetDlgItem(dlg, id);
    SetFocus(combo);  // a click on the list takes the focus from the field being typed in
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::string ItemText(HWND dlg, int id) {
    char text[256] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

bool StillOpen(HWND dlg) { return IsWindow(dlg) && IsWindowVisible(dlg); }

std::vector<uint32_t> Capture(HWND window, const RECT& r) {
    UpdateWindow(window);
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<uint32_t> pixels;
    if (w <= 0 || h <= 0) return pixels;
    void* bits = nullptr;
    HDC screen = GetDC(window);
    HBITMAP dib = CreateTopDownDib32(screen, w, h, &bits);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    pixels.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + size_t(w) * h);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(dib);
    ReleaseDC(window, screen);
    return pixels;
}

namespace {
HWND g_keyDialog = nullptr;
WPARAM g_key = 0;
int g_keyTurns = 0;
KeyPressSeen g_keySeen;
constexpr int kIdleTurnsBeforeCancel = 300;

// First turn: the key goes to the focus. Later turns only guard against a dialog left standing:
// one still shown and enabled (not behind a question of its own) after many turns is cancelled.
void CALLBACK KeyTick(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_keySeen.pressed) {
        // Tests share one desktop: a window of another program may hold the activation, and
        // with it this thread's focus. The user's keys go to the dialog in front of them: wait
        // for it to be active, and only when it stays behind bring it forward.
        if (GetActiveWindow() != g_keyDialog) {
            if (++g_keyTurns == kIdleTurnsBeforeCancel / 3) SetActiveWindow(g_keyDialog);
            if (g_keyTurns < kIdleTurnsBeforeCancel) return;
        }
        g_keyTurns = 0;
        g_keySeen.pressed = true;
        HWND focus = GetFocus();
        g_keySeen.focusInDialog = focus && IsWindowEnabled(focus) && IsChild(g_keyDialog, focus);
        if (!focus) {
            KillTimer(nullptr, id);
            PostMessageA(g_keyDialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        PostMessageA(focus, WM_KEYDOWN, g_key, 1);
        PostMessageA(focus, WM_KEYUP, g_key, 0xC0000001);
        return;
    }
    const bool standing = IsWindow(g_keyDialog) && IsWindowVisible(g_keyDialog);
    if (!standing) {
        KillTimer(nullptr, id);
    } else if (IsWindowEnabled(g_keyDialog) && ++g_keyTurns > kIdleTurnsBeforeCancel) {
        KillTimer(nullptr, id);
        PostMessageA(g_keyDialog, WM_COMMAND, IDCANCEL, 0);
    }
}
}  // namespace

void PressKeyWhenSetUp(HWND dlg, WPARAM key) {
    g_keyDialog = dlg;
    g_key = key;
    g_keySeen = KeyPressSeen{};
    g_keyTurns = 0;
    SetTimer(nullptr, 0, 10, KeyTick);
}

KeyPressSeen LastKeyPress() { return g_keySeen; }
