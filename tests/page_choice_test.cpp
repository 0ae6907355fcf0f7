// The choice between huge and small pages for large chunks, told what
// faulting in each chunk cost.

#include "internal/page_choice.h"

#include <gtest/gtest.h>

#include <string>

using namespace tdf::internal;

namespace {

constexpr std::size_t chunkBytes = std::size_t(2) << 20;

// Makes `chunks` chunks at the given costs (seconds a chunk) and spells
// out the pages each took: h or s.
std::string make(PageChoice& choice, int chunks, double hugeCost, double smallCost)
{
    std::string pages;
    for (int i = 0; i < chunks; ++i) {
        const PageSize size = choice.next();
        pages += size == hugePages ? 'h' : 's';
        choice.measured(size, chunkBytes, size == hugePages ? hugeCost : smallCost);
    }
    return pages;
}

std::string repeated(char page, int count)
{
    return std::string(size_t(count), page);
}

TEST(PageChoice, TriesBothThenKeepsTheCheaperAndTriesTheOtherLessAndLessOften)
{
    PageChoice cheapHugePages;
    EXPECT_EQ(make(cheapHugePages, 2 + 15 + 1 + 31 + 1 + 63 + 1, 0.0002, 0.0007),
              "hs" + repeated('h', 15) + "s" + repeated('h', 31) + "s" + repeated('h', 63) + "s");

    PageChoice dearHugePages;
    EXPECT_EQ(make(dearHugePages, 2 + 15 + 1 + 31 + 1, 0.005, 0.001),
              "hs" + repeated('s', 15) + "h" + repeated('s', 31) + "h");
}

TEST(PageChoice, FarDearerPagesAreLeftAtOnceSomewhatDearerOnesAreNot)
{
    PageChoice choice;
    EXPECT_EQ(make(choice, 10, 0.0002, 0.0007), "hs" + repeated('h', 8));
    // A huge chunk that costs three times the others, as on a busy
    // machine, keeps the huge pages.
    EXPECT_EQ(make(choice, 1, 0.0006, 0.0007), "h");
    EXPECT_EQ(make(choice, 4, 0.0002, 0.0007), "hhhh");
    // One that costs twenty-five times, as on a virtual machine whose host
    // took the free memory back, leaves them.
    EXPECT_EQ(make(choice, 1, 0.005, 0.0007), "h");
    EXPECT_EQ(make(choice, 3, 0.005, 0.0007), "sss");
}

TEST(PageChoice, ATrialThatFindsTheOtherPagesCheapTakesThemAgain)
{
    PageChoice choice;
    EXPECT_EQ(make(choice, 2 + 15, 0.005, 0.001), "hs" + repeated('s', 15));
    EXPECT_EQ(make(choice, 4, 0.0002, 0.001), "hhhh");
}

TEST(PageChoice, WithoutMeasurementsEveryChunkTakesHugePages)
{
    PageChoice choice;
    choice.unmeasurable();
    EXPECT_EQ(make(choice, 40, 0.005, 0.0001), repeated('h', 40));
}

}
