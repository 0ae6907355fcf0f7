// Columns in the picture: a deleted instance's column goes to the next
// instance, with a title box of its own where it starts, and same-named
// instances side by side show their dynamic ids.

#include "render_fixture.h"

#include <geometry.h>
#include <svg_writer.h>

#include <QChar>

#include <set>
#include <string>
#include <vector>

namespace {

using RenderColumns = RenderTest;

std::vector<QString> titleTexts(const Diagram& diagram)
{
    std::vector<QString> texts;
    for (const Lifeline& line : diagram.lifelines)
        texts.push_back(line.title.text);
    return texts;
}

TEST_F(RenderColumns, ADeletedInstancesColumnGoesToTheNextInstance)
{
    defineBlock();
    lines({"NI 1 1", "NI 2 2", "CI 1", "ME 10 2", "MR 10", "DI 2", "NI 3 3", "CI 1", "ME 11 3"});
    const Diagram diagram = layout();
    ASSERT_EQ(titleTexts(diagram), (std::vector<QString>{"World", "Client", "Server", "Disk"}));
    const Lifeline& server = diagram.lifelines[2];
    const Lifeline& disk = diagram.lifelines[3];
    EXPECT_EQ(disk.x, server.x);
    // Server's line ends at its cross, above the title box Disk gets where it is created.
    ASSERT_NE(server.crossStyle, nullptr);
    EXPECT_LT(server.lineBottom + geometry::crossHalfSize, disk.titleY - geometry::titleHeight / 2);
    EXPECT_EQ(disk.lineTop, disk.titleY + geometry::titleHeight / 2);
    EXPECT_EQ(disk.crossStyle, nullptr);
    ASSERT_EQ(diagram.arrows.size(), 3u);
    EXPECT_EQ(diagram.arrows[2].toX, disk.x);

    // Three columns, not four: the picture is one column narrower.
    const SvgDocument svg(svgDocument(diagram));
    std::set<QString> columns;
    for (const SvgElement* life : svg.find("line", "lifeline"))
        columns.insert(life->attribute("x1"));
    EXPECT_EQ(svg.groups("lifeline").size(), 3u);
    EXPECT_EQ(columns.size(), 2u);
    EXPECT_EQ(svg.groups("cross").size(), 1u);
}

TEST_F(RenderColumns, AColumnStaysTakenWhileEventsStillShowOnItsInstance)
{
    defineBlock();
    // Server is deleted before it returns; Disk, created in between, must
    // not take its column; Cache, created after the return, does.
    lines({"NI 1 1", "NI 2 2", "CI 1", "ME 10 2", "DI 2", "NI 3 3 \"Disk\"", "MR 10", "NI 3 4 \"Cache\""});
    const Diagram diagram = layout();
    ASSERT_EQ(titleTexts(diagram), (std::vector<QString>{"World", "Client", "Server", "Cache", "Disk"}));
    const Lifeline& server = diagram.lifelines[2];
    ASSERT_EQ(diagram.arrows.size(), 2u);
    EXPECT_EQ(diagram.arrows[1].fromX, server.x);
    EXPECT_EQ(diagram.lifelines[3].x, server.x);
    EXPECT_GT(diagram.lifelines[4].x, server.x);
    EXPECT_GT(diagram.lifelines[3].titleY, diagram.arrows[1].y);
}

TEST_F(RenderColumns, SameNamedNeighboursShowTheirIds)
{
    defineBlock();
    lines({"NI 1 5 \"worker\"", "NI 1 6 \"worker\"", "NI 3 7 \"a\"", "NI 3 8 \"b\"", "NI 1 9 \"worker\""});
    Diagram diagram = layout();
    // Columns 1 and 2 are neighbours; column 5 is not next to either.
    EXPECT_EQ(titleTexts(diagram), (std::vector<QString>{"World", "worker [5]", "worker [6]", "a", "b", "worker"}));
    // The tooltip always names the id.
    EXPECT_TRUE(diagram.lifelines[5].title.tooltip.startsWith("worker [9]"));
    EXPECT_TRUE(diagram.lifelines[3].title.tooltip.startsWith("a [7]"));

    // An "a" after "a" in the same column, a "worker" in column 4 next to column 5.
    lines({"DI 7", "NI 3 11 \"a\"", "DI 8", "NI 1 10 \"worker\""});
    diagram = layout();
    EXPECT_EQ(titleTexts(diagram), (std::vector<QString>{"World", "worker [5]", "worker [6]", "a [7]", "a [11]", "b",
                                                         "worker [10]", "worker [9]"}));
}

TEST_F(RenderColumns, ShorteningKeepsTheId)
{
    defineBlock();
    const QByteArray name = QByteArray("a rather long instance name").repeated(3);
    const QByteArray first = "NI 1 41 \"" + name + "\"";
    const QByteArray second = "NI 1 42 \"" + name + "\"";
    lines({first.constData(), second.constData()});
    const Diagram diagram = layout();
    ASSERT_EQ(diagram.lifelines.size(), 3u);
    for (const char* id : {"41", "42"}) {
        const Lifeline& line = diagram.lifelines[id == std::string("41") ? 1 : 2];
        EXPECT_TRUE(line.title.text.endsWith(QChar(0x2026) + QStringLiteral(" [%1]").arg(id)))
            << line.title.text.toStdString();
        EXPECT_EQ(line.title.tooltip, QString::fromUtf8(name) + QStringLiteral(" [%1]").arg(id));
    }
}

TEST_F(RenderColumns, WithoutTheWorldActorInstancesStartAtTheFirstColumn)
{
    defineBlock("hidden");
    lines({"NI 1 1 \"Client\"", "NI 2 2 \"Server\"", "DI 2", "NI 3 3 \"Disk\""});
    const Diagram diagram = layout();
    ASSERT_EQ(titleTexts(diagram), (std::vector<QString>{"Client", "Server", "Disk"}));
    EXPECT_EQ(diagram.lifelines[0].x, geometry::firstColumnX);
    EXPECT_EQ(diagram.lifelines[2].x, diagram.lifelines[1].x);
}

}
