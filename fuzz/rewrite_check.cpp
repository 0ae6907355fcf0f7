#include "rewrite_check.h"

#include "fuzz_support.h"
#include "rewrite_reading.h"

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

}

void checkRewriteKeepsTheTrace(TCFList* configurations, const std::string& text)
{
    check(configurations, text, false);
    check(configurations, text, true);
}
