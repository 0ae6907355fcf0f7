// Streaming: the reader frees each object once no later line can reach it.
//
// What a later line can reach is what the statements look up: instances by
// dynamic id (NI, CI, DI, MC, ME, AC, BA, SY), the newest open message of
// a thread and block (MR), calls by call id (ME), returns without deletion
// by static message id (DI), open loops (LE), the instances alive since the
// last delete-all (DA, SA), and the reader's own current, action-block and
// trigger pointers. Everything else goes once the line that made it has
// been handed out: the release runs at the start of the next line.
//
// Within that, an object may still be held by a kept one: a message by its
// call (calls are never forgotten) or by the instance it created; an
// instance by the kept events that name it (counted in it); a note or
// glyph by the event that carries it; a return by its message.

#include "internal/streaming.h"

#include "internal/tdf_bookkeeping.h"
#include "tdf_factory.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <typeinfo>

using namespace tdf::internal;

namespace {

unsigned long long address(const TDFInstance* instance)
{
    return reinterpret_cast<std::uintptr_t>(instance);
}

template <class T>
void unlinkFrom(List<T*>& list, ListNode<T*>*& node)
{
    if (node)
        list.unlink(node);
    node = nullptr;
}

}

unsigned TDF::Streaming::usesOf(const TDFInstance* instance) const
{
    return instance->streamingUses_ +
           (instance->streamingUses_ == mostUsesCounted ? extraUses.find(address(instance)) : 0);
}

OpenMessage TDF::Streaming::settle(OpenMessage open)
{
    if (open.isCompact())
        return open;
    TDFMessage* message = open.message();
    if (!compactable(message))
        return open;
    auto* compact = new (compactMemory.take())
        CompactMessage{message->model,  message->sender,   message->receiver,
                       message->time,   message->heapSize, message->usedModelCount};
    unlinkFrom(reader.messages, message->listNode);
    // The compact message names its instances in the message's stead.
    free(message);
    return OpenMessage(compact);
}

bool TDF::Streaming::compactable(const TDFMessage* message)
{
    if (checkedFactory != reader.factory()) {
        checkedFactory = reader.factory();
        plainFactory = typeid(*checkedFactory) == typeid(TDFFactory);
    }
    return plainFactory && typeid(*message) == typeid(TDFMessage) && !message->call && !message->messageReturn &&
           !message->note && !message->glyph && !message->givenStyle && !message->ownStyle &&
           message->nameText.isNull() && message->linkText.isNull() && !message->threadInfo &&
           message->awaitingCompletion && !createdItsReceiver(message);
}

TDFMessage* TDF::Streaming::reopen(CompactMessage* compact)
{
    auto* message = new TDFMessage;
    message->model = compact->model;
    message->sender = compact->sender;
    message->receiver = compact->receiver;
    message->time = compact->time;
    message->heapSize = compact->heapSize;
    message->usedModelCount = compact->usedModelCount;
    message->thread = reader.runningThread;
    compactMemory.give(compact);
    // Counted among the objects when it was read.
    message->objectNode = reader.objects.append(message);
    message->listNode = reader.messages.append(message);
    return message;
}

void TDF::Streaming::queue(TDFInstance* instance)
{
    if (std::find(instances.begin() + std::ptrdiff_t(nextInstance), instances.end(), instance) == instances.end())
        instances.push_back(instance);
}

void TDF::Streaming::releaseQueued()
{
    // Instances last: an event freed before them may still point at one
    // (a note at its owner, a deletion at its instance).
    for (size_t i = 0; i < events.size(); ++i)
        if (unreachable(events[i]))
            release(events[i]);
    events.clear();
    while (nextInstance < instances.size()) {
        TDFInstance* instance = instances[nextInstance++];
        if (instanceUnreachable(instance))
            releaseInstance(instance);
    }
    instances.clear();
    nextInstance = 0;
}

// Whether the object can go now; one kept now is queued again by whatever
// lets go of it later.
bool TDF::Streaming::unreachable(TDFObject* object)
{
    switch (object->type) {
    case TDF_INSTANCE: return instanceUnreachable(object->toInstance());
    case TDF_MESSAGE: {
        TDFMessage* message = object->toMessage();
        if (messageHeld(message))
            return false;
        // The instance it created holds it; that instance may be free.
        if (createdItsReceiver(message)) {
            if (message->receiver->deletion)
                queue(message->receiver);
            return false;
        }
        return true;
    }
    case TDF_NOTE: return !carried(object->toNote());
    case TDF_GLYPH: return !carried(object->toGlyph());
    case TDF_INSTANCE_DELETE:
    case TDF_INSTANCE_DELETE_ALL:
    case TDF_LOOP_END:
    case TDF_ACTION:
    case TDF_SYNCHRONISATION: return true;
    // A loop start goes with its end, a return with its message; the rest
    // is kept.
    default: return false;
    }
}

void TDF::Streaming::release(TDFObject* object)
{
    switch (object->type) {
    case TDF_INSTANCE: releaseInstance(object->toInstance()); return;
    case TDF_MESSAGE: releaseMessage(object->toMessage()); return;
    case TDF_INSTANCE_DELETE: releaseDeletion(object->toInstanceDelete()); return;
    case TDF_INSTANCE_DELETE_ALL: releaseDeleteAll(object->toInstanceDeleteAll()); return;
    case TDF_LOOP_END: releaseLoopEnd(object->toLoopEnd()); return;
    case TDF_NOTE: unlinkFrom(reader.notes, object->toNote()->listNode); break;
    case TDF_GLYPH: unlinkFrom(reader.glyphs, object->toGlyph()->listNode); break;
    case TDF_ACTION: unlinkFrom(reader.actions, object->toAction()->listNode); break;
    case TDF_SYNCHRONISATION: unlinkFrom(reader.synchronisations, object->toSynchronisation()->listNode); break;
    default: break;
    }
    free(object);
}

bool TDF::Streaming::instanceUnreachable(TDFInstance* instance) const
{
    if (instance->deletion != &standInDeletion || instance == reader.currentInstance ||
        instance == reader.actionBlockInstance || (!keptInstances.empty() && keptInstances.count(instance)))
        return false;
    unsigned namedBy = usesOf(instance);
    // The message that created it names it too, but goes with it.
    if (const TDFMessage* creation = instance->creationMessage; creation && !messageHeld(creation))
        namedBy -= unsigned(creation->receiver == instance) + unsigned(creation->sender == instance);
    return namedBy == 0;
}

void TDF::Streaming::dropUse(TDFInstance* instance)
{
    if (!instance)
        return;
    if (instance->streamingUses_ == mostUsesCounted) {
        const unsigned long long key = address(instance);
        if (const unsigned extra = extraUses.find(key)) {
            if (extra > 1)
                --extraUses.at(key);
            else
                extraUses.erase(key);
            return;
        }
    }
    if (instance->streamingUses_ == 0 || --instance->streamingUses_ > 0)
        return;
    if (instance->deletion)
        queue(instance);
}

// Every freed object leaves the objects; a freed instance, which releasing
// its creating message may have queued, leaves the queue.
void TDF::Streaming::free(TDFObject* object)
{
    if (object->type == TDF_INSTANCE) {
        const auto queued = std::find(instances.begin() + std::ptrdiff_t(nextInstance), instances.end(), object);
        if (queued != instances.end())
            instances.erase(queued);
    }
    if (observer)
        observer(object);
    if (object->objectNode) {
        reader.objects.unlink(object->objectNode);
        object->objectNode = nullptr;
    }
    delete object;
}

// A note or glyph that an event carries goes with the event.
void TDF::Streaming::freeAnnotations(TDFObject* event)
{
    if (TDFNote* note = event->note; note && note->owner == event) {
        unlinkFrom(reader.notes, note->listNode);
        free(note);
    }
    if (TDFGlyph* glyph = event->glyph; glyph && glyph->owner == event) {
        unlinkFrom(reader.glyphs, glyph->listNode);
        free(glyph);
    }
    event->note = nullptr;
    event->glyph = nullptr;
}

void TDF::Streaming::releaseMessage(TDFMessage* message)
{
    if (TDFMessageReturn* messageReturn = message->messageReturn) {
        freeAnnotations(messageReturn);
        unlinkFrom(reader.messageReturns, messageReturn->listNode);
        free(messageReturn);
    }
    freeAnnotations(message);
    unlinkFrom(reader.messages, message->listNode);
    TDFInstance* sender = message->sender;
    TDFInstance* receiver = message->receiver;
    free(message);
    dropUse(sender);
    dropUse(receiver);
}

void TDF::Streaming::releaseInstance(TDFInstance* instance)
{
    // The id still names it: it comes back as it was when named again.
    if (reader.instanceHash.search(instance->id) == instance)
        freedInstances.remember(instance->id, instance->model, instance->occurrence,
                                instance->named ? instance->nameText : QString());
    reader.instanceHash.remove(instance);
    unlinkFrom(reader.instances, instance->instanceNode);
    TDFMessage* creation = instance->creationMessage;
    instance->creationMessage = nullptr;
    if (creation && !messageHeld(creation))
        releaseMessage(creation);
    free(instance);
}

// The deleted instance keeps the stand-in deletion once its own goes.
void TDF::Streaming::markDeleted(TDFInstance* instance, const TDFInstanceDeleteAbstract* deletion)
{
    if (instance && instance->deletion == deletion) {
        instance->deletion = &standInDeletion;
        queue(instance);
    }
}

void TDF::Streaming::releaseDeletion(TDFInstanceDelete* deletion)
{
    markDeleted(deletion->instance, deletion);
    freeStandInReturn(deletion);
    freeAnnotations(deletion);
    unlinkFrom(reader.instanceDeletes, deletion->listNode);
    free(deletion);
}

// A return that a streamed deletion names is a stand-in of its own.
void TDF::Streaming::freeStandInReturn(TDFInstanceDelete* deletion)
{
    if (TDFMessageReturn* standIn = deletion->messageReturn) {
        delete standIn->message;
        delete standIn;
        deletion->messageReturn = nullptr;
    }
}

void TDF::Streaming::releaseDeleteAll(TDFInstanceDeleteAll* deleteAll)
{
    if (deleteAll->instances)
        for (TDFInstance* instance : *deleteAll->instances)
            markDeleted(instance, deleteAll);
    unlinkFrom(reader.instanceDeletes, deleteAll->listNode);
    free(deleteAll);
}

void TDF::Streaming::releaseLoopEnd(TDFLoopEnd* loopEnd)
{
    if (TDFLoopStart* loopStart = loopEnd->loopStart; loopStart && loopStart->loopEnd == loopEnd) {
        unlinkFrom(reader.loopStarts, loopStart->listNode);
        TDFInstance* instance = loopStart->instance;
        free(loopStart);
        dropUse(instance);
    }
    unlinkFrom(reader.loopEnds, loopEnd->listNode);
    free(loopEnd);
}

void TDF::Streaming::clear()
{
    for (TDFInstance* instance : reader.instances)
        if (!instance->objectNode)
            delete instance;
    for (TDFInstanceDeleteAbstract* deletion : reader.instanceDeletes)
        if (TDFInstanceDelete* single = deletion->toInstanceDelete())
            freeStandInReturn(single);
    events.clear();
    instances.clear();
    nextInstance = 0;
    extraUses.clear();
    keptInstances.clear();
    freedInstances.clear();
    pastReturns.clear();
    openMessages.clear();
    compactMemory.release();
    watchedCurrent = watchedActionBlock = nullptr;
}

void TDF::setStreaming(bool on)
{
    if (on == isStreaming())
        return;
    // Objects read one way can't be kept the other way.
    if (objects.count > 0 || messageCalls.count > 0)
        reset(true);
    if (on) {
        streaming_ = new Streaming(*this);
    } else {
        delete streaming_;
        streaming_ = nullptr;
    }
}

void TDF::keepInstance(TDFInstance* instance)
{
    if (streaming_ && instance)
        streaming_->keptInstances.insert(instance);
}

void TDF::setReleaseObserver(const ReleaseObserver& observer)
{
    if (streaming_)
        streaming_->observer = observer;
}

unsigned long long TDF::appendedObjectTotal() const
{
    unsigned long long total = 0;
    for (unsigned long long count : appendedObjects)
        total += count;
    return total;
}

TDFInstance* TDF::findInstance(unsigned long long id)
{
    if (TDFInstance* found = instanceHash.search(id))
        return found;
    return streaming_ ? bringBackFreedInstance(id) : nullptr;
}

TDFInstance* TDF::bringBackFreedInstance(unsigned long long id)
{
    FreedInstances<TDFDBInstance>::Freed freed;
    if (!streaming_->freedInstances.take(id, &freed))
        return nullptr;
    TDFInstance* instance = factory()->newTDFInstance();
    instance->id = id;
    instance->model = freed.model;
    instance->occurrence = freed.occurrence;
    if (freed.ownName.isNull())
        instance->nameText = TDFInstance::generatedName(instance->model, instance->occurrence);
    else
        instance->setName(freed.ownName);
    instance->deletion = &streaming_->standInDeletion;
    // Listed, unlike in the objects, so that a reset finds it.
    instance->instanceNode = instances.append(instance);
    instance->hashNode = instanceHash.intern(instance, nullptr);
    streaming_->queue(instance);
    return instance;
}

void TDF::countExtraUse(TDFInstance* instance)
{
    ++streaming_->extraUses.at(address(instance));
}

TDFMessageReturn* TDF::streamedReturnWithoutDeletion(unsigned long long staticId)
{
    TDFDBMessage* model;
    unsigned long long time;
    if (!streaming_->pastReturns.takeNewest(staticId, &model, &time))
        return nullptr;
    TDFMessage* message = factory()->newTDFMessage();
    message->model = model;
    TDFMessageReturn* standIn = factory()->newTDFMessageReturn();
    standIn->message = message;
    standIn->time = time;
    message->messageReturn = standIn;
    return standIn;
}

void TDF::keepStreamedOpenMessage(TDFMessage* message)
{
    streaming_->openMessages.add({message->thread, message->model->definitionBlock}, message->model->id,
                                 OpenMessage(message), wholeOpenMessages,
                                 [this](OpenMessage older) { return streaming_->settle(older); });
}

TDFMessage* TDF::takeStreamedOpenMessage(bool byModel, unsigned long long staticId)
{
    const OpenMessage open = streaming_->openMessages.take({runningThread, currentBlock}, byModel, staticId);
    if (!open)
        return nullptr;
    if (open.isCompact())
        return streaming_->reopen(open.compact());
    return open.message();
}

void TDF::rememberReturn(const TDFMessageReturn* messageReturn)
{
    TDFDBMessage* model = messageReturn->message->model;
    streaming_->pastReturns.remember(model->id, model, messageReturn->time);
}

void TDF::clearStreaming()
{
    streaming_->clear();
}
