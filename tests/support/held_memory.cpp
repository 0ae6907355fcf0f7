#include "held_memory.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

// glibc's own allocator under its exported second names: the functions
// below count around them. Every way of getting or giving back a block of
// glibc's is replaced, so that no block is counted in and not out, or out
// and not in.
extern "C" {
void* __libc_malloc(std::size_t bytes);
void __libc_free(void* block);
void* __libc_calloc(std::size_t count, std::size_t bytes);
void* __libc_realloc(void* block, std::size_t bytes);
void* __libc_memalign(std::size_t alignment, std::size_t bytes);
void* __libc_valloc(std::size_t bytes);
void* __libc_pvalloc(std::size_t bytes);
}

namespace {

std::atomic<std::size_t> held{0};
std::atomic<std::size_t> peak{0};

void* counted(void* block)
{
    if (!block)
        return nullptr;
    const std::size_t bytes = malloc_usable_size(block);
    const std::size_t now = held.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    std::size_t highest = peak.load(std::memory_order_relaxed);
    while (now > highest && !peak.compare_exchange_weak(highest, now, std::memory_order_relaxed)) {
    }
    return block;
}

void uncount(void* block)
{
    if (block)
        held.fetch_sub(malloc_usable_size(block), std::memory_order_relaxed);
}

bool isPowerOfTwo(std::size_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

}

std::size_t heldBytes()
{
    return held.load(std::memory_order_relaxed);
}

std::size_t peakHeldBytes()
{
    return peak.load(std::memory_order_relaxed);
}

void restartPeak()
{
    peak.store(held.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

extern "C" {

void* malloc(std::size_t bytes) noexcept
{
    return counted(__libc_malloc(bytes));
}

void free(void* block) noexcept
{
    uncount(block);
    __libc_free(block);
}

void* calloc(std::size_t count, std::size_t bytes) noexcept
{
    return counted(__libc_calloc(count, bytes));
}

void* realloc(void* block, std::size_t bytes) noexcept
{
    // The block is counted out first: realloc may move it, and with a size
    // of 0 it frees it.
    const std::size_t before = block ? malloc_usable_size(block) : 0;
    void* moved = __libc_realloc(block, bytes);
    if (!moved && block && bytes != 0)
        return nullptr;  // the old block stays as it was
    held.fetch_sub(before, std::memory_order_relaxed);
    return counted(moved);
}

void* reallocarray(void* block, std::size_t count, std::size_t bytes) noexcept
{
    std::size_t total = 0;
    if (__builtin_mul_overflow(count, bytes, &total)) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(block, total);
}

void* memalign(std::size_t alignment, std::size_t bytes) noexcept
{
    return counted(__libc_memalign(alignment, bytes));
}

void* aligned_alloc(std::size_t alignment, std::size_t bytes) noexcept
{
    if (!isPowerOfTwo(alignment)) {
        errno = EINVAL;
        return nullptr;
    }
    return counted(__libc_memalign(alignment, bytes));
}

int posix_memalign(void** result, std::size_t alignment, std::size_t bytes) noexcept
{
    if (!isPowerOfTwo(alignment) || alignment % sizeof(void*) != 0)
        return EINVAL;
    void* block = counted(__libc_memalign(alignment, bytes));
    if (!block)
        return ENOMEM;
    *result = block;
    return 0;
}

void* valloc(std::size_t bytes) noexcept
{
    return counted(__libc_valloc(bytes));
}

void* pvalloc(std::size_t bytes) noexcept
{
    return counted(__libc_pvalloc(bytes));
}
}
