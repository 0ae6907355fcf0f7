#include "diagnostic_capture.h"

#include "json_writer.h"
#include "tool_messages.h"

#include <utility>

namespace {

// Error's handler is a plain function: it finds the capture here.
DiagnosticCapture* current = nullptr;

// 0 stands for a position the report does not know.
void writePosition(int position, JsonWriter& json)
{
    if (position != 0)
        json.number(position);
    else
        json.null();
}

}

DiagnosticCapture::DiagnosticCapture() : DiagnosticCapture(Settings()) {}

DiagnosticCapture::DiagnosticCapture(Settings settings) : settings_(std::move(settings)), before_(current)
{
    current = this;
    Error::setHandler(take);
}

DiagnosticCapture::~DiagnosticCapture()
{
    current = before_;
    if (!current)
        Error::setHandler(printDiagnostic);
}

void DiagnosticCapture::take(Error::Severity severity, const QString& message, const QString& file, int line,
                             int column)
{
    DiagnosticCapture* const capture = current;
    ++capture->count;
    if (capture->reports.size() < capture->settings_.keepAtMost) {
        const long long position = capture->settings_.position ? capture->settings_.position() : -1;
        capture->reports.push_back({severity, message, file, line, column, position});
    }
    if (capture->settings_.reports == Reports::kept)
        return;
    if (!capture->before_) {
        printDiagnostic(severity, message, file, line, column);
        return;
    }
    // As the capture before this one would take it.
    current = capture->before_;
    take(severity, message, file, line, column);
    current = capture;
}

void writeDiagnostics(const std::vector<Diagnostic>& reports, const QString& trace, JsonWriter& json)
{
    json.beginArray();
    for (const Diagnostic& report : reports) {
        json.beginObject();
        json.key("file");
        json.string(report.file.isNull() ? trace : report.file);
        json.key("line");
        writePosition(report.line, json);
        json.key("column");
        writePosition(report.column, json);
        json.key("severity");
        json.string(report.severity == Error::ERROR ? QStringLiteral("error") : QStringLiteral("warning"));
        json.key("message");
        json.string(report.message);
        json.endObject();
    }
    json.endArray();
}
