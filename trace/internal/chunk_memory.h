#ifndef TDF_CHUNK_MEMORY_H
#define TDF_CHUNK_MEMORY_H

// The memory that the pools carve their blocks from. A trace of millions of
// objects fills gigabytes. Chunks of a huge page or more are aligned to
// it and faulted in at once when made, with huge pages or small ones as
// the faults of the chunks before have shown cheaper (page_choice.h);
// smaller chunks are the C allocator's.

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
