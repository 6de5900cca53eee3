// Every frame command goes through here; the device library owns 5000 to 10000.
#include "shell/commands/dispatch.h"
#include "shell/app.h"
#include "shell/startup.h"
#include "graph/document/graph_doc.h"
#include "scripts/script_api.h"

void OnFrameCommand(HWND frame, UINT id, HWND control, UINT code) {
    switch (id) {
    case 257:
        if (!NewGraph(1)) ShowSelectionError(frame, 0x1E, "new graph");
        return;
    case 262:
        SendMessageA(frame, WM_CLOSE, 0, 0);
        return;
    default:
        break;
    }
    if (id >= 5000 && id <= 10000) {
        if (g_app->hAcq && g_app->driverOps.onDriverCommand)
            g_app->driverOps.onDriverCommand(g_app->hAcq, frame, static_cast<int32_t>(id),
                                             reinterpret_cast<const char*>(control), static_cast<int32_t>(code));
        return;
    }
    DefFrameProcA(frame, g_app->hwndClient, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}
