#ifndef TDF_STREAMING_H
#define TDF_STREAMING_H

// What a streaming reader keeps beside its lists, and how it lets objects
// go (tdf_streaming.cpp tells what a later line can reach). Every event
// line queues what it made and every line starts with the release of the
// queue: those two steps are inline here, the release itself out of line.

#include "block_pool.h"
#include "flat_index.h"
#include "freed_instances.h"
#include "open_message_index.h"
#include "past_returns.h"
#include "tdf.h"

#include <cstdint>
#include <unordered_set>
#include <vector>

namespace tdf::internal {

// A message stays while a later line can take it: a call may complete it,
// a return may return it (only a message with a model is ever returned).
inline bool messageHeld(const TDFMessage* message)
{
    return message->call || (message->model && !message->messageReturn);
}

inline bool createdItsReceiver(const TDFMessage* message)
{
    return message->receiver && message->receiver->creationMessage == message;
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

// The library's own, though nested in an exported class: none of it is
// exported.
struct __attribute__((visibility("hidden"))) TDF::Streaming {
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
    tdf::internal::FlatMap<unsigned> extraUses;
    std::unordered_set<const TDFInstance*> keptInstances;
    // A freed deleted instance that is still the one known under its id
    // comes back when a line names it.
    tdf::internal::FreedInstances<TDFDBInstance> freedInstances;
    // The returns no deletion has named yet: a deletion takes the newest
    // of its static message.
    tdf::internal::PastReturns<TDFDBMessage> pastReturns;
    // The deletion of every deleted instance whose own deletion was freed.
    TDFInstanceDelete standInDeletion;
    // The reader's instance pointers at the last release: an instance they
    // let go of may have become unreachable.
    TDFInstance* watchedCurrent = nullptr;
    TDFInstance* watchedActionBlock = nullptr;
    ReleaseObserver observer;
    // The open messages a return may take, the older ones compact.
    tdf::internal::OpenMessageIndex<tdf::internal::OpenMessage> openMessages;
    // Whether messages come from the library's own factory, which made the
    // plain TDFMessage a compact message becomes again.
    const TDFFactory* checkedFactory = nullptr;
    bool plainFactory = false;

    BlockPool compactMemory{sizeof(tdf::internal::CompactMessage)};

    // An event the current line made, or a message its return let go of.
    void queueEvent(TDFObject* object)
    {
        switch (object->type) {
        // An open or called message is let go of by its return, if ever.
        case TDF_MESSAGE:
            if (!tdf::internal::messageHeld(static_cast<TDFMessage*>(object)))
                events.push_back(object);
            return;
        case TDF_INSTANCE_DELETE:
        case TDF_INSTANCE_DELETE_ALL:
        case TDF_LOOP_END:
        case TDF_ACTION:
        case TDF_SYNCHRONISATION: events.push_back(object); return;
        case TDF_NOTE:
            if (!carried(static_cast<TDFNote*>(object)))
                events.push_back(object);
            return;
        case TDF_GLYPH:
            if (!carried(static_cast<TDFGlyph*>(object)))
                events.push_back(object);
            return;
        // An instance is queued when something lets go of it; the rest is
        // kept, or goes with what holds it.
        default: return;
        }
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

    // An annotation its event carries goes with the event.
    static bool carried(const TDFNote* note) { return note->owner && note->owner->note == note; }
    static bool carried(const TDFGlyph* glyph) { return glyph->owner && glyph->owner->glyph == glyph; }

    unsigned usesOf(const TDFInstance* instance) const;
    void queue(TDFInstance* instance);
    void watch(TDFInstance*& watched, TDFInstance* now)
    {
        if (watched == now)
            return;
        if (watched && watched->deletion)
            queue(watched);
        watched = now;
    }
    void releaseQueued();
    bool unreachable(TDFObject* object);
    void release(TDFObject* object);
    bool instanceUnreachable(TDFInstance* instance) const;
    void dropUse(TDFInstance* instance);
    void free(TDFObject* object);
    void freeAnnotations(TDFObject* event);
    void releaseMessage(TDFMessage* message);
    void releaseInstance(TDFInstance* instance);
    void markDeleted(TDFInstance* instance, const TDFInstanceDeleteAbstract* deletion);
    void releaseDeletion(TDFInstanceDelete* deletion);
    static void freeStandInReturn(TDFInstanceDelete* deletion);
    void releaseDeleteAll(TDFInstanceDeleteAll* deleteAll);
    void releaseLoopEnd(TDFLoopEnd* loopEnd);
    // Keeps an old open message compact, when nothing but the index points
    // at it and it holds nothing a compact one leaves out.
    tdf::internal::OpenMessage settle(tdf::internal::OpenMessage open);
    bool compactable(const TDFMessage* message);
    // The message a compact one stands for, returned on the running thread.
    TDFMessage* reopen(tdf::internal::CompactMessage* compact);
    // Instances that came back by id are in no list of objects, and the
    // objects own no stand-in return.
    void clear();
};

#endif
