#include "trace_reading.h"

#include "options.h"
#include "progress.h"

#include <error.h>

#include <QFileInfo>

#include <chrono>
#include <cstdio>

QString traceTitle(const QString& path)
{
    return path == standardInputName ? QStringLiteral("<stdin>") : path;
}

namespace {

// What reading a trace keeps count of, line by line.
struct LineCounting {
    const TDF& reader;
    ReadCounts& counts;
    Progress& progress;
    ObjectFunction onObject;
    void* context;
    unsigned long long bytesCounted = 0;
};

void countLine(void* counting, const char*, TDFObject* object, TDF::ModelChangment change)
{
    LineCounting& line = *static_cast<LineCounting*>(counting);
    // The line's bytes, a NUL byte and what follows it included.
    const long long length = static_cast<long long>(line.reader.bytesRead - line.bytesCounted);
    line.bytesCounted = line.reader.bytesRead;
    line.counts.bytes += length;
    ++line.counts.lines;
    line.progress.advance(length);
    if (line.onObject)
        line.onObject(line.context, object, change);
}

}

bool readTrace(TDF& reader, const QString& path, ReadCounts& counts, ObjectFunction onObject, void* context)
{
    const int errorsBefore = Error::error_count_;
    const int warningsBefore = Error::warn_count_;
    const bool standardInput = path == standardInputName;
    // Standard input has no size to measure progress against.
    Progress progress(path, standardInput ? 0 : QFileInfo(path).size());
    const auto start = std::chrono::steady_clock::now();
    LineCounting counting{reader, counts, progress, onObject, context};
    const bool read = standardInput ? reader.readStream(stdin, traceTitle(path), countLine, &counting)
                                    : reader.readFile(path, countLine, &counting);
    counts.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    counts.errors = Error::error_count_ - errorsBefore;
    counts.warnings = Error::warn_count_ - warningsBefore;
    return read;
}

bool readTraceForDisplay(TDF& reader, const Options& options, ReadCounts& counts)
{
    reader.setTimeFormat(options.timeFormat);
    return readTrace(reader, options.traces.first(), counts);
}
