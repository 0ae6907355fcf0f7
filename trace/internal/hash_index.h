#ifndef TDF_HASH_INDEX_H
#define TDF_HASH_INDEX_H

// Beside the buckets of a Hash that may hold far more values than it has
// buckets: the node of each interned value, by address, and the newest value
// interned under each key, so that interning and searching take constant
// time. The hash calls intern and clear from its own (virtual) intern and
// clean, so that the index sees every change; a value's key must not
// change while it is interned.

#include "flat_index.h"
#include "hash.h"

#include <cstdint>

namespace tdf::internal {

template <class T>
class HashIndex {
public:
    using Node = typename Hash<T*>::Node;

    explicit HashIndex(std::size_t firstCapacity = 16) : nodes_(firstCapacity), newest_(firstCapacity) {}

    // The node of `value`, made by `linkFront(value)` when the value is not
    // interned yet; `isNew` (may be null) tells which happened.
    template <class LinkFront>
    Node* intern(T* value, unsigned long long key, bool* isNew, LinkFront linkFront)
    {
        Node*& node = nodes_.at(reinterpret_cast<std::uintptr_t>(value));
        const bool added = !node;
        if (isNew)
            *isNew = added;
        if (added) {
            node = linkFront(value);
            newest_.at(key) = value;
        }
        return node;
    }

    // The value interned last under `key`, or null.
    T* newest(unsigned long long key) const { return newest_.find(key); }

    // Forgets `value`, interned under `key`, and returns its node (null
    // when it was not interned). When it was the newest under its key, no
    // value is found under that key any more.
    Node* remove(T* value, unsigned long long key)
    {
        const auto address = reinterpret_cast<std::uintptr_t>(value);
        Node* node = nodes_.find(address);
        if (!node)
            return nullptr;
        nodes_.erase(address);
        if (newest_.find(key) == value)
            newest_.erase(key);
        return node;
    }

    void clear()
    {
        nodes_.clear();
        newest_.clear();
    }

private:
    FlatIndex<Node> nodes_;
    FlatIndex<T> newest_;
};

}

#endif
