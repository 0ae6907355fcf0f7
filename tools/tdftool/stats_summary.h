#ifndef TDFTOOL_STATS_SUMMARY_H
#define TDFTOOL_STATS_SUMMARY_H

#include <tdf.h>

#include <algorithm>
#include <unordered_set>

// What stats prints, as text or as JSON, beyond the reader's own counts.

// Instances listed by name at most; the rest are counted.
const int listedInstances = 50;

// The name of an object kind, also for the kinds without a statement.
const char* kindName(TDFObjectType type);

// What the statistics need of the objects a streaming read frees: the
// counts come from the reader, the rest is folded in here.
struct ObjectSummary {
    unsigned long long lastTime = 0;
    int loopDepth = 0;
    int maxLoopDepth = 0;
    std::unordered_set<const TDFInstance*> listed;  // kept by the reader until the end

    // Objects of the trace only, not what the reader made to stand in for
    // freed ones.
    void fold(const TDFObject* object)
    {
        if (object->objectNode)
            lastTime = std::max(lastTime, object->time);
    }

    // Each line's result in reading order, which is the order of the
    // objects for loops and for new instances.
    void follow(TDF& reader, TDFObject* object)
    {
        if (!object)
            return;
        if (object->type == TDF_LOOP_START)
            maxLoopDepth = std::max(maxLoopDepth, ++loopDepth);
        else if (object->type == TDF_LOOP_END)
            --loopDepth;
        TDFInstance* created = object->toInstance();
        if (const TDFMessage* message = object->toMessage();
            message && message->receiver && message->receiver->creationMessage == message)
            created = message->receiver;
        if (created && int(listed.size()) < listedInstances && listed.insert(created).second)
            reader.keepInstance(created);
    }
};

#endif
