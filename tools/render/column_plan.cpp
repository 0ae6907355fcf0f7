#include "column_plan.h"

#include "event_window.h"
#include "involvement.h"
#include "labels.h"
#include "trace_order.h"

#include <tdf_objects.h>

#include <QHash>
#include <QString>

#include <algorithm>
#include <functional>
#include <queue>
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

}

ColumnPlan::ColumnPlan(const EventWindow& window, const TraceOrder& order, bool world)
    : events_(static_cast<long long>(window.events.size())), world_(world)
{
    // One walk: the first and last event drawn on each instance, and where
    // the drawn deletions stand.
    std::vector<Use> uses;
    std::unordered_map<const TDFInstance*, size_t> useOf;
    std::unordered_map<const TDFObject*, long long> deletions;
    std::vector<TDFInstance*> involved;
    for (long long event = 0; event < events_; ++event) {
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

    // Each instance's span of events, those already there at the top first
    // (in the order they were created), then the others as they come.
    std::vector<Occupant> byStart;
    byStart.reserve(uses.size());
    for (const Use& use : uses) {
        Occupant occupant;
        occupant.instance = use.instance;
        occupant.first = use.created ? use.firstShown : top;
        occupant.deletion = deletionEvent(use.instance, deletions, window, order, events_);
        occupant.last = occupant.deletion == events_ ? events_ : std::max(use.lastShown, occupant.deletion);
        byStart.push_back(occupant);
    }
    const auto laterStarts =
        std::stable_partition(byStart.begin(), byStart.end(), [](const Occupant& o) { return o.first == top; });
    std::vector<std::pair<long long, size_t>> earlier;
    for (auto it = byStart.begin(); it != laterStarts; ++it)
        earlier.emplace_back(order.position(it->instance), static_cast<size_t>(it - byStart.begin()));
    std::sort(earlier.begin(), earlier.end());
    std::vector<Occupant> sorted;
    sorted.reserve(byStart.size());
    for (const auto& entry : earlier)
        sorted.push_back(byStart[entry.second]);
    sorted.insert(sorted.end(), laterStarts, byStart.end());

    assignColumns(sorted);
    markSameNames();
}

void ColumnPlan::assignColumns(const std::vector<Occupant>& byStart)
{
    if (world_)
        columns_.push_back({Occupant{nullptr, top, events_, events_, false}});
    // Columns in use with the last event they are held for, soonest free
    // first; the free ones, lowest first.
    using Busy = std::pair<long long, int>;
    std::priority_queue<Busy, std::vector<Busy>, std::greater<Busy>> busy;
    std::priority_queue<int, std::vector<int>, std::greater<int>> free;
    places_.reserve(byStart.size());
    for (const Occupant& occupant : byStart) {
        while (!busy.empty() && busy.top().first < occupant.first) {
            free.push(busy.top().second);
            busy.pop();
        }
        int column;
        if (free.empty()) {
            column = columns();
            columns_.emplace_back();
        } else {
            column = free.top();
            free.pop();
        }
        std::vector<Occupant>& occupants = columns_[static_cast<size_t>(column)];
        places_[occupant.instance] = {column, static_cast<int>(occupants.size())};
        occupants.push_back(occupant);
        busy.emplace(occupant.last, column);
    }
}

void ColumnPlan::markSameNames()
{
    // How often each title occurs in each column.
    std::vector<QHash<QString, int>> titleCounts(columns_.size());
    std::vector<std::vector<QString>> titles(columns_.size());
    for (size_t column = 0; column < columns_.size(); ++column) {
        for (const Occupant& occupant : columns_[column]) {
            titles[column].push_back(occupant.instance ? instanceTitle(occupant.instance) : QString());
            if (occupant.instance)
                ++titleCounts[column][titles[column].back()];
        }
    }
    for (size_t column = 0; column < columns_.size(); ++column) {
        const size_t reach = idNeighbourhood;
        const size_t from = column >= reach ? column - reach : 0;
        const size_t to = std::min(columns_.size() - 1, column + reach);
        std::vector<Occupant>& occupants = columns_[column];
        for (size_t k = 0; k < occupants.size(); ++k) {
            if (!occupants[k].instance)
                continue;
            int sameTitle = 0;
            for (size_t near = from; near <= to; ++near)
                sameTitle += titleCounts[near].value(titles[column][k]);
            occupants[k].showsId = sameTitle > 1;  // itself and another
        }
    }
}

int ColumnPlan::columnOf(const TDFInstance* instance) const
{
    if (!instance)
        return world_ ? 0 : -1;
    const auto found = places_.find(instance);
    return found == places_.end() ? -1 : found->second.column;
}

const ColumnPlan::Occupant* ColumnPlan::occupantOf(const TDFInstance* instance) const
{
    if (!instance)
        return world_ ? &columns_.front().front() : nullptr;
    const auto found = places_.find(instance);
    if (found == places_.end())
        return nullptr;
    return &columns_[static_cast<size_t>(found->second.column)][static_cast<size_t>(found->second.index)];
}

const ColumnPlan::Occupant* ColumnPlan::occupantAt(int column, long long event) const
{
    const std::vector<Occupant>& occupants = this->occupants(column);
    // The last occupant that began at or before the event, if it still holds the column.
    const auto after = std::upper_bound(occupants.begin(), occupants.end(), event,
                                        [](long long value, const Occupant& o) { return value < o.first; });
    if (after == occupants.begin() || std::prev(after)->last < event)
        return nullptr;
    return &*std::prev(after);
}
