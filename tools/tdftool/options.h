#ifndef TDFTOOL_OPTIONS_H
#define TDFTOOL_OPTIONS_H

#include <command_line.h>
#include <render_options.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// What the command line asked for.
struct Options {
    QString command;          // "check", "rewrite", "stats", "render", "export", "query" or "view"
    QStringList configFiles;  // --tcf, in order; empty for the built-in default
    QStringList traces;
    bool times = false;       // rewrite --times
    bool wholeModel = false;  // --whole-model: read without streaming
    bool json = false;        // check, stats and query --json
    bool quiet = false;       // check -q
    QString timeFormat;       // stats and render --time-format
    QString output;           // render -o: an .svg or .html file
    QString sqlite;           // export --sqlite: the database to write
    std::optional<unsigned long long> from;  // render --from and --to, in the trace's time unit
    std::optional<unsigned long long> to;
    std::optional<long long> maxEvents;  // render --max-events
    QStringList statements;   // query: the SQL arguments after the trace
    QString scriptFile;       // query -f: a file of SQL statements, "-" for standard input
    QString database;         // query --db: the database file to build or reuse
    bool csv = false;         // query --csv
    bool table = false;       // query --table
    int port = 0;             // view --port; 0 for a free one
    QString bindAddress;      // view --bind; empty for the loopback address
    bool openBrowser = false; // view --open
};


// Parses the arguments after the program name. Returns false with a one-line
// reason in `problem` on a usage error; `request` tells whether --help or
// --version came in place of an option.
bool parseOptions(const QStringList& arguments, Options& options, Request& request, QString& problem);

// The trace argument that stands for standard input.
inline const QString standardInputName = QStringLiteral("-");

// True when a render output names an HTML page rather than an SVG file.
bool isHtmlOutput(const QString& output);

// The text --help prints.
QByteArray usageText();

#endif
