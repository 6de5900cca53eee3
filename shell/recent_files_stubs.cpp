// Stand-in until the recent-files list comes: no slot holds a file.
#include "shell/recent_files.h"

void OpenRecentFile(UINT) {}
