#ifndef TDFTOOL_STATS_JSON_H
#define TDFTOOL_STATS_JSON_H

#include <QString>

class StandardOutput;
class TDF;
struct ObjectSummary;
struct ReadCounts;

// The statistics of a trace read whole as one JSON document on one line:
// the facts of the text form, with each time as its count in the trace's
// unit and as laid out by the time format.
void printStatsJson(const QString& title, const TDF& reader, const ObjectSummary& summary,
                    const ReadCounts& counts, StandardOutput& output);

#endif
