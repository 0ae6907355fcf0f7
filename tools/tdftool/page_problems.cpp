#include "page_problems.h"

#include "tool_messages.h"

#include <html_page_data.h>

#include <utility>

PageProblemCapture::PageProblemCapture(std::function<long long()> storedEvents)
    : capture_({DiagnosticCapture::Reports::passedOn, PageData::listedProblems, std::move(storedEvents)})
{
}

ReadingProblems PageProblemCapture::problems(const QString& trace) const
{
    ReadingProblems out;
    out.listed.reserve(capture_.reports.size());
    for (const Diagnostic& report : capture_.reports)
        out.listed.push_back({report.file.isNull() ? trace : report.file, report.line,
                              report.severity == Error::ERROR, report.message, report.position});
    out.count = capture_.count;
    return out;
}

std::vector<QString> PageProblemCapture::lines(const QString& trace) const
{
    std::vector<QString> out;
    out.reserve(capture_.reports.size());
    for (const Diagnostic& report : capture_.reports)
        out.push_back(QString::fromLocal8Bit(
                          diagnosticLine(report.severity, report.message, report.file.isNull() ? trace : report.file,
                                         report.line, report.column))
                          .trimmed());
    return out;
}
