#ifndef TDFTOOL_DIAGNOSTIC_CAPTURE_H
#define TDFTOOL_DIAGNOSTIC_CAPTURE_H

#include <error.h>

#include <QString>

#include <cstddef>
#include <functional>
#include <limits>
#include <vector>

// One report of the trace library, as Error gives it: a null file for a
// report about no file, 0 for an unknown line or column.
struct Diagnostic {
    Error::Severity severity;
    QString message;
    QString file;
    int line;
    int column;
    // Where the reading was when it came (DiagnosticCapture's `position`).
    long long position = -1;
};

// While it lives, the reports of the trace library are kept in `reports`;
// Error still counts them. By default they are not printed: the tool
// prints them afterwards (printDiagnostic). Captures nest: one made while
// another lives takes the reports first, and one that passes them on
// hands each to the one before it (or prints it, when there is none).
class DiagnosticCapture {
public:
    enum class Reports { kept, passedOn };
    struct Settings {
        Reports reports = Reports::kept;
        // The reports beyond it are counted only.
        std::size_t keepAtMost = std::numeric_limits<std::size_t>::max();
        // Where the reading is, for Diagnostic::position.
        std::function<long long()> position;
    };

    DiagnosticCapture();
    explicit DiagnosticCapture(Settings settings);
    ~DiagnosticCapture();
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    std::vector<Diagnostic> reports;
    long long count = 0;  // kept or not

private:
    static void take(Error::Severity severity, const QString& message, const QString& file, int line, int column);

    Settings settings_;
    DiagnosticCapture* before_;
};

class JsonWriter;
// The reports of reading `trace` as a JSON list of {file, line, column,
// severity, message}. A report about no file is about the trace as a whole
// (it could not be opened or read): its file is `trace`.
void writeDiagnostics(const std::vector<Diagnostic>& reports, const QString& trace, JsonWriter& json);

#endif
