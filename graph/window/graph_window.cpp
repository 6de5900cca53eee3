// The graph child window as far as the shell needs it now: it owns its document, reports
// activation and asks before closing.
#include "graph/document/graph_doc.h"
#include "shell/app.h"
#include "shell/commands/status.h"
#include "scripts/script_api.h"
#include "devlib/acquisition/stAcq.h"

tagGS* GetWindowGraph(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd)) return nullptr;
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, g_app->szClassNames[kClassChild]) != 0) return nullptr;
    return reinterpret_cast<tagGS*>(GetWindowLongPtrA(hwnd, 0));
}

LRESULT CALLBACK GraphWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* mcs = static_cast<MDICREATESTRUCTA*>(cs->lpCreateParams);
        auto* gs = reinterpret_cast<tagGS*>(mcs->lParam);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(gs));
        gs->hwnd = hwnd;
        if (g_app->hAcq && g_app->driverOps.onGraphCreated) {
            int r = g_app->driverOps.onGraphCreated(g_app->hAcq, hwnd, gs, 0, 0);
            if (g_app->driverOps.onGraphActivated) g_app->driverOps.onGraphActivated(g_app->hAcq, gs, r);
        }
        return 0;
    }
    case WM_MDIACTIVATE:
        if (reinterpret_cast<HWND>(lParam) == hwnd) {
            g_app->hwndActiveGraph = hwnd;
            tagGS* gs = GetWindowGraph(hwnd);
            if (gs && g_app->hAcq && g_app->driverOps.onGraphActivated)
                g_app->driverOps.onGraphActivated(g_app->hAcq, gs, 0);
        } else if (g_app->hwndActiveGraph == hwnd) {
            g_app->hwndActiveGraph = nullptr;
        }
        SetStatusText(nullptr);
        break;
    case WM_QUERYENDSESSION: {
        // Non-zero objects to closing the frame.
        tagGS* gs = GetWindowGraph(hwnd);
        return gs && gs->acquiring ? 1 : 0;
    }
    case WM_CLOSE: {
        tagGS* gs = GetWindowGraph(hwnd);
        if (gs) CloseGraph(gs, g_app->hwndFrame);
        else SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd), 0);
        return 0;
    }
    case WM_NCDESTROY:
        if (tagGS* gs = reinterpret_cast<tagGS*>(GetWindowLongPtrA(hwnd, 0))) {
            SetWindowLongPtrA(hwnd, 0, 0);
            if (g_app->hwndActiveGraph == hwnd) g_app->hwndActiveGraph = nullptr;
            FreeGraphRecord(gs);
        }
        break;
    default:
        break;
    }
    return DefMDIChildProcA(hwnd, msg, wParam, lParam);
}

void SubclassScrollBarClass(int) {}
