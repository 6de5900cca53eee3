// The Expression transform and its dialog.
#include "transforms/expression_transform.h"
#include "transforms/transform_conventions.h"
#include "transforms/transforms_api.h"
#include "transforms/expression/expression.h"
#include "transforms/expression/expression_compiled.h"
#include "base/app.h"
#include "transforms/transforms_ids.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "graph/dialogs/dialog_util.h"
#include "graph/dialogs/dialogs_api.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/view/channel_selection.h"
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

char g_expressionText[kExpressionTextChars + 1] = "";

namespace {

const char* const kFunctionEntries[] = {"abs()",  "acos()", "asin()", "atan()", "cosh()", "cos()",
                                        "exp()",  "log10()", "log()", "round()", "sinh()", "sin()",
                                        "sqrt()", "sqr()",  "tanh()", "tan()",  "trunc()"};
const char* const kOperatorEntries[] = {"+", "-", "*", "/", "^", "(", ")"};

// What the dialog edits and hands back on OK.
struct stExpressionDialog {
    tagGS* gs;
    int useSelection;
    char text[kExpressionTextChars + 1];
    TransformDestination dest;
};

void AddEntry(HWND combo, const char* text, LPARAM data) {
    const LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), data);
}

// Types text at the edit's caret; with insideParens the caret ends between the parentheses.
void TypeAtCaret(HWND dlg, const char* text, bool insideParens) {
    HWND edit = GetDlgItem(dlg, IDC_XF_EDIT);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    if (insideParens) {
        DWORD caret = 0;
        SendMessageA(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
        SendMessageA(edit, EM_SETSEL, caret - 1, caret - 1);
    }
    SetFocus(edit);
}

void OnExpressionInit(HWND dlg, stExpressionDialog* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    tagGS* gs = d->gs;
    HWND edit = GetDlgItem(dlg, IDC_XF_EDIT);
    SendMessageA(edit, EM_LIMITTEXT, kExpressionTextChars, 0);
    SetWindowTextA(edit, d->text);
    HWND sources = GetDlgItem(dlg, IDC_XF_SOURCES);
    for (int i = 0; i < kMaxChannels; ++i) {
        const int slot = static_cast<int>(gs->chanOrder[i]);
        if (slot < 0 || slot >= kMaxChannels || !ChannelInUse(gs, slot) || !gs->chanCount[slot]) continue;
        char text[64];
        std::snprintf(text, sizeof text, "CH%d, %s", slot, gs->chanLabel[slot]);
        AddEntry(sources, text, slot);
    }
    AddEntry(sources, Keyed(gs->hUnitKind == kHUnitFrequency ? "Freq" : "Time"), -1);
    for (const char* f : kFunctionEntries) AddEntry(GetDlgItem(dlg, IDC_XF_FUNCTIONS), f, 0);
    for (const char* o : kOperatorEntries) AddEntry(GetDlgItem(dlg, IDC_XF_OPERATORS), o, 0);
    FillDestinationList(GetDlgItem(dlg, IDC_XF_DEST), gs, static_cast<int>(gs->selectedChan), true);
    CheckDlgButton(dlg, IDC_XF_ENTIRE, d->useSelection ? BST_UNCHECKED : BST_CHECKED);
    HandleTheDialog(dlg, IDD_EXPRESSION);
    SetFocus(edit);
    const int length = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, length, length);
}

// The chosen entry of a list, typed at the caret.
void TypeChoice(HWND dlg, const stExpressionDialog* d, int id) {
    HWND combo = GetDlgItem(dlg, id);
    const LRESULT at = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (at < 0) return;
    if (id == IDC_XF_SOURCES) {
        const int slot = static_cast<int>(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
        char text[16];
        if (slot >= 0)
            std::snprintf(text, sizeof text, "CH%d", slot);
        else
            std::snprintf(text, sizeof text, "%s", d->gs->hUnitKind == kHUnitFrequency ? "Freq" : "Time");
        TypeAtCaret(dlg, text, false);
    } else {
        char text[16] = "";
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text));
        TypeAtCaret(dlg, text, id == IDC_XF_FUNCTIONS);
    }
}

// OK stores the text and readies the destination; a destination that cannot be had keeps the
// dialog open.
void OnExpressionOk(HWND dlg, stExpressionDialog* d) {
    tagGS* gs = d->gs;
    GetDlgItemTextA(dlg, IDC_XF_EDIT, d->text, sizeof d->text);
    HWND combo = GetDlgItem(dlg, IDC_XF_DEST);
    const LRESULT at = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (at < 0) return;
    const int choice = static_cast<int>(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
    if (choice >= 0 && !ConvertChannelToDouble(gs, choice)) return;
    if (!OpenDestination(gs, choice, &d->dest)) return;
    if (d->dest.created) {
        const int slot = d->dest.slot;
        std::snprintf(gs->chanLabel[slot], sizeof gs->chanLabel[slot], "%.39s", d->text);
        std::snprintf(gs->chanDescription[slot], sizeof gs->chanDescription[slot], "%s", gs->chanLabel[slot]);
    }
    d->useSelection = IsDlgButtonChecked(dlg, IDC_XF_ENTIRE) == BST_CHECKED ? 0 : 1;
    EndDialog(dlg, 1);
}

void OnExpressionCommand(HWND dlg, stExpressionDialog* d, int id, int code) {
    switch (id) {
    case IDOK: OnExpressionOk(dlg, d); break;
    case IDCANCEL: EndDialog(dlg, 0); break;
    case IDC_XF_CLEAR: SetDlgItemTextA(dlg, IDC_XF_EDIT, ""); break;
    case IDC_XF_SOURCES:
    case IDC_XF_FUNCTIONS:
    case IDC_XF_OPERATORS:
        if (code == CBN_SELCHANGE) TypeChoice(dlg, d, id);
        break;
    default: break;
    }
}

constexpr DLGPROC ExpressionProc = gdlg::RecordDialogProc<stExpressionDialog, OnExpressionInit, OnExpressionCommand>;

int ShowExpressionDialog(stExpressionDialog* d) {
    return DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_EXPRESSION), d->gs->hwnd, ExpressionProc,
                           reinterpret_cast<LPARAM>(d)) == 1
               ? 1
               : 0;
}

// The sample range: from the referenced channels or the destination, or asked for when the
// expression names no channel and writes a new one. 0 when there is nothing to compute.
int ExpressionRange(tagGS* gs, const stExpressionDialog& d, int32_t shortest, bool existed, int32_t* first,
                    int32_t* last) {
    if (shortest >= 0 || existed) {
        const int32_t n = shortest >= 0 ? shortest : static_cast<int32_t>(gs->chanCount[d.dest.slot]);
        if (d.useSelection && gs->selStart != gs->selEnd) {
            SelectionTimesToRange(gs->selStart, gs->selEnd, gs->sampleInterval, n, first, last);
        } else {
            *first = 0;
            *last = n - 1;
        }
        return *last > 0;
    }
    double length = 100.0;
    if (PromptForNumber(gs->hwnd, &length, "&Samples", "Enter destination length", nullptr, nullptr, 0, nullptr) != 1)
        return 0;
    *first = 0;
    *last = ExpressionDestinationLength(length) - 1;
    return *last > 0;
}

// Every index is evaluated, Escape or not; an evaluation that fails (a channel read refused
// while Escape is held) stores what the evaluator gave. With runs (a text of channels and TIME)
// a run of indices is evaluated at a time; otherwise index by index.
void EvaluateRange(tagGS* gs, int32_t first, int32_t last, ExpressionRuns* runs, double* out) {
    TransformProgress progress("Expression: %3lu%% completed", first, last);
    if (runs) {
        for (int64_t i = first; i <= last; i += ExpressionRuns::kRun) {
            const int32_t count = static_cast<int32_t>(std::min<int64_t>(ExpressionRuns::kRun, last - i + 1));
            runs->Evaluate(gs, static_cast<int32_t>(i), count, out + (i - first));
            progress.Show(i + count - 1);
        }
        return;
    }
    for (int32_t i = first; i <= last; ++i) {
        SetExpressionContext(gs, i);
        int16_t error = kExpressionAccepted;
        out[i - first] = EvaluateExpression(g_expressionText, &error);
        progress.Show(i);
    }
}

}  // namespace

int32_t ExpressionDestinationLength(double typed) {
    if (!(typed >= 1.0)) return 0;  // also NaN
    return typed >= 32767.0 ? 32767 : static_cast<int32_t>(typed);
}

int CheckWaveformExpression(tagGS* gs, char* text, int16_t* errorPos, int32_t* shortest) {
    for (char* p = text; *p; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    *shortest = -1;
    SetExpressionContext(gs, 0);
    int16_t error = kExpressionAccepted;
    EvaluateExpression(text, &error);
    if (error != kExpressionAccepted) {
        *errorPos = error;
        return 0;
    }
    for (const char* p = std::strstr(text, "CH"); p; p = std::strstr(p + 2, "CH")) {
        if (!std::isdigit(static_cast<unsigned char>(p[2]))) continue;
        int chan = p[2] - '0';
        int length = 3;
        if (std::isdigit(static_cast<unsigned char>(p[3]))) chan = chan * 10 + (p[length++] - '0');
        if (chan >= kMaxChannels || !ChannelInUse(gs, chan) || gs->chanCount[chan] == 0) {
            *errorPos = static_cast<int16_t>(p - text + length);
            return 0;
        }
        const int32_t count = static_cast<int32_t>(gs->chanCount[chan]);
        if (*shortest < 0 || count < *shortest) *shortest = count;
    }
    *errorPos = kExpressionAccepted;
    return 1;
}

// The dialog until the expression checks, then the range, the pass, and the results stored with
// their undo entry; a failure leaves the data as it was and removes a new channel.
int RunWaveformExpression(tagGS* gs, int, int) {
    if (!gs) return 0;
    SetExpressionContext(gs, 0);
    stExpressionDialog d{};
    d.gs = gs;
    d.useSelection = gs->selStart != gs->selEnd ? 1 : 0;
    std::snprintf(d.text, sizeof d.text, "%s", g_expressionText);
    int16_t errorPos = 0;
    int32_t shortest = -1;
    for (;;) {
        if (!ShowExpressionDialog(&d)) return 0;
        std::snprintf(g_expressionText, sizeof g_expressionText, "%s", d.text);
        if (CheckWaveformExpression(gs, g_expressionText, &errorPos, &shortest)) break;
        AbandonDestination(gs, &d.dest);
    }
    const int slot = d.dest.slot;
    const bool existed = !d.dest.created && gs->chanCount[slot] > 0;
    int32_t first = 0, last = 0;
    std::vector<double> results;
    if (!ConvertChannelToDouble(gs, slot) || !ExpressionRange(gs, d, shortest, existed, &first, &last)) {
        AbandonDestination(gs, &d.dest);
        return 0;
    }
    std::unique_ptr<ExpressionRuns> runs(new (std::nothrow) ExpressionRuns);
    if (runs && !runs->Compile(g_expressionText)) runs.reset();
    // A text that does not read the destination is evaluated straight into it once it is grown;
    // otherwise every value is had before the first is stored.
    const bool direct = runs && !runs->Reads(slot);
    if (!direct) {
        results.resize(static_cast<size_t>(last - first) + 1);
        EvaluateRange(gs, first, last, runs.get(), results.data());
    }
    const uint32_t oldCount = gs->chanCount[slot];
    const uint32_t newCount = GrownDestinationCount(oldCount, first, last);
    if (oldCount) {
        const bool entire = !d.useSelection || gs->selStart == gs->selEnd;
        SaveUndo(gs, slot, newCount > oldCount ? kUndoReplace : entire ? kUndoWholeInPlace : kUndoInPlace,
                 "Undo Expression");
    }
    if (!GrowChannelTo(gs, slot, newCount)) {
        AbandonDestination(gs, &d.dest);
        return 0;
    }
    gs->chanType[slot] = 1;
    auto* out = static_cast<double*>(gs->chanBlock[slot]) + DestinationWriteStart(oldCount, first);
    if (direct)
        EvaluateRange(gs, first, last, runs.get(), out);
    else
        std::memcpy(out, results.data(), results.size() * sizeof(double));
    if (d.dest.created) RebuildChannelItems(gs);
    FinishTransform(gs);
    return 1;
}
