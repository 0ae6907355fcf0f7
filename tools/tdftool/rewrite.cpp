#include "commands.h"
#include "trace_reading.h"

#include <tdfwrt.h>

#include <iostream>

void runRewrite(const Options& options, TCFList& configurations)
{
    // Only the writer uses standard output here: unsynchronised with C
    // stdio, std::cout buffers instead of handing every piece to fwrite.
    std::ios::sync_with_stdio(false);
    TDF reader(&configurations);
    TDFWriter writer(std::cout);
    writer.writeTimes = options.times;
    ReadCounts counts;
    readTrace(reader, options.traces.first(), counts, [&](TDFObject* object, TDF::ModelChangment) {
        writer.writeReadLine(reader, object);
    });
    std::cout.flush();
}
