// Sample blocks and records are moveable global blocks kept locked while their owner holds them;
// the owner keeps the pointer, and the handle is found again from it.
#pragma once
#include <windows.h>
#include <cstddef>

// A moveable, zeroed block, locked; null when either step fails.
void* AllocLockedBlock(size_t bytes);
// Unlocks and frees a block from AllocLockedBlock, and forgets it. Blocks of a megabyte and more
// may be kept a while and handed out again, zeroed, for the next block of their size.
void FreeLockedBlock(void*& p);
// The block's size in bytes; 0 for null.
size_t LockedBlockBytes(const void* p);
// Makes *block hold at least bytes (moved when needed, new bytes zeroed), locked. False when
// that fails; *block is then the block as it was, or null when there was none.
bool GrowLockedBlock(void** block, size_t bytes);
