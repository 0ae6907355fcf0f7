#include <resource_reader.h>
#include <style.h>

#include "error_recorder.h"
#include "resource_text.h"

#include <qares.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string dump(const Style& style)
{
    std::ostringstream out;
    out << style;
    return out.str();
}

// Applies a style group given in resource syntax, e.g. "style = { ... }".
void apply(Style& style, const char* text, bool readName = true)
{
    style.fromResource(parseResources(text).get(), readName);
}

TEST(Style, NewStyleDumpsItsDefaults)
{
    Style style("s", 3);
    EXPECT_EQ(dump(style), "Style( \"s\", 3) {\n"
                           " text_color = rgb(0,0,0)\n"
                           " back_color = rgb(255,255,255)\n"
                           " line_color = rgb(0,0,0)\n"
                           " font_style = NORMAL\n"
                           " line_style = SOLID_LINE\n"
                           " font_name  = \"\"\n"
                           " font_size  = 12\n"
                           "}\n");
    EXPECT_TRUE(style.fontName().isNull());
    EXPECT_EQ(style.arrowStyle(), Style::PLAIN_ARROW);
}

TEST(Style, DumpListsFontFlagsInOrderAndLeavesTheArrowOut)
{
    Style style(QString(), -1);
    style.setFontStyle(Style::ITALIC);
    style.composeFontStyle(Style::BOLD);
    style.setLineStyle(Style::DASH_DOT_DOT_LINE);
    style.setArrowStyle(Style::HALF_ARROW);
    style.setFontName(QString::fromUtf8("Caf\xc3\xa9"));
    style.setFontSize(9);
    style.setTextColor(RGBValue(1, 2, 3));
    EXPECT_EQ(dump(style), "Style( \"\", -1) {\n"
                           " text_color = rgb(1,2,3)\n"
                           " back_color = rgb(255,255,255)\n"
                           " line_color = rgb(0,0,0)\n"
                           " font_style = BOLD ITALIC\n"
                           " line_style = DASH_DOT_DOT_LINE\n"
                           " font_name  = \"" +
                               QString::fromUtf8("Caf\xc3\xa9").toLocal8Bit().toStdString() +
                               "\"\n"
                               " font_size  = 9\n"
                               "}\n");
    EXPECT_EQ(style.fontStyle(), 3);
    EXPECT_EQ(Style::strFont(style.fontStyle()), nullptr);
    EXPECT_TRUE(style.isBold());
    EXPECT_TRUE(style.isItalic());
    EXPECT_FALSE(style.isUnderline());
    EXPECT_FALSE(style.isNormal());
}

TEST(Style, DumpOfALineStyleOutsideTheEnumerationLeavesItsTextEmpty)
{
    Style style("s", 1);
    style.setLineStyle(Style::Line(9));
    EXPECT_NE(dump(style).find(" line_style = \n"), std::string::npos);
}

TEST(Style, ValuesAndTextsConvertBothWays)
{
    EXPECT_STREQ(Style::strFont(Style::NORMAL), "NORMAL");
    EXPECT_STREQ(Style::strFont(Style::UNDERLINE), "UNDERLINE");
    EXPECT_EQ(Style::strFont(Style::Font(5)), nullptr);
    EXPECT_STREQ(Style::strLine(Style::DASH_DOT_LINE), "DASH_DOT_LINE");
    EXPECT_EQ(Style::strLine(Style::Line(5)), nullptr);
    EXPECT_EQ(Style::strLine(Style::Line(-1)), nullptr);
    EXPECT_STREQ(Style::strArrow(Style::OPEN_ARROW), "OPEN_ARROW");
    EXPECT_EQ(Style::strArrow(Style::Arrow(3)), nullptr);

    bool ok = false;
    EXPECT_EQ(Style::toFont("UNDERLINE", &ok), Style::UNDERLINE);
    EXPECT_TRUE(ok);
    EXPECT_EQ(Style::toFont("bold", &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Style::toLine("DASH_DOT", &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Style::toLine("SOLID_LINE", &ok), 0);
    EXPECT_TRUE(ok);
    EXPECT_EQ(Style::toLine("DASH_DOT_DOT_LINE", &ok), Style::DASH_DOT_DOT_LINE);
    EXPECT_TRUE(ok);
    EXPECT_EQ(Style::toArrow(nullptr, &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Style::toArrow("HALF_ARROW", nullptr), Style::HALF_ARROW);
    EXPECT_EQ(Style::toArrow("HALF_ARROW ", nullptr), 0);
}

TEST(Style, FromResourceAppliesEveryMember)
{
    Style style("old", 1);
    apply(style, "style = {\n"
                 "  name = \"new\" id = 7\n"
                 "  text = { size = 8 color = rgb(1, 2, 3) font = \"Mono\" style = UNDERLINE }\n"
                 "  background = { color = rgb(4, 5, 6) }\n"
                 "  line = { arrow = OPEN_ARROW color = rgb(7, 8, 9) style = DOT_LINE }\n"
                 "}");
    EXPECT_EQ(style.name(), "new");
    EXPECT_EQ(style.id(), 7);
    EXPECT_EQ(style.fontSize(), 8);
    EXPECT_EQ(style.textColor(), RGBValue(1, 2, 3));
    EXPECT_EQ(style.fontName(), "Mono");
    EXPECT_EQ(style.fontStyle(), Style::UNDERLINE);
    EXPECT_EQ(style.backColor(), RGBValue(4, 5, 6));
    EXPECT_EQ(style.lineColor(), RGBValue(7, 8, 9));
    EXPECT_EQ(style.lineStyle(), Style::DOT_LINE);
    EXPECT_EQ(style.arrowStyle(), Style::OPEN_ARROW);
}

TEST(Style, FromResourceReadsTheNameOnlyWhenAsked)
{
    Style style("kept", 1);
    apply(style, "style = { name = \"ignored\" id = 4 }", false);
    EXPECT_EQ(style.name(), "kept");
    EXPECT_EQ(style.id(), 4);
}

TEST(Style, FromResourceSkipsWrongKindsAndUnknownMembers)
{
    Style style("s", 1);
    apply(style, "style = {\n"
                 "  name = NAME id = \"9\" extra = 1\n"
                 "  text = { size = \"10\" color = 5 style = \"BOLD\" font = IDENT }\n"
                 "  line = [ 1 ] background = 3\n"
                 "}");
    EXPECT_EQ(dump(style), dump(Style("s", 1)));
}

TEST(Style, BackgroundLooksOnlyAtItsFirstMember)
{
    Style style("s", 1);
    apply(style, "style = { background = { other = 1 color = rgb(9, 9, 9) } }");
    EXPECT_EQ(style.backColor(), RGBValue(255, 255, 255));
    apply(style, "style = { background = { color = 1 } }");
    EXPECT_EQ(style.backColor(), RGBValue(255, 255, 255));
    apply(style, "style = { text = { other = 1 color = rgb(9, 9, 9) } line = { x = 2 color = rgb(8, 8, 8) } }");
    EXPECT_EQ(style.textColor(), RGBValue(9, 9, 9));
    EXPECT_EQ(style.lineColor(), RGBValue(8, 8, 8));
}

TEST(Style, FontStyleListsAddUpAndIdentifiersReplace)
{
    Style style("s", 1);
    apply(style, "style = { text = { style = [BOLD, \"ITALIC\", UNDERLINE] } }");
    EXPECT_EQ(style.fontStyle(), 5);
    apply(style, "style = { text = { style = [ITALIC] } }");
    EXPECT_EQ(style.fontStyle(), 7);
    apply(style, "style = { text = { style = ITALIC } }");
    EXPECT_EQ(style.fontStyle(), Style::ITALIC);
    apply(style, "style = { text = { style = italic } line = { style = WAVY arrow = BIG } }");
    EXPECT_EQ(style.fontStyle(), Style::NORMAL);
    EXPECT_EQ(style.lineStyle(), Style::SOLID_LINE);
    EXPECT_EQ(style.arrowStyle(), Style::PLAIN_ARROW);
}

TEST(Style, RepeatedMembersApplyInOrderSoTheLastWins)
{
    Style style("s", 1);
    apply(style, "style = { id = 2 id = 3 line = { style = DOT_LINE style = DASH_LINE } }");
    EXPECT_EQ(style.id(), 3);
    EXPECT_EQ(style.lineStyle(), Style::DASH_LINE);
}

TEST(Style, FromResourceIgnoresNullNonGroupAndEmptyResources)
{
    Style style("s", 1);
    style.fromResource(nullptr, true);
    QAResInt notGroup("style", 3);
    style.fromResource(&notGroup, true);
    QAResGroup empty("style", nullptr);
    style.fromResource(&empty, true);
    EXPECT_EQ(dump(style), dump(Style("s", 1)));
}

// Records which setters fromResource calls, in order.
class RecordingStyle : public Style {
public:
    RecordingStyle() : Style("r", 0) {}
    std::vector<std::string> calls;
    void setTextColor(const RGBValue& c) override { calls.push_back("text"); Style::setTextColor(c); }
    void setBackColor(const RGBValue& c) override { calls.push_back("back"); Style::setBackColor(c); }
    void setLineColor(const RGBValue& c) override { calls.push_back("line"); Style::setLineColor(c); }
    void setFontStyle(Style::Font f) override { calls.push_back("font"); Style::setFontStyle(f); }
    void setLineStyle(Style::Line l) override { calls.push_back("lineStyle"); Style::setLineStyle(l); }
    void setArrowStyle(Style::Arrow a) override { calls.push_back("arrow"); Style::setArrowStyle(a); }
    void setFontSize(int s) override { calls.push_back("size"); Style::setFontSize(s); }
    void setFontName(const QString& n) override { calls.push_back("name"); Style::setFontName(n); }
    void composeFontStyle(Style::Font f) override { calls.push_back("compose"); Style::composeFontStyle(f); }
};

TEST(Style, FromResourceGoesThroughTheVirtualSetters)
{
    RecordingStyle style;
    apply(style, "style = {\n"
                 "  text = { color = rgb(1,1,1) font = \"F\" size = 3 style = [BOLD, ITALIC] style = NORMAL }\n"
                 "  background = { color = rgb(2,2,2) }\n"
                 "  line = { color = rgb(3,3,3) style = DOT_LINE arrow = HALF_ARROW }\n"
                 "}");
    EXPECT_EQ(style.calls, (std::vector<std::string>{"text", "name", "size", "compose", "compose", "font", "back",
                                                     "line", "lineStyle", "arrow"}));
}

TEST(Style, ToResourceBuildsTheDocumentedTree)
{
    Style style("s", 4);
    style.setFontStyle(Style::UNDERLINE);
    std::unique_ptr<QARes> group(style.toResource(nullptr));
    ASSERT_NE(group->toResGroup(), nullptr);
    EXPECT_TRUE(group->isTag("style"));
    EXPECT_EQ(group->next(), nullptr);

    const char* tags[] = {"name", "id", "text", "background", "line"};
    QARes* member = group->toResGroup()->firstChild();
    for (const char* tag : tags) {
        ASSERT_NE(member, nullptr);
        EXPECT_STREQ(member->tag(), tag);
        member = member->next();
    }
    EXPECT_EQ(member, nullptr);

    QARes* text = group->toResGroup()->firstChild()->search("text")->toResGroup()->firstChild();
    QAResList* fonts = text->search("style")->toResList();
    ASSERT_NE(fonts, nullptr);
    EXPECT_EQ(fonts->firstChild()->tag(), nullptr);
    EXPECT_STREQ(fonts->firstChild()->toResIdentifier()->value(), "UNDERLINE");
    EXPECT_EQ(fonts->firstChild()->next(), nullptr);

    std::unique_ptr<QARes> tagged(Style("n", 1).toResource("other"));
    EXPECT_TRUE(tagged->isTag("other"));
    QARes* normal = tagged->toResGroup()->firstChild()->search("text")->toResGroup()->firstChild()->search("style");
    EXPECT_STREQ(normal->toResList()->firstChild()->toResIdentifier()->value(), "NORMAL");
}

// The items of the text's "style" list that toResource writes.
std::vector<std::string> fontItems(const Style& style)
{
    std::unique_ptr<QARes> group(style.toResource(nullptr));
    QARes* text = group->toResGroup()->firstChild()->search("text")->toResGroup()->firstChild();
    std::vector<std::string> items;
    for (QARes* item = text->search("style")->toResList()->firstChild(); item; item = item->next())
        items.push_back(item->toResIdentifier()->value());
    return items;
}

// Bits beside BOLD, ITALIC and UNDERLINE have no item: a font style with
// none of the three is written as NORMAL whatever else it holds.
TEST(Style, ToResourceWritesOnlyTheThreeFlagsOrNormal)
{
    using Items = std::vector<std::string>;
    Style style("s", 1);
    style.setFontStyle(Style::Font(8));
    EXPECT_EQ(fontItems(style), Items{"NORMAL"});
    style.setFontStyle(Style::Font(8 | Style::ITALIC));
    EXPECT_EQ(fontItems(style), Items{"ITALIC"});
    style.setFontStyle(Style::Font(16 | Style::BOLD | Style::ITALIC | Style::UNDERLINE));
    EXPECT_EQ(fontItems(style), (Items{"BOLD", "ITALIC", "UNDERLINE"}));
}

TEST(Style, ToResourceThenFromResourceGivesAnEqualStyle)
{
    Style original("round trip", 11);
    original.setTextColor(RGBValue(10, 20, 30));
    original.setBackColor(RGBValue(40, 50, 60));
    original.setLineColor(RGBValue(70, 80, 90));
    original.setFontStyle(Style::Font(Style::BOLD | Style::ITALIC | Style::UNDERLINE));
    original.setLineStyle(Style::DASH_LINE);
    original.setArrowStyle(Style::HALF_ARROW);
    original.setFontName("Serif");
    original.setFontSize(17);

    std::unique_ptr<QARes> resource(original.toResource("style"));
    Style copy(QString(), 0);
    copy.fromResource(resource.get(), true);
    EXPECT_EQ(dump(copy), dump(original));
    EXPECT_EQ(copy.arrowStyle(), original.arrowStyle());
}

TEST(Style, ExampleFileHoldsStyles)
{
    ErrorRecorder recorder;
    bool ok = false;
    std::unique_ptr<QARes> first(readResourceFile(EXAMPLES_DIR "/styles.res", &ok));
    ASSERT_TRUE(ok);
    QARes* title = first->search("style")->next()->search("style");
    ASSERT_NE(title, nullptr);
    Style style(QString(), 0);
    style.fromResource(title, true);
    EXPECT_EQ(style.name(), "instance title");
    EXPECT_EQ(style.fontStyle(), Style::BOLD | Style::UNDERLINE);
    EXPECT_EQ(style.backColor(), RGBValue(0xe8, 0xf0, 0xfa));
    EXPECT_TRUE(recorder.reports().empty());
}

}
