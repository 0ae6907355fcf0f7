#include "options.h"

#include <command_line.h>
#include <view_address.h>

#include <climits>

namespace {

enum OptionId {
    Tcf, WholeModel, Quiet, Json, Times, TimeFormat, Output, From, To, MaxEvents, Sqlite, Database, Script, Csv,
    Table, Port, Bind, Open, Help, Version
};

const ToolSyntax syntax = {
    "tdftool",
    "TRACE",
    "TRACE...",
    {
        {"check", "TRACE...",
         "Reads each trace and prints one line that sums it up (none for a trace that can't be read), after the "
         "trace's problems on standard error; last the reading rate, on standard error. On a terminal a progress "
         "line shows how much of a file has been read."},
        {"rewrite", "TRACE", "Reads the trace and writes it back as TDF on standard output."},
        {"stats", "TRACE",
         "Prints a summary: objects per kind, instances, messages, times, heap, threads and loops; of the last "
         "trace when NT lines start several."},
        {"render", "TRACE -o OUT",
         "Draws the trace as a sequence diagram. OUT.svg is an SVG picture of the events in the window that --from "
         "and --to choose, at most --max-events of them; it says how many it shows, and standard error says so "
         "when events were left out. OUT.html is a page that holds the whole trace (--from, --to and --max-events "
         "don't apply to it) and draws what is on screen, with the time axis and the instance titles kept in "
         "view, zoom, panning, search and the details of each event."},
        {"export", "--sqlite OUT TRACE",
         "Reads the trace in one streaming pass and writes its events, instances, messages, loops, threads, notes, "
         "glyphs and diagnostics to OUT, an SQLite database (tables in docs/sql.md), then prints how many events, "
         "instances, messages and loops it holds; the reading rate and, on a terminal, a progress line go to "
         "standard error, as check prints them. "
         "The database is whole or absent: it is written beside OUT and renamed into place at the end, also when "
         "the trace reported errors (the diagnostic table lists them; the exit status is 1)."},
        {"query", "TRACE [SQL]...",
         "Runs SQL statements against the trace's events (see docs/sql.md) and prints each result: an aligned table "
         "on a terminal, CSV otherwise or with --csv, JSON Lines with --json. The statements come from the SQL "
         "arguments, then from -f FILE; without either they are read from standard input, on a terminal one by "
         "one until its end. Without --db the database is built in memory. An SQL error, reported as tdftool: "
         "query: MESSAGE, ends the run with exit status 1; the trace's own errors are rows of the diagnostic table "
         "and leave it 0."},
        {"view", "TRACE",
         "Reads the trace and serves its view, the page of render -o OUT.html with its data asked for as it is "
         "shown, at http://127.0.0.1:PORT/ on this machine only; once it answers it prints one line, tdftool: "
         "view of TRACE at URL, where the URL holds the token that every request must show. It runs until "
         "interrupted (SIGINT, SIGTERM) and writes nothing but the database of --db. A port that can't be "
         "listened on ends it with exit status 1."},
    },
    {
        {Tcf, "--tcf", nullptr, "FILE", OptionUse::Repeatable, nullptr,
         "A trace configuration file; the configurations of all files are searched in order. Without it the "
         "built-in default.tcf is used. A file that can't be read, reports an error or defines no configuration "
         "stops the run before any trace is read."},
        {WholeModel, "--whole-model", nullptr, "", OptionUse::Once, "check rewrite stats export",
         "Keeps every object of the trace while reading instead of only what later lines can reach: the same "
         "results with memory that grows with the trace, to compare the two readings."},
        {Quiet, "-q", nullptr, "", OptionUse::Once, "check",
         "Prints only the lines of traces with errors: no reading rate and no progress."},
        {Json, "--json", nullptr, "", OptionUse::Once, "check stats query",
         "check prints one JSON object a line for each trace, also one that can't be read (\"complete\": false): "
         "version, trace, complete, lines, objects, blocks, errors, warnings and diagnostics, a list of {file, line, "
         "column, severity, message} holding the trace's problems, which then don't go to standard error. stats "
         "prints the summary as one JSON document, also for a trace that can't be read (\"complete\": false). query "
         "prints one JSON object a line for each row, its column names as keys."},
        {Times, "--times", nullptr, "", OptionUse::Once, "rewrite", "Writes the time of every object (TM records)."},
        {TimeFormat, "--time-format", nullptr, "FMT", OptionUse::Once, "stats render",
         "Lays times out, for example \"%mms %uus\" (fields %H %M %s %m %u %n, %p picoseconds, %v the raw "
         "count; a zero field is left out unless written %0X)."},
        {Output, "-o", nullptr, "OUT", OptionUse::Once, "render",
         "The file to write: OUT.svg for an SVG picture, OUT.html for an HTML page. render needs it."},
        {From, "--from", nullptr, "T", OptionUse::Once, "render",
         "The SVG picture starts at the first event at or after time T (a plain number in the trace's unit)."},
        {To, "--to", nullptr, "T", OptionUse::Once, "render",
         "The SVG picture ends at the last event at or before time T."},
        {MaxEvents, "--max-events", nullptr, "N", OptionUse::Once, "render",
         "The SVG picture draws at most N events of its window (default 2000)."},
        {Sqlite, "--sqlite", nullptr, "OUT", OptionUse::Once, "export",
         "The SQLite database to write. A file there is replaced once the new one is whole; anything else (a "
         "directory, a FIFO, a device) is refused. An interrupted export (a signal, a full disk) leaves no file."},
        {Database, "--db", nullptr, "FILE", OptionUse::Once, "query view",
         "The database to query, or that the view answers SQL from (/api/sql?q=STATEMENT, read only): built there "
         "from the trace when missing, or when it was made from another trace or state of it, with other --tcf "
         "files or by an older tdftool; reused when it was made from the trace as it is. It is opened read only, "
         "and statements that would change it are refused. A file that is not tdftool's database, or one of a "
         "newer tdftool, is reported and left alone."},
        {Script, "-f", nullptr, "FILE", OptionUse::Once, "query",
         "Runs the SQL statements of FILE (- for standard input), after those of the arguments."},
        {Csv, "--csv", nullptr, "", OptionUse::Once, "query",
         "Prints each result as CSV (a header line, then a line a row; NULL as an empty field), also on a "
         "terminal."},
        {Table, "--table", nullptr, "", OptionUse::Once, "query",
         "Prints each result as an aligned table, also when standard output is no terminal (into less, a file)."},
        {Port, "--port", nullptr, "N", OptionUse::Once, "view",
         "The port to listen on (default: a free one)."},
        {Bind, "--bind", nullptr, "ADDRESS", OptionUse::Once, "view",
         "Listens on ADDRESS, an IPv4 or IPv6 address (0.0.0.0 for all of the machine's), instead of 127.0.0.1: "
         "other machines can then reach the view, which only its token guards (a warning says so)."},
        {Open, "--open", nullptr, "", OptionUse::Once, "view",
         "Opens the view's URL in the browser (xdg-open) at once, while the trace is read."},
        {Help, "--help", "-h", "", OptionUse::Request, nullptr, "Prints this text."},
        {Version, "--version", nullptr, "", OptionUse::Request, nullptr, "Prints the version of tdftool."},
    },
    "Reads trace data files (TDF) against trace configurations. A TRACE written - is read from standard input "
    "and called <stdin> in reports. Problems go to standard error as compilers print them: FILE:LINE: error: "
    "MESSAGE or FILE:LINE: warning: MESSAGE.",
    "exit status: 0 when no error was reported (warnings allowed), 1 when an error was reported or a file (a "
    "trace, a configuration, the output) can't be read or written, 2 for a usage error.",
};

bool readCount(const QString& option, const QString& value, unsigned long long& number, QString& problem)
{
    bool ok = false;
    number = value.toULongLong(&ok, 10);
    if (!ok)
        problem = QStringLiteral("%1 needs a whole number, not \"%2\"").arg(option, value);
    return ok;
}

bool takeOption(const GivenOption& given, Options& options, QString& problem)
{
    const QString name = QLatin1String(given.definition->name);
    const QString value = given.values.value(0);
    unsigned long long number = 0;
    switch (OptionId(given.definition->id)) {
    case Tcf:
        options.configFiles.append(value);
        break;
    case WholeModel:
        options.wholeModel = true;
        break;
    case Quiet:
        options.quiet = true;
        break;
    case Json:
        options.json = true;
        break;
    case Times:
        options.times = true;
        break;
    case TimeFormat:
        options.timeFormat = value;
        break;
    case Output:
        options.output = value;
        break;
    case From:
    case To:
        if (!readCount(name, value, number, problem))
            return false;
        (given.definition->id == From ? options.from : options.to) = number;
        break;
    case MaxEvents:
        if (!readCount(name, value, number, problem))
            return false;
        if (number == 0 || number > static_cast<unsigned long long>(LLONG_MAX)) {
            problem = QStringLiteral("--max-events needs a number of at least 1");
            return false;
        }
        options.maxEvents = static_cast<long long>(number);
        break;
    case Sqlite:
        options.sqlite = value;
        break;
    case Database:
        options.database = value;
        break;
    case Script:
        options.scriptFile = value;
        break;
    case Csv:
        options.csv = true;
        break;
    case Table:
        options.table = true;
        break;
    case Port:
        if (!readCount(name, value, number, problem))
            return false;
        if (number > 65535) {
            problem = QStringLiteral("--port needs a port number up to 65535");
            return false;
        }
        options.port = static_cast<int>(number);
        break;
    case Bind:
        if (view::addressKind(value.toStdString()) == view::AddressKind::notAnAddress) {
            problem = QStringLiteral("--bind needs an IPv4 or IPv6 address, not \"%1\"").arg(value);
            return false;
        }
        options.bindAddress = value;
        break;
    case Open:
        options.openBrowser = true;
        break;
    case Help:
    case Version:
        break;
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

bool checkQuery(const Options& options, QString& problem)
{
    if (int(options.csv) + int(options.json) + int(options.table) > 1) {
        problem = QStringLiteral("--csv, --json and --table don't go together");
        return false;
    }
    const bool traceIsInput = options.traces.first() == standardInputName;
    if (traceIsInput && options.scriptFile == standardInputName) {
        problem = QStringLiteral("standard input (-) can't be both the trace and the SQL");
        return false;
    }
    if (traceIsInput && options.statements.isEmpty() && options.scriptFile.isEmpty()) {
        problem = QStringLiteral("query of standard input needs SQL arguments or -f FILE");
        return false;
    }
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

QByteArray usageText()
{
    return helpText(syntax);
}

bool isHtmlOutput(const QString& output)
{
    return output.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
           output.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
}

bool parseOptions(const QStringList& arguments, Options& options, Request& request, QString& problem)
{
    CommandLine line;
    if (!parseCommandLine(arguments, syntax, line, problem))
        return false;
    request = requestOf(line, Help);
    if (request != Request::Run)
        return true;
    options.command = line.command;
    options.traces = line.operands;
    // query's operands after the trace are SQL.
    if (options.command == QLatin1String("query") && options.traces.size() > 1) {
        options.statements = options.traces.mid(1);
        options.traces.resize(1);
    }
    for (const GivenOption& given : line.options)
        if (!takeOption(given, options, problem))
            return false;

    if (options.quiet && options.json) {
        problem = QStringLiteral("-q and --json don't go together");
        return false;
    }
    if (!checkTraces(options, problem))
        return false;
    // A database is reused only when its trace is the same file, which
    // standard input can't be shown to be.
    if (!options.database.isEmpty() && options.traces.first() == standardInputName) {
        problem = QStringLiteral("%1 --db needs a trace file, not standard input").arg(options.command);
        return false;
    }
    if (options.command == QLatin1String("export") && options.sqlite.isEmpty()) {
        problem = QStringLiteral("export needs a database file: --sqlite OUT.db");
        return false;
    }
    if (options.command == QLatin1String("query"))
        return checkQuery(options, problem);
    return options.command != QLatin1String("render") || checkRender(options, problem);
}
