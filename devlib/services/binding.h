// The library's side of the binding: its process-wide values and the device operations that
// vk40_Initialize writes into the program's operation table.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/binding.h"

struct tagGS;
struct stScriptStatement;

// Windows kinds written by GetOsKind.
constexpr uint16_t kOsWin32s = 0;
constexpr uint16_t kOsWin95 = 1;
constexpr uint16_t kOsWin98 = 2;
constexpr uint16_t kOsWinNT = 3;

constexpr int32_t kGraphStatusWidth = 80;  // written to the host's level: the graph's status box width

// One set per process.
struct stLibrary {
    HINSTANCE instance = nullptr;  // every resource of the library comes from here
    HWND hostFrame = nullptr;      // owner of the menu bar that carries the device menu
    stHostCallbacks host = {};     // private copy, taken once by vk40_Initialize
    uint16_t osKind = 0;
    HBRUSH faceBrush = nullptr;  // COLOR_BTNFACE, re-made on a system colour change
    HGLOBAL hAcq = nullptr;      // the same handle the program holds
    uint32_t filterDelayMs = 0;
    int32_t hostValue = 0;         // last SetDriverValue
    int32_t autoPlotting = 1;      // menu item 5006
    int32_t scrolling = 1;         // menu item 5007
    int16_t electrodeShown = 0;    // menu item 5015
    int32_t readStatusEnable = 0;  // ask "KEY VK40 not found" when no unit answers
    char driverPath[MAX_PATH] = "\\\\.\\VKUSB";
    int32_t driverType = 3;  // USB
    int32_t otherGraphActive = 0;  // another graph was activated while the attached one records
    int32_t activationDone = 1;    // 0 while OnGraphActivated runs
    int32_t unitCheckSuppressed = 0;  // the user chose to work without the unit, or it is not to be used
    int32_t autoRestartPending = 0;
    int32_t lastDrawnState = -1;      // the status image last drawn
    uint32_t unitMemoryBytes = 0;     // command 70's answer
};
extern stLibrary g_lib;

uint16_t GetOsKind();

// Device operations (entries of stDriverOps).
int32_t WINAPI OnIdleAcquisition(HGLOBAL hAcq, HWND activeGraph);
int32_t WINAPI OnDriverCommand(HGLOBAL hAcq, HWND frame, int32_t id, const char* text, int32_t index);
int32_t WINAPI OnGraphCreated(HGLOBAL hAcq, HWND ignored, tagGS* gs, int16_t mode, int32_t clear);
int32_t WINAPI StoreSetupInGraph(HGLOBAL hAcq, tagGS* gs);
int32_t WINAPI RefreshInputValues(HGLOBAL hAcq, int32_t ignored);
int32_t WINAPI ShutdownDriver();
int32_t WINAPI PaintGraphStatus(HGLOBAL hAcq, tagGS* gs, int32_t ignored);
int32_t WINAPI OnGraphResized(HGLOBAL hAcq, tagGS* gs);
int32_t WINAPI OnGraphActivated(HGLOBAL hAcq, tagGS* gs, int32_t keepStimulator);
int32_t WINAPI OnGraphClosed(HGLOBAL hAcq);
int32_t WINAPI OnSysColorChange();
int32_t WINAPI ExecDriverScriptLine(HGLOBAL hAcq, stScriptStatement* st);
int32_t WINAPI AppendDriverMenu(HWND frame);
void WINAPI HideDriverPanels(HGLOBAL hAcq);
int32_t WINAPI SetDriverValue(int32_t value);
void WINAPI HideGraphButton(HGLOBAL hAcq);
int32_t WINAPI OnWriteFile(int32_t ignored);

// The runtime's math-error hook: answers log and log10 domain errors and singularities.
int __cdecl MathErrorHandler(struct _exception* e);
void InstallMathErrorHandler();
void RemoveMathErrorHandler();
