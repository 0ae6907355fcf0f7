#include "commands.h"
#include "standard_output.h"
#include "trace_reading.h"

#include <algorithm>

void runCheck(const Options& options, TCFList& configurations, StandardOutput& output)
{
    ReadCounts total;
    for (const QString& path : options.traces) {
        TDF reader(&configurations);
        reader.setStreaming(!options.wholeModel);
        ReadCounts counts;
        const bool read = readTrace(reader, path, counts);
        total.lines += counts.lines;
        total.bytes += counts.bytes;
        total.seconds += counts.seconds;
        if (!read)
            continue;
        output.print("%s: %llu lines, %llu objects, %d definition blocks, %d errors, %d warnings\n",
                     path.toLocal8Bit().constData(), reader.lineNumber, reader.appendedObjectTotal(),
                     reader.definitionBlocks->count, counts.errors, counts.warnings);
    }
    // The figure users compare between versions and machines.
    const double megabytes = double(total.bytes) / 1e6;
    const double seconds = std::max(total.seconds, 1e-9);
    output.print("read %lld lines (%.1f MB) in %.3f s (%.1f MB/s, %.0f lines/s)\n", total.lines, megabytes,
                 total.seconds, megabytes / seconds, double(total.lines) / seconds);
}
