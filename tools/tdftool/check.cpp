#include "commands.h"
#include "trace_reading.h"

#include <cstdio>

void runCheck(const Options& options, TCFList& configurations)
{
    for (const QString& path : options.traces) {
        TDF reader(&configurations);
        ReadCounts counts;
        if (!readTrace(reader, path, counts))
            continue;
        std::printf("%s: %llu lines, %d objects, %d definition blocks, %d errors, %d warnings\n",
                    path.toLocal8Bit().constData(), reader.lineNumber, reader.objects.count,
                    reader.definitionBlocks->count, counts.errors, counts.warnings);
    }
}
