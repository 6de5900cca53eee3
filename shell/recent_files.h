// The recent-files list of the File menu.
#pragma once
#include <windows.h>

// Opens the graph file of recent-file slot id - 10000.
void OpenRecentFile(UINT id);
