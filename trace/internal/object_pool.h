#ifndef TDF_OBJECT_POOL_H
#define TDF_OBJECT_POOL_H

// The memory of trace objects. A trace has millions of them, made and freed
// one at a time; they are kept in pools by size (in steps of 8 bytes), and
// a pool gives its memory back when its last object is freed, unless it
// holds no more than 64 KB, which it keeps for the next objects. Any thread
// may allocate and free. Larger objects, and every object in a build with
// AddressSanitizer (so that it still tells each leak and each use after
// free), use the global operator new. Every event line makes an object and
// a streaming reader frees one about as often: both are inline.

#include "block_pool.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <new>
#include <utility>

namespace tdf::internal {

// Guards the pools' short critical sections: taking it costs one atomic
// exchange, where a mutex costs two atomic operations and two calls.
class SpinLock {
public:
    void lock()
    {
        if (locked_.exchange(true, std::memory_order_acquire))
            lockWhenFree();
    }
    void unlock() { locked_.store(false, std::memory_order_release); }

private:
    // Out of line, so that the common case saves no registers for it.
    void lockWhenFree();

    std::atomic<bool> locked_{false};
};

// The pools of objects up to the largest pooled size, one per size step.
class ObjectPools {
public:
    static constexpr std::size_t sizeStep = 8;
    static constexpr std::size_t largestPooled = 256;

    ObjectPools() : ObjectPools(std::make_index_sequence<sizeClasses>()) {}

    // `bytes` is from 1 to largestPooled.
    void* allocate(std::size_t bytes)
    {
        SizeClass& sizeClass = classOf(bytes);
        const std::lock_guard<SpinLock> lock(lock_);
        void* object = sizeClass.blocks.take();
        ++sizeClass.live;
        return object;
    }

    void free(void* object, std::size_t bytes)
    {
        SizeClass& sizeClass = classOf(bytes);
        const std::lock_guard<SpinLock> lock(lock_);
        sizeClass.blocks.give(object);
        // A reader that streams makes and frees the same few objects of a
        // kind all along: memory that small is kept for the next one.
        if (--sizeClass.live == 0 && sizeClass.blocks.chunkBytes() > keptBytes)
            sizeClass.blocks.release();
    }

private:
    static constexpr std::size_t sizeClasses = largestPooled / sizeStep;
    // What a size class keeps when its last object is freed.
    static constexpr std::size_t keptBytes = 64 * 1024;

    struct SizeClass {
        explicit SizeClass(std::size_t bytes) : blocks(bytes) {}
        BlockPool blocks;
        std::size_t live = 0;
    };

    template <std::size_t... Index>
    explicit ObjectPools(std::index_sequence<Index...>) : classes_{SizeClass((Index + 1) * sizeStep)...}
    {
    }

    SizeClass& classOf(std::size_t bytes) { return classes_[(bytes - 1) / sizeStep]; }

    SizeClass classes_[sizeClasses];
    SpinLock lock_;
};

// The process's pools, made by the first object.
inline std::atomic<ObjectPools*> madeObjectPools{nullptr};
ObjectPools& makeObjectPools();

inline ObjectPools& objectPools()
{
    ObjectPools* const pools = madeObjectPools.load(std::memory_order_acquire);
    return pools ? *pools : makeObjectPools();
}

inline bool pooled(std::size_t bytes)
{
#if defined(TDF_ADDRESS_SANITIZER)
    (void)bytes;
    return false;
#else
    return bytes > 0 && bytes <= ObjectPools::largestPooled;
#endif
}

inline void* allocateObject(std::size_t bytes)
{
    return pooled(bytes) ? objectPools().allocate(bytes) : ::operator new(bytes);
}

inline void freeObject(void* object, std::size_t bytes)
{
    if (pooled(bytes))
        objectPools().free(object, bytes);
    else
        ::operator delete(object);
}

}

#endif
