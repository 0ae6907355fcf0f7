#include "diagnostic_capture.h"

#include "json_writer.h"
#include "tool_messages.h"

namespace {

// Error's handler is a plain function: it finds the capture here.
DiagnosticCapture* current = nullptr;

void keep(Error::Severity severity, const QString& message, const QString& file, int line, int column)
{
    current->reports.push_back({severity, message, file, line, column});
}

// 0 stands for a position the report does not know.
void writePosition(int position, JsonWriter& json)
{
    if (position != 0)
        json.number(position);
    else
        json.null();
}

}

DiagnosticCapture::DiagnosticCapture()
{
    current = this;
    Error::setHandler(keep);
}

DiagnosticCapture::~DiagnosticCapture()
{
    Error::setHandler(printDiagnostic);
    current = nullptr;
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
