#include "commands.h"
#include "standard_output.h"
#include "trace_reading.h"

#include <tcf.h>

#include <algorithm>
#include <unordered_set>

namespace {

// Instances listed by name at most; the rest are counted.
const int listedInstances = 50;

const char* kindName(TDFObjectType type)
{
    if (const char* name = strTDFObjectType(type))
        return name;
    switch (type) {
    case TDF_INSTANCE_DELETE_ALL: return "instance_delete_all";
    case TDF_DEFINITION_BLOCK: return "definition_block";
    case TDF_NEW_TRACE: return "new_trace";
    case TDF_EXTERNAL_TRIGGER: return "external_trigger";
    default: return "unknown";
    }
}

QByteArray text(const QString& value)
{
    return value.isNull() ? QByteArray("(none)") : value.toLocal8Bit();
}

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

void printObjects(const TDF& reader, const ObjectSummary& summary, StandardOutput& output)
{
    output.print("objects: %llu\n", reader.appendedObjectTotal());
    for (size_t kind = 0; kind < reader.appendedObjects.size(); ++kind)
        if (reader.appendedObjects[kind] > 0)
            output.print("  %-20s %llu\n", kindName(TDFObjectType(kind)), reader.appendedObjects[kind]);
    output.print("loops: %llu (nested %d deep at most)\n", reader.appendedObjects[TDF_LOOP_START],
                 summary.maxLoopDepth);
}

// The first instances are the ones the summary had the reader keep: the
// reader lists instances in creation order.
void printInstances(const TDF& reader, StandardOutput& output)
{
    const unsigned long long total = reader.appendedObjects[TDF_INSTANCE];
    output.print("instances: %llu\n", total);
    int listed = 0;
    for (TDFInstance* instance : reader.instances) {
        if (listed++ == listedInstances)
            break;
        const InstanceType* type = instance->model ? instance->model->instanceType : nullptr;
        const QByteArray typeText = type ? " (" + type->name.toLocal8Bit() + ")" : QByteArray();
        output.print("  %-10llu %s%s%s\n", instance->id, text(instance->name()).constData(), typeText.constData(),
                     instance->deletion ? " deleted" : "");
    }
    if (total > listedInstances)
        output.print("  ... and %llu more\n", total - listedInstances);
}

void printTimes(const TDF& reader, const ObjectSummary& summary, StandardOutput& output)
{
    const unsigned long long last = summary.lastTime;
    output.print("messages: %d of %d static messages used\n", reader.usedMessageModels, reader.staticMessageTotal);
    if (reader.timeSeen)
        output.print("times: first %s, last %s, min %s\n", text(reader.strTime(reader.firstTime)).constData(),
                     text(reader.strTime(last)).constData(), text(reader.strTime(reader.minTime)).constData());
    else
        output.print("times: last %s (no TM record)\n", text(reader.strTime(last)).constData());
    if (reader.minTimeStepSeen)
        output.print("time step: min %s\n", text(reader.strTime(reader.minTimeStep)).constData());
    if (reader.heapSizeSeen)
        output.print("heap size: max %llu\n", reader.maxHeapSize);
}

void printThreads(const TDF& reader, StandardOutput& output)
{
    output.print("threads: %d\n", reader.threads.count);
    for (TDFThread* thread : reader.threads)
        output.print("  %-10llu %s (colour %d)%s\n", thread->num, text(thread->name).constData(), thread->colorIndex,
                     thread == reader.runningThread ? " running at the end" : "");
}

}

void runStats(const Options& options, TCFList& configurations, StandardOutput& output)
{
    TDF reader(&configurations);
    reader.setStreaming(!options.wholeModel);
    reader.setTimeFormat(options.timeFormat);
    ObjectSummary summary;
    reader.setReleaseObserver([&summary](TDFObject* object) { summary.fold(object); });
    ReadCounts counts;
    const QString& path = options.traces.first();
    if (!readTrace(reader, path, counts, [&](TDFObject* object, TDF::ModelChangment) { summary.follow(reader, object); }))
        return;
    for (TDFObject* object : reader.objects)
        summary.fold(object);
    output.print("trace: %s\n", path.toLocal8Bit().constData());
    if (reader.tcf)
        output.print("configuration: %s\n", text(reader.tcf->publicName()).constData());
    output.print("lines: %llu\n", reader.lineNumber);
    output.print("definition blocks: %d\n", reader.definitionBlocks->count);
    printObjects(reader, summary, output);
    printInstances(reader, output);
    printTimes(reader, summary, output);
    printThreads(reader, output);
    output.print("errors: %d, warnings: %d\n", counts.errors, counts.warnings);
}
