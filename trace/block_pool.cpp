#include "block_pool.h"

#include "internal/chunk_memory.h"
#include "internal/poison.h"

#include <algorithm>

using namespace tdf::internal;

struct BlockPool::Chunk {
    Chunk* next;
    std::size_t bytes;
};

namespace {

constexpr std::size_t firstBlocks = 4;
// Blocks start after the chunk header, 16-byte aligned as the chunk is.
constexpr std::size_t headerBytes = 16;

constexpr std::size_t roundUp(std::size_t bytes, std::size_t step)
{
    return (bytes + step - 1) / step * step;
}

}

BlockPool::BlockPool(std::size_t blockBytes)
    : blockBytes_(std::max(roundUp(blockBytes, 8), sizeof(FreeBlock))), nextBlocks_(firstBlocks)
{
    static_assert(sizeof(Chunk) <= headerBytes, "the chunk header fits before the blocks");
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
    if (bytes >= largeChunkBytes) {
        bytes = largeChunkBytes;
    } else {
        nextBlocks_ *= 2;
    }
    Chunk* chunk = static_cast<Chunk*>(allocateChunk(bytes));
    chunkBytes_ += bytes;
    chunk->next = chunks_;
    chunk->bytes = bytes;
    chunks_ = chunk;
    cursor_ = reinterpret_cast<unsigned char*>(chunk) + headerBytes;
    end_ = cursor_ + (bytes - headerBytes) / blockBytes_ * blockBytes_;
    poisonMemory(cursor_, std::size_t(end_ - cursor_));
}
