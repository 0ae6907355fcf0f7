#ifndef RENDER_TRACE_ORDER_H
#define RENDER_TRACE_ORDER_H

#include <list.h>

#include <utility>
#include <vector>

class TDFObject;

// Where each object stands in the trace: its position in the reader's
// object list. Times may go back, so the list order, not the time, says
// what came first. Objects the list does not hold (a call's message before
// its completion) have no position.
class TraceOrder {
public:
    static constexpr long long none = -1;

    explicit TraceOrder(const List<TDFObject*>& objects);

    long long position(const TDFObject* object) const;

private:
    std::vector<std::pair<const TDFObject*, long long>> byObject_;  // sorted by object
};

#endif
