#ifndef RENDER_OPTIONS_H
#define RENDER_OPTIONS_H

#include <QString>

#include <optional>
#include <vector>

// What part of a trace a picture shows. The window runs from the first
// event at or after `from` to the last event at or before `to`, in trace
// order; of its events only the first `maxEvents` are drawn.
struct RenderOptions {
    static constexpr long long defaultMaxEvents = 2000;

    std::optional<unsigned long long> from;  // in the trace's time unit
    std::optional<unsigned long long> to;
    long long maxEvents = defaultMaxEvents;
    QString title;  // named in the picture's caption, usually the trace file
    // What reading the trace reported, listed under the caption (the
    // first few of `problemCount`).
    std::vector<QString> problems;
    long long problemCount = 0;
    // The traces of the file (its new-trace markers and one): the model
    // holds the last one.
    long long traces = 1;
};

#endif
