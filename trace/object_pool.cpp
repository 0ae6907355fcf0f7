#include "internal/object_pool.h"

#include <thread>

using namespace tdf::internal;

void SpinLock::lockWhenFree()
{
    do {
        while (locked_.load(std::memory_order_relaxed))
            std::this_thread::yield();
    } while (locked_.exchange(true, std::memory_order_acquire));
}

ObjectPools& tdf::internal::makeObjectPools()
{
    // Never destroyed: objects may still be freed while static objects are
    // destroyed at exit.
    static ObjectPools* const instance = new ObjectPools;
    madeObjectPools.store(instance, std::memory_order_release);
    return *instance;
}
