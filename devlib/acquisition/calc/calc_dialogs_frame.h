// The frame the calculation dialogs share (heading, label, preset name, "&Scaling...", "&New
// Channel Preset", OK and Cancel) and the small field helpers their parameter fields use.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/stAcq.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/services/library.h"

struct stCalcDlg;

// One kind's parameter fields. apply validates the fields into work's entry of the channel (and the
// channel record copy chan, for kinds that set its units); on a refused field it leaves the focus
// there and returns false.
struct stCalcKindOps {
    int dlgId;
    int16_t kind;
    void (*init)(HWND dlg, stCalcDlg* st);
    bool (*apply)(HWND dlg, stCalcDlg* st, stCalcSettings* work, stAcqChan* chan);
    void (*command)(HWND dlg, stCalcDlg* st, int id, unsigned code);
};

struct stCalcDlg {
    stAcq* acq;
    int32_t channel;  // 0-11
    stAcqChan* rec;   // the channel's record, which "&Scaling..." edits at once
    const stCalcKindOps* ops;
    void* extra;  // a kind's own dialog state
};

// Runs the frame's dialog for one kind; 1 OK, 0 Cancel.
int32_t RunCalcDialog(HWND parent, stAcq* acq, int32_t channel, const stCalcKindOps& ops, void* extra);

// Dialog 106, the expression of a calculation channel; 1 OK, 0 Cancel.
int32_t ShowExpressionDialog(HWND parent, stAcq* acq, int32_t channel);

namespace calcdlg {

// A beep and a keyed message with a keyed caption.
void Warn(HWND dlg, const char* key, const char* captionKey);
// The caret into a refused field, its text selected.
void FocusField(HWND dlg, int id);
void SetNumber(HWND dlg, int id, const char* format, double value);
// A number typed in full (spaces around it allowed); false for anything else.
bool ReadNumber(HWND dlg, int id, double* out);
bool ReadWhole(HWND dlg, int id, long* out);
void SetChecked(HWND dlg, int id, bool on);
bool IsChecked(HWND dlg, int id);
void Enable(HWND dlg, int id, bool on);
void Show(HWND dlg, int id, bool on);
// A row in a drop-down list, carrying a value: a text shown as it is (a symbol), or a keyed one.
void AddRow(HWND dlg, int combo, const char* text, LPARAM value);
void AddKeyedRow(HWND dlg, int combo, const char* key, LPARAM value);
// The value of the selected row, or fallback when none is selected.
LPARAM SelectedValue(HWND dlg, int combo, LPARAM fallback);
void SelectValue(HWND dlg, int combo, LPARAM value);

// The source list of a dialog, filled and selected; its units label shown.
void FillSources(HWND dlg, const stCalcDlg* st, int combo, int32_t selectedId);
// The units text of the channel an identifier names ("" for none).
std::string SourceUnits(const stCalcDlg* st, int32_t id);
void ShowSourceUnits(HWND dlg, const stCalcDlg* st, int combo, int label);
// The chosen source; false (focus on the list) when nothing is chosen.
bool ReadSource(HWND dlg, const stCalcDlg* st, int combo, int32_t* id);

}  // namespace calcdlg
