// A return takes the newest open message of its thread and block, or the
// newest of one static message: the index must find exactly the message a
// walk over every open message, newest first, would find.

#include "internal/open_message_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace tdf::internal;

namespace {

using Index = OpenMessageIndex<const int*>;

const int thread1 = 0, thread2 = 0, block1 = 0;
const Index::GroupKey main1{&thread1, &block1};
const Index::GroupKey other{&thread2, &block1};

TEST(OpenMessageIndex, TakesNewestOfItsGroupAndOfItsStaticMessage)
{
    Index index;
    int messages[6] = {};
    index.add(main1, 7, &messages[0]);
    index.add(main1, 8, &messages[1]);
    index.add(other, 7, &messages[2]);
    index.add(main1, 7, &messages[3]);
    index.add(main1, 9, &messages[4]);

    EXPECT_EQ(index.take(main1, true, 7), &messages[3]);
    EXPECT_EQ(index.take(main1, false, 0), &messages[4]);
    // The message of 7 taken above is not found again through the group.
    EXPECT_EQ(index.take(main1, false, 0), &messages[1]);
    EXPECT_EQ(index.take(main1, true, 8), nullptr);
    EXPECT_EQ(index.take(main1, true, 7), &messages[0]);
    EXPECT_EQ(index.take(main1, false, 0), nullptr);
    EXPECT_EQ(index.take(main1, true, 123), nullptr);
    EXPECT_EQ(index.take(other, true, 7), &messages[2]);
    EXPECT_EQ(index.take({&thread2, &thread1}, false, 0), nullptr);

    // Taken entries dropped from the end leave the chains of their static
    // message sound for messages added afterwards.
    index.add(main1, 7, &messages[5]);
    EXPECT_EQ(index.take(main1, true, 7), &messages[5]);
    EXPECT_EQ(index.take(main1, true, 7), nullptr);
}

// Against a plain list walked from its newest message, over many random
// adds and takes in a few groups: messages that are never taken pile up
// under those that are, so the index drops, unchains and compacts.
TEST(OpenMessageIndex, AgreesWithAWalkOverEveryOpenMessage)
{
    struct Open {
        int group;
        unsigned long long staticId;
        const int* position;
    };
    const int threads[2] = {};
    const int blocks[2] = {};
    auto keyOf = [&](int group) { return Index::GroupKey{&threads[group % 2], &blocks[group / 2]}; };

    std::mt19937 random(12345);
    std::vector<int> storage(200000);
    std::vector<Open> open;
    Index index;
    size_t taken = 0;
    for (size_t step = 0; step < storage.size(); ++step) {
        const int group = int(random() % 4);
        const unsigned long long staticId = 1000 + random() % 5;
        if (random() % 100 < 55) {
            index.add(keyOf(group), staticId, &storage[step]);
            open.push_back({group, staticId, &storage[step]});
            continue;
        }
        const bool byModel = random() % 2 == 0;
        const int* expected = nullptr;
        for (auto candidate = open.rbegin(); candidate != open.rend(); ++candidate) {
            if (candidate->group == group && (!byModel || candidate->staticId == staticId)) {
                expected = candidate->position;
                open.erase(std::next(candidate).base());
                break;
            }
        }
        ASSERT_EQ(index.take(keyOf(group), byModel, staticId), expected) << "at step " << step;
        taken += expected != nullptr;
    }
    EXPECT_GT(taken, 50000u);
    EXPECT_GT(open.size(), 1000u);
}

// A caller may keep older messages in a form of its own: each open message
// with enough newer ones in its group is handed to the caller's settle
// once, never after it was taken, and a return gets what settle made.
TEST(OpenMessageIndex, SettlesEveryOlderMessageOnceAndReturnsWhatSettleMade)
{
    struct Open {
        int group;
        unsigned long long staticId;
        size_t step;
        size_t added;  // messages added to the group before it
        bool settled;
    };
    const int threads[2] = {};
    const int blocks[2] = {};
    auto keyOf = [&](int group) { return Index::GroupKey{&threads[group % 2], &blocks[group / 2]}; };
    const size_t recent = 8;

    std::mt19937 random(4711);
    std::vector<int> storage(60000);
    std::vector<int> settledStorage(storage.size());
    std::vector<Open> open;
    size_t addedToGroup[4] = {};
    size_t settledCount = 0;
    auto settle = [&](const int* position) {
        const auto step = size_t(position - storage.data());
        EXPECT_LT(step, storage.size()) << "settled twice";
        const auto found = std::find_if(open.begin(), open.end(), [&](const Open& o) { return o.step == step; });
        EXPECT_NE(found, open.end()) << "settled after it was taken";
        if (found != open.end()) {
            EXPECT_GT(addedToGroup[found->group] - found->added, recent) << "settled with too few newer messages";
            found->settled = true;
        }
        ++settledCount;
        return &settledStorage[step];
    };
    Index index;
    for (size_t step = 0; step < storage.size(); ++step) {
        const int group = int(random() % 4);
        const unsigned long long staticId = 1000 + random() % 5;
        if (random() % 100 < 55) {
            open.push_back({group, staticId, step, addedToGroup[group]++, false});
            index.add(keyOf(group), staticId, &storage[step], recent, settle);
            continue;
        }
        const bool byModel = random() % 2 == 0;
        const int* expected = nullptr;
        for (auto candidate = open.rbegin(); candidate != open.rend(); ++candidate) {
            if (candidate->group == group && (!byModel || candidate->staticId == staticId)) {
                const auto newer = size_t(std::count_if(candidate.base(), open.end(),
                                                        [&](const Open& o) { return o.group == group; }));
                // One with enough newer open messages has been settled.
                if (newer >= recent) {
                    EXPECT_TRUE(candidate->settled) << "at step " << step;
                }
                expected = candidate->settled ? &settledStorage[candidate->step] : &storage[candidate->step];
                open.erase(std::next(candidate).base());
                break;
            }
        }
        ASSERT_EQ(index.take(keyOf(group), byModel, staticId), expected) << "at step " << step;
    }
    EXPECT_GT(settledCount, 10000u);
}

}
