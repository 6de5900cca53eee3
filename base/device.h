// The device library as the program binds it: its module, its units set-up entry point and the two
// call tables exchanged with it. Only this module holds them; the rest of the program calls the
// functions below, each of which passes the unit record (g_app->hAcq) itself and does nothing,
// answering 0, when the table has no entry for it.
#pragma once
#include <windows.h>
#include <cstdint>
#include "common/binding.h"

struct tagGS;

// The device library's units set-up dialog, looked up by name beside its initialisation.
using SetupUnitsDlgProc = int(WINAPI*)(HWND parent, HGLOBAL hAcq, unsigned slot);

struct stDeviceBinding {
    HMODULE hLib;
    SetupUnitsDlgProc pfnSetupUnitsDlg;  // null without the library or the export
    stHostCallbacks hostCallbacks;
    stDriverOps driverOps;
};

// ---- Binding (the shell, at start-up and exit) ----
// The program's callbacks, handed to the library when it is bound.
void DeviceSetHostCallbacks(const stHostCallbacks& table);
// Loads the library file, initialises it (which fills the unit record and the status strip's width
// in the application record) and looks up its units set-up. Without the file or its
// initialisation nothing stays loaded. Returns the initialisation's answer.
int DeviceBind(const char* fileName, HWND frame);
// The library's shut-down, then unloading; after this no device operation is called.
void DeviceUnbind();
// Empties the record when the application record goes, callbacks included.
void DeviceClearBinding();

// The library's module (its strings), or null while it is not loaded.
HMODULE DeviceModule();

// ---- Device operations. Those that say so do nothing without a bound unit (g_app->hAcq). ----
// A command of a menu, a button or a dialog; called with or without a unit.
int32_t DeviceCommand(HWND window, int32_t id, const char* text, int32_t index);
// The units set-up dialog of a channel slot; 0 when the library has none.
int DeviceSetupUnits(HWND parent, int slot);
// With a bound unit only:
int32_t DeviceIdle(HWND activeGraph);
int32_t DeviceGraphCreated(HWND window, tagGS* gs, int16_t mode, int32_t clear);
int32_t DeviceGraphActivated(tagGS* gs, int32_t keepStimulator);
int32_t DeviceGraphResized(tagGS* gs);
int32_t DeviceGraphClosed();
int32_t DevicePaintGraphStatus(tagGS* gs);
int32_t DeviceRefreshInputValues();
int32_t DeviceStoreSetupInGraph(tagGS* gs);
int32_t DeviceWriteFile();
int32_t DeviceExecScriptLine(stScriptStatement* statement);
int32_t DeviceAppendMenu(HWND frame);
void DeviceHidePanels();
void DeviceHideGraphButton();
int32_t DeviceSysColorChange();

// ---- The program's own callbacks, reached through the table the library is handed ----
// Whether the sample store is in the table: without it samples are read from memory.
bool DeviceHasSampleStore();
int32_t DeviceGetChannelSample(tagGS* gs, int32_t index, int32_t slot, double* out);
int32_t DeviceGraphChanged(tagGS* gs);
void* DeviceSetActiveModelessDialog(HWND dlg);

// Test seam: the record itself, so a test can swap an operation or a callback and put it back.
stDeviceBinding& DeviceBindingForTests();
