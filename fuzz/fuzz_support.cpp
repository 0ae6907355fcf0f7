#include "fuzz_support.h"

#include <error.h>

#include <cstdio>
#include <cstdlib>

namespace {

std::vector<QString> recordedErrors;

void record(Error::Severity severity, const QString& message, const QString&, int, int)
{
    // A runaway input must not grow the record without bound.
    if (severity == Error::ERROR && recordedErrors.size() < 1000)
        recordedErrors.push_back(message);
}

}

void installQuietErrorHandler()
{
    Error::setHandler(record);
}

std::vector<QString> takeErrors()
{
    std::vector<QString> errors;
    errors.swap(recordedErrors);
    return errors;
}

void fuzzFailure(const char* what, const std::string& details)
{
    std::fprintf(stderr, "\n==== fuzz property failed: %s\n%s\n====\n", what, details.c_str());
    std::fflush(stderr);
    std::abort();
}
