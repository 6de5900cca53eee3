// The Transform menu's math functions, in place on the selected channel's selection.
#include "transforms/math_functions.h"
#include "graph/view/display_modes.h"
#include "transforms/transforms_api.h"
#include "transforms/transforms_ids.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "documents/documents_api.h"
#include "graph/dialogs/dialogs_api.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "devlib/vk40.h"
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

// Log and square root of values at or below 0 give 0, without a message.
double Ln(double x) { return x > 0.0 ? std::log(x) : 0.0; }
double Log10(double x) { return x > 0.0 ? std::log10(x) : 0.0; }
double Sqrt(double x) { return x > 0.0 ? std::sqrt(x) : 0.0; }

int StandardRandom() { return std::rand(); }

// The undo text of each function of the menu's table; null for the prompted ones.
const char* UndoText(uint32_t id) {
    switch (id) {
    case IDM_MATH_ABS: return "Undo Abs";
    case IDM_MATH_ARCTAN: return "Undo ArcTangent";
    case IDM_MATH_CONNECT_ENDPOINTS: return "Undo Connect";
    case IDM_MATH_EXP: return "Undo Exp";
    case IDM_MATH_LN: return "Undo Ln";
    case IDM_MATH_LOG: return "Undo Log";
    case IDM_MATH_NOISE: return "Undo Noise";
    case IDM_MATH_SIN: return "Undo Sin";
    case IDM_MATH_SQRT: return "Undo Sqrt";
    default: return nullptr;
    }
}

// The samples first .. last of a channel already converted to doubles; null without a block.
double* SelectedValues(tagGS* gs, int slot, int32_t first) {
    auto* block = static_cast<double*>(gs->chanBlock[slot]);
    return block ? block + first : nullptr;
}

// Two numbers asked in turn, each shown with the channel's units; 0 when either is cancelled.
int PromptTwoNumbers(tagGS* gs, const char* lowerLabel, const char* upperLabel, double* lower, double* upper) {
    const char* units = gs->chanUnits[gs->selectedChan];
    *lower = *upper = 0.0;
    if (PromptForNumber(gs->hwnd, lower, units, lowerLabel, nullptr, nullptr, 0, nullptr) != 1) return 0;
    return PromptForNumber(gs->hwnd, upper, units, upperLabel, nullptr, nullptr, 0, nullptr) == 1 ? 1 : 0;
}

// The table's functions under the wait cursor, with the undo entry just before the change.
void ApplyTableFunction(tagGS* gs, uint32_t id, int32_t first, int32_t last) {
    const int slot = static_cast<int>(gs->selectedChan);
    const size_t n = static_cast<size_t>(last - first) + 1;
    if (id == IDM_MATH_CONNECT_ENDPOINTS && last - first <= 1) return;
    SetWaitCursor(1);
    SaveUndo(gs, slot, kUndoInPlace, UndoText(id));
    if (double* values = SelectedValues(gs, slot, first)) {
        if (id == IDM_MATH_CONNECT_ENDPOINTS)
            ConnectEndpointValues(values, n);
        else
            MathFunctionValues(id, values, n, StandardRandom);
    }
    setDirtyGraphFlag(gs, 1);
    SetWaitCursor(0);
}

}  // namespace

int MathFunctionValues(uint32_t id, double* values, size_t n, int (*random)()) {
    double (*f)(double) = nullptr;
    switch (id) {
    case IDM_MATH_ABS: f = std::fabs; break;
    case IDM_MATH_ARCTAN: f = std::atan; break;
    case IDM_MATH_EXP: f = std::exp; break;
    case IDM_MATH_LN: f = Ln; break;
    case IDM_MATH_LOG: f = Log10; break;
    case IDM_MATH_SIN: f = std::sin; break;
    case IDM_MATH_SQRT: f = Sqrt; break;
    case IDM_MATH_NOISE:
        for (size_t i = 0; i < n; ++i) values[i] = (random() & 0x7FFF) / 32767.0 - 0.5;
        return 1;
    default: return 0;
    }
    for (size_t i = 0; i < n; ++i) values[i] = f(values[i]);
    return 1;
}

// The slope per sample of the end points; each value is its position on that line.
void ConnectEndpointValues(double* values, size_t n) {
    if (n < 3) return;
    const double a = values[0];
    const double slope = (values[n - 1] - a) / static_cast<double>(n - 1);
    for (size_t i = 1; i + 1 < n; ++i) values[i] = a + slope * static_cast<double>(i);
}

void LimitValues(double* values, size_t n, double lower, double upper) {
    if (lower > upper) std::swap(lower, upper);
    for (size_t i = 0; i < n; ++i) {
        if (values[i] < lower) values[i] = lower;
        if (values[i] > upper) values[i] = upper;
    }
}

void ThresholdValues(double* values, size_t n, double lower, double upper) {
    if (lower > upper) std::swap(lower, upper);
    if (n == 0) return;
    double state = values[0] > upper ? 1.0 : 0.0;
    for (size_t i = 0; i < n; ++i) {
        if (values[i] < lower) state = 0.0;
        if (values[i] > upper) state = 1.0;
        values[i] = state;
    }
}

namespace {

// Limit and Threshold: the selected channel's range in place, with its undo.
int BoundWave(tagGS* gs, int32_t first, int32_t last, double lower, double upper, const char* undo,
              void (*apply)(double*, size_t, double, double)) {
    const int slot = static_cast<int>(gs->selectedChan);
    if (first > last || !ConvertChannelToDouble(gs, slot)) return 1;
    SaveUndo(gs, slot, kUndoInPlace, undo);
    if (double* values = SelectedValues(gs, slot, first)) apply(values, static_cast<size_t>(last - first) + 1, lower, upper);
    setDirtyGraphFlag(gs, 1);
    return 1;
}

}  // namespace

int LimitWave(tagGS* gs, int32_t first, int32_t last, double lower, double upper) {
    return BoundWave(gs, first, last, lower, upper, "Undo Limit", LimitValues);
}

int ThresholdWave(tagGS* gs, int32_t first, int32_t last, double lower, double upper) {
    return BoundWave(gs, first, last, lower, upper, "Undo Threshold", ThresholdValues);
}

// Conversion and range first; Limit and Threshold ask their two numbers, the rest run at once.
int ApplyMathFunction(tagGS* gs, uint32_t id) {
    const int slot = static_cast<int>(gs->selectedChan);
    if (!ConvertChannelToDouble(gs, slot)) return 30;
    int32_t first = 0, last = 0;
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(slot))) return 36;
    double lower = 0.0, upper = 0.0;
    if (id == IDM_MATH_LIMIT) {
        if (!PromptTwoNumbers(gs, "Enter lower limit", "Enter upper limit", &lower, &upper)) return 0;
        LimitWave(gs, first, last, lower, upper);
    } else if (id == IDM_MATH_THRESHOLD) {
        if (!PromptTwoNumbers(gs, "Enter lower threshold", "Enter upper threshold", &lower, &upper)) return 0;
        ThresholdWave(gs, first, last, lower, upper);
    } else if (UndoText(id)) {
        ApplyTableFunction(gs, id, first, last);
    } else {
        return 0;
    }
    if (gs->autoscaleMode) AutoScaleGraph(gs, gs->autoscaleMode == 1);
    return 0;
}
