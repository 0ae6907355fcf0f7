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

bool readTrace(TDF& reader, const QString& path, ReadCounts& counts,
               const std::function<void(TDFObject*, TDF::ModelChangment)>& onLine)
{
    const int errorsBefore = Error::error_count_;
    const int warningsBefore = Error::warn_count_;
    const bool standardInput = path == standardInputName;
    // Standard input has no size to measure progress against.
    Progress progress(path, standardInput ? 0 : QFileInfo(path).size());
    const auto start = std::chrono::steady_clock::now();
    unsigned long long bytesCounted = 0;
    const TDF::LineHandler handle = [&](const char*, TDFObject* object, TDF::ModelChangment change) {
        // The line's bytes, a NUL byte and what follows it included.
        const long long length = static_cast<long long>(reader.bytesRead - bytesCounted);
        bytesCounted = reader.bytesRead;
        counts.bytes += length;
        ++counts.lines;
        progress.advance(length);
        if (onLine)
            onLine(object, change);
    };
    const bool read = standardInput ? reader.readStream(stdin, traceTitle(path), handle) : reader.readFile(path, handle);
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
