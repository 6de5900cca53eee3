// The memory a recording may take (free disk space is common/free_disk.h).
#pragma once

// GetFreeDiskSpace(root): the free bytes of root's drive, asked as the program asks them.
#include "common/free_disk.h"

// What a recording in memory may take: a tenth of the physical memory.
double GetFreeMemoryForRecording();
