#ifndef VIEW_ROW_LAYOUT_H
#define VIEW_ROW_LAYOUT_H

// Where each event's row is down the page, as the page lays rows out: one
// row per event, its height by its kind, and consecutive instance
// creations sharing one. The page of a served trace is given these ys, so
// the server keeps them: the y of every 256th event, and each event's
// offset from it in 16 bits (a block of rows is at most 256 * 46 high).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace view {

// Heights in diagram units (pixels at zoom 1), the page's as well.
namespace rowHeight {
constexpr long long creation = 46;
constexpr long long edge = 18;  // loop starts and ends
constexpr long long mark = 24;  // thread changes and triggers
constexpr long long boundary = 40;  // where a new trace starts
constexpr long long plain = 30;
constexpr long long title = 28;
constexpr long long bottomPadding = 24;
}

long long rowHeightOf(int kind);

class RowLayout {
public:
    // Lays out the page's events from their kinds (TDFObjectType), in order.
    explicit RowLayout(const std::vector<std::uint8_t>& kinds);

    long long count() const { return static_cast<long long>(offsets_.size()); }
    // The y of an event's row's middle.
    long long y(long long event) const
    {
        const std::size_t at = static_cast<std::size_t>(event);
        return blockY_[at / every] + offsets_[at];
    }
    // Whether an event opens its row (it shares none with the one before).
    bool opensRow(long long event) const { return event == 0 || y(event - 1) != y(event); }
    // The first event whose row lies at or below `y` (count() for none).
    long long firstAtOrBelow(double y) const;

    // The top row (titles of what exists from the start) and the body.
    static constexpr long long topRowY = rowHeight::creation / 2;
    static constexpr long long bodyTop = topRowY + rowHeight::title / 2;
    long long bodyBottom() const { return cursor_ + rowHeight::bottomPadding / 2; }
    long long height() const { return cursor_ + rowHeight::bottomPadding; }

private:
    static constexpr std::size_t every = 256;
    std::vector<long long> blockY_;        // the y of each block's first event
    std::vector<std::uint16_t> offsets_;  // each event's y less its block's
    long long cursor_ = rowHeight::creation;  // where a row after the last would start
};

}

#endif
