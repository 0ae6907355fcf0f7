// The shapes of single events: arrows, actions, synchronisations, notes
// and marks.

#include "diagram.h"
#include "geometry.h"
#include "svg_paint.h"
#include "svg_parts.h"
#include "text_fit.h"

#include <QXmlStreamWriter>

using namespace geometry;

namespace {

const RGBValue white(0xff, 0xff, 0xff);

void writeCircle(QXmlStreamWriter& xml, const QString& cssClass, double x, double y, double radius,
                 const RGBValue& fill, const RGBValue& stroke)
{
    xml.writeStartElement(QStringLiteral("circle"));
    xml.writeAttribute(QStringLiteral("class"), cssClass);
    xml.writeAttribute(QStringLiteral("cx"), svgNumber(x));
    xml.writeAttribute(QStringLiteral("cy"), svgNumber(y));
    xml.writeAttribute(QStringLiteral("r"), svgNumber(radius));
    xml.writeAttribute(QStringLiteral("fill"), svgColor(fill));
    xml.writeAttribute(QStringLiteral("stroke"), svgColor(stroke));
    xml.writeEndElement();
}

// Opens a <path>; the caller may add paint and closes it.
void startPath(QXmlStreamWriter& xml, const QString& cssClass, const QString& data, const QString& fill)
{
    xml.writeStartElement(QStringLiteral("path"));
    xml.writeAttribute(QStringLiteral("class"), cssClass);
    xml.writeAttribute(QStringLiteral("d"), data);
    xml.writeAttribute(QStringLiteral("fill"), fill);
}

void writeArrow(QXmlStreamWriter& xml, const Arrow& arrow)
{
    const Style& style = *arrow.style;
    const RGBValue color = arrow.threadColor.value_or(style.lineColor());
    startGroup(xml, arrow.kind == Arrow::Message ? QStringLiteral("message") : QStringLiteral("return"),
               arrow.label.tooltip);
    double tipY = arrow.y;
    double direction;
    if (arrow.fromX == arrow.toX) {
        // Out to the right, down and back to the lifeline.
        const double top = arrow.y - 6;
        tipY = arrow.y + 6;
        direction = -1;
        startPath(xml, QStringLiteral("shaft"),
                  QStringLiteral("M%1,%2 H%3 V%4 H%5")
                      .arg(svgNumber(arrow.fromX), svgNumber(top), svgNumber(arrow.fromX + selfMessageWidth),
                           svgNumber(tipY), svgNumber(arrow.toX)),
                  QStringLiteral("none"));
        writeStroke(xml, style, color, 1.3);
        xml.writeEndElement();
        writeText(xml, arrow.fromX + selfMessageWidth + labelPadding, baselineFor(arrow.y, style), arrow.label.text,
                  style, QStringLiteral("start"));
    } else {
        direction = arrow.toX > arrow.fromX ? 1 : -1;
        startLine(xml, QStringLiteral("shaft"), arrow.fromX, arrow.y, arrow.toX, arrow.y);
        writeStroke(xml, style, color, 1.3);
        xml.writeEndElement();
        writeText(xml, (arrow.fromX + arrow.toX) / 2, arrow.y - 5, arrow.label.text, style, QStringLiteral("middle"));
    }
    writeArrowHead(xml, style.arrowStyle(), arrow.toX, tipY, direction, color);
    if (arrow.completesCall)
        writeCircle(xml, QStringLiteral("call-origin"), arrow.fromX, arrow.y, 3.5, white, color);
    if (arrow.fromEdge)
        writeCircle(xml, QStringLiteral("edge"), arrow.fromX, arrow.y, 3, color, color);
    if (arrow.toEdge)
        writeCircle(xml, QStringLiteral("edge"), arrow.toX, tipY, 3, color, color);
    xml.writeEndElement();
}

}

void writeArrows(QXmlStreamWriter& xml, const Diagram& diagram)
{
    startGroup(xml, QStringLiteral("arrows"));
    for (const Arrow& arrow : diagram.arrows)
        writeArrow(xml, arrow);
    xml.writeEndElement();
}

void writeSynchronisations(QXmlStreamWriter& xml, const Diagram& diagram)
{
    startGroup(xml, QStringLiteral("synchronisations"));
    for (const SyncBar& bar : diagram.synchronisations) {
        startGroup(xml, QStringLiteral("synchronisation"), bar.label.tooltip);
        startLine(xml, QStringLiteral("sync-line"), bar.left, bar.y, bar.right, bar.y);
        writeStroke(xml, *bar.style, std::nullopt, 3);
        xml.writeEndElement();
        for (const double x : bar.members)
            writeCircle(xml, QStringLiteral("member"), x, bar.y, 4, bar.style->lineColor(), bar.style->lineColor());
        writeText(xml, (bar.left + bar.right) / 2, bar.y - 7, bar.label.text, *bar.style, QStringLiteral("middle"));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void writeActions(QXmlStreamWriter& xml, const Diagram& diagram)
{
    startGroup(xml, QStringLiteral("actions"));
    for (const ActionBox& action : diagram.actions) {
        startGroup(xml, QStringLiteral("action"), action.label.tooltip);
        xml.writeStartElement(QStringLiteral("rect"));
        xml.writeAttribute(QStringLiteral("x"), svgNumber(action.x - action.width / 2));
        xml.writeAttribute(QStringLiteral("y"), svgNumber(action.y - actionHeight / 2));
        xml.writeAttribute(QStringLiteral("width"), svgNumber(action.width));
        xml.writeAttribute(QStringLiteral("height"), svgNumber(actionHeight));
        xml.writeAttribute(QStringLiteral("rx"), QStringLiteral("6"));
        xml.writeAttribute(QStringLiteral("fill"), svgColor(action.style->backColor()));
        writeStroke(xml, *action.style);
        xml.writeEndElement();
        writeText(xml, action.x, baselineFor(action.y, *action.style), action.label.text, *action.style,
                  QStringLiteral("middle"));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void writeNotes(QXmlStreamWriter& xml, const Diagram& diagram)
{
    startGroup(xml, QStringLiteral("notes"));
    for (const Note& note : diagram.notes) {
        const Style& style = *note.style;
        startGroup(xml, QStringLiteral("note"), note.label.tooltip);
        if (note.anchor) {
            startLine(xml, QStringLiteral("note-link"), note.anchor->first, note.anchor->second, note.x, note.y);
            xml.writeAttribute(QStringLiteral("stroke"), svgColor(style.lineColor()));
            xml.writeAttribute(QStringLiteral("stroke-dasharray"), QStringLiteral("3,3"));
            xml.writeEndElement();
        }
        const double top = note.y - noteHeight / 2;
        const double right = note.x + note.width;
        startPath(xml, QStringLiteral("sheet"),
                  QStringLiteral("M%1,%2 H%3 L%4,%5 V%6 H%1 Z")
                      .arg(svgNumber(note.x), svgNumber(top), svgNumber(right - noteFold), svgNumber(right),
                           svgNumber(top + noteFold), svgNumber(top + noteHeight)),
                  svgColor(style.backColor()));
        xml.writeAttribute(QStringLiteral("stroke"), svgColor(style.lineColor()));
        xml.writeEndElement();
        startPath(xml, QStringLiteral("fold"),
                  QStringLiteral("M%1,%2 V%3 H%4")
                      .arg(svgNumber(right - noteFold), svgNumber(top), svgNumber(top + noteFold), svgNumber(right)),
                  QStringLiteral("none"));
        xml.writeAttribute(QStringLiteral("stroke"), svgColor(style.lineColor()));
        xml.writeEndElement();
        writeText(xml, note.x + labelPadding, baselineFor(note.y, style), note.label.text, style,
                  QStringLiteral("start"));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

namespace {

void writeMarkShape(QXmlStreamWriter& xml, const Mark& mark, const Diagram& diagram)
{
    const RGBValue color = mark.color.value_or(mark.style->lineColor());
    const QString x = svgNumber(mark.x);
    switch (mark.kind) {
    case Mark::Call:
        writeCircle(xml, QStringLiteral("call-point"), mark.x, mark.y, 4, white, color);
        break;
    case Mark::Glyph:
        startPath(xml, QStringLiteral("diamond"),
                  QStringLiteral("M%1,%2 L%3,%4 L%1,%5 L%6,%4 Z")
                      .arg(x, svgNumber(mark.y - 7), svgNumber(mark.x + 7), svgNumber(mark.y), svgNumber(mark.y + 7),
                           svgNumber(mark.x - 7)),
                  svgColor(color));
        xml.writeEndElement();
        break;
    case Mark::ThreadChange:
        startPath(xml, QStringLiteral("thread-pill"),
                  QStringLiteral("M%1,%2 h8 v12 h-8 Z").arg(svgNumber(mark.x - 4), svgNumber(mark.y - 6)),
                  svgColor(color));
        xml.writeEndElement();
        break;
    case Mark::Trigger:
        if (mark.acrossDiagram) {
            // From the end of the label, which would be hard to read across it.
            const double start = mark.x + 3 * labelPadding + estimatedTextWidth(mark.label.text, *mark.style);
            startLine(xml, QStringLiteral("trigger-rule"), start, mark.y, diagram.width - margin, mark.y);
            xml.writeAttribute(QStringLiteral("stroke"), svgColor(color));
            xml.writeAttribute(QStringLiteral("stroke-dasharray"), QStringLiteral("6,4"));
            xml.writeEndElement();
        }
        startPath(xml, QStringLiteral("flag"),
                  QStringLiteral("M%1,%2 L%3,%4 L%1,%5 Z")
                      .arg(x, svgNumber(mark.y - 7), svgNumber(mark.x + 10), svgNumber(mark.y), svgNumber(mark.y + 7)),
                  svgColor(color));
        xml.writeEndElement();
        break;
    }
}

QString markClass(Mark::Kind kind)
{
    switch (kind) {
    case Mark::Call: return QStringLiteral("call");
    case Mark::Glyph: return QStringLiteral("glyph");
    case Mark::ThreadChange: return QStringLiteral("thread-change");
    case Mark::Trigger: return QStringLiteral("trigger");
    }
    return QString();
}

}

void writeMarks(QXmlStreamWriter& xml, const Diagram& diagram)
{
    startGroup(xml, QStringLiteral("marks"));
    for (const Mark& mark : diagram.marks) {
        startGroup(xml, markClass(mark.kind), mark.label.tooltip);
        writeMarkShape(xml, mark, diagram);
        // Marks on the time axis speak in their own colour.
        const bool onAxis = mark.kind == Mark::ThreadChange || mark.kind == Mark::Trigger;
        writeText(xml, mark.x + 2 * labelPadding, baselineFor(mark.y, *mark.style), mark.label.text, *mark.style,
                  QStringLiteral("start"), onAxis ? mark.color : std::nullopt);
        xml.writeEndElement();
    }
    xml.writeEndElement();
}
