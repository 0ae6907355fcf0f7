#include <style.h>
#include <tcf.h>
#include <tdf_db.h>

#include "qstring_print.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

TEST(TDFDBstatementType, NamesOfStaticKinds)
{
    EXPECT_STREQ(TDFDBstatementTypeString(TDFDB_MESSAGE), "message");
    EXPECT_STREQ(TDFDBstatementTypeString(TDFDB_INSTANCE), "instance");
    EXPECT_STREQ(TDFDBstatementTypeString(TDFDB_TEXT), "text");
    EXPECT_EQ(TDFDBstatementTypeString(TDFDBObjectType(100)), nullptr);
    EXPECT_EQ(TDFDBstatementTypeString(TDFDBObjectType(104)), nullptr);
}

TEST(TDFDefinitionBlock, IdWordsExistOnlyWithAConfiguration)
{
    TDFDefinitionBlock block;
    EXPECT_EQ(block.type, TDF_DEFINITION_BLOCK);
    EXPECT_TRUE(block.valid);
    EXPECT_FALSE(block.hasId);
    block.setId(0, 5);
    EXPECT_EQ(block.id(0), 0u);
    unsigned long long none[] = {0};
    EXPECT_FALSE(block.cmpId(none, 0));

    TCF tcf("cfg", 2);
    block.setTCF(&tcf);
    block.setId(0, 7);
    block.setId(1, 8);
    block.setId(2, 9);
    block.setId(-1, 9);
    EXPECT_EQ(block.id(0), 7u);
    EXPECT_EQ(block.id(1), 8u);
    EXPECT_EQ(block.id(2), 0u);
    EXPECT_EQ(block.id(-1), 0u);

    unsigned long long same[] = {7, 8, 9};
    unsigned long long other[] = {7, 9};
    EXPECT_TRUE(block.cmpId(same, 2));
    EXPECT_FALSE(block.cmpId(same, 1));
    EXPECT_FALSE(block.cmpId(same, 3));
    EXPECT_FALSE(block.cmpId(other, 2));

    TCF shorter("short", 0);
    block.setTCF(&shorter);
    EXPECT_TRUE(block.cmpId(same, 0));
    EXPECT_EQ(block.id(0), 0u);
    block.setTCF(nullptr);
    EXPECT_EQ(block.ids, nullptr);
}

TEST(TDFDefinitionBlock, LookupsPreferInstancesThenMessagesThenTexts)
{
    TDFDefinitionBlock block;
    auto* text = new TDFDBText(1, "text one");
    auto* message = new TDFDBMessage(1, "message one");
    auto* instance = new TDFDBInstance(1, nullptr, "instance one");
    auto* laterText = new TDFDBText(1, "second text one");
    block.addText(text);
    block.addText(laterText);
    block.addMessage(message);
    block.addMessage(message);
    EXPECT_EQ(block.messages.count, 1);
    EXPECT_EQ(block.getObjectFromId(1), message);
    block.addInstance(instance);
    EXPECT_EQ(block.getObjectFromId(1), instance);
    EXPECT_EQ(block.getTextFromId(1), text);
    EXPECT_EQ(block.getMessageFromId(1), message);
    EXPECT_EQ(block.getInstanceFromId(1), instance);
    EXPECT_EQ(block.getObjectFromId(2), nullptr);
    EXPECT_EQ(block.texts.count, 2);
    EXPECT_EQ(text->definitionBlock, &block);
    EXPECT_EQ(message->definitionBlock, &block);
    EXPECT_EQ(instance->definitionBlock, &block);

    TDFDefinitionBlock empty;
    EXPECT_EQ(empty.getObjectFromId(1), nullptr);
}

TEST(TDFDefinitionBlockList, SearchFindsTheBlockNearestTheHead)
{
    TCF tcf("cfg", 1);
    TDFDefinitionBlock first, second, other;
    for (TDFDefinitionBlock* block : {&first, &second, &other})
        block->setTCF(&tcf);
    first.setId(0, 4);
    second.setId(0, 4);
    other.setId(0, 5);
    TDFDefinitionBlockList list;
    unsigned long long four[] = {4};
    EXPECT_EQ(list.search(four, 1), nullptr);
    // Finished blocks go to the head, so the latest one is found.
    list.prepend(&first);
    list.prepend(&other);
    list.prepend(&second);
    EXPECT_EQ(list.search(four, 1), &second);
    unsigned long long five[] = {5, 0};
    EXPECT_EQ(list.search(five, 1), &other);
    // Another length is another identification.
    EXPECT_EQ(list.search(five, 2), nullptr);
}

// A block whose source is given, with one static object in it.
class SourceLinkTest : public testing::Test {
protected:
    SourceLinkTest()
    {
        block.source = new TDFDBSource;
        object = new TDFDBText(1, "t");
        block.addText(object);
    }

    void setSource(const QString& file, TDFDBSource::Type type) { block.source->init(file, 20240101, type); }

    TDFDefinitionBlock block;
    TDFDBText* object;
};

TEST_F(SourceLinkTest, TextSourceUsesTheLineElseTheLinkText)
{
    setSource("main.c", TDFDBSource::SOURCE_TXT);
    object->sourceLine = 42;
    object->sourceLinkText = "ignored";
    EXPECT_EQ(object->sourceLink(), "main.c:42");
    EXPECT_EQ(object->cachedLink, "main.c:42");

    auto* byText = new TDFDBText(2, "u");
    block.addText(byText);
    EXPECT_TRUE(byText->sourceLink().isNull());
    EXPECT_TRUE(byText->cachedLink.isNull());
    byText->setSourceLinkText("#f");
    EXPECT_EQ(byText->sourceLink(), "main.c#f");
}

TEST_F(SourceLinkTest, TextSourceWithoutFileGivesTheLineAlone)
{
    setSource(QString(), TDFDBSource::SOURCE_TXT);
    object->sourceLine = 7;
    EXPECT_EQ(object->sourceLink(), ":7");
}

TEST_F(SourceLinkTest, XrdSourceJoinsFileAndLinkText)
{
    setSource("model.xrd", TDFDBSource::SOURCE_XRD);
    object->setSourceLinkText("id42");
    EXPECT_EQ(object->sourceLink(), "xrd#model.xrd#id42");

    auto* bare = new TDFDBText(2, "u");
    block.addText(bare);
    block.source->file = QString();
    EXPECT_EQ(bare->sourceLink(), "xrd##");
}

TEST_F(SourceLinkTest, LinkIsCachedEvenWhenTheSourceChanges)
{
    setSource("a.c", TDFDBSource::SOURCE_TXT);
    object->sourceLine = 1;
    EXPECT_EQ(object->sourceLink(), "a.c:1");
    setSource("b.xrd", TDFDBSource::SOURCE_XRD);
    EXPECT_EQ(object->sourceLink(), "a.c:1");
}

TEST_F(SourceLinkTest, NoLinkWithoutSourceOrBlockOrKnownType)
{
    setSource("a.c", TDFDBSource::Type(5));
    object->sourceLine = 3;
    EXPECT_TRUE(object->sourceLink().isNull());
    delete block.source;
    block.source = nullptr;
    EXPECT_TRUE(object->sourceLink().isNull());
    TDFDBText loose(9, "loose");
    loose.sourceLine = 3;
    EXPECT_TRUE(loose.sourceLink().isNull());
    EXPECT_TRUE(loose.cachedLink.isNull());
}

TEST(TDFDBInstance, StyleFallsBackToTheInstanceType)
{
    TCF tcf("cfg", 1);
    Style typeStyle("type", 1);
    Style own("own", 2);
    InstanceType type(&tcf, "Task", QString(), &typeStyle);
    TDFDBInstance instance(1, &type, "x");
    EXPECT_EQ(instance.style(), &typeStyle);
    instance.givenStyle = &own;
    EXPECT_EQ(instance.style(), &own);
    TDFDBInstance untyped(2, nullptr, "y");
    EXPECT_EQ(untyped.style(), nullptr);
    TDFDBMessage message(3, "m");
    EXPECT_EQ(message.style(), nullptr);
    EXPECT_FALSE(message.used);
}

TEST(TDFDBRefHash, FindsTheRecordOfABlock)
{
    TDFDefinitionBlock a, b;
    TDFDBRef refA{&a, 1}, refB{&b, 2};
    TDFDBRefHash hash(101);
    hash.intern(&refA, nullptr);
    hash.intern(&refB, nullptr);
    EXPECT_EQ(hash.searchDefinitionBlock(&a), &refA);
    EXPECT_EQ(hash.searchDefinitionBlock(&b)->number, 2);
    TDFDefinitionBlock c;
    EXPECT_EQ(hash.searchDefinitionBlock(&c), nullptr);
}

// The latest numbered block that fits, whatever order the records came
// in; the same record interned twice is not new, and clean forgets all.
TEST(TDFDBRefHash, LatestWhereTriesTheHighestNumbersFirst)
{
    TCF tcf("cfg", 1);
    TDFDefinitionBlock blocks[4];
    blocks[1].setTCF(&tcf);
    blocks[3].setTCF(&tcf);
    TDFDBRef refs[] = {{&blocks[0], 5}, {&blocks[1], 2}, {&blocks[2], 9}, {&blocks[3], 7}};
    TDFDBRefHash hash(3);
    for (TDFDBRef& ref : refs)
        hash.intern(&ref, nullptr);
    bool isNew = true;
    hash.intern(&refs[1], &isNew);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(hash.count, 4);
    const auto hasConfiguration = [](const TDFDefinitionBlock& block) { return block.tcf != nullptr; };
    EXPECT_EQ(hash.latestWhere(hasConfiguration), &refs[3]);
    EXPECT_EQ(hash.latestWhere([](const TDFDefinitionBlock&) { return true; }), &refs[2]);
    EXPECT_EQ(hash.latestWhere([&](const TDFDefinitionBlock& block) { return &block == &blocks[1]; }), &refs[1]);
    EXPECT_EQ(hash.latestWhere([](const TDFDefinitionBlock&) { return false; }), nullptr);
    EXPECT_EQ(hash.searchDefinitionBlock(&blocks[2]), &refs[2]);
    hash.clean();
    EXPECT_EQ(hash.searchDefinitionBlock(&blocks[2]), nullptr);
    EXPECT_EQ(hash.latestWhere(hasConfiguration), nullptr);
}

// Blocks of two id lengths and blocks without a configuration, prepended,
// appended and unlinked at random: search finds what a walk from the head
// with cmpId finds.
TEST(TDFDefinitionBlockList, SearchAgreesWithAWalkThroughEveryChange)
{
    TCF one("one", 1);
    TCF two("two", 2);
    std::mt19937 random(11);
    std::vector<std::unique_ptr<TDFDefinitionBlock>> blocks;
    std::vector<ListNode<TDFDefinitionBlock*>*> nodes;
    TDFDefinitionBlockList list;
    int mismatches = 0;
    for (int step = 0; step < 1500; ++step) {
        if (nodes.empty() || random() % 3 != 0) {
            blocks.push_back(std::make_unique<TDFDefinitionBlock>());
            TDFDefinitionBlock* block = blocks.back().get();
            const unsigned kind = random() % 5;
            if (kind != 0)
                block->setTCF(kind % 2 ? &one : &two);
            block->setId(0, random() % 8);
            block->setId(1, random() % 3);
            nodes.push_back(random() % 2 ? list.prepend(block) : list.append(block));
        } else {
            const std::size_t at = random() % nodes.size();
            list.unlink(nodes[at]);
            nodes.erase(nodes.begin() + long(at));
        }
        for (int length = 0; length <= 2; ++length) {
            for (unsigned long long first = 0; first < 9; ++first) {
                for (unsigned long long second = 0; second < 3; ++second) {
                    const unsigned long long words[] = {first, second};
                    const TDFDefinitionBlock* walked = nullptr;
                    for (const TDFDefinitionBlock* block : list)
                        if (!walked && block->cmpId(words, length))
                            walked = block;
                    mismatches += list.search(words, length) != walked;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(TDFDefinitionBlock, FirstUnusedIdSkipsEveryKindOfObject)
{
    TDFDefinitionBlock block;
    EXPECT_EQ(block.firstUnusedId(), 0u);
    block.addInstance(new TDFDBInstance(0, nullptr, "i"));
    block.addMessage(new TDFDBMessage(1, "m"));
    block.addText(new TDFDBText(3, "t"));
    EXPECT_EQ(block.firstUnusedId(), 2u);
    block.addText(new TDFDBText(2, "t"));
    EXPECT_EQ(block.firstUnusedId(), 4u);
    for (unsigned long long id = 4; id < 5000; ++id)
        block.addText(new TDFDBText(id, "t"));
    EXPECT_EQ(block.firstUnusedId(), 5000u);
    // A removed object frees its id again.
    TDFDBInstance* first = block.instances.pop();
    EXPECT_EQ(block.firstUnusedId(), 0u);
    delete first;
}

TEST(TDFDBMessageHash, ManyMessagesFindTheNewestOfEachId)
{
    std::vector<std::unique_ptr<TDFDBMessage>> messages;
    TDFDBMessageHash hash(51);
    for (unsigned long long i = 0; i < 20000; ++i) {
        messages.push_back(std::make_unique<TDFDBMessage>(i % 7000, "m"));
        bool isNew = false;
        hash.intern(messages.back().get(), &isNew);
        EXPECT_TRUE(isNew);
    }
    bool isNew = true;
    hash.intern(messages[3].get(), &isNew);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(hash.count, 20000);
    int mismatches = 0;
    for (unsigned long long id = 0; id < 7000; ++id)
        mismatches += hash.search(id) != messages[id + (id < 6000 ? 14000 : 7000)].get();
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(hash.search(7000), nullptr);
    hash.clean();
    EXPECT_EQ(hash.search(1), nullptr);
}

}
