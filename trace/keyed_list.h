#ifndef TDF_KEYED_LIST_H
#define TDF_KEYED_LIST_H

// A list with an index beside it: for each key, the node nearest the head
// whose value has that key, so that the first value in list order with a
// key is found without a walk. `KeyOf::key(value, &key)` gives a value's
// 64-bit key, or false for a value that has none (a null one, say); a key
// may be a hash of something longer, in which case the caller checks the
// value it gets and walks the list when it is not the one asked for.
//
// The list must be changed through this class, whose operations keep the
// index (those of List, called through a List, would not), and a value's key
// must not change while the value is listed. A removal leaves the index to
// be built again at the next lookup: lists that are searched are seldom
// shortened. The index starts small, as most lists are.

#include "key_index.h"
#include "list.h"

// A list of pointers with an index from each key to its first node.
template <class T, class KeyOf>
class KeyedList : public List<T*> {
public:
    using Node = ListNode<T*>;

    Node* append(T* value)
    {
        Node* node = List<T*>::append(value);
        note(node, false);
        return node;
    }

    Node* prepend(T* value)
    {
        Node* node = List<T*>::prepend(value);
        note(node, true);
        return node;
    }

    T* pop()
    {
        stale_ = true;
        return List<T*>::pop();
    }

    void unlink(Node* node)
    {
        stale_ = true;
        List<T*>::unlink(node);
    }

    void clear()
    {
        List<T*>::clear();
        index_.clear();
        stale_ = false;
    }

    // The node nearest the head whose value has `key`, or null.
    Node* firstWithKey(unsigned long long key) const
    {
        if (stale_)
            rebuild();
        return static_cast<Node*>(index_.find(key));
    }

private:
    void note(Node* node, bool atHead) const
    {
        unsigned long long key;
        if (stale_ || !KeyOf::key(node->value, &key))
            return;
        void*& first = index_.at(key);
        if (!first || atHead)
            first = node;
    }

    void rebuild() const
    {
        index_.clear();
        stale_ = false;
        for (Node* node = this->head; node; node = node->next == this->head ? nullptr : node->next)
            note(node, false);
    }

    mutable KeyIndex index_{4};
    mutable bool stale_ = false;  // a node was removed since the index was built
};

#endif
