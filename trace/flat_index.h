#ifndef TDF_FLAT_INDEX_H
#define TDF_FLAT_INDEX_H

// A map from 64-bit keys to non-null pointers in one array, probed
// linearly: a lookup among millions of entries touches one or two cache
// lines, where a node-based map follows two or three pointers. Entries are
// only added or changed, never removed one by one. A large table takes
// huge pages (chunk_memory.h), which spares a TLB miss per lookup.

#include "chunk_memory.h"

#include <cstddef>
#include <memory>

template <class Value>
class FlatIndex {
public:
    FlatIndex() = default;
    // An index whose first table has `firstCapacity` slots (a power of
    // two): many small indexes start with a few.
    explicit FlatIndex(std::size_t firstCapacity) : firstCapacity_(firstCapacity) {}
    FlatIndex(const FlatIndex&) = delete;
    FlatIndex& operator=(const FlatIndex&) = delete;
    ~FlatIndex() { clear(); }

    // The value stored under `key`, or null.
    Value* find(unsigned long long key) const
    {
        if (!slots_)
            return nullptr;
        for (std::size_t i = home(key);; i = (i + 1) & mask()) {
            const Slot& slot = slots_[i];
            if (!slot.value || slot.key == key)
                return slot.value;
        }
    }

    // The place of `key`'s value, holding null when the key is new; the
    // caller stores a non-null value there before any other call.
    Value*& at(unsigned long long key)
    {
        if ((used_ + 1) * 4 > capacity_ * 3)
            grow();
        for (std::size_t i = home(key);; i = (i + 1) & mask()) {
            Slot& slot = slots_[i];
            if (!slot.value) {
                slot.key = key;
                ++used_;
                return slot.value;
            }
            if (slot.key == key)
                return slot.value;
        }
    }

    void clear()
    {
        if (slots_)
            freeChunk(slots_);
        slots_ = nullptr;
        capacity_ = used_ = 0;
        shift_ = 64;
    }

private:
    struct Slot {
        unsigned long long key = 0;
        Value* value = nullptr;  // null for a free slot
    };

    std::size_t mask() const { return capacity_ - 1; }

    // Fibonacci hashing spreads both consecutive ids and aligned pointers.
    std::size_t home(unsigned long long key) const { return std::size_t((key * 0x9E3779B97F4A7C15ULL) >> shift_); }

    void grow()
    {
        Slot* const old = slots_;
        const std::size_t oldCapacity = capacity_;
        capacity_ = old ? oldCapacity * 2 : firstCapacity_;
        slots_ = static_cast<Slot*>(allocateChunk(capacity_ * sizeof(Slot)));
        std::uninitialized_fill_n(slots_, capacity_, Slot());
        shift_ = 64;
        for (std::size_t size = capacity_; size > 1; size /= 2)
            --shift_;
        used_ = 0;
        for (std::size_t i = 0; i < oldCapacity; ++i)
            if (old[i].value)
                at(old[i].key) = old[i].value;
        if (old)
            freeChunk(old);
    }

    Slot* slots_ = nullptr;  // a power of two of them, at most three quarters used
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
    unsigned shift_ = 64;
    std::size_t firstCapacity_ = 16;
};

#endif
