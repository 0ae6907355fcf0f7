#include "internal/chunk_memory.h"

#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

void* tdf::internal::allocateChunk(std::size_t bytes)
{
    const bool large = bytes >= largeChunkBytes && bytes % largeChunkBytes == 0;
    void* chunk = large ? std::aligned_alloc(largeChunkBytes, bytes) : std::malloc(bytes);
    if (!chunk)
        throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only a hint: without transparent huge pages the chunk keeps small pages.
    if (large)
        madvise(chunk, bytes, MADV_HUGEPAGE);
#endif
    return chunk;
}

void tdf::internal::freeChunk(void* chunk)
{
    std::free(chunk);
}
