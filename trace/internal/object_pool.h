#ifndef TDF_OBJECT_POOL_H
#define TDF_OBJECT_POOL_H

// The memory of trace objects. A trace has millions of them, made and freed
// one at a time; they are kept in pools by size (in steps of 8 bytes), and
// a pool gives its memory back when its last object is freed, unless it
// holds no more than 64 KB, which it keeps for the next objects. Any thread
// may allocate and free. Larger objects, and every object in a build with
// AddressSanitizer (so that it still tells each leak and each use after
// free), use the global operator new.

#include <cstddef>

namespace tdf::internal {

void* allocateObject(std::size_t bytes);
void freeObject(void* object, std::size_t bytes);

}

#endif
