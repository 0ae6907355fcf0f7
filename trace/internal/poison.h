#ifndef TDF_POISON_H
#define TDF_POISON_H

// Marks pooled memory that holds no live block, so that AddressSanitizer
// reports a use of a freed list node or hash node as it would for memory
// freed with delete. Without the sanitizer the marks cost nothing.

#include "export.h"

#include <cstddef>

#if defined(TDF_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
#endif

namespace tdf::internal {

inline void poisonMemory(const void* start, std::size_t bytes)
{
#if defined(TDF_ADDRESS_SANITIZER)
    ASAN_POISON_MEMORY_REGION(start, bytes);
#else
    (void)start;
    (void)bytes;
#endif
}

inline void unpoisonMemory(const void* start, std::size_t bytes)
{
#if defined(TDF_ADDRESS_SANITIZER)
    ASAN_UNPOISON_MEMORY_REGION(start, bytes);
#else
    (void)start;
    (void)bytes;
#endif
}

}

#endif
