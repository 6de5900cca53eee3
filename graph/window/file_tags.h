// The four-byte tags that open the blocks of a file.
#pragma once
#include <windows.h>
#include <cstdint>

// 1 when the next 4 bytes of the file are the tag (the position stays after them); otherwise the
// position goes back, except after a failed read.
// Entry point kept for a later caller; only tests call it now.
int MatchFileTag(HANDLE file, uint32_t tag);
