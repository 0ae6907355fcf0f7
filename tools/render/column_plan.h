#ifndef RENDER_COLUMN_PLAN_H
#define RENDER_COLUMN_PLAN_H

// Which lifeline column each instance of a picture stands in. An instance
// holds its column from its creation (or from the top, when it was created
// before the drawn events) to its deletion, or to a later drawn event that
// still shows on it (the return of a message it received, a note on its
// deletion). Then the column is free, and the next instance that needs one
// takes the lowest free column. The world actor, when the configuration
// shows it, keeps column 0 throughout. So a picture needs no more columns
// than instances are in use at once, however long the trace.
//
// Events are counted by their index among the drawn events (the window's
// `events`). The plan holds the instances' addresses: it must not outlive
// the reader's objects. Building it walks the events once, with a hash
// look-up per instance an event shows on, and takes O(log C) per instance
// for C columns; it keeps a few words per instance and nothing per event.

#include <cstddef>
#include <unordered_map>
#include <vector>

class TDFInstance;
class TraceOrder;
struct EventWindow;

class ColumnPlan {
public:
    // Before the first drawn event: instances created earlier (and the
    // world actor) begin here, and one deleted earlier ends here.
    static constexpr long long top = -1;
    // Same-named instances this many columns apart or closer show their
    // dynamic id in their titles: the title band shows neighbouring columns
    // side by side, and a column's occupants one after the other.
    static constexpr int idNeighbourhood = 1;

    struct Occupant {
        TDFInstance* instance = nullptr;  // null for the world actor
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

    // `order` places objects that are not drawn (a deletion before the
    // window); `world` gives the world actor its column.
    ColumnPlan(const EventWindow& window, const TraceOrder& order, bool world);

    int columns() const { return static_cast<int>(columns_.size()); }
    long long events() const { return events_; }
    bool hasWorld() const { return world_; }
    // The occupants of a column, top down; their spans of events do not overlap.
    const std::vector<Occupant>& occupants(int column) const { return columns_[static_cast<std::size_t>(column)]; }
    // The column of an instance that drawn events show on, of the world
    // actor for null; -1 for any other instance and for a hidden world actor.
    int columnOf(const TDFInstance* instance) const;
    // The occupant an instance is; null where columnOf gives -1.
    const Occupant* occupantOf(const TDFInstance* instance) const;
    // Who holds `column` at `event` (an index, or top); null while it is free.
    const Occupant* occupantAt(int column, long long event) const;

private:
    struct Place {
        int column;
        int index;  // among the column's occupants
    };

    void assignColumns(const std::vector<Occupant>& byStart);
    void markSameNames();

    long long events_;
    bool world_;
    std::vector<std::vector<Occupant>> columns_;
    std::unordered_map<const TDFInstance*, Place> places_;
};

#endif
