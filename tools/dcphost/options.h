#ifndef DCPHOST_OPTIONS_H
#define DCPHOST_OPTIONS_H

#include <command_line.h>

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// What the command line asked for.
struct Options {
    QStringList files;
    bool display = false;                       // --display
    bool hasNode = false;                       // --node NAME
    QString node;
    QList<QPair<QString, QString>> config;      // --config KEY=VALUE, in order
    bool exportReport = false;                  // --export DIR NAME
    QString exportDirectory;
    QString exportName;
    QString library;                            // --library FILE
    QString scriptDirectory;                    // --script-dir DIR
};


// Parses the arguments after the program name. Returns false with a one-line
// reason in `problem` on a usage error; `request` tells whether --help or
// --version came in place of an option.
bool parseOptions(const QStringList& arguments, Options& options, Request& request, QString& problem);

// The text --help prints.
QByteArray usageText();

#endif
