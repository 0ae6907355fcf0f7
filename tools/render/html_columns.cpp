#include "html_columns.h"

#include "event_instances.h"

#include <tdf_objects.h>

#include <algorithm>
#include <functional>
#include <queue>

namespace {

class Columns {
public:
    Columns(ColumnAssignment& assignment, int first) : assignment_(assignment), next_(first) {}

    void take(const TDFInstance* instance)
    {
        if (!instance || assignment_.column.count(instance))
            return;
        int column;
        if (!free_.empty()) {
            column = free_.top();
            free_.pop();
        } else {
            column = next_++;
        }
        assignment_.column.emplace(instance, column);
        assignment_.instances.push_back(instance);
        assignment_.count = std::max(assignment_.count, column + 1);
    }

    void release(const TDFInstance* instance)
    {
        free_.push(assignment_.column.at(instance));
    }

private:
    ColumnAssignment& assignment_;
    int next_;
    std::priority_queue<int, std::vector<int>, std::greater<int>> free_;  // lowest first
};

}

ColumnAssignment assignColumns(const std::vector<TDFObject*>& events, int firstColumn)
{
    // A column is free again after its instance's deletion and after the
    // last event that names the instance: a trace may go on naming an
    // instance it deleted, and those events stay in its column.
    std::unordered_map<const TDFInstance*, size_t> lastUse;
    std::unordered_map<const TDFObject*, size_t> deletionAt;
    for (size_t i = 0; i < events.size(); ++i) {
        for (const TDFInstance* instance : involvedInstances(events[i])) {
            if (instance)
                lastUse[instance] = i;
        }
        if (events[i]->type == TDF_INSTANCE_DELETE || events[i]->type == TDF_INSTANCE_DELETE_ALL)
            deletionAt.emplace(events[i], i);
    }
    std::vector<std::pair<size_t, const TDFInstance*>> releases;  // after which event
    for (const auto& [instance, last] : lastUse) {
        const auto deleted = deletionAt.find(instance->deletion);
        if (deleted != deletionAt.end())
            releases.emplace_back(std::max(last, deleted->second), instance);
    }
    std::sort(releases.begin(), releases.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    ColumnAssignment assignment;
    assignment.count = firstColumn;
    Columns columns(assignment, firstColumn);
    // Instances that exist before their first event: named without being
    // created among the events.
    for (TDFObject* event : events) {
        for (TDFInstance* instance : involvedInstances(event)) {
            if (instance && !instance->objectNode)
                columns.take(instance);
        }
    }
    auto release = releases.begin();
    for (size_t i = 0; i < events.size(); ++i) {
        for (TDFInstance* instance : involvedInstances(events[i]))
            columns.take(instance);
        for (; release != releases.end() && release->first == i; ++release)
            columns.release(release->second);
    }
    return assignment;
}
