// Dialog 106, "Expression": the expression text of a calculation channel, shown with channels
// named as the user sees them (A1, D1, C1) and stored with their identifiers (CH1, CH20, CH40).
#include <cstdio>
#include <cstring>

#include "common/tagGS.h"
#include "devlib/acquisition/calc/calc_dialogs.h"
#include "devlib/acquisition/calc/calc_dialogs_frame.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"

using namespace calcdlg;

namespace {

constexpr int kExpressionChars = kExpressionBytes - 1;
constexpr LPARAM kTimeRow = -1;  // the last channel row: "Time" or "Freq"

const char* const kFunctions[] = {"abs()",  "acos()",  "asin()", "atan()",  "cosh()", "cos()",
                                  "exp()",  "log10()", "log()",  "round()", "sinh()", "sin()",
                                  "sqrt()", "sqr()",   "tanh()", "tan()",   "trunc()"};
const char* const kOperators[] = {"+", "-", "*", "/", "^", "(", ")"};

void AddListRow(HWND dlg, int list, const char* text, LPARAM value) {
    const LRESULT row = SendDlgItemMessageA(dlg, list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (row >= 0) SendDlgItemMessageA(dlg, list, LB_SETITEMDATA, static_cast<WPARAM>(row), value);
}

// Enabled channels as "A%d, %s", "D%d, %s" and (below this one) "C%d, %s", then the time row.
void FillChannelRows(HWND dlg, const stCalcDlg* st, const tagGS* graph) {
    const stAcq* acq = st->acq;
    const int32_t total = kAnalogChannels + NDChan + st->channel;
    for (int32_t index = 0; index < total; ++index) {
        const stAcqChan& rec = acq->chans[index];
        if (!(rec.flags & kChanEnabled)) continue;
        char label[sizeof(rec.label) + 1] = {}, text[sizeof(rec.label) + 32];
        memcpy(label, rec.label, sizeof(rec.label));
        int32_t id = rec.number + acq->firstAnalogNumber;
        if (rec.group == kGroupAnalog) snprintf(text, sizeof(text), "A%d, %s", id, label);
        if (rec.group == kGroupDigital) {
            id = kDigitalIdBase + rec.number;
            snprintf(text, sizeof(text), "D%d, %s", rec.number + 1, label);
        }
        if (rec.group == kGroupCalc) {
            id = kCalcIdBase + rec.number;
            snprintf(text, sizeof(text), "C%d, %s", rec.number + 1, label);
        }
        AddListRow(dlg, IDC_EXPR_CHANNELS, text, id);
    }
    AddListRow(dlg, IDC_EXPR_CHANNELS, Keyed(graph && graph->hUnitKind == kHUnitFrequency ? "Freq" : "Time"), kTimeRow);
}

void ExpressionInit(HWND dlg, stCalcDlg* st) {
    SendDlgItemMessageA(dlg, IDC_EXPR_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)),
                        TRUE);
    SendDlgItemMessageA(dlg, IDC_EXPR_TEXT, EM_LIMITTEXT, kExpressionChars, 0);
    char stored[kExpressionBytes + 1] = {}, shown[kExpressionBytes] = {};
    memcpy(stored, CalcSettings(st->acq)->expression[st->channel], kExpressionBytes);
    ExpressionToDisplay(stored, shown, sizeof(shown));
    SetDlgItemTextA(dlg, IDC_EXPR_TEXT, shown);
    FillChannelRows(dlg, st, static_cast<const tagGS*>(st->extra));
    for (const char* f : kFunctions) AddListRow(dlg, IDC_EXPR_FUNCTIONS, f, 0);
    for (const char* o : kOperators) AddListRow(dlg, IDC_EXPR_OPERATORS, o, 0);
}

// Every reference must name an enabled channel; the first that does not is selected to the end.
bool ExpressionApply(HWND dlg, stCalcDlg* st, stCalcSettings* work, stAcqChan*) {
    char shown[kExpressionBytes] = {}, stored[kExpressionBytes] = {};
    GetDlgItemTextA(dlg, IDC_EXPR_TEXT, shown, sizeof(shown));
    size_t pos = 0, at = 0, length = 0;
    int32_t id = 0;
    while (NextChannelReference(shown, pos, &at, &length, &id)) {
        if (!IsSourceChannelEnabled(st->acq, id)) {
            MessageBeep(MB_ICONEXCLAMATION);
            SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, IDC_EXPR_TEXT)), TRUE);
            SendDlgItemMessageA(dlg, IDC_EXPR_TEXT, EM_SETSEL, at, -1);
            return false;
        }
        pos = at + length;
    }
    if (!ExpressionFromDisplay(shown, stored, sizeof(stored))) {
        Warn(dlg, "KEY Expression too long", "Warning");
        FocusField(dlg, IDC_EXPR_TEXT);
        return false;
    }
    char* target = work->expression[st->channel];
    memset(target, 0, kExpressionBytes);
    memcpy(target, stored, strnlen(stored, kExpressionChars));
    return true;
}

// A chosen row typed at the caret; a function leaves the caret between its parentheses.
void InsertRow(HWND dlg, int list) {
    const LRESULT row = SendDlgItemMessageA(dlg, list, LB_GETCURSEL, 0, 0);
    if (row == LB_ERR) return;
    char text[128] = {};
    if (SendDlgItemMessageA(dlg, list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0) >= LRESULT(sizeof(text))) return;
    SendDlgItemMessageA(dlg, list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
    if (list == IDC_EXPR_CHANNELS &&
        SendDlgItemMessageA(dlg, list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0) != kTimeRow) {
        if (char* comma = strchr(text, ',')) *comma = '\0';
    }
    HWND edit = GetDlgItem(dlg, IDC_EXPR_TEXT);
    DWORD start = 0, end = 0;  // the focus change selects the whole text: the caret comes back after it
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    SendMessageA(edit, EM_SETSEL, start, end);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    if (list == IDC_EXPR_FUNCTIONS) {
        SendMessageA(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
        if (end > 0) SendMessageA(edit, EM_SETSEL, end - 1, end - 1);
    }
}

void ExpressionCommand(HWND dlg, stCalcDlg*, int id, unsigned code) {
    if ((id == IDC_EXPR_CHANNELS || id == IDC_EXPR_FUNCTIONS || id == IDC_EXPR_OPERATORS) && code == LBN_DBLCLK)
        InsertRow(dlg, id);
    if (id == IDC_EXPR_CLEAR && code == BN_CLICKED) SetDlgItemTextA(dlg, IDC_EXPR_TEXT, "");
}

const stCalcKindOps kExpressionOps{IDD_CALC_EXPRESSION, kCalcExpression, ExpressionInit, ExpressionApply,
                                   ExpressionCommand};

}  // namespace

// Expressions name the graph's time or frequency axis, so they are edited with a graph attached.
int32_t ShowExpressionDialog(HWND parent, stAcq* acq, int32_t channel) {
    if (!acq) return 0;
    tagGS* graph = acq->run.attachedGraph;
    if (!graph) {
        MessageBoxA(parent, Keyed("Please open a graph window before editing expressions."), Keyed("Wavemind"),
                    MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    return RunCalcDialog(parent, acq, channel, kExpressionOps, graph);
}
