#include "internal/object_pool.h"

#include "block_pool.h"
#include "internal/poison.h"

#include <atomic>
#include <mutex>
#include <new>
#include <thread>

using namespace tdf::internal;

namespace {

constexpr std::size_t sizeStep = 8;
constexpr std::size_t largestPooled = 256;
constexpr std::size_t sizeClasses = largestPooled / sizeStep;
// What a size class keeps when its last object is freed.
constexpr std::size_t keptBytes = 64 * 1024;

// Guards the pools' short critical sections: taking it costs one atomic
// exchange, where a mutex costs two atomic operations and two calls.
class SpinLock {
public:
    void lock()
    {
        while (locked_.exchange(true, std::memory_order_acquire))
            while (locked_.load(std::memory_order_relaxed))
                std::this_thread::yield();
    }
    void unlock() { locked_.store(false, std::memory_order_release); }

private:
    std::atomic<bool> locked_{false};
};

struct SizeClass {
    explicit SizeClass(std::size_t bytes) : blocks(bytes) {}
    BlockPool blocks;
    std::size_t live = 0;
};

class ObjectPools {
public:
    ObjectPools()
    {
        for (std::size_t i = 0; i < sizeClasses; ++i)
            classes_[i] = new SizeClass((i + 1) * sizeStep);
    }

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
    SizeClass& classOf(std::size_t bytes) { return *classes_[(bytes - 1) / sizeStep]; }

    SizeClass* classes_[sizeClasses];
    SpinLock lock_;
};

ObjectPools& pools()
{
    // Never destroyed: objects may still be freed while static objects are
    // destroyed at exit.
    static ObjectPools* const instance = new ObjectPools;
    return *instance;
}

bool pooled(std::size_t bytes)
{
#if defined(TDF_ADDRESS_SANITIZER)
    (void)bytes;
    return false;
#else
    return bytes > 0 && bytes <= largestPooled;
#endif
}

}

void* tdf::internal::allocateObject(std::size_t bytes)
{
    return pooled(bytes) ? pools().allocate(bytes) : ::operator new(bytes);
}

void tdf::internal::freeObject(void* object, std::size_t bytes)
{
    if (pooled(bytes))
        pools().free(object, bytes);
    else
        ::operator delete(object);
}
