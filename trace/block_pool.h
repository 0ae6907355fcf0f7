#ifndef TDF_BLOCK_POOL_H
#define TDF_BLOCK_POOL_H

// Blocks of one size. Allocating millions of small nodes and objects one by
// one costs more than the rest of reading a trace, and freeing them one by
// one dominates its teardown; a pool hands out blocks from chunks that
// double in size up to a large chunk, takes freed blocks back for reuse,
// and gives every chunk back at once when it is released.
//
// Blocks are aligned to 16 bytes when their size is a multiple of 16 and
// to 8 otherwise, which suits any type of that size.

#include "chunk_memory.h"
#include "poison.h"

#include <algorithm>
#include <cstddef>

class BlockPool {
public:
    explicit BlockPool(std::size_t blockBytes)
        : blockBytes_(std::max(roundUp(blockBytes, 8), sizeof(FreeBlock)))
    {
    }
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;
    ~BlockPool() { release(); }

    // Storage for one block, to be constructed in place by the caller.
    void* take()
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

    // Takes back a block whose contents were destroyed.
    void give(void* storage)
    {
        FreeBlock* block = static_cast<FreeBlock*>(storage);
        block->next = free_;
        free_ = block;
        poisonMemory(block, blockBytes_);
    }

    // Frees every chunk; no block taken from the pool may be used any more.
    void release()
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

    // The memory the pool holds, in use or not.
    std::size_t chunkBytes() const { return chunkBytes_; }

private:
    struct FreeBlock {
        FreeBlock* next;
    };
    struct Chunk {
        Chunk* next;
        std::size_t bytes;
    };
    static constexpr std::size_t firstBlocks = 4;
    // Blocks start after the chunk header, 16-byte aligned as the chunk is.
    static constexpr std::size_t headerBytes = 16;
    static_assert(sizeof(Chunk) <= headerBytes, "the chunk header fits before the blocks");

    static constexpr std::size_t roundUp(std::size_t bytes, std::size_t step) { return (bytes + step - 1) / step * step; }

    void grow()
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

    std::size_t blockBytes_;
    FreeBlock* free_ = nullptr;        // blocks given back, most recent first
    unsigned char* cursor_ = nullptr;  // the newest chunk's first block never taken
    unsigned char* end_ = nullptr;
    Chunk* chunks_ = nullptr;  // newest first
    std::size_t nextBlocks_ = firstBlocks;
    std::size_t chunkBytes_ = 0;
};

#endif
