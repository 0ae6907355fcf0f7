#include "render_fixture.h"

#include <svg_writer.h>

#include <string>

namespace {

using RenderRobustness = RenderTest;

class RenderWindow : public RenderTest {
protected:
    // Client sends "get" to Server at times 100, 110, ... and Server
    // returns 5 later each time.
    void exchange(int count)
    {
        lines({"NI 1 1", "NI 2 2"});
        for (int i = 0; i < count; ++i) {
            const std::string time = "TM " + std::to_string(100 + 10 * i);
            const std::string back = "TM " + std::to_string(105 + 10 * i);
            lines({time.c_str(), "CI 1", "ME 10 2", back.c_str(), "MR 10"});
        }
    }
};

TEST_F(RenderWindow, EveryEventIsDrawnWithinTheLimit)
{
    defineBlock();
    exchange(5);
    const Diagram diagram = layout();
    EXPECT_EQ(diagram.totalEvents, reader->objects.count);
    EXPECT_EQ(diagram.shownEvents, diagram.totalEvents);
    EXPECT_TRUE(diagram.cutNotice.isEmpty());
    EXPECT_EQ(diagram.arrows.size(), 10u);
}

TEST_F(RenderWindow, TheEventLimitCutsAndThePictureSaysSo)
{
    defineBlock();
    exchange(5);
    RenderOptions options;
    options.maxEvents = 5;
    const SvgDocument svg = picture(options);
    const QString summary = svg.find("desc").front()->text;
    EXPECT_TRUE(summary.startsWith(QStringLiteral("Showing 5 of %1 events").arg(reader->objects.count)))
        << summary.toStdString();
    // The two instances, then the first three arrows.
    EXPECT_EQ(svg.groups("message").size() + svg.groups("return").size(), 3u);
    const std::vector<QString> caption = svg.texts("caption");
    ASSERT_EQ(caption.size(), 3u);
    EXPECT_TRUE(caption[2].contains("--max-events")) << caption[2].toStdString();
}

TEST_F(RenderWindow, FromAndToChooseATimeWindow)
{
    defineBlock();
    exchange(5);
    RenderOptions options;
    options.from = 120;
    options.to = 135;
    const Diagram diagram = layout(options);
    // 120 get, 125 return, 130 get, 135 return.
    EXPECT_EQ(diagram.shownEvents, 4);
    EXPECT_EQ(diagram.arrows.size(), 4u);
    std::vector<QString> times;
    for (const TimeLabel& label : diagram.times)
        times.push_back(label.label.text);
    EXPECT_EQ(times, (std::vector<QString>{"120", "125", "130", "135"}));
    EXPECT_TRUE(diagram.summary.contains("4 events lie in the chosen time window"));

    options.from = 1000;
    options.to.reset();
    const SvgDocument empty = picture(options);
    EXPECT_EQ(empty.groups("message").size(), 0u);
    EXPECT_TRUE(empty.find("desc").front()->text.startsWith("Showing 0 of"));
}

TEST_F(RenderWindow, SpansCutByTheWindowStayOpen)
{
    defineBlock();
    // The loop and Server's bar open before the window and close inside it.
    lines({"NI 1 1", "NI 2 2", "TM 10", "LS 2", "CI 1", "ME 10 2", "TM 20", "AC 20 2", "TM 30", "MR 10", "LE"});
    RenderOptions options;
    options.from = 20;
    const Diagram diagram = layout(options);
    ASSERT_EQ(diagram.loops.size(), 1u);
    EXPECT_TRUE(diagram.loops[0].openTop);
    EXPECT_FALSE(diagram.loops[0].openBottom);
    ASSERT_EQ(diagram.arrows.size(), 1u);
    const Lifeline& server = diagram.lifelines[2];
    ASSERT_EQ(server.title.text, "Server");
    int serverBars = 0;
    for (const ActivationBar& bar : diagram.bars) {
        if (bar.x != server.x)
            continue;
        ++serverBars;
        EXPECT_EQ(bar.top, server.lineTop);
        EXPECT_EQ(bar.bottom, diagram.arrows[0].y);
    }
    EXPECT_EQ(serverBars, 1);
}

TEST_F(RenderWindow, LoopsOpenAtTheTopHangTheirTabsOneBelowTheOther)
{
    defineBlock();
    lines({"NI 1 1", "NI 2 2", "TM 10", "LS 2", "LS 3", "CI 1", "ME 10 2", "TM 20", "MR 10", "LE", "LE"});
    RenderOptions options;
    options.from = 20;
    const Diagram diagram = layout(options);
    ASSERT_EQ(diagram.loops.size(), 2u);
    EXPECT_TRUE(diagram.loops[0].openTop && diagram.loops[1].openTop);
    EXPECT_EQ(diagram.loops[0].top, diagram.loops[1].top);

    // The tabs as drawn: "M left,top H right V ... L x,bottom H left Z".
    const SvgDocument svg(svgDocument(diagram));
    const std::vector<const SvgElement*> tabs = svg.find("path", "loop-label");
    ASSERT_EQ(tabs.size(), 2u);
    std::vector<std::pair<double, double>> spans;
    for (const SvgElement* tab : tabs) {
        const QStringList points = tab->attribute("d").split(' ');
        ASSERT_EQ(points.size(), 6);
        spans.emplace_back(points[0].section(',', 1, 1).toDouble(), points[3].section(',', 1, 1).toDouble());
    }
    EXPECT_EQ(spans[0].first, diagram.loops[0].top);
    EXPECT_LE(spans[0].second, spans[1].first) << "the second tab lies on the first";
    const std::vector<const SvgElement*> names = svg.find("text", "loop-label");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_LT(names[0]->number("y"), names[1]->number("y"));
}

TEST_F(RenderRobustness, TimesGoingBackKeepTheTraceOrder)
{
    defineBlock();
    lines({"NI 1 1", "NI 2 2", "TM 500", "CI 1", "ME 10 2", "TM 100", "MR 10"});
    const Diagram diagram = layout();
    ASSERT_EQ(diagram.arrows.size(), 2u);
    EXPECT_LT(diagram.arrows[0].y, diagram.arrows[1].y);
    ASSERT_GE(diagram.times.size(), 2u);
    EXPECT_EQ(diagram.times.back().label.text, "100");
}

TEST_F(RenderRobustness, MessagesWithoutReceiverGoToTheWorldActor)
{
    defineBlock();
    lines({"NI 1 1", "CI 1", "ME 10 0", "MR 10"});
    const Diagram diagram = layout();
    ASSERT_TRUE(diagram.lifelines.front().world);
    ASSERT_EQ(diagram.arrows.size(), 2u);
    EXPECT_EQ(diagram.arrows[0].toX, diagram.lifelines.front().x);
    EXPECT_EQ(diagram.arrows[1].fromX, diagram.lifelines.front().x);
}

TEST_F(RenderRobustness, InstancesDeletedBeforeTheWindow)
{
    defineBlock();
    // Server is gone before the window; the late return still points at it.
    lines({"NI 1 1", "NI 2 2", "TM 10", "CI 2", "ME 10 1", "TM 20", "DI 2", "TM 30", "MR 10"});
    RenderOptions options;
    options.from = 30;
    const Diagram diagram = layout(options);
    ASSERT_EQ(diagram.arrows.size(), 1u);
    const Lifeline& server = diagram.lifelines[2];
    ASSERT_EQ(server.title.text, "Server");
    EXPECT_NE(server.crossStyle, nullptr);
    EXPECT_EQ(server.lineBottom, server.lineTop);
}

TEST_F(RenderRobustness, ATraceWithoutConfigurationOrEvents)
{
    // Triggers need no definition block: the built-in style draws them.
    lines({"ET", "GA", "GS"});
    const SvgDocument triggers = picture();
    EXPECT_EQ(triggers.groups("trigger").size(), 3u);
    EXPECT_EQ(triggers.groups("lifeline world").size(), 1u);

    reader->reset(false);
    const SvgDocument empty = picture();
    EXPECT_TRUE(empty.find("desc").front()->text.startsWith("Showing 0 of 0 events"));
}

}
