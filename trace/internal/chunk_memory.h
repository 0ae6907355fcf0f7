#ifndef TDF_CHUNK_MEMORY_H
#define TDF_CHUNK_MEMORY_H

// The memory that the pools carve their blocks from. A trace of millions of
// objects fills gigabytes; chunks of a huge page or more are aligned and
// marked for huge pages where the system offers them, so that filling them
// takes one page fault per huge page instead of one per small page.

#include <cstddef>

namespace tdf::internal {

// The size of the chunks the pools grow to.
constexpr std::size_t largeChunkBytes = std::size_t(2) << 20;

// Returns `bytes` of memory aligned for any object; throws std::bad_alloc
// when there is none.
void* allocateChunk(std::size_t bytes);
// Frees a chunk that allocateChunk returned.
void freeChunk(void* chunk);

}

#endif
