#include "options.h"

const char* usageText()
{
    return "usage: tdftool COMMAND [OPTIONS] TRACE...\n"
           "\n"
           "Reads trace data files (TDF) against trace configurations.\n"
           "\n"
           "commands:\n"
           "  check [--tcf FILE]... TRACE...\n"
           "      Reads each trace and prints a short summary of it. Problems are\n"
           "      reported on standard error as FILE:LINE:MESSAGE.\n"
           "  rewrite [--tcf FILE]... [--times] TRACE\n"
           "      Reads the trace and writes it back as TDF on standard output.\n"
           "      --times writes the time of every object (TM records).\n"
           "  stats [--tcf FILE]... [--time-format FMT] TRACE\n"
           "      Prints a summary: objects per kind, instances, messages, times,\n"
           "      heap, threads and loops. FMT lays times out, for example\n"
           "      \"%Hh %Mmn %ss %mms\" (fields %H %M %s %m %u %n, %p picoseconds,\n"
           "      %v the raw count; a zero field is left out unless written %0X).\n"
           "\n"
           "options:\n"
           "  --tcf FILE   a trace configuration file; may be repeated, and the\n"
           "               configurations of all files are searched in order.\n"
           "               Without it the built-in default.tcf is used.\n"
           "  --help       prints this text.\n"
           "\n"
           "exit status: 0 when no error was reported (warnings allowed), 1 when\n"
           "an error was reported, 2 for a usage error.\n";
}

bool parseOptions(const QStringList& arguments, Options& options, bool& help, QString& problem)
{
    help = arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"));
    if (help)
        return true;
    if (arguments.isEmpty()) {
        problem = QStringLiteral("no command given (check, rewrite or stats); see tdftool --help");
        return false;
    }
    options.command = arguments.first();
    if (options.command != QLatin1String("check") && options.command != QLatin1String("rewrite") &&
        options.command != QLatin1String("stats")) {
        problem = QStringLiteral("unknown command \"%1\" (check, rewrite or stats)").arg(options.command);
        return false;
    }

    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool takesValue =
            argument == QLatin1String("--tcf") ||
            (argument == QLatin1String("--time-format") && options.command == QLatin1String("stats"));
        if (takesValue) {
            if (i + 1 >= arguments.size()) {
                problem = QStringLiteral("%1 needs a value").arg(argument);
                return false;
            }
            const QString& value = arguments[++i];
            if (argument == QLatin1String("--tcf"))
                options.configFiles.append(value);
            else
                options.timeFormat = value;
        } else if (argument == QLatin1String("--times") && options.command == QLatin1String("rewrite")) {
            options.times = true;
        } else if (argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-")) {
            problem = QStringLiteral("unknown option %1 for %2").arg(argument, options.command);
            return false;
        } else {
            options.traces.append(argument);
        }
    }

    if (options.traces.isEmpty()) {
        problem = QStringLiteral("%1 needs a trace file").arg(options.command);
        return false;
    }
    if (options.command != QLatin1String("check") && options.traces.size() > 1) {
        problem = QStringLiteral("%1 takes one trace file").arg(options.command);
        return false;
    }
    return true;
}
