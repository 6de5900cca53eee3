// The modal dialogs of the lesson statements: prompt, number prompt, text prompt, text entry,
// item chooser and lesson chooser, each in the text look or the lesson's picture look.
#include "scripts/dialogs/script_dialogs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/app.h"
#include "base/lesson.h"
#include "scripts/scripts_ids.h"
#include "controls/dib_file.h"
#include "controls/short_string.h"
#include "controls/window_center.h"
#include "devlib/vk40.h"
#include "scripts/editor/script_editor.h"
#include "scripts/engine/script_engine.h"

namespace {

constexpr int kEditChars = 255;
constexpr int kButtonGap = 15;   // between bitmap buttons
constexpr int kRowGap = 10;      // between rows of the picture layout
constexpr int kPromptTail = 40;  // below the prompt's button row

bool BitmapLook() { return g_script.lessonButtonMode != 0; }
HINSTANCE Instance() { return (g_app && g_app->hInstance) ? g_app->hInstance : GetModuleHandleA(nullptr); }

// Deletes a dialog's pictures when the dialog is gone, on every path.
class PictureSet {
public:
    PictureSet() = default;
    ~PictureSet() {
        for (HBITMAP bm : m_pictures) DeleteObject(bm);
    }
    PictureSet(const PictureSet&) = delete;
    PictureSet& operator=(const PictureSet&) = delete;
    HBITMAP Keep(HBITMAP bm) {
        if (bm) m_pictures.push_back(bm);
        return bm;
    }

private:
    std::vector<HBITMAP> m_pictures;
};

// A bitmap's size; 0 by 0 for none.
SIZE BitmapSize(HBITMAP bm) {
    BITMAP info{};
    if (!bm || !GetObjectA(bm, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

// A control's rectangle in the dialog's client coordinates.
RECT ChildRect(HWND dlg, int id) {
    RECT rc{};
    HWND child = GetDlgItem(dlg, id);
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// Gives the dialog a client area of the given size, keeping its frame.
void SetClientSize(HWND dlg, int width, int height) {
    RECT rc{0, 0, width, height};
    AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrA(dlg, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(dlg, GWL_EXSTYLE)));
    SetWindowPos(dlg, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
}

// A static control turned into a picture of the bitmap's size at (x, y); hidden without one.
void ShowPicture(HWND dlg, int id, HBITMAP bm, int x, int y) {
    HWND ctl = GetDlgItem(dlg, id);
    if (!bm) {
        ShowWindow(ctl, SW_HIDE);
        return;
    }
    SetWindowLongPtrA(ctl, GWL_STYLE, (GetWindowLongPtrA(ctl, GWL_STYLE) & ~LONG_PTR(SS_TYPEMASK)) | SS_BITMAP);
    SendMessageA(ctl, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bm));
    const SIZE size = BitmapSize(bm);
    SetWindowPos(ctl, nullptr, x, y, size.cx, size.cy, SWP_NOZORDER);
    ShowWindow(ctl, SW_SHOW);
}

// A push button that shows a picture instead of its text; its size becomes the picture's.
SIZE MakeBitmapButton(HWND dlg, int id, HBITMAP bm) {
    HWND button = GetDlgItem(dlg, id);
    if (!bm) return BitmapSize(nullptr);
    SetWindowLongPtrA(button, GWL_STYLE, GetWindowLongPtrA(button, GWL_STYLE) | BS_BITMAP);
    SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bm));
    const SIZE size = BitmapSize(bm);
    SetWindowPos(button, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    return size;
}

// Lays buttons out in one row: centred as a group, kButtonGap apart; returns the row's bottom.
int PlaceButtonRow(HWND dlg, const int* ids, int count, int clientWidth, int top) {
    int total = 0, height = 0;
    std::vector<RECT> rects;
    for (int i = 0; i < count; ++i) {
        rects.push_back(ChildRect(dlg, ids[i]));
        total += rects.back().right - rects.back().left;
        height = std::max(height, int(rects.back().bottom - rects.back().top));
    }
    total += kButtonGap * (count - 1);
    int x = (clientWidth - total) / 2;
    for (int i = 0; i < count; ++i) {
        SetWindowPos(GetDlgItem(dlg, ids[i]), nullptr, x, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        x += rects[i].right - rects[i].left + kButtonGap;
    }
    return top + height;
}

// The widest of the given buttons, in pixels.
int WidestButton(HWND dlg, const int* ids, int count) {
    int widest = 0;
    for (int i = 0; i < count; ++i) {
        const RECT rc = ChildRect(dlg, ids[i]);
        widest = std::max(widest, int(rc.right - rc.left));
    }
    return widest;
}

// Limits an edit to 255 characters, fills it, selects it all and gives it the focus.
void PrepareEdit(HWND dlg, int id, const char* text, int limit = kEditChars) {
    HWND edit = GetDlgItem(dlg, id);
    SendMessageA(edit, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
    SetWindowTextA(edit, text ? text : "");
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SetFocus(edit);
}

// The edit's text, cut to the output's size.
void CopyEditText(HWND dlg, int id, char* out, int size) {
    out[0] = 0;
    GetDlgItemTextA(dlg, id, out, size);
}

// Paints a picture stretched over the caption bar, between the frame borders.
void PaintCaptionPicture(HWND dlg, HBITMAP bm) {
    if (!bm) return;
    HDC dc = GetWindowDC(dlg);
    if (!dc) return;
    RECT rc{};
    GetWindowRect(dlg, &rc);
    const int frameX = GetSystemMetrics(SM_CXFIXEDFRAME), frameY = GetSystemMetrics(SM_CYFIXEDFRAME);
    const SIZE size = BitmapSize(bm);
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bm);
    StretchBlt(dc, frameX, 0, (rc.right - rc.left) - 2 * frameX, GetSystemMetrics(SM_CYCAPTION) + frameY, mem, 0,
               0, size.cx, size.cy, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(dlg, dc);
}

// The caption picture goes over what the system paints of the frame and the client; true when
// the message was handled here.
bool HandleCaptionPaint(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, HBITMAP bm) {
    if (!bm) return false;
    if (msg == WM_NCPAINT || msg == WM_NCACTIVATE) {
        const LRESULT result = DefWindowProcA(dlg, msg, wParam, lParam);
        PaintCaptionPicture(dlg, bm);
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, result);
        return true;
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(dlg, &ps);
        EndPaint(dlg, &ps);
        PaintCaptionPicture(dlg, bm);
        return true;
    }
    return false;
}

}  // namespace

// ---- Lesson pictures ----

// Program folder, "Lessons", the lesson's folder, the picture folder: the file is read from there.
HBITMAP LoadLessonPicture(const char* folder, const char* name) {
    if (!name || !name[0] || !g_app || !g_script.lessonFolder) return nullptr;
    if (!SetCurrentDirectoryA(g_app->szAppFolder) || !SetCurrentDirectoryA("Lessons") ||
        !SetCurrentDirectoryA(g_script.lessonFolder->Text()) || !SetCurrentDirectoryA(folder))
        return nullptr;
    return LoadDibFile(name);
}

// Draws an owner-drawn picture list item: its bitmap stretched into the item shrunk by one
// pixel, framed in the highlight colour when selected or focused, else in the window colour.
void DrawPictureListItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == UINT(-1)) return;
    const bool marked = (item.itemState & (ODS_SELECTED | ODS_FOCUS)) != 0;
    HBRUSH frame = GetSysColorBrush(marked ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    FillRect(item.hDC, &item.rcItem, frame);
    HBITMAP bm = reinterpret_cast<HBITMAP>(item.itemData);
    if (!bm) return;
    RECT inner = item.rcItem;
    InflateRect(&inner, -1, -1);
    const SIZE size = BitmapSize(bm);
    HDC mem = CreateCompatibleDC(item.hDC);
    HGDIOBJ old = SelectObject(mem, bm);
    SetStretchBltMode(item.hDC, COLORONCOLOR);
    StretchBlt(item.hDC, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top, mem, 0, 0,
               size.cx, size.cy, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

// ---- Prompt (136), also the script error dialog ----
namespace {

struct stPromptRecord {
    const char* message;
    const char* buttons[3];
    PictureSet pictures;
};

constexpr int kPromptButtons[3] = {IDOK, IDCANCEL, IDC_PROMPT_BUTTON3};
constexpr char kShowBrowser[] = "Show VarsBrowser";

// Text look: buttons with text are shown with it, the message in its read-only edit.
void InitPromptTextLook(HWND dlg, const stPromptRecord& rec) {
    for (int i = 0; i < 3; ++i) {
        const char* text = rec.buttons[i] ? rec.buttons[i] : "";
        SetDlgItemTextA(dlg, kPromptButtons[i], text);
        ShowWindow(GetDlgItem(dlg, kPromptButtons[i]), text[0] ? SW_SHOW : SW_HIDE);
    }
    const char* message = rec.message ? rec.message : "";
    SetDlgItemTextA(dlg, IDC_PROMPT_MESSAGE, message);
    ShowWindow(GetDlgItem(dlg, IDC_PROMPT_MESSAGE), message[0] ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(dlg, IDC_PROMPT_PICTURE), SW_HIDE);
}

// Picture look: the message names the prompt picture, each button text a button picture.
void InitPromptBitmapLook(HWND dlg, stPromptRecord& rec) {
    ShowWindow(GetDlgItem(dlg, IDC_PROMPT_MESSAGE), SW_HIDE);
    const RECT at = ChildRect(dlg, IDC_PROMPT_PICTURE);
    const int margin = at.left;
    HBITMAP picture = rec.pictures.Keep(LoadLessonPicture("Prompts", rec.message));
    ShowPicture(dlg, IDC_PROMPT_PICTURE, picture, margin, at.top);
    for (int i = 0; i < 3; ++i) {
        const char* text = rec.buttons[i] ? rec.buttons[i] : "";
        SetDlgItemTextA(dlg, kPromptButtons[i], text);
        ShowWindow(GetDlgItem(dlg, kPromptButtons[i]), text[0] ? SW_SHOW : SW_HIDE);
        if (text[0]) MakeBitmapButton(dlg, kPromptButtons[i], rec.pictures.Keep(LoadLessonPicture("Buttons", text)));
    }
    const SIZE size = BitmapSize(picture);
    int shownIds[3], shown = 0;
    for (int i = 0; i < 3; ++i)
        if (rec.buttons[i] && rec.buttons[i][0]) shownIds[shown++] = kPromptButtons[i];
    const int buttonWidth = WidestButton(dlg, shownIds, shown);
    const int width = std::max(int(size.cx) + 2 * margin, 3 * buttonWidth + 30);
    // The middle button is centred, the others stand kButtonGap from it.
    const int top = at.top + size.cy + kRowGap;
    const int middle = (width - buttonWidth) / 2;
    const int xs[3] = {middle - kButtonGap - buttonWidth, middle, middle + buttonWidth + kButtonGap};
    int bottom = top;
    for (int i = 0; i < 3; ++i) {
        const RECT rc = ChildRect(dlg, kPromptButtons[i]);
        SetWindowPos(GetDlgItem(dlg, kPromptButtons[i]), nullptr, xs[i], top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        bottom = std::max(bottom, int(top + rc.bottom - rc.top));
    }
    SetClientSize(dlg, width, bottom + kPromptTail);
}

// Buttons 1 and 2 answer with their ids; button 3 too, unless it is the one that shows the browser.
INT_PTR CALLBACK PromptProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* rec = reinterpret_cast<stPromptRecord*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        rec = reinterpret_cast<stPromptRecord*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        HandleTheDialog(dlg, IDD_SCRIPT_PROMPT);
        if (BitmapLook())
            InitPromptBitmapLook(dlg, *rec);
        else
            InitPromptTextLook(dlg, *rec);
        CenterWindowOnScreen(dlg);
        // The focus goes to the first button: given to the read-only message, it would select
        // the whole text.
        for (int id : kPromptButtons) {
            HWND button = GetDlgItem(dlg, id);
            if (button && (GetWindowLongPtrA(button, GWL_STYLE) & WS_VISIBLE)) {  // the dialog is not shown yet
                SetFocus(button);
                return FALSE;
            }
        }
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dlg, 1);
            return TRUE;
        case IDCANCEL:
            // Esc comes here too: it answers as the second button when there is one.
            EndDialog(dlg, rec && rec->buttons[1] && rec->buttons[1][0] ? 2 : -1);
            return TRUE;
        case IDC_PROMPT_BUTTON3:
            if (rec && rec->buttons[2] && std::strcmp(rec->buttons[2], kShowBrowser) == 0)
                ShowVarsBrowser(SW_SHOW);
            else
                EndDialog(dlg, 3);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(dlg, -1);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

// The prompt over the frame: the pressed button's id, -1 when closed or not opened.
int ShowScriptPrompt(const char* message, const char* button1, const char* button2, const char* button3) {
    stPromptRecord rec{message, {button1, button2, button3}, {}};
    const INT_PTR result = DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_SCRIPT_PROMPT), Owner(), PromptProc,
                                           reinterpret_cast<LPARAM>(&rec));
    return result == 0 ? -1 : static_cast<int>(result);
}

// ---- Number prompt (137) and text prompt (955) ----
namespace {

struct stNumberRecord {
    const char* message;
    const char* label;
    char* text;  // 256 characters: the initial and the typed text
    PictureSet pictures;
};

struct stTextPromptRecord {
    const char* message;
    const char* initial;
    char* out;  // 256 characters
    PictureSet pictures;
};

// Picture look of both prompts: the message's picture on top, then the given middle row (its
// controls moved below the picture), then the buttons centred; the dialog fits around them.
void LayOutAroundPicture(HWND dlg, int pictureId, HBITMAP picture, const int* rowIds, int rowCount,
                         const int* buttonIds, int buttonCount) {
    const RECT at = ChildRect(dlg, pictureId);
    const int margin = at.left;
    ShowPicture(dlg, pictureId, picture, margin, at.top);
    const SIZE size = BitmapSize(picture);
    const int width = std::max(int(size.cx) + 2 * margin,
                               buttonCount * WidestButton(dlg, buttonIds, buttonCount) + 30);
    int top = at.top + size.cy + kRowGap, rowBottom = top;
    int x = margin;
    for (int i = 0; i < rowCount; ++i) {
        HWND ctl = GetDlgItem(dlg, rowIds[i]);
        if (!(GetWindowLongPtrA(ctl, GWL_STYLE) & WS_VISIBLE)) continue;
        const RECT rc = ChildRect(dlg, rowIds[i]);
        const int w = rc.right - rc.left, h = rc.bottom - rc.top;
        SetWindowPos(ctl, nullptr, x, top, std::min(w, width - x - margin), h, SWP_NOZORDER);
        x += w + kRowGap;
        rowBottom = std::max(rowBottom, top + h);
    }
    const int bottom = PlaceButtonRow(dlg, buttonIds, buttonCount, width, rowBottom + kRowGap);
    SetClientSize(dlg, width, bottom + kRowGap);
}

// OK copies the typed text out (0); Cancel and close leave it (1).
INT_PTR CALLBACK NumberProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* rec = reinterpret_cast<stNumberRecord*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        rec = reinterpret_cast<stNumberRecord*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        HandleTheDialog(dlg, IDD_SCRIPT_NUMBER);
        if (BitmapLook()) {
            ShowWindow(GetDlgItem(dlg, IDC_NUMBER_MESSAGE), SW_HIDE);
            MakeBitmapButton(dlg, IDOK, rec->pictures.Keep(LoadLessonPicture("Buttons", "Ok_button.bmp")));
            MakeBitmapButton(dlg, IDCANCEL, rec->pictures.Keep(LoadLessonPicture("Buttons", "Cancel_button.bmp")));
            const RECT label = ChildRect(dlg, IDC_NUMBER_LABEL);
            ShowPicture(dlg, IDC_NUMBER_LABEL, rec->pictures.Keep(LoadLessonPicture("Prompts", rec->label)),
                        label.left, label.top);
            const int row[2] = {IDC_NUMBER_LABEL, IDC_NUMBER_EDIT};
            const int buttons[2] = {IDOK, IDCANCEL};
            LayOutAroundPicture(dlg, IDC_NUMBER_PICTURE,
                                rec->pictures.Keep(LoadLessonPicture("Prompts", rec->message)), row, 2, buttons, 2);
        } else {
            SetDlgItemTextA(dlg, IDC_NUMBER_MESSAGE, rec->message ? rec->message : "");
            SetDlgItemTextA(dlg, IDC_NUMBER_LABEL, rec->label ? rec->label : "");
            ShowWindow(GetDlgItem(dlg, IDC_NUMBER_PICTURE), SW_HIDE);
        }
        CenterWindowOnScreen(dlg);
        HandleShowMessage(dlg, IDD_SCRIPT_NUMBER);
        PrepareEdit(dlg, IDC_NUMBER_EDIT, rec->text);
        return FALSE;  // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            CopyEditText(dlg, IDC_NUMBER_EDIT, rec->text, kEditChars + 1);
            EndDialog(dlg, 0);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, 1);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(dlg, 1);
        return TRUE;
    }
    return FALSE;
}

// Only OK ends it, copying the text out.
INT_PTR CALLBACK TextPromptProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* rec = reinterpret_cast<stTextPromptRecord*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        rec = reinterpret_cast<stTextPromptRecord*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        rec->out[0] = 0;
        HandleTheDialog(dlg, IDD_SCRIPT_TEXT_PROMPT);
        if (BitmapLook()) {
            ShowWindow(GetDlgItem(dlg, IDC_TEXT_PROMPT_MESSAGE), SW_HIDE);
            MakeBitmapButton(dlg, IDOK, rec->pictures.Keep(LoadLessonPicture("Buttons", "Ok_button.bmp")));
            const int row[1] = {IDC_TEXT_PROMPT_EDIT};
            const int buttons[1] = {IDOK};
            LayOutAroundPicture(dlg, IDC_TEXT_PROMPT_PICTURE,
                                rec->pictures.Keep(LoadLessonPicture("Prompts", rec->message)), row, 1, buttons, 1);
        } else {
            SetDlgItemTextA(dlg, IDC_TEXT_PROMPT_MESSAGE, rec->message ? rec->message : "");
            ShowWindow(GetDlgItem(dlg, IDC_TEXT_PROMPT_PICTURE), SW_HIDE);
        }
        CenterWindowOnScreen(dlg);
        HandleShowMessage(dlg, IDD_SCRIPT_TEXT_PROMPT);
        PrepareEdit(dlg, IDC_TEXT_PROMPT_EDIT, rec->initial);
        return FALSE;
    }
    case WM_COMMAND:
        // There is no Cancel: Esc leaves the dialog up.
        if (LOWORD(wParam) == IDOK) {
            CopyEditText(dlg, IDC_TEXT_PROMPT_EDIT, rec->out, kEditChars + 1);
            EndDialog(dlg, 1);
        }
        return TRUE;
    }
    return FALSE;
}

}  // namespace

// The number prompt over the frame; the text buffer is both the start and the answer.
int ShowScriptNumberPrompt(const char* message, const char* label, char* text256) {
    stNumberRecord rec{message, label, text256, {}};
    const INT_PTR result = DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_SCRIPT_NUMBER), Owner(), NumberProc,
                                           reinterpret_cast<LPARAM>(&rec));
    return result == -1 ? -1 : static_cast<int>(result);
}

int ShowScriptTextPrompt(const char* message, const char* initial, char* out256) {
    // The initial text may be the output buffer itself.
    char start[kEditChars + 1];
    lstrcpynA(start, initial ? initial : "", sizeof start);
    stTextPromptRecord rec{message, start, out256, {}};
    const INT_PTR result = DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_SCRIPT_TEXT_PROMPT), Owner(),
                                           TextPromptProc, reinterpret_cast<LPARAM>(&rec));
    return result == 1 ? 1 : -1;
}

// ---- Text entry (138) ----
namespace {

struct stTextEntryRecord {
    const char* title;
    const char* initial;
    char* out;
    int maxLength;
};

// The title is the caption; OK copies the text out (1), Cancel leaves it (0).
INT_PTR CALLBACK TextEntryProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* rec = reinterpret_cast<stTextEntryRecord*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        rec = reinterpret_cast<stTextEntryRecord*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        HandleTheDialog(dlg, IDD_SCRIPT_TEXT_ENTRY);
        SetWindowTextA(dlg, rec->title ? rec->title : "");
        CenterWindowOnScreen(dlg);
        PrepareEdit(dlg, IDC_TEXT_ENTRY_EDIT, rec->initial, rec->maxLength);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            CopyEditText(dlg, IDC_TEXT_ENTRY_EDIT, rec->out, rec->maxLength + 1);
            EndDialog(dlg, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

int ShowScriptTextEntry(const char* title, const char* initial, char* out, int maxLength) {
    if (!out || maxLength < 0) return 0;
    std::vector<char> start(size_t(maxLength) + 1, 0);
    lstrcpynA(start.data(), initial ? initial : "", maxLength + 1);
    stTextEntryRecord rec{title, start.data(), out, maxLength};
    const INT_PTR result = DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_SCRIPT_TEXT_ENTRY), Owner(),
                                           TextEntryProc, reinterpret_cast<LPARAM>(&rec));
    return result == 1 ? 1 : 0;
}

// ---- Item chooser (139) ----
namespace {

struct stItemRecord {
    const char* title;
    const char* const* items;
    int count;
    int initial;
    int cancelAllowed;
    HBITMAP caption;
    PictureSet pictures;
};

// Picture look: every item name names a prompt picture; the list's rows fit the tallest.
void FillPictureList(HWND dlg, stItemRecord& rec) {
    HWND list = GetDlgItem(dlg, IDC_SCRIPT_PICTURE_LIST);
    int tallest = 0;
    for (int i = 0; i < rec.count; ++i) {
        HBITMAP bm = rec.pictures.Keep(LoadLessonPicture("Prompts", rec.items[i]));
        tallest = std::max(tallest, int(BitmapSize(bm).cy));
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(bm));
    }
    if (tallest > 0) SendMessageA(list, LB_SETITEMHEIGHT, 0, MAKELPARAM(tallest + 2, 0));
}

// OK and a double click answer with the selected index; Cancel, when allowed, with -1.
INT_PTR CALLBACK ItemProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* rec = reinterpret_cast<stItemRecord*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (rec && HandleCaptionPaint(dlg, msg, wParam, lParam, rec->caption)) return TRUE;
    const int listId = BitmapLook() ? IDC_SCRIPT_PICTURE_LIST : IDC_SCRIPT_TEXT_LIST;
    switch (msg) {
    case WM_INITDIALOG: {
        rec = reinterpret_cast<stItemRecord*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        HandleTheDialog(dlg, IDD_SCRIPT_ITEMS);
        ShowWindow(GetDlgItem(dlg, IDCANCEL), rec->cancelAllowed ? SW_SHOW : SW_HIDE);
        if (BitmapLook()) {
            ShowWindow(GetDlgItem(dlg, IDC_SCRIPT_TEXT_LIST), SW_HIDE);
            rec->caption = rec->pictures.Keep(LoadLessonPicture("Prompts", rec->title));
            FillPictureList(dlg, *rec);
        } else {
            ShowWindow(GetDlgItem(dlg, IDC_SCRIPT_PICTURE_LIST), SW_HIDE);
            SetWindowTextA(dlg, rec->title ? rec->title : "");
            for (int i = 0; i < rec->count; ++i)
                SendDlgItemMessageA(dlg, IDC_SCRIPT_TEXT_LIST, LB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(rec->items[i] ? rec->items[i] : ""));
        }
        SendDlgItemMessageA(dlg, listId, LB_SETCURSEL, static_cast<WPARAM>(std::max(rec->initial, 0)), 0);
        CenterWindowOnScreen(dlg);
        return TRUE;
    }
    case WM_DRAWITEM:
        if (wParam == IDC_SCRIPT_PICTURE_LIST) {
            DrawPictureListItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dlg, SendDlgItemMessageA(dlg, listId, LB_GETCURSEL, 0, 0));
            return TRUE;
        case IDCANCEL:
            if (rec && rec->cancelAllowed) EndDialog(dlg, -1);
            return TRUE;
        case IDC_SCRIPT_TEXT_LIST:
        case IDC_SCRIPT_PICTURE_LIST:
            if (HIWORD(wParam) == LBN_DBLCLK) EndDialog(dlg, SendDlgItemMessageA(dlg, listId, LB_GETCURSEL, 0, 0));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

// The item chooser over the frame.
int ShowScriptItemChooser(const char* title, const char* const* items, int count, int initial, int cancelAllowed) {
    if (!items || count < 0) return -1;
    stItemRecord rec{title, items, count, initial, cancelAllowed, nullptr, {}};
    const INT_PTR result = DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_SCRIPT_ITEMS), Owner(), ItemProc,
                                           reinterpret_cast<LPARAM>(&rec));
    return static_cast<int>(result);
}

// ---- Lesson chooser (165) ----
namespace {

struct stLessonRecord {
    int openMode;
    char* fileName;  // 260 characters
};

// Runs each lesson's "OnTitleCheck" so that it can rename itself in the list. Each script is
// read into a list of its own: the loaded script, which may be running the statement that
// opened this dialog, is neither freed nor replaced.
void CheckLessonTitles() {
    for (const char* lesson = GetFirstLessonFile(); lesson; lesson = GetNextLessonFile(lesson)) {
        char path[MAX_PATH];
        lstrcpynA(path, lesson, sizeof path);
        char* text = nullptr;
        CCursorList script;
        if (LoadScriptFile(&text, path) && SplitScriptIntoSubroutines(&script, text))
            RunScriptSubroutine(&script, "OnTitleCheck", 0);
        std::free(text);
    }
}

// OK or a double click opens the chosen lesson or hands its script's path out; Quit closes the program.
INT_PTR CALLBACK LessonProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* rec = reinterpret_cast<stLessonRecord*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (BitmapLook() && g_app && HandleCaptionPaint(dlg, msg, wParam, lParam, g_app->bitmaps.hbmLessonPrompt))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG:
        rec = reinterpret_cast<stLessonRecord*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        HandleTheDialog(dlg, IDD_LESSON_CHOOSER);
        ShowWindow(GetDlgItem(dlg, IDC_LESSON_EDIT_SCRIPT), SW_HIDE);
        if (g_app) SetCurrentDirectoryA(g_app->szAppFolder);
        ShowWindow(GetDlgItem(dlg, IDC_SCRIPT_PICTURE_LIST), SW_HIDE);
        CheckLessonTitles();
        ReFreshLessonsList(GetDlgItem(dlg, IDC_SCRIPT_TEXT_LIST));
        SendDlgItemMessageA(dlg, IDC_SCRIPT_TEXT_LIST, LB_SETCURSEL, 0, 0);
        CenterWindowOnScreen(dlg);
        return TRUE;
    case WM_DRAWITEM:
        if (wParam == IDC_SCRIPT_PICTURE_LIST) {
            DrawPictureListItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SCRIPT_TEXT_LIST:
            if (HIWORD(wParam) != LBN_DBLCLK) return TRUE;
            [[fallthrough]];
        case IDOK: {
            HWND list = GetDlgItem(dlg, IDC_SCRIPT_TEXT_LIST);
            const LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
            char name[MAX_PATH] = "";
            if (sel == LB_ERR || SendMessageA(list, LB_GETTEXTLEN, sel, 0) >= LRESULT(sizeof name)) return TRUE;
            SendMessageA(list, LB_GETTEXT, sel, reinterpret_cast<LPARAM>(name));
            const char* file = GetLessonFileName(name);
            if (!file) return TRUE;
            if (g_app && g_app->hwndFrame) SetActiveWindow(g_app->hwndFrame);
            ShowWindow(dlg, SW_HIDE);
            if (rec->openMode) {
                if (g_app) SetCurrentDirectoryA(g_app->szAppFolder);
                EndDialog(dlg, OpenScript(file));
            } else {
                lstrcpynA(rec->fileName, file, MAX_PATH);
                EndDialog(dlg, 1);
            }
            return TRUE;
        }
        case IDC_LESSON_EDIT_SCRIPT:
            ShowAllToolbarButtons();
            OpenScriptEditor();
            EndDialog(dlg, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, 0);
            if (g_app && g_app->hwndFrame) PostMessageA(g_app->hwndFrame, WM_CLOSE, 0, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

// The lesson chooser over the frame, in either mode.
int RunLessonChooser(int openMode, char* fileName260) {
    if (fileName260) fileName260[0] = 0;
    char unused[MAX_PATH] = "";
    stLessonRecord rec{openMode, fileName260 ? fileName260 : unused};
    const INT_PTR result = DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_LESSON_CHOOSER), Owner(), LessonProc,
                                           reinterpret_cast<LPARAM>(&rec));
    return result == -1 ? 0 : static_cast<int>(result);
}

// The chooser as CHOOSELESSON asks it: the chosen script's path only.
int ShowLessonChooser(char* fileName260) { return RunLessonChooser(0, fileName260); }
