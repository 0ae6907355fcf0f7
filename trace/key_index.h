#ifndef TDF_KEY_INDEX_H
#define TDF_KEY_INDEX_H

// A map from 64-bit keys to non-null pointers, the index beside a
// KeyedList. Its table is made at the first key stored, so a list that
// never gets a key costs one pointer.

#include "export.h"

#include <cstddef>

// A map from 64-bit keys to non-null pointers.
class TDF_EXPORT KeyIndex {
public:
    // `firstCapacity` (a power of two) slots are made at first: most
    // indexed lists are short.
    explicit KeyIndex(std::size_t firstCapacity) : firstCapacity_(firstCapacity) {}
    KeyIndex(const KeyIndex&) = delete;
    KeyIndex& operator=(const KeyIndex&) = delete;
    ~KeyIndex();

    // The pointer stored under `key`, or null.
    void* find(unsigned long long key) const;
    // The place of `key`'s pointer, null when the key is new; the caller
    // stores a non-null pointer there before any other call.
    void*& at(unsigned long long key);
    void clear();

private:
    struct Table;
    Table* table_ = nullptr;
    std::size_t firstCapacity_;
};

#endif
