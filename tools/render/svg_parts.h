#ifndef RENDER_SVG_PARTS_H
#define RENDER_SVG_PARTS_H

// The layers of the SVG picture, from the back to the front.

class QXmlStreamWriter;
struct Diagram;

// svg_writer.cpp
void writeLoops(QXmlStreamWriter& xml, const Diagram& diagram);
void writeLifelines(QXmlStreamWriter& xml, const Diagram& diagram);
void writeBars(QXmlStreamWriter& xml, const Diagram& diagram);
void writeAxis(QXmlStreamWriter& xml, const Diagram& diagram);
// The names of the loops, in front of what runs through their frames.
void writeLoopLabels(QXmlStreamWriter& xml, const Diagram& diagram);

// svg_events.cpp
void writeSynchronisations(QXmlStreamWriter& xml, const Diagram& diagram);
void writeArrows(QXmlStreamWriter& xml, const Diagram& diagram);
void writeActions(QXmlStreamWriter& xml, const Diagram& diagram);
void writeNotes(QXmlStreamWriter& xml, const Diagram& diagram);
void writeMarks(QXmlStreamWriter& xml, const Diagram& diagram);

#endif
