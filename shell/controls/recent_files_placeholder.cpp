// Placeholder of the recent-files list, which is not built: no slot holds a file.
#include "shell/controls/recent_files.h"

void OpenRecentFile(UINT) {}
