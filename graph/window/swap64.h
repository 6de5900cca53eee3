// Two eight-byte values exchanged whatever their type.
#pragma once

// Entry point kept for a later caller; only tests call it now.
void Swap64(void* a, void* b);
