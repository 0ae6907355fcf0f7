#ifndef STORE_READING_H
#define STORE_READING_H

// Building a trace's event store line by line, streamed or from the whole
// model, with what the whole model says of each trace (NT section) just
// before the next one frees it, so that the rows can be checked against
// the objects they stand for.

#include <event_store.h>

#include <array>
#include <string>
#include <vector>

class TCFList;

// What the whole model held at the end of one trace, in its order.
struct ModelSection {
    std::vector<int> kinds;
    std::vector<unsigned long long> times;
    // Per object, the position of the object it points at, or -1: a
    // message's return, an instance's deletion, a loop start's end, a
    // note's or glyph's owner.
    std::vector<long long> returns;
    std::vector<long long> deletions;
    std::vector<long long> loopEnds;
    std::vector<long long> owners;
    std::vector<unsigned long long> dynamicIds;  // of instances
    std::array<unsigned long long, 19> appended{};  // the reader's counts
};

struct StoreReading {
    store::EventStore store;
    std::vector<ModelSection> sections;  // only when read whole
};

StoreReading readStore(TCFList* configurations, const std::string& trace, bool streaming);

// Where two stores first part (empty when they don't), to show in a failure.
std::string firstStoreDifference(const store::EventStore& whole, const store::EventStore& streamed);

#endif
