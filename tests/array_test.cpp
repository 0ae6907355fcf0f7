#include <array.h>

#include <gtest/gtest.h>

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

// An array with inline storage behaves as any other and leaves it for
// storage of its own when it grows; deleting it frees either kind.
TEST(Array, InlineStorageBehavesAsAnyOtherAndGrowsOutOfIt)
{
    Array<long>* array = Array<long>::withInlineStorage(20, 100);
    EXPECT_EQ(array->capacity, 20);
    EXPECT_EQ(array->count, 0);
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
    delete array;

    Array<long>* unused = Array<long>::withInlineStorage(4, 4);
    delete unused;
}

}
