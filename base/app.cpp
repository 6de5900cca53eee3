// The application record and the process-wide values beside it.
#include "base/app.h"

stApp* g_app = nullptr;
tagGS* g_channelClipboard = nullptr;
HMENU g_frameMenu = nullptr;
int g_frameMenuAttached = 0;
HACCEL g_markerAccel = nullptr;
HBITMAP g_lessonPrompt = nullptr;
HWND g_varsBrowser = nullptr;
UINT_PTR g_frameTimer = 0;
