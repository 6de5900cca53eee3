// What the shell uses of the output-control panels.
#pragma once
#include <windows.h>

void InitOutputControl();
void UpdateOutputMenu(HMENU menu);

// What the graph window calls of a document's output panel set.
class COutCtlViewSet;
void NotifyOutputPanels(LPARAM lParam, WPARAM wParam, UINT msg);
void OutputPanelsOnMdiActivate(HWND deactivated, HWND activated);
void ClearOutputPanelsPendingStart(COutCtlViewSet* set);

// After File Open has read a document: its shown panel is shown again.
void ShowOpenedOutputPanel(COutCtlViewSet* set);

// The panel set's command: 5029 goes to the active panel's dialog, 5032-5039 pick a panel.
void OutCtlViewSetOnCommand(COutCtlViewSet* set, UINT id);

// A document's output panel set, made with the document and deleted with it (flags as for the
// deleting destructors: bit 0 frees the memory).
struct tagGS;
COutCtlViewSet* NewOutCtlViewSet(tagGS* owner);
void DeleteOutCtlViewSet(COutCtlViewSet* set, int flags);

// The document's output-panel block (tag 0x12042002) in the graph file. The reader takes the
// block at the reader's position: 1 read, 0 tag absent (position restored), -1 unsound (position
// restored, nothing kept). The writer writes the whole block; 1 written, 0 failed.
class CByteReader;
class CByteWriter;
int ReadOutputPanels(COutCtlViewSet* set, CByteReader& in);
// The same reading without keeping anything: the result, and the reader after what was read.
int CheckOutputPanels(const COutCtlViewSet* set, CByteReader& in);
int WriteOutputPanels(COutCtlViewSet* set, CByteWriter& out);
