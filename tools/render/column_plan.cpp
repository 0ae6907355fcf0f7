#include "column_plan.h"

#include "event_window.h"
#include "involvement.h"
#include "labels.h"
#include "trace_order.h"

#include <tdf_objects.h>

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace {

// What the walk over the events learns of one instance.
struct Use {
    TDFInstance* instance;
    long long firstShown;  // the first event drawn on it
    long long lastShown;
    bool created;  // its creation is drawn
};

// Where an instance's lifeline ends (see Occupant::deletion).
long long deletionEvent(const TDFInstance* instance, const std::unordered_map<const TDFObject*, long long>& drawn,
                        const EventWindow& window, const TraceOrder& order, long long events)
{
    if (!instance->deletion)
        return events;
    if (const auto found = drawn.find(instance->deletion); found != drawn.end())
        return found->second;
    const long long position = order.position(instance->deletion);
    return position != TraceOrder::none && position < window.firstPosition ? ColumnPlan::top : events;
}

// Each instance's span of events, those already there at the top first
// (in the order they were created), then the others as they come.
std::vector<ColumnPlan::Occupant> spansOf(const EventWindow& window, const TraceOrder& order)
{
    const long long events = static_cast<long long>(window.events.size());
    // One walk: the first and last event drawn on each instance, and where
    // the drawn deletions stand.
    std::vector<Use> uses;
    std::unordered_map<const TDFInstance*, size_t> useOf;
    std::unordered_map<const TDFObject*, long long> deletions;
    std::vector<TDFInstance*> involved;
    for (long long event = 0; event < events; ++event) {
        TDFObject* object = window.events[static_cast<size_t>(event)];
        if (object->type == TDF_INSTANCE_DELETE || object->type == TDF_INSTANCE_DELETE_ALL)
            deletions.emplace(object, event);
        involvedInstances(object, involved);
        for (TDFInstance* instance : involved) {
            if (!instance)
                continue;
            const auto [found, added] = useOf.try_emplace(instance, uses.size());
            if (added)
                uses.push_back({instance, event, event, false});
            Use& use = uses[found->second];
            use.lastShown = event;
            use.created = use.created || object == instance;
        }
    }

    std::vector<ColumnPlan::Occupant> byStart;
    byStart.reserve(uses.size());
    for (const Use& use : uses) {
        ColumnPlan::Occupant occupant;
        occupant.instance = use.instance;
        occupant.first = use.created ? use.firstShown : ColumnPlan::top;
        occupant.deletion = deletionEvent(use.instance, deletions, window, order, events);
        occupant.last = occupant.deletion == events ? events : std::max(use.lastShown, occupant.deletion);
        byStart.push_back(occupant);
    }
    const auto laterStarts = std::stable_partition(byStart.begin(), byStart.end(),
                                                   [](const ColumnPlan::Occupant& o) { return o.first == ColumnPlan::top; });
    std::vector<std::pair<long long, size_t>> earlier;
    for (auto it = byStart.begin(); it != laterStarts; ++it)
        earlier.emplace_back(order.position(it->instance), static_cast<size_t>(it - byStart.begin()));
    std::sort(earlier.begin(), earlier.end());
    std::vector<ColumnPlan::Occupant> sorted;
    sorted.reserve(byStart.size());
    for (const auto& entry : earlier)
        sorted.push_back(byStart[entry.second]);
    sorted.insert(sorted.end(), laterStarts, byStart.end());
    return sorted;
}

}

ColumnPlan::ColumnPlan(const EventWindow& window, const TraceOrder& order, bool world)
    : ColumnAssignment(spansOf(window, order), static_cast<long long>(window.events.size()), world, nullptr,
                       [](TDFInstance* const& instance) { return instanceTitle(instance); })
{
}
