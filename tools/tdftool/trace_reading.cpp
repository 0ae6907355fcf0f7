#include "trace_reading.h"

#include "options.h"
#include "progress.h"

#include <error.h>

#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>

QString traceTitle(const QString& path)
{
    return path == standardInputName ? QStringLiteral("<stdin>") : path;
}

namespace {

// What reading a trace does beside, line by line.
struct LineFollowing {
    const TDF& reader;
    Progress& progress;
    ObjectFunction onObject;
    void* context;
};

void followLine(void* following, const char*, TDFObject* object, TDF::ModelChangment change)
{
    LineFollowing& line = *static_cast<LineFollowing*>(following);
    line.progress.reach(static_cast<long long>(line.reader.bytesRead));
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
    LineFollowing following{reader, progress, onObject, context};
    // With no progress shown and nothing to hand the objects to, the lines
    // need no looking at: the reader counts them and their bytes.
    const TDF::LineFunction onLine = progress.shown() || onObject ? followLine : nullptr;
    const bool read = standardInput ? reader.readStream(stdin, traceTitle(path), onLine, &following)
                                    : reader.readFile(path, onLine, &following);
    counts.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // The reader's counts start with the file (bytes with line feeds and
    // NUL bytes).
    counts.lines = static_cast<long long>(reader.lineNumber);
    counts.bytes = static_cast<long long>(reader.bytesRead);
    counts.errors = Error::error_count_ - errorsBefore;
    counts.warnings = Error::warn_count_ - warningsBefore;
    return read;
}

void printReadingRate(const ReadCounts& counts)
{
    const double megabytes = double(counts.bytes) / 1e6;
    const double seconds = std::max(counts.seconds, 1e-9);
    std::fprintf(stderr, "read %lld lines (%.1f MB) in %.3f s (%.1f MB/s, %.0f lines/s)\n", counts.lines, megabytes,
                 counts.seconds, megabytes / seconds, double(counts.lines) / seconds);
}
