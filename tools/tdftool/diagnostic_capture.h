#ifndef TDFTOOL_DIAGNOSTIC_CAPTURE_H
#define TDFTOOL_DIAGNOSTIC_CAPTURE_H

#include <error.h>

#include <QString>

#include <vector>

// One report of the trace library, as Error gives it: a null file for a
// report about no file, 0 for an unknown line or column.
struct Diagnostic {
    Error::Severity severity;
    QString message;
    QString file;
    int line;
    int column;
};

// While it lives, the reports of the trace library are kept in `reports`
// instead of being printed; Error still counts them. Afterwards the tool
// prints them again (printDiagnostic). One capture at a time.
class DiagnosticCapture {
public:
    DiagnosticCapture();
    ~DiagnosticCapture();
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    std::vector<Diagnostic> reports;
};

class JsonWriter;
// The reports of reading `trace` as a JSON list of {file, line, column,
// severity, message}. A report about no file is about the trace as a whole
// (it could not be opened or read): its file is `trace`.
void writeDiagnostics(const std::vector<Diagnostic>& reports, const QString& trace, JsonWriter& json);

#endif
