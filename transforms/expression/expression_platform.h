// What expression names read of the machine: the tick counter, the random generator, the mouse,
// the screen and the program's version. One table, so tests can put known values behind it.
#pragma once
#include <windows.h>
#include <cstdint>

struct stExpressionPlatform {
    uint32_t (*tickCount)();                 // milliseconds since system start
    int (*random)();                         // 0..32767
    int (*leftButtonDown)();                 // nonzero while the left button is held
    int (*cursorPos)(POINT* out);            // screen pixels; 0 when unknown
    int (*screenWidth)();                    // pixels
    int (*screenBottom)();                   // pixels above the taskbar
    int (*productVersion)(int32_t* major);  // 0 when the program has no version information
};

// Test seam: installs a table; null puts back the system's.
void SetExpressionPlatform(const stExpressionPlatform* platform);
const stExpressionPlatform& ExpressionPlatform();

// The leading integer of a version text ("4.1.2" gives 4), as a decimal conversion reads it.
int32_t LeadingVersionNumber(const char* version);
// The leading integer of the ProductVersion text of a file's version resource; 0 when the file
// has none.
int FileProductVersion(const char* path, int32_t* major);
