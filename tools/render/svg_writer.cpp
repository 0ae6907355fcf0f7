#include "svg_writer.h"

#include "diagram.h"
#include "geometry.h"
#include "svg_paint.h"
#include "svg_parts.h"
#include "text_fit.h"

#include <QXmlStreamWriter>

#include <algorithm>

using namespace geometry;

namespace {

const RGBValue captionColor(0x22, 0x22, 0x22);
const RGBValue summaryColor(0x55, 0x55, 0x55);
const RGBValue cutColor(0xb0, 0x00, 0x20);

// The caption is drawn in a plain face of its own, whatever the
// configuration's styles say.
Style captionStyle(double size, bool bold)
{
    Style style(QStringLiteral("caption"), 0);
    style.setFontSize(static_cast<int>(size));
    if (bold)
        style.setFontStyle(Style::BOLD);
    return style;
}

void writeCaption(QXmlStreamWriter& xml, const Diagram& diagram)
{
    startGroup(xml, QStringLiteral("caption"));
    double y = margin + captionLine / 2;
    writeText(xml, margin, baselineFor(y, captionStyle(captionFontSize, true)), diagram.caption,
              captionStyle(captionFontSize, true), QStringLiteral("start"), captionColor);
    const Style small = captionStyle(smallCaptionFontSize, false);
    y += captionLine;
    writeText(xml, margin, baselineFor(y, small), diagram.summary, small, QStringLiteral("start"), summaryColor);
    if (!diagram.cutNotice.isEmpty()) {
        y += captionLine;
        writeText(xml, margin, baselineFor(y, small), diagram.cutNotice, small, QStringLiteral("start"), cutColor);
    }
    if (!diagram.problems.empty()) {
        startGroup(xml, QStringLiteral("problems"));
        for (const QString& problem : diagram.problems) {
            y += captionLine;
            writeText(xml, margin, baselineFor(y, small), problem, small, QStringLiteral("start"), cutColor);
        }
        xml.writeEndElement();
    }
    if (!diagram.threads.empty()) {
        y += captionLine;
        startGroup(xml, QStringLiteral("thread-key"));
        writeText(xml, margin, baselineFor(y, small), QStringLiteral("Threads:"), small, QStringLiteral("start"),
                  summaryColor);
        for (const ThreadKey& thread : diagram.threads) {
            xml.writeStartElement(QStringLiteral("rect"));
            xml.writeAttribute(QStringLiteral("x"), svgNumber(thread.x));
            xml.writeAttribute(QStringLiteral("y"), svgNumber(y - swatchSize / 2));
            xml.writeAttribute(QStringLiteral("width"), svgNumber(swatchSize));
            xml.writeAttribute(QStringLiteral("height"), svgNumber(swatchSize));
            xml.writeAttribute(QStringLiteral("fill"), svgColor(thread.color));
            xml.writeEndElement();
            writeText(xml, thread.x + swatchSize + labelPadding, baselineFor(y, small), thread.name, small,
                      QStringLiteral("start"), captionColor);
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

}

QByteArray svgDocument(const Diagram& diagram)
{
    QByteArray data;
    QXmlStreamWriter xml(&data);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    writeSvgElement(xml, diagram);
    xml.writeEndDocument();
    return data;
}

void writeSvgElement(QXmlStreamWriter& xml, const Diagram& diagram)
{
    xml.writeStartElement(QStringLiteral("svg"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("width"), svgNumber(diagram.width));
    xml.writeAttribute(QStringLiteral("height"), svgNumber(diagram.height));
    xml.writeAttribute(QStringLiteral("viewBox"),
                       QStringLiteral("0 0 %1 %2").arg(svgNumber(diagram.width), svgNumber(diagram.height)));
    xml.writeTextElement(QStringLiteral("title"), diagram.title);
    xml.writeTextElement(QStringLiteral("desc"), diagram.summary);

    xml.writeStartElement(QStringLiteral("rect"));
    xml.writeAttribute(QStringLiteral("class"), QStringLiteral("background"));
    xml.writeAttribute(QStringLiteral("width"), svgNumber(diagram.width));
    xml.writeAttribute(QStringLiteral("height"), svgNumber(diagram.height));
    xml.writeAttribute(QStringLiteral("fill"), QStringLiteral("#ffffff"));
    xml.writeEndElement();

    writeCaption(xml, diagram);
    writeLoops(xml, diagram);
    writeLifelines(xml, diagram);
    writeBars(xml, diagram);
    writeSynchronisations(xml, diagram);
    writeArrows(xml, diagram);
    writeActions(xml, diagram);
    writeNotes(xml, diagram);
    writeLoopLabels(xml, diagram);
    writeMarks(xml, diagram);
    writeAxis(xml, diagram);
    xml.writeEndElement();
}

void writeLoops(QXmlStreamWriter& xml, const Diagram& diagram)
{
    startGroup(xml, QStringLiteral("loops"));
    for (const LoopFrame& loop : diagram.loops) {
        startGroup(xml, QStringLiteral("loop"), loop.label.tooltip);
        // The top and sides in the start style, the bottom in the end style;
        // an edge outside the drawn events is left open.
        QString frame = QStringLiteral("M%1,%2 V%3 %4 H%5 V%6")
                            .arg(svgNumber(loop.left), svgNumber(loop.bottom), svgNumber(loop.top),
                                 loop.openTop ? QStringLiteral("M%1,%2").arg(svgNumber(loop.right), svgNumber(loop.top))
                                              : QString(),
                                 svgNumber(loop.right), svgNumber(loop.bottom));
        xml.writeStartElement(QStringLiteral("path"));
        xml.writeAttribute(QStringLiteral("class"), QStringLiteral("frame"));
        xml.writeAttribute(QStringLiteral("d"), frame);
        xml.writeAttribute(QStringLiteral("fill"), QStringLiteral("none"));
        writeStroke(xml, *loop.style, std::nullopt, 1.2);
        xml.writeEndElement();
        if (!loop.openBottom) {
            startLine(xml, QStringLiteral("loop-end"), loop.left, loop.bottom, loop.right, loop.bottom);
            writeStroke(xml, *loop.endStyle, std::nullopt, 1.2);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void writeLoopLabels(QXmlStreamWriter& xml, const Diagram& diagram)
{
    startGroup(xml, QStringLiteral("loop-labels"));
    for (const LoopFrame& loop : diagram.loops) {
        startGroup(xml, QStringLiteral("loop-label"), loop.label.tooltip);
        const double tabWidth = std::min(loop.right - loop.left,
                                         estimatedTextWidth(loop.label.text, *loop.style) + 3 * labelPadding);
        const double tabHeight = loopTabHeight(*loop.style);
        xml.writeStartElement(QStringLiteral("path"));
        xml.writeAttribute(QStringLiteral("class"), QStringLiteral("loop-tab"));
        xml.writeAttribute(QStringLiteral("d"), QStringLiteral("M%1,%2 H%3 V%4 L%5,%6 H%1 Z")
                                                    .arg(svgNumber(loop.left), svgNumber(loop.tabTop),
                                                         svgNumber(loop.left + tabWidth),
                                                         svgNumber(loop.tabTop + tabHeight - 5),
                                                         svgNumber(loop.left + tabWidth - 6),
                                                         svgNumber(loop.tabTop + tabHeight)));
        xml.writeAttribute(QStringLiteral("fill"), svgColor(loop.style->backColor()));
        xml.writeAttribute(QStringLiteral("stroke"), svgColor(loop.style->lineColor()));
        xml.writeEndElement();
        writeText(xml, loop.left + labelPadding, baselineFor(loop.tabTop + tabHeight / 2, *loop.style), loop.label.text,
                  *loop.style, QStringLiteral("start"));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void writeLifelines(QXmlStreamWriter& xml, const Diagram& diagram)
{
    startGroup(xml, QStringLiteral("lifelines"));
    for (const Lifeline& line : diagram.lifelines) {
        startGroup(xml, line.world ? QStringLiteral("lifeline world") : QStringLiteral("lifeline"),
                   line.title.tooltip);
        if (line.lineBottom > line.lineTop) {
            startLine(xml, QStringLiteral("life"), line.x, line.lineTop, line.x, line.lineBottom);
            writeStroke(xml, *line.lineStyle);
            xml.writeEndElement();
        }
        xml.writeStartElement(QStringLiteral("rect"));
        xml.writeAttribute(QStringLiteral("class"), QStringLiteral("title-box"));
        xml.writeAttribute(QStringLiteral("x"), svgNumber(line.x - line.titleWidth / 2));
        xml.writeAttribute(QStringLiteral("y"), svgNumber(line.titleY - titleHeight / 2));
        xml.writeAttribute(QStringLiteral("width"), svgNumber(line.titleWidth));
        xml.writeAttribute(QStringLiteral("height"), svgNumber(titleHeight));
        xml.writeAttribute(QStringLiteral("rx"), QStringLiteral("3"));
        xml.writeAttribute(QStringLiteral("fill"), svgColor(line.titleStyle->backColor()));
        xml.writeAttribute(QStringLiteral("stroke"), svgColor(line.titleStyle->lineColor()));
        xml.writeEndElement();
        writeText(xml, line.x, baselineFor(line.titleY, *line.titleStyle), line.title.text, *line.titleStyle,
                  QStringLiteral("middle"));
        if (line.crossStyle) {
            startGroup(xml, QStringLiteral("cross"));
            for (const double direction : {1.0, -1.0}) {
                startLine(xml, QString(), line.x - crossHalfSize, line.lineBottom - direction * crossHalfSize,
                          line.x + crossHalfSize, line.lineBottom + direction * crossHalfSize);
                xml.writeAttribute(QStringLiteral("stroke"), svgColor(line.crossStyle->lineColor()));
                xml.writeAttribute(QStringLiteral("stroke-width"), QStringLiteral("2.5"));
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void writeBars(QXmlStreamWriter& xml, const Diagram& diagram)
{
    startGroup(xml, QStringLiteral("bars"));
    for (const ActivationBar& bar : diagram.bars) {
        xml.writeStartElement(QStringLiteral("rect"));
        xml.writeAttribute(QStringLiteral("class"), QStringLiteral("activation"));
        xml.writeAttribute(QStringLiteral("x"), svgNumber(bar.x - barHalfWidth));
        xml.writeAttribute(QStringLiteral("y"), svgNumber(bar.top));
        xml.writeAttribute(QStringLiteral("width"), svgNumber(2 * barHalfWidth));
        xml.writeAttribute(QStringLiteral("height"), svgNumber(bar.bottom - bar.top));
        xml.writeAttribute(QStringLiteral("fill"), svgColor(bar.style->backColor()));
        xml.writeAttribute(QStringLiteral("stroke"), svgColor(bar.style->lineColor()));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void writeAxis(QXmlStreamWriter& xml, const Diagram& diagram)
{
    startGroup(xml, QStringLiteral("axis"));
    startLine(xml, QStringLiteral("axis-line"), axisX, diagram.bodyTop, axisX, diagram.height - bottomPadding / 2);
    xml.writeAttribute(QStringLiteral("stroke"), svgColor(diagram.timeStyle->lineColor()));
    xml.writeEndElement();
    for (const TimeLabel& time : diagram.times) {
        startLine(xml, QStringLiteral("tick"), axisX - 4, time.y, axisX, time.y);
        xml.writeAttribute(QStringLiteral("stroke"), svgColor(diagram.timeStyle->lineColor()));
        xml.writeEndElement();
        startGroup(xml, QStringLiteral("time"), time.label.tooltip);
        writeText(xml, axisX - 8, baselineFor(time.y, *diagram.timeStyle), time.label.text, *diagram.timeStyle,
                  QStringLiteral("end"));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}
