#ifndef RENDER_SVG_WRITER_H
#define RENDER_SVG_WRITER_H

#include <QByteArray>

class QXmlStreamWriter;
struct Diagram;

// The diagram as a standalone SVG 1.1 document in UTF-8. Every shape is a
// group with a class naming what it shows (lifeline, message, return,
// activation, loop, note, ...) and, when it has a text, a <title> tooltip.
QByteArray svgDocument(const Diagram& diagram);

// The <svg> element alone, for a page that embeds it.
void writeSvgElement(QXmlStreamWriter& xml, const Diagram& diagram);

#endif
