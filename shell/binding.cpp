// The host callbacks the device library calls, and loading and binding the library.
#include "shell/binding.h"
#include "base/app.h"
#include "base/device.h"
#include "graph/render/grid_lines.h"
#include "graph/render/waveforms.h"
#include "graph/view/axes.h"
#include "graph/view/display_modes.h"
#include "graph/window/graph_window.h"
#include "shell/commands/status.h"
#include "shell/startup.h"
#include "graph/document/graph_doc.h"
#include "graph/document/marker_walks.h"
#include "graph/window/click_routing.h"
#include "documents/documents_api.h"
#include "documents/files/graph_file.h"
#include "scripts/script_api.h"
#include "scripts/engine/script_engine.h"
#include "transforms/expression/expression.h"

namespace {
// Adapters: each turns the library's call into a call of the program's own routine.
void WINAPI CbSyncChannelDisplayFlags(tagGS* gs) { SyncChannelDisplayFlags(gs); }
void WINAPI CbUpdateAllMeasurements(tagGS* gs) { UpdateAllMeasurements(gs); }
uint32_t WINAPI CbGetSegmentEnd(tagGS* gs, stMarkerNode* node) { return GetSegmentEnd(gs, node); }
stMarkerNode* WINAPI CbFindMarkerAfter(tagGS* gs, stMarkerNode* n, uint32_t pos, int32_t type) {
    return FindMarkerAfter(gs, n, pos, type);
}
stMarkerNode* WINAPI CbFindMarkerAtOrAfter(tagGS* gs, stMarkerNode* n, uint32_t pos, int32_t type) {
    return FindMarkerAtOrAfter(gs, n, pos, type);
}
stMarkerNode* WINAPI CbFirstMarkerOfType(tagGS* gs, int32_t type) { return FirstMarkerOfType(gs, type); }
stMarkerNode* WINAPI CbNextMarkerOfType(tagGS* gs, stMarkerNode* n, int32_t type) {
    return NextMarkerOfType(gs, n, type);
}
int32_t WINAPI CbGetChannelSample(tagGS* gs, int32_t index, int32_t slot, double* out) {
    return GetChannelSample(gs, index, slot, out);
}
int32_t WINAPI CbPutChannelSample(tagGS* gs, int32_t index, int32_t slot, double value, int32_t grow) {
    return PutChannelSample(gs, index, slot, value, grow);
}
int32_t WINAPI CbDrawGraphWaveforms(HDC dc, tagGS* gs, int16_t chan, double first, double span, int16_t colorMode) {
    return DrawGraphWaveforms(dc, gs, chan, first, span, colorMode, 1, 1, 0, 0);
}
int32_t WINAPI CbDrawGraphWaveforms2(HDC dc, tagGS* gs, int32_t firstFrame, int32_t lastFrame, int16_t colorMode) {
    return DrawGraphWaveforms2(dc, gs, firstFrame, lastFrame, colorMode, 0, 1, 1);
}
void WINAPI CbDrawTimeAxis(HDC dc, tagGS* gs) { DrawTimeAxis(dc, gs); }
int32_t WINAPI CbWriteAcqFile(tagGS* gs, HANDLE file, int32_t mode) { return WriteAcqFile(gs, file, mode, 1); }
void* WINAPI CbSetActiveModelessDialog(HWND hwnd) {
    g_app->hwndActiveDlg = hwnd;
    return g_app;
}
void WINAPI CbUpdateHScrollBar(tagGS* gs) { UpdateHScrollBar(gs); }
void WINAPI CbDrawChannelGrid(HDC dc, tagGS* gs, int32_t slot) { DrawChannelGrid(dc, gs, slot, 0, 0, 1, 1); }
stMarkerNode* WINAPI CbInsertMarker(tagGS* gs, double timeMs, int32_t update, const char* label, int32_t type) {
    return InsertMarker(gs, timeMs, update, label, type);
}
int32_t WINAPI CbGetSelectionSampleRange(tagGS* gs, int32_t* first, int32_t* last, int16_t chan) {
    return GetSelectionSampleRange(gs, first, last, chan);
}
int32_t WINAPI CbGetChannelClipboard(tagGS** out) {
    *out = g_app->gsClipboard;
    return g_app->gsClipboard != nullptr;
}
int32_t WINAPI CbSetChannelClipboard(tagGS* gs) {
    g_app->gsClipboard = gs;
    return gs != nullptr;
}
tagGS* WINAPI CbGetWindowGraph(HWND hwnd) { return GetWindowGraph(hwnd); }
int32_t WINAPI CbLoadSampleWindow(tagGS* gs, int32_t start, int32_t length) {
    return LoadSampleWindow(gs, start, length);
}
int32_t WINAPI CbGetScriptNestingDepth() { return GetScriptNestingDepth(); }
int32_t WINAPI CbGetScriptToken(const char* pos, char* out) { return GetScriptToken(pos, out); }
// A field that failed to read answers 0, so that the library's words change nothing with it.
int32_t WINAPI CbGetScriptNumber(const char* pos, double* out) {
    double value = 0.0;
    const int failedBefore = ScriptFieldFailed();
    const int32_t r = GetScriptNumber(pos, &value);
    *out = value;
    return !failedBefore && ScriptFieldFailed() ? 0 : r;
}
int32_t WINAPI CbEvaluateScriptExpression(const char* pos, char* out) { return EvaluateScriptExpression(pos, out); }
void WINAPI CbAssignScriptStringVariable(int32_t letter, const char* text, int32_t macroLocal) {
    AssignScriptStringVariable(letter, text, macroLocal);
}
void WINAPI CbAssignScriptNumericVariable(void* ctx, const char* name, double value) {
    AssignScriptNumericVariable(ctx, name, value);
}
int32_t WINAPI CbRunScriptSubroutine(void* script, const char* name, int32_t waitCursor) {
    return RunScriptSubroutine(script, name, waitCursor);
}
void WINAPI CbRedrawMarkerBar(tagGS* gs) { RedrawMarkerBar(gs); }
}  // namespace

// Fills every slot of the host table; called once, before the binding.
void InitDriverCallbacks() {
    stHostCallbacks t{};
    t.syncChannelDisplayFlags = CbSyncChannelDisplayFlags;
    t.updateAllMeasurements = CbUpdateAllMeasurements;
    t.getSegmentEnd = CbGetSegmentEnd;
    t.findMarkerAfter = CbFindMarkerAfter;
    t.findMarkerAtOrAfter = CbFindMarkerAtOrAfter;
    t.firstMarkerOfType = CbFirstMarkerOfType;
    t.nextMarkerOfType = CbNextMarkerOfType;
    t.getChannelSample = CbGetChannelSample;
    t.putChannelSample = CbPutChannelSample;
    t.drawGraphWaveforms = CbDrawGraphWaveforms;
    t.drawGraphWaveforms2 = CbDrawGraphWaveforms2;
    t.drawTimeAxis = CbDrawTimeAxis;
    t.onGraphChanged = OnGraphChanged;
    t.onGraphViewChanged = OnGraphViewChanged;
    t.writeAcqFile = CbWriteAcqFile;
    t.setActiveModelessDialog = CbSetActiveModelessDialog;
    t.updateHScrollBar = CbUpdateHScrollBar;
    t.drawChannelGrid = CbDrawChannelGrid;
    t.evaluateExpressionAt = EvaluateExpressionForHost;
    t.insertMarker = CbInsertMarker;
    t.getSelectionSampleRange = CbGetSelectionSampleRange;
    t.getChannelClipboard = CbGetChannelClipboard;
    t.setChannelClipboard = CbSetChannelClipboard;
    t.getWindowGraph = CbGetWindowGraph;
    t.loadSampleWindow = CbLoadSampleWindow;
    t.getScriptNestingDepth = CbGetScriptNestingDepth;
    t.getScriptToken = CbGetScriptToken;
    t.getScriptNumber = CbGetScriptNumber;
    t.evaluateScriptExpression = CbEvaluateScriptExpression;
    t.assignScriptStringVariable = CbAssignScriptStringVariable;
    t.assignScriptNumericVariable = CbAssignScriptNumericVariable;
    t.runScriptSubroutine = CbRunScriptSubroutine;
    t.redrawMarkerBar = CbRedrawMarkerBar;
    t.scriptObject = g_script.script;
    DeviceSetHostCallbacks(t);
}

// Loads the device library and exchanges the tables; the program runs on without it.
int BindDeviceLibrary(HWND hwndFrame) { return BindDeviceLibraryFrom("vk40.dll", hwndFrame); }

int BindDeviceLibraryFrom(const char* fileName, HWND hwndFrame) { return DeviceBind(fileName, hwndFrame); }

// The library's shut-down, then unloading; after this no device operation is called.
void UnbindDeviceLibrary() { DeviceUnbind(); }
