#include <array.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace {

TEST(Array, GrowsToTheNextMultipleOfTheStep)
{
    Array<int> array(20, 100);
    EXPECT_EQ(array.capacity, 20);
    array[19] = 1;
    EXPECT_EQ(array.capacity, 20);
    array[20] = 2;
    EXPECT_EQ(array.capacity, 100);
    array[100] = 3;
    EXPECT_EQ(array.capacity, 200);
    array[250] = 4;
    EXPECT_EQ(array.capacity, 300);
    array[5] = 5;
    EXPECT_EQ(array.capacity, 300);
}

TEST(Array, CountIsOnePastTheHighestIndexWritten)
{
    Array<int> array(20, 100);
    EXPECT_EQ(array.count, 0);
    array[0] = 10;
    array[1] = 11;
    EXPECT_EQ(array.count, 2);
    array[array.count] = 12;
    EXPECT_EQ(array.count, 3);
    array[40] = 50;
    EXPECT_EQ(array.count, 41);
    array[3] = 13;
    EXPECT_EQ(array.count, 41);
}

TEST(Array, GrowthKeepsEveryElement)
{
    Array<int> array(2, 3);
    for (int i = 0; i < 50; ++i)
        array[i] = i * i;
    EXPECT_EQ(array.capacity, 51);
    const Array<int>& read = array;
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(read[i], i * i);
    EXPECT_EQ(array.count, 50);
}

// An array made in a block behaves as any other and leaves the block for
// storage of its own when it grows.
TEST(Array, ArrayInABlockBehavesAsAnyOtherAndGrowsOutOfIt)
{
    std::vector<unsigned char> block(Array<long>::blockSize(20) + alignof(std::max_align_t));
    void* aligned = block.data();
    std::size_t space = block.size();
    ASSERT_NE(std::align(alignof(std::max_align_t), Array<long>::blockSize(20), aligned, space), nullptr);
    Array<long>* array = Array<long>::inBlock(aligned, 20, 100);
    EXPECT_EQ(array->capacity, 20);
    EXPECT_EQ(array->count, 0);
    EXPECT_GE(reinterpret_cast<unsigned char*>(array->data), reinterpret_cast<unsigned char*>(array + 1));
    EXPECT_LE(reinterpret_cast<unsigned char*>(array->data + 20), block.data() + block.size());
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ((*array)[i], 0) << i;
    for (int i = 0; i < 20; ++i)
        (*array)[i] = i + 1;
    EXPECT_EQ(array->capacity, 20);
    (*array)[20] = 21;
    EXPECT_EQ(array->capacity, 100);
    (*array)[250] = 251;
    EXPECT_EQ(array->capacity, 300);
    const Array<long>& read = *array;
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(read[i], i + 1);
    EXPECT_EQ(read[250], 251);
    EXPECT_EQ(array->count, 251);
    array->~Array();
}

// The fixed step holds for the first growths, as callers sized it; past
// them the storage doubles, so that a long array costs linear time.
TEST(Array, GrowsByTheStepAtFirstAndThenByDoubling)
{
    Array<int> array(10, 100);
    std::vector<int> capacities;
    for (int i = 0; i < 100000; ++i) {
        const int before = array.capacity;
        array[array.count] = i * 7;
        if (array.capacity != before)
            capacities.push_back(array.capacity);
    }
    ASSERT_GT(capacities.size(), std::size_t(Array<int>::steppedGrowths));
    for (int growth = 0; growth < Array<int>::steppedGrowths; ++growth)
        EXPECT_EQ(capacities[growth], (growth + 1) * 100) << growth;
    for (std::size_t growth = Array<int>::steppedGrowths; growth < capacities.size(); ++growth)
        EXPECT_EQ(capacities[growth], 2 * capacities[growth - 1]) << growth;
    // Doubling from 3200 reaches 100000 in a handful of growths.
    EXPECT_LT(capacities.size(), std::size_t(Array<int>::steppedGrowths + 8));
    EXPECT_EQ(array.count, 100000);
    const Array<int>& read = array;
    for (int i = 0; i < 100000; ++i)
        ASSERT_EQ(read[i], i * 7) << i;

    // A write far past the end still gets the step multiple that holds it.
    array[1000000] = 1;
    EXPECT_GE(array.capacity, 1000001);
    EXPECT_EQ(array.capacity % 100, 0);
}

}
