#include "error_recorder.h"

namespace {

std::vector<Report> recorded;

void record(Error::Severity severity, const QString& message, const QString& file, int line, int column)
{
    recorded.push_back({severity, message, file, line, column});
}

}

ErrorRecorder::ErrorRecorder()
{
    recorded.clear();
    Error::reset();
    Error::setHandler(record);
}

ErrorRecorder::~ErrorRecorder()
{
    Error::setHandler(nullptr);
    Error::reset();
}

const std::vector<Report>& ErrorRecorder::reports() const
{
    return recorded;
}
