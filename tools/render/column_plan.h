#ifndef RENDER_COLUMN_PLAN_H
#define RENDER_COLUMN_PLAN_H

// Which lifeline column each instance of a picture of the reader's objects
// stands in (see ColumnAssignment). An instance holds its column from its
// creation (or from the top, when it was created before the drawn events)
// to its deletion, or to a later drawn event that still shows on it (the
// return of a message it received, a note on its deletion). So a picture
// needs no more columns than instances are in use at once, however long
// the trace.
//
// Events are counted by their index among the drawn events (the window's
// `events`). The plan holds the instances' addresses: it must not outlive
// the reader's objects. Building it walks the events once, with a hash
// look-up per instance an event shows on; it keeps a few words per
// instance and nothing per event. Null stands for the world actor.

#include "column_assignment.h"

class TDFInstance;
class TraceOrder;
struct EventWindow;

class ColumnPlan : public ColumnAssignment<TDFInstance*> {
public:
    // `order` places objects that are not drawn (a deletion before the
    // window); `world` gives the world actor its column.
    ColumnPlan(const EventWindow& window, const TraceOrder& order, bool world);

    // Looked up by address only.
    int columnOf(const TDFInstance* instance) const { return ColumnAssignment::columnOf(mutableKey(instance)); }
    const Occupant* occupantOf(const TDFInstance* instance) const
    {
        return ColumnAssignment::occupantOf(mutableKey(instance));
    }

private:
    static TDFInstance* mutableKey(const TDFInstance* instance) { return const_cast<TDFInstance*>(instance); }
};

#endif
