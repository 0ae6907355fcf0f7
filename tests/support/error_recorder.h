#ifndef ERROR_RECORDER_H
#define ERROR_RECORDER_H

#include <error.h>

#include "qstring_print.h"

#include <QString>

#include <vector>

struct Report {
    Error::Severity severity;
    QString message;
    QString file;
    int line;
    int column;
};

// Installs a handler that records every report for the recorder's lifetime,
// with the counters cleared at the start; the default printing comes back
// at the end.
class ErrorRecorder {
public:
    ErrorRecorder();
    ~ErrorRecorder();

    const std::vector<Report>& reports() const;
};

#endif
