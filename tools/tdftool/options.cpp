#include "options.h"

#include <climits>

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
           "  render [--tcf FILE]... [--time-format FMT] [--from T] [--to T]\n"
           "         [--max-events N] TRACE -o OUT.svg|OUT.html\n"
           "      Draws the trace as a sequence diagram: an SVG picture, or an HTML\n"
           "      page that embeds it with the instance titles kept in view, zoom\n"
           "      and panning. --from and --to choose a time window (times in the\n"
           "      trace's unit, as plain numbers); at most N events are drawn\n"
           "      (default 2000), and the picture says how many it shows.\n"
           "\n"
           "options:\n"
           "  --tcf FILE   a trace configuration file; may be repeated, and the\n"
           "               configurations of all files are searched in order.\n"
           "               Without it the built-in default.tcf is used.\n"
           "  --whole-model  (check, rewrite, stats) keeps every object of the\n"
           "               trace while reading instead of only what later lines\n"
           "               can reach: the same results with memory that grows\n"
           "               with the trace, to compare the two readings.\n"
           "  --help       prints this text.\n"
           "\n"
           "exit status: 0 when no error was reported (warnings allowed), 1 when\n"
           "an error was reported, 2 for a usage error or an output that can't be\n"
           "written.\n";
}

namespace {

const QStringList commands = {QStringLiteral("check"), QStringLiteral("rewrite"), QStringLiteral("stats"),
                              QStringLiteral("render")};

// The options of each command that take a value.
bool takesValue(const QString& command, const QString& option)
{
    if (option == QLatin1String("--tcf"))
        return true;
    if (option == QLatin1String("--time-format"))
        return command == QLatin1String("stats") || command == QLatin1String("render");
    static const QStringList renderOptions = {QStringLiteral("-o"), QStringLiteral("--from"), QStringLiteral("--to"),
                                              QStringLiteral("--max-events")};
    return command == QLatin1String("render") && renderOptions.contains(option);
}

bool readCount(const QString& option, const QString& value, unsigned long long& number, QString& problem)
{
    bool ok = false;
    number = value.toULongLong(&ok, 10);
    if (!ok)
        problem = QStringLiteral("%1 needs a whole number, not \"%2\"").arg(option, value);
    return ok;
}

bool takeValue(const QString& option, const QString& value, Options& options, QString& problem)
{
    unsigned long long number = 0;
    if (option == QLatin1String("--tcf")) {
        options.configFiles.append(value);
    } else if (option == QLatin1String("--time-format")) {
        options.timeFormat = value;
    } else if (option == QLatin1String("-o")) {
        options.output = value;
    } else if (option == QLatin1String("--from") || option == QLatin1String("--to")) {
        if (!readCount(option, value, number, problem))
            return false;
        (option == QLatin1String("--from") ? options.from : options.to) = number;
    } else {
        if (!readCount(option, value, number, problem))
            return false;
        if (number == 0 || number > static_cast<unsigned long long>(LLONG_MAX)) {
            problem = QStringLiteral("--max-events needs a number of at least 1");
            return false;
        }
        options.maxEvents = static_cast<long long>(number);
    }
    return true;
}

bool checkRender(const Options& options, QString& problem)
{
    if (options.output.isEmpty()) {
        problem = QStringLiteral("render needs an output file: -o OUT.svg or -o OUT.html");
        return false;
    }
    if (!isHtmlOutput(options.output) && !options.output.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        problem = QStringLiteral("render writes .svg or .html files, not %1").arg(options.output);
        return false;
    }
    if (options.from && options.to && *options.from > *options.to) {
        problem = QStringLiteral("--from lies after --to");
        return false;
    }
    return true;
}

}

bool isHtmlOutput(const QString& output)
{
    return output.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
           output.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
}

bool parseOptions(const QStringList& arguments, Options& options, bool& help, QString& problem)
{
    help = arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"));
    if (help)
        return true;
    if (arguments.isEmpty()) {
        problem = QStringLiteral("no command given (check, rewrite, stats or render); see tdftool --help");
        return false;
    }
    options.command = arguments.first();
    if (!commands.contains(options.command)) {
        problem = QStringLiteral("unknown command \"%1\" (check, rewrite, stats or render)").arg(options.command);
        return false;
    }

    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (takesValue(options.command, argument)) {
            if (i + 1 >= arguments.size()) {
                problem = QStringLiteral("%1 needs a value").arg(argument);
                return false;
            }
            if (!takeValue(argument, arguments[++i], options, problem))
                return false;
        } else if (argument == QLatin1String("--times") && options.command == QLatin1String("rewrite")) {
            options.times = true;
        } else if (argument == QLatin1String("--whole-model") && options.command != QLatin1String("render")) {
            options.wholeModel = true;
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
    return options.command != QLatin1String("render") || checkRender(options, problem);
}
