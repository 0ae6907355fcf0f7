#include <style.h>
#include <tcf.h>
#include <tdf.h>

#include "reader_fixture.h"

#include <gtest/gtest.h>

namespace {

using Messages = std::vector<std::string>;

class DefinitionTest : public ReaderTest {};

TEST_F(DefinitionTest, BlockIsSelectedByItsIdsAndBoundToSfNumbers)
{
    bool changed = false;
    lines({"DB \"test\"", "ID 1 2", "MS 5 \"m\""});
    TDFObject* finished = line("ED", &changed);
    ASSERT_NE(finished, nullptr);
    TDFDefinitionBlock* block = finished->toTDFDefinitionBlock();
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(changed);
    EXPECT_EQ(reader->currentBlock, nullptr);
    EXPECT_FALSE(reader->definitionMode);
    EXPECT_EQ(reader->definitionBlocks->head->value, block);
    EXPECT_EQ(reader->tcf, configurations->search("test"));

    line("SF 7 1 2");
    EXPECT_EQ(reader->currentBlock, block);
    EXPECT_EQ(reader->staticMessageTotal, 1);
    line("SF 8 1 2");
    EXPECT_EQ(reader->staticMessageTotal, 1);
    line("CS 9");
    EXPECT_EQ(reader->currentBlock, nullptr);
    EXPECT_EQ(messages(), Messages{"definition block not found (CS)"});
    line("CS 7");
    EXPECT_EQ(reader->currentBlock, block);
    line("CS 8");
    EXPECT_EQ(reader->currentBlock, block);
    EXPECT_EQ(recorder.reports().size(), 2u);
    EXPECT_EQ(recorder.reports()[1].severity, Error::WARNING);
}

TEST_F(DefinitionTest, LaterBlockWithTheSameIdsWinsAndRebindsItsNumber)
{
    lines({"DB \"test\"", "ID 1 2", "ED", "SF 7 1 2"});
    TDFDefinitionBlock* first = reader->currentBlock;
    lines({"DB \"test\"", "ID 1 2", "MS 1 \"a\"", "MS 2 \"b\"", "ED", "SF 7 1 2"});
    TDFDefinitionBlock* second = reader->currentBlock;
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    line("CS 7");
    EXPECT_EQ(reader->currentBlock, second);
    EXPECT_EQ(reader->staticMessageTotal, 2);
    EXPECT_TRUE(messages().empty());
}

TEST_F(DefinitionTest, SfTakesAtMostNineIdsAndStopsAtAField)
{
    line("SF 7 1 2 3 4 5 6 7 8 9 10");
    EXPECT_EQ(messages(), Messages{"internal error: sf_id overflow"});
    EXPECT_FALSE(reader->skipping);
    line("SF 7 1 2 3 4 5 6 7 8 9");
    EXPECT_EQ(messages().back(), "definition block not found (SF)");
    line("QQ");
    EXPECT_EQ(recorder.reports().size(), 2u) << "skipping silences the errors that follow";
}

TEST_F(DefinitionTest, SfWithAnOddFieldSearchesWithTheIdsBeforeIt)
{
    lines({"DB \"other\"", "ID 1", "ED", "SF 7 1 x"});
    EXPECT_NE(reader->currentBlock, nullptr);
    EXPECT_TRUE(messages().empty());
}

TEST_F(DefinitionTest, EveryDefinitionErrorInvalidatesTheBlock)
{
    const struct {
        const char* statement;
        const char* message;
    } faults[] = {
        {"SO main.c 1 \"txt\"", "file name must be a string"},
        {"SO \"main.c\" x \"txt\"", "wrong date format"},
        {"SO \"main.c\" 1 txt", "source type must be a string"},
        {"SO \"main.c\" 1 \"c\"", "unknown source type"},
        {"SI x", "super-instance id must be a number"},
        {"SI 44", "referenced super instance not found"},
        {"SI 1 2 x", "wrong block identification"},
        {"IN Task 1 \"a\"", "type parameter must be a string"},
        {"IN \"Nothing\" 1 \"a\"", "undefined instance type"},
        {"IN \"Task\" x \"a\"", "wrong identification"},
        {"IN \"Task\" 1 a", "name parameter must be a string"},
        {"MS x \"a\"", "can't read MS number"},
        {"MS 1 a", "second parameter must be a string"},
        {"TX x \"a\"", "can't read TX number"},
        {"TX 1 a", "second parameter must be a string"},
        {"LK x", "link id must be a number"},
    };
    for (const auto& fault : faults) {
        const size_t before = messages().size();
        lines({"DB \"test\"", "ID 5 6", fault.statement});
        EXPECT_FALSE(reader->definingBlock->valid) << fault.statement;
        lines({"MS 99 \"ignored\"", "XX unknown but ignored"});
        EXPECT_EQ(line("ED"), nullptr) << fault.statement;
        const Messages all = messages();
        EXPECT_EQ(Messages(all.begin() + long(before), all.end()), Messages{fault.message}) << fault.statement;
    }
    EXPECT_EQ(reader->definitionBlocks->count, 0);
}

TEST_F(DefinitionTest, FaultyIdLeavesTheBlockWithoutId)
{
    for (const char* statement : {"ID 1 2 3", "ID 1 x"}) {
        lines({"DB \"test\"", statement});
        EXPECT_EQ(line("ED"), nullptr);
    }
    EXPECT_EQ(messages(), (Messages{"too many id defined", "definition block has no id", "wrong block identification",
                                    "definition block has no id"}));
}

TEST_F(DefinitionTest, RepeatedStatementsAndIdsAreRefused)
{
    lines({"DB \"test\"", "ID 1 2", "ID 1 2", "ED"});
    lines({"DB \"test\"", "ID 1 3", "SO \"a.c\" 1 \"txt\"", "SO \"a.c\" 1 \"txt\"", "ED"});
    lines({"DB \"test\"", "ID 1 4", "MS 3 \"m\"", "TX 3 \"t\"", "ED"});
    lines({"DB \"test\"", "ID 1 5", "TX 3 \"t\"", "IN \"Task\" 3 \"i\"", "ED"});
    EXPECT_EQ(messages(), (Messages{"id statement already defined", "source already defined", "id already defined",
                                    "id already defined"}));
    EXPECT_EQ(reader->definitionBlocks->count, 0);
}

TEST_F(DefinitionTest, UnknownConfigurationSkipsTheBlockUpToItsEnd)
{
    lines({"DB \"missing\"", "ID 1 2", "MS 1 \"m\"", "QQ nonsense"});
    EXPECT_EQ(messages(), Messages{"undefined configuration name"});
    EXPECT_EQ(line("ED"), nullptr);
    EXPECT_EQ(messages().back(), "definition block has no id");
    line("SF 1 1 2");
    EXPECT_EQ(messages().back(), "definition block not found (SF)");
    line("DB 12");
    EXPECT_FALSE(reader->definingBlock->valid);
}

TEST_F(DefinitionTest, FirstBlockFixesTheConfiguration)
{
    lines({"DB \"test\"", "ID 1 2", "ED", "DB \"other\"", "ID 1", "MS 1 \"x\"", "ED"});
    EXPECT_EQ(messages(), (Messages{"configuration mistmatch the current, skipping this definition block",
                                    "definition block has no id"}));
    EXPECT_EQ(reader->definitionBlocks->count, 1);
    EXPECT_EQ(reader->tcf->name(), "test");
}

TEST_F(DefinitionTest, UnknownOpcodeInABlockKeepsItValid)
{
    lines({"DB \"test\"", "ID 1 2", "NI 1 2", "CA x", "CB", "CC", "QA", "SC", "OT", "US", ""});
    EXPECT_EQ(messages(), Messages{"unknown opcode in TSF file"});
    EXPECT_EQ(recorder.reports()[0].line, 3);
    EXPECT_NE(line("ED"), nullptr);
}

TEST_F(DefinitionTest, IdsMayBeFewerThanTheIdLengthOrNone)
{
    lines({"DB \"test\"", "ID 4", "ED", "DB \"test\"", "ID", "ED"});
    ASSERT_EQ(reader->definitionBlocks->count, 2);
    TDFDefinitionBlock* empty = reader->definitionBlocks->head->value;
    TDFDefinitionBlock* partial = reader->definitionBlocks->head->next->value;
    EXPECT_TRUE(empty->hasId);
    EXPECT_EQ(partial->id(0), 4u);
    EXPECT_EQ(partial->id(1), 0u);
    EXPECT_TRUE(messages().empty());
}

TEST_F(DefinitionTest, StaticObjectsTakeThePendingDecorations)
{
    lines({"DB \"test\"", "ID 1 2", "SO \"main.c\" 20240101 \"txt\"", "LK \"#text\"", "ST 2",
           "IN \"Task\" 1 \"Sensor\"", "LK 42", "IN \"Module\" 2 \"io\"", "MS 3 \"m\"", "TX 4 \"t\"",
           "IN \"Task\" 5 \"after text\"", "ED"});
    EXPECT_TRUE(messages().empty());
    TDFDefinitionBlock* block = reader->definitionBlocks->head->value;
    ASSERT_NE(block->source, nullptr);
    EXPECT_EQ(block->source->file, "main.c");
    EXPECT_EQ(block->source->date, 20240101u);
    EXPECT_EQ(block->source->type, TDFDBSource::SOURCE_TXT);

    TDFDBInstance* sensor = block->getInstanceFromId(1);
    EXPECT_EQ(sensor->givenStyle, reader->tcf->style(2));
    EXPECT_EQ(sensor->sourceLinkText, "#text");
    EXPECT_EQ(sensor->sourceLink(), "main.c#text");
    EXPECT_EQ(sensor->instanceType, reader->tcf->instanceType("Task"));

    // A numeric link replaces the text link and goes to the next object only.
    TDFDBInstance* io = block->getInstanceFromId(2);
    EXPECT_EQ(io->givenStyle, nullptr);
    EXPECT_EQ(io->sourceLine, 42);
    EXPECT_TRUE(io->sourceLinkText.isNull());
    EXPECT_EQ(block->getMessageFromId(3)->sourceLine, 0);
    EXPECT_EQ(block->messageCount, 1);
    EXPECT_EQ(block->getTextFromId(4)->name, "t");
    EXPECT_TRUE(block->getInstanceFromId(5)->sourceLinkText.isNull());
}

TEST_F(DefinitionTest, TextLinkStaysForFollowingInstancesUntilAText)
{
    lines({"DB \"test\"", "ID 1 2", "LK \"#a\"", "IN \"Task\" 1 \"x\"", "IN \"Task\" 2 \"y\"", "TX 3 \"t\"",
           "MS 4 \"m\"", "ED"});
    TDFDefinitionBlock* block = reader->definitionBlocks->head->value;
    EXPECT_EQ(block->getInstanceFromId(1)->sourceLinkText, "#a");
    EXPECT_EQ(block->getInstanceFromId(2)->sourceLinkText, "#a");
    EXPECT_EQ(block->getTextFromId(3)->sourceLinkText, "#a");
    EXPECT_TRUE(block->getMessageFromId(4)->sourceLinkText.isNull());
}

TEST_F(DefinitionTest, SuperInstanceComesFromThisBlockOrTheFirstBlockWithTheIds)
{
    lines({"DB \"test\"", "ID 3 3", "IN \"Task\" 1 \"old parent\"", "ED"});
    lines({"DB \"test\"", "ID 3 3", "IN \"Task\" 1 \"new parent\"", "ED"});
    lines({"DB \"test\"", "ID 1 2", "IN \"Task\" 1 \"local parent\"", "SI 1", "IN \"Task\" 2 \"a\"",
           "IN \"Task\" 3 \"b\"", "SI 1 3 3", "IN \"Task\" 4 \"c\"", "SI 1 9 9", "IN \"Task\" 5 \"d\"", "ED"});
    EXPECT_TRUE(messages().empty());
    TDFDefinitionBlock* block = reader->definitionBlocks->head->value;
    EXPECT_EQ(block->getInstanceFromId(2)->superInstance->name, "local parent");
    EXPECT_EQ(block->getInstanceFromId(3)->superInstance, nullptr);
    EXPECT_EQ(block->getInstanceFromId(4)->superInstance->name, "old parent");
    EXPECT_EQ(block->getInstanceFromId(5)->superInstance, nullptr);
}

TEST_F(DefinitionTest, XrdSourceGivesXrdLinks)
{
    lines({"DB \"test\"", "ID 1 2", "SO \"model.xrd\" 0 \"xrd\"", "LK \"id42\"", "MS 1 \"m\"", "ED"});
    EXPECT_EQ(reader->definitionBlocks->head->value->getMessageFromId(1)->sourceLink(), "xrd#model.xrd#id42");
}

TEST_F(DefinitionTest, StyleStatementErrorsNeverInvalidate)
{
    lines({"DB \"test\"", "ID 1 2", "ST 9", "MS 1 \"m\"", "ST x"});
    EXPECT_TRUE(reader->definingBlock->valid);
    EXPECT_EQ(reader->pendingStyle, nullptr);
    EXPECT_NE(line("ED"), nullptr);
    line("ST 1");
    EXPECT_EQ(messages(), (Messages{"can't retrieve style",
                                    "no current definition block defined (or definition block without tcf link)"}));
    line("SF 1 1 2");
    line("ST 3");
    EXPECT_EQ(reader->pendingStyle, reader->tcf->style(3));
    line("ST 4");
    EXPECT_EQ(reader->pendingStyle, nullptr);
    // 2^32 + 1 is no style id, rather than style 1.
    line("ST 4294967297");
    EXPECT_EQ(reader->pendingStyle, nullptr);
    EXPECT_EQ(messages().back(), "can't retrieve style");
}

TEST_F(DefinitionTest, TimeUnitIsRecognisedExactly)
{
    const std::pair<const char*, TDFTimeUnitType> units[] = {
        {"h", UNIT_HOUR},        {"mn", UNIT_MINUTE},     {"s", UNIT_SECOND},     {"ms", UNIT_MILLISECOND},
        {"us", UNIT_MICROSECOND}, {"ns", UNIT_NANOSECOND}, {"ps", UNIT_PICOSECOND}, {"MS", UNIT_NONE},
        {"sec", UNIT_NONE}};
    for (const auto& [token, unit] : units) {
        line(("TU \"" + std::string(token) + "\"").c_str());
        EXPECT_EQ(reader->timeUnit, unit) << token;
        EXPECT_EQ(reader->timeUnitText, token);
    }
    line("TU ms");
    EXPECT_EQ(reader->timeUnit, UNIT_NONE);
    EXPECT_TRUE(reader->timeUnitText.isNull());
    EXPECT_EQ(messages(), Messages{"Can't read time unit."});
}

TEST_F(DefinitionTest, ClockStatementsTakeAnOptionalLowHalf)
{
    line("TM 1 5");
    EXPECT_EQ(reader->currentTime, (1ULL << 32) + 5);
    EXPECT_EQ(reader->firstTime, (1ULL << 32) + 5);
    line("TM 10");
    line("TM 4");
    EXPECT_EQ(reader->currentTime, 4u);
    EXPECT_EQ(reader->minTime, 4u);
    EXPECT_TRUE(reader->timeSeen);
    line("TM 12  7");
    EXPECT_EQ(reader->currentTime, 12u);
    line("TM 0Ah 0");
    EXPECT_EQ(reader->currentTime, 10ULL << 32);

    line("TS 30");
    line("TS 0");
    line("TS 5");
    EXPECT_EQ(reader->timeStep, 5u);
    EXPECT_EQ(reader->minTimeStep, 0u);
    EXPECT_TRUE(reader->minTimeStepSeen);

    line("HS 100");
    line("HS 1 0");
    line("HS 7");
    EXPECT_EQ(reader->heapSize, 7u);
    EXPECT_EQ(reader->maxHeapSize, 1ULL << 32);
    EXPECT_TRUE(reader->heapSizeSeen);

    lines({"TM x", "TS", "HS -1"});
    EXPECT_EQ(messages(), (Messages{"can't read time.", "can't read time step.", "can't read heap size."}));
    EXPECT_EQ(reader->currentTime, 10ULL << 32);
}

// The two-word form's halves have 32 bits each: a wider half is an
// overflow, as a number too wide for the one-word form is, and the
// statement fails with its own message; the widest halves are read whole.
TEST_F(DefinitionTest, ClockHalvesWiderThanThirtyTwoBitsOverflow)
{
    lines({"TM 7", "TS 2", "HS 3"});
    lines({"TM 4294967296 5", "TM 5 4294967296", "TS 9999999999 1", "HS 9999999999 9999999999"});
    EXPECT_EQ(messages(), (Messages{"number overflow", "can't read time.", "number overflow", "can't read time.",
                                    "number overflow", "can't read time step.", "number overflow",
                                    "can't read heap size."}));
    EXPECT_EQ(reader->currentTime, 7u);
    EXPECT_EQ(reader->timeStep, 2u);
    EXPECT_EQ(reader->heapSize, 3u);
    EXPECT_EQ(reader->maxHeapSize, 3u);

    line("TM 0FFFFFFFFh 4294967295");
    EXPECT_EQ(reader->currentTime, ~0ULL);
    line("HS 9999999999");
    EXPECT_EQ(reader->heapSize, 9999999999u);
    EXPECT_EQ(messages().size(), 8u);
}

TEST_F(DefinitionTest, ThreadRecordsFollowTheRunningThread)
{
    line("TI 3 1 10 \"main\"");
    EXPECT_EQ(messages(), Messages{"no current definition block defined"});
    selectTestBlock();
    lines({"TS 2", "TM 100"});

    EXPECT_EQ(line("TI 3 1 10 \"main\""), nullptr);
    ASSERT_EQ(reader->threadInfos.count, 1);
    TDFThreadInfo* info = reader->threadInfos.last()->value;
    EXPECT_EQ(reader->objects.last()->value, info);
    EXPECT_EQ(info->name(), "main");
    EXPECT_EQ(info->time, 100u);
    EXPECT_EQ(reader->currentTime, 102u);
    EXPECT_EQ(info->threadState, reader->tcf->threadState(1));
    EXPECT_EQ(reader->pendingThreadInfo, info->listNode);
    EXPECT_EQ(reader->runningThread, info->thread);
    TDFThread* mainThread = info->thread;

    line("TI 4 1 5");
    EXPECT_EQ(reader->runningThread->num, 4u);
    line("TI 4 2 5");
    EXPECT_EQ(reader->runningThread, mainThread);
    // Thread 3 blocks: the walk goes back, wrapping round, to the running
    // record before the current one, thread 4's.
    line("TI 3 3 10");
    EXPECT_EQ(reader->runningThread->num, 4u);
    EXPECT_EQ(mainThread->name, "main");
    EXPECT_EQ(mainThread->colorIndex, 0);
    EXPECT_EQ(reader->threads.count, 2);
    EXPECT_EQ(reader->threads.last()->value->colorIndex, 1);

    for (int id = 5; id <= 14; ++id)
        line(("TI " + std::to_string(id) + " 2 1").c_str());
    EXPECT_EQ(reader->threads.count, 12);
    EXPECT_EQ(reader->threads.last()->value->colorIndex, 0);
    EXPECT_EQ(reader->threadInfos.count, 14);
    EXPECT_EQ(messages().size(), 1u);
}

TEST_F(DefinitionTest, ThreadRecordFailures)
{
    selectTestBlock();
    lines({"TI x 1 1", "TI 1 x 1", "TI 1 1 x", "TI 1 9 1", "TI 1 4294967297 1"});
    EXPECT_EQ(messages(), (Messages{"wrong Thread id format", "wrong Thread state id format",
                                    "wrong Thread priority format", "can't retrieve thread model",
                                    "can't retrieve thread model"}));
    EXPECT_EQ(reader->threadInfos.count, 0);
    EXPECT_EQ(reader->threads.count, 0);
}

TEST_F(DefinitionTest, ThreadRecordWithoutARunningStateLeavesNoRunningThread)
{
    selectTestBlock();
    line("TI 1 2 1");
    EXPECT_EQ(reader->runningThread, nullptr);
    EXPECT_EQ(reader->runningThreadInfo, nullptr);
}

}
