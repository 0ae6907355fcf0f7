// The open message index keeps its entries in a segmented array, which
// keeps its end at hand across segments; it must hold what a vector fed
// the same pushes, pops and truncations holds.

#include "internal/segmented_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace tdf::internal;

namespace {

TEST(SegmentedArray, HoldsWhatAVectorHoldsAcrossSegments)
{
    std::mt19937 random(2024);
    SegmentedArray<unsigned> array;
    std::vector<unsigned> expected;
    size_t largest = 0;
    for (unsigned step = 0; step < 300000; ++step) {
        const unsigned roll = random() % 1000;
        if (roll < 700 || expected.empty()) {
            array.push_back(step);
            expected.push_back(step);
        } else if (roll < 995) {
            ASSERT_EQ(array.back(), expected.back()) << "at step " << step;
            array.pop_back();
            expected.pop_back();
        } else {
            // To nothing, to the border of the last segment, or by a little.
            size_t kept = expected.size() - std::min<size_t>(expected.size(), random() % 100);
            if (roll == 999 && step % 400 == 0)
                kept = 0;
            else if (roll == 998 && step % 50 == 0 && expected.size() >= 16)
                for (kept = 16; kept * 2 <= expected.size(); kept *= 2) {
                }
            array.truncate(kept);
            expected.resize(kept);
            if (roll % 2 == 0)
                array.shrinkToFit();
        }
        largest = std::max(largest, expected.size());
        ASSERT_EQ(array.size(), expected.size()) << "at step " << step;
        if (!expected.empty()) {
            ASSERT_EQ(array.back(), expected.back()) << "at step " << step;
            const size_t probe = random() % expected.size();
            ASSERT_EQ(array[probe], expected[probe]) << "at step " << step;
        }
    }
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(array[i], expected[i]) << "at " << i;
    EXPECT_GT(largest, 10000u) << largest;
}

}
