#ifndef TDFTOOL_STATS_JSON_H
#define TDFTOOL_STATS_JSON_H

#include <QString>

class ObjectSummary;
class StandardOutput;
class TDF;
struct ReadCounts;

// The statistics of a trace as one JSON document on one line: the facts of
// the text form, with each time as its count in the trace's unit and as
// laid out by the time format. `complete` is false when the trace could not
// be opened or read to its end: the facts are then those of what was read.
void printStatsJson(const QString& title, bool complete, const TDF& reader, const ObjectSummary& summary,
                    const ReadCounts& counts, StandardOutput& output);

#endif
