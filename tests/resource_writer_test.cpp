#include <resource_reader.h>
#include <resource_writer.h>

#include "error_recorder.h"
#include "resource_compare.h"

#include <qares.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

std::string written(const QARes* first, bool expectFaithful = true)
{
    std::ostringstream out;
    EXPECT_EQ(writeResources(out, first), expectFaithful);
    return out.str();
}

TEST(ResourceWriter, WritesOneEntryPerLineWithIndentedGroups)
{
    QARes* members = new QAResInt("size", -3);
    members->addSibling(new QAResGroup("empty", nullptr))
        ->addSibling(new QAResList("fonts", new QAResIdentifier(nullptr, "BOLD")))
        ->toResList()
        ->addItems(new QAResString(nullptr, "quote\" slash\\ tab\t line\n"));
    std::unique_ptr<QARes> first(new QAResGroup("style", members));
    first->addSibling(new QAResRGB("color", RGBValue(1, 2, 3)))
        ->addSibling(new QAResBoolean("shown", false))
        ->addSibling(new QAResList("none", nullptr));

    EXPECT_EQ(written(first.get()), "style = {\n"
                                    "    size = -3\n"
                                    "    empty = { }\n"
                                    "    fonts = [ BOLD, \"quote\\\" slash\\\\ tab\\t line\\n\" ]\n"
                                    "}\n"
                                    "color = rgb(1, 2, 3)\n"
                                    "shown = false\n"
                                    "none = []\n");
}

TEST(ResourceWriter, ListsOfGroupsPutOneItemOnEachLine)
{
    QARes* items = new QAResGroup(nullptr, new QAResInt("a", 1));
    items->addSibling(new QAResList(nullptr, new QAResInt(nullptr, 2)));
    std::unique_ptr<QARes> first(new QAResList("l", items));
    EXPECT_EQ(written(first.get()), "l = [\n"
                                    "    {\n"
                                    "        a = 1\n"
                                    "    },\n"
                                    "    [ 2 ],\n"
                                    "]\n");
}

TEST(ResourceWriter, ReadWriteReadGivesTheSameTree)
{
    ErrorRecorder recorder;
    const char* text = "# every kind, nested\n"
                       "tcf = {\n"
                       "  name = \"caf\xc3\xa9 \\\"quoted\\\" \\\\ end\"  id_length = -0x10\n"
                       "  style = { text = { color = rgb(255, 0, 7) style = [BOLD, ITALIC,] } }\n"
                       "  naming = [ [ X, 1 ], { a = true b = false }, \"tab\\there\", rgb ]\n"
                       "  empty = {} none = [ ]\n"
                       "}\n"
                       "other = NESTED\n";
    bool ok = false;
    std::unique_ptr<QARes> original(readResourceText(text, "a.res", &ok));
    ASSERT_TRUE(ok);
    std::string once = written(original.get());
    std::unique_ptr<QARes> again(readResourceText(QByteArray::fromStdString(once), "b.res", &ok));
    ASSERT_TRUE(ok) << once;
    EXPECT_TRUE(sameResources(original.get(), again.get())) << once;
    EXPECT_EQ(written(again.get()), once);
    EXPECT_TRUE(recorder.reports().empty());
}

TEST(ResourceWriter, NodesTheSyntaxCannotHoldAreFlagged)
{
    std::unique_ptr<QARes> nullIdentifier(new QAResIdentifier("style", nullptr));
    EXPECT_EQ(written(nullIdentifier.get(), false), "style = \n");
    std::unique_ptr<QARes> spacedIdentifier(new QAResIdentifier("a", "two words"));
    written(spacedIdentifier.get(), false);
    std::unique_ptr<QARes> keywordIdentifier(new QAResIdentifier("a", "true"));
    written(keywordIdentifier.get(), false);
    std::unique_ptr<QARes> untaggedEntry(new QAResInt(nullptr, 1));
    written(untaggedEntry.get(), false);
    std::unique_ptr<QARes> badTag(new QAResInt("9lives", 1));
    written(badTag.get(), false);
    std::unique_ptr<QARes> taggedItem(new QAResList("l", new QAResInt("x", 1)));
    written(taggedItem.get(), false);
}

TEST(SameResources, ComparesTagsKindsValuesAndShape)
{
    std::unique_ptr<QARes> a(new QAResInt("a", 1));
    std::unique_ptr<QARes> same(new QAResInt("a", 1));
    std::unique_ptr<QARes> otherValue(new QAResInt("a", 2));
    std::unique_ptr<QARes> otherTag(new QAResInt("b", 1));
    std::unique_ptr<QARes> otherKind(new QAResString("a", "1"));
    std::unique_ptr<QARes> longer(new QAResInt("a", 1));
    longer->addSibling(new QAResInt("a", 1));
    EXPECT_TRUE(sameResources(a.get(), same.get()));
    EXPECT_FALSE(sameResources(a.get(), otherValue.get()));
    EXPECT_FALSE(sameResources(a.get(), otherTag.get()));
    EXPECT_FALSE(sameResources(a.get(), otherKind.get()));
    EXPECT_FALSE(sameResources(a.get(), longer.get()));
    EXPECT_FALSE(sameResources(longer.get(), a.get()));
    EXPECT_TRUE(sameResources(nullptr, nullptr));
}

}
