#ifndef HELD_MEMORY_H
#define HELD_MEMORY_H

// The bytes the program holds from the C allocator, counted by
// held_memory.cpp, which replaces malloc and its companions in the test
// program that links it (and in every library that program loads): Qt's
// strings come from malloc, not from operator new, so counting operator new
// alone would miss them. A program under AddressSanitizer must not link it:
// the sanitizer replaces the same functions.

#include <cstddef>

// What malloc, calloc, realloc and the aligned allocations have handed out
// and not had back yet, by the usable size of each block.
std::size_t heldBytes();

// The most that was held since the last call of restartPeak().
std::size_t peakHeldBytes();
void restartPeak();

#endif
