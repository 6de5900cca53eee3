// The application record.
#include "base/app.h"

stApp* g_app = nullptr;
