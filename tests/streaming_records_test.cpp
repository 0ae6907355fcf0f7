// What a streaming reader keeps of the objects it has freed, in compact
// forms: the returns no deletion has named yet, and the deleted instances
// still known by their id. Each must give back exactly what a plain map of
// the same records gives, over many random changes.

#include "internal/freed_instances.h"
#include "internal/past_returns.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace tdf::internal;

namespace {

struct Model {};

TEST(PastReturns, GiveTheNewestOfEachStaticMessageWithItsModelAndTime)
{
    std::mt19937_64 random(99);
    Model models[3];
    PastReturns<Model> returns;
    std::map<unsigned long long, std::vector<std::pair<Model*, unsigned long long>>> expected;
    unsigned long long clock = 0;
    size_t taken = 0;
    for (int step = 0; step < 200000; ++step) {
        const unsigned long long staticId = 1000 + random() % 7;
        if (random() % 100 < 60) {
            // Time mostly moves on a little; now and then back, or far.
            const unsigned roll = unsigned(random() % 100);
            clock = roll == 0 ? clock / 2 : roll == 1 ? clock + (1ULL << 33) : clock + random() % 5000;
            Model* model = &models[random() % 100 < 95 ? 0 : 1 + random() % 2];
            returns.remember(staticId, model, clock);
            expected[staticId].emplace_back(model, clock);
            continue;
        }
        Model* model = nullptr;
        unsigned long long time = 0;
        const bool found = returns.takeNewest(staticId, &model, &time);
        auto& stack = expected[staticId];
        ASSERT_EQ(found, !stack.empty()) << "at step " << step;
        if (!found)
            continue;
        ASSERT_EQ(model, stack.back().first) << "at step " << step;
        ASSERT_EQ(time, stack.back().second) << "at step " << step;
        stack.pop_back();
        ++taken;
    }
    EXPECT_GT(taken, 50000u);
    returns.clear();
    Model* model = nullptr;
    unsigned long long time = 0;
    EXPECT_FALSE(returns.takeNewest(1000, &model, &time));
}

TEST(FreedInstances, GiveBackWhatWasRememberedUnderEachId)
{
    std::mt19937_64 random(7);
    std::vector<Model> models(40);
    FreedInstances<Model> freed;
    using Record = FreedInstances<Model>::Freed;
    std::map<unsigned long long, Record> expected;
    size_t given = 0;
    for (int step = 0; step < 200000; ++step) {
        const unsigned long long id = random() % 3000 * 0x10001;
        if (random() % 100 < 55) {
            // Generated names, own names, no model, large occurrences.
            const unsigned roll = unsigned(random() % 100);
            Model* model = roll < 5 ? nullptr : &models[random() % models.size()];
            const unsigned long long occurrence = roll == 7 ? (1ULL << 40) + step : random() % 100000;
            const QString name = roll >= 90 ? QString::fromStdString("part " + std::to_string(step)) : QString();
            freed.remember(id, model, occurrence, name);
            expected[id] = Record{model, occurrence, name};
            continue;
        }
        Record record{nullptr, 0, QString()};
        const bool found = freed.take(id, &record);
        const auto wanted = expected.find(id);
        ASSERT_EQ(found, wanted != expected.end()) << "at step " << step;
        if (!found)
            continue;
        ASSERT_EQ(record.model, wanted->second.model) << "at step " << step;
        ASSERT_EQ(record.occurrence, wanted->second.occurrence) << "at step " << step;
        ASSERT_EQ(record.ownName.isNull(), wanted->second.ownName.isNull()) << "at step " << step;
        ASSERT_EQ(record.ownName, wanted->second.ownName) << "at step " << step;
        expected.erase(wanted);
        ++given;
    }
    EXPECT_GT(given, 40000u);
    freed.clear();
    Record record{nullptr, 0, QString()};
    EXPECT_FALSE(freed.take(expected.empty() ? 0 : expected.begin()->first, &record));
}

}
