// The two tables that bind the program and the device library: the host callbacks the library
// calls, and the device operations the program calls. Both are plain arrays of pointers, so
// their layout is the same in both modules. Callers go through the inline wrappers below each
// table, never through an entry by hand.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;
struct stMarkerNode;
// What the interpreter hands the device library with a "VK40" or "LNX2W" statement.
struct stScriptStatement {
    const char* text;     // from the statement's first word; the line ends with CR
    double* appVariables;  // the 26 application variables A..Z
    void* frame;          // the running subroutine, handed back to AssignScriptNumericVariable
    tagGS* document;      // the script's current document, or null
};

// The modes of the host's WriteAcqFile (slot 14) and of the program's graph file writer.
enum AcqFileWrite : int32_t {
    kWriteWhole = 0,
    kWriteHead = 1,         // head only: a recording to disk at its first data
    kWriteHeadAndTail = 2,  // head, then markers and blocks behind the file's samples
    kWriteSelection = 3,    // the selected range only
};

// ---- Host callbacks (filled by the program, copied by the library) ----
namespace hostcb {
using SyncChannelDisplayFlags = void(WINAPI*)(tagGS*);
using UpdateAllMeasurements = void(WINAPI*)(tagGS*);
using GetSegmentEnd = uint32_t(WINAPI*)(tagGS*, stMarkerNode*);
using FindMarker = stMarkerNode*(WINAPI*)(tagGS*, stMarkerNode*, uint32_t pos, int32_t type);
using FirstMarkerOfType = stMarkerNode*(WINAPI*)(tagGS*, int32_t type);
using NextMarkerOfType = stMarkerNode*(WINAPI*)(tagGS*, stMarkerNode*, int32_t type);
using GetChannelSample = int32_t(WINAPI*)(tagGS*, int32_t index, int32_t slot, double* out);
using PutChannelSample = int32_t(WINAPI*)(tagGS*, int32_t index, int32_t slot, double value, int32_t grow);
using DrawGraphWaveforms = int32_t(WINAPI*)(HDC, tagGS*, int16_t chan, double first, double span, int16_t colorMode);
using DrawGraphWaveforms2 = int32_t(WINAPI*)(HDC, tagGS*, int32_t firstFrame, int32_t lastFrame, int16_t colorMode);
using DrawTimeAxis = void(WINAPI*)(HDC, tagGS*);
using OnGraphChanged = int32_t(WINAPI*)(tagGS*, int32_t, int32_t, int32_t);
using OnGraphViewChanged = void(WINAPI*)(tagGS*, int32_t storageKind);
using WriteAcqFile = int32_t(WINAPI*)(tagGS*, HANDLE file, int32_t mode);
using SetActiveModelessDialog = void*(WINAPI*)(HWND);
using UpdateHScrollBar = void(WINAPI*)(tagGS*);
using DrawChannelGrid = void(WINAPI*)(HDC, tagGS*, int32_t slot);
using EvaluateExpressionAt = int32_t(WINAPI*)(tagGS*, int32_t index, const char* expr, double* out);
using InsertMarker = stMarkerNode*(WINAPI*)(tagGS*, double timeMs, int32_t updateButtons, const char* label,
                                            int32_t type);
using GetSelectionSampleRange = int32_t(WINAPI*)(tagGS*, int32_t* first, int32_t* last, int16_t chan);
using GetChannelClipboard = int32_t(WINAPI*)(tagGS** out);
using SetChannelClipboard = int32_t(WINAPI*)(tagGS*);
using GetWindowGraph = tagGS*(WINAPI*)(HWND);
using LoadSampleWindow = int32_t(WINAPI*)(tagGS*, int32_t start, int32_t length);
using GetScriptNestingDepth = int32_t(WINAPI*)();
using GetScriptToken = int32_t(WINAPI*)(const char* pos, char* out256);
using GetScriptNumber = int32_t(WINAPI*)(const char* pos, double* out);
using EvaluateScriptExpression = int32_t(WINAPI*)(const char* pos, char* out);
using AssignScriptStringVariable = void(WINAPI*)(int32_t letter, const char* text, int32_t macroLocal);
using AssignScriptNumericVariable = void(WINAPI*)(void* context, const char* name, double value);
using RunScriptSubroutine = int32_t(WINAPI*)(void* script, const char* name, int32_t waitCursor);
using RedrawMarkerBar = void(WINAPI*)(tagGS*);
}  // namespace hostcb

constexpr int kHostCallbackSlots = 34;

struct stHostCallbacks {
    hostcb::SyncChannelDisplayFlags syncChannelDisplayFlags;          // 0
    hostcb::UpdateAllMeasurements updateAllMeasurements;              // 1
    hostcb::GetSegmentEnd getSegmentEnd;                              // 2
    hostcb::FindMarker findMarkerAfter;                               // 3
    hostcb::FindMarker findMarkerAtOrAfter;                           // 4
    hostcb::FirstMarkerOfType firstMarkerOfType;                      // 5
    hostcb::NextMarkerOfType nextMarkerOfType;                        // 6
    hostcb::GetChannelSample getChannelSample;                        // 7
    hostcb::PutChannelSample putChannelSample;                        // 8
    hostcb::DrawGraphWaveforms drawGraphWaveforms;                    // 9
    hostcb::DrawGraphWaveforms2 drawGraphWaveforms2;                  // 10
    hostcb::DrawTimeAxis drawTimeAxis;                                // 11
    hostcb::OnGraphChanged onGraphChanged;                            // 12
    hostcb::OnGraphViewChanged onGraphViewChanged;                    // 13
    hostcb::WriteAcqFile writeAcqFile;                                // 14
    hostcb::SetActiveModelessDialog setActiveModelessDialog;          // 15
    hostcb::UpdateHScrollBar updateHScrollBar;                        // 16
    hostcb::DrawChannelGrid drawChannelGrid;                          // 17
    hostcb::EvaluateExpressionAt evaluateExpressionAt;                // 18
    hostcb::InsertMarker insertMarker;                                // 19
    hostcb::GetSelectionSampleRange getSelectionSampleRange;          // 20
    hostcb::GetChannelClipboard getChannelClipboard;                  // 21
    hostcb::SetChannelClipboard setChannelClipboard;                  // 22
    hostcb::GetWindowGraph getWindowGraph;                            // 23
    hostcb::LoadSampleWindow loadSampleWindow;                        // 24
    hostcb::GetScriptNestingDepth getScriptNestingDepth;              // 25
    hostcb::GetScriptToken getScriptToken;                            // 26
    hostcb::GetScriptNumber getScriptNumber;                          // 27
    hostcb::EvaluateScriptExpression evaluateScriptExpression;        // 28
    hostcb::AssignScriptStringVariable assignScriptStringVariable;    // 29
    hostcb::AssignScriptNumericVariable assignScriptNumericVariable;  // 30
    hostcb::RunScriptSubroutine runScriptSubroutine;                  // 31
    hostcb::RedrawMarkerBar redrawMarkerBar;                          // 32
    void* scriptObject;                                               // 33: the loaded lesson script
};
static_assert(sizeof(stHostCallbacks) == kHostCallbackSlots * sizeof(void*), "host table is 34 pointers");

// Calls through the host table. Each holds the null checks: without a table or an entry nothing
// is called and the answer is the failure value (0, or null); out-parameters are left as they are.
inline void HostSyncChannelDisplayFlags(const stHostCallbacks* t, tagGS* gs) {
    if (t && t->syncChannelDisplayFlags) t->syncChannelDisplayFlags(gs);
}
inline void HostUpdateAllMeasurements(const stHostCallbacks* t, tagGS* gs) {
    if (t && t->updateAllMeasurements) t->updateAllMeasurements(gs);
}
inline uint32_t HostGetSegmentEnd(const stHostCallbacks* t, tagGS* gs, stMarkerNode* node) {
    return t && t->getSegmentEnd ? t->getSegmentEnd(gs, node) : 0;
}
inline stMarkerNode* HostFindMarkerAfter(const stHostCallbacks* t, tagGS* gs, stMarkerNode* start, uint32_t pos,
                                         int32_t type) {
    return t && t->findMarkerAfter ? t->findMarkerAfter(gs, start, pos, type) : nullptr;
}
inline stMarkerNode* HostFindMarkerAtOrAfter(const stHostCallbacks* t, tagGS* gs, stMarkerNode* start, uint32_t pos,
                                             int32_t type) {
    return t && t->findMarkerAtOrAfter ? t->findMarkerAtOrAfter(gs, start, pos, type) : nullptr;
}
inline stMarkerNode* HostFirstMarkerOfType(const stHostCallbacks* t, tagGS* gs, int32_t type) {
    return t && t->firstMarkerOfType ? t->firstMarkerOfType(gs, type) : nullptr;
}
inline stMarkerNode* HostNextMarkerOfType(const stHostCallbacks* t, tagGS* gs, stMarkerNode* node, int32_t type) {
    return t && t->nextMarkerOfType ? t->nextMarkerOfType(gs, node, type) : nullptr;
}
inline int32_t HostGetChannelSample(const stHostCallbacks* t, tagGS* gs, int32_t index, int32_t slot, double* out) {
    return t && t->getChannelSample ? t->getChannelSample(gs, index, slot, out) : 0;
}
inline int32_t HostPutChannelSample(const stHostCallbacks* t, tagGS* gs, int32_t index, int32_t slot, double value,
                                    int32_t grow) {
    return t && t->putChannelSample ? t->putChannelSample(gs, index, slot, value, grow) : 0;
}
inline int32_t HostDrawGraphWaveforms(const stHostCallbacks* t, HDC dc, tagGS* gs, int16_t chan, double first,
                                      double span, int16_t colorMode) {
    return t && t->drawGraphWaveforms ? t->drawGraphWaveforms(dc, gs, chan, first, span, colorMode) : 0;
}
inline int32_t HostDrawGraphWaveforms2(const stHostCallbacks* t, HDC dc, tagGS* gs, int32_t firstFrame,
                                       int32_t lastFrame, int16_t colorMode) {
    return t && t->drawGraphWaveforms2 ? t->drawGraphWaveforms2(dc, gs, firstFrame, lastFrame, colorMode) : 0;
}
inline void HostDrawTimeAxis(const stHostCallbacks* t, HDC dc, tagGS* gs) {
    if (t && t->drawTimeAxis) t->drawTimeAxis(dc, gs);
}
inline int32_t HostOnGraphChanged(const stHostCallbacks* t, tagGS* gs, int32_t a, int32_t b, int32_t c) {
    return t && t->onGraphChanged ? t->onGraphChanged(gs, a, b, c) : 0;
}
inline void HostOnGraphViewChanged(const stHostCallbacks* t, tagGS* gs, int32_t storageKind) {
    if (t && t->onGraphViewChanged) t->onGraphViewChanged(gs, storageKind);
}
inline int32_t HostWriteAcqFile(const stHostCallbacks* t, tagGS* gs, HANDLE file, int32_t mode) {
    return t && t->writeAcqFile ? t->writeAcqFile(gs, file, mode) : 0;
}
inline void* HostSetActiveModelessDialog(const stHostCallbacks* t, HWND dlg) {
    return t && t->setActiveModelessDialog ? t->setActiveModelessDialog(dlg) : nullptr;
}
inline void HostUpdateHScrollBar(const stHostCallbacks* t, tagGS* gs) {
    if (t && t->updateHScrollBar) t->updateHScrollBar(gs);
}
inline void HostDrawChannelGrid(const stHostCallbacks* t, HDC dc, tagGS* gs, int32_t slot) {
    if (t && t->drawChannelGrid) t->drawChannelGrid(dc, gs, slot);
}
inline int32_t HostEvaluateExpressionAt(const stHostCallbacks* t, tagGS* gs, int32_t index, const char* expr,
                                        double* out) {
    return t && t->evaluateExpressionAt ? t->evaluateExpressionAt(gs, index, expr, out) : 0;
}
inline stMarkerNode* HostInsertMarker(const stHostCallbacks* t, tagGS* gs, double timeMs, int32_t updateButtons,
                                      const char* label, int32_t type) {
    return t && t->insertMarker ? t->insertMarker(gs, timeMs, updateButtons, label, type) : nullptr;
}
inline int32_t HostGetSelectionSampleRange(const stHostCallbacks* t, tagGS* gs, int32_t* first, int32_t* last,
                                           int16_t chan) {
    return t && t->getSelectionSampleRange ? t->getSelectionSampleRange(gs, first, last, chan) : 0;
}
inline int32_t HostGetChannelClipboard(const stHostCallbacks* t, tagGS** out) {
    return t && t->getChannelClipboard ? t->getChannelClipboard(out) : 0;
}
inline int32_t HostSetChannelClipboard(const stHostCallbacks* t, tagGS* gs) {
    return t && t->setChannelClipboard ? t->setChannelClipboard(gs) : 0;
}
inline tagGS* HostGetWindowGraph(const stHostCallbacks* t, HWND hwnd) {
    return t && t->getWindowGraph ? t->getWindowGraph(hwnd) : nullptr;
}
inline int32_t HostLoadSampleWindow(const stHostCallbacks* t, tagGS* gs, int32_t start, int32_t length) {
    return t && t->loadSampleWindow ? t->loadSampleWindow(gs, start, length) : 0;
}
inline int32_t HostGetScriptNestingDepth(const stHostCallbacks* t) {
    return t && t->getScriptNestingDepth ? t->getScriptNestingDepth() : 0;
}
inline int32_t HostGetScriptToken(const stHostCallbacks* t, const char* pos, char* out256) {
    return t && t->getScriptToken ? t->getScriptToken(pos, out256) : 0;
}
inline int32_t HostGetScriptNumber(const stHostCallbacks* t, const char* pos, double* out) {
    return t && t->getScriptNumber ? t->getScriptNumber(pos, out) : 0;
}
inline int32_t HostEvaluateScriptExpression(const stHostCallbacks* t, const char* pos, char* out) {
    return t && t->evaluateScriptExpression ? t->evaluateScriptExpression(pos, out) : 0;
}
inline void HostAssignScriptStringVariable(const stHostCallbacks* t, int32_t letter, const char* text,
                                           int32_t macroLocal) {
    if (t && t->assignScriptStringVariable) t->assignScriptStringVariable(letter, text, macroLocal);
}
inline void HostAssignScriptNumericVariable(const stHostCallbacks* t, void* context, const char* name, double value) {
    if (t && t->assignScriptNumericVariable) t->assignScriptNumericVariable(context, name, value);
}
// Runs a subroutine of the loaded lesson script, which the table carries in its last entry.
inline int32_t HostRunScriptSubroutine(const stHostCallbacks* t, const char* name, int32_t waitCursor) {
    return t && t->runScriptSubroutine ? t->runScriptSubroutine(t->scriptObject, name, waitCursor) : 0;
}
inline void HostRedrawMarkerBar(const stHostCallbacks* t, tagGS* gs) {
    if (t && t->redrawMarkerBar) t->redrawMarkerBar(gs);
}

// ---- Device operations (filled by the library's initialisation) ----
struct stDriverOps;
namespace drvop {
using Initialize = int32_t(WINAPI*)(HWND frame, stHostCallbacks* host, stDriverOps* ops, int32_t* level, HGLOBAL* acq,
                                    int32_t flag);
using OnIdleAcquisition = int32_t(WINAPI*)(HGLOBAL hAcq, HWND activeGraph);
using OnDriverCommand = int32_t(WINAPI*)(HGLOBAL hAcq, HWND frame, int32_t id, const char* text, int32_t index);
using OnGraphCreated = int32_t(WINAPI*)(HGLOBAL hAcq, HWND ignored, tagGS* gs, int16_t mode, int32_t clear);
using StoreSetupInGraph = int32_t(WINAPI*)(HGLOBAL hAcq, tagGS* gs);
using RefreshInputValues = int32_t(WINAPI*)(HGLOBAL hAcq, int32_t ignored);
using NoArgs = int32_t(WINAPI*)();
using PaintGraphStatus = int32_t(WINAPI*)(HGLOBAL hAcq, tagGS* gs, int32_t ignored);
using OnGraphResized = int32_t(WINAPI*)(HGLOBAL hAcq, tagGS* gs);
using OnGraphActivated = int32_t(WINAPI*)(HGLOBAL hAcq, tagGS* gs, int32_t keepStimulator);
using WithAcq = int32_t(WINAPI*)(HGLOBAL hAcq);
using ExecDriverScriptLine = int32_t(WINAPI*)(HGLOBAL hAcq, stScriptStatement* st);
using AppendDriverMenu = int32_t(WINAPI*)(HWND frame);
using HideWithAcq = void(WINAPI*)(HGLOBAL hAcq);
using SetDriverValue = int32_t(WINAPI*)(int32_t value);
using OnWriteFile = int32_t(WINAPI*)(int32_t ignored);
}  // namespace drvop

constexpr int kDriverOpSlots = 40;

struct stDriverOps {
    drvop::Initialize initialize;                // 0 (stored by the program)
    drvop::OnIdleAcquisition onIdleAcquisition;  // 1
    void* slot2;
    drvop::OnDriverCommand onDriverCommand;  // 3
    void* slot4;
    void* slot5;
    drvop::OnGraphCreated onGraphCreated;          // 6
    drvop::StoreSetupInGraph storeSetupInGraph;    // 7
    drvop::RefreshInputValues refreshInputValues;  // 8
    drvop::NoArgs shutdownDriver;                  // 9
    void* slot10;
    drvop::PaintGraphStatus paintGraphStatus;  // 11
    void* slot12;
    drvop::OnGraphResized onGraphResized;              // 13
    drvop::OnGraphActivated onGraphActivated;          // 14
    drvop::WithAcq onGraphClosed;                      // 15
    drvop::NoArgs onSysColorChange;                    // 16
    drvop::ExecDriverScriptLine execDriverScriptLine;  // 17
    drvop::AppendDriverMenu appendDriverMenu;          // 18
    drvop::HideWithAcq hideDriverPanels;               // 19
    drvop::SetDriverValue setDriverValue;              // 20
    drvop::HideWithAcq hideGraphButton;                // 21
    drvop::OnWriteFile onWriteFile;                    // 22
    void* unused[kDriverOpSlots - 23];
};
static_assert(sizeof(stDriverOps) == kDriverOpSlots * sizeof(void*), "operation table is 40 pointers");

// Calls through the device operation table. Each holds the null checks: without a table or an
// entry nothing is called and the answer is 0, the failure value of every operation.
inline int32_t DrvInitialize(stDriverOps* ops, HWND frame, stHostCallbacks* host, int32_t* level, HGLOBAL* acq,
                             int32_t flag) {
    return ops && ops->initialize ? ops->initialize(frame, host, ops, level, acq, flag) : 0;
}
inline int32_t DrvIdle(const stDriverOps* ops, HGLOBAL hAcq, HWND activeGraph) {
    return ops && ops->onIdleAcquisition ? ops->onIdleAcquisition(hAcq, activeGraph) : 0;
}
inline int32_t DrvCommand(const stDriverOps* ops, HGLOBAL hAcq, HWND window, int32_t id, const char* text,
                          int32_t index) {
    return ops && ops->onDriverCommand ? ops->onDriverCommand(hAcq, window, id, text, index) : 0;
}
inline int32_t DrvGraphCreated(const stDriverOps* ops, HGLOBAL hAcq, HWND window, tagGS* gs, int16_t mode,
                               int32_t clear) {
    return ops && ops->onGraphCreated ? ops->onGraphCreated(hAcq, window, gs, mode, clear) : 0;
}
inline int32_t DrvStoreSetupInGraph(const stDriverOps* ops, HGLOBAL hAcq, tagGS* gs) {
    return ops && ops->storeSetupInGraph ? ops->storeSetupInGraph(hAcq, gs) : 0;
}
inline int32_t DrvRefreshInputValues(const stDriverOps* ops, HGLOBAL hAcq) {
    return ops && ops->refreshInputValues ? ops->refreshInputValues(hAcq, 0) : 0;
}
inline int32_t DrvShutdown(const stDriverOps* ops) { return ops && ops->shutdownDriver ? ops->shutdownDriver() : 0; }
inline int32_t DrvPaintGraphStatus(const stDriverOps* ops, HGLOBAL hAcq, tagGS* gs) {
    return ops && ops->paintGraphStatus ? ops->paintGraphStatus(hAcq, gs, 0) : 0;
}
inline int32_t DrvGraphResized(const stDriverOps* ops, HGLOBAL hAcq, tagGS* gs) {
    return ops && ops->onGraphResized ? ops->onGraphResized(hAcq, gs) : 0;
}
inline int32_t DrvGraphActivated(const stDriverOps* ops, HGLOBAL hAcq, tagGS* gs, int32_t keepStimulator) {
    return ops && ops->onGraphActivated ? ops->onGraphActivated(hAcq, gs, keepStimulator) : 0;
}
inline int32_t DrvGraphClosed(const stDriverOps* ops, HGLOBAL hAcq) {
    return ops && ops->onGraphClosed ? ops->onGraphClosed(hAcq) : 0;
}
inline int32_t DrvSysColorChange(const stDriverOps* ops) {
    return ops && ops->onSysColorChange ? ops->onSysColorChange() : 0;
}
inline int32_t DrvExecScriptLine(const stDriverOps* ops, HGLOBAL hAcq, stScriptStatement* st) {
    return ops && ops->execDriverScriptLine ? ops->execDriverScriptLine(hAcq, st) : 0;
}
inline int32_t DrvAppendMenu(const stDriverOps* ops, HWND frame) {
    return ops && ops->appendDriverMenu ? ops->appendDriverMenu(frame) : 0;
}
inline void DrvHidePanels(const stDriverOps* ops, HGLOBAL hAcq) {
    if (ops && ops->hideDriverPanels) ops->hideDriverPanels(hAcq);
}
inline int32_t DrvSetValue(const stDriverOps* ops, int32_t value) {
    return ops && ops->setDriverValue ? ops->setDriverValue(value) : 0;
}
inline void DrvHideGraphButton(const stDriverOps* ops, HGLOBAL hAcq) {
    if (ops && ops->hideGraphButton) ops->hideGraphButton(hAcq);
}
inline int32_t DrvWriteFile(const stDriverOps* ops) { return ops && ops->onWriteFile ? ops->onWriteFile(0) : 0; }
