#include "commands.h"
#include "trace_reading.h"

#include <tcf.h>

#include <algorithm>
#include <cstdio>
#include <map>

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

void printObjects(const TDF& reader)
{
    std::map<int, int> perKind;
    int depth = 0;
    int maxDepth = 0;
    for (TDFObject* object : reader.objects) {
        ++perKind[object->type];
        if (object->type == TDF_LOOP_START)
            maxDepth = std::max(maxDepth, ++depth);
        else if (object->type == TDF_LOOP_END)
            --depth;
    }
    std::printf("objects: %d\n", reader.objects.count);
    for (const auto& [kind, count] : perKind)
        std::printf("  %-20s %d\n", kindName(TDFObjectType(kind)), count);
    std::printf("loops: %d (nested %d deep at most)\n", reader.loopStarts.count, maxDepth);
}

void printInstances(const TDF& reader)
{
    std::printf("instances: %d\n", reader.instances.count);
    int listed = 0;
    for (TDFInstance* instance : reader.instances) {
        if (listed++ == listedInstances) {
            std::printf("  ... and %d more\n", reader.instances.count - listedInstances);
            break;
        }
        const InstanceType* type = instance->model ? instance->model->instanceType : nullptr;
        const QByteArray typeText = type ? " (" + type->name.toLocal8Bit() + ")" : QByteArray();
        std::printf("  %-10llu %s%s%s\n", instance->id, text(instance->name()).constData(), typeText.constData(),
                    instance->deletion ? " deleted" : "");
    }
}

void printTimes(const TDF& reader)
{
    unsigned long long last = 0;
    for (TDFObject* object : reader.objects)
        last = std::max(last, object->time);
    std::printf("messages: %d of %d static messages used\n", reader.usedMessageModels, reader.staticMessageTotal);
    if (reader.timeSeen)
        std::printf("times: first %s, last %s, min %s\n", text(reader.strTime(reader.firstTime)).constData(),
                    text(reader.strTime(last)).constData(), text(reader.strTime(reader.minTime)).constData());
    else
        std::printf("times: last %s (no TM record)\n", text(reader.strTime(last)).constData());
    if (reader.minTimeStepSeen)
        std::printf("time step: min %s\n", text(reader.strTime(reader.minTimeStep)).constData());
    if (reader.heapSizeSeen)
        std::printf("heap size: max %llu\n", reader.maxHeapSize);
}

void printThreads(const TDF& reader)
{
    std::printf("threads: %d\n", reader.threads.count);
    for (TDFThread* thread : reader.threads)
        std::printf("  %-10llu %s (colour %d)%s\n", thread->num, text(thread->name).constData(), thread->colorIndex,
                    thread == reader.runningThread ? " running at the end" : "");
}

}

void runStats(const Options& options, TCFList& configurations)
{
    TDF reader(&configurations);
    ReadCounts counts;
    if (!readTraceForDisplay(reader, options, counts))
        return;
    const QString& path = options.traces.first();
    std::printf("trace: %s\n", path.toLocal8Bit().constData());
    if (reader.tcf)
        std::printf("configuration: %s\n", text(reader.tcf->publicName()).constData());
    std::printf("lines: %llu\n", reader.lineNumber);
    std::printf("definition blocks: %d\n", reader.definitionBlocks->count);
    printObjects(reader);
    printInstances(reader);
    printTimes(reader);
    printThreads(reader);
    std::printf("errors: %d, warnings: %d\n", counts.errors, counts.warnings);
}
