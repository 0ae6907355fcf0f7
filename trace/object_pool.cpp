#include "internal/object_pool.h"

#include <thread>

void tdf::internal::SpinLock::waitUntilFree()
{
    while (locked_.load(std::memory_order_relaxed))
        std::this_thread::yield();
}
