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
    readTrace(reader, options.traces.first(), counts, [&writer](TDFObject* object, TDF::ModelChangment change) {
        // An instance that took another static model only records the change.
        TDFInstance* instance = object->toInstance();
        if (instance && change == TDF::MODEL_CHANGED)
            instance->writeModelChangment(writer);
        else
            object->write(writer);
    });
    std::cout.flush();
}
