// A configuration and a trace in one input: the text before the first line
// "%%" is a resource file of trace configurations, the text after it a
// trace read against them (an input without that line is a configuration
// alone). Loading any configuration must neither fail hard nor let a trace
// take unbounded memory; the trace's rewrite must read as the same model.

#include "fuzz_support.h"
#include "rewrite_check.h"

#include <resource_reader.h>
#include <tcf.h>
#include <tcf_loader.h>

#include <qares.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

// Where the line "%%" starts, or npos.
size_t separatorLine(const std::string& input)
{
    if (input.compare(0, 3, "%%\n") == 0)
        return 0;
    const size_t found = input.find("\n%%\n");
    return found == std::string::npos ? found : found + 1;
}

}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    installQuietErrorHandler();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t separator = separatorLine(input);
    const std::string configuration = input.substr(0, separator);
    const std::string trace = separator == std::string::npos ? std::string() : input.substr(separator + 3);

    std::unique_ptr<QARes> resources(
        readResourceText(QByteArray::fromStdString(configuration), QStringLiteral("fuzz.tcf")));
    std::unique_ptr<TCFList> configurations(readTCFFromResources(resources.get(), nullptr));
    takeErrors();
    if (configurations) {
        checkRewriteKeepsTheTrace(configurations.get(), trace);
        configurations->deleteConfigurations();
    }
    return 0;
}
