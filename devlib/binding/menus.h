// The device menu and the menu tables.
#pragma once

#include <windows.h>

#include <cstdint>

int32_t MergeDriverMenu(HWND frame);
