#include <keyed_list.h>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

struct Item {
    unsigned long long id;
};

struct ItemKey {
    static bool key(const Item* item, unsigned long long* id)
    {
        if (!item)
            return false;
        *id = item->id;
        return true;
    }
};

using Items = KeyedList<Item, ItemKey>;

// The first node in list order with `id`, found by walking.
const ListNode<Item*>* walkFor(const Items& list, unsigned long long id)
{
    for (const ListNode<Item*>* node = list.head; node; node = node->next == list.head ? nullptr : node->next)
        if (node->value && node->value->id == id)
            return node;
    return nullptr;
}

// Random appends, prepends (null values among them), unlinks, pops and
// clears: after each step the index answers as a walk from the head does,
// for every key in use and some that are not.
TEST(KeyedList, FirstWithKeyAgreesWithAWalkThroughEveryChange)
{
    std::mt19937 random(5);
    std::vector<std::unique_ptr<Item>> items;
    Items list;
    std::vector<ListNode<Item*>*> nodes;
    int mismatches = 0;
    for (int step = 0; step < 3000; ++step) {
        const unsigned choice = random() % 100;
        if (choice < 40 || nodes.empty()) {
            Item* item = nullptr;
            if (random() % 20 != 0) {
                items.push_back(std::make_unique<Item>(Item{random() % 50}));
                item = items.back().get();
            }
            nodes.push_back(choice % 2 ? list.append(item) : list.prepend(item));
        } else if (choice < 85) {
            const std::size_t at = random() % nodes.size();
            list.unlink(nodes[at]);
            nodes.erase(nodes.begin() + long(at));
        } else if (choice < 99) {
            ListNode<Item*>* last = list.last();
            list.pop();
            for (std::size_t i = 0; i < nodes.size(); ++i)
                if (nodes[i] == last)
                    nodes.erase(nodes.begin() + long(i));
        } else {
            list.clear();
            nodes.clear();
        }
        for (unsigned long long id = 0; id < 55; ++id)
            mismatches += list.firstWithKey(id) != walkFor(list, id);
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(list.count, int(nodes.size()));
}

}
