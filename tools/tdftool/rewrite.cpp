#include "commands.h"
#include "standard_output.h"
#include "trace_reading.h"

#include <tdfwrt.h>

void runRewrite(const Options& options, TCFList& configurations, StandardOutput& output)
{
    TDF reader(&configurations);
    TDFWriter writer(output.stream());
    writer.writeTimes = options.times;
    ReadCounts counts;
    readTrace(reader, options.traces.first(), counts, [&](TDFObject* object, TDF::ModelChangment) {
        writer.writeReadLine(reader, object);
    });
}
