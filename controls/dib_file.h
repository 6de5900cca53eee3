// .bmp files read into bitmaps for the screen, from a file or a memory image.
#pragma once
#include <windows.h>
#include <cstddef>

// Reads a .bmp file (with or without its 14-byte file header; 40-byte or 12-byte bitmap header)
// into a bitmap for the screen. The caller deletes it. Returns 0 on any failure.
HBITMAP LoadDibFile(const char* path);
// Test seam: the same loader over a file image held in memory, so tests reach every header
// without the disk.
HBITMAP LoadDibMemory(const void* data, size_t size);
