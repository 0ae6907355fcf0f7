#include "internal/flat_index.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

using namespace tdf::internal;

namespace {

TEST(FlatIndex, FindsEveryKeyThroughGrowthAndNothingElse)
{
    // Consecutive ids, key 0, and keys that share their low bits as
    // aligned addresses do.
    std::vector<unsigned long long> keys;
    for (unsigned long long i = 0; i < 20000; ++i)
        keys.push_back(i);
    for (unsigned long long i = 1; i <= 20000; ++i)
        keys.push_back(0x7f0000000000ULL + i * 4096);
    std::vector<int> values(keys.size());

    FlatIndex<int> index;
    EXPECT_EQ(index.find(0), nullptr);
    for (size_t i = 0; i < keys.size(); ++i) {
        int*& place = index.at(keys[i]);
        EXPECT_EQ(place, nullptr);
        place = &values[i];
    }
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(index.find(keys[i]), &values[i]) << keys[i];
    EXPECT_EQ(index.find(20000), nullptr);
    EXPECT_EQ(index.find(0x7f0000000000ULL), nullptr);
}

TEST(FlatIndex, ChangingAKeyKeepsOneEntryAndClearEmpties)
{
    int first = 1;
    int second = 2;
    FlatIndex<int> index;
    index.at(42) = &first;
    int*& place = index.at(42);
    EXPECT_EQ(place, &first);
    place = &second;
    EXPECT_EQ(index.find(42), &second);

    index.clear();
    EXPECT_EQ(index.find(42), nullptr);
    index.at(42) = &first;
    EXPECT_EQ(index.find(42), &first);
}

TEST(FlatMap, ErasingKeepsEveryOtherKeyFoundAsAMapDoes)
{
    // Counts under few keys that collide often (aligned addresses), added
    // and erased at random as a streaming reader does, compared with a map.
    std::mt19937 random(7);
    FlatMap<unsigned> counts;
    std::map<unsigned long long, unsigned> expected;
    size_t largest = 0;
    for (int step = 0; step < 200000; ++step) {
        const unsigned long long key = 0x7f0000000000ULL + (random() % 300) * 4096;
        if (random() % 2) {
            ++counts.at(key);
            ++expected[key];
        } else if (expected.count(key)) {
            counts.erase(key);
            expected.erase(key);
        }
        largest = std::max(largest, expected.size());
        if (step % 1000 != 0)
            continue;
        for (const auto& [known, count] : expected) {
            ASSERT_EQ(counts.find(known), count) << "step " << step;
        }
    }
    for (unsigned long long i = 0; i < 300; ++i) {
        const unsigned long long key = 0x7f0000000000ULL + i * 4096;
        EXPECT_EQ(counts.find(key), expected.count(key) ? expected[key] : 0u);
    }
    // Erased slots are used again: the table stays the size of what it holds.
    EXPECT_LE(counts.capacity(), 4 * largest);
}

}
