#include "commands.h"
#include "diagnostic_capture.h"
#include "json_version.h"
#include "json_writer.h"
#include "progress.h"
#include "standard_output.h"
#include "trace_reading.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

// One JSON line; a trace that could not be read whole has one as well, so
// that its diagnostics are not lost.
void printJson(const QString& title, const TDF& reader, const ReadCounts& counts, bool complete,
               const std::vector<Diagnostic>& reports, StandardOutput& output)
{
    JsonWriter json;
    json.beginObject();
    writeVersion(json);
    json.key("trace");
    json.string(title);
    json.key("complete");
    json.boolean(complete);
    json.key("lines");
    json.number(reader.lineNumber);
    json.key("objects");
    json.number(reader.appendedObjectTotal());
    json.key("blocks");
    json.number(reader.definitionBlocks->count);
    json.key("errors");
    json.number(counts.errors);
    json.key("warnings");
    json.number(counts.warnings);
    json.key("diagnostics");
    writeDiagnostics(reports, title, json);
    json.endObject();
    output.print("%s\n", json.text().constData());
}

}

void runCheck(const Options& options, TCFList& configurations, StandardOutput& output)
{
    if (options.quiet)
        Progress::turnOff();
    ReadCounts total;
    for (const QString& path : options.traces) {
        TDF reader(&configurations);
        reader.setStreaming(!options.wholeModel);
        ReadCounts counts;
        std::optional<DiagnosticCapture> capture;
        if (options.json)
            capture.emplace();
        const bool read = readTrace(reader, path, counts);
        total.lines += counts.lines;
        total.bytes += counts.bytes;
        total.seconds += counts.seconds;
        const QString title = traceTitle(path);
        if (options.json)
            printJson(title, reader, counts, read, capture->reports, output);
        else if (read && (!options.quiet || counts.errors > 0))
            output.print("%s: %llu lines, %llu objects, %d definition blocks, %d errors, %d warnings\n",
                         title.toLocal8Bit().constData(), reader.lineNumber, reader.appendedObjectTotal(),
                         reader.definitionBlocks->count, counts.errors, counts.warnings);
        // Each trace's line follows its reports, and the last one comes
        // before the reading rate, also where both streams meet.
        output.flush();
    }
    if (options.quiet)
        return;
    // On standard error, so that standard output holds the traces' lines
    // only.
    printReadingRate(total);
}
