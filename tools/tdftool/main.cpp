// tdftool: checks, rewrites, summarises, draws and exports trace data files.

#include "commands.h"
#include "configurations.h"
#include "options.h"
#include "standard_output.h"
#include "tool_messages.h"

#include <error.h>

#include <QStringList>

#include <csignal>
#include <new>

namespace {

// The exit status before standard output is known to have been written:
// 2 for a usage error only, 1 for any other failure.
int runTool(const QStringList& arguments, StandardOutput& output)
{
    Options options;
    Request request = Request::Run;
    QString problem;
    if (!parseOptions(arguments, options, request, problem)) {
        printToolError(problem);
        return 2;
    }
    if (request == Request::Help) {
        output.print("%s", usageText().constData());
        return 0;
    }
    if (request == Request::Version) {
        output.print("tdftool %s\n", TDF_VERSION);
        return 0;
    }

    Configurations configurations;
    if (!configurations.load(options.configFiles))
        return 1;
    if (options.command == QLatin1String("query"))
        return runQuery(options, configurations.list, output) ? 0 : 1;
    if (options.command == QLatin1String("check"))
        runCheck(options, configurations.list, output);
    else if (options.command == QLatin1String("rewrite"))
        runRewrite(options, configurations.list, output);
    else if (options.command == QLatin1String("stats"))
        runStats(options, configurations.list, output);
    else if (options.command == QLatin1String("export")) {
        if (!runExport(options, configurations.list, output))
            return 1;
    } else if (options.command == QLatin1String("view")) {
        if (!runView(options, configurations.list, output))
            return 1;
    } else if (!runRender(options, configurations.list, output))
        return 1;
    return Error::error_count_ > 0 ? 1 : 0;
}

}

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    // Past the file size limit a write is to fail with EFBIG, so that it is
    // reported like a full disk, rather than end the tool by the signal.
    std::signal(SIGXFSZ, SIG_IGN);
    // The library's reports carry their severity, as the tool's own do.
    Error::setHandler(printDiagnostic);
    StandardOutput output;
    int status = 1;
    // A trace read whole (--whole-model) can need more memory than there
    // is: that ends the run as a failure, not as a crash.
    try {
        status = runTool(arguments, output);
    } catch (const std::bad_alloc&) {
        printToolError(QStringLiteral("out of memory"));
    }
    return output.finish() ? status : 1;
}
