#include "layout.h"

#include "geometry.h"
#include "labels.h"
#include "layout_builder.h"
#include "text_fit.h"

#include <tcf.h>

#include <algorithm>

using namespace geometry;

Diagram layoutDiagram(TDF& reader, const RenderOptions& options)
{
    return DiagramBuilder(reader, options).build();
}

DiagramBuilder::DiagramBuilder(TDF& reader, const RenderOptions& options)
    : reader_(reader),
      options_(options),
      diagram_(reader.tcf),
      order_(reader.objects),
      window_(selectEvents(reader.objects, options)),
      world_(!reader.tcf || reader.tcf->displayWorldActor),
      plan_(window_, order_, world_)
{
}

Diagram DiagramBuilder::build()
{
    addCaption();
    placeRows();
    addLifelines();
    addBars();
    addLoops();
    for (TDFObject* event : window_.events)
        addEvent(event);
    addTimeLabels();
    fitWidth();
    return std::move(diagram_);
}

namespace {

// The time the picture shows for an event: an instance that a message made
// came to be with it, whatever a later NI, which only gives it its model,
// stamps it with; the axis runs forwards then.
unsigned long long shownTime(const TDFObject* event)
{
    const auto* instance = event->type == TDF_INSTANCE ? static_cast<const TDFInstance*>(event) : nullptr;
    return instance && instance->creationMessage ? instance->creationMessage->time : event->time;
}

double rowHeightOf(const TDFObject* event)
{
    switch (event->type) {
    case TDF_INSTANCE:
        return creationRowHeight;
    case TDF_LOOP_START:
    case TDF_LOOP_END:
        return edgeRowHeight;
    case TDF_THREAD_INFO:
    case TDF_EXTERNAL_TRIGGER:
    case TDF_TRIGGER_START:
    case TDF_TRIGGER_STOP:
        return markRowHeight;
    default:
        return rowHeight;
    }
}

}

void DiagramBuilder::placeRows()
{
    // The top row holds the title boxes of the world actor and of the
    // instances created before the drawn events; creations that follow one
    // another share a row.
    double cursor = diagram_.bodyTop;
    rows_.push_back({cursor + creationRowHeight / 2, true, nullptr});
    cursor += creationRowHeight;
    for (TDFObject* event : window_.events) {
        if (event->type == TDF_INSTANCE && rows_.back().creations) {
            rowY_[event] = rows_.back().y;
            if (!rows_.back().first)
                rows_.back().first = event;
            continue;
        }
        const double height = rowHeightOf(event);
        rows_.push_back({cursor + height / 2, event->type == TDF_INSTANCE, event});
        rowY_[event] = rows_.back().y;
        cursor += height;
    }
    bodyTop_ = rows_.front().y + titleHeight / 2;
    bodyBottom_ = cursor + bottomPadding / 2;
    diagram_.height = cursor + bottomPadding;
}

void DiagramBuilder::addCaption()
{
    diagram_.title = options_.title.isEmpty() ? QStringLiteral("trace") : xmlSafe(options_.title);
    diagram_.caption = diagram_.title;
    if (reader_.tcf)
        diagram_.caption += QStringLiteral(" \u2014 ") + xmlSafe(reader_.tcf->publicName());

    const long long shown = static_cast<long long>(window_.events.size());
    diagram_.shownEvents = shown;
    diagram_.totalEvents = window_.total;
    diagram_.summary = QStringLiteral("Showing %1 of %2 events").arg(shown).arg(window_.total);
    if (shown > 0) {
        diagram_.summary += QStringLiteral(" (events %1 to %2, %3 to %4)")
                                .arg(window_.firstNumber)
                                .arg(window_.firstNumber + shown - 1)
                                .arg(xmlSafe(reader_.strTime(shownTime(window_.events.front()))),
                                     xmlSafe(reader_.strTime(shownTime(window_.events.back()))));
    }
    if (window_.inWindow < window_.total)
        diagram_.summary += QStringLiteral("; %1 events lie in the chosen time window").arg(window_.inWindow);
    // The model holds the last trace of a file alone: the others are named.
    if (options_.traces > 1)
        diagram_.summary += QStringLiteral(" of the last of %1 traces in the file (an HTML page shows them all)")
                                .arg(options_.traces);
    if (shown < window_.inWindow) {
        diagram_.cutNotice = QStringLiteral("The other %1 events of the window are not drawn (at most %2 with "
                                            "--max-events); choose a time window with --from and --to.")
                                 .arg(window_.inWindow - shown)
                                 .arg(options_.maxEvents);
    }
    double keyX = threadKeyX;
    for (const TDFThread* thread : reader_.threads) {
        const QString name = thread->name.isEmpty() ? QStringLiteral("#%1").arg(thread->num) : xmlSafe(thread->name);
        diagram_.threads.push_back({name, StylePalette::threadColor(thread->colorIndex), keyX});
        keyX += swatchSize + labelPadding + name.size() * smallCaptionEm + 2 * labelPadding;
    }
    addProblems();
    const int lines = 2 + (diagram_.cutNotice.isEmpty() ? 0 : 1) + static_cast<int>(diagram_.problems.size()) +
                      (diagram_.threads.empty() ? 0 : 1);
    diagram_.bodyTop = margin + lines * captionLine + margin / 2;
    diagram_.timeStyle = diagram_.palette->byKind(TCF::OBJ_TIME);
}

void DiagramBuilder::addProblems()
{
    // A few lines say that the trace has problems and which come first: a
    // picture is no place for thousands of them.
    constexpr size_t listed = 10;
    constexpr int longest = 160;
    const std::vector<QString>& problems = options_.problems;
    for (size_t k = 0; k < problems.size() && k < listed; ++k) {
        const QString line = singleLine(xmlSafe(problems[k]));
        diagram_.problems.push_back(line.size() > longest ? line.left(longest - 1) + QChar(0x2026) : line);
    }
    const long long more = std::max<long long>(options_.problemCount, static_cast<long long>(problems.size())) -
                           static_cast<long long>(diagram_.problems.size());
    if (more > 0)
        diagram_.problems.push_back(
            QStringLiteral("and %1 more (tdftool check lists every problem)").arg(more));
}

void DiagramBuilder::addTimeLabels()
{
    // Notes and glyphs carry the time they were read, not the time of the
    // event they are attached to, so they get no label of their own.
    QString previous;
    for (const Row& row : rows_) {
        if (!row.first || row.first->type == TDF_NOTE || row.first->type == TDF_GLYPH)
            continue;
        const QString text = reader_.strTime(shownTime(row.first));
        if (text != previous)
            diagram_.times.push_back({row.y, makeLabel(text, QString(), *diagram_.timeStyle, axisX - margin)});
        previous = text;
    }
}

void DiagramBuilder::fitWidth()
{
    // Wide enough for everything drawn, the caption included.
    double right = plan_.columns() > 0 ? columnCentre(plan_.columns() - 1) + columnWidth / 2 : axisX + columnWidth;
    for (const Note& note : diagram_.notes)
        right = std::max(right, note.x + note.width);
    for (const Mark& mark : diagram_.marks)
        right = std::max(right, mark.x + 2 * labelPadding + estimatedTextWidth(mark.label.text, *mark.style));
    for (const LoopFrame& loop : diagram_.loops)
        right = std::max(right, loop.right);
    for (const Arrow& arrow : diagram_.arrows) {
        if (arrow.fromX == arrow.toX)
            right = std::max(right, arrow.toX + selfMessageWidth + labelPadding +
                                        estimatedTextWidth(arrow.label.text, *arrow.style));
    }
    for (const QString& line : {diagram_.caption, diagram_.summary, diagram_.cutNotice})
        right = std::max(right, margin + line.size() * captionEm);
    for (const QString& line : diagram_.problems)
        right = std::max(right, margin + line.size() * smallCaptionEm);
    if (!diagram_.threads.empty()) {
        const ThreadKey& last = diagram_.threads.back();
        right = std::max(right, last.x + swatchSize + labelPadding + last.name.size() * smallCaptionEm);
    }
    diagram_.width = right + margin;
}

double DiagramBuilder::yOf(const TDFObject* object, double unknown) const
{
    if (const auto found = rowY_.find(object); found != rowY_.end())
        return found->second;
    const long long position = order_.position(object);
    if (position == TraceOrder::none)
        return unknown;
    return position < window_.firstPosition ? bodyTop_ : bodyBottom_;
}

double DiagramBuilder::rowOfEvent(long long event) const
{
    return event == ColumnPlan::top ? rows_.front().y : rowY_.at(window_.events[static_cast<size_t>(event)]);
}

std::optional<double> DiagramBuilder::columnX(const TDFInstance* instance) const
{
    const int column = instance ? plan_.columnOf(instance) : -1;
    if (column < 0)
        return std::nullopt;
    return columnCentre(column);
}

double DiagramBuilder::endpointX(const TDFInstance* instance, bool& edge) const
{
    edge = false;
    if (instance) {
        if (const std::optional<double> x = columnX(instance))
            return *x;
    } else if (world_) {
        return columnCentre(0);
    }
    edge = true;
    return edgeX;
}

bool DiagramBuilder::barCovers(double x, double y) const
{
    // Bars of one lifeline follow each other down without overlapping.
    const auto found = barSpans_.find(x);
    if (found == barSpans_.end())
        return false;
    const std::vector<Point>& spans = found->second;
    const auto after = std::upper_bound(spans.begin(), spans.end(), y,
                                        [](double value, const Point& span) { return value < span.first; });
    return after != spans.begin() && y <= std::prev(after)->second;
}
