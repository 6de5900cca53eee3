// Free disk space and the memory a recording may take.
#pragma once

// Free bytes on the drive of root; 0 when it cannot be asked.
double GetFreeDiskSpace(const char* root);
// What a recording in memory may take: a tenth of the physical memory.
double GetFreeMemoryForRecording();
