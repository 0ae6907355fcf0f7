#ifndef TDFTOOL_TOOL_MESSAGES_H
#define TDFTOOL_TOOL_MESSAGES_H

#include <error.h>

#include <QByteArray>
#include <QString>

// The line a report is printed as on standard error, as compilers print
// them: "FILE:LINE:COLUMN: error: MESSAGE", leaving out a line or column of
// 0, and "tdftool: error: MESSAGE" for a report about no file. A message's
// own trailing line feeds are left out, so that every report is one line.
QByteArray diagnosticLine(Error::Severity severity, const QString& message, const QString& file, int line,
                          int column);

// The tool's printing of the trace library's reports (an Error handler).
void printDiagnostic(Error::Severity severity, const QString& message, const QString& file, int line, int column);

// Reports a problem of the tool itself: a usage error, a file it can't
// read or write. Error does not count it.
void printToolError(const QString& message);

#endif
