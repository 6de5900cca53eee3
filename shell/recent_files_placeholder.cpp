// Placeholder of the recent-files list, which is not built: no slot holds a file.
#include "shell/recent_files.h"

void OpenRecentFile(UINT) {}
