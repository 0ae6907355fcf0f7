#ifndef TEST_TRACES_H
#define TEST_TRACES_H

// The traces and configurations the whole-trace properties are checked on:
// every trace under tests/data and examples, read against the test
// configurations and the default one.

#include <string>
#include <utility>
#include <vector>

class TCFList;

// Appends the configurations of tests/data/reader.tcf, round_trip.tcf and
// examples/default.tcf to `configurations`, which then owns them.
void loadTestConfigurations(TCFList& configurations);

// Each test trace's file name and text, folder by folder in name order.
std::vector<std::pair<std::string, std::string>> testTraces();

#endif
