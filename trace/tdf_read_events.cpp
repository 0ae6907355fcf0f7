// Instance and message events: instances come (NI, or the first message
// they receive) and go (DI, DA), CI moves the current instance, and messages
// are announced (MC), emitted or completed (ME) and returned (MR).

#include "internal/activation.h"
#include "internal/flat_index.h"
#include "internal/open_message_index.h"
#include "internal/segmented_array.h"
#include "tdf.h"
#include "internal/tdf_bookkeeping.h"
#include "tdf_factory.h"

#include <QCoreApplication>

#include <cstdint>
#include <memory>
#include <vector>

using namespace tdf::internal;

// Every call in reading order, each chained to the previous call of the same
// call id, so that the calls of one id are visited newest first without
// looking at the others.
struct TDF::CallIndex {
    static constexpr size_t none = ~size_t(0);
    struct Entry {
        TDFMessageCall* call;
        size_t previous;  // the previous call of the same id, or none
    };
    SegmentedArray<Entry> calls;
    FlatMap<std::uint64_t> newest;  // call id -> its newest call + 1
};

// The returns of each static message id in reading order. Only the newest
// return without a deletion is ever looked for, and a return found gets its
// deletion, so those with a deletion can be dropped from the end.
struct TDF::ReturnIndex {
    using Returns = std::vector<TDFMessageReturn*>;
    FlatIndex<Returns> byMessage;
    std::vector<std::unique_ptr<Returns>> lists;

    void add(TDFMessageReturn* messageReturn)
    {
        Returns*& returns = byMessage.at(messageReturn->message->model->id);
        if (!returns) {
            lists.push_back(std::make_unique<Returns>());
            returns = lists.back().get();
        }
        returns->push_back(messageReturn);
    }
};

// Open messages by the thread they were read on and the block of their
// model; messages without a model are never returned and are left out.
struct TDF::OpenMessageIndex : ::OpenMessageIndex<ListNode<TDFMessage*>*> {
    void add(const TDFMessage* message, ListNode<TDFMessage*>* node)
    {
        if (message->model)
            ::OpenMessageIndex<ListNode<TDFMessage*>*>::add({message->thread, message->model->definitionBlock},
                                                            message->model->id, node);
    }
};

namespace {

void keepNote(TDF& reader, TDFNote* note)
{
    reader.appendObject(note);
    note->listNode = reader.notes.append(note);
}

void keepGlyph(TDF& reader, TDFGlyph* glyph)
{
    reader.appendObject(glyph);
    glyph->listNode = reader.glyphs.append(glyph);
}

// Makes a new instance the one known under its dynamic id; `earlier` is the
// deleted instance that bore the id before, if any.
void registerInstance(TDF& reader, TDFInstance* instance, TDFInstance* earlier)
{
    reader.appendObject(instance);
    instance->hashNode = reader.instanceHash.intern(instance, nullptr);
    instance->instanceNode = reader.instances.append(instance);
    // A streamed earlier instance may be freed while this one lives.
    instance->previous = reader.isStreaming() ? nullptr : earlier;
}

}

void TDF::indexCall(TDFMessageCall* call)
{
    if (!callIndex)
        callIndex = new CallIndex;
    std::uint64_t& newest = callIndex->newest.at(call->callId);
    const size_t position = callIndex->calls.size();
    callIndex->calls.push_back({call, newest == 0 ? CallIndex::none : size_t(newest - 1)});
    newest = position + 1;
}

// Every message and return follows control twice: inline.
inline void TDF::followControl(TDFInstance* instance, TDFObject* event, bool gainsControl)
{
    if (!streaming_) {
        instance->computeActivation(event, gainsControl);
        return;
    }
    // Only whether a bar is open (the parity of the count) decides what
    // comes next: a streamed record counts two boundaries at most and keeps
    // none of the events, which go before the instance does.
    if (!instance->activations) {
        if (!showsActivation(*instance))
            return;
        instance->makeActivationsInPool(2, 2);
    } else if (leavesActivationAlone(event->type, gainsControl) || !showsActivation(*instance)) {
        return;
    }
    Array<TDFObject*>& bars = *instance->activations;
    if (passControl(event->type, gainsControl, barOpen(bars.count, instance->creationMessage != nullptr),
                    instance->activationLevel))
        bars.count = bars.count == 2 ? 1 : bars.count + 1;
}

void TDF::indexReturn(TDFMessageReturn* messageReturn)
{
    if (returnIndex)
        returnIndex->add(messageReturn);
}

TDFMessageReturn* TDF::returnWithoutDeletion(unsigned long long staticId)
{
    // Most traces name no return in a deletion: the index is made by the
    // first deletion that does, and kept from then on.
    if (!returnIndex) {
        returnIndex = new ReturnIndex;
        for (TDFMessageReturn* messageReturn : messageReturns)
            returnIndex->add(messageReturn);
    }
    ReturnIndex::Returns* found = returnIndex->byMessage.find(staticId);
    if (!found)
        return nullptr;
    ReturnIndex::Returns& returns = *found;
    while (!returns.empty() && returns.back()->deletion)
        returns.pop_back();
    return returns.empty() ? nullptr : returns.back();
}

TDFMessage* TDF::openMessageToReturn(bool byModel, unsigned long long staticId)
{
    if (streaming_)
        return takeStreamedOpenMessage(byModel, staticId);
    if (!openMessageIndex) {
        openMessageIndex = new OpenMessageIndex;
        for (ListNode<TDFMessage*>* node = openMessages.head; node;
             node = node->next == openMessages.head ? nullptr : node->next)
            openMessageIndex->add(node->value, node);
    }
    ListNode<TDFMessage*>* open = openMessageIndex->take({runningThread, currentBlock}, byModel, staticId);
    if (!open)
        return nullptr;
    TDFMessage* message = open->value;
    openMessages.unlink(open);
    return message;
}

void TDF::dropEventIndexes()
{
    delete callIndex;
    callIndex = nullptr;
    delete returnIndex;
    returnIndex = nullptr;
    delete openMessageIndex;
    openMessageIndex = nullptr;
}

TDFMessage* TDF::messageToComplete(unsigned long long callId, unsigned long long staticId)
{
    // Every call of the id that doesn't fit is reported, newest first, up
    // to the first that does; after such a report the line is rejected even
    // when a call fits (that call is then taken without being completed).
    bool faulty = false;
    size_t position = CallIndex::none;
    if (callIndex) {
        if (const std::uint64_t newest = callIndex->newest.find(callId))
            position = size_t(newest - 1);
    }
    for (; position != CallIndex::none; position = callIndex->calls[position].previous) {
        TDFMessage* message = callIndex->calls[position].call->message;
        if (!message->awaitingCompletion) {
            reportError("message completion on a complete message.");
        } else if (!message->model) {
            reportError("message completion without model.");
        } else if (message->model->id != staticId) {
            reportError("message completion model doesn't match call model.");
        } else {
            message->awaitingCompletion = false;
            return faulty ? nullptr : message;
        }
        faulty = true;
    }
    if (!faulty)
        reportError("message completion without message call");
    return nullptr;
}

// NI STATIC_ID ID ["NAME"]
TDFInstance* TDF::readNI(const char* text, bool* changed, TDF::ModelChangment* change)
{
    currentInstance = nullptr;
    unsigned long long staticId;
    unsigned long long id;
    QString name;
    if (!readNumber(&text, &staticId) || !readNumber(&text, &id) || !readString(&text, name, true) || !currentBlock)
        return nullptr;

    TDFInstance* found = findInstance(id);
    currentInstance = found;
    TDFDBInstance* model = currentBlock->getInstanceFromId(staticId);
    if (!model) {
        reportError("can't retrieve static instance.");
        return nullptr;
    }

    // A deleted instance's id names a new instance; a live one created by a
    // message gets its first model; any other live one changes model.
    const bool created = !found || found->deletion;
    const bool firstModel = !created && !found->model;
    if (created) {
        TDFInstance* instance = factory()->newTDFInstance();
        instance->id = id;
        instance->setName(name);
        instance->givenStyle = pendingStyle;
        registerInstance(*this, instance, found);
        currentInstance = instance;
    } else if (firstModel) {
        found->setName(name);
        found->givenStyle = pendingStyle;
    }
    const ModelChangment result = created || firstModel ? MODEL_SET : MODEL_CHANGED;
    if (change)
        *change = result;

    currentInstance->setModel(model);
    takeLink(*this, currentInstance);
    pendingStyle = nullptr;
    pendingLink.clear();
    if (result == MODEL_SET)
        stamp(*this, currentInstance);
    // The creating message could not open a bar while the instance had no
    // type to tell whether it shows them.
    if (firstModel && trackActivations && currentInstance->creationMessage)
        followControl(currentInstance, currentInstance->creationMessage, true);
    if (changed)
        *changed = created;
    return currentInstance;
}

// CI [ID]
TDFObject* TDF::readCI(const char* text, bool* changed)
{
    unsigned long long id;
    if (readNumber(&text, &id)) {
        currentInstance = id != 0 ? findInstance(id) : nullptr;
        if (id != 0 && !currentInstance) {
            reportError("can't retrieve dynamic instance (CI)");
            destroyPendingAnnotations();
            return nullptr;
        }
    }

    // The annotation names its owner; the instance doesn't point back.
    if (TDFNote* note = pendingNote) {
        pendingNote = nullptr;
        note->owner = currentInstance;
        keepNote(*this, note);
        report(changed);
        return note;
    }
    if (TDFGlyph* glyph = pendingGlyph) {
        pendingGlyph = nullptr;
        glyph->owner = currentInstance;
        keepGlyph(*this, glyph);
        report(changed);
        return glyph;
    }
    return nullptr;
}

// DI ID [STATIC_ID]
TDFObject* TDF::readDI(const char* text, bool* changed)
{
    unsigned long long id;
    if (!readNumber(&text, &id)) {
        reportError("can't read instance id.");
        return nullptr;
    }
    unsigned long long messageId;
    const bool byReturn = readNumber(&text, &messageId);
    TDFInstance* instance = findInstance(id);
    if (!instance) {
        reportError("can't retrieve dynamic instance.");
        return nullptr;
    }

    // The return of that message that hasn't caused a deletion yet.
    TDFMessageReturn* cause = nullptr;
    if (byReturn)
        cause = streaming_ ? streamedReturnWithoutDeletion(messageId) : returnWithoutDeletion(messageId);
    if (instance == currentInstance)
        currentInstance = nullptr;

    TDFInstanceDelete* deletion = factory()->newTDFInstanceDelete();
    deletion->instance = instance;
    deletion->setNote(pendingNote);
    deletion->givenStyle = pendingStyle;
    takeLink(*this, deletion);
    instance->deletion = deletion;
    deletion->messageReturn = cause;
    if (cause)
        cause->deletion = deletion;
    pendingStyle = nullptr;
    pendingLink.clear();
    // A deletion caused by a return happens with it.
    if (cause)
        deletion->time = cause->time;
    else
        stamp(*this, deletion);

    appendObjectInline(deletion);
    deletion->listNode = instanceDeletes.append(deletion);
    if (pendingNote) {
        keepNote(*this, pendingNote);
        pendingNote = nullptr;
    }
    report(changed);
    return deletion;
}

// DA
TDFObject* TDF::readDA(const char*, bool* changed)
{
    TDFInstanceDeleteAll* deleteAll = factory()->newTDFInstanceDeleteAll();
    deleteAll->givenStyle = pendingStyle;
    stamp(*this, deleteAll);

    // The instances still alive since the previous delete-all or the start
    // of the trace, listed in creation order. Every instance before the
    // previous delete-all is deleted: streaming, which lets that one go and
    // keeps instances only while they are reachable, takes the live ones of
    // its instances.
    auto* deleted = new TDFInstanceList;
    if (streaming_) {
        for (TDFInstance* instance : instances) {
            if (!instance->deletion) {
                instance->deletion = deleteAll;
                deleted->append(instance);
            }
        }
    }
    for (ListNode<TDFObject*>* node = streaming_ ? nullptr : objects.last(); node;
         node = node == objects.head ? nullptr : node->prev) {
        TDFObject* object = node->value;
        if (object->type == TDF_INSTANCE_DELETE_ALL || object->type == TDF_NEW_TRACE)
            break;
        TDFInstance* instance = object->type == TDF_INSTANCE ? object->toInstance() : nullptr;
        if (instance && !instance->deletion) {
            instance->deletion = deleteAll;
            deleted->prepend(instance);
        }
    }
    deleteAll->instances = deleted;

    // Nothing is left to take the annotations.
    pendingStyle = nullptr;
    pendingLink.clear();
    destroyPendingAnnotations();
    currentInstance = nullptr;

    appendObjectInline(deleteAll);
    deleteAll->listNode = instanceDeletes.append(deleteAll);
    report(changed);
    return deleteAll;
}

// MC CALL_ID STATIC_ID [SENDER_ID]
TDFObject* TDF::readMC(const char* text, bool* changed)
{
    unsigned long long callId;
    if (!readNumber(&text, &callId)) {
        reportError("can't read message call identifier.");
        return nullptr;
    }
    unsigned long long staticId;
    if (!readNumber(&text, &staticId)) {
        reportError("can't read static id of message call.");
        return nullptr;
    }
    unsigned long long senderId = 0;
    const bool senderGiven = readNumber(&text, &senderId);
    if (!currentBlock) {
        reportError("message call with out definition block.");
        return nullptr;
    }
    TDFDBMessage* model = currentBlock->getMessageFromId(staticId);
    if (!model) {
        error(QCoreApplication::translate(
                  "Error", "message call id (%1) doesn't match any one in current definition block.",
                  "%1 is a number")
                  .arg(staticId));
        return nullptr;
    }
    // A sender id of 0 means the current instance, not "no sender".
    TDFInstance* sender = currentInstance;
    if (senderGiven && senderId != 0) {
        sender = findInstance(senderId);
        if (!sender) {
            reportError("can't retrieve instance.");
            return nullptr;
        }
    }

    // The message belongs to its call until its completion appends it.
    TDFMessage* message = factory()->newTDFMessage();
    message->sender = sender;
    useInstance(sender);
    message->model = model;
    message->givenStyle = pendingStyle;
    pendingStyle = nullptr;
    TDFMessageCall* call = factory()->newTDFMessageCall();
    message->awaitingCompletion = true;
    call->message = message;
    message->call = call;
    call->callId = callId;

    appendObjectInline(call);
    call->listNode = messageCalls.append(call);
    indexCall(call);
    stamp(*this, call);
    call->heapSize = heapSize;
    report(changed);
    return call;
}

// ME STATIC_ID RECEIVER_ID [CALL_ID] ["NAME"]
TDFObject* TDF::readME(const char* text, bool* changed)
{
    if (!currentBlock) {
        reportError("no definition block while reading message");
        return nullptr;
    }
    unsigned long long staticId;
    if (!readNumber(&text, &staticId)) {
        reportError("can't read static id of message\n");
        return nullptr;
    }
    readWhite(&text);
    unsigned long long receiverId;
    if (!readNumber(&text, &receiverId)) {
        reportError("can't read instance id of message target\n");
        return nullptr;
    }
    readWhite(&text);
    unsigned long long callId;
    const bool completion = readNumber(&text, &callId);
    readWhite(&text);
    QString name;
    if (!readString(&text, name, true)) {
        reportError("can't read message name");
        return nullptr;
    }

    TDFMessage* message = nullptr;
    if (completion) {
        message = messageToComplete(callId, staticId);
        if (!message)
            return nullptr;
    }

    // A message to an unknown (or deleted) id brings a new instance, which
    // has no model until an NI gives it one.
    TDFInstance* receiver = nullptr;
    bool receiverCreated = false;
    if (receiverId != 0) {
        TDFInstance* found = findInstance(receiverId);
        receiver = found;
        if (!found || found->deletion) {
            receiver = factory()->newTDFInstance();
            receiver->id = receiverId;
            receiver->setModeless(this);
            registerInstance(*this, receiver, found);
            receiver->time = currentTime;
            receiverCreated = true;
        }
    }

    // A completed message keeps the sender and style of its call.
    if (message) {
        message->receiver = receiver;
        message->setName(name);
    } else {
        message = factory()->newTDFMessage();
        message->sender = currentInstance;
        useInstance(message->sender);
        message->receiver = receiver;
        message->setName(name);
        message->givenStyle = pendingStyle;
    }
    useInstance(receiver);
    // The model first: whether a streaming reader may let the message go
    // depends on it.
    TDFDBMessage* model = currentBlock->getMessageFromId(staticId);
    message->model = model;
    appendObjectInline(message);
    message->listNode = messages.append(message);
    report(changed);
    if (receiverCreated)
        receiver->creationMessage = message;
    if (trackActivations) {
        if (message->sender)
            followControl(message->sender, message, false);
        if (receiver)
            followControl(receiver, message, true);
    }

    takeLink(*this, message);
    // Giving a null note or glyph to a message without one changes nothing.
    if (pendingNote || message->note)
        message->setNote(pendingNote);
    if (pendingGlyph || message->glyph)
        message->setGlyph(pendingGlyph);
    stamp(*this, message);
    message->heapSize = heapSize;
    message->thread = runningThread;
    if (pendingThreadInfo) {
        message->threadInfo = pendingThreadInfo;
        pendingThreadInfo = nullptr;
    }
    if (pendingNote)
        keepNote(*this, pendingNote);
    if (pendingGlyph)
        keepGlyph(*this, pendingGlyph);
    currentInstance = receiver;
    pendingLink.clear();
    pendingStyle = nullptr;
    pendingNote = nullptr;
    pendingGlyph = nullptr;

    if (!model) {
        message->keepUnmatchedStaticId(staticId);
        error(QCoreApplication::translate("Error", "message %1 doesn't match any model in definition block.",
                                          "%1 is a number")
                  .arg(staticId));
    } else if (!model->used) {
        model->used = true;
        ++usedMessageModels;
    }
    message->usedModelCount = usedMessageModels;
    // No return takes a message without a model: streaming lets it go.
    if (streaming_) {
        if (model)
            keepStreamedOpenMessage(message);
    } else {
        ListNode<TDFMessage*>* openNode = openMessages.append(message);
        if (openMessageIndex)
            openMessageIndex->add(message, openNode);
    }
    return message;
}

// MR [STATIC_ID]
TDFObject* TDF::readMR(const char* text, bool* changed)
{
    unsigned long long staticId = 0;
    const bool byModel = readNumber(&text, &staticId);

    // Returns nest within a thread and a definition block: the newest open
    // message there (of that model, when one is named) is the one returned.
    TDFMessage* message = openMessageToReturn(byModel, staticId);

    TDFMessageReturn* messageReturn = nullptr;
    if (message) {
        messageReturn = factory()->newTDFMessageReturn();
        messageReturn->message = message;
        messageReturn->givenStyle = pendingStyle;
        pendingStyle = nullptr;
        appendObjectInline(messageReturn);
        messageReturn->listNode = messageReturns.append(messageReturn);
        indexReturn(messageReturn);
        report(changed);
        takeLink(*this, messageReturn);
        stamp(*this, messageReturn);
        messageReturn->heapSize = heapSize;
        if (pendingThreadInfo) {
            messageReturn->threadInfo = pendingThreadInfo;
            pendingThreadInfo = nullptr;
        }
        message->messageReturn = messageReturn;
        if (streaming_) {
            rememberReturn(messageReturn);
            mayRelease(message);
        }
        if (trackActivations) {
            if (message->receiver)
                followControl(message->receiver, messageReturn, false);
            if (message->sender)
                followControl(message->sender, messageReturn, true);
        }
        currentInstance = message->sender;
        if (pendingGlyph || messageReturn->glyph)
            messageReturn->setGlyph(pendingGlyph);
    }

    // The glyph stays in the trace even without a return to carry it;
    // returns carry no note.
    if (pendingGlyph)
        keepGlyph(*this, pendingGlyph);
    pendingGlyph = nullptr;
    pendingLink.clear();
    delete pendingNote;
    pendingNote = nullptr;

    if (!messageReturn)
        reportError("can't found corresponding message for return.");
    return messageReturn;
}
