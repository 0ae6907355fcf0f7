#ifndef TDFTOOL_OPTIONS_H
#define TDFTOOL_OPTIONS_H

#include <QString>
#include <QStringList>

// What the command line asked for.
struct Options {
    QString command;          // "check", "rewrite" or "stats"
    QStringList configFiles;  // --tcf, in order; empty for the built-in default
    QStringList traces;
    bool times = false;       // rewrite --times
    QString timeFormat;       // stats --time-format
};

// Parses the arguments after the program name. Returns false with a one-line
// reason in `problem` on a usage error; `help` is set for --help.
bool parseOptions(const QStringList& arguments, Options& options, bool& help, QString& problem);

// The text --help prints.
const char* usageText();

#endif
