#include "commands.h"
#include "standard_output.h"
#include "trace_reading.h"

#include <tdfwrt.h>

void runRewrite(const Options& options, TCFList& configurations, StandardOutput& output)
{
    TDF reader(&configurations);
    reader.setStreaming(!options.wholeModel);
    TDFWriter writer(output.stream());
    writer.writeTimes = options.times;
    reader.setReleaseObserver([&writer](TDFObject* object) { writer.forgetReleased(object); });
    ReadCounts counts;
    readTrace(reader, options.traces.first(), counts, [&](TDFObject* object, TDF::ModelChangment) {
        writer.writeReadLine(reader, object);
    });
    writer.writeEnd(reader);
}
