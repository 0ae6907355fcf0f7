#ifndef TDFTOOL_WRITE_ALL_H
#define TDFTOOL_WRITE_ALL_H

#include <cstddef>

// Writes all `size` bytes to the descriptor, going on after a short write
// or an interrupted one. False when a write fails, with errno telling why.
bool writeAll(int descriptor, const char* data, std::size_t size);

#endif
