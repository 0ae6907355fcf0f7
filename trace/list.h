#ifndef TDF_LIST_H
#define TDF_LIST_H

// A circular doubly linked list. Objects stored in it keep the node that
// `append` returns so that they can be reached or unlinked without a search.
// The list owns its nodes, never the values; the nodes come from the list's
// own pool, so that emptying a list of pointers frees no node one by one.

#include "block_pool.h"

#include <new>
#include <type_traits>

// The node of one value in a List.
template <class T>
struct ListNode {
    T value;
    ListNode* next;
    ListNode* prev;
};

// A circular doubly linked list whose nodes the stored objects keep.
template <class T>
class List {
public:
    typedef ListNode<T> Node;
    static_assert(alignof(Node) <= 16, "pooled nodes are at most 16-byte aligned");

    Node* head = nullptr;
    int count = 0;

    List() = default;
    List(const List&) = delete;
    List& operator=(const List&) = delete;
    ~List() { clear(); }

    // Links a new last node (head->prev) holding `value` and returns it.
    Node* append(T value)
    {
        Node* node = new (nodes_.take()) Node{value, nullptr, nullptr};
        if (head) {
            node->next = head;
            node->prev = head->prev;
            head->prev->next = node;
            head->prev = node;
        } else {
            node->next = node;
            node->prev = node;
            head = node;
        }
        ++count;
        return node;
    }

    // Links a new first node holding `value` and returns it.
    Node* prepend(T value)
    {
        head = append(value);
        return head;
    }

    // Removes the last node and returns its value; the list must not be empty.
    T pop()
    {
        Node* last = head->prev;
        T value = last->value;
        unlink(last);
        return value;
    }

    // Removes and frees `node`, which must belong to this list.
    void unlink(Node* node)
    {
        node->prev->next = node->next;
        node->next->prev = node->prev;
        if (node == head)
            head = node->next == node ? nullptr : node->next;
        node->~Node();
        nodes_.give(node);
        --count;
    }

    // Frees every node; the values are left alone.
    void clear()
    {
        if constexpr (!std::is_trivially_destructible_v<T>) {
            while (head)
                unlink(head->prev);
        }
        nodes_.release();
        head = nullptr;
        count = 0;
    }

    Node* last() const { return head ? head->prev : nullptr; }

    // Walks the nodes that were in the list when the walk began, from head
    // to the last one. Each node's successor is taken on arrival, so the
    // body of a loop may unlink the node it is on, the head included; it
    // must not unlink others. Nodes appended during the walk are not
    // visited.
    class Iterator {
    public:
        Iterator(Node* node, const Node* last) : node_(node), next_(node ? node->next : nullptr), last_(last) {}
        T& operator*() const { return node_->value; }
        Iterator& operator++()
        {
            if (node_ == last_) {
                node_ = nullptr;
            } else {
                node_ = next_;
                next_ = node_->next;
            }
            return *this;
        }
        bool operator!=(const Iterator& other) const { return node_ != other.node_; }

    private:
        Node* node_;
        Node* next_;
        const Node* last_;
    };

    // Iteration from head to the last node, oldest first.
    Iterator begin() const { return Iterator(head, last()); }
    Iterator end() const { return Iterator(nullptr, nullptr); }

private:
    BlockPool nodes_{sizeof(Node)};
};

#endif
