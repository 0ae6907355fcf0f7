// One shape per drawn event: arrows, call marks, actions,
// synchronisations, notes, glyphs and the marks of the time axis.

#include "geometry.h"
#include "labels.h"
#include "layout_builder.h"
#include "text_fit.h"

#include <tcf.h>

#include <algorithm>

using namespace geometry;

namespace {

const RGBValue triggerColor(0xb3, 0x59, 0x00);
const RGBValue alarmColor(0xc6, 0x28, 0x28);
const RGBValue plainGlyphColor(0xe0, 0x9b, 0x00);
const RGBValue unknownThreadColor(0x99, 0x99, 0x99);

std::optional<RGBValue> colorOfThread(const TDFMessage* message)
{
    if (!message || !message->thread)
        return std::nullopt;
    return StylePalette::threadColor(message->thread->colorIndex);
}

}

void DiagramBuilder::addEvent(TDFObject* event)
{
    switch (event->type) {
    case TDF_MESSAGE: addMessage(event->toMessage()); break;
    case TDF_MESSAGE_CALL: addCall(event->toMessageCall()); break;
    case TDF_MESSAGE_RETURN: addReturn(event->toMessageReturn()); break;
    case TDF_INSTANCE_DELETE: addDeletion(event->toInstanceDelete()); break;
    case TDF_ACTION: addAction(event->toAction()); break;
    case TDF_SYNCHRONISATION: addSynchronisation(event->toSynchronisation()); break;
    case TDF_NOTE: addNote(event->toNote()); break;
    case TDF_GLYPH: addGlyph(event->toGlyph()); break;
    case TDF_THREAD_INFO: addThreadChange(event->toThreadInfo()); break;
    case TDF_EXTERNAL_TRIGGER: addTrigger(event, false); break;
    case TDF_TRIGGER_START: addTrigger(event, true); break;
    case TDF_TRIGGER_STOP: addTrigger(event, true); break;
    default: break;  // instances, deletions of all and loops are drawn as spans
    }
}

void DiagramBuilder::addMessage(TDFMessage* message)
{
    Arrow arrow{};
    arrow.kind = Arrow::Message;
    arrow.style = diagram_.palette->of(message, TCF::OBJ_MESSAGE_BODY);
    arrow.threadColor = colorOfThread(message);
    arrow.completesCall = message->call != nullptr;
    addArrow(arrow, message->sender, message->receiver, messageName(message), message->link(), message);
}

void DiagramBuilder::addReturn(TDFMessageReturn* messageReturn)
{
    const TDFMessage* message = messageReturn->message;
    if (!message)
        return;
    Arrow arrow{};
    arrow.kind = Arrow::Return;
    arrow.style = diagram_.palette->of(messageReturn, TCF::OBJ_MESSAGE_RETURN);
    arrow.threadColor = colorOfThread(message);
    addArrow(arrow, message->receiver, message->sender, messageName(message), messageReturn->link(), messageReturn);
}

void DiagramBuilder::addArrow(Arrow arrow, const TDFInstance* from, const TDFInstance* to, const QString& text,
                              const QString& link, const TDFObject* event)
{
    arrow.y = rowY_.at(event);
    const double fromLine = endpointX(from, arrow.fromEdge);
    const double toLine = endpointX(to, arrow.toEdge);
    arrow.fromX = fromLine;
    arrow.toX = toLine;
    double labelWidth;
    if (fromLine == toLine) {
        // To itself: out to the right and back.
        if (barCovers(fromLine, arrow.y)) {
            arrow.fromX += barHalfWidth;
            arrow.toX += barHalfWidth;
        }
        labelWidth = columnWidth - selfMessageWidth - 2 * labelPadding;
        anchors_[event] = {arrow.toX + selfMessageWidth, arrow.y};
    } else {
        // Arrows end at the edge of an activation bar, not inside it.
        const double direction = toLine > fromLine ? 1 : -1;
        if (barCovers(fromLine, arrow.y))
            arrow.fromX += direction * barHalfWidth;
        if (barCovers(toLine, arrow.y))
            arrow.toX -= direction * barHalfWidth;
        labelWidth = std::max(std::abs(arrow.toX - arrow.fromX) - 2 * labelPadding, 40.0);
        anchors_[event] = {(arrow.fromX + arrow.toX) / 2, arrow.y};
    }
    arrow.label = makeLabel(text, link, *arrow.style, labelWidth);
    diagram_.arrows.push_back(arrow);
}

void DiagramBuilder::addCall(TDFMessageCall* call)
{
    const TDFMessage* message = call->message;
    Mark mark{};
    mark.kind = Mark::Call;
    bool edge = false;
    mark.x = endpointX(message ? message->sender : nullptr, edge);
    mark.y = rowY_.at(call);
    mark.style = diagram_.palette->of(call->message, TCF::OBJ_MESSAGE_BODY);
    mark.label = makeLabel(eventLabel(call), message ? message->link() : QString(), *mark.style, columnWidth - 2 * labelPadding);
    diagram_.marks.push_back(mark);
}

void DiagramBuilder::addAction(TDFAction* action)
{
    ActionBox box{};
    bool edge = false;
    box.x = endpointX(action->instance, edge);
    box.y = rowY_.at(action);
    box.style = diagram_.palette->of(action, TCF::OBJ_ACTION);
    box.label = makeLabel(eventLabel(action), action->link(), *box.style, columnWidth - 4 * labelPadding);
    box.width = std::max(40.0, estimatedTextWidth(box.label.text, *box.style) + 2 * labelPadding);
    if (edge)
        box.x += box.width / 2;
    diagram_.actions.push_back(box);
}

void DiagramBuilder::addSynchronisation(TDFSynchronisation* synchronisation)
{
    SyncBar bar{};
    bar.y = rowY_.at(synchronisation);
    if (synchronisation->instances) {
        for (const TDFInstance* member : *synchronisation->instances) {
            bool edge = false;
            const double x = endpointX(member, edge);
            if (!edge)
                bar.members.push_back(x);
        }
    }
    if (bar.members.empty())
        return;
    bar.left = *std::min_element(bar.members.begin(), bar.members.end()) - 2 * labelPadding;
    bar.right = *std::max_element(bar.members.begin(), bar.members.end()) + 2 * labelPadding;
    bar.style = diagram_.palette->of(synchronisation, TCF::OBJ_SYNCHRONISATION);
    bar.label = makeLabel(eventLabel(synchronisation), synchronisation->link(), *bar.style, std::max(bar.right - bar.left, columnWidth));
    diagram_.synchronisations.push_back(bar);
}

void DiagramBuilder::addDeletion(TDFInstanceDeleteAbstract* deletion)
{
    // The cross belongs to the lifeline; notes attach to it.
    if (const TDFInstanceDelete* single = deletion->toInstanceDelete()) {
        if (const std::optional<double> x = columnX(single->instance))
            anchors_[deletion] = {*x, rowY_.at(deletion)};
    }
}

std::optional<DiagramBuilder::Point> DiagramBuilder::anchorOf(const TDFObject* owner, double y) const
{
    if (!owner)
        return std::nullopt;
    if (owner->type == TDF_INSTANCE) {
        if (const std::optional<double> x = columnX(static_cast<const TDFInstance*>(owner)))
            return Point{*x, y};
        return std::nullopt;
    }
    if (const auto found = anchors_.find(owner); found != anchors_.end())
        return found->second;
    return std::nullopt;
}

void DiagramBuilder::addNote(TDFNote* note)
{
    Note shape{};
    shape.y = rowY_.at(note);
    const bool onMessage = note->owner && (note->owner->type == TDF_MESSAGE || note->owner->type == TDF_MESSAGE_RETURN);
    shape.style = diagram_.palette->of(note, onMessage ? TCF::OBJ_MESSAGE_NOTE : TCF::OBJ_INSTANCE_NOTE);
    shape.anchor = anchorOf(note->owner, shape.y);
    shape.x = shape.anchor ? shape.anchor->first + 2 * labelPadding : edgeX + labelPadding;
    shape.label = makeLabel(noteText(note), note->link(), *shape.style, noteMaxWidth - 2 * labelPadding - noteFold);
    shape.width = std::max(40.0, estimatedTextWidth(shape.label.text, *shape.style) + 2 * labelPadding + noteFold);
    diagram_.notes.push_back(shape);
}

void DiagramBuilder::addGlyph(TDFGlyph* glyph)
{
    Mark mark{};
    mark.kind = Mark::Glyph;
    mark.y = rowY_.at(glyph);
    const auto anchor = anchorOf(glyph->owner, mark.y);
    mark.x = anchor ? anchor->first : edgeX;
    mark.style = diagram_.palette->of(glyph, TCF::OBJ_MESSAGE_NOTE);
    mark.alarm = glyph->definition && glyph->definition->type != Glyph::GLYPH_NONE;
    mark.color = mark.alarm ? alarmColor : plainGlyphColor;
    mark.label = makeLabel(glyphText(glyph), glyph->link(), *mark.style, 1.5 * columnWidth);
    if (glyph->definition && !glyph->definition->name.isEmpty())
        mark.label.tooltip = xmlSafe(glyph->definition->name) + QStringLiteral(": ") + mark.label.tooltip;
    diagram_.marks.push_back(mark);
}

void DiagramBuilder::addThreadChange(TDFThreadInfo* info)
{
    Mark mark{};
    mark.kind = Mark::ThreadChange;
    mark.x = axisX;
    mark.y = rowY_.at(info);
    mark.style = diagram_.timeStyle;
    mark.color = info->thread ? StylePalette::threadColor(info->thread->colorIndex) : unknownThreadColor;
    mark.label = makeLabel(eventLabel(info), info->link(), *mark.style, 2 * columnWidth);
    diagram_.marks.push_back(mark);
}

void DiagramBuilder::addTrigger(TDFObject* trigger, bool acrossDiagram)
{
    Mark mark{};
    mark.kind = Mark::Trigger;
    mark.x = axisX;
    mark.y = rowY_.at(trigger);
    mark.style = diagram_.timeStyle;
    mark.color = triggerColor;
    mark.acrossDiagram = acrossDiagram;
    mark.label = makeLabel(eventLabel(trigger), trigger->link(), *mark.style, 2 * columnWidth);
    diagram_.marks.push_back(mark);
}
