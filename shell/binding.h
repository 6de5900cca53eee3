// Binding of the device library: the host callback table and the library's operation table.
#pragma once
#include <windows.h>

struct tagGS;

void InitDriverCallbacks();
int BindDeviceLibrary(HWND hwndFrame);
// Binds the named library file; the program itself always binds "vk40.dll".
int BindDeviceLibraryFrom(const char* fileName, HWND hwndFrame);
void UnbindDeviceLibrary();
