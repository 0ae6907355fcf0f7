#ifndef RENDER_COLUMN_ASSIGNMENT_H
#define RENDER_COLUMN_ASSIGNMENT_H

// The lifeline columns of a picture, given when each instance is in use:
// an instance holds its column from its first event to its last, then the
// column is free and the next instance that needs one takes the lowest
// free column; the world actor, when shown, keeps column 0 throughout.
// Same-named instances in the same or neighbouring columns show their ids.
// `Key` names an instance: the reader's object (the SVG picture, from the
// whole model) or a store row (the page); `world` is the world actor's key.
// It takes O(log C) per instance for C columns and a few words each.

#include <QHash>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <queue>
#include <unordered_map>
#include <utility>
#include <vector>

template <class Key>
class ColumnAssignment {
public:
    // Before the first drawn event: instances created earlier (and the
    // world actor) begin here, and one deleted earlier ends here.
    static constexpr long long top = -1;
    // Same-named instances this many columns apart or closer show their
    // dynamic id in their titles: the title band shows neighbouring columns
    // side by side, and a column's occupants one after the other.
    static constexpr int idNeighbourhood = 1;

    struct Occupant {
        Key instance{};  // the world actor's key for the world actor
        // The first event it holds the column at: its creation, or top.
        long long first = top;
        // The last one: its deletion or a later event drawn on it;
        // events() when it lives on after the drawn events.
        long long last = 0;
        // Where its lifeline ends with a cross: its deletion's event, top
        // when it was deleted before the drawn events, events() (no cross)
        // when it is not deleted by then.
        long long deletion = 0;
        // Its title carries its dynamic id: an instance of the same title
        // occupies the same column, or one within idNeighbourhood, at some
        // time.
        bool showsId = false;
    };

    // `byStart`: the instances in the order they take columns (those there
    // at the top first); `title` gives an instance's title.
    ColumnAssignment(const std::vector<Occupant>& byStart, long long events, bool world, Key worldKey,
                     const std::function<QString(const Key&)>& title)
        : events_(events), world_(world), worldKey_(worldKey)
    {
        assignColumns(byStart);
        markSameNames(title);
    }

    int columns() const { return static_cast<int>(columns_.size()); }
    long long events() const { return events_; }
    bool hasWorld() const { return world_; }
    // The occupants of a column, top down; their spans of events do not overlap.
    const std::vector<Occupant>& occupants(int column) const { return columns_[static_cast<std::size_t>(column)]; }
    // The column of an instance that drawn events show on, of the world
    // actor for its key; -1 for any other instance and for a hidden world actor.
    int columnOf(const Key& instance) const
    {
        if (instance == worldKey_)
            return world_ ? 0 : -1;
        const auto found = places_.find(instance);
        return found == places_.end() ? -1 : found->second.column;
    }
    // The occupant an instance is; null where columnOf gives -1.
    const Occupant* occupantOf(const Key& instance) const
    {
        if (instance == worldKey_)
            return world_ ? &columns_.front().front() : nullptr;
        const auto found = places_.find(instance);
        if (found == places_.end())
            return nullptr;
        return &columns_[static_cast<size_t>(found->second.column)][static_cast<size_t>(found->second.index)];
    }
    // Who holds `column` at `event` (an index, or top); null while it is free.
    const Occupant* occupantAt(int column, long long event) const
    {
        const std::vector<Occupant>& held = occupants(column);
        // The last occupant that began at or before the event, if it still holds the column.
        const auto after = std::upper_bound(held.begin(), held.end(), event,
                                            [](long long value, const Occupant& o) { return value < o.first; });
        if (after == held.begin() || std::prev(after)->last < event)
            return nullptr;
        return &*std::prev(after);
    }

private:
    struct Place {
        int column;
        int index;  // among the column's occupants
    };

    void assignColumns(const std::vector<Occupant>& byStart)
    {
        if (world_)
            columns_.push_back({Occupant{worldKey_, top, events_, events_, false}});
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

    void markSameNames(const std::function<QString(const Key&)>& title)
    {
        // Each occupant's title as a number, in column order; each column's
        // numbers also sorted, to count a title in a column by bisection.
        // Flat arrays: a picture may have a column for each of a million
        // instances, and a table per column would cost a kilobyte each.
        constexpr int noTitle = -1;  // the world actor's: it shares no name
        QHash<QString, int> numbers;
        const auto numberOf = [&numbers](const QString& text) {
            const auto found = numbers.constFind(text);
            return found != numbers.constEnd() ? *found : *numbers.insert(text, int(numbers.size()));
        };
        std::vector<std::size_t> begin{0};
        std::vector<int> titleNumber;
        for (const std::vector<Occupant>& occupants : columns_) {
            for (const Occupant& occupant : occupants)
                titleNumber.push_back(occupant.instance == worldKey_ ? noTitle : numberOf(title(occupant.instance)));
            begin.push_back(titleNumber.size());
        }
        std::vector<int> sorted = titleNumber;
        for (std::size_t column = 0; column < columns_.size(); ++column)
            std::sort(sorted.begin() + long(begin[column]), sorted.begin() + long(begin[column + 1]));
        const auto countIn = [&](std::size_t column, int number) {
            const auto range = std::equal_range(sorted.begin() + long(begin[column]),
                                                sorted.begin() + long(begin[column + 1]), number);
            return range.second - range.first;
        };
        for (std::size_t column = 0; column < columns_.size(); ++column) {
            const std::size_t reach = idNeighbourhood;
            const std::size_t from = column >= reach ? column - reach : 0;
            const std::size_t to = std::min(columns_.size() - 1, column + reach);
            std::vector<Occupant>& occupants = columns_[column];
            for (std::size_t k = 0; k < occupants.size(); ++k) {
                const int number = titleNumber[begin[column] + k];
                if (number == noTitle)
                    continue;
                long sameTitle = 0;
                for (std::size_t near = from; near <= to; ++near)
                    sameTitle += countIn(near, number);
                occupants[k].showsId = sameTitle > 1;  // itself and another
            }
        }
    }

    long long events_;
    bool world_;
    Key worldKey_;
    std::vector<std::vector<Occupant>> columns_;
    std::unordered_map<Key, Place> places_;
};

#endif
