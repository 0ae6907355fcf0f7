#include "commands.h"
#include "trace_reading.h"

#include <tdfwrt.h>

#include <iostream>

void runRewrite(const Options& options, TCFList& configurations)
{
    TDF reader(&configurations);
    TDFWriter writer(std::cout);
    writer.writeTimes = options.times;
    ReadCounts counts;
    readTrace(reader, options.traces.first(), counts, [&](TDFObject* object, TDF::ModelChangment change) {
        writer.writeReadLine(reader, object, change);
    });
    std::cout.flush();
}
