// The two tables that bind the program and the device library: the host callbacks the library
// calls, and the device operations the program calls. Both are plain arrays of pointers, so
// their layout is the same in both modules.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;
struct stMarkerNode;
struct stScriptStatement;

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
using DrawGraphWaveforms = int32_t(WINAPI*)(HDC, tagGS*, int16_t chan, double first, double span, int16_t step);
using DrawGraphWaveforms2 = int32_t(WINAPI*)(HDC, tagGS*, int32_t firstFrame, int32_t lastFrame, int16_t option);
using DrawTimeAxis = void(WINAPI*)(HDC, tagGS*);
using OnGraphChanged = int32_t(WINAPI*)(tagGS*, int32_t, int32_t, int32_t);
using OnGraphViewChanged = void(WINAPI*)(tagGS*, int32_t storageKind);
using WriteAcqFile = int32_t(WINAPI*)(tagGS*, HANDLE file, int32_t mode);
using SetActiveModelessDialog = void*(WINAPI*)(HWND);
using UpdateHScrollBar = void(WINAPI*)(tagGS*);
using DrawChannelGrid = void(WINAPI*)(HDC, tagGS*, int32_t slot);
using EvaluateExpressionAt = int32_t(WINAPI*)(tagGS*, int32_t index, const char* expr, double* out);
using InsertMarker = stMarkerNode*(WINAPI*)(tagGS*, double timeMs, int32_t updateButtons, const char* label, int32_t type);
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
using RunScriptSubroutine = int32_t(WINAPI*)(void* script, const char* name, int32_t flags);
using RedrawMarkerBar = void(WINAPI*)(tagGS*);
}  // namespace hostcb

constexpr int kHostCallbackSlots = 34;

struct stHostCallbacks {
    hostcb::SyncChannelDisplayFlags syncChannelDisplayFlags;      // 0
    hostcb::UpdateAllMeasurements updateAllMeasurements;          // 1
    hostcb::GetSegmentEnd getSegmentEnd;                          // 2
    hostcb::FindMarker findMarkerAfter;                           // 3
    hostcb::FindMarker findMarkerAtOrAfter;                       // 4
    hostcb::FirstMarkerOfType firstMarkerOfType;                  // 5
    hostcb::NextMarkerOfType nextMarkerOfType;                    // 6
    hostcb::GetChannelSample getChannelSample;                    // 7
    hostcb::PutChannelSample putChannelSample;                    // 8
    hostcb::DrawGraphWaveforms drawGraphWaveforms;                // 9
    hostcb::DrawGraphWaveforms2 drawGraphWaveforms2;              // 10
    hostcb::DrawTimeAxis drawTimeAxis;                            // 11
    hostcb::OnGraphChanged onGraphChanged;                        // 12
    hostcb::OnGraphViewChanged onGraphViewChanged;                // 13
    hostcb::WriteAcqFile writeAcqFile;                            // 14
    hostcb::SetActiveModelessDialog setActiveModelessDialog;      // 15
    hostcb::UpdateHScrollBar updateHScrollBar;                    // 16
    hostcb::DrawChannelGrid drawChannelGrid;                      // 17
    hostcb::EvaluateExpressionAt evaluateExpressionAt;            // 18
    hostcb::InsertMarker insertMarker;                            // 19
    hostcb::GetSelectionSampleRange getSelectionSampleRange;      // 20
    hostcb::GetChannelClipboard getChannelClipboard;              // 21
    hostcb::SetChannelClipboard setChannelClipboard;              // 22
    hostcb::GetWindowGraph getWindowGraph;                        // 23
    hostcb::LoadSampleWindow loadSampleWindow;                    // 24
    hostcb::GetScriptNestingDepth getScriptNestingDepth;          // 25
    hostcb::GetScriptToken getScriptToken;                        // 26
    hostcb::GetScriptNumber getScriptNumber;                      // 27
    hostcb::EvaluateScriptExpression evaluateScriptExpression;    // 28
    hostcb::AssignScriptStringVariable assignScriptStringVariable;  // 29
    hostcb::AssignScriptNumericVariable assignScriptNumericVariable;  // 30
    hostcb::RunScriptSubroutine runScriptSubroutine;              // 31
    hostcb::RedrawMarkerBar redrawMarkerBar;                      // 32
    void* scriptObject;                                           // 33: the loaded lesson script
};
static_assert(sizeof(stHostCallbacks) == kHostCallbackSlots * sizeof(void*), "host table is 34 pointers");

// ---- Device operations (filled by the library's initialisation) ----
struct stDriverOps;
namespace drvop {
using Initialize = int32_t(WINAPI*)(HWND frame, stHostCallbacks* host, stDriverOps* ops, int32_t* level,
                                    HGLOBAL* acq, int32_t flag);
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
    drvop::Initialize initialize;                    // 0 (stored by the program)
    drvop::OnIdleAcquisition onIdleAcquisition;      // 1
    void* slot2;
    drvop::OnDriverCommand onDriverCommand;          // 3
    void* slot4;
    void* slot5;
    drvop::OnGraphCreated onGraphCreated;            // 6
    drvop::StoreSetupInGraph storeSetupInGraph;      // 7
    drvop::RefreshInputValues refreshInputValues;    // 8
    drvop::NoArgs shutdownDriver;                    // 9
    void* slot10;
    drvop::PaintGraphStatus paintGraphStatus;        // 11
    void* slot12;
    drvop::OnGraphResized onGraphResized;            // 13
    drvop::OnGraphActivated onGraphActivated;        // 14
    drvop::WithAcq onGraphClosed;                    // 15
    drvop::NoArgs onSysColorChange;                  // 16
    drvop::ExecDriverScriptLine execDriverScriptLine;  // 17
    drvop::AppendDriverMenu appendDriverMenu;        // 18
    drvop::HideWithAcq hideDriverPanels;             // 19
    drvop::SetDriverValue setDriverValue;            // 20
    drvop::HideWithAcq hideGraphButton;              // 21
    drvop::OnWriteFile onWriteFile;                  // 22
    void* unused[kDriverOpSlots - 23];
};
static_assert(sizeof(stDriverOps) == kDriverOpSlots * sizeof(void*), "operation table is 40 pointers");
