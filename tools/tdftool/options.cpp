#include "options.h"

#include <climits>

const char* usageText()
{
    return "usage: tdftool COMMAND [OPTIONS] TRACE...\n"
           "       tdftool --help | --version\n"
           "\n"
           "Reads trace data files (TDF) against trace configurations. A TRACE\n"
           "written - is read from standard input and called <stdin> in reports.\n"
           "\n"
           "commands:\n"
           "  check [--tcf FILE]... [-q | --json] TRACE...\n"
           "      Reads each trace and prints one line that sums it up (none for a\n"
           "      trace that can't be read). Problems are reported on standard\n"
           "      error as FILE:LINE: error: MESSAGE (or warning:), and last the\n"
           "      reading rate.\n"
           "      -q prints only the lines of traces with errors: no rate and\n"
           "      no progress.\n"
           "      --json prints one JSON object a line for each trace, also one\n"
           "      that can't be read (\"complete\": false): trace, lines, objects,\n"
           "      blocks, errors, warnings and diagnostics, a list of {file, line,\n"
           "      column, severity, message} holding the trace's problems, which\n"
           "      then don't go to standard error.\n"
           "  rewrite [--tcf FILE]... [--times] TRACE\n"
           "      Reads the trace and writes it back as TDF on standard output.\n"
           "      --times writes the time of every object (TM records).\n"
           "  stats [--tcf FILE]... [--time-format FMT] [--json] TRACE\n"
           "      Prints a summary: objects per kind, instances, messages, times,\n"
           "      heap, threads and loops. FMT lays times out, for example\n"
           "      \"%Hh %Mmn %ss %mms\" (fields %H %M %s %m %u %n, %p picoseconds,\n"
           "      %v the raw count; a zero field is left out unless written %0X).\n"
           "      --json prints the summary as one JSON document.\n"
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
           "               Without it the built-in default.tcf is used. A\n"
           "               file that reports an error or defines no\n"
           "               configuration stops the run before any trace.\n"
           "  --whole-model  (check, rewrite, stats) keeps every object of the\n"
           "               trace while reading instead of only what later lines\n"
           "               can reach: the same results with memory that grows\n"
           "               with the trace, to compare the two readings.\n"
           "  --           ends the options: every later argument is a TRACE.\n"
           "  -h, --help   prints this text.\n"
           "  --version    prints the version of tdftool.\n"
           "An option's value is taken as it is: --tcf -h names a file \"-h\".\n"
           "\n"
           "exit status: 0 when no error was reported (warnings allowed), 1 when\n"
           "an error was reported or a file (a trace, a configuration, the output)\n"
           "can't be read or written, 2 for a usage error.\n";
}

bool isHtmlOutput(const QString& output)
{
    return output.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
           output.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
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

// --help and --version are requests wherever an option may stand.
bool isRequest(const QString& argument, Request& request)
{
    if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
        request = Request::Help;
    else if (argument == QLatin1String("--version"))
        request = Request::Version;
    else
        return false;
    return true;
}

// The flags, options without a value, of each command.
bool takeFlag(const QString& argument, Options& options)
{
    const QString& command = options.command;
    if (argument == QLatin1String("--times") && command == QLatin1String("rewrite"))
        options.times = true;
    else if (argument == QLatin1String("--whole-model") && command != QLatin1String("render"))
        options.wholeModel = true;
    else if (argument == QLatin1String("--json") &&
             (command == QLatin1String("check") || command == QLatin1String("stats")))
        options.json = true;
    else if (argument == QLatin1String("-q") && command == QLatin1String("check"))
        options.quiet = true;
    else
        return false;
    return true;
}

bool checkTraces(const Options& options, QString& problem)
{
    if (options.traces.isEmpty()) {
        problem = QStringLiteral("%1 needs a trace file").arg(options.command);
        return false;
    }
    if (options.command != QLatin1String("check") && options.traces.size() > 1) {
        problem = QStringLiteral("%1 takes one trace file").arg(options.command);
        return false;
    }
    if (options.traces.count(standardInputName) > 1) {
        problem = QStringLiteral("standard input (-) can be read only once");
        return false;
    }
    return true;
}

}

bool parseOptions(const QStringList& arguments, Options& options, Request& request, QString& problem)
{
    request = Request::Run;
    if (arguments.isEmpty()) {
        problem = QStringLiteral("no command given (check, rewrite, stats or render); see tdftool --help");
        return false;
    }
    if (isRequest(arguments.first(), request))
        return true;
    options.command = arguments.first();
    if (!commands.contains(options.command)) {
        problem = QStringLiteral("unknown command \"%1\" (check, rewrite, stats or render)").arg(options.command);
        return false;
    }

    bool tracesOnly = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (tracesOnly || argument == standardInputName || !argument.startsWith(QLatin1Char('-'))) {
            options.traces.append(argument);
        } else if (argument == QLatin1String("--")) {
            tracesOnly = true;
        } else if (isRequest(argument, request)) {
            return true;
        } else if (takesValue(options.command, argument)) {
            if (i + 1 >= arguments.size()) {
                problem = QStringLiteral("%1 needs a value").arg(argument);
                return false;
            }
            if (!takeValue(argument, arguments[++i], options, problem))
                return false;
        } else if (!takeFlag(argument, options)) {
            problem = QStringLiteral("unknown option %1 for %2").arg(argument, options.command);
            return false;
        }
    }

    if (options.quiet && options.json) {
        problem = QStringLiteral("-q and --json don't go together");
        return false;
    }
    if (!checkTraces(options, problem))
        return false;
    return options.command != QLatin1String("render") || checkRender(options, problem);
}
