#include "commands.h"
#include "standard_output.h"
#include "stats_json.h"
#include "stats_summary.h"
#include "trace_reading.h"

#include <tcf.h>

namespace {

QByteArray text(const QString& value)
{
    return value.isNull() ? QByteArray("(none)") : value.toLocal8Bit();
}

void printObjects(const TDF& reader, const TraceFigures& figures, StandardOutput& output)
{
    output.print("objects: %llu\n", reader.appendedObjectTotal());
    for (size_t kind = 0; kind < reader.appendedObjects.size(); ++kind)
        if (reader.appendedObjects[kind] > 0)
            output.print("  %-20s %llu\n", kindName(TDFObjectType(kind)), reader.appendedObjects[kind]);
    output.print("loops: %llu (nested %d deep at most)\n", reader.appendedObjects[TDF_LOOP_START],
                 figures.maxLoopDepth);
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

void printTimes(const TDF& reader, const TraceFigures& figures, StandardOutput& output)
{
    const QByteArray last = figures.lastTime ? text(reader.strTime(*figures.lastTime)) : text(QString());
    output.print("messages: %d of %d static messages used\n", reader.usedMessageModels, reader.staticMessageTotal);
    if (reader.timeSeen)
        output.print("times: first %s, last %s, min %s\n", text(reader.strTime(reader.firstTime)).constData(),
                     last.constData(), text(reader.strTime(reader.minTime)).constData());
    else
        output.print("times: last %s (no TM record)\n", last.constData());
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
    ReadCounts counts;
    const QString& path = options.traces.first();
    const bool read =
        readTrace(reader, path, counts, [&](TDFObject* object, TDF::ModelChangment) { summary.follow(reader, object); });
    const QString title = traceTitle(path);
    // A JSON reader gets its document also when the trace could not be read.
    if (options.json) {
        printStatsJson(title, read, reader, summary, counts, output);
        return;
    }
    if (!read)
        return;
    output.print("trace: %s\n", title.toLocal8Bit().constData());
    if (reader.tcf)
        output.print("configuration: %s\n", text(reader.tcf->publicName()).constData());
    output.print("lines: %llu\n", reader.lineNumber);
    // The figures below are the reader's, which start afresh at each NT.
    if (summary.traces() > 1)
        output.print("traces: %d (figures of the last)\n", summary.traces());
    output.print("definition blocks: %d\n", reader.definitionBlocks->count);
    printObjects(reader, summary.lastTrace(), output);
    printInstances(reader, output);
    printTimes(reader, summary.lastTrace(), output);
    printThreads(reader, output);
    output.print("errors: %d, warnings: %d\n", counts.errors, counts.warnings);
}
