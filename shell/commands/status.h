// The status strip at the foot of the frame, and the graph refresh callbacks.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

void SetStatusText(const char* text);
// A text that needs no translation (menu help from a string table), shown as it is.
void SetStatusHelpText(const char* text);
void SetStatusTextFmt(const char* key, int32_t number);
void AppendStatusText(const char* text);
void DrawStatusPanes(HDC dc, const RECT* strip);

int32_t WINAPI OnGraphChanged(tagGS* gs, int32_t, int32_t, int32_t);
void WINAPI OnGraphViewChanged(tagGS* gs, int32_t storageKind);

// Test seam: what the strip shows now, the message or the four pane texts joined by '|'.
const char* GetStatusTextShown();
