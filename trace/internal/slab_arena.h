#ifndef TDF_SLAB_ARENA_H
#define TDF_SLAB_ARENA_H

// Slabs of 64 KB cut from large chunks (chunk_memory.h), shared by every
// pool. A reader has a pool per list and per object size, some twenty in
// all, and each pool's newest chunk is partly used: when each grew by
// large chunks of its own, those tails came to about a megabyte a pool,
// resident in full where a chunk takes a huge page. Pools that grow by
// slabs leave a slab's tail at most, and the large chunks are filled one
// after another. A slab given back serves any pool next, and a chunk whose
// slabs are all free is freed. Any thread may take and give slabs.

#include <cstddef>

namespace tdf::internal {

constexpr std::size_t slabBytes = std::size_t(64) << 10;
// The first slab of each large chunk is shorter by the chunk's head.
constexpr std::size_t smallestSlabBytes = slabBytes - 64;

struct Slab {
    void* start;  // aligned for any object
    std::size_t bytes;
};

// A slab of slabBytes or smallestSlabBytes; throws std::bad_alloc when there
// is no memory.
Slab takeSlab();
// Takes back the slab that starts at `start`.
void giveSlab(void* start);

}

#endif
