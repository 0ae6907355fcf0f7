#include "commands.h"
#include "standard_output.h"
#include "trace_reading.h"

#include <trace_database.h>

bool runExport(const Options& options, TCFList& configurations, StandardOutput& output)
{
    ReadCounts counts;
    StoreTotals totals;
    if (!exportTrace(options.sqlite, options, configurations, counts, &totals))
        return false;
    output.print("%s: %lld events, %lld instances, %lld messages, %lld loops\n",
                 options.sqlite.toLocal8Bit().constData(), totals.events, totals.instances, totals.messages,
                 totals.loops);
    return true;
}
