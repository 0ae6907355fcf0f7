#ifndef VIEW_ROW_LAYOUT_H
#define VIEW_ROW_LAYOUT_H

// Where each event's row is down the page, as the page lays rows out: one
// row per event, its height by its kind, and consecutive instance
// creations sharing one. The page of a served trace is given these ys, so
// the server keeps them, a checkpoint every few hundred events rather than
// one number per event.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace view {

// Heights in diagram units (pixels at zoom 1), the page's as well.
namespace rowHeight {
constexpr long long creation = 46;
constexpr long long edge = 18;  // loop starts and ends
constexpr long long mark = 24;  // thread changes and triggers
constexpr long long plain = 30;
constexpr long long title = 28;
constexpr long long bottomPadding = 24;
}

long long rowHeightOf(int kind);

class RowLayout {
public:
    // `kinds` (TDFObjectType) of the page's events in order; kept.
    explicit RowLayout(std::vector<std::uint8_t> kinds);

    long long count() const { return static_cast<long long>(kinds_.size()); }
    int kind(long long event) const { return kinds_[static_cast<std::size_t>(event)]; }
    // The y of an event's row's middle.
    long long y(long long event) const;
    // The first event whose row lies at or below `y` (count() for none).
    long long firstAtOrBelow(double y) const;
    // Calls visit(event, y) for events first..last in order.
    template <class Visit>
    void visit(long long first, long long last, Visit&& visit) const;

    // The top row (titles of what exists from the start) and the body.
    static constexpr long long topRowY = rowHeight::creation / 2;
    static constexpr long long bodyTop = topRowY + rowHeight::title / 2;
    long long bodyBottom() const { return end_.cursor + rowHeight::bottomPadding / 2; }
    long long height() const { return end_.cursor + rowHeight::bottomPadding; }

private:
    // The layout's state before an event: where the next row starts, the
    // current row's y, and whether it is a row of creations.
    struct State {
        long long cursor = rowHeight::creation;
        long long rowY = topRowY;
        bool creations = true;
    };
    static constexpr long long every = 256;
    // Lays event `kind` out from `state`; returns its y.
    static long long place(State& state, int kind);

    std::vector<std::uint8_t> kinds_;
    std::vector<State> checkpoints_;  // before events 0, every, 2 * every, ...
    std::vector<long long> firstY_;   // the y of each checkpoint's first event
    State end_;
};

template <class Visit>
void RowLayout::visit(long long first, long long last, Visit&& visit) const
{
    if (first > last)
        return;
    State state = checkpoints_[static_cast<std::size_t>(first / every)];
    for (long long event = first / every * every; event <= last; ++event) {
        const long long y = place(state, kind(event));
        if (event >= first)
            visit(event, y);
    }
}

}

#endif
