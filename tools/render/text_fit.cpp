#include "text_fit.h"

#include "style_palette.h"

#include <style.h>

#include <algorithm>

namespace {

const QChar ellipsis(0x2026);

// Average advance of a character in ems: wide scripts take a full em,
// everything else about as much as DejaVu Sans, the widest common face.
double advanceInEms(QChar c)
{
    const ushort code = c.unicode();
    if (code >= 0x2E80 && code < 0xD800)
        return 1.0;
    if (c.isLowSurrogate())
        return 0;  // the high surrogate counted the character
    return 0.62;
}

// Width of an em in the style's font; bold faces run wider.
double emSize(const Style& style)
{
    return fontSizeOf(style) * (style.isBold() ? 1.08 : 1.0);
}

bool isXmlCharacter(uint code)
{
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

}

double estimatedTextWidth(const QString& text, const Style& style)
{
    double ems = 0;
    for (QChar c : text)
        ems += advanceInEms(c);
    return ems * emSize(style);
}

QString elided(const QString& text, const Style& style, double width)
{
    if (estimatedTextWidth(text, style) <= width)
        return text;
    const double room = width - estimatedTextWidth(QString(ellipsis), style);
    double used = 0;
    int kept = 0;
    const double scale = emSize(style);
    while (kept < text.size()) {
        const double next = advanceInEms(text[kept]) * scale;
        if (used + next > room)
            break;
        used += next;
        ++kept;
    }
    // Never cut a surrogate pair in two.
    if (kept > 0 && text[kept - 1].isHighSurrogate())
        --kept;
    return text.left(kept).trimmed() + ellipsis;
}

QString xmlSafe(const QString& text)
{
    // Most texts need nothing replaced: they are shared, not copied, which
    // for the distinct texts of a long trace saves a copy of each.
    int i = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate() || !isXmlCharacter(c.unicode()))
            break;
    }
    if (i == text.size())
        return text;
    QString safe = text.left(i);
    safe.reserve(text.size());
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            safe += c;
            safe += text[++i];
        } else if (c.isSurrogate() || !isXmlCharacter(c.unicode())) {
            safe += QChar::ReplacementCharacter;
        } else {
            safe += c;
        }
    }
    return safe;
}

QString singleLine(const QString& text)
{
    QString line = xmlSafe(text);
    const auto breaksLine = [](QChar c) {
        return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t');
    };
    if (std::none_of(line.cbegin(), line.cend(), breaksLine))
        return line;
    for (QChar& c : line) {
        if (breaksLine(c))
            c = QLatin1Char(' ');
    }
    return line;
}
