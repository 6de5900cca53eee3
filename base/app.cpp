// The application record.
#include "base/app.h"
#include "devlib/vk40.h"

stApp* g_app = nullptr;

const char* ProgramTitle() { return g_app && g_app->szAppTitle[0] ? g_app->szAppTitle : Keyed(kProgramTitleKey); }
