#include "stats_summary.h"

#include <tcf.h>

#include <algorithm>

void ObjectSummary::follow(TDF& reader, TDFObject* result)
{
    const unsigned long long appended = reader.appendedObjectTotal();
    const unsigned long long instances = reader.appendedObjects[TDF_INSTANCE];
    if (result && result->type == TDF_NEW_TRACE) {
        ++traces_;
        figures_ = TraceFigures();
    } else {
        if (appended > appendedSeen_)
            takeLastTime(reader, appended - appendedSeen_);
        // A line creates one instance at most.
        if (instances > instancesSeen_ && instances <= static_cast<unsigned long long>(listedInstances))
            keepIfListed(reader, result);
        followLoops(result);
    }
    appendedSeen_ = appended;
    instancesSeen_ = instances;
}

void ObjectSummary::followLoops(const TDFObject* result)
{
    if (!result)
        return;
    if (result->type == TDF_LOOP_START)
        figures_.maxLoopDepth = std::max(figures_.maxLoopDepth, ++figures_.loopDepth);
    else if (result->type == TDF_LOOP_END)
        --figures_.loopDepth;
}

void ObjectSummary::takeLastTime(const TDF& reader, unsigned long long appendedByLine)
{
    const ListNode<TDFObject*>* event = reader.objects.last();
    for (unsigned long long i = 1; i < appendedByLine && event != reader.objects.head; ++i)
        event = event->prev;
    if (event && event->value->type != TDF_NEW_TRACE)
        figures_.lastTime = event->value->time;
}

void ObjectSummary::keepIfListed(TDF& reader, TDFObject* result)
{
    if (!result)
        return;
    // NI returns the instance; a message to an unknown id created its receiver.
    TDFInstance* created = result->toInstance();
    if (const TDFMessage* message = result->toMessage();
        message && message->receiver && message->receiver->creationMessage == message)
        created = message->receiver;
    reader.keepInstance(created);
}
