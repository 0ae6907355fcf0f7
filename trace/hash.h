#ifndef TDF_HASH_H
#define TDF_HASH_H

// A chained hash table of pointers with a fixed number of buckets. Subclasses
// define the bucket of a value (`code`) and a search by key. New nodes go to
// the front of their bucket, so of several values with the same key the most
// recently interned one is found first. The table never owns the values;
// its nodes come from its own pool, so that cleaning frees them all at once.

#include "block_pool.h"

#include <algorithm>
#include <new>

template <class P>
class Hash;

// A chained hash table of pointers; subclasses give the bucket of a value.
template <class T>
class Hash<T*> {
public:
    // The link of one value in its bucket.
    struct Node {
        T* value;
        Node* next;
        Node* prev;
    };

    Node** buckets;
    int count = 0;
    unsigned size;

    explicit Hash(unsigned bucketCount) : buckets(new Node*[bucketCount]()), size(bucketCount) {}
    Hash(const Hash&) = delete;
    Hash& operator=(const Hash&) = delete;

    virtual ~Hash()
    {
        clean();
        delete[] buckets;
    }

    // The bucket index of `value`, below `size`.
    virtual unsigned code(T* value) = 0;

    // Returns the node holding `value`, linking a new one at the front of its
    // bucket when the pointer is not there yet; `isNew` (may be null) tells
    // which happened. Virtual, as is clean(), so that a subclass that keeps
    // an index beside the buckets sees every change made through this class.
    virtual Node* intern(T* value, bool* isNew)
    {
        Node*& bucket = buckets[code(value)];
        for (Node* node = bucket; node; node = node->next) {
            if (node->value == value) {
                if (isNew)
                    *isNew = false;
                return node;
            }
        }
        if (isNew)
            *isNew = true;
        return linkFront(value);
    }

    // Frees every node; the values are left alone and `count` is kept.
    virtual void clean()
    {
        std::fill(buckets, buckets + size, nullptr);
        nodes_.release();
    }

    // Calls `visit` with every value, bucket by bucket, newest first within
    // a bucket.
    template <class Visit>
    void forEach(Visit visit) const
    {
        for (unsigned i = 0; i < size; ++i)
            for (Node* node = buckets[i]; node; node = node->next)
                visit(node->value);
    }

protected:
    // Links a value known not to be in the table at the front of its bucket.
    Node* linkFront(T* value)
    {
        Node*& bucket = buckets[code(value)];
        Node* node = new (nodes_.take()) Node{value, bucket, nullptr};
        if (bucket)
            bucket->prev = node;
        bucket = node;
        ++count;
        return node;
    }

    // Unlinks and frees `node`, which must belong to this table.
    void unlinkNode(Node* node)
    {
        if (node->prev)
            node->prev->next = node->next;
        else
            buckets[code(node->value)] = node->next;
        if (node->next)
            node->next->prev = node->prev;
        node->~Node();
        nodes_.give(node);
        --count;
    }

    // The first value, newest first, in bucket `index` for which `matches`
    // holds; the subclasses' searches are built on it.
    template <class Predicate>
    T* find(unsigned index, Predicate matches) const
    {
        for (Node* node = buckets[index]; node; node = node->next)
            if (matches(node->value))
                return node->value;
        return nullptr;
    }

private:
    BlockPool nodes_{sizeof(Node)};
};

#endif
