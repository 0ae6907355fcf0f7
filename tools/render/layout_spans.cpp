// Shapes that run over several rows: lifelines, activation bars and loop
// frames.

#include "geometry.h"
#include "labels.h"
#include "event_instances.h"
#include "layout_builder.h"
#include "text_fit.h"

#include <algorithm>
#include <climits>

using namespace geometry;

void DiagramBuilder::addLifelines()
{
    const StylePalette& palette = *diagram_.palette;
    const double topRow = rows_.front().y;
    if (world_) {
        const Style* style = palette.byKind(TCF::OBJ_WORLD);
        Lifeline world;
        world.title = makeLabel(QStringLiteral("World"), QString(), *style, columnWidth);
        world.titleStyle = style;
        world.lineStyle = style;
        world.x = worldX_;
        world.titleY = topRow;
        world.titleWidth = estimatedTextWidth(world.title.text, *style) + 2 * titlePadding;
        world.lineTop = bodyTop_;
        world.lineBottom = bodyBottom_;
        world.world = true;
        diagram_.lifelines.push_back(world);
    }
    for (TDFInstance* instance : columns_) {
        Lifeline line;
        line.titleStyle = palette.of(instance, TCF::OBJ_INSTANCE_TITLE);
        line.title = makeLabel(instanceTitle(instance), instance->link(), *line.titleStyle,
                               columnWidth - 2 * titlePadding - 8);
        line.lineStyle = palette.byKind(TCF::OBJ_INSTANCE_DESACTIVATED);
        line.x = columnX_.at(instance);
        line.titleY = isDrawn(instance) ? rowY_.at(instance) : topRow;
        line.titleWidth = std::max(64.0, estimatedTextWidth(line.title.text, *line.titleStyle) + 2 * titlePadding);
        line.lineTop = line.titleY + titleHeight / 2;
        line.lineBottom = bodyBottom_;
        if (instance->deletion) {
            const long long position = order_.position(instance->deletion);
            if (isDrawn(instance->deletion))
                line.lineBottom = rowY_.at(instance->deletion);
            else if (position != TraceOrder::none && position < window_.firstPosition)
                line.lineBottom = line.lineTop;  // deleted before the drawn events
            if (line.lineBottom != bodyBottom_)
                line.crossStyle = palette.of(instance->deletion, TCF::OBJ_INSTANCE_DELETE);
        }
        diagram_.lifelines.push_back(line);
    }
}

void DiagramBuilder::addBars()
{
    const Style* style = diagram_.palette->byKind(TCF::OBJ_INSTANCE_ACTIVATED);
    const size_t firstInstanceLine = world_ ? 1 : 0;
    for (size_t column = 0; column < columns_.size(); ++column) {
        TDFInstance* instance = columns_[column];
        if (!instance->hasActivation())
            continue;
        // The recorded events open and close bars alternately; a creating
        // message opened a bar that is not recorded.
        std::vector<const TDFObject*> bounds;
        if (instance->creationMessage)
            bounds.push_back(instance->creationMessage);
        if (instance->activations) {
            const Array<TDFObject*>& recorded = *instance->activations;
            for (int i = 0; i < recorded.count; ++i)
                bounds.push_back(recorded[i]);
        }
        const Lifeline& line = diagram_.lifelines[firstInstanceLine + column];
        for (size_t k = 0; k < bounds.size(); k += 2) {
            const double top = std::max(line.lineTop, yOf(bounds[k], bodyTop_));
            const double bottom =
                std::min(line.lineBottom, k + 1 < bounds.size() ? yOf(bounds[k + 1], bodyBottom_) : bodyBottom_);
            if (bottom > top) {
                diagram_.bars.push_back({line.x, top, bottom, style});
                barSpans_[line.x].emplace_back(top, bottom);
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
    for (const Span& span : spans) {
        while (!enclosing.empty() && enclosing.back() < span.from)
            enclosing.pop_back();
        const int depth = static_cast<int>(enclosing.size());
        enclosing.push_back(span.to);

        // Wide enough for the lifelines of everything inside the loop.
        std::vector<double> xs;
        bool edge = false;
        if (span.start->instance && columnX(span.start->instance))
            xs.push_back(*columnX(span.start->instance));
        const auto first = std::upper_bound(window_.positions.begin(), window_.positions.end(), span.from);
        const auto last = std::lower_bound(window_.positions.begin(), window_.positions.end(), span.to);
        for (auto it = first; it < last; ++it) {
            for (const TDFInstance* instance : involvedInstances(window_.events[it - window_.positions.begin()]))
                xs.push_back(endpointX(instance, edge));
        }
        LoopFrame frame;
        const double inset = std::max(loopPadding - depth * loopNestingInset, 10.0);
        if (xs.empty()) {
            frame.left = axisX + 24;
            frame.right = frame.left + columnWidth;
        } else {
            frame.left = *std::min_element(xs.begin(), xs.end()) - inset;
            frame.right = *std::max_element(xs.begin(), xs.end()) + inset;
        }
        frame.openTop = !isDrawn(span.start);
        frame.top = frame.openTop ? bodyTop_ : rowY_.at(span.start);
        TDFLoopEnd* end = span.start->loopEnd;
        frame.openBottom = !end || !isDrawn(end);
        frame.bottom = frame.openBottom ? bodyBottom_ : rowY_.at(end);
        frame.style = palette.of(span.start, TCF::OBJ_LOOP_START);
        frame.endStyle = end ? palette.of(end, TCF::OBJ_LOOP_END) : palette.byKind(TCF::OBJ_LOOP_END);
        frame.label = makeLabel(loopName(span.start), span.start->link(), *frame.style,
                                std::max(frame.right - frame.left - 4 * labelPadding, 40.0));
        diagram_.loops.push_back(frame);
    }
}
