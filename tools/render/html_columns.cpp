#include "html_columns.h"

#include "event_instances.h"

#include <tdf_objects.h>

#include <algorithm>
#include <functional>
#include <queue>
#include <unordered_set>

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
        const auto found = assignment_.column.find(instance);
        if (found != assignment_.column.end() && released_.insert(instance).second)
            free_.push(found->second);
    }

private:
    ColumnAssignment& assignment_;
    int next_;
    std::unordered_set<const TDFInstance*> released_;  // a column is freed once
    std::priority_queue<int, std::vector<int>, std::greater<int>> free_;  // lowest first
};

}

ColumnAssignment assignColumns(const std::vector<TDFObject*>& events, int firstColumn)
{
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
    for (TDFObject* event : events) {
        for (TDFInstance* instance : involvedInstances(event))
            columns.take(instance);
        if (event->type == TDF_INSTANCE_DELETE) {
            columns.release(event->toInstanceDelete()->instance);
        } else if (event->type == TDF_INSTANCE_DELETE_ALL) {
            if (const TDFInstanceList* list = event->toInstanceDeleteAll()->instances) {
                for (TDFInstance* instance : *list)
                    columns.release(instance);
            }
        }
    }
    return assignment;
}
