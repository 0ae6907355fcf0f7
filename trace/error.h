#ifndef TDF_ERROR_H
#define TDF_ERROR_H

// The trace library's one channel for diagnostics. Reports are counted and
// either handed to the client's handler or printed on standard error as one
// compiler-style line: "file:line:column:message".

#include "export.h"

#include <QString>

// The process-wide diagnostic reporter: counts errors and warnings and
// hands each to the handler or to standard error.
class TDF_EXPORT Error {
public:
    enum Severity { WARNING = 0, ERROR = 1 };

    typedef void (*Handler)(Severity severity, const QString& message, const QString& file, int line,
                            int column);

    static void error(const QString& message, const QString& file, int line, int column);
    static void warning(const QString& message, const QString& file, int line, int column);

    // A null handler brings back the printing on standard error.
    static void setHandler(Handler handler);
    // Clears both counters; the handler stays installed.
    static void reset();

    static int error_count_;
    static int warn_count_;

private:
    static void report(Severity severity, const QString& message, const QString& file, int line, int column);

    static Handler handler_;
};

#endif
