#ifndef TDFTOOL_STATS_SUMMARY_H
#define TDFTOOL_STATS_SUMMARY_H

#include <kind_name.h>
#include <tdf.h>

#include <optional>

// What stats prints, as text or as JSON, beyond the reader's own counts.

// Instances listed by name at most; the rest are counted.
const int listedInstances = 50;

// The figures of one trace that the reader does not count.
struct TraceFigures {
    // The time of the trace's last object in trace order; none while the
    // trace has no object but its new-trace marker, which has no time.
    std::optional<unsigned long long> lastTime;
    int loopDepth = 0;
    int maxLoopDepth = 0;
};

// Follows each line's result in reading order and looks only at what the
// line made, which the streaming reader frees at the next line at the
// earliest: the figures come out the same in both readings. Like the
// reader's counts they start afresh at each new-trace marker, so that they
// are those of the file's last trace.
class ObjectSummary {
public:
    void follow(TDF& reader, TDFObject* result);

    // The traces of the file: one, and one more for each new-trace marker.
    int traces() const { return traces_; }
    const TraceFigures& lastTrace() const { return figures_; }

private:
    void followLoops(const TDFObject* result);
    // Of the objects the line appended, the first is its event; a note or
    // glyph that it carries follows it with the time of its own line.
    void takeLastTime(const TDF& reader, unsigned long long appendedByLine);
    // Has the reader keep the first instances of the trace to the end, so
    // that both readings list the same.
    static void keepIfListed(TDF& reader, TDFObject* result);

    int traces_ = 1;
    TraceFigures figures_;
    unsigned long long appendedSeen_ = 0;
    unsigned long long instancesSeen_ = 0;
};

#endif
