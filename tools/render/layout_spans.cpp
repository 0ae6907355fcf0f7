// Shapes that run over several rows: lifelines, activation bars and loop
// frames.

#include "activation_bounds.h"
#include "geometry.h"
#include "involvement.h"
#include "labels.h"
#include "layout_builder.h"
#include "text_fit.h"

#include <algorithm>
#include <cmath>
#include <climits>

using namespace geometry;

void DiagramBuilder::addLifelines()
{
    // Column by column, each column's occupants top down.
    for (int column = 0; column < plan_.columns(); ++column) {
        for (const ColumnPlan::Occupant& occupant : plan_.occupants(column))
            diagram_.lifelines.push_back(lifelineOf(occupant, columnCentre(column)));
    }
}

Lifeline DiagramBuilder::lifelineOf(const ColumnPlan::Occupant& occupant, double x) const
{
    const StylePalette& palette = *diagram_.palette;
    Lifeline line;
    line.x = x;
    line.titleY = rows_.front().y;
    TDFInstance* instance = occupant.instance;
    if (!instance) {
        const Style* style = palette.byKind(TCF::OBJ_WORLD);
        line.title = makeLabel(QStringLiteral("World"), QString(), *style, columnWidth);
        line.titleStyle = style;
        line.lineStyle = style;
        line.titleWidth = estimatedTextWidth(line.title.text, *style) + 2 * titlePadding;
        line.lineTop = bodyTop_;
        line.lineBottom = bodyBottom_;
        line.world = true;
        return line;
    }
    line.titleStyle = palette.of(instance, TCF::OBJ_INSTANCE_TITLE);
    line.title = instanceLabel(instance, occupant.showsId, *line.titleStyle, columnWidth - 2 * titlePadding - 8);
    line.lineStyle = palette.byKind(TCF::OBJ_INSTANCE_DESACTIVATED);
    if (isDrawn(instance))
        line.titleY = rowY_.at(instance);
    line.titleWidth = std::max(64.0, estimatedTextWidth(line.title.text, *line.titleStyle) + 2 * titlePadding);
    line.lineTop = line.titleY + titleHeight / 2;
    line.lineBottom = bodyBottom_;
    if (occupant.deletion != plan_.events()) {
        line.lineBottom = occupant.deletion == ColumnPlan::top ? line.lineTop : rowOfEvent(occupant.deletion);
        line.crossStyle = palette.of(instance->deletion, TCF::OBJ_INSTANCE_DELETE);
    }
    return line;
}

void DiagramBuilder::addBars()
{
    const Style* style = diagram_.palette->byKind(TCF::OBJ_INSTANCE_ACTIVATED);
    // The lifelines stand in the plan's order.
    auto line = diagram_.lifelines.cbegin();
    for (int column = 0; column < plan_.columns(); ++column) {
        for (const ColumnPlan::Occupant& occupant : plan_.occupants(column)) {
            const Lifeline& lifeline = *line++;
            TDFInstance* instance = occupant.instance;
            if (!instance)
                continue;
            const std::vector<const TDFObject*> bounds = activationBounds(instance);
            for (size_t k = 0; k < bounds.size(); k += 2) {
                const double top = std::max(lifeline.lineTop, yOf(bounds[k], bodyTop_));
                const double bottom = std::min(lifeline.lineBottom,
                                               k + 1 < bounds.size() ? yOf(bounds[k + 1], bodyBottom_) : bodyBottom_);
                if (bottom > top) {
                    diagram_.bars.push_back({lifeline.x, top, bottom, style});
                    barSpans_[lifeline.x].emplace_back(top, bottom);
                }
            }
        }
    }
}

void DiagramBuilder::addLoops()
{
    if (window_.events.empty())
        return;
    // The loops that start or end among the drawn events or run around
    // them, with the list positions of their start and end.
    struct Span {
        TDFLoopStart* start;
        long long from;
        long long to;
    };
    std::vector<Span> spans;
    for (TDFLoopStart* start : reader_.loopStarts) {
        const long long from = order_.position(start);
        long long to = start->loopEnd ? order_.position(start->loopEnd) : TraceOrder::none;
        if (to == TraceOrder::none)
            to = LLONG_MAX;  // never closed
        if (from != TraceOrder::none && from <= window_.lastPosition && to >= window_.firstPosition)
            spans.push_back({start, from, to});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.from < b.from; });

    const StylePalette& palette = *diagram_.palette;
    std::vector<long long> enclosing;  // ends of the loops around the current one
    std::vector<TDFInstance*> involved;
    double openTabsBottom = bodyTop_;  // loops open at the top hang their tabs one below the other
    for (const Span& span : spans) {
        while (!enclosing.empty() && enclosing.back() < span.from)
            enclosing.pop_back();
        const int depth = static_cast<int>(enclosing.size());
        enclosing.push_back(span.to);

        // Wide enough for the lifelines of everything inside the loop.
        std::vector<double> xs;
        bool edge = false;
        if (const std::optional<double> x = columnX(span.start->instance))
            xs.push_back(*x);
        const auto first = std::upper_bound(window_.positions.begin(), window_.positions.end(), span.from);
        const auto last = std::lower_bound(window_.positions.begin(), window_.positions.end(), span.to);
        for (auto it = first; it < last; ++it) {
            involvedInstances(window_.events[static_cast<size_t>(it - window_.positions.begin())], involved);
            for (const TDFInstance* instance : involved)
                xs.push_back(endpointX(instance, edge));
        }
        LoopFrame frame;
        // Each level of nesting a little inside the one around it, however deep.
        const double inset = loopInnermostInset + (loopPadding - loopInnermostInset) * std::pow(loopNestingRatio, depth);
        if (xs.empty()) {
            frame.left = axisX + 24;
            frame.right = frame.left + columnWidth;
        } else {
            // Right of the time axis, also around messages from a hidden world actor's edge.
            frame.left = std::max(*std::min_element(xs.begin(), xs.end()) - inset,
                                  axisX + 2 + (edgeX - axisX - 4) * (1 - std::pow(loopNestingRatio, depth)));
            frame.right = *std::max_element(xs.begin(), xs.end()) + inset;
        }
        frame.openTop = !isDrawn(span.start);
        frame.top = frame.openTop ? bodyTop_ : rowY_.at(span.start);
        frame.style = palette.of(span.start, TCF::OBJ_LOOP_START);
        frame.tabTop = frame.top;
        if (frame.openTop) {
            frame.tabTop = openTabsBottom;
            openTabsBottom += loopTabHeight(*frame.style);
        }
        TDFLoopEnd* end = span.start->loopEnd;
        frame.openBottom = !end || !isDrawn(end);
        frame.bottom = frame.openBottom ? bodyBottom_ : rowY_.at(end);
        frame.endStyle = end ? palette.of(end, TCF::OBJ_LOOP_END) : palette.byKind(TCF::OBJ_LOOP_END);
        frame.label = makeLabel(loopName(span.start), span.start->link(), *frame.style,
                                std::max(frame.right - frame.left - 4 * labelPadding, 40.0));
        diagram_.loops.push_back(frame);
    }
}
