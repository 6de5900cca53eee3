// Two eight-byte values exchanged whatever their type.
#pragma once

void Swap64(void* a, void* b);
