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

#include "block_pool.h"
#include "internal/flat_index.h"
#include "internal/freed_instances.h"
#include "internal/open_message_index.h"
#include "internal/past_returns.h"
#include "internal/tdf_bookkeeping.h"
#include "tdf.h"
#include "tdf_factory.h"

#include <cstdint>
#include <algorithm>
#include <memory>
#include <new>
#include <typeinfo>
#include <unordered_set>
#include <vector>

using namespace tdf::internal;

namespace {

// A message stays while a later line can take it: a call may complete it,
// a return may return it (only a message with a model is ever returned).
bool messageHeld(const TDFMessage* message)
{
    return message->call || (message->model && !message->messageReturn);
}

unsigned long long address(const TDFInstance* instance)
{
    return reinterpret_cast<std::uintptr_t>(instance);
}

bool createdItsReceiver(const TDFMessage* message)
{
    return message->receiver && message->receiver->creationMessage == message;
}

template <class T>
void unlinkFrom(List<T*>& list, ListNode<T*>*& node)
{
    if (node)
        list.unlink(node);
    node = nullptr;
}

// What a return needs of an open message that no return took while it was
// among the newest of its group. A return seldom takes an older one, and
// millions of them pile up when messages are never returned: kept compact,
// each takes 64 bytes with its entry in the index, instead of some 260 as
// a whole message in its lists.
struct CompactMessage {
    TDFDBMessage* model;
    TDFInstance* sender;
    TDFInstance* receiver;
    unsigned long long time;
    unsigned long long heapSize;
    int usedModelCount;
};

// An open message as the open message index holds it: the whole message,
// or its compact form, told apart by the low bit (both are aligned to 8
// bytes).
class OpenMessage {
public:
    OpenMessage() = default;
    explicit OpenMessage(TDFMessage* message) : bits_(reinterpret_cast<std::uintptr_t>(message)) {}
    explicit OpenMessage(CompactMessage* compact) : bits_(reinterpret_cast<std::uintptr_t>(compact) | 1) {}

    explicit operator bool() const { return bits_ != 0; }
    bool isCompact() const { return bits_ & 1; }
    TDFMessage* message() const { return reinterpret_cast<TDFMessage*>(bits_); }
    CompactMessage* compact() const { return reinterpret_cast<CompactMessage*>(bits_ & ~std::uintptr_t(1)); }

private:
    std::uintptr_t bits_ = 0;
};

// The newest open messages of each thread and block stay whole.
constexpr std::size_t wholeOpenMessages = 32;

}

struct TDF::Streaming {
    explicit Streaming(TDF& owner) : reader(owner) {}

    TDF& reader;
    // What may have become unreachable since the last release: the events
    // the lines made (or a return let go of), then the instances let go of.
    // An event is queued once and never freed by another's release before
    // its turn: kinds that go only with what holds them (returns, loop
    // starts, annotations an event carries) are not queued. An instance may
    // be let go of several times and is queued once.
    std::vector<TDFObject*> events;
    std::vector<TDFInstance*> instances;
    size_t nextInstance = 0;  // the instances before it have been looked at
    // How many kept messages, loop starts and trigger markers name each
    // instance: counted in the instance, and past what its counter holds,
    // here by its address while it lives.
    FlatMap<unsigned> extraUses;

    unsigned usesOf(const TDFInstance* instance) const
    {
        return instance->streamingUses_ +
               (instance->streamingUses_ == mostUsesCounted ? extraUses.find(address(instance)) : 0);
    }
    std::unordered_set<const TDFInstance*> keptInstances;
    // A freed deleted instance that is still the one known under its id
    // comes back when a line names it.
    FreedInstances<TDFDBInstance> freedInstances;
    // The returns no deletion has named yet: a deletion takes the newest
    // of its static message.
    PastReturns<TDFDBMessage> pastReturns;
    // The deletion of every deleted instance whose own deletion was freed.
    TDFInstanceDelete standInDeletion;
    // The reader's instance pointers at the last release: an instance they
    // let go of may have become unreachable.
    TDFInstance* watchedCurrent = nullptr;
    TDFInstance* watchedActionBlock = nullptr;
    ReleaseObserver observer;
    // The open messages a return may take, the older ones compact.
    tdf::internal::OpenMessageIndex<OpenMessage> openMessages;
    // Whether messages come from the library's own factory, which made the
    // plain TDFMessage a compact message becomes again.
    const TDFFactory* checkedFactory = nullptr;
    bool plainFactory = false;

    BlockPool compactMemory{sizeof(CompactMessage)};

    // Keeps an old open message compact, when nothing but the index points
    // at it and it holds nothing a compact one leaves out.
    OpenMessage settle(OpenMessage open)
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

    bool compactable(const TDFMessage* message)
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

    // The message a compact one stands for, returned on the running thread.
    TDFMessage* reopen(CompactMessage* compact)
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

    // An event the current line made, or a message its return let go of.
    void queueEvent(TDFObject* object)
    {
        switch (object->type) {
        // An open or called message is let go of by its return, if ever.
        case TDF_MESSAGE:
            if (!messageHeld(object->toMessage()))
                events.push_back(object);
            return;
        case TDF_INSTANCE_DELETE:
        case TDF_INSTANCE_DELETE_ALL:
        case TDF_LOOP_END:
        case TDF_ACTION:
        case TDF_SYNCHRONISATION: events.push_back(object); return;
        case TDF_NOTE:
            if (!carried(object->toNote()))
                events.push_back(object);
            return;
        case TDF_GLYPH:
            if (!carried(object->toGlyph()))
                events.push_back(object);
            return;
        // An instance is queued when something lets go of it; the rest is
        // kept, or goes with what holds it.
        default: return;
        }
    }

    // An annotation its event carries goes with the event.
    static bool carried(const TDFNote* note) { return note->owner && note->owner->note == note; }
    static bool carried(const TDFGlyph* glyph) { return glyph->owner && glyph->owner->glyph == glyph; }

    void queue(TDFInstance* instance)
    {
        if (std::find(instances.begin() + std::ptrdiff_t(nextInstance), instances.end(), instance) == instances.end())
            instances.push_back(instance);
    }

    void watch(TDFInstance*& watched, TDFInstance* now)
    {
        if (watched == now)
            return;
        if (watched && watched->deletion)
            queue(watched);
        watched = now;
    }

    // Looks at what the lines since the last release queued, and at what
    // releasing that lets go of in turn.
    void releaseUnreachable()
    {
        watch(watchedCurrent, reader.currentInstance);
        watch(watchedActionBlock, reader.actionBlockInstance);
        // Most lines leave nothing to look at (a message waits for its
        // return): those go without the frame of the release.
        if (!events.empty() || !instances.empty())
            releaseQueued();
    }

    // Not inlined above, where it would make every line pay for its frame.
    [[gnu::noinline]] void releaseQueued()
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

    // Whether the object can go now; one kept now is queued again by
    // whatever lets go of it later.
    bool unreachable(TDFObject* object)
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
        // A loop start goes with its end, a return with its message; the
        // rest is kept.
        default: return false;
        }
    }

    void release(TDFObject* object)
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

    bool instanceUnreachable(TDFInstance* instance) const
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

    void dropUse(TDFInstance* instance)
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

    // Every freed object leaves the objects; a freed instance, which
    // releasing its creating message may have queued, leaves the queue.
    void free(TDFObject* object)
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
    void freeAnnotations(TDFObject* event)
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

    void releaseMessage(TDFMessage* message)
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

    void releaseInstance(TDFInstance* instance)
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
    void markDeleted(TDFInstance* instance, const TDFInstanceDeleteAbstract* deletion)
    {
        if (instance && instance->deletion == deletion) {
            instance->deletion = &standInDeletion;
            queue(instance);
        }
    }

    void releaseDeletion(TDFInstanceDelete* deletion)
    {
        markDeleted(deletion->instance, deletion);
        freeStandInReturn(deletion);
        freeAnnotations(deletion);
        unlinkFrom(reader.instanceDeletes, deletion->listNode);
        free(deletion);
    }

    // A return that a streamed deletion names is a stand-in of its own.
    static void freeStandInReturn(TDFInstanceDelete* deletion)
    {
        if (TDFMessageReturn* standIn = deletion->messageReturn) {
            delete standIn->message;
            delete standIn;
            deletion->messageReturn = nullptr;
        }
    }

    void releaseDeleteAll(TDFInstanceDeleteAll* deleteAll)
    {
        if (deleteAll->instances)
            for (TDFInstance* instance : *deleteAll->instances)
                markDeleted(instance, deleteAll);
        unlinkFrom(reader.instanceDeletes, deleteAll->listNode);
        free(deleteAll);
    }

    void releaseLoopEnd(TDFLoopEnd* loopEnd)
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

    // Instances that came back by id are in no list of objects, and the
    // objects own no stand-in return.
    void clear()
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
};

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

void TDF::mayRelease(TDFObject* object)
{
    if (streaming_)
        streaming_->queueEvent(object);
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

void TDF::releaseUnreachable()
{
    streaming_->releaseUnreachable();
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
