// A library that loads but offers no initialisation entry.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI SomethingElse() { return 7; }
