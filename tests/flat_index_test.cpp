#include <flat_index.h>

#include <gtest/gtest.h>

#include <vector>

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

}
