#include <naming.h>
#include <style.h>
#include <tcf.h>
#include <tdf.h>
#include <tdf_db.h>
#include <tdf_factory.h>
#include <tdf_objects.h>

#include "qstring_print.h"
#include "resource_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TEST(TDFObjectType, NamesOfKinds)
{
    EXPECT_STREQ(strTDFObjectType(TDF_GENERIC), "generic");
    EXPECT_STREQ(strTDFObjectType(TDF_MESSAGE_RETURN), "return");
    EXPECT_STREQ(strTDFObjectType(TDF_THREAD_INFO), "thread");
    EXPECT_STREQ(strTDFObjectType(TDF_TRIGGER_STOP), "trigger_stop");
    for (int none : {6, 13, 15, 18, 19, 1000, -1})
        EXPECT_EQ(strTDFObjectType(TDFObjectType(none)), nullptr) << none;
}

// Counts the casts that answer for an object.
int answeringCasts(TDFCast& object)
{
    void* casts[] = {object.toObject(),          object.toTextObject(),        object.toNote(),
                     object.toGlyph(),           object.toAction(),            object.toSynchronisation(),
                     object.toMessage(),         object.toMessageCall(),       object.toMessageReturn(),
                     object.toInstance(),        object.toInstanceDelete(),    object.toInstanceDeleteAll(),
                     object.toThreadInfo(),      object.toExternalTrigger(),   object.toTriggerStart(),
                     object.toTriggerStop(),     object.toLoopStart(),         object.toLoopEnd(),
                     object.toTDFDefinitionBlock()};
    int answering = 0;
    for (void* cast : casts)
        answering += cast != nullptr;
    return answering;
}

TEST(TDFFactory, MakesEachKindWithItsTypeAndCasts)
{
    TDFFactory factory;
    struct Made {
        std::unique_ptr<TDFObject> object;
        TDFObjectType type;
        bool textObject;
        void* ownCast;
    };
    std::vector<Made> made;
    auto add = [&made](TDFObject* object, TDFObjectType type, bool text, void* ownCast) {
        made.push_back({std::unique_ptr<TDFObject>(object), type, text, ownCast});
    };
    TDFNote* note = factory.newTDFNote();
    add(note, TDF_NOTE, true, note->toNote());
    TDFGlyph* glyph = factory.newTDFGlyph();
    add(glyph, TDF_GLYPH, true, glyph->toGlyph());
    TDFSynchronisation* sync = factory.newTDFSynchronisation();
    add(sync, TDF_SYNCHRONISATION, true, sync->toSynchronisation());
    TDFAction* action = factory.newTDFAction();
    add(action, TDF_ACTION, true, action->toAction());
    TDFLoopStart* loopStart = factory.newTDFLoopStart();
    add(loopStart, TDF_LOOP_START, false, loopStart->toLoopStart());
    TDFLoopEnd* loopEnd = factory.newTDFLoopEnd();
    add(loopEnd, TDF_LOOP_END, false, loopEnd->toLoopEnd());
    TDFInstance* instance = factory.newTDFInstance();
    add(instance, TDF_INSTANCE, false, instance->toInstance());
    TDFInstanceDelete* deletion = factory.newTDFInstanceDelete();
    add(deletion, TDF_INSTANCE_DELETE, false, deletion->toInstanceDelete());
    TDFInstanceDeleteAll* deleteAll = factory.newTDFInstanceDeleteAll();
    add(deleteAll, TDF_INSTANCE_DELETE_ALL, false, deleteAll->toInstanceDeleteAll());
    TDFMessageReturn* messageReturn = factory.newTDFMessageReturn();
    add(messageReturn, TDF_MESSAGE_RETURN, false, messageReturn->toMessageReturn());
    TDFMessageCall* call = factory.newTDFMessageCall();
    add(call, TDF_MESSAGE_CALL, false, call->toMessageCall());
    TDFMessage* message = factory.newTDFMessage();
    add(message, TDF_MESSAGE, false, message->toMessage());
    TDFDefinitionBlock* block = factory.newTDFDefinitionBlock();
    add(block, TDF_DEFINITION_BLOCK, true, block->toTDFDefinitionBlock());
    TDFThreadInfo* threadInfo = factory.newTDFThreadInfo();
    add(threadInfo, TDF_THREAD_INFO, false, threadInfo->toThreadInfo());
    TDFExternalTrigger* external = factory.newTDFExternalTrigger();
    add(external, TDF_EXTERNAL_TRIGGER, false, external->toExternalTrigger());
    TDFTriggerStart* triggerStart = factory.newTDFTriggerStart();
    add(triggerStart, TDF_TRIGGER_START, false, triggerStart->toTriggerStart());
    TDFTriggerStop* triggerStop = factory.newTDFTriggerStop();
    add(triggerStop, TDF_TRIGGER_STOP, false, triggerStop->toTriggerStop());

    for (Made& each : made) {
        TDFObject* object = each.object.get();
        EXPECT_EQ(object->type, each.type);
        EXPECT_EQ(each.ownCast, static_cast<void*>(object)) << each.type;
        EXPECT_EQ(object->toObject(), object);
        EXPECT_EQ(object->toTextObject() != nullptr, each.textObject) << each.type;
        EXPECT_EQ(answeringCasts(*object), each.textObject ? 3 : 2) << each.type;
        EXPECT_TRUE(object->name().isNull());
        EXPECT_EQ(object->time, 0u);
        EXPECT_EQ(object->note, nullptr);
        EXPECT_EQ(object->style(), nullptr);
    }

    std::unique_ptr<TDFNewTrace> newTrace(factory.newTDFNewTrace());
    EXPECT_EQ(newTrace->type, TDF_NEW_TRACE);
    EXPECT_EQ(newTrace->toNewTrace(), newTrace.get());
    EXPECT_EQ(answeringCasts(*newTrace), 1);

    std::unique_ptr<TDFThread> thread(factory.newTDFThread());
    EXPECT_TRUE(thread->name.isNull());
    EXPECT_EQ(thread->num, 0u);
    EXPECT_TRUE(message->awaitingCompletion);
}

// A client factory whose instances carry extra data.
struct TaggedInstance : TDFInstance {
    int tag = 42;
};
struct TaggingFactory : TDFFactory {
    TDFInstance* newTDFInstance() override { return new TaggedInstance; }
};

TEST(TDFFactory, ClientFactoryMakesItsOwnSubclasses)
{
    TaggingFactory tagging;
    TDFFactory& factory = tagging;
    std::unique_ptr<TDFInstance> instance(factory.newTDFInstance());
    auto* tagged = dynamic_cast<TaggedInstance*>(instance.get());
    ASSERT_NE(tagged, nullptr);
    EXPECT_EQ(tagged->tag, 42);
    EXPECT_EQ(instance->type, TDF_INSTANCE);
}

// A configuration with a nested and a flat instance type, and a block
// declaring static instances, a message and a text with a text source.
class ModelTest : public testing::Test {
protected:
    ModelTest() : tcf("cfg", 1)
    {
        tcf.addStyle(typeStyle = new Style("type", 1));
        tcf.addStyle(ownStyle = new Style("own", 2));
        nested = new InstanceType(&tcf, "Task", QString(), typeStyle);
        nested->controlFlowSet = true;
        nested->ownNestedControlFlow = true;
        tcf.addInstanceType(nested);
        flat = new InstanceType(&tcf, "Module", QString(), nullptr);
        flat->controlFlowSet = true;
        tcf.addInstanceType(flat);

        block.setTCF(&tcf);
        block.source = new TDFDBSource;
        block.source->init("main.c", 0, TDFDBSource::SOURCE_TXT);
        sensor = new TDFDBInstance(1, nested, "Sensor");
        sensor->sourceLine = 12;
        block.addInstance(sensor);
        module = new TDFDBInstance(2, flat, "io");
        block.addInstance(module);
        ping = new TDFDBMessage(3, "ping");
        ping->sourceLinkText = "#ping";
        block.addMessage(ping);
        label = new TDFDBText(4, "label");
        block.addText(label);
    }

    // A dynamic instance of a static one, created by `creator` if given.
    TDFInstance* instanceOf(TDFDBInstance* model, TDFMessage* creator = nullptr)
    {
        TDFInstance* instance = new TDFInstance;
        instance->creationMessage = creator;
        instance->setModel(model);
        owned.emplace_back(instance);
        return instance;
    }

    template <class T>
    T* make()
    {
        T* object = new T;
        owned.emplace_back(object);
        return object;
    }

    TCF tcf;
    Style* typeStyle;
    Style* ownStyle;
    InstanceType* nested;
    InstanceType* flat;
    TDFDefinitionBlock block;
    TDFDBInstance* sensor;
    TDFDBInstance* module;
    TDFDBMessage* ping;
    TDFDBText* label;
    std::vector<std::unique_ptr<TDFObject>> owned;
};

TEST_F(ModelTest, NamesLinksAndStylesFallBackToTheModel)
{
    TDFInstance* instance = instanceOf(sensor);
    EXPECT_EQ(instance->name(), "obj0:Sensor");
    EXPECT_EQ(instance->link(), "main.c:12");
    EXPECT_EQ(instance->style(), typeStyle);
    instance->linkText = "own.c:1";
    instance->givenStyle = ownStyle;
    EXPECT_EQ(instance->link(), "own.c:1");
    EXPECT_EQ(instance->style(), ownStyle);

    TDFMessage* message = make<TDFMessage>();
    EXPECT_TRUE(message->link().isNull());
    message->model = ping;
    EXPECT_EQ(message->link(), "main.c#ping");
    EXPECT_EQ(message->style(), nullptr);
    ping->givenStyle = ownStyle;
    EXPECT_EQ(message->style(), ownStyle);
    EXPECT_TRUE(message->name().isNull());

    TDFAction* action = make<TDFAction>();
    action->setName("own name");
    EXPECT_EQ(action->name(), "own name");
    action->model = label;
    EXPECT_EQ(action->name(), "label");
    EXPECT_TRUE(action->link().isNull());
    action->linkText = "";
    EXPECT_TRUE(action->link().isEmpty());
    EXPECT_FALSE(action->link().isNull());
    // A null name unnames it again.
    action->setName(QString());
    EXPECT_TRUE(action->nameText.isNull());
}

TEST_F(ModelTest, NotesAndGlyphsCombineStaticTextAndOwnName)
{
    TDFGlyph* glyph = make<TDFGlyph>();
    glyph->nameText = "extra";
    EXPECT_EQ(glyph->name(), "extra");
    glyph->model = label;
    EXPECT_EQ(glyph->name(), "label extra");
    glyph->nameText = QString();
    EXPECT_EQ(glyph->name(), "label");
    const TDFGlyph& constGlyph = *glyph;
    EXPECT_EQ(constGlyph.name(), "label");

    TDFNote* note = make<TDFNote>();
    note->model = label;
    note->nameText = "";
    EXPECT_EQ(note->name(), "label ");

    TDFMessage* message = make<TDFMessage>();
    message->setNote(note);
    message->setGlyph(glyph);
    EXPECT_EQ(message->note, note);
    EXPECT_EQ(note->owner, message);
    EXPECT_EQ(glyph->owner, message);
    message->setNote(nullptr);
    EXPECT_EQ(message->note, nullptr);
    EXPECT_EQ(note->owner, message);
}

TEST_F(ModelTest, OccurrencesCountPerStaticInstanceAndExplicitNamesStay)
{
    EXPECT_EQ(instanceOf(sensor)->name(), "obj0:Sensor");
    EXPECT_EQ(instanceOf(module)->occurrence, 0u);
    TDFInstance* named = new TDFInstance;
    owned.emplace_back(named);
    named->setName("main sensor");
    EXPECT_TRUE(named->named);
    named->setModel(sensor);
    EXPECT_EQ(named->name(), "main sensor");
    EXPECT_EQ(named->occurrence, 1u);
    TDFInstance* third = instanceOf(sensor);
    EXPECT_EQ(third->name(), "obj2:Sensor");
    EXPECT_EQ(sensor->occurrenceCounter, 3u);

    nested->naming = _TCFFromResources_Naming(parseResources("n = [ \"%1#%2\", STATIC_NAME, D_OCCURENCE ]")->toResList(),
                                              "tcf.instance_type.naming");
    EXPECT_EQ(instanceOf(sensor)->name(), "Sensor#3");

    third->setModel(nullptr);
    EXPECT_EQ(third->occurrence, 0u);
    EXPECT_TRUE(third->name().isNull());
    third->setName(QString());
    EXPECT_FALSE(third->named);
}

TEST_F(ModelTest, ModelessInstancesAreNumberedByTheReader)
{
    TDF reader(nullptr);
    for (int i = 0; i < 3; ++i) {
        TDFInstance* instance = make<TDFInstance>();
        instance->setModel(sensor);
        instance->setModeless(&reader);
        EXPECT_EQ(instance->occurrence, unsigned(i));
        EXPECT_EQ(instance->model, nullptr);
        EXPECT_EQ(instance->name(), QString("obj%1:?").arg(i));
    }
    EXPECT_EQ(reader.modelessCount, 3u);
    TDFInstance* named = make<TDFInstance>();
    named->setName("kept");
    named->setModeless(&reader);
    EXPECT_EQ(named->name(), "kept");
    EXPECT_EQ(named->occurrence, 3u);
}

// The events recorded in an instance's activations.
std::vector<TDFObject*> barsOf(const TDFInstance* instance)
{
    std::vector<TDFObject*> bars;
    if (instance->activations)
        for (int i = 0; i < instance->activations->count; ++i)
            bars.push_back((*static_cast<const Array<TDFObject*>*>(instance->activations))[i]);
    return bars;
}

TEST_F(ModelTest, ActivationBarsOfAnInstanceWithoutCreationMessage)
{
    TDFInstance* instance = instanceOf(sensor);
    TDFMessage* first = make<TDFMessage>();
    TDFMessage* second = make<TDFMessage>();
    TDFMessageReturn* innerReturn = make<TDFMessageReturn>();
    TDFMessageReturn* outerReturn = make<TDFMessageReturn>();

    instance->computeActivation(first, false);
    EXPECT_TRUE(barsOf(instance).empty());
    instance->computeActivation(first, true);
    EXPECT_EQ(barsOf(instance), std::vector<TDFObject*>{first});
    EXPECT_EQ(instance->activationLevel, 1);
    instance->computeActivation(second, true);
    EXPECT_EQ(barsOf(instance).size(), 1u);
    EXPECT_EQ(instance->activationLevel, 2);
    instance->computeActivation(innerReturn, false);
    EXPECT_EQ(barsOf(instance).size(), 1u);
    EXPECT_EQ(instance->activationLevel, 1);
    instance->computeActivation(outerReturn, false);
    EXPECT_EQ(barsOf(instance), (std::vector<TDFObject*>{first, outerReturn}));
    EXPECT_EQ(instance->activationLevel, 0);

    // Control coming back by a return opens a bar; one already open is kept.
    TDFMessageReturn* back = make<TDFMessageReturn>();
    instance->computeActivation(back, true);
    EXPECT_EQ(barsOf(instance).size(), 3u);
    EXPECT_EQ(instance->activationLevel, 1);
    instance->computeActivation(make<TDFMessageReturn>(), true);
    EXPECT_EQ(barsOf(instance).size(), 3u);
    EXPECT_EQ(instance->activationLevel, 1);
    instance->computeActivation(make<TDFMessageCall>(), true);
    EXPECT_EQ(instance->activationLevel, 2);
    instance->computeActivation(make<TDFAction>(), true);
    EXPECT_EQ(instance->activationLevel, 2);
}

TEST_F(ModelTest, CreationMessageCountsAsAnOpenBar)
{
    TDFMessage* creator = make<TDFMessage>();
    TDFInstance* instance = instanceOf(sensor, creator);
    instance->computeActivation(creator, true);
    EXPECT_EQ(barsOf(instance).size(), 0u);
    EXPECT_EQ(instance->activationLevel, 1);
    TDFMessageReturn* closing = make<TDFMessageReturn>();
    instance->computeActivation(closing, false);
    EXPECT_EQ(barsOf(instance), std::vector<TDFObject*>{closing});
    EXPECT_EQ(instance->activationLevel, 0);
    TDFMessage* reopening = make<TDFMessage>();
    instance->computeActivation(reopening, true);
    EXPECT_EQ(barsOf(instance), (std::vector<TDFObject*>{closing, reopening}));
}

TEST_F(ModelTest, OnlyNestedTypesRecordActivations)
{
    TDFInstance* flatInstance = instanceOf(module);
    TDFInstance* modeless = make<TDFInstance>();
    for (TDFInstance* instance : {flatInstance, modeless}) {
        EXPECT_FALSE(instance->hasActivation());
        instance->computeActivation(make<TDFMessage>(), true);
        EXPECT_EQ(instance->activations, nullptr);
        EXPECT_EQ(instance->activationLevel, 0);
    }
    tcf.setNestedControlFlow(true);
    EXPECT_FALSE(flatInstance->hasActivation());
    flat->controlFlowSet = false;
    EXPECT_TRUE(flatInstance->hasActivation());
}

TEST_F(ModelTest, ManyBarsGrowTheRecord)
{
    TDFInstance* instance = instanceOf(sensor);
    for (int i = 0; i < 150; ++i) {
        instance->computeActivation(make<TDFMessage>(), true);
        instance->computeActivation(make<TDFMessageReturn>(), false);
    }
    EXPECT_EQ(instance->activations->count, 300);
    EXPECT_EQ(instance->activations->capacity, 300);
    EXPECT_EQ(instance->activationLevel, 0);
}

TEST_F(ModelTest, DeletionsAreToldApartByTheirCasts)
{
    TDFInstance* instance = instanceOf(sensor);
    EXPECT_EQ(instance->instanceDelete(), nullptr);
    EXPECT_EQ(instance->instanceDeleteAll(), nullptr);
    TDFInstanceDelete* deletion = make<TDFInstanceDelete>();
    instance->deletion = deletion;
    EXPECT_EQ(instance->instanceDelete(), deletion);
    EXPECT_EQ(instance->instanceDeleteAll(), nullptr);
    TDFInstanceDeleteAll* all = make<TDFInstanceDeleteAll>();
    all->instances = new TDFInstanceList;
    all->instances->append(instance);
    instance->deletion = all;
    EXPECT_EQ(instance->instanceDelete(), nullptr);
    EXPECT_EQ(instance->instanceDeleteAll(), all);
}

// The id of a message that matched no model is kept aside for that message
// alone: it goes with the message, not with the memory it occupied.
TEST(TDFMessage, KeepsAnUnmatchedStaticIdForItsOwnLifetime)
{
    TDFFactory factory;
    std::vector<std::unique_ptr<TDFMessage>> messages;
    for (unsigned long long id = 1; id <= 100; ++id) {
        messages.emplace_back(factory.newTDFMessage());
        if (id % 2)
            messages.back()->keepUnmatchedStaticId(id * 1000);
    }
    for (unsigned long long id = 1; id <= 100; ++id)
        EXPECT_EQ(messages[id - 1]->staticId(), id % 2 ? id * 1000 : 0);

    // Messages made where the old ones were have no id of their own.
    messages.clear();
    for (int i = 0; i < 100; ++i) {
        messages.emplace_back(factory.newTDFMessage());
        EXPECT_EQ(messages.back()->staticId(), 0u);
    }

    // A model, once given, tells the id.
    TDFDBMessage model(42, "ping");
    messages.front()->keepUnmatchedStaticId(7);
    messages.front()->model = &model;
    EXPECT_EQ(messages.front()->staticId(), 42u);
}

TEST(TDFThreadInfo, AccessorsGoThroughTheThread)
{
    TDFThreadInfo info;
    EXPECT_TRUE(info.name().isNull());
    info.setName("lost");
    info.setNum(5);
    info.setColorIndex(2);

    TDFThread thread;
    info.thread = &thread;
    info.setName("worker");
    EXPECT_EQ(info.name(), "worker");
    EXPECT_EQ(thread.name, "worker");
    info.setNum(7);
    info.setColorIndex(3);
    info.setNum(0);
    info.setColorIndex(0);
    EXPECT_EQ(thread.num, 7u);
    EXPECT_EQ(thread.colorIndex, 3);
}

TEST(TDFInstanceLookup, ListFindsTheFirstAndHashTheNewest)
{
    TDFInstance older, newer, other;
    older.id = newer.id = 9;
    other.id = 622;  // same bucket as 9 with 613 buckets
    TDFInstanceList list;
    list.append(nullptr);
    list.append(&older);
    list.append(&newer);
    EXPECT_EQ(list.search(9), &older);
    EXPECT_EQ(list.search(10), nullptr);

    TDFInstanceHash hash(613);
    hash.intern(&older, nullptr);
    hash.intern(&other, nullptr);
    hash.intern(&newer, nullptr);
    EXPECT_EQ(hash.search(9), &newer);
    EXPECT_EQ(hash.search(622), &other);
    EXPECT_EQ(hash.search(0), nullptr);
}

// Code that knows the table only as a Hash interns and cleans through the
// base class; the search by id must see what it did.
TEST(TDFInstanceLookup, HashUsedThroughItsBaseKeepsItsSearchRight)
{
    TDFInstance first, second;
    first.id = second.id = 9;
    TDFInstanceHash hash(613);
    Hash<TDFInstance*>& base = hash;

    bool isNew = false;
    Hash<TDFInstance*>::Node* node = base.intern(&first, &isNew);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(hash.search(9), &first);
    EXPECT_EQ(hash.intern(&first, &isNew), node);
    EXPECT_FALSE(isNew);

    base.clean();
    EXPECT_EQ(hash.search(9), nullptr);
    hash.intern(&second, &isNew);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(base.intern(&first, &isNew)->value, &first);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(hash.search(9), &first);
    EXPECT_EQ(hash.count, 3);
}

TEST(TDFSynchronisation, OwnsItsMemberList)
{
    TDFInstance member;
    auto* sync = new TDFSynchronisation;
    sync->instances = new TDFInstanceList;
    sync->instances->append(&member);
    sync->instances->append(nullptr);
    sync->ownStyle = new Style("owned", 1);
    delete sync;
    EXPECT_EQ(member.type, TDF_INSTANCE);
}

}
