// The memory a recording may take.
#include "devlib/services/free_room.h"

#include <windows.h>

namespace {

constexpr double kRecordingMemoryShare = 0.1;

}  // namespace

double GetFreeMemoryForRecording() {
    MEMORYSTATUS status{};
    status.dwLength = sizeof(status);
    GlobalMemoryStatus(&status);
    return kRecordingMemoryShare * static_cast<double>(status.dwTotalPhys);
}
