// Small modal prompts for one number, one line of text or a duration in hours, minutes and
// seconds. One prompt is open at a time, so each keeps its working values in one record.
#include "graph/dialogs/dialogs_api.h"
#include "graph/dialogs/dialog_util.h"
#include "base/app.h"
#include "base/notify.h"
#include "graph/graph_ids.h"
#include "controls/window_center.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct stPrompt {
    uint8_t textMode;
    double value;
    char text[128];
    char label[128];
    char units[128];
    uint32_t checkState;
    char checkCaption[68];
    double minRate;
};
stPrompt g_prompt;

struct stTimePrompt {
    int32_t seconds;
    char label[128];
};
stTimePrompt g_timePrompt;

// Copies a text that may be null, cut to the field.
void CopyText(char* out, size_t size, const char* text) { std::snprintf(out, size, "%s", text ? text : ""); }

// The minimum-rate note: the translated text of the note, or the default, with the rate in it.
void ShowMinimumRate(HWND dlg) {
    char format[256] = "";
    GetDlgItemTextA(dlg, IDC_PROMPT_NOTE, format, 255);
    if (!format[0]) CopyText(format, sizeof format, "(minimum rate >= %f)");
    char note[320];
    FormatKeyedText(note, sizeof note, format, g_prompt.minRate);
    SetDlgItemTextA(dlg, IDC_PROMPT_NOTE, note);
}

// A check box shows only with a caption; the translation set follows the label.
void OnPromptInit(HWND dlg) {
    SetDlgItemTextA(dlg, IDC_PROMPT_LABEL, g_prompt.label);
    SetDlgItemTextA(dlg, IDC_PROMPT_UNITS, g_prompt.units);
    if (g_prompt.textMode) {
        SetDlgItemTextA(dlg, IDC_PROMPT_EDIT, g_prompt.text);
    } else {
        char text[64];
        std::snprintf(text, sizeof text, "%f", g_prompt.value);
        SetDlgItemTextA(dlg, IDC_PROMPT_EDIT, text);
    }
    HWND check = GetDlgItem(dlg, IDC_PROMPT_CHECK);
    if (g_prompt.checkCaption[0]) {
        SetWindowTextA(check, g_prompt.checkCaption);
        CheckDlgButton(dlg, IDC_PROMPT_CHECK, g_prompt.checkState ? BST_CHECKED : BST_UNCHECKED);
        // A box that starts ticked stays ticked.
        EnableWindow(check, g_prompt.checkState ? FALSE : TRUE);
        ShowWindow(check, SW_SHOW);
    } else {
        ShowWindow(check, SW_HIDE);
    }
    CenterWindowOnScreen(dlg);
    const uint32_t set = PromptTranslationSet(g_prompt.label);
    HandleTheDialog(dlg, set);
    if (set == IDT_PROMPT_SAMPLE_RATE) ShowMinimumRate(dlg);
    gdlg::FocusAll(dlg, IDC_PROMPT_EDIT);
}

// No range check here: callers check the value.
INT_PTR CALLBACK PromptProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) {
        OnPromptInit(dlg);
        return FALSE;
    }
    if (msg != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDOK && HIWORD(wParam) == 0) {
        char text[64] = "";
        GetDlgItemTextA(dlg, IDC_PROMPT_EDIT, text, 63);
        // Text that is no finite number (a typed "1e999" too) reads as 0.
        if (g_prompt.textMode)
            CopyText(g_prompt.text, sizeof g_prompt.text, text);
        else
            g_prompt.value = gdlg::ReadNumber(dlg, IDC_PROMPT_EDIT, 62);
        if (g_prompt.checkCaption[0]) g_prompt.checkState = IsDlgButtonChecked(dlg, IDC_PROMPT_CHECK) == BST_CHECKED;
        EndDialog(dlg, 1);
    } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, 0);
    }
    return TRUE;
}

// Runs the prompt dialog with its status line; -1 when it could not be made.
int RunPrompt(HWND parent, const char* status) {
    notify::SetStatusText(status);
    const INT_PTR result = DialogBoxParamA(g_app ? g_app->hInstance : GetModuleHandleA(nullptr),
                                           MAKEINTRESOURCEA(IDD_NUMBER_PROMPT), parent, PromptProc, 0);
    notify::SetStatusText("Ready");
    return static_cast<int>(result);
}

// The three fields are not limited to their clock ranges.
INT_PTR CALLBACK TimePromptProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) {
        SetDlgItemTextA(dlg, IDC_PROMPT_LABEL, g_timePrompt.label);
        gdlg::SetHms(dlg, IDC_HMS_HOURS, IDC_HMS_MINUTES, IDC_HMS_SECONDS, g_timePrompt.seconds);
        CenterWindowOnScreen(dlg);
        HandleTheDialog(dlg, IDD_TIME_PROMPT);
        gdlg::FocusAll(dlg, IDC_HMS_HOURS);
        return FALSE;
    }
    if (msg != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDOK) {
        g_timePrompt.seconds = gdlg::ReadHms(dlg, IDC_HMS_HOURS, IDC_HMS_MINUTES, IDC_HMS_SECONDS);
        EndDialog(dlg, 1);
    } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, 0);
    }
    return TRUE;
}

}  // namespace

// The check caption only counts when the caller gives a state to read and write.
int PromptForNumber(HWND parent, double* value, const char* units, const char* label, const char* checkCaption,
                    uint32_t* checkState, int32_t, const double* minRate) {
    if (!value) return -1;
    g_prompt = stPrompt{};
    g_prompt.value = *value;
    CopyText(g_prompt.units, sizeof g_prompt.units, units);
    CopyText(g_prompt.label, sizeof g_prompt.label, label);
    if (checkState) {
        CopyText(g_prompt.checkCaption, sizeof g_prompt.checkCaption, checkCaption);
        g_prompt.checkState = *checkState;
    }
    if (minRate) g_prompt.minRate = *minRate;
    const int result = RunPrompt(parent, "Enter a number");
    if (result == 1) {
        *value = g_prompt.value;
        if (checkState) *checkState = g_prompt.checkState;
    }
    return result;
}

// The caller's buffer must hold 128 characters.
int PromptForText(HWND parent, char* text, const char* units, const char* label) {
    if (!text) return -1;
    g_prompt = stPrompt{};
    g_prompt.textMode = 1;
    CopyText(g_prompt.text, sizeof g_prompt.text, text);
    CopyText(g_prompt.units, sizeof g_prompt.units, units);
    CopyText(g_prompt.label, sizeof g_prompt.label, label);
    const int result = RunPrompt(parent, "Enter desired text");
    if (result == 1) std::strcpy(text, g_prompt.text);
    return result;
}

// The value shows as whole seconds; OK gives back the whole seconds typed.
int PromptForHms(HWND parent, double* seconds, const char* label) {
    if (!seconds) return -1;
    g_timePrompt = stTimePrompt{};
    const double s = *seconds;
    g_timePrompt.seconds = s >= INT32_MAX ? INT32_MAX : s <= INT32_MIN ? INT32_MIN : static_cast<int32_t>(s);
    CopyText(g_timePrompt.label, sizeof g_timePrompt.label, label);
    notify::SetStatusText("Enter time in hours, minutes and seconds");
    const INT_PTR result = DialogBoxParamA(g_app ? g_app->hInstance : GetModuleHandleA(nullptr),
                                           MAKEINTRESOURCEA(IDD_TIME_PROMPT), parent, TimePromptProc, 0);
    notify::SetStatusText("Ready");
    if (result == 1) *seconds = g_timePrompt.seconds;
    return static_cast<int>(result);
}

// Callers pass a text already looked up for its key.
void SetControlTextFromKey(HWND control, uint32_t dlgId, const char* text) {
    const char* replacement = text ? GetDlgMultiTextItem(dlgId, text) : nullptr;
    SetWindowTextA(control, replacement && replacement[0] ? replacement : (text ? text : ""));
}

// The translation set follows the label: the limits and thresholds of the transforms, the
// difference interval and the sample-rate prompt each have their own.
uint32_t PromptTranslationSet(const char* label) {
    if (!label) return IDD_NUMBER_PROMPT;
    static const struct {
        const char* label;
        uint32_t id;
    } kSets[] = {{"Enter lower limit", IDT_PROMPT_LOWER_LIMIT},
                 {"Enter upper limit", IDT_PROMPT_UPPER_LIMIT},
                 {"Enter lower threshold", IDT_PROMPT_LOWER_THRESHOLD},
                 {"Enter upper threshold", IDT_PROMPT_UPPER_THRESHOLD},
                 {"Difference interval", IDT_PROMPT_DIFFERENCE}};
    for (const auto& s : kSets)
        if (std::strcmp(label, s.label) == 0) return s.id;
    const char* rate = "Enter new sample rate";
    if (std::strspn(label, rate) == std::strlen(rate)) return IDT_PROMPT_SAMPLE_RATE;
    return IDD_NUMBER_PROMPT;
}
