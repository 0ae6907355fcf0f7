#ifndef RENDER_SVG_PAINT_H
#define RENDER_SVG_PAINT_H

// How styles become SVG attributes, shared by the parts of the SVG writer.

#include <style.h>

#include <QString>
#include <QXmlStreamWriter>

#include <optional>

struct Label;

QString svgNumber(double value);
QString svgColor(const RGBValue& color);
// The stroke-dasharray of a line pattern; empty for a solid line (and for
// values outside the enumeration).
QString dashPattern(Style::Line line);
// A CSS font-family list for the style's font name with a generic fallback;
// characters that could break out of the list are dropped.
QString fontFamily(const Style& style);

// Starts a group of the given class whose first child is the tooltip.
void startGroup(QXmlStreamWriter& xml, const QString& cssClass, const QString& tooltip = QString());
// stroke, stroke-width and the style's line pattern.
void writeStroke(QXmlStreamWriter& xml, const Style& style, std::optional<RGBValue> color = std::nullopt,
                 double width = 1);
// A <text> in the style's font and text colour. `anchor` is start, middle or end.
void writeText(QXmlStreamWriter& xml, double x, double y, const QString& text, const Style& style,
               const QString& anchor, std::optional<RGBValue> color = std::nullopt);
// Baseline of text whose middle is at y.
double baselineFor(double y, const Style& style);

// Opens a <line>; the caller adds its paint and closes it.
void startLine(QXmlStreamWriter& xml, const QString& cssClass, double x1, double y1, double x2, double y2);

// The arrow head with its tip at (tipX, y), pointing right for direction 1
// and left for -1: a filled triangle, an open V or a single barb.
void writeArrowHead(QXmlStreamWriter& xml, Style::Arrow arrow, double tipX, double y, double direction,
                    const RGBValue& color);

#endif
