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
    case TDF_NEW_TRACE:
        return rowHeight::boundary;
    default:
        return rowHeight::plain;
    }
}

RowLayout::RowLayout(const std::vector<std::uint8_t>& kinds)
{
    offsets_.reserve(kinds.size());
    blockY_.reserve(kinds.size() / every + 1);
    long long rowY = topRowY;
    bool creations = true;  // the top row takes the creations that open the trace
    for (std::size_t event = 0; event < kinds.size(); ++event) {
        const int kind = kinds[event];
        // Creations at the top, and those that follow one another, share a row.
        if (kind != TDF_INSTANCE || !creations) {
            const long long height = rowHeightOf(kind);
            rowY = cursor_ + height / 2;
            creations = kind == TDF_INSTANCE;
            cursor_ += height;
        }
        if (event % every == 0)
            blockY_.push_back(rowY);
        offsets_.push_back(static_cast<std::uint16_t>(rowY - blockY_.back()));
    }
}

long long RowLayout::firstAtOrBelow(double y) const
{
    // The block before the first whose first row is at or below y holds it,
    // or that block's first event is it.
    const std::size_t after = static_cast<std::size_t>(std::lower_bound(blockY_.begin(), blockY_.end(), y) - blockY_.begin());
    if (after == 0)
        return 0;
    const std::size_t block = after - 1;
    const auto first = offsets_.begin() + static_cast<std::ptrdiff_t>(block * every);
    const auto last = offsets_.begin() + static_cast<std::ptrdiff_t>(std::min(offsets_.size(), (block + 1) * every));
    const double offset = y - static_cast<double>(blockY_[block]);
    return std::lower_bound(first, last, offset, [](std::uint16_t at, double wanted) { return at < wanted; }) -
           offsets_.begin();
}

}
