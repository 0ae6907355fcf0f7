#ifndef TDFTOOL_TRACE_READING_H
#define TDFTOOL_TRACE_READING_H

#include <tdf.h>

#include <QString>

#include <type_traits>

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

// Reads a trace (standard input for "-") with a reader that has read no
// other, with progress on a terminal, handing what each line returned
// (maybe null) to `onObject` with `context` (unless it is null). False
// when the file can't be opened or read (the reader has reported it).
using ObjectFunction = void (*)(void* context, TDFObject* object, TDF::ModelChangment change);
bool readTrace(TDF& reader, const QString& path, ReadCounts& counts, ObjectFunction onObject = nullptr,
               void* context = nullptr);
// The same with any callable, called directly rather than through a
// std::function on every line.
template <class OnObject>
bool readTrace(TDF& reader, const QString& path, ReadCounts& counts, OnObject&& onObject)
{
    using Callable = std::remove_reference_t<OnObject>;
    return readTrace(
        reader, path, counts,
        [](void* callable, TDFObject* object, TDF::ModelChangment change) {
            (*static_cast<Callable*>(callable))(object, change);
        },
        const_cast<std::remove_const_t<Callable>*>(&onObject));
}

// Prints the reading rate on standard error: "read N lines (M MB) in S s
// (R MB/s, L lines/s)", the figure users compare between versions and
// machines.
void printReadingRate(const ReadCounts& counts);

#endif
