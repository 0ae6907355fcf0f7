#include <list.h>

#include <QString>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<int> valuesOf(const List<int>& list)
{
    std::vector<int> values;
    for (int value : list)
        values.push_back(value);
    return values;
}

// Checks that next and prev agree all around the circle and that the
// circle has `count` nodes.
void expectConsistentCircle(const List<int>& list)
{
    if (!list.head) {
        EXPECT_EQ(list.count, 0);
        return;
    }
    int nodes = 0;
    const ListNode<int>* node = list.head;
    do {
        EXPECT_EQ(node->next->prev, node);
        EXPECT_EQ(node->prev->next, node);
        node = node->next;
        ++nodes;
    } while (node != list.head && nodes <= list.count);
    EXPECT_EQ(nodes, list.count);
}

TEST(List, AppendToEmptyListMakesOneNodeCircle)
{
    List<int> list;
    ListNode<int>* node = list.append(7);
    EXPECT_EQ(list.head, node);
    EXPECT_EQ(node->next, node);
    EXPECT_EQ(node->prev, node);
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(list.pop(), 7);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.count, 0);
}

TEST(List, AppendKeepsOrderAndNewestIsHeadPrev)
{
    List<int> list;
    list.append(1);
    list.append(2);
    ListNode<int>* last = list.append(3);
    EXPECT_EQ(list.head->prev, last);
    EXPECT_EQ(last->next, list.head);
    EXPECT_EQ(list.last(), last);
    EXPECT_EQ(valuesOf(list), (std::vector<int>{1, 2, 3}));
    expectConsistentCircle(list);

    EXPECT_EQ(list.pop(), 3);
    EXPECT_EQ(list.pop(), 2);
    EXPECT_EQ(valuesOf(list), (std::vector<int>{1}));
    expectConsistentCircle(list);
}

TEST(List, PrependBecomesHead)
{
    List<int> list;
    list.prepend(2);
    list.append(3);
    ListNode<int>* first = list.prepend(1);
    EXPECT_EQ(list.head, first);
    EXPECT_EQ(valuesOf(list), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(list.pop(), 3);
    expectConsistentCircle(list);
}

TEST(List, UnlinkAnywhereKeepsTheCircle)
{
    List<int> list;
    ListNode<int>* one = list.append(1);
    ListNode<int>* two = list.append(2);
    list.append(3);
    ListNode<int>* four = list.append(4);

    list.unlink(two);
    EXPECT_EQ(valuesOf(list), (std::vector<int>{1, 3, 4}));
    expectConsistentCircle(list);

    list.unlink(one);
    EXPECT_EQ(list.head->value, 3);
    EXPECT_EQ(valuesOf(list), (std::vector<int>{3, 4}));

    list.unlink(four);
    EXPECT_EQ(valuesOf(list), (std::vector<int>{3}));
    list.unlink(list.head);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.count, 0);
    EXPECT_TRUE(valuesOf(list).empty());
}

// A range-for body may unlink the element it is on, the head and the last
// one included: the walk goes on with the next element and ends after the
// last, visiting every element once.
TEST(List, RangeForGoesOnWhenTheBodyUnlinksItsElement)
{
    // Which of the values 0 .. size - 1 the body unlinks.
    const std::vector<std::pair<const char*, bool (*)(int, int)>> picks = {
        {"every element", [](int, int) { return true; }},
        {"the even ones", [](int value, int) { return value % 2 == 0; }},
        {"the head", [](int value, int) { return value == 0; }},
        {"the last", [](int value, int size) { return value == size - 1; }},
    };
    for (int size : {1, 2, 5}) {
        for (const auto& [what, unlinks] : picks) {
            SCOPED_TRACE(std::string(what) + " of " + std::to_string(size));
            List<int> list;
            std::vector<ListNode<int>*> nodes;
            std::vector<int> all, kept;
            for (int i = 0; i < size; ++i) {
                nodes.push_back(list.append(i));
                all.push_back(i);
                if (!unlinks(i, size))
                    kept.push_back(i);
            }
            std::vector<int> visited;
            for (int value : list) {
                visited.push_back(value);
                // A walk that comes round again fails here instead of hanging.
                if (int(visited.size()) > size)
                    break;
                if (unlinks(value, size))
                    list.unlink(nodes[size_t(value)]);
            }
            EXPECT_EQ(visited, all);
            EXPECT_EQ(valuesOf(list), kept);
            expectConsistentCircle(list);
        }
    }
}

TEST(List, ValuesAreNotOwned)
{
    int* value = new int(5);
    {
        List<int*> list;
        list.append(value);
        list.append(value);
    }
    EXPECT_EQ(*value, 5);
    delete value;
}

// Long lists take their nodes from several chunks of the list's pool;
// unlinked nodes are reused and clearing gives everything back.
TEST(List, LongListsSurviveUnlinkingClearingAndRefilling)
{
    List<int> list;
    std::vector<ListNode<int>*> nodes;
    for (int i = 0; i < 5000; ++i)
        nodes.push_back(list.append(i));
    for (int i = 0; i < 5000; i += 2)
        list.unlink(nodes[size_t(i)]);
    for (int i = 5000; i < 6000; ++i)
        list.append(i);
    std::vector<int> expected;
    for (int i = 1; i < 5000; i += 2)
        expected.push_back(i);
    for (int i = 5000; i < 6000; ++i)
        expected.push_back(i);
    EXPECT_EQ(valuesOf(list), expected);
    expectConsistentCircle(list);

    list.clear();
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.count, 0);
    list.append(7);
    list.prepend(6);
    EXPECT_EQ(valuesOf(list), (std::vector<int>{6, 7}));
    expectConsistentCircle(list);
}

TEST(List, ClearingDestroysValuesThatOwnMemory)
{
    // Under the sanitizers a value left undestroyed is reported as a leak.
    List<QString> list;
    for (int i = 0; i < 100; ++i)
        list.append(QString::number(i).repeated(10));
    list.unlink(list.head);
    list.clear();
    list.append(QStringLiteral("again"));
    EXPECT_EQ(list.head->value, QStringLiteral("again"));
    EXPECT_EQ(list.count, 1);
}

}
