#ifndef TDF_ID_HASH_H
#define TDF_ID_HASH_H

// A Hash of values found by a 64-bit number they hold, the member `Key`
// points at (an id, say); of several values with the same number the most
// recently interned one is found. A table may hold far more values than it
// has buckets: beside the buckets an index keeps each interned value's node
// and the newest value of each number, so that interning and searching take
// constant time. Its intern and clean keep the index, also when called
// through the base class; a value's number must not change while it is
// interned. The library provides the tables it uses itself: TDFInstanceHash,
// TDFDBMessageHash and TDF_USE_DBTraceIdHash, classes derived from it (not
// aliases), so that clients may declare them ahead.

#include "hash.h"

#include <cstddef>
#include <memory>

// A hash table of values found by the 64-bit number in their member Key.
template <class T, auto Key>
class IdHash : public Hash<T*> {
public:
    using Node = typename Hash<T*>::Node;

    // The index has `firstIndexCapacity` (a power of two) slots at first.
    explicit IdHash(unsigned bucketCount, std::size_t firstIndexCapacity = 16);
    ~IdHash() override;

    unsigned code(T* value) override;
    Node* intern(T* value, bool* isNew) override;
    void clean() override;
    // The value interned last with number `number`, or null.
    T* search(unsigned long long number) const;
    // Takes an interned value out of the table. When it was the one found
    // under its number, none is found under that number any more.
    void remove(T* value);

private:
    struct Index;
    std::unique_ptr<Index> index_;
};

#endif
