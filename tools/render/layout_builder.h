#ifndef RENDER_LAYOUT_BUILDER_H
#define RENDER_LAYOUT_BUILDER_H

#include "column_plan.h"
#include "diagram.h"
#include "event_window.h"
#include "render_options.h"
#include "trace_order.h"

#include <tdf.h>

#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

// Builds one diagram. The work goes in three steps: the columns of the
// instances that the drawn events involve (the column plan), one row per
// event (consecutive instance creations share one), then the shapes: spans
// over rows (lifelines, activation bars, loop frames) and one shape per
// event.
class DiagramBuilder {
public:
    DiagramBuilder(TDF& reader, const RenderOptions& options);
    Diagram build();

private:
    using Point = std::pair<double, double>;

    // layout.cpp: rows, caption, time axis
    void placeRows();
    void addCaption();
    void addProblems();
    void addTimeLabels();
    void fitWidth();

    // Where things are. An object that is not drawn lies above the drawn
    // events when it came before them, below when it came after them, and
    // at `unknown` when the reader's list does not hold it.
    double yOf(const TDFObject* object, double unknown) const;
    bool isDrawn(const TDFObject* object) const { return rowY_.count(object) > 0; }
    // The y of a drawn event given by its index, or of the top row.
    double rowOfEvent(long long event) const;
    // The x of the lifeline of an instance that drawn events involve.
    std::optional<double> columnX(const TDFInstance* instance) const;
    // The x of an instance's lifeline, of the world actor for null, or the
    // left edge when the configuration hides the world actor (`edge` set).
    double endpointX(const TDFInstance* instance, bool& edge) const;
    // True when an activation bar of the lifeline at `x` covers `y`.
    bool barCovers(double x, double y) const;

    // layout_spans.cpp
    void addLifelines();
    Lifeline lifelineOf(const ColumnPlan::Occupant& occupant, double x) const;
    void addBars();
    void addLoops();

    // layout_events.cpp
    void addEvent(TDFObject* event);
    void addMessage(TDFMessage* message);
    void addReturn(TDFMessageReturn* messageReturn);
    void addArrow(Arrow arrow, const TDFInstance* from, const TDFInstance* to, const QString& text,
                  const QString& link, const TDFObject* event);
    void addCall(TDFMessageCall* call);
    void addAction(TDFAction* action);
    void addSynchronisation(TDFSynchronisation* synchronisation);
    void addNote(TDFNote* note);
    void addGlyph(TDFGlyph* glyph);
    void addDeletion(TDFInstanceDeleteAbstract* deletion);
    void addThreadChange(TDFThreadInfo* info);
    void addTrigger(TDFObject* trigger, bool acrossDiagram);
    // The point of an owner (instance, message, return, deletion) that a note
    // or glyph drawn at `y` is attached to; none when the owner is not drawn.
    std::optional<Point> anchorOf(const TDFObject* owner, double y) const;

    TDF& reader_;
    const RenderOptions& options_;
    Diagram diagram_;
    TraceOrder order_;
    EventWindow window_;
    bool world_;  // the world actor has a lifeline
    ColumnPlan plan_;
    std::unordered_map<const TDFObject*, double> rowY_;
    struct Row {
        double y;
        bool creations;  // holds only instance creations (and title boxes)
        const TDFObject* first;  // its first event, null for the top row
    };
    std::vector<Row> rows_;
    double bodyTop_ = 0;     // where lifelines of instances created earlier begin
    double bodyBottom_ = 0;  // where lifelines of instances still alive end
    std::unordered_map<const TDFObject*, Point> anchors_;  // drawn messages, returns and deletions
    std::unordered_map<double, std::vector<Point>> barSpans_;  // top and bottom of the bars of each lifeline x, top down
};

#endif
