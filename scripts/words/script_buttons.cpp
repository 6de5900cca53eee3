// The lesson's push buttons: a row on the frame toolbar right of the buttons it shows, each
// running a subroutine of the script when clicked (its command id 12000 + slot).
#include "scripts/words/graph_words.h"
#include "scripts/words/word_fields.h"
#include "base/app.h"
#include "base/lesson.h"
#include "base/resource.h"
#include "common/tagGS.h"
#include "controls/script_button.h"
#include "graph/dialogs/toolbar.h"
#include <cstring>

namespace {

constexpr int kSlots = 10;
constexpr int kTop = 2, kBottom = 22, kHeight = kBottom - kTop;
constexpr int kGap = 10;
constexpr int kBitmapWidth = 80, kLeastTextWidth = 50;

CScriptButton* Slot(tagGS* gs, int i) { return static_cast<CScriptButton*>(gs->scriptButtons[i]); }


// The caption's width on the screen, at least the narrowest button.
int TextWidth(const char* caption) {
    SIZE extent{};
    if (HDC dc = GetDC(nullptr)) {
        GetTextExtentPoint32A(dc, caption, static_cast<int>(std::strlen(caption)), &extent);
        ReleaseDC(nullptr, dc);
    }
    return extent.cx > kLeastTextWidth ? extent.cx : kLeastTextWidth;
}

// A new button goes right of the rightmost button: every lesson button, shown or not, and every
// standard button the toolbar shows. A shown RECENT keeps its room up to 420; an empty toolbar
// starts the row at 4.
int NextLeft(tagGS* gs) {
    constexpr int kRecentRight = 420, kEmptyRight = 4;
    int right = GetScriptToolbarButton("RECENT") == 1 ? kRecentRight : kEmptyRight;
    for (int i = 0; i < kSlots; ++i)
        if (CScriptButton* button = Slot(gs, i)) {
            RECT rc;
            button->GetRect(&rc);
            if (rc.right > right) right = rc.right;
        }
    for (HWND b : ToolbarChildren()) {
        if (!(GetWindowLongA(b, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT rc;
        GetWindowRect(b, &rc);
        MapWindowPoints(nullptr, g_app->hwndToolbar, reinterpret_cast<POINT*>(&rc), 2);
        if (rc.right > right) right = rc.right;
    }
    return right + kGap;
}

void RepaintToolbar() {
    if (!g_app->hwndToolbar) return;
    InvalidateRect(g_app->hwndToolbar, nullptr, TRUE);
    UpdateWindow(g_app->hwndToolbar);
}

// CREATEBUTTON caption, subroutine, var: the first free slot takes the button.
int16_t CreateButton(const stScriptCall& call, tagGS* gs, CWordFields& fields) {
    char caption[kScriptWordChars], subroutine[kScriptWordChars], var[kScriptWordChars];
    fields.Text(caption);
    fields.Text(subroutine);
    fields.Word(var);
    if (CWordFields::Bad() || !AreOptionalVariables({var})) return kScriptStop;
    int slot = 0;
    while (slot < kSlots && Slot(gs, slot)) ++slot;
    if (gs->scriptButtonCount >= kSlots || slot == kSlots) {
        ShowScriptError(call.line, "CREATEBUTTON");
        return kScriptGoOn;
    }
    const bool pictures = g_script.lessonButtonMode != 0;
    const int left = NextLeft(gs);
    const int width = pictures ? kBitmapWidth : TextWidth(caption);
    const RECT rc{left, kTop, left + width, kBottom};
    auto* button = new CScriptButton();
    button->Create(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST + slot, &rc);
    // The button keeps its caption in either mode: the words that name a button find it by that.
    if (pictures)
        button->SetBitmap(caption);
    else
        button->SetText(caption);
    gs->scriptButtons[slot] = button;
    lstrcpynA(gs->scriptButtonText[slot], subroutine, sizeof gs->scriptButtonText[slot]);
    ++gs->scriptButtonCount;
    if (var[0]) AssignScriptNumericVariable(call.frame, var, 0.0);
    return kScriptGoOn;
}

void FreeSlot(tagGS* gs, int i) {
    delete Slot(gs, i);
    gs->scriptButtons[i] = nullptr;
    gs->scriptButtonText[i][0] = 0;
}

// RENAMEBUTTON old, new, subroutine: a wider caption widens the button and moves the later ones.
void RenameButton(tagGS* gs, int i, const char* caption, const char* subroutine) {
    CScriptButton* button = Slot(gs, i);
    if (subroutine[0]) lstrcpynA(gs->scriptButtonText[i], subroutine, sizeof gs->scriptButtonText[i]);
    if (g_script.lessonButtonMode) {
        button->SetBitmap(caption);
    } else {
        button->SetText(caption);
        RECT rc;
        button->GetRect(&rc);
        const int grow = TextWidth(caption) - (rc.right - rc.left);
        if (grow > 0) {
            button->SetSize(rc.right - rc.left + grow, kHeight);
            for (int j = 0; j < kSlots; ++j) {
                CScriptButton* other = Slot(gs, j);
                RECT at;
                if (!other || j == i) continue;
                other->GetRect(&at);
                if (at.left >= rc.right) other->MoveTo(at.left + grow, at.top);
            }
        }
    }
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, TRUE);
    RepaintToolbar();
}

}  // namespace

int FindScriptButton(tagGS* gs, const char* caption) {
    for (int i = 0; i < kSlots; ++i)
        if (CScriptButton* button = Slot(gs, i))
            if (lstrcmpiA(button->GetCaption(), caption) == 0) return i;
    return -1;
}

int16_t ExecButtonWord(stScriptCall& call, tagGS* gs, const char* word, CWordFields& fields, int* handled) {
    *handled = 1;
    if (ScriptWordIs(word, "CREATEBUTTON")) return CreateButton(call, gs, fields);
    if (ScriptWordIs(word, "REMOVEALLBUTTONS")) {
        for (int i = 0; i < kSlots; ++i) FreeSlot(gs, i);
        gs->scriptButtonCount = 0;
        RepaintToolbar();
        return kScriptGoOn;
    }
    const bool remove = ScriptWordIs(word, "REMOVEBUTTON");
    if (!remove && !ScriptWordIs(word, "RENAMEBUTTON")) {
        *handled = 0;
        return kScriptGoOn;
    }
    char caption[kScriptWordChars], renamed[kScriptWordChars], subroutine[kScriptWordChars];
    fields.Text(caption);
    if (!remove) {
        fields.Text(renamed);
        fields.Text(subroutine);
    }
    if (CWordFields::Bad()) return kScriptStop;
    if (gs->scriptButtonCount == 0) {
        ShowScriptError(call.line, word);
        return kScriptGoOn;
    }
    const int i = FindScriptButton(gs, caption);
    if (i < 0) return kScriptGoOn;
    if (remove) {
        FreeSlot(gs, i);
        --gs->scriptButtonCount;
        RepaintToolbar();
    } else {
        RenameButton(gs, i, renamed, subroutine);
    }
    return kScriptGoOn;
}
