#include <tdf_factory.h>

#include "reader_fixture.h"

#include <string>
#include <vector>

namespace {

using Reports = std::vector<std::string>;

// A reader with the test block selected, and annotations made pending
// directly, as NO and GL would leave them.
class EventsTest : public ReaderTest {
protected:
    void SetUp() override { selectTestBlock(); }

    TDFNote* pendNote()
    {
        reader->pendingNote = reader->factory()->newTDFNote();
        return reader->pendingNote;
    }
    TDFGlyph* pendGlyph()
    {
        reader->pendingGlyph = reader->factory()->newTDFGlyph();
        return reader->pendingGlyph;
    }
    TDFInstance* instance(unsigned long long id) { return reader->instanceHash.search(id); }
    TDFMessage* message(const char* text) { return line(text)->toMessage(); }
    Style* style(int id) { return reader->currentBlock->tcf->style(id); }
    // Whether an event took (or dropped) every pending decoration.
    bool nothingPending() const
    {
        return !reader->pendingNote && !reader->pendingGlyph && !reader->pendingStyle && reader->pendingLink.isNull();
    }
};

using InstanceEvents = EventsTest;
using MessageEvents = EventsTest;

TEST_F(InstanceEvents, NewInstanceThenNewModelForTheSameId)
{
    lines({"TS 10\n", "TM 100\n", "ST 1\n", "LK \"src.c:3\"\n"});
    bool changed = false;
    TDF::ModelChangment change;
    TDFInstance* worker = line("NI 3 5\n", &changed, &change)->toInstance();
    ASSERT_NE(worker, nullptr);
    EXPECT_EQ(change, TDF::MODEL_SET);
    EXPECT_TRUE(changed);
    EXPECT_EQ(worker->name(), "Worker#0");
    EXPECT_EQ(worker->time, 100u);
    EXPECT_EQ(worker->givenStyle, style(1));
    EXPECT_EQ(worker->linkText, "src.c:3");
    EXPECT_TRUE(nothingPending());
    EXPECT_EQ(instance(5), worker);
    EXPECT_EQ(reader->currentInstance, worker);

    // A model change keeps the instance and its style, regenerates a
    // generated name, stamps no time and takes the pending link, here
    // none.
    EXPECT_EQ(line("NI 1 5\n", &changed, &change), worker);
    EXPECT_TRUE(worker->linkText.isNull());
    EXPECT_EQ(change, TDF::MODEL_CHANGED);
    EXPECT_FALSE(changed);
    EXPECT_EQ(worker->model, reader->currentBlock->getInstanceFromId(1));
    EXPECT_EQ(worker->name(), "obj0:Sensor");
    EXPECT_EQ(worker->givenStyle, style(1));
    EXPECT_EQ(worker->time, 100u);
    EXPECT_EQ(reader->currentTime, 110u);

    // An explicit name survives a model change.
    TDFObject* kept = line("NI 3 6 \"kept\"\n");
    EXPECT_EQ(line("NI 1 6\n"), kept);
    EXPECT_EQ(kept->name(), "kept");
    EXPECT_EQ(kept->toInstance()->occurrence, 1u);
    EXPECT_TRUE(messages().empty());
}

TEST_F(InstanceEvents, NewInstanceFailures)
{
    TDFObject* five = line("NI 1 5\n");
    // Two blanks between the fields: nothing is read, nothing is stored.
    bool changed = true;
    TDF::ModelChangment change = TDF::MODEL_CHANGED;
    EXPECT_EQ(reader->readNI("1  5", &changed, &change), nullptr);
    EXPECT_EQ(change, TDF::MODEL_CHANGED);
    EXPECT_TRUE(changed);
    EXPECT_EQ(reader->currentInstance, nullptr);

    // An unknown static instance still leaves the dynamic one current.
    EXPECT_EQ(line("NI 4 5\n"), nullptr);
    EXPECT_EQ(reader->currentInstance, five);
    EXPECT_EQ(messages(), Reports{"can't retrieve static instance."});

    reader->currentBlock = nullptr;
    EXPECT_EQ(line("NI 1 6\n"), nullptr);
    EXPECT_EQ(reader->instances.count, 1);
    EXPECT_EQ(messages().size(), 1u);
}

TEST_F(InstanceEvents, MessageCreatesModelessInstanceThatNewInstanceCompletes)
{
    lines({"TS 10\n", "TM 100\n"});
    TDFMessage* first = message("ME 7 9\n");
    TDFInstance* nine = first->receiver;
    ASSERT_NE(nine, nullptr);
    EXPECT_EQ(nine->name(), "obj0:?");
    EXPECT_EQ(nine->creationMessage, first);
    EXPECT_EQ(nine->time, first->time);
    EXPECT_EQ(reader->currentInstance, nine);

    bool changed = true;
    TDF::ModelChangment change;
    EXPECT_EQ(line("NI 2 9 \"io9\"\n", &changed, &change), nine);
    EXPECT_EQ(change, TDF::MODEL_SET);
    EXPECT_FALSE(changed);
    EXPECT_EQ(nine->name(), "io9");
    EXPECT_EQ(nine->model, reader->currentBlock->getInstanceFromId(2));
    EXPECT_EQ(nine->time, 110u);

    // Deleted ids are reused, by a message or by NI, each linking back.
    line("DI 9\n");
    TDFInstance* again = message("ME 7 9\n")->receiver;
    EXPECT_NE(again, nine);
    EXPECT_EQ(again->previous, nine);
    EXPECT_EQ(again->name(), "obj1:?");
    EXPECT_EQ(instance(9), again);
    line("DI 9\n");
    TDFInstance* third = line("NI 1 9\n")->toInstance();
    EXPECT_EQ(third->previous, again);
    EXPECT_EQ(instance(9), third);
    EXPECT_TRUE(messages().empty());
}

TEST_F(InstanceEvents, ActivationBarsFollowMessagesAndReturns)
{
    // A Sensor (nested) created by a message: its creation opened a bar.
    TDFInstance* sender = line("NI 1 1\n")->toInstance();
    line("ME 7 2\n");
    TDFInstance* created = line("NI 1 2\n")->toInstance();
    ASSERT_NE(created->activations, nullptr);
    EXPECT_EQ(created->activations->count, 0);
    EXPECT_EQ(created->activationLevel, 1);
    TDFObject* back = line("MR\n");
    EXPECT_EQ(created->activations->count, 1);
    EXPECT_EQ((*created->activations)[0], back);
    EXPECT_EQ(created->activationLevel, 0);
    EXPECT_EQ(sender->activations->count, 1);
    EXPECT_EQ(sender->activationLevel, 1);

    // A flat Module calling a Sensor: only the Sensor shows a bar.
    TDFInstance* module = line("NI 2 3\n")->toInstance();
    TDFInstance* sensor = line("NI 1 4\n")->toInstance();
    line("CI 3\n");
    TDFObject* call = line("ME 7 4\n");
    EXPECT_EQ(sensor->activations->count, 1);
    EXPECT_EQ((*sensor->activations)[0], call);
    back = line("MR\n");
    EXPECT_EQ(sensor->activations->count, 2);
    EXPECT_EQ((*sensor->activations)[1], back);
    EXPECT_EQ(module->activations, nullptr);

    reader->trackActivations = false;
    TDFInstance* untracked = line("NI 1 5\n")->toInstance();
    lines({"CI 3\n", "ME 7 5\n", "MR\n"});
    EXPECT_EQ(untracked->activations, nullptr);
}

TEST_F(InstanceEvents, DeleteInstanceTakesTheReturnThatCausedIt)
{
    lines({"TS 10\n", "TM 100\n", "NI 1 5\n", "NI 1 6\n", "ME 7 5\n"});
    TDFMessageReturn* back = line("MR 7\n")->toMessageReturn();
    ASSERT_NE(back, nullptr);
    lines({"ST 2\n", "LK \"del\"\n"});
    TDFNote* note = pendNote();
    bool changed = false;
    TDFInstanceDelete* deletion = line("DI 5 7\n", &changed)->toInstanceDelete();
    ASSERT_NE(deletion, nullptr);
    EXPECT_TRUE(changed);
    EXPECT_EQ(instance(5)->deletion, deletion);
    EXPECT_EQ(deletion->messageReturn, back);
    EXPECT_EQ(back->deletion, deletion);
    EXPECT_EQ(deletion->time, back->time);
    EXPECT_EQ(reader->currentTime, 140u);
    EXPECT_EQ(deletion->givenStyle, style(2));
    EXPECT_EQ(deletion->linkText, "del");
    EXPECT_EQ(note->owner, deletion);
    EXPECT_EQ(reader->notes.count, 1);
    EXPECT_TRUE(nothingPending());
    EXPECT_EQ(reader->currentInstance, instance(6));

    // The return is taken: a second deletion naming its model stamps its own time.
    TDFInstanceDelete* other = line("DI 6 7\n")->toInstanceDelete();
    EXPECT_EQ(other->messageReturn, nullptr);
    EXPECT_EQ(other->time, 140u);
    EXPECT_EQ(reader->currentTime, 150u);
    EXPECT_EQ(reader->currentInstance, nullptr);

    EXPECT_EQ(line("DI\n"), nullptr);
    EXPECT_EQ(line("DI 99\n"), nullptr);
    EXPECT_EQ(messages(), (Reports{"can't read instance id.", "can't retrieve dynamic instance."}));
}

TEST_F(InstanceEvents, DeleteAllStopsAtThePreviousDeleteAll)
{
    TDFObject* one = line("NI 1 1\n");
    TDFObject* two = line("NI 1 2\n");
    TDFInstanceDeleteAll* first = line("DA\n")->toInstanceDeleteAll();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->instances->count, 2);
    EXPECT_EQ(first->instances->head->value, one);
    EXPECT_EQ(first->instances->last()->value, two);
    EXPECT_EQ(two->toInstance()->deletion, first);

    TDFObject* three = line("NI 1 3\n");
    lines({"NI 1 4\n", "DI 4\n", "ST 1\n", "LK \"x\"\n", "CI 3\n"});
    pendNote();
    pendGlyph();
    TDFInstanceDeleteAll* second = line("DA\n")->toInstanceDeleteAll();
    ASSERT_EQ(second->instances->count, 1);
    EXPECT_EQ(second->instances->head->value, three);
    EXPECT_EQ(second->givenStyle, style(1));
    EXPECT_TRUE(second->linkText.isNull());
    EXPECT_TRUE(nothingPending());
    EXPECT_EQ(reader->currentInstance, nullptr);
    EXPECT_EQ(reader->notes.count + reader->glyphs.count, 0);
}

TEST_F(InstanceEvents, ChangeInstanceAttachesThePendingAnnotation)
{
    TDFInstance* five = line("NI 1 5\n")->toInstance();
    TDFNote* note = pendNote();
    bool changed = false;
    EXPECT_EQ(line("CI 0\n", &changed), note);
    EXPECT_TRUE(changed);
    EXPECT_EQ(note->owner, nullptr);
    EXPECT_EQ(reader->notes.count, 1);
    EXPECT_EQ(reader->currentInstance, nullptr);

    TDFGlyph* glyph = pendGlyph();
    EXPECT_EQ(line("CI 5\n"), glyph);
    EXPECT_EQ(glyph->owner, five);
    EXPECT_EQ(five->glyph, nullptr);
    EXPECT_EQ(reader->currentInstance, five);

    // Without a readable id the current instance stays; the note goes first.
    note = pendNote();
    glyph = pendGlyph();
    EXPECT_EQ(line("CI\n"), note);
    EXPECT_EQ(reader->pendingGlyph, glyph);
    EXPECT_EQ(reader->currentInstance, five);

    pendNote();
    EXPECT_EQ(line("CI 99\n"), nullptr);
    EXPECT_TRUE(nothingPending());
    EXPECT_EQ(reader->currentInstance, nullptr);
    EXPECT_EQ(messages(), Reports{"can't retrieve dynamic instance (CI)"});
}

TEST_F(MessageEvents, CallIsCompletedByItsEmission)
{
    lines({"TS 10\n", "NI 1 1\n", "ST 1\n"});
    TDFInstance* caller = reader->currentInstance;
    TDFMessageCall* call = line("MC 1 7\n")->toMessageCall();
    ASSERT_NE(call, nullptr);
    TDFMessage* announced = call->message;
    EXPECT_EQ(announced->objectNode, nullptr);
    EXPECT_TRUE(announced->awaitingCompletion);
    EXPECT_EQ(announced->sender, caller);
    EXPECT_EQ(announced->givenStyle, style(1));

    lines({"NI 2 3\n", "ST 2\n"});
    EXPECT_EQ(message("ME 7 9 1 \"done\"\n"), announced);
    EXPECT_FALSE(announced->awaitingCompletion);
    EXPECT_NE(announced->objectNode, nullptr);
    EXPECT_EQ(announced->sender, caller);
    EXPECT_EQ(announced->givenStyle, style(1));
    EXPECT_EQ(announced->receiver, instance(9));
    EXPECT_LT(call->time, announced->time);
    EXPECT_TRUE(nothingPending());

    EXPECT_EQ(line("ME 7 9 1 \"done\"\n"), nullptr);
    EXPECT_EQ(messages(), Reports{"message completion on a complete message."});
    EXPECT_EQ(reader->messages.count, 1);
}

TEST_F(MessageEvents, CompletionReportsEveryUnfittingCallOfItsIdNewestFirst)
{
    EXPECT_EQ(line("ME 7 9 1\n"), nullptr);
    TDFMessage* a = line("MC 1 7\n")->toMessageCall()->message;
    EXPECT_EQ(line("ME 8 9 1\n"), nullptr);
    EXPECT_TRUE(a->awaitingCompletion);
    TDFMessage* other = line("MC 2 7\n")->toMessageCall()->message;
    TDFMessage* b = line("MC 1 8\n")->toMessageCall()->message;

    // b doesn't fit, so the line is rejected though a fits; a is used up.
    EXPECT_EQ(line("ME 7 9 1\n"), nullptr);
    EXPECT_FALSE(a->awaitingCompletion);
    EXPECT_EQ(a->objectNode, nullptr);
    EXPECT_EQ(message("ME 8 9 1\n"), b);
    EXPECT_EQ(message("ME 7 9 2\n"), other);
    EXPECT_EQ(line("ME 7 9 1\n"), nullptr);
    EXPECT_EQ(line("ME 7 9 3\n"), nullptr);
    EXPECT_EQ(messages(), (Reports{"message completion without message call",
                                   "message completion model doesn't match call model.",
                                   "message completion model doesn't match call model.",
                                   "message completion on a complete message.",
                                   "message completion on a complete message.",
                                   "message completion without message call"}));
    EXPECT_EQ(reader->messages.count, 2);
}

TEST_F(MessageEvents, NewTraceForgetsPendingCalls)
{
    line("MC 1 7\n");
    lines({"NT\n", "SF 1 1 2\n"});
    EXPECT_EQ(line("ME 7 9 1\n"), nullptr);
    EXPECT_EQ(messages(), Reports{"message completion without message call"});
    TDFMessageCall* call = line("MC 1 7\n")->toMessageCall();
    EXPECT_EQ(message("ME 7 9 1\n"), call->message);
}

TEST_F(MessageEvents, CallFailuresLeaveTheStylePending)
{
    TDFInstance* current = line("NI 1 1\n")->toInstance();
    line("ST 1\n");
    for (const char* text : {"MC\n", "MC 1\n", "MC 1 5\n", "MC 1 7 99\n"})
        EXPECT_EQ(line(text), nullptr) << text;
    EXPECT_EQ(reader->pendingStyle, style(1));
    // A sender id of 0 means the current instance.
    TDFMessageCall* call = line("MC 1 7 0\n")->toMessageCall();
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->message->sender, current);
    reader->currentBlock = nullptr;
    EXPECT_EQ(line("MC 2 7\n"), nullptr);
    EXPECT_EQ(messages(), (Reports{"can't read message call identifier.", "can't read static id of message call.",
                                   "message call id (5) doesn't match any one in current definition block.",
                                   "can't retrieve instance.", "message call with out definition block."}));
    EXPECT_EQ(reader->messageCalls.count, 1);
}

TEST_F(MessageEvents, EmissionTakesThePendingDecorations)
{
    lines({"NI 1 1\n", "TS 10\n", "TI 4 1 0\n", "HS 64\n", "ST 2\n", "LK \"m.c:4\"\n"});
    ListNode<TDFThreadInfo*>* threadInfo = reader->pendingThreadInfo;
    ASSERT_NE(threadInfo, nullptr);
    TDFNote* note = pendNote();
    TDFGlyph* glyph = pendGlyph();
    const unsigned long long time = reader->currentTime;
    bool changed = false;
    TDFMessage* sent = line("ME   7  2   \"hello world\"\n", &changed)->toMessage();
    ASSERT_NE(sent, nullptr);
    EXPECT_TRUE(changed);
    EXPECT_EQ(sent->name(), "hello world");
    EXPECT_EQ(sent->sender, instance(1));
    EXPECT_EQ(sent->givenStyle, style(2));
    EXPECT_EQ(sent->linkText, "m.c:4");
    EXPECT_EQ(sent->time, time);
    EXPECT_EQ(sent->heapSize, 64u);
    EXPECT_EQ(sent->thread, reader->runningThread);
    EXPECT_EQ(sent->threadInfo, threadInfo);
    EXPECT_EQ(sent->note, note);
    EXPECT_EQ(glyph->owner, sent);
    EXPECT_EQ(reader->notes.count + reader->glyphs.count, 2);
    EXPECT_EQ(reader->pendingThreadInfo, nullptr);
    EXPECT_TRUE(nothingPending());
    EXPECT_TRUE(messages().empty());
}

TEST_F(MessageEvents, EmissionFailuresAndUnknownModels)
{
    line("ST 1\n");
    TDFNote* note = pendNote();
    for (const char* text : {"ME\n", "ME 7\n", "ME 7 9 \"open\n"})
        EXPECT_EQ(line(text), nullptr) << text;
    TDFDefinitionBlock* block = reader->currentBlock;
    reader->currentBlock = nullptr;
    EXPECT_EQ(line("ME 7 9\n"), nullptr);
    reader->currentBlock = block;
    EXPECT_EQ(reader->pendingNote, note);
    EXPECT_EQ(reader->pendingStyle, style(1));
    EXPECT_EQ(reader->objects.count, 0);

    // Distinct static messages are counted as they first occur; a message
    // of an unknown model stays, but can never be returned.
    EXPECT_EQ(message("ME 7 1\n")->usedModelCount, 1);
    TDFMessage* sameModel = message("ME 7 2\n");
    EXPECT_EQ(sameModel->usedModelCount, 1);
    TDFMessage* unknown = message("ME 5 3\n");
    EXPECT_EQ(unknown->model, nullptr);
    EXPECT_EQ(unknown->usedModelCount, 1);
    EXPECT_EQ(message("ME 8 4\n")->usedModelCount, 2);
    EXPECT_EQ(reader->usedMessageModels, 2);
    line("MR\n");
    EXPECT_EQ(line("MR\n")->toMessageReturn()->message, sameModel);
    EXPECT_EQ(line("ME 7 0\n")->toMessage()->receiver, nullptr);
    EXPECT_EQ(reader->currentInstance, nullptr);
    EXPECT_EQ(messages(), (Reports{"can't read static id of message\n", "can't read instance id of message target\n",
                                   "can't read message name", "no definition block while reading message",
                                   "message 5 doesn't match any model in definition block."}));
}

TEST_F(MessageEvents, ReturnMatchesNewestOpenMessageOfItsModel)
{
    lines({"TS 10\n", "NI 1 1\n"});
    TDFMessage* toTwo = message("ME 7 2\n");
    TDFMessage* toThree = message("ME 8 3\n");
    TDFMessage* toFour = message("ME 7 4\n");
    lines({"HS 32\n", "ST 3\n", "LK \"r.c:1\"\n"});
    TDFGlyph* glyph = pendGlyph();
    TDFMessageReturn* back = line("MR 8\n")->toMessageReturn();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(toThree->messageReturn, back);
    EXPECT_EQ(back->givenStyle, style(3));
    EXPECT_EQ(back->linkText, "r.c:1");
    EXPECT_EQ(back->heapSize, 32u);
    EXPECT_GT(back->time, toFour->time);
    EXPECT_EQ(glyph->owner, back);
    EXPECT_EQ(reader->glyphs.count, 1);
    EXPECT_TRUE(nothingPending());
    EXPECT_EQ(reader->currentInstance, instance(2));

    EXPECT_EQ(line("MR\n")->toMessageReturn()->message, toFour);
    EXPECT_EQ(reader->currentInstance, instance(3));
    EXPECT_EQ(line("MR\n")->toMessageReturn()->message, toTwo);
    EXPECT_EQ(reader->currentInstance, instance(1));
    EXPECT_EQ(line("MR\n"), nullptr);
    EXPECT_EQ(messages(), Reports{"can't found corresponding message for return."});
}

// Returns that name a model and returns that don't, interleaved: each
// takes the newest message still open among those it may take, and no
// message is returned twice.
TEST_F(MessageEvents, ReturnsWithAndWithoutModelTakeEachMessageOnce)
{
    lines({"TS 10\n", "NI 1 1\n"});
    TDFMessage* first7 = message("ME 7 2\n");
    TDFMessage* first8 = message("ME 8 3\n");
    TDFMessage* second7 = message("ME 7 4\n");
    TDFMessage* second8 = message("ME 8 5\n");
    auto returned = [this](const char* text) {
        TDFObject* back = line(text);
        return back ? back->toMessageReturn()->message : nullptr;
    };
    EXPECT_EQ(returned("MR 7\n"), second7);
    EXPECT_EQ(returned("MR\n"), second8);
    EXPECT_EQ(returned("MR 8\n"), first8);
    TDFMessage* third7 = message("ME 7 6\n");
    EXPECT_EQ(returned("MR 7\n"), third7);
    EXPECT_EQ(returned("MR 7\n"), first7);
    EXPECT_EQ(returned("MR\n"), nullptr);
    EXPECT_EQ(returned("MR 8\n"), nullptr);
    EXPECT_EQ(messages(), Reports(2, "can't found corresponding message for return."));
}

TEST_F(MessageEvents, ReturnStaysInItsThreadAndBlock)
{
    lines({"TI 1 1 0\n", "NI 1 1\n", "ME 7 2\n", "TI 2 1 0\n", "ST 1\n", "LK \"x\"\n"});
    pendNote();
    TDFGlyph* glyph = pendGlyph();
    EXPECT_EQ(line("MR\n"), nullptr);
    // The glyph stays as a free one, the note and link go, the style waits.
    EXPECT_EQ(glyph->owner, nullptr);
    EXPECT_EQ(reader->glyphs.count, 1);
    EXPECT_EQ(reader->pendingNote, nullptr);
    EXPECT_TRUE(reader->pendingLink.isNull());
    EXPECT_EQ(reader->pendingStyle, style(1));
    line("TI 1 1 0\n");

    // A block with its own message 7: the open message belongs to the first.
    lines({"DB \"test\"\n", "ID 1 3\n", "MS 7 \"ping\"\n", "ED\n", "SF 2 1 3\n"});
    EXPECT_EQ(line("MR 7\n"), nullptr);
    line("CS 1\n");
    TDFObject* back = line("MR 7\n");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->toMessageReturn()->message->receiver, instance(2));
    EXPECT_EQ(messages(), Reports(2, "can't found corresponding message for return."));
}

}
