// Menu state. The full enabling rules come with the graph documents; what is here keeps the
// frame menu usable and attached.
#include "shell/commands/menus.h"
#include "shell/app.h"
#include "shell/startup.h"

// Attaches the held frame menu and hands its Window menu to the MDI client.
void AttachFrameMenu() {
    if (!g_frameMenu || !g_app->hwndFrame) return;
    SetMenu(g_app->hwndFrame, g_frameMenu);
    if (g_app->hwndClient)
        SendMessageA(g_app->hwndClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(g_frameMenu),
                     reinterpret_cast<LPARAM>(GetSubMenu(g_frameMenu, 4)));
    DrawMenuBar(g_app->hwndFrame);
    g_frameMenuAttached = 1;
}

void UpdateFrameMenus(HWND, HMENU) {}
void UpdateTransformMenu(tagGS*) {}
void UpdateGraphMenus(tagGS*) {}
void UpdateRecordingMenus(tagGS*) {}
void MakeColorMenuOwnerDrawn(HMENU) {}
void DrawColorMenuItem(DRAWITEMSTRUCT*) {}
void ShowPopupItemHelp(HMENU, UINT, BOOL) {}
void OnFrameMenuSelect(HMENU, UINT, HMENU, UINT) {}
void SetRadioCheckBitmaps() {}
void RegisterCommandHotKeys() {}
void RegisterHelpMenuLabels() {}
void HideScriptToolbarButtons() {}
