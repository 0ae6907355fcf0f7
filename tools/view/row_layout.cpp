#include "row_layout.h"

#include <tdf_objects.h>

#include <algorithm>

namespace view {

long long rowHeightOf(int kind)
{
    switch (kind) {
    case TDF_INSTANCE:
        return rowHeight::creation;
    case TDF_LOOP_START:
    case TDF_LOOP_END:
        return rowHeight::edge;
    case TDF_THREAD_INFO:
    case TDF_EXTERNAL_TRIGGER:
    case TDF_TRIGGER_START:
    case TDF_TRIGGER_STOP:
        return rowHeight::mark;
    default:
        return rowHeight::plain;
    }
}

long long RowLayout::place(State& state, int kind)
{
    // Creations at the top, and those that follow one another, share a row.
    if (kind == TDF_INSTANCE && state.creations)
        return state.rowY;
    const long long height = rowHeightOf(kind);
    state.rowY = state.cursor + height / 2;
    state.creations = kind == TDF_INSTANCE;
    state.cursor += height;
    return state.rowY;
}

RowLayout::RowLayout(std::vector<std::uint8_t> kinds) : kinds_(std::move(kinds))
{
    State state;
    for (long long event = 0; event < count(); ++event) {
        if (event % every == 0) {
            checkpoints_.push_back(state);
            State probe = state;
            firstY_.push_back(place(probe, kind(event)));
        }
        place(state, kind(event));
    }
    end_ = state;
    if (checkpoints_.empty())
        checkpoints_.push_back(state);
}

long long RowLayout::y(long long event) const
{
    long long found = 0;
    visit(event, event, [&found](long long, long long y) { found = y; });
    return found;
}

long long RowLayout::firstAtOrBelow(double y) const
{
    // The checkpoint before the first whose first row is at or below y.
    const size_t after = static_cast<size_t>(std::lower_bound(firstY_.begin(), firstY_.end(), y) - firstY_.begin());
    if (after == 0)
        return 0;
    const long long first = static_cast<long long>(after - 1) * every;
    const long long last = std::min(count(), first + every) - 1;
    long long found = last + 1;
    visit(first, last, [&found, y](long long event, long long rowY) {
        if (found > event && rowY >= y)
            found = event;
    });
    return found;
}

}
