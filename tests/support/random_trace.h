#ifndef RANDOM_TRACE_H
#define RANDOM_TRACE_H

// Traces made up at random for the configurations of
// tests/data/round_trip.tcf, the same for the same seed. Most lines are
// statements that read well, on purpose in awkward places (loops and notes
// before any block, ids reused after deletion, several new traces, blocks
// that replace others); some fail (unknown ids and blocks, malformed
// fields, a lost block, a return without message), as traces from devices
// do.

#include <string>

std::string randomTrace(unsigned seed, int lines);

#endif
