// The column plan against a walk of its own over made-up traces: every
// instance an event shows on has a column held by it there, instances in
// use at the same time never share a column, no more columns are used than
// instances are in use at once, and same-named neighbours show their ids.

#include <column_plan.h>
#include <event_window.h>
#include <geometry.h>
#include <involvement.h>
#include <labels.h>
#include <layout.h>
#include <trace_order.h>

#include <tcf.h>
#include <tdf.h>
#include <tdf_objects.h>

#include "error_recorder.h"
#include "random_trace.h"
#include "rewrite_reading.h"
#include "test_traces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// When an instance is in use, as the test sees it: from its drawn creation
// (or the top) to its drawn deletion or the last event drawn on it,
// whichever comes later; to the bottom when it is not deleted before or
// among the drawn events.
struct Lifetime {
    long long begin;
    long long end;
    bool shownAfterDeletion;  // events show on it after its deletion (a late return)
};

class ColumnPlanProperties : public testing::Test {
protected:
    ColumnPlanProperties() { loadTestConfigurations(configurations); }
    ~ColumnPlanProperties() override { configurations.deleteConfigurations(); }

    void read(TDF& reader, const std::string& trace)
    {
        for (const std::string& line : traceLines(trace))
            reader.read(line.c_str(), nullptr, nullptr);
    }

    // Checks one plan of `window` against the test's own walk.
    void check(const TDF& reader, const EventWindow& window, bool world);

    int boundedByAlive = 0;  // windows checked against the instances alive at once

    ErrorRecorder recorder;
    TCFList configurations;
};

// Each object's place in the reader's list, by a walk of the list.
std::map<const TDFObject*, long long> listPositions(const TDF& reader)
{
    std::map<const TDFObject*, long long> positions;
    long long position = 0;
    for (const TDFObject* object : reader.objects)
        positions[object] = position++;
    return positions;
}

std::map<const TDFInstance*, Lifetime> lifetimes(const TDF& reader, const EventWindow& window)
{
    const std::map<const TDFObject*, long long> positions = listPositions(reader);
    std::map<const TDFObject*, long long> index;
    for (size_t i = 0; i < window.events.size(); ++i)
        index[window.events[i]] = static_cast<long long>(i);
    const long long bottom = static_cast<long long>(window.events.size());

    std::map<const TDFInstance*, Lifetime> found;
    std::vector<TDFInstance*> shown;
    for (size_t i = 0; i < window.events.size(); ++i) {
        involvedInstances(window.events[i], shown);
        for (const TDFInstance* instance : shown) {
            if (instance && !found.count(instance))
                found[instance] = {index.count(instance) ? index.at(instance) : ColumnPlan::top, 0, false};
            if (instance)
                found[instance].end = static_cast<long long>(i);
        }
    }
    for (auto& [instance, lifetime] : found) {
        const TDFObject* deletion = instance->deletion;
        if (!deletion) {
            lifetime.end = bottom;
        } else if (index.count(deletion)) {
            lifetime.shownAfterDeletion = lifetime.end > index.at(deletion);
            lifetime.end = std::max(lifetime.end, index.at(deletion));
        } else {
            const auto position = positions.find(deletion);
            const bool before = position != positions.end() && !window.events.empty() &&
                                position->second < positions.at(window.events.front());
            lifetime.shownAfterDeletion = before;
            if (!before)
                lifetime.end = bottom;
        }
    }
    return found;
}

// The most instances alive at once among the drawn events: created and not
// yet deleted, walking the whole list.
size_t mostAlive(const TDF& reader, const EventWindow& window)
{
    std::set<const TDFInstance*> alive;
    size_t most = 0;
    bool inWindow = false;
    for (TDFObject* object : reader.objects) {
        if (!window.events.empty() && object == window.events.front())
            inWindow = true;
        if (object->type == TDF_INSTANCE)
            alive.insert(object->toInstance());
        if (TDFInstanceDelete* deletion = object->toInstanceDelete())
            alive.erase(deletion->instance);
        if (TDFInstanceDeleteAll* deletion = object->toInstanceDeleteAll()) {
            for (const TDFInstance* instance : *deletion->instances)
                alive.erase(instance);
        }
        if (inWindow)
            most = std::max(most, alive.size());
        if (!window.events.empty() && object == window.events.back())
            break;
    }
    return most;
}

void ColumnPlanProperties::check(const TDF& reader, const EventWindow& window, bool world)
{
    const ColumnPlan plan(window, TraceOrder(reader.objects), world);
    ASSERT_EQ(plan.events(), static_cast<long long>(window.events.size()));
    ASSERT_EQ(plan.hasWorld(), world);

    // Every event's instances have a column, held by them at that event.
    std::vector<TDFInstance*> shown;
    for (size_t i = 0; i < window.events.size(); ++i) {
        involvedInstances(window.events[i], shown);
        for (const TDFInstance* instance : shown) {
            const int column = plan.columnOf(instance);
            if (!instance) {
                EXPECT_EQ(column, world ? 0 : -1);
                continue;
            }
            ASSERT_GE(column, world ? 1 : 0) << "event " << i;
            ASSERT_LT(column, plan.columns());
            const ColumnPlan::Occupant* holder = plan.occupantAt(column, static_cast<long long>(i));
            ASSERT_NE(holder, nullptr) << "event " << i;
            EXPECT_EQ(holder->instance, instance) << "event " << i;
            EXPECT_EQ(plan.occupantOf(instance), holder);
        }
    }

    // Instances in use at the same time never share a column; the plan
    // spans each one's whole use.
    const std::map<const TDFInstance*, Lifetime> uses = lifetimes(reader, window);
    size_t occupants = 0;
    for (int column = 0; column < plan.columns(); ++column) {
        const std::vector<ColumnPlan::Occupant>& list = plan.occupants(column);
        occupants += list.size();
        for (size_t a = 0; a < list.size(); ++a) {
            if (!list[a].instance)
                continue;
            const Lifetime& mine = uses.at(list[a].instance);
            EXPECT_EQ(list[a].first, mine.begin);
            EXPECT_EQ(list[a].last, mine.end);
            for (size_t b = a + 1; b < list.size(); ++b) {
                const Lifetime& other = uses.at(list[b].instance);
                EXPECT_TRUE(mine.end < other.begin || other.end < mine.begin)
                    << "column " << column << ": [" << mine.begin << ", " << mine.end << "] and [" << other.begin
                    << ", " << other.end << "]";
            }
        }
    }
    EXPECT_EQ(occupants, uses.size() + (world ? 1 : 0));

    // As few columns as instances in use at once (the world actor aside).
    // Where no event shows on an instance after its deletion (a message it
    // sent before and that returns later, a deleted id made current again),
    // those are no more than the instances alive at once.
    size_t mostInUse = 0;
    for (long long event = ColumnPlan::top; event < plan.events(); ++event) {
        const size_t inUse = std::count_if(uses.begin(), uses.end(), [event](const auto& use) {
            return use.second.begin <= event && event <= use.second.end;
        });
        mostInUse = std::max(mostInUse, inUse);
    }
    const size_t instanceColumns = static_cast<size_t>(plan.columns()) - (world ? 1 : 0);
    EXPECT_EQ(instanceColumns, mostInUse);
    if (std::none_of(uses.begin(), uses.end(), [](const auto& use) { return use.second.shownAfterDeletion; })) {
        EXPECT_LE(static_cast<size_t>(plan.columns()), mostAlive(reader, window) + 2);
        ++boundedByAlive;
    }

    // An id shows where an instance of the same title is in the same column
    // or the next one, at any time.
    for (int column = 0; column < plan.columns(); ++column) {
        for (const ColumnPlan::Occupant& occupant : plan.occupants(column)) {
            if (!occupant.instance)
                continue;
            bool twin = false;
            for (int near = std::max(0, column - 1); near <= std::min(plan.columns() - 1, column + 1); ++near) {
                for (const ColumnPlan::Occupant& other : plan.occupants(near)) {
                    twin = twin || (other.instance && other.instance != occupant.instance &&
                                    instanceTitle(other.instance) == instanceTitle(occupant.instance));
                }
            }
            EXPECT_EQ(occupant.showsId, twin) << instanceTitle(occupant.instance).toStdString();
        }
    }
}

// Whole traces, a window that starts in the middle, and a capped one; with
// and without the world actor's column.
TEST_F(ColumnPlanProperties, MadeUpTracesKeepInstancesInUseApart)
{
    int reused = 0;
    for (unsigned seed = 1; seed <= 150; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TDF reader(&configurations);
        read(reader, randomTrace(seed, 600));
        RenderOptions whole;
        whole.maxEvents = 1 << 20;
        const EventWindow all = selectEvents(reader.objects, whole);
        RenderOptions middle = whole;
        if (!all.events.empty())
            middle.from = all.events[all.events.size() / 2]->time;
        RenderOptions capped;
        capped.maxEvents = 40;
        for (const RenderOptions& options : {whole, middle, capped}) {
            const EventWindow window = selectEvents(reader.objects, options);
            check(reader, window, seed % 2 == 0);
            const ColumnPlan plan(window, TraceOrder(reader.objects), false);
            for (int column = 0; column < plan.columns(); ++column)
                reused += plan.occupants(column).size() > 1 ? 1 : 0;
            if (HasFatalFailure())
                return;
        }
    }
    EXPECT_GT(reused, 100) << "the made-up traces should reuse columns";
    EXPECT_GT(boundedByAlive, 100);
}

// The pictures of the same traces: lifelines that share a column follow
// one another, from title box to cross, and every arrow ends at a column
// (or at a bar on it) or at the edge.
TEST_F(ColumnPlanProperties, LifelinesSharingAColumnFollowOneAnother)
{
    using namespace geometry;
    int shared = 0;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TDF reader(&configurations);
        read(reader, randomTrace(seed, 600));
        const Diagram diagram = layoutDiagram(reader, {});
        std::map<double, std::vector<std::pair<double, double>>> byColumn;
        for (const Lifeline& line : diagram.lifelines) {
            const double bottom = std::max(line.lineBottom + (line.crossStyle ? crossHalfSize : 0),
                                           line.titleY + titleHeight / 2);
            byColumn[line.x].emplace_back(line.titleY - titleHeight / 2, bottom);
        }
        for (auto& [x, spans] : byColumn) {
            std::sort(spans.begin(), spans.end());
            shared += spans.size() > 1 ? 1 : 0;
            for (size_t k = 1; k < spans.size(); ++k)
                EXPECT_LT(spans[k - 1].second, spans[k].first) << "column at " << x;
        }
        const auto atColumn = [&byColumn](double x) {
            for (const auto& column : byColumn) {
                if (std::abs(column.first - x) <= barHalfWidth)
                    return true;
            }
            return false;
        };
        for (const Arrow& arrow : diagram.arrows) {
            EXPECT_TRUE(arrow.fromEdge || atColumn(arrow.fromX)) << arrow.label.text.toStdString();
            EXPECT_TRUE(arrow.toEdge || atColumn(arrow.toX)) << arrow.label.text.toStdString();
        }
    }
    EXPECT_GT(shared, 60);
}

}
