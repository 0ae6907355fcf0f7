#ifndef TDF_BLOCK_POOL_H
#define TDF_BLOCK_POOL_H

// Blocks of one size: the nodes of List and Hash. Allocating millions of
// small nodes one by one costs more than the rest of reading a trace, and
// freeing them one by one dominates its teardown; a pool hands out blocks
// from chunks that double in size up to a slab of the memory all pools
// share, and then from further slabs; it takes freed blocks back for
// reuse, and gives every chunk back at once when it is released.
//
// Blocks are aligned to 16 bytes when their size is a multiple of 16 and
// to 8 otherwise, which suits any type of that size.

#include "export.h"

#include <cstddef>

// A pool of equal-sized blocks, freed all at once by release().
class TDF_EXPORT BlockPool {
public:
    explicit BlockPool(std::size_t blockBytes);
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;
    ~BlockPool() { release(); }

    // Storage for one block, to be constructed in place by the caller.
    // Every list append takes one: the common case is inline.
    void* take()
    {
#if !defined(TDF_ADDRESS_SANITIZER)
        if (FreeBlock* block = free_) {
            free_ = block->next;
            return block;
        }
        if (cursor_ != end_) {
            unsigned char* block = cursor_;
            cursor_ += blockBytes_;
            return block;
        }
#endif
        return takeOutOfLine();
    }
    // Takes back a block whose contents were destroyed.
    void give(void* storage)
    {
#if !defined(TDF_ADDRESS_SANITIZER)
        FreeBlock* block = static_cast<FreeBlock*>(storage);
        block->next = free_;
        free_ = block;
#else
        giveOutOfLine(storage);
#endif
    }
    // Frees every chunk; no block taken from the pool may be used any more.
    void release();

    // The memory the pool holds, in use or not.
    std::size_t chunkBytes() const { return chunkBytes_; }

private:
    struct FreeBlock {
        FreeBlock* next;
    };
    struct Chunk;

    // take() when the pool is out of blocks, and both under
    // AddressSanitizer, which is told which blocks are free.
    void* takeOutOfLine();
    void giveOutOfLine(void* storage);
    void grow();

    std::size_t blockBytes_;
    FreeBlock* free_ = nullptr;        // blocks given back, most recent first
    unsigned char* cursor_ = nullptr;  // the newest chunk's first block never taken
    unsigned char* end_ = nullptr;
    Chunk* chunks_ = nullptr;  // newest first
    std::size_t nextBlocks_;
    std::size_t chunkBytes_ = 0;
};

#endif
