// Routing of the frame's menu commands by id range, and the handlers of each range.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// The window whose command runs now; other code reads it.
extern HWND g_commandWindow;

// The handlers a frame command can reach; Default is the frame's default procedure.
enum class CommandHandler {
    OutputPanels,
    GraphWindow,
    PasteValues,
    Segment,
    RecentFile,
    File,
    Edit,
    Marker,
    Transform,
    Display,
    Window,
    Help,
    Lesson,
    Device,
    ScriptButton,
    StandardCurve,
    Default,
};

// The handler of a command id: the first range of the frame's routing table that holds it.
CommandHandler FindCommandHandler(UINT id);

void OnFrameCommand(HWND frame, UINT id, HWND control, UINT code);
void OnFileCommand(HWND frame, UINT id);
void OnEditCommand(HWND frame, UINT id, HWND control, UINT code);
void OnClipboardCommand(HWND frame, UINT id);
void OnJournalCommand(HWND frame, UINT id);
void OnMarkerCommand(HWND frame, UINT id);
void OnTransformCommand(HWND frame, UINT id, HWND control, UINT code);
void OnFirFilterCommand(UINT id);
void OnMathFunctionCommand(UINT id);
void OnTemplateFunctionCommand(UINT id);
void OnIirFilterCommand(int index);
void OnWindowCommand(HWND frame, UINT id);
void OnHelpCommand(HWND frame, UINT id);

// Limits two selection times to the active segment, whichever order they are in.
void ClampSelectionToSegment(tagGS* gs, double* t0, double* t1);
// The same over a segment given by its sample range [first, end) at a sample interval: each time
// before the segment's start is raised to it, each at or after its end lowered to the end.
void ClampTimesToSegment(uint32_t first, uint32_t end, double sampleInterval, double* t0, double* t1);
