#include "html_page.h"

#include "diagram.h"
#include "geometry.h"
#include "html_assets.h"
#include "svg_paint.h"
#include "svg_writer.h"

#include <QXmlStreamWriter>

using namespace geometry;

namespace {

constexpr double titleBandHeight = titleHeight + 12;

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// One title box of the header; the script rescales it with the zoom.
QString headerTitle(const Lifeline& line)
{
    const Style& style = *line.titleStyle;
    const double left = line.x - line.titleWidth / 2;
    const double top = (titleBandHeight - titleHeight) / 2;
    QString css = QStringLiteral("left:%1px;top:%2px;width:%3px;height:%4px;font-size:%5px;color:%6;"
                                 "background:%7;border-color:%8;font-family:%9;")
                      .arg(svgNumber(left), svgNumber(top), svgNumber(line.titleWidth), svgNumber(titleHeight),
                           svgNumber(fontSizeOf(style)), svgColor(style.textColor()), svgColor(style.backColor()),
                           svgColor(style.lineColor()), fontFamily(style));
    if (style.isBold())
        css += QStringLiteral("font-weight:bold;");
    if (style.isItalic())
        css += QStringLiteral("font-style:italic;");
    if (style.isUnderline())
        css += QStringLiteral("text-decoration:underline;");
    return QStringLiteral("<div class=\"title\" data-x=\"%1\" data-y=\"%2\" data-w=\"%3\" data-h=\"%4\" "
                          "data-size=\"%5\" style=\"%6\" title=\"%7\">%8</div>\n")
        .arg(svgNumber(left), svgNumber(top), svgNumber(line.titleWidth), svgNumber(titleHeight),
             svgNumber(fontSizeOf(style)), escaped(css), escaped(line.title.tooltip), escaped(line.title.text));
}

}

QByteArray htmlPage(const Diagram& diagram)
{
    QString svg;
    QXmlStreamWriter xml(&svg);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    writeSvgElement(xml, diagram);

    QString page;
    page += QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n");
    page += QStringLiteral("<title>%1</title>\n").arg(escaped(diagram.title));
    page += QStringLiteral("<style>%1</style>\n</head>\n<body>\n").arg(QString::fromUtf8(pageStyleSheet()));
    page += QStringLiteral("<div id=\"toolbar\"><span class=\"caption\">%1</span><span class=\"summary\" title=\"%3\">"
                           "%2</span>")
                .arg(escaped(diagram.caption), escaped(diagram.summary),
                     escaped(diagram.cutNotice.isEmpty() ? diagram.summary : diagram.cutNotice));
    page += QStringLiteral("<button id=\"zoom-out\" title=\"Zoom out (-)\">&#x2212;</button>"
                           "<span id=\"zoom-level\">100%</span>"
                           "<button id=\"zoom-in\" title=\"Zoom in (+)\">+</button>"
                           "<button id=\"zoom-reset\" title=\"Actual size (0)\">1:1</button>"
                           "<button id=\"zoom-fit\" title=\"Fit the width\">Fit</button></div>\n");
    page += QStringLiteral("<div id=\"titles\" data-height=\"%1\" style=\"width:%2px;height:%1px\">\n")
                .arg(svgNumber(titleBandHeight), svgNumber(diagram.width));
    for (const Lifeline& line : diagram.lifelines)
        page += headerTitle(line);
    page += QStringLiteral("</div>\n<div id=\"diagram\">\n");
    page += svg;
    page += QStringLiteral("\n</div>\n<script>%1</script>\n</body>\n</html>\n").arg(QString::fromUtf8(pageScript()));
    return page.toUtf8();
}
