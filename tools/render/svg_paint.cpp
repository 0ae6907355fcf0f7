#include "svg_paint.h"

#include "style_palette.h"

#include <algorithm>

QString svgNumber(double value)
{
    QString text = QString::number(value, 'f', 1);
    if (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString svgColor(const RGBValue& color)
{
    // Colours from a configuration may lie outside 0..255.
    const auto component = [](int value) { return std::clamp(value, 0, 255); };
    return QStringLiteral("#%1%2%3")
        .arg(component(color.red), 2, 16, QLatin1Char('0'))
        .arg(component(color.green), 2, 16, QLatin1Char('0'))
        .arg(component(color.blue), 2, 16, QLatin1Char('0'));
}

QString dashPattern(Style::Line line)
{
    switch (line) {
    case Style::DOT_LINE: return QStringLiteral("2,3");
    case Style::DASH_LINE: return QStringLiteral("8,4");
    case Style::DASH_DOT_LINE: return QStringLiteral("8,3,2,3");
    case Style::DASH_DOT_DOT_LINE: return QStringLiteral("8,3,2,3,2,3");
    default: return QString();
    }
}

QString fontFamily(const Style& style)
{
    QString name;
    for (QChar c : style.fontName()) {
        if (c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('_'))
            name += c;
    }
    name = name.simplified();
    const QString generic = name.contains(QLatin1String("mono"), Qt::CaseInsensitive) ? QStringLiteral("monospace")
                                                                                        : QStringLiteral("sans-serif");
    return name.isEmpty() ? generic : QStringLiteral("'%1', %2").arg(name, generic);
}

void startGroup(QXmlStreamWriter& xml, const QString& cssClass, const QString& tooltip)
{
    xml.writeStartElement(QStringLiteral("g"));
    xml.writeAttribute(QStringLiteral("class"), cssClass);
    if (!tooltip.isEmpty())
        xml.writeTextElement(QStringLiteral("title"), tooltip);
}

void writeStroke(QXmlStreamWriter& xml, const Style& style, std::optional<RGBValue> color, double width)
{
    xml.writeAttribute(QStringLiteral("stroke"), svgColor(color.value_or(style.lineColor())));
    if (width != 1)
        xml.writeAttribute(QStringLiteral("stroke-width"), svgNumber(width));
    const QString dashes = dashPattern(style.lineStyle());
    if (!dashes.isEmpty())
        xml.writeAttribute(QStringLiteral("stroke-dasharray"), dashes);
}

double baselineFor(double y, const Style& style)
{
    return y + fontSizeOf(style) * 0.35;
}

void writeText(QXmlStreamWriter& xml, double x, double y, const QString& text, const Style& style,
               const QString& anchor, std::optional<RGBValue> color)
{
    xml.writeStartElement(QStringLiteral("text"));
    xml.writeAttribute(QStringLiteral("x"), svgNumber(x));
    xml.writeAttribute(QStringLiteral("y"), svgNumber(y));
    if (anchor != QLatin1String("start"))
        xml.writeAttribute(QStringLiteral("text-anchor"), anchor);
    xml.writeAttribute(QStringLiteral("fill"), svgColor(color.value_or(style.textColor())));
    xml.writeAttribute(QStringLiteral("font-family"), fontFamily(style));
    xml.writeAttribute(QStringLiteral("font-size"), svgNumber(fontSizeOf(style)));
    if (style.isBold())
        xml.writeAttribute(QStringLiteral("font-weight"), QStringLiteral("bold"));
    if (style.isItalic())
        xml.writeAttribute(QStringLiteral("font-style"), QStringLiteral("italic"));
    if (style.isUnderline())
        xml.writeAttribute(QStringLiteral("text-decoration"), QStringLiteral("underline"));
    xml.writeCharacters(text);
    xml.writeEndElement();
}

void startLine(QXmlStreamWriter& xml, const QString& cssClass, double x1, double y1, double x2, double y2)
{
    xml.writeStartElement(QStringLiteral("line"));
    if (!cssClass.isEmpty())
        xml.writeAttribute(QStringLiteral("class"), cssClass);
    xml.writeAttribute(QStringLiteral("x1"), svgNumber(x1));
    xml.writeAttribute(QStringLiteral("y1"), svgNumber(y1));
    xml.writeAttribute(QStringLiteral("x2"), svgNumber(x2));
    xml.writeAttribute(QStringLiteral("y2"), svgNumber(y2));
}

void writeArrowHead(QXmlStreamWriter& xml, Style::Arrow arrow, double tipX, double y, double direction,
                    const RGBValue& color)
{
    const double length = 9;
    const double halfWidth = 4.5;
    const double baseX = tipX - direction * length;
    const auto point = [](double x, double py) { return svgNumber(x) + QLatin1Char(',') + svgNumber(py); };
    const QString tip = point(tipX, y);
    if (arrow == Style::OPEN_ARROW || arrow == Style::HALF_ARROW) {
        xml.writeStartElement(QStringLiteral("polyline"));
        xml.writeAttribute(QStringLiteral("class"),
                           arrow == Style::OPEN_ARROW ? QStringLiteral("head open") : QStringLiteral("head half"));
        QString points = point(baseX, y - halfWidth) + QLatin1Char(' ') + tip;
        if (arrow == Style::OPEN_ARROW)
            points += QLatin1Char(' ') + point(baseX, y + halfWidth);
        xml.writeAttribute(QStringLiteral("points"), points);
        xml.writeAttribute(QStringLiteral("fill"), QStringLiteral("none"));
        xml.writeAttribute(QStringLiteral("stroke"), svgColor(color));
        xml.writeAttribute(QStringLiteral("stroke-width"), QStringLiteral("1.5"));
    } else {
        // The plain head, also for values outside the enumeration.
        xml.writeStartElement(QStringLiteral("polygon"));
        xml.writeAttribute(QStringLiteral("class"), QStringLiteral("head plain"));
        xml.writeAttribute(QStringLiteral("points"), point(baseX, y - halfWidth) + QLatin1Char(' ') + tip +
                                                          QLatin1Char(' ') + point(baseX, y + halfWidth));
        xml.writeAttribute(QStringLiteral("fill"), svgColor(color));
    }
    xml.writeEndElement();
}
