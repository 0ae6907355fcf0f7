#include <qares.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

TEST(QARes, SearchFollowsTheChainFromThisNode)
{
    std::unique_ptr<QARes> first(new QAResInt("a", 1));
    first->addSibling(new QAResString("b", "x"))->addSibling(new QAResInt("a", 2));

    QARes* found = first->search("a", '.');
    EXPECT_EQ(found, first.get());
    QARes* again = found->next()->search("a", '.');
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->toResInt()->value(), 2);
    EXPECT_EQ(again->next(), nullptr);
    EXPECT_EQ(first->search("c", '.'), nullptr);
}

TEST(QARes, EmptyGroupHasNoMemberToFind)
{
    QAResGroup group("g", nullptr);
    EXPECT_EQ(group.firstChild(), nullptr);
    EXPECT_TRUE(group.isTag("g"));
    EXPECT_FALSE(group.isTag("G"));
    EXPECT_FALSE(group.isTag("gg"));
}

TEST(QARes, CastsAnswerOnlyForTheirOwnKind)
{
    RGBValue red(255, 0, 0);
    std::unique_ptr<QARes> nodes[] = {
        std::make_unique<QAResGroup>("g", nullptr), std::make_unique<QAResList>("l", nullptr),
        std::make_unique<QAResInt>("i", 4),         std::make_unique<QAResString>("s", "text"),
        std::make_unique<QAResIdentifier>("d", "FLAT"), std::make_unique<QAResBoolean>("b", true),
        std::make_unique<QAResRGB>("c", red)};
    for (const auto& node : nodes) {
        int casts = (node->toResGroup() != nullptr) + (node->toResList() != nullptr) +
                    (node->toResInt() != nullptr) + (node->toResString() != nullptr) +
                    (node->toResIdentifier() != nullptr) + (node->toResBoolean() != nullptr) +
                    (node->toResRGB() != nullptr);
        EXPECT_EQ(casts, 1) << node->tag();
    }
    EXPECT_EQ(nodes[3]->type(), 6);
    EXPECT_EQ(nodes[4]->type(), 8);
    EXPECT_EQ(nodes[2]->toResInt()->value(), 4);
    EXPECT_EQ(nodes[3]->toResString()->value(), "text");
    EXPECT_STREQ(nodes[4]->toResIdentifier()->value(), "FLAT");
    EXPECT_TRUE(nodes[5]->toResBoolean()->value());
    EXPECT_EQ(nodes[6]->toResRGB()->value(), red);
}

TEST(QARes, ListItemsHaveNoTagAndIsListOfChecksEveryItem)
{
    QAResList list("names", new QAResIdentifier(nullptr, "A"));
    EXPECT_TRUE(list.isListOf(QARes::TYPE_IDENTIFIER));
    list.addItems(new QAResIdentifier(nullptr, "B"));
    EXPECT_TRUE(list.isListOf(QARes::TYPE_IDENTIFIER));
    list.addItems(new QAResString(nullptr, "C"));
    EXPECT_FALSE(list.isListOf(QARes::TYPE_IDENTIFIER));
    EXPECT_EQ(list.firstChild()->tag(), nullptr);
    EXPECT_FALSE(list.firstChild()->isTag(""));
    EXPECT_STREQ(list.firstChild()->next()->toResIdentifier()->value(), "B");
}

TEST(QARes, AddSiblingInsertsAWholeChainAfterTheNode)
{
    std::unique_ptr<QARes> first(new QAResInt("a", 1));
    first->addSibling(new QAResInt("d", 4));
    QARes* chain = new QAResInt("b", 2);
    chain->addSibling(new QAResInt("c", 3));
    first->addSibling(chain);
    const char* expected[] = {"a", "b", "c", "d"};
    QARes* node = first.get();
    for (const char* tag : expected) {
        ASSERT_NE(node, nullptr);
        EXPECT_STREQ(node->tag(), tag);
        node = node->next();
    }
    EXPECT_EQ(node, nullptr);
}

TEST(QARes, SourcePositionIsKeptAsGiven)
{
    QAResInt node("a", 1);
    EXPECT_EQ(node.srcFileName(), nullptr);
    node.setSource("conf.res", 12, 5);
    EXPECT_STREQ(node.srcFileName(), "conf.res");
    EXPECT_EQ(node.line(), 12);
    EXPECT_EQ(node.column(), 5);
}

TEST(QARes, LongChainsAreFreedWithoutDeepRecursion)
{
    std::unique_ptr<QAResList> list(new QAResList("l", nullptr));
    QARes* last = nullptr;
    for (int i = 0; i < 1000000; ++i) {
        QARes* item = new QAResInt(nullptr, i);
        if (last)
            last->addSibling(item);
        else
            list->addItems(item);
        last = item;
    }
    EXPECT_EQ(last->toResInt()->value(), 999999);
}

TEST(RGBValue, StreamFormHasNoBlanks)
{
    std::ostringstream out;
    out << RGBValue(1, 22, 255) << RGBValue();
    EXPECT_EQ(out.str(), "rgb(1,22,255)rgb(0,0,0)");
}

}
