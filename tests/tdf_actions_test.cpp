#include <tdf.h>
#include <tdf_factory.h>

#include "reader_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Messages = std::vector<std::string>;
using Members = std::vector<TDFInstance*>;

// Puts a dynamic instance of the current block's static instance into the
// reader's state the way a new-instance line does.
TDFInstance* addInstance(TDF& reader, unsigned long long id, unsigned long long staticId)
{
    TDFInstance* instance = reader.factory()->newTDFInstance();
    instance->id = id;
    instance->setModel(reader.currentBlock->getInstanceFromId(staticId));
    reader.appendObject(instance);
    instance->hashNode = reader.instanceHash.intern(instance, nullptr);
    instance->instanceNode = reader.instances.append(instance);
    return instance;
}

// Deletes an instance at `time`, alone or as one of all recent instances.
void deleteInstance(TDF& reader, TDFInstance* instance, unsigned long long time, bool all = false)
{
    TDFFactory* factory = reader.factory();
    TDFInstanceDeleteAbstract* deletion =
        all ? static_cast<TDFInstanceDeleteAbstract*>(factory->newTDFInstanceDeleteAll()) : factory->newTDFInstanceDelete();
    deletion->time = time;
    instance->deletion = deletion;
    reader.appendObject(deletion);
}

TDFAction* actionOf(TDFObject* object)
{
    return object ? object->toAction() : nullptr;
}

Members membersOf(TDFObject* object)
{
    Members members;
    TDFSynchronisation* synchronisation = object ? object->toSynchronisation() : nullptr;
    EXPECT_NE(synchronisation, nullptr);
    if (synchronisation && synchronisation->instances)
        for (TDFInstance* member : *synchronisation->instances)
            members.push_back(member);
    return members;
}

class ActionTest : public ReaderTest {};
class SynchronisationTest : public ReaderTest {};
class TriggerTest : public ReaderTest {};

TEST_F(ActionTest, TakesItsTextInstanceTimeAndPendingDecorations)
{
    selectTestBlock();
    TDFInstance* worker = addInstance(*reader, 5, 3);
    lines({"TM 100\n", "TS 5\n", "ST 1\n", "LK \"main.c:3\"\n"});
    Style* style = reader->pendingStyle;
    bool changed = false;
    TDFAction* boot = actionOf(line("AC \"boot\" 0\n", &changed));
    ASSERT_NE(boot, nullptr);
    EXPECT_TRUE(changed);
    EXPECT_EQ(boot->name(), "boot");
    EXPECT_EQ(boot->instance, nullptr);
    EXPECT_EQ(boot->givenStyle, style);
    EXPECT_EQ(boot->linkText, "main.c:3");
    EXPECT_EQ(boot->time, 100u);
    EXPECT_EQ(reader->currentTime, 105u);
    EXPECT_EQ(reader->pendingStyle, nullptr);
    EXPECT_TRUE(reader->pendingLink.isNull());
    EXPECT_EQ(boot->listNode, reader->actions.last());

    TDFDBText* label = reader->currentBlock->getTextFromId(9);
    TDFAction* labelled = actionOf(line("AC 9 5\n"));
    ASSERT_NE(labelled, nullptr);
    EXPECT_EQ(labelled->model, label);
    EXPECT_EQ(labelled->name(), "label");
    EXPECT_EQ(labelled->instance, worker);

    // An empty string is no text: a text id follows it.
    TDFAction* afterEmpty = actionOf(line("AC \"\" 9 0\n"));
    ASSERT_NE(afterEmpty, nullptr);
    EXPECT_EQ(afterEmpty->model, label);
    EXPECT_TRUE(afterEmpty->nameText.isNull());
    EXPECT_EQ(messages(), Messages{});
}

TEST_F(ActionTest, RejectedActionsCreateNothingAndLeaveDecorationsPending)
{
    EXPECT_EQ(line("AC 9 0\n"), nullptr);
    selectTestBlock();
    lines({"TM 40\n", "ST 2\n", "LK \"a.c:1\"\n"});
    Style* style = reader->pendingStyle;
    for (const char* rejected : {"AC x 0\n", "AC 99 0\n", "AC \"a\" 7\n", "AC \"a\" x\n", "AC \"\" 0\n"})
        EXPECT_EQ(line(rejected), nullptr) << rejected;
    EXPECT_EQ(messages(), (Messages{"can't retrieve text, no definition block set.",
                                    "neither string nor number for action.",
                                    "can't retrieve text id for action in definition block.",
                                    "can't find instance for action.",
                                    "can't retrieve text id for action in definition block."}));
    EXPECT_EQ(reader->objects.count, 0);
    EXPECT_EQ(reader->currentTime, 40u);

    TDFAction* action = actionOf(line("AC \"ok\" 0\n"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->givenStyle, style);
    EXPECT_EQ(action->linkText, "a.c:1");
}

TEST_F(ActionTest, BlockIgnoresItsLinesAndActsAtItsEnd)
{
    selectTestBlock();
    TDFInstance* sensor = addInstance(*reader, 5, 1);
    lines({"TM 10\n", "TS 2\n", "ST 1\n"});
    Style* style = reader->pendingStyle;
    EXPECT_EQ(line("BA \"work\" 5\n"), nullptr);
    for (const char* inner : {"MC 1 7\n", "TM 50\n", "AC \"x\" 0\n", "QQ junk\n", "LS 3\n", "DB \"test\"\n", "ED\n"})
        EXPECT_EQ(line(inner), nullptr) << inner;
    EXPECT_EQ(reader->currentTime, 10u);

    bool changed = false;
    TDFAction* action = actionOf(line("EA\n", &changed));
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(changed);
    EXPECT_FALSE(reader->actionBlockMode);
    EXPECT_EQ(action->name(), "work");
    EXPECT_EQ(action->instance, sensor);
    EXPECT_EQ(action->givenStyle, style);
    EXPECT_EQ(action->time, 10u);
    EXPECT_EQ(reader->currentTime, 12u);
    EXPECT_EQ(reader->objects.count, 2);
    EXPECT_EQ(line("EA\n"), nullptr);
    EXPECT_EQ(messages(), Messages{"unknown opcode or unexpected opcode"});
}

TEST_F(ActionTest, NestedBlocksFailingOperandsAndEmptyText)
{
    selectTestBlock();
    addInstance(*reader, 5, 1);
    TDFInstance* io = addInstance(*reader, 6, 2);
    lines({"BA \"outer\" 5\n", "BA 9 6\n"});
    EXPECT_EQ(reader->actionBlockDepth, 2u);
    EXPECT_EQ(line("EA\n"), nullptr);
    EXPECT_TRUE(reader->actionBlockMode);
    TDFAction* action = actionOf(line("EA\n"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->model, reader->currentBlock->getTextFromId(9));
    EXPECT_TRUE(action->nameText.isNull());
    EXPECT_EQ(action->instance, io);

    // A failing inner BA still replaces what it read, but doesn't nest.
    lines({"BA \"outer\" 5\n", "BA \"inner\" 7\n"});
    EXPECT_EQ(reader->actionBlockDepth, 1u);
    action = actionOf(line("EA\n"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->name(), "inner");
    EXPECT_EQ(action->instance, nullptr);

    for (const char* rejected : {"BA x 0\n", "BA 99 0\n", "BA \"a\" x\n"}) {
        line(rejected);
        EXPECT_FALSE(reader->actionBlockMode) << rejected;
    }
    EXPECT_EQ(messages(), (Messages{"can't find instance for action.", "neither string nor number for action.",
                                    "can't retrive text id for action in definition block."}));
    // Unlike AC, a block takes an empty string as its text.
    action = actionOf(lines({"BA \"\" 0\n", "EA\n"}));
    ASSERT_NE(action, nullptr);
    EXPECT_FALSE(action->nameText.isNull());
}

TEST_F(SynchronisationTest, ListedInstancesInOrderWithoutDuplicates)
{
    selectTestBlock();
    TDFInstance* sensor = addInstance(*reader, 3, 1);
    bool changed = false;
    TDFObject* meeting = line("SY \"meet\" 3 3 9\n", &changed);
    ASSERT_EQ(membersOf(meeting), (Members{sensor, nullptr}));
    EXPECT_EQ(messages(), Messages{"instance 3 already included into synchronisation."});
    EXPECT_TRUE(changed);
    EXPECT_EQ(meeting->name(), "meet");
    EXPECT_EQ(meeting->toSynchronisation()->listNode, reader->synchronisations.last());

    TDFObject* labelled = line("SY 9 0 3\n");
    ASSERT_EQ(membersOf(labelled), (Members{nullptr, sensor}));
    EXPECT_EQ(labelled->name(), "label");

    // An empty string is a text here; unknown ids each take a place.
    TDFObject* unnamed = line("SY \"\" 9 9\n");
    ASSERT_EQ(membersOf(unnamed), (Members{nullptr, nullptr}));
    EXPECT_FALSE(unnamed->nameText.isNull());
    EXPECT_EQ(unnamed->toSynchronisation()->model, nullptr);
}

TEST_F(SynchronisationTest, ListWithoutMemberCreatesNothingAndTellsSo)
{
    selectTestBlock();
    deleteInstance(*reader, addInstance(*reader, 4, 1), 0);
    lines({"ST 1\n", "LK \"s.c:1\"\n"});
    bool changed = true;
    EXPECT_EQ(line("SY \"x\" 4\n", &changed), nullptr);
    EXPECT_FALSE(changed);
    EXPECT_EQ(reader->pendingStyle, nullptr);
    EXPECT_TRUE(reader->pendingLink.isNull());
    line("ST 1\n");
    changed = true;
    EXPECT_EQ(line("SY \"x\"\n", &changed), nullptr);
    EXPECT_FALSE(changed);
    EXPECT_EQ(reader->pendingStyle, nullptr);

    // A wrong text stops the statement before it says anything.
    line("ST 1\n");
    changed = true;
    EXPECT_EQ(line("SY x 4\n", &changed), nullptr);
    EXPECT_EQ(line("SY 99 4\n", &changed), nullptr);
    EXPECT_TRUE(changed);
    EXPECT_NE(reader->pendingStyle, nullptr);
    EXPECT_EQ(messages(), (Messages{"instance 4 is destroyed at synchronisation time.",
                                    "neither string nor number for synchronisation.",
                                    "can't retrieve text id for synchronisation in definition block."}));
}

// Every deletion read before SA has happened, even one stamped later than
// SA because the time went back.
TEST_F(SynchronisationTest, AllTakesTheInstancesNotDeletedBeforeIt)
{
    selectTestBlock();
    TDFInstance* live = addInstance(*reader, 1, 1);
    TDFInstance* deletedNow = addInstance(*reader, 2, 2);
    TDFInstance* deletedLater = addInstance(*reader, 3, 3);
    TDFInstance* deletedWithAll = addInstance(*reader, 4, 1);
    line("TM 50\n");
    deleteInstance(*reader, deletedNow, 50);
    deleteInstance(*reader, deletedLater, 80);
    deleteInstance(*reader, deletedWithAll, 20, true);

    bool changed = false;
    TDFObject* all = line("SA 9\n", &changed);
    ASSERT_EQ(membersOf(all), (Members{live}));
    EXPECT_TRUE(changed);
    EXPECT_EQ(all->name(), "label");

    // An empty string is no text, and no text id follows it.
    EXPECT_EQ(line("SA \"\"\n"), nullptr);
    EXPECT_EQ(line("SA 99\n"), nullptr);
    deleteInstance(*reader, live, 60);
    EXPECT_EQ(lines({"TM 80\n", "SA \"end\"\n"}), nullptr);
    EXPECT_EQ(messages(), (Messages{"neither string nor number for synchronisation.",
                                    "can't retrieve text id for synchronisation in definition block.",
                                    "SA whitout instance: no synchronisation created."}));
    EXPECT_EQ(reader->synchronisations.count, 1);
}

// Repeated SAs follow new instances and deletions, in creation order; a
// deleted instance never counts again, whatever the time does, while a new
// instance of its id does.
TEST_F(SynchronisationTest, RepeatedAllFollowsDeletionsAndNewInstances)
{
    selectTestBlock();
    TDFInstance* first = addInstance(*reader, 1, 1);
    TDFInstance* second = addInstance(*reader, 2, 2);
    TDFInstance* third = addInstance(*reader, 3, 3);
    line("TM 50\n");
    EXPECT_EQ(membersOf(line("SA 9\n")), (Members{first, second, third}));

    deleteInstance(*reader, second, 40);
    EXPECT_EQ(membersOf(line("SA 9\n")), (Members{first, third}));
    TDFInstance* fourth = addInstance(*reader, 4, 1);
    deleteInstance(*reader, third, 70);
    EXPECT_EQ(membersOf(line("SA 9\n")), (Members{first, fourth}));

    line("TM 30\n");
    EXPECT_EQ(membersOf(line("SA 9\n")), (Members{first, fourth}));
    TDFInstance* secondAgain = addInstance(*reader, 2, 2);
    ASSERT_NE(secondAgain, second);
    EXPECT_EQ(membersOf(line("SA 9\n")), (Members{first, fourth, secondAgain}));
    EXPECT_EQ(messages(), Messages{});
}

TEST_F(SynchronisationTest, AllWithAHiddenWorldActorHasItsPlaceFirst)
{
    lines({"DB \"hidden\"\n", "ID 4\n", "IN \"Task\" 1 \"T\"\n", "ED\n", "SF 1 4\n"});
    ASSERT_NE(reader->currentBlock, nullptr);
    deleteInstance(*reader, addInstance(*reader, 1, 1), 0);
    EXPECT_EQ(membersOf(line("SA \"end\"\n")), Members{nullptr});
    TDFInstance* task = addInstance(*reader, 2, 1);
    EXPECT_EQ(membersOf(line("SA \"again\"\n")), (Members{nullptr, task}));
    EXPECT_EQ(messages(), Messages{});
}

TEST_F(TriggerTest, EachMarkerOnceAndInOrder)
{
    selectTestBlock();
    TDFInstance* sensor = addInstance(*reader, 5, 1);
    EXPECT_EQ(lines({"GA\n", "GS\n", "TM 7\n"}), nullptr);
    bool changed = false;
    TDFObject* external = line("ET\n", &changed);
    ASSERT_TRUE(external && external->toExternalTrigger());
    EXPECT_EQ(reader->externalTrigger, external);
    EXPECT_TRUE(changed);
    EXPECT_EQ(external->time, 7u);
    EXPECT_EQ(lines({"ET\n", "GS\n"}), nullptr);

    reader->currentInstance = sensor;
    TDFObject* start = line("GA\n");
    ASSERT_TRUE(start && start->toTriggerStart());
    EXPECT_EQ(start->toTriggerStart()->instance, sensor);
    reader->currentInstance = nullptr;
    TDFObject* stop = lines({"GA\n", "GS\n"});
    ASSERT_TRUE(stop && stop->toTriggerStop());
    EXPECT_EQ(stop->toTriggerStop()->instance, nullptr);
    EXPECT_EQ(line("GS\n"), nullptr);
    EXPECT_EQ(reader->objects.count, 4);

    lines({"NT\n", "GA\n"});
    EXPECT_EQ(messages(), (Messages{"GA opcode cannot be used: not in external trigger mode (ET)",
                                    "GS opcode cannot be used: not in external trigger mode (ET)",
                                    "ET opcode already seen in traces", "GS opcode cannot be used prior GA one",
                                    "GA opcode already seen in traces", "GS opcode already seen in traces",
                                    "GA opcode cannot be used: not in external trigger mode (ET)"}));
}

TEST_F(TriggerTest, MarkersDropPendingAnnotationsAndStyleButNotTheLink)
{
    selectTestBlock();
    lines({"NO \"lost\"\n", "ST 1\n", "LK \"here\"\n"});
    ASSERT_NE(reader->pendingNote, nullptr);
    TDFObject* external = line("ET\n");
    ASSERT_NE(external, nullptr);
    EXPECT_EQ(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->pendingStyle, nullptr);
    EXPECT_EQ(external->givenStyle, nullptr);
    EXPECT_TRUE(external->linkText.isNull());
    EXPECT_EQ(reader->pendingLink, "here");

    line("GL 4\n");
    ASSERT_NE(line("GA\n"), nullptr);
    EXPECT_EQ(reader->pendingGlyph, nullptr);
    line("NO \"again\"\n");
    ASSERT_NE(line("GS\n"), nullptr);
    EXPECT_EQ(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->objects.count, 3);
    EXPECT_EQ(messages(), Messages{});
}

}
