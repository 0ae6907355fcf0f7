#include "rewrite_check.h"

#include "fuzz_support.h"
#include "rewrite_reading.h"
#include "streaming_reading.h"

namespace {

void check(TCFList* configurations, const std::string& text, bool times)
{
    const RewriteReading first = readAndRewrite(configurations, text, times);
    const RewriteReading second = readAndRewrite(configurations, first.rewritten, times);
    takeErrors();
    if (second.models != first.models)
        fuzzFailure(times ? "the rewrite (with times) reads as the same model" : "the rewrite reads as the same model",
                    firstModelDifference(first, second) + "rewrite:\n" + first.rewritten);
    if (first.errors == 0 && second.errors != 0)
        fuzzFailure(times ? "a clean trace has a clean rewrite (with times)" : "a clean trace has a clean rewrite",
                    "rewrite:\n" + first.rewritten);
}

// A streaming reader frees what no later line reaches: it must hand out
// and rewrite what the whole model does.
void checkStreaming(TCFList* configurations, const std::string& text, bool times)
{
    const LineByLineReading whole = readLineByLine(configurations, text, false, times);
    const LineByLineReading streamed = readLineByLine(configurations, text, true, times);
    takeErrors();
    const std::string difference = firstReadingDifference(whole, streamed);
    if (!difference.empty() || streamed.counts != whole.counts)
        fuzzFailure("streaming reads as the whole model does",
                    difference + "counts\n  streaming: " + streamed.counts + "\n  whole:     " + whole.counts + '\n');
}

}

void checkRewriteKeepsTheTrace(TCFList* configurations, const std::string& text)
{
    check(configurations, text, false);
    check(configurations, text, true);
    checkStreaming(configurations, text, text.size() % 2 == 0);
}
