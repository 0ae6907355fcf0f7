// A trace written back by the writer must read as the same model: every
// trace under tests/ and examples/, and many made up at random, are read,
// rewritten and read again, and the two models compared object by object
// (a rewrite of a rewrite being the same text would not catch a loss in the
// first one).

#include <tcf.h>
#include <tdf.h>

#include "error_recorder.h"
#include "random_trace.h"
#include "rewrite_reading.h"
#include "test_traces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

class RoundTrip : public testing::Test {
protected:
    RoundTrip() { loadTestConfigurations(configurations); }
    ~RoundTrip() override { configurations.deleteConfigurations(); }

    // Returns false (after failing) when the rewrite is not the same model.
    bool expectSameModel(const std::string& trace, bool times)
    {
        const RewriteReading first = readAndRewrite(&configurations, trace, times);
        const RewriteReading second = readAndRewrite(&configurations, first.rewritten, times);
        EXPECT_TRUE(second.models == first.models)
            << firstModelDifference(first, second) << "trace:\n" << trace << "rewrite:\n" << first.rewritten;
        if (first.errors == 0) {
            EXPECT_EQ(second.errors, 0) << "rewrite:\n" << first.rewritten;
        }
        // Written again, the rewrite does not change.
        EXPECT_EQ(readAndRewrite(&configurations, second.rewritten, times).rewritten, second.rewritten);
        return second.models == first.models;
    }

    ErrorRecorder recorder;
    TCFList configurations;
};

TEST_F(RoundTrip, EveryTestTraceReadsBackAsTheSameModel)
{
    const auto traces = testTraces();
    for (const auto& [name, trace] : traces) {
        for (bool times : {false, true}) {
            SCOPED_TRACE(name + (times ? " with times" : ""));
            expectSameModel(trace, times);
        }
    }
    EXPECT_GE(traces.size(), 3u);
}

// Loops past the nesting limit are dropped with their ends: the rewrite
// leaves both lines out and reads back as the same objects.
TEST_F(RoundTrip, LoopsPastTheNestingLimitAreLeftOut)
{
    const int depth = TDF::loopNestingLimit + 2;
    std::string trace = "DB \"default\"\nID 1\nED\nSF 1 1\n";
    for (int level = 0; level < depth; ++level)
        trace += "LS 2\n";
    trace += "TM 5\n";
    for (int level = 0; level < depth; ++level)
        trace += "LE\n";
    EXPECT_TRUE(expectSameModel(trace, true));

    const RewriteReading read = readAndRewrite(&configurations, trace, false);
    EXPECT_EQ(read.errors, 2);
    auto count = [&read](const std::string& record) {
        size_t found = 0;
        for (size_t at = read.rewritten.find(record); at != std::string::npos; at = read.rewritten.find(record, at + 1))
            ++found;
        return found;
    };
    EXPECT_EQ(count("LS 2\n"), size_t(TDF::loopNestingLimit));
    EXPECT_EQ(count("LE\n"), size_t(TDF::loopNestingLimit));
}

// The first DB fixes the trace's configuration even when its block is
// discarded: the rewrite keeps it, with as many errors.
TEST_F(RoundTrip, ConfigurationOfADiscardedOrUnendedFirstBlockIsKept)
{
    // The block is discarded (an unknown type), or the input ends inside it.
    const std::pair<std::string, int> traces[] = {
        {"DB \"named\"\nID 1 2\nIN \"NoSuchType\" 1 \"x\"\nED\nLS 2\nLE\n", 1},
        {"LS 2\nLE\nDB \"named\"\nID 1 2\nIN \"Task\" 1 \"x\"\n", 0},
    };
    for (const auto& [trace, errors] : traces) {
        SCOPED_TRACE(trace);
        EXPECT_TRUE(expectSameModel(trace, false));
        const RewriteReading read = readAndRewrite(&configurations, trace, false);
        const RewriteReading reread = readAndRewrite(&configurations, read.rewritten, false);
        EXPECT_EQ(read.errors, errors);
        EXPECT_EQ(reread.errors, read.errors) << read.rewritten;
        ASSERT_FALSE(reread.models.empty());
        const std::vector<std::string>& model = reread.models.back();
        EXPECT_TRUE(std::any_of(model.begin(), model.end(), [](const std::string& line) {
            return line.rfind("configuration \"named\" ", 0) == 0;
        })) << read.rewritten;
    }
}

// Made-up traces: new traces, loops and notes before any block, ids
// reused after deletion, failing statements, both configurations (with and
// without a loop naming).
TEST_F(RoundTrip, GeneratedTracesReadBackAsTheSameModel)
{
    for (unsigned seed = 1; seed <= 400; ++seed) {
        const std::string trace = randomTrace(seed, 160);
        for (bool times : {true, false}) {
            SCOPED_TRACE("seed " + std::to_string(seed) + (times ? " with times" : ""));
            if (!expectSameModel(trace, times))
                return;  // one made-up trace at a time is enough to read
        }
    }
}

}
