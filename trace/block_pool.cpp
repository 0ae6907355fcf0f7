#include "block_pool.h"

#include "internal/chunk_memory.h"
#include "internal/poison.h"
#include "internal/slab_arena.h"

#include <algorithm>
#include <cstdint>

using namespace tdf::internal;

struct BlockPool::Chunk {
    Chunk* next;
    std::uint32_t bytes;
    bool isSlab;  // a shared slab, else a chunk of the pool's own
};

namespace {

constexpr std::size_t firstBlocks = 4;
// Blocks start after the chunk header, 16-byte aligned as the chunk is.
constexpr std::size_t headerBytes = 16;
// A pool grows by slabs once its chunks reach their size, unless a slab
// holds fewer blocks than this; then by chunks up to the large size.
constexpr std::size_t blocksInASlab = 16;

constexpr std::size_t roundUp(std::size_t bytes, std::size_t step)
{
    return (bytes + step - 1) / step * step;
}

}

BlockPool::BlockPool(std::size_t blockBytes)
    : blockBytes_(std::max(roundUp(blockBytes, 8), sizeof(FreeBlock))), nextBlocks_(firstBlocks)
{
    static_assert(sizeof(Chunk) <= headerBytes, "the chunk header fits before the blocks");
    static_assert(largeChunkBytes <= UINT32_MAX, "a chunk's size fits its header");
}

void* BlockPool::takeOutOfLine()
{
    if (FreeBlock* block = free_) {
        unpoisonMemory(block, blockBytes_);
        free_ = block->next;
        return block;
    }
    if (cursor_ == end_)
        grow();
    unsigned char* block = cursor_;
    cursor_ += blockBytes_;
    unpoisonMemory(block, blockBytes_);
    return block;
}

void BlockPool::giveOutOfLine(void* storage)
{
    FreeBlock* block = static_cast<FreeBlock*>(storage);
    block->next = free_;
    free_ = block;
    poisonMemory(block, blockBytes_);
}

void BlockPool::release()
{
    while (chunks_) {
        Chunk* chunk = chunks_;
        chunks_ = chunk->next;
        unpoisonMemory(chunk, chunk->bytes);
        if (chunk->isSlab)
            giveSlab(chunk);
        else
            freeChunk(chunk);
    }
    free_ = nullptr;
    cursor_ = end_ = nullptr;
    nextBlocks_ = firstBlocks;
    chunkBytes_ = 0;
}

void BlockPool::grow()
{
    std::size_t bytes = headerBytes + nextBlocks_ * blockBytes_;
    void* memory;
    const bool isSlab = bytes >= slabBytes && blocksInASlab * blockBytes_ <= smallestSlabBytes - headerBytes;
    if (isSlab) {
        const Slab slab = takeSlab();
        memory = slab.start;
        bytes = slab.bytes;
    } else {
        if (bytes >= largeChunkBytes)
            bytes = largeChunkBytes;
        else
            nextBlocks_ *= 2;
        memory = allocateChunk(bytes);
    }
    Chunk* chunk = static_cast<Chunk*>(memory);
    chunkBytes_ += bytes;
    chunk->next = chunks_;
    chunk->bytes = std::uint32_t(bytes);
    chunk->isSlab = isSlab;
    chunks_ = chunk;
    cursor_ = reinterpret_cast<unsigned char*>(chunk) + headerBytes;
    end_ = cursor_ + (bytes - headerBytes) / blockBytes_ * blockBytes_;
    poisonMemory(cursor_, std::size_t(end_ - cursor_));
}
