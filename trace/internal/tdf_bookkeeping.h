#ifndef TDF_BOOKKEEPING_H
#define TDF_BOOKKEEPING_H

// The steps that the event statements share: an object takes the pending
// style and link (decorate) and the current time (stamp), the pending
// decorations are then used up (consume), the caller learns that an
// object was made (report), and a streaming reader counts the instances a
// kept event names (TDF::useInstance) and queues what may go
// (TDF::mayRelease).

#include "streaming.h"
#include "tdf.h"

namespace tdf::internal {

// The object takes the pending link. Most lines have none, and most
// objects no link yet: then no string is assigned.
inline void takeLink(const TDF& reader, TDFObject* object)
{
    if (!reader.pendingLink.isNull() || !object->linkText.isNull())
        object->linkText = reader.pendingLink;
}

inline void decorate(const TDF& reader, TDFObject* object)
{
    object->givenStyle = reader.pendingStyle;
    takeLink(reader, object);
}

inline void stamp(TDF& reader, TDFObject* object)
{
    object->time = reader.currentTime;
    reader.currentTime += reader.timeStep;
}

inline void consumeDecorations(TDF& reader)
{
    reader.pendingStyle = nullptr;
    reader.pendingLink.clear();
}

inline void report(bool* changed)
{
    if (changed)
        *changed = true;
}

// A streaming reader counts in an instance the kept events that name it, up
// to this many; the rest it counts aside.
constexpr unsigned short mostUsesCounted = 0xFFFF;

}

// Every kept event that names an instance counts: a streaming reader keeps
// the instance while one does.
inline void TDF::useInstance(TDFInstance* instance)
{
    if (!streaming_ || !instance)
        return;
    if (instance->streamingUses_ < tdf::internal::mostUsesCounted)
        ++instance->streamingUses_;
    else
        countExtraUse(instance);
}

// A streaming reader looks at what the line made once it is handed out.
inline void TDF::mayRelease(TDFObject* object)
{
    if (streaming_)
        streaming_->queueEvent(object);
}

inline void TDF::appendObjectInline(TDFObject* object)
{
    object->objectNode = objects.append(object);
    if (object->type >= 0 && size_t(object->type) < appendedObjects.size())
        ++appendedObjects[size_t(object->type)];
    if (attachToLoopStart) {
        attachToLoopStart = false;
        // A streamed loop start outlives the objects it would point at.
        TDFLoopStart* loopStart = loopStarts.last() ? loopStarts.last()->value : nullptr;
        if (loopStart && !streaming_)
            loopStart->firstObject = object;
    }
    mayRelease(object);
}

#endif
