#ifndef MODEL_SNAPSHOT_H
#define MODEL_SNAPSHOT_H

// A reader's whole model as lines of text, so that two readings can be
// compared object by object: every trace object with its kind, time, names,
// link, style and heap size, and its links to other objects written as
// positions in the reader's object list (never as addresses); the
// definition blocks with their static model; the reader's context (its
// configuration, time unit and step, heap size, threads, counters).

#include <string>
#include <vector>

class TDF;

// Times (of objects, the time step) are left out unless `withTimes`.
std::vector<std::string> snapshotModel(TDF& reader, bool withTimes);

#endif
