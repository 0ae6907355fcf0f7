#include "commands.h"
#include "standard_output.h"
#include "trace_reading.h"

#include <tcf.h>

#include <algorithm>
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

void printObjects(const TDF& reader, StandardOutput& output)
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
    output.print("objects: %d\n", reader.objects.count);
    for (const auto& [kind, count] : perKind)
        output.print("  %-20s %d\n", kindName(TDFObjectType(kind)), count);
    output.print("loops: %d (nested %d deep at most)\n", reader.loopStarts.count, maxDepth);
}

void printInstances(const TDF& reader, StandardOutput& output)
{
    output.print("instances: %d\n", reader.instances.count);
    int listed = 0;
    for (TDFInstance* instance : reader.instances) {
        if (listed++ == listedInstances) {
            output.print("  ... and %d more\n", reader.instances.count - listedInstances);
            break;
        }
        const InstanceType* type = instance->model ? instance->model->instanceType : nullptr;
        const QByteArray typeText = type ? " (" + type->name.toLocal8Bit() + ")" : QByteArray();
        output.print("  %-10llu %s%s%s\n", instance->id, text(instance->name()).constData(), typeText.constData(),
                     instance->deletion ? " deleted" : "");
    }
}

void printTimes(const TDF& reader, StandardOutput& output)
{
    unsigned long long last = 0;
    for (TDFObject* object : reader.objects)
        last = std::max(last, object->time);
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
    ReadCounts counts;
    if (!readTraceForDisplay(reader, options, counts))
        return;
    const QString& path = options.traces.first();
    output.print("trace: %s\n", path.toLocal8Bit().constData());
    if (reader.tcf)
        output.print("configuration: %s\n", text(reader.tcf->publicName()).constData());
    output.print("lines: %llu\n", reader.lineNumber);
    output.print("definition blocks: %d\n", reader.definitionBlocks->count);
    printObjects(reader, output);
    printInstances(reader, output);
    printTimes(reader, output);
    printThreads(reader, output);
    output.print("errors: %d, warnings: %d\n", counts.errors, counts.warnings);
}
