#include <hash.h>

#include <gtest/gtest.h>

namespace {

struct Item {
    unsigned long id;
};

// Keyed like the library's hashes: the bucket is the key modulo the size.
class ItemHash : public Hash<Item*> {
public:
    explicit ItemHash(unsigned size) : Hash<Item*>(size) {}
    unsigned code(Item* item) override { return unsigned(item->id % size); }
    Item* search(unsigned long id) const
    {
        return find(unsigned(id % size), [id](Item* item) { return item->id == id; });
    }
};

TEST(Hash, StartsEmpty)
{
    ItemHash hash(7);
    EXPECT_EQ(hash.size, 7u);
    EXPECT_EQ(hash.count, 0);
    for (unsigned i = 0; i < hash.size; ++i)
        EXPECT_EQ(hash.buckets[i], nullptr);
    EXPECT_EQ(hash.search(3), nullptr);
}

TEST(Hash, InterningTheSamePointerTwiceReturnsItsNode)
{
    ItemHash hash(7);
    Item item{10};
    bool isNew = false;
    ItemHash::Node* node = hash.intern(&item, &isNew);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(hash.count, 1);
    EXPECT_EQ(hash.intern(&item, &isNew), node);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(hash.count, 1);
    EXPECT_EQ(hash.intern(&item, nullptr), node);
    EXPECT_EQ(hash.search(10), &item);
}

TEST(Hash, NewestOfEqualKeysIsFoundAndOlderOnesStay)
{
    ItemHash hash(5);
    Item older{42}, newer{42}, other{47};
    hash.intern(&older, nullptr);
    hash.intern(&other, nullptr);
    hash.intern(&newer, nullptr);
    EXPECT_EQ(hash.count, 3);
    EXPECT_EQ(hash.search(42), &newer);
    EXPECT_EQ(hash.search(47), &other);
    EXPECT_EQ(hash.search(2), nullptr);

    // All three share bucket 2, newest at the front, linked both ways.
    ItemHash::Node* front = hash.buckets[2];
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(front->value, &newer);
    EXPECT_EQ(front->prev, nullptr);
    ASSERT_NE(front->next, nullptr);
    EXPECT_EQ(front->next->value, &other);
    EXPECT_EQ(front->next->prev, front);
    ASSERT_NE(front->next->next, nullptr);
    EXPECT_EQ(front->next->next->value, &older);
    EXPECT_EQ(front->next->next->next, nullptr);
}

TEST(Hash, CleanFreesNodesOnlyAndKeepsTheCount)
{
    ItemHash hash(3);
    Item* items[] = {new Item{1}, new Item{2}, new Item{4}};
    for (Item* item : items)
        hash.intern(item, nullptr);
    hash.clean();
    for (Item* item : items)
        EXPECT_EQ(hash.search(item->id), nullptr);
    EXPECT_EQ(hash.count, 3);
    for (Item* item : items) {
        EXPECT_NE(item->id, 0u);
        delete item;
    }
    Item again{1};
    bool isNew = false;
    hash.intern(&again, &isNew);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(hash.search(1), &again);
}

}
