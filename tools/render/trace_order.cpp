#include "trace_order.h"

#include <algorithm>

TraceOrder::TraceOrder(const List<TDFObject*>& objects)
{
    byObject_.reserve(objects.count);
    long long position = 0;
    for (TDFObject* object : objects)
        byObject_.emplace_back(object, position++);
    std::sort(byObject_.begin(), byObject_.end());
}

long long TraceOrder::position(const TDFObject* object) const
{
    const auto found = std::lower_bound(byObject_.begin(), byObject_.end(), std::make_pair(object, 0LL),
                                        [](const auto& a, const auto& b) { return a.first < b.first; });
    return found != byObject_.end() && found->first == object ? found->second : none;
}
