#include <svg_paint.h>
#include <text_fit.h>

#include <style.h>

#include "qstring_print.h"

#include <gtest/gtest.h>

namespace {

const QChar ellipsis(0x2026);

TEST(RenderText, ShortTextIsKeptLongTextShortenedToFit)
{
    Style style(QStringLiteral("s"), 1);
    style.setFontSize(10);
    EXPECT_EQ(elided(QStringLiteral("fits"), style, 200), "fits");

    const QString text = QStringLiteral("a fairly long label that cannot fit");
    const double width = estimatedTextWidth(text, style) / 2;
    const QString shortened = elided(text, style, width);
    EXPECT_TRUE(shortened.endsWith(ellipsis));
    EXPECT_LE(estimatedTextWidth(shortened, style), width);
    EXPECT_TRUE(text.startsWith(shortened.chopped(1)));
    // Even no room at all leaves the ellipsis, so that something shows.
    EXPECT_EQ(elided(text, style, 0), QString(ellipsis));
}

TEST(RenderText, BoldAndLargerFontsNeedMoreRoom)
{
    Style plain(QStringLiteral("plain"), 1);
    Style bold(QStringLiteral("bold"), 2);
    bold.setFontStyle(Style::BOLD);
    Style large(QStringLiteral("large"), 3);
    large.setFontSize(20);
    const QString text = QStringLiteral("activation");
    EXPECT_GT(estimatedTextWidth(text, bold), estimatedTextWidth(text, plain));
    EXPECT_GT(estimatedTextWidth(text, large), estimatedTextWidth(text, plain));
    // Absurd configured sizes are held to readable bounds.
    Style huge(QStringLiteral("huge"), 4);
    huge.setFontSize(100000);
    EXPECT_LT(estimatedTextWidth(text, huge), 1000);
}

TEST(RenderText, ShorteningNeverSplitsACharacterOfTwoCodeUnits)
{
    Style style(QStringLiteral("s"), 1);
    const QString faces = QString::fromUtf8("\xF0\x9F\x98\x80").repeated(30);
    for (double width = 10; width < 200; width += 7) {
        const QString shortened = elided(faces, style, width);
        EXPECT_TRUE(QStringView(shortened).isValidUtf16()) << width;
    }
}

TEST(RenderText, TraceTextIsMadeFitForXml)
{
    const QString text = QStringLiteral("a\x01" "b\tc\nd") + QChar(0xD800) + QStringLiteral("e") + QChar(0xFFFE) +
                         QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString replacement(QChar::ReplacementCharacter);
    EXPECT_EQ(xmlSafe(text), "a" + replacement + "b\tc\nd" + replacement + "e" + replacement +
                                 QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(singleLine(QStringLiteral("one\ntwo\tthree\r")), "one two three ");
}

TEST(RenderPaint, ConfiguredValuesBecomeSafeSvgAttributes)
{
    EXPECT_EQ(svgColor(RGBValue(300, -5, 16)), "#ff0010");
    EXPECT_EQ(dashPattern(Style::SOLID_LINE), QString());
    EXPECT_EQ(dashPattern(Style::Line(9)), QString());
    EXPECT_EQ(dashPattern(Style::DASH_LINE), "8,4");

    Style style(QStringLiteral("s"), 1);
    EXPECT_EQ(fontFamily(style), "sans-serif");
    style.setFontName(QStringLiteral("Evil'; } <x>"));
    EXPECT_EQ(fontFamily(style), "'Evil x', sans-serif");
    style.setFontName(QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(fontFamily(style), "'DejaVu Sans Mono', monospace");
}

}
