#include "internal/slab_arena.h"

#include "internal/chunk_memory.h"

#include <cstdint>
#include <mutex>

using namespace tdf::internal;

namespace {

constexpr std::size_t slabsPerChunk = largeChunkBytes / slabBytes;
static_assert(slabsPerChunk * slabBytes == largeChunkBytes && slabsPerChunk <= 32, "a mask holds a chunk's slabs");
constexpr std::uint32_t allSlabs = slabsPerChunk == 32 ? ~std::uint32_t(0) : (std::uint32_t(1) << slabsPerChunk) - 1;

// The head of a large chunk, before its first slab; chunks are aligned to
// their size, so that a slab's chunk is found from its address.
struct ChunkHead {
    ChunkHead* next = nullptr;  // among the chunks with a free slab
    ChunkHead* previous = nullptr;
    std::uint32_t freeSlabs = allSlabs;  // bit i: slab i is free
};
// Keeps the first slab aligned for any object.
constexpr std::size_t headBytes = slabBytes - smallestSlabBytes;
static_assert(sizeof(ChunkHead) <= headBytes, "the head fits before the first slab");

class SlabArena {
public:
    Slab take()
    {
        const std::lock_guard<std::mutex> guard(lock_);
        ChunkHead* chunk = withFreeSlabs_;
        if (!chunk) {
            chunk = new (allocateChunk(largeChunkBytes)) ChunkHead;
            link(chunk);
        }
        std::size_t index = 0;
        while (!(chunk->freeSlabs & (std::uint32_t(1) << index)))
            ++index;
        chunk->freeSlabs &= ~(std::uint32_t(1) << index);
        if (!chunk->freeSlabs)
            unlink(chunk);
        unsigned char* const slab = reinterpret_cast<unsigned char*>(chunk) + index * slabBytes;
        return index == 0 ? Slab{slab + headBytes, slabBytes - headBytes} : Slab{slab, slabBytes};
    }

    void give(void* start)
    {
        const auto address = reinterpret_cast<std::uintptr_t>(start);
        ChunkHead* const chunk = reinterpret_cast<ChunkHead*>(address & ~std::uintptr_t(largeChunkBytes - 1));
        const std::size_t index = (address - reinterpret_cast<std::uintptr_t>(chunk)) / slabBytes;
        const std::lock_guard<std::mutex> guard(lock_);
        if (!chunk->freeSlabs)
            link(chunk);
        chunk->freeSlabs |= std::uint32_t(1) << index;
        if (chunk->freeSlabs == allSlabs) {
            unlink(chunk);
            chunk->~ChunkHead();
            freeChunk(chunk);
        }
    }

private:
    void link(ChunkHead* chunk)
    {
        chunk->next = withFreeSlabs_;
        chunk->previous = nullptr;
        if (withFreeSlabs_)
            withFreeSlabs_->previous = chunk;
        withFreeSlabs_ = chunk;
    }

    void unlink(ChunkHead* chunk)
    {
        if (chunk->previous)
            chunk->previous->next = chunk->next;
        else
            withFreeSlabs_ = chunk->next;
        if (chunk->next)
            chunk->next->previous = chunk->previous;
        chunk->next = chunk->previous = nullptr;
    }

    std::mutex lock_;
    ChunkHead* withFreeSlabs_ = nullptr;
};

SlabArena& arena()
{
    // Never destroyed: pools may still give slabs back while static objects
    // are destroyed at exit.
    static SlabArena* const instance = new SlabArena;
    return *instance;
}

}

Slab tdf::internal::takeSlab()
{
    return arena().take();
}

void tdf::internal::giveSlab(void* start)
{
    arena().give(start);
}
