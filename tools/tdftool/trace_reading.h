#ifndef TDFTOOL_TRACE_READING_H
#define TDFTOOL_TRACE_READING_H

#include <tdf.h>

#include <QString>

#include <functional>

// What one trace's reading reported.
struct ReadCounts {
    int errors = 0;
    int warnings = 0;
    long long lines = 0;
    long long bytes = 0;
    double seconds = 0;
};

// The name a trace argument has in summaries and reports: "<stdin>" for
// standard input ("-"), else the path itself.
QString traceTitle(const QString& path);

// Reads a trace (standard input for "-") with progress on a terminal,
// handing what each line returned (maybe null) to `onLine` (may be empty).
// False when the file can't be opened or read (the reader has reported it).
bool readTrace(TDF& reader, const QString& path, ReadCounts& counts,
               const std::function<void(TDFObject*, TDF::ModelChangment)>& onLine = {});

struct Options;
// Reads the trace named by the options, laying its times out in their
// format, for the commands that look at one trace as a whole.
bool readTraceForDisplay(TDF& reader, const Options& options, ReadCounts& counts);

#endif
