// The library's side of the binding: the device operations that vk40_Initialize writes into the
// program's operation table.
#pragma once

#include <windows.h>

#include <cstdint>

#include "devlib/services/library.h"

struct tagGS;
struct stScriptStatement;

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
