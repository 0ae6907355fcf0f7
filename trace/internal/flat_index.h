#ifndef TDF_FLAT_INDEX_H
#define TDF_FLAT_INDEX_H

// A map from 64-bit keys to non-null pointers (or non-zero counts) in one
// array, probed
// linearly: a lookup among millions of entries touches one or two cache
// lines, where a node-based map follows two or three pointers. Removing an
// entry shifts the entries probed after it back, so that no tombstone
// slows later lookups. A large table is a large chunk (chunk_memory.h),
// which takes huge pages where they are cheap: a TLB miss spared per
// lookup.

#include "chunk_memory.h"

#include <cstddef>
#include <memory>

namespace tdf::internal {

// `Mapped` is a pointer or a number; its zero value marks a free slot.
template <class Mapped>
class FlatMap {
public:
    FlatMap() = default;
    // A table whose first storage has `firstCapacity` slots (a power of
    // two): many small tables start with a few.
    explicit FlatMap(std::size_t firstCapacity) : firstCapacity_(firstCapacity) {}
    FlatMap(const FlatMap&) = delete;
    FlatMap& operator=(const FlatMap&) = delete;
    ~FlatMap() { clear(); }

    // The value stored under `key`, or zero.
    Mapped find(unsigned long long key) const
    {
        if (!slots_)
            return Mapped();
        for (std::size_t i = home(key);; i = (i + 1) & mask()) {
            const Slot& slot = slots_[i];
            if (!slot.value || slot.key == key)
                return slot.value;
        }
    }

    // The place of `key`'s value, holding zero when the key is new; the
    // caller stores a non-zero value there before any other call, and
    // never zero (erase the key instead).
    Mapped& at(unsigned long long key)
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

    // Removes `key`'s entry, if any.
    void erase(unsigned long long key)
    {
        if (!slots_)
            return;
        std::size_t hole = home(key);
        for (;; hole = (hole + 1) & mask()) {
            if (!slots_[hole].value)
                return;
            if (slots_[hole].key == key)
                break;
        }
        // Each later entry of the run moves into the hole unless its home
        // lies cyclically after the hole, where a lookup would not pass it.
        for (std::size_t i = (hole + 1) & mask(); slots_[i].value; i = (i + 1) & mask()) {
            const std::size_t wanted = home(slots_[i].key);
            const bool reachesHole = hole <= i ? (wanted <= hole || wanted > i) : (wanted <= hole && wanted > i);
            if (reachesHole) {
                slots_[hole] = slots_[i];
                hole = i;
            }
        }
        slots_[hole] = Slot();
        --used_;
    }

    // Calls `visit` with every key and value, in no particular order.
    template <class Visit>
    void forEach(Visit visit) const
    {
        for (std::size_t i = 0; i < capacity_; ++i)
            if (slots_[i].value)
                visit(slots_[i].key, slots_[i].value);
    }

    // The slots the table has now, used or free.
    std::size_t capacity() const { return capacity_; }

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
        Mapped value = Mapped();  // zero for a free slot
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

template <class Value>
using FlatIndex = FlatMap<Value*>;

}

#endif
