#include "page_reading.h"
#include "render_fixture.h"

#include <geometry.h>
#include <html_page.h>
#include <resource_reader.h>
#include <style_palette.h>
#include <svg_paint.h>
#include <svg_writer.h>
#include <tcf_loader.h>

#include <qares.h>

namespace {

using RenderedShapes = RenderTest;

// The arrows (messages and returns) in the order they are drawn.
std::vector<const SvgElement*> arrows(const SvgDocument& svg)
{
    std::vector<const SvgElement*> found;
    for (const SvgElement& element : svg.elements) {
        const QString cssClass = element.attribute("class");
        if (element.name == QLatin1String("g") && (cssClass == "message" || cssClass == "return"))
            found.push_back(&element);
    }
    return found;
}

const SvgElement* only(const std::vector<const SvgElement*>& elements)
{
    EXPECT_EQ(elements.size(), 1u);
    return elements.empty() ? nullptr : elements.front();
}

TEST(RenderExample, TheExampleTraceDrawsEveryKindOfEvent)
{
    ErrorRecorder recorder;
    bool ok = false;
    std::unique_ptr<QARes> resources(readResourceFile(EXAMPLES_DIR "/default.tcf", &ok));
    ASSERT_TRUE(ok);
    std::unique_ptr<TCFList> configurations(readTCFFromResources(resources.get(), nullptr));
    {
        TDF reader(configurations.get());
        ASSERT_TRUE(reader.readFile(EXAMPLES_DIR "/example.tdf"));
        ASSERT_TRUE(recorder.reports().empty());
        const SvgDocument svg(svgDocument(layoutDiagram(reader, {})));

        ASSERT_EQ(svg.error, QString());
        ASSERT_FALSE(svg.elements.empty());
        EXPECT_EQ(svg.elements.front().name, "svg");
        EXPECT_EQ(svg.elements.front().namespaceUri, "http://www.w3.org/2000/svg");
        EXPECT_EQ(svg.elements.front().attribute("version"), "1.1");

        EXPECT_EQ(svg.groups("lifeline world").size(), 1u);
        EXPECT_EQ(svg.groups("lifeline").size(), size_t(reader.instances.count));
        EXPECT_EQ(svg.groups("message").size(), size_t(reader.messages.count));
        EXPECT_EQ(svg.groups("return").size(), size_t(reader.messageReturns.count));
        EXPECT_EQ(svg.groups("call").size(), size_t(reader.messageCalls.count));
        EXPECT_EQ(svg.groups("loop").size(), size_t(reader.loopStarts.count));
        EXPECT_EQ(svg.groups("note").size(), size_t(reader.notes.count));
        EXPECT_EQ(svg.groups("glyph").size(), size_t(reader.glyphs.count));
        EXPECT_EQ(svg.groups("synchronisation").size(), size_t(reader.synchronisations.count));
        EXPECT_EQ(svg.groups("action").size(), size_t(reader.actions.count));
        EXPECT_EQ(svg.groups("thread-change").size(), size_t(reader.threadInfos.count));
        EXPECT_EQ(svg.groups("trigger").size(), 3u);
        EXPECT_EQ(svg.groups("cross").size(), size_t(reader.instanceDeletes.count));
        EXPECT_FALSE(svg.find("rect", "bars").empty());
        EXPECT_TRUE(svg.find("desc").front()->text.startsWith(
            QStringLiteral("Showing %1 of %1 events").arg(reader.objects.count)));
    }
    configurations->deleteConfigurations();
}

TEST_F(RenderedShapes, LinePatternsAndArrowHeadsFollowTheStyles)
{
    defineBlock();
    // Styles 4, 5, 6 and 1 given by ST; the first message and return take
    // the configuration's defaults (2 and 3).
    lines({"NI 1 1", "NI 2 2", "CI 1", "ME 10 2", "MR 10", "ST 4", "ME 11 2", "ST 5", "MR 11", "ST 6", "ME 12 2",
           "ST 1", "MR 12"});
    const SvgDocument svg = picture();
    const std::vector<const SvgElement*> drawn = arrows(svg);
    ASSERT_EQ(drawn.size(), 6u);
    struct Expected {
        const char* dashes;
        const char* head;
        int headPoints;
    };
    const Expected expected[] = {{"8,4", "head open", 3},        {"2,3", "head half", 2},
                                 {"8,3,2,3", "head plain", 3},   {"8,3,2,3,2,3", "head plain", 3},
                                 {"", "head half", 2},           {"", "head plain", 3}};
    for (size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(i);
        std::vector<const SvgElement*> shafts = svg.members(drawn[i], "line");
        ASSERT_EQ(shafts.size(), 1u);
        EXPECT_EQ(shafts[0]->attribute("stroke-dasharray"), expected[i].dashes);
        std::vector<const SvgElement*> heads = svg.members(drawn[i], "polygon");
        const std::vector<const SvgElement*> open = svg.members(drawn[i], "polyline");
        heads.insert(heads.end(), open.begin(), open.end());
        ASSERT_EQ(heads.size(), 1u);
        EXPECT_EQ(heads[0]->attribute("class"), expected[i].head);
        EXPECT_EQ(heads[0]->attribute("points").split(' ').size(), expected[i].headPoints);
    }
}

// A configuration without default styles ("hidden" sets none, so the
// reader gives every kind its first style): both pictures still tell a
// return from its message, in that style's colours, as the legend shows.
TEST_F(RenderedShapes, WithoutDefaultStylesReturnsAreDashedWithOpenHeads)
{
    defineBlock("hidden");
    lines({"NI 1 1", "NI 2 2", "CI 1", "ME 10 2", "MR 10"});
    const SvgDocument svg = picture();
    const std::vector<const SvgElement*> drawn = arrows(svg);
    ASSERT_EQ(drawn.size(), 2u);
    const std::pair<const char*, const char*> expected[] = {{"", "head plain"}, {"8,4", "head open"}};
    for (size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(i);
        const SvgElement* shaft = only(svg.members(drawn[i], "line"));
        ASSERT_NE(shaft, nullptr);
        EXPECT_EQ(shaft->attribute("stroke-dasharray"), expected[i].first);
        EXPECT_EQ(shaft->attribute("stroke"), "#000000");
        std::vector<const SvgElement*> heads = svg.members(drawn[i], "polygon");
        const std::vector<const SvgElement*> open = svg.members(drawn[i], "polyline");
        heads.insert(heads.end(), open.begin(), open.end());
        ASSERT_EQ(heads.size(), 1u);
        EXPECT_EQ(heads[0]->attribute("class"), expected[i].second);
    }

    const PageData& data = pageData();
    const std::vector<std::uint8_t> kind = data.kind();
    const std::vector<int> style = data.style();
    int returns = 0;
    for (size_t i = 0; i < kind.size(); ++i) {
        const QByteArray& look = data.styles[static_cast<size_t>(style[i])];
        if (kind[i] == TDF_MESSAGE) {
            EXPECT_TRUE(look.contains("\"dash\":[]") && look.contains("\"head\":\"plain\"")) << look.constData();
        } else if (kind[i] == TDF_MESSAGE_RETURN) {
            ++returns;
            EXPECT_TRUE(look.contains("\"dash\":[8,4]") && look.contains("\"head\":\"open\"") &&
                        look.contains("\"line\":\"#000000\""))
                << look.constData();
        }
    }
    EXPECT_EQ(returns, 1);
}

TEST_F(RenderedShapes, TextAndLineColoursFontsAndThreadColours)
{
    defineBlock();
    lines({"NI 1 1", "NI 2 2", "CI 1", "ME 10 2", "MR 10", "TI 7 1 5 \"worker\"", "CI 1", "ME 11 2"});
    const SvgDocument svg = picture();
    const std::vector<const SvgElement*> messages = svg.groups("message");
    ASSERT_EQ(messages.size(), 2u);

    const SvgElement* label = only(svg.members(messages[0], "text"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text, "get");
    EXPECT_EQ(label->attribute("fill"), "#010203");
    EXPECT_EQ(label->attribute("font-family"), "'Test Face', sans-serif");
    EXPECT_EQ(label->number("font-size"), 14);
    EXPECT_EQ(label->attribute("font-weight"), "bold");
    EXPECT_EQ(label->attribute("font-style"), "italic");
    EXPECT_EQ(label->attribute("text-decoration"), "underline");
    EXPECT_EQ(only(svg.members(messages[0], "line"))->attribute("stroke"), "#102030");

    // After the thread record the message takes its thread's colour; its text keeps the style's.
    const TDFThread* thread = reader->threads.head->value;
    EXPECT_EQ(only(svg.members(messages[1], "line"))->attribute("stroke"),
              svgColor(StylePalette::threadColor(thread->colorIndex)));
    EXPECT_EQ(only(svg.members(messages[1], "text"))->attribute("fill"), "#010203");
}

TEST_F(RenderedShapes, LifelinesRunFromCreationToDeletion)
{
    defineBlock();
    // Client exists from the start; Server is created by the message after
    // the action and deleted at the end.
    lines({"NI 1 1", "CI 1", "AC \"think\" 1", "ME 10 2", "NI 2 2", "MR 10", "DI 2"});
    const SvgDocument svg = picture();
    const std::vector<const SvgElement*> lifelines = svg.groups("lifeline");
    ASSERT_EQ(lifelines.size(), 2u);
    const SvgElement* world = only(svg.groups("lifeline world"));
    ASSERT_NE(world, nullptr);
    const double worldX = only(svg.members(world, "line"))->number("x1");

    const SvgElement* client = only(svg.members(lifelines[0], "line"));
    const SvgElement* server = only(svg.members(lifelines[1], "line"));
    EXPECT_LT(worldX, client->number("x1"));
    EXPECT_LT(client->number("x1"), server->number("x1"));
    EXPECT_EQ(only(svg.members(lifelines[0], "text"))->text, "Client");
    EXPECT_EQ(only(svg.members(lifelines[1], "text"))->text, "Server");
    // The server's line starts below the client's (it was created later) and ends at the cross.
    EXPECT_GT(server->number("y1"), client->number("y1"));
    EXPECT_LT(server->number("y2"), client->number("y2"));
    const std::vector<const SvgElement*> crosses = svg.groups("cross");
    ASSERT_EQ(crosses.size(), 1u);
    for (const SvgElement* stroke : svg.members(crosses[0], "line"))
        EXPECT_NEAR((stroke->number("y1") + stroke->number("y2")) / 2, server->number("y2"), 0.1);
}

TEST_F(RenderedShapes, MessagesToItselfLoopBackToTheLifeline)
{
    defineBlock();
    lines({"NI 3 3", "CI 3", "ME 11 3"});
    const SvgDocument svg = picture();
    const SvgElement* arrow = only(svg.groups("message"));
    ASSERT_NE(arrow, nullptr);
    const SvgElement* life = only(svg.find("line", "lifeline"));
    const SvgElement* shaft = only(svg.members(arrow, "path"));
    ASSERT_NE(shaft, nullptr);
    EXPECT_TRUE(shaft->attribute("d").startsWith("M" + life->attribute("x1") + ","));
    EXPECT_TRUE(shaft->attribute("d").endsWith("H" + life->attribute("x1")));
    // The open head points back, to the left, at the lifeline.
    const QStringList head = only(svg.members(arrow, "polyline"))->attribute("points").split(' ');
    ASSERT_EQ(head.size(), 3);
    EXPECT_EQ(head[1].section(',', 0, 0), life->attribute("x1"));
    EXPECT_GT(head[0].section(',', 0, 0).toDouble(), life->number("x1"));
}

TEST_F(RenderedShapes, ActivationBarsOnlyForNestedControlFlow)
{
    defineBlock();
    // Server is a Task (nested): a bar from "get" to its return. Disk is a Module (flat).
    lines({"NI 1 1", "NI 2 2", "NI 3 3", "CI 1", "ME 10 2", "MR 10", "CI 1", "ME 11 3", "MR 11"});
    const Diagram diagram = layout();
    const SvgDocument svg(svgDocument(diagram));
    const std::vector<const SvgElement*> bars = svg.find("rect", "bars");
    const std::vector<const SvgElement*> drawn = arrows(svg);
    const double serverX = diagram.lifelines[2].x;
    const double diskX = diagram.lifelines[3].x;
    ASSERT_EQ(drawn.size(), 4u);
    // Client gains a bar at the first return and keeps it; Server has exactly one; Disk none.
    int serverBars = 0;
    for (const SvgElement* bar : bars) {
        const double centre = bar->number("x") + bar->number("width") / 2;
        EXPECT_NE(centre, diskX);
        if (centre == serverX) {
            ++serverBars;
            EXPECT_EQ(bar->number("y"), only(svg.members(drawn[0], "line"))->number("y1"));
            EXPECT_EQ(bar->number("y") + bar->number("height"), only(svg.members(drawn[1], "line"))->number("y1"));
        }
    }
    EXPECT_EQ(serverBars, 1);
    // Arrows stop at the edge of a bar, but reach a bare lifeline.
    EXPECT_LT(only(svg.members(drawn[0], "line"))->number("x2"), serverX);
    EXPECT_EQ(only(svg.members(drawn[2], "line"))->number("x2"), diskX);
}

TEST_F(RenderedShapes, TheMessageThatCreatesAnInstanceOpensItsFirstBar)
{
    defineBlock();
    lines({"NI 1 1", "CI 1", "AC \"think\" 1", "ME 10 2", "NI 2 2", "MR 10"});
    const Diagram diagram = layout();
    ASSERT_EQ(diagram.arrows.size(), 2u);
    const Lifeline& server = diagram.lifelines[2];
    ASSERT_EQ(server.title.text, "Server");
    std::vector<std::pair<double, double>> serverBars;
    for (const ActivationBar& bar : diagram.bars) {
        if (bar.x == server.x)
            serverBars.emplace_back(bar.top, bar.bottom);
    }
    const std::vector<std::pair<double, double>> expected = {{diagram.arrows[0].y, diagram.arrows[1].y}};
    EXPECT_EQ(serverBars, expected);
}

// Frames stay right of the time axis, also around messages from a hidden
// world actor, and each level of nesting keeps an edge of its own.
TEST_F(RenderedShapes, NestedFramesKeepApartAndClearOfTheAxis)
{
    defineBlock("hidden");
    lines({"NI 1 1", "NI 2 2", "CI 1", "LS 2", "LS 2", "LS 2", "LS 2", "LS 2", "LS 2", "LS 2", "LS 2", "ME 10 2",
           "MR 10", "CI 0", "ME 10 2", "LE", "LE", "LE", "LE", "LE", "LE", "LE", "LE"});
    const Diagram diagram = layout();
    ASSERT_EQ(diagram.loops.size(), 8u);
    for (size_t k = 0; k < diagram.loops.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_GT(diagram.loops[k].left, geometry::axisX);
        if (k > 0) {
            EXPECT_GT(diagram.loops[k].left, diagram.loops[k - 1].left);
            EXPECT_LT(diagram.loops[k].right, diagram.loops[k - 1].right);
        }
    }
}

TEST_F(RenderedShapes, FramesNotesSynchronisationsActionsAndGlyphs)
{
    defineBlock();
    lines({"NI 1 1", "NI 2 2", "LS 3", "CI 1", "NO \"remember\"", "ME 10 2", "AC 20 2", "MR 10", "LE",
           "SY \"meet\" 1 2", "GL 1 \"odd\"", "CI 2", "LS 2"});
    const SvgDocument svg = picture();

    const std::vector<const SvgElement*> loops = svg.groups("loop");
    ASSERT_EQ(loops.size(), 2u);
    EXPECT_EQ(svg.members(loops[0], "line").size(), 1u) << "a closed loop has its end line";
    EXPECT_TRUE(svg.members(loops[1], "line").empty()) << "an unclosed loop stays open";
    EXPECT_EQ(svg.texts("loop-label"), (std::vector<QString>{"loop 1", "loop 2"}));

    const SvgElement* note = only(svg.groups("note"));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(only(svg.members(note, "text"))->text, "remember");
    EXPECT_EQ(svg.members(note, "path").size(), 2u);  // the sheet and its folded corner
    EXPECT_EQ(svg.members(note, "line").size(), 1u);  // the link to the message

    EXPECT_EQ(svg.texts("action"), std::vector<QString>{"busy"});

    const SvgElement* meeting = only(svg.groups("synchronisation"));
    ASSERT_NE(meeting, nullptr);
    const std::vector<const SvgElement*> members = svg.members(meeting, "circle");
    ASSERT_EQ(members.size(), 2u);
    const SvgElement* line = only(svg.members(meeting, "line"));
    for (const SvgElement* member : members) {
        EXPECT_LT(line->number("x1"), member->number("cx"));
        EXPECT_GT(line->number("x2"), member->number("cx"));
    }

    const SvgElement* glyph = only(svg.groups("glyph"));
    ASSERT_NE(glyph, nullptr);
    EXPECT_EQ(only(svg.members(glyph, "text"))->text, "odd");
    EXPECT_EQ(glyph->tooltip, "unexpected call: odd");
}

TEST_F(RenderedShapes, LongLabelsAreShortenedAndKeepTheirTextAsTooltip)
{
    defineBlock();
    const QString longName = QStringLiteral("request number %1 ").repeated(12).arg(7);
    const QByteArray message = "ME 10 2 \"" + longName.toUtf8() + "\"";
    lines({"NI 1 1", "NI 2 2", "CI 1", "LK \"src/client.c:42\"", message.constData()});
    const SvgDocument svg = picture();
    const SvgElement* arrow = only(svg.groups("message"));
    ASSERT_NE(arrow, nullptr);
    const QString shown = only(svg.members(arrow, "text"))->text;
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LT(shown.size(), longName.size());
    EXPECT_TRUE(longName.startsWith(shown.chopped(1)));
    EXPECT_EQ(arrow->tooltip, longName + "\nsrc/client.c:42");
}

TEST_F(RenderedShapes, TraceTextIsEscapedAndMadeFitForXml)
{
    defineBlock();
    lines({"NI 1 1 \"a<b & \\\"c\\\" 'd'>\"", "NI 2 2 \"bell\x07here\"", "CI 1", "ME 10 2"});
    const Diagram diagram = layout();
    const QByteArray data = svgDocument(diagram);
    EXPECT_TRUE(data.contains("a&lt;b &amp;"));
    const SvgDocument svg(data);
    ASSERT_EQ(svg.error, QString());
    const std::vector<QString> titles = svg.texts("lifeline");
    EXPECT_EQ(titles, (std::vector<QString>{"a<b & \"c\" 'd'>", QStringLiteral("bell\uFFFDhere")}));

    // The HTML page carries the same titles in its data, as JSON that no
    // text can end early.
    const QByteArray page = pageBytes(pageData());
    EXPECT_TRUE(page.contains(R"("a\u003cb & \"c\" 'd'>")")) << "escaped for JSON in a script element";
    EXPECT_TRUE(page.contains(QStringLiteral("\"bell\uFFFDhere\"").toUtf8()));
}

TEST_F(RenderedShapes, HiddenWorldActorLeavesMessagesAtTheEdge)
{
    defineBlock("hidden");
    // No current instance: the first message comes from the world actor.
    lines({"NI 1 1", "CI 0", "ME 10 1", "MR 10"});
    const SvgDocument svg = picture();
    EXPECT_TRUE(svg.groups("lifeline world").empty());
    EXPECT_EQ(svg.groups("lifeline").size(), 1u);
    const std::vector<const SvgElement*> drawn = arrows(svg);
    ASSERT_EQ(drawn.size(), 2u);
    for (const SvgElement* arrow : drawn)
        EXPECT_EQ(svg.members(arrow, "circle").size(), 1u) << "a dot where the world actor would be";
}

}
