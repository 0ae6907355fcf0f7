#include "stats_json.h"

#include "json_version.h"
#include "json_writer.h"
#include "standard_output.h"
#include "stats_summary.h"
#include "trace_reading.h"

#include <tcf.h>

namespace {

void writeTime(const TDF& reader, unsigned long long time, JsonWriter& json)
{
    json.beginObject();
    json.key("count");
    json.number(time);
    json.key("text");
    json.stringOrNull(reader.strTime(time));
    json.endObject();
}

void writeTimeIf(bool seen, const TDF& reader, unsigned long long time, JsonWriter& json)
{
    if (seen)
        writeTime(reader, time, json);
    else
        json.null();
}

void writeObjects(const TDF& reader, const TraceFigures& figures, JsonWriter& json)
{
    json.key("objects");
    json.beginObject();
    json.key("total");
    json.number(reader.appendedObjectTotal());
    for (size_t kind = 0; kind < reader.appendedObjects.size(); ++kind)
        if (reader.appendedObjects[kind] > 0) {
            json.key(kindName(TDFObjectType(kind)));
            json.number(reader.appendedObjects[kind]);
        }
    json.endObject();
    json.key("loops");
    json.beginObject();
    json.key("total");
    json.number(reader.appendedObjects[TDF_LOOP_START]);
    json.key("max_depth");
    json.number(figures.maxLoopDepth);
    json.endObject();
}

// The first instances are the ones the summary had the reader keep, as in
// the text form.
void writeInstances(const TDF& reader, JsonWriter& json)
{
    json.key("instances");
    json.beginObject();
    json.key("total");
    json.number(reader.appendedObjects[TDF_INSTANCE]);
    json.key("listed");
    json.beginArray();
    int listed = 0;
    for (TDFInstance* instance : reader.instances) {
        if (listed++ == listedInstances)
            break;
        const InstanceType* type = instance->model ? instance->model->instanceType : nullptr;
        json.beginObject();
        json.key("id");
        json.number(instance->id);
        json.key("name");
        json.stringOrNull(instance->name());
        json.key("type");
        json.stringOrNull(type ? type->name : QString());
        json.key("deleted");
        json.boolean(instance->deletion != nullptr);
        json.endObject();
    }
    json.endArray();
    json.endObject();
}

void writeTimes(const TDF& reader, const TraceFigures& figures, JsonWriter& json)
{
    json.key("messages");
    json.beginObject();
    json.key("used");
    json.number(reader.usedMessageModels);
    json.key("static");
    json.number(reader.staticMessageTotal);
    json.endObject();
    json.key("times");
    json.beginObject();
    json.key("first");
    writeTimeIf(reader.timeSeen, reader, reader.firstTime, json);
    json.key("last");
    writeTimeIf(figures.lastTime.has_value(), reader, figures.lastTime.value_or(0), json);
    json.key("min");
    writeTimeIf(reader.timeSeen, reader, reader.minTime, json);
    json.key("min_step");
    writeTimeIf(reader.minTimeStepSeen, reader, reader.minTimeStep, json);
    json.endObject();
    json.key("max_heap_size");
    if (reader.heapSizeSeen)
        json.number(reader.maxHeapSize);
    else
        json.null();
}

void writeThreads(const TDF& reader, JsonWriter& json)
{
    json.key("threads");
    json.beginArray();
    for (TDFThread* thread : reader.threads) {
        json.beginObject();
        json.key("id");
        json.number(thread->num);
        json.key("name");
        json.stringOrNull(thread->name);
        json.key("colour");
        json.number(thread->colorIndex);
        json.key("running");
        json.boolean(thread == reader.runningThread);
        json.endObject();
    }
    json.endArray();
}

}

void printStatsJson(const QString& title, bool complete, const TDF& reader, const ObjectSummary& summary,
                    const ReadCounts& counts, StandardOutput& output)
{
    JsonWriter json;
    json.beginObject();
    writeVersion(json);
    json.key("trace");
    json.string(title);
    json.key("complete");
    json.boolean(complete);
    json.key("configuration");
    json.stringOrNull(reader.tcf ? reader.tcf->publicName() : QString());
    json.key("lines");
    json.number(reader.lineNumber);
    json.key("traces");
    json.number(summary.traces());
    json.key("blocks");
    json.number(reader.definitionBlocks->count);
    writeObjects(reader, summary.lastTrace(), json);
    writeInstances(reader, json);
    writeTimes(reader, summary.lastTrace(), json);
    writeThreads(reader, json);
    json.key("errors");
    json.number(counts.errors);
    json.key("warnings");
    json.number(counts.warnings);
    json.endObject();
    output.print("%s\n", json.text().constData());
}
