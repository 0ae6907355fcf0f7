// tdftool: checks, rewrites, summarises and draws trace data files.

#include "commands.h"
#include "configurations.h"
#include "options.h"

#include <error.h>

#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    Options options;
    bool help = false;
    QString problem;
    if (!parseOptions(arguments, options, help, problem)) {
        std::fprintf(stderr, "tdftool: %s\n", problem.toLocal8Bit().constData());
        return 2;
    }
    if (help) {
        std::fputs(usageText(), stdout);
        return 0;
    }

    Configurations configurations;
    if (!configurations.load(options.configFiles, problem)) {
        std::fprintf(stderr, "tdftool: %s\n", problem.toLocal8Bit().constData());
        return 2;
    }
    if (options.command == QLatin1String("check"))
        runCheck(options, configurations.list);
    else if (options.command == QLatin1String("rewrite"))
        runRewrite(options, configurations.list);
    else if (options.command == QLatin1String("stats"))
        runStats(options, configurations.list);
    else if (!runRender(options, configurations.list))
        return 2;
    return Error::error_count_ > 0 ? 1 : 0;
}
