#include "error.h"

#include <iostream>
#include <string>

int Error::error_count_ = 0;
int Error::warn_count_ = 0;
Error::Handler Error::handler_ = nullptr;

void Error::error(const QString& message, const QString& file, int line, int column)
{
    ++error_count_;
    report(ERROR, message, file, line, column);
}

void Error::warning(const QString& message, const QString& file, int line, int column)
{
    ++warn_count_;
    report(WARNING, message, file, line, column);
}

void Error::setHandler(Handler handler)
{
    handler_ = handler;
}

void Error::reset()
{
    error_count_ = 0;
    warn_count_ = 0;
}

void Error::report(Severity severity, const QString& message, const QString& file, int line, int column)
{
    if (handler_) {
        handler_(severity, message, file, line, column);
        return;
    }
    // The prefix stands in for a missing file name only; an empty name still
    // prints its colon.
    std::string text;
    if (file.isNull())
        text = severity == ERROR ? "error:" : "warning:";
    else
        text = file.toLocal8Bit().toStdString() + ':';
    if (line != 0)
        text += std::to_string(line) + ':';
    if (column != 0)
        text += std::to_string(column) + ':';
    text += message.toLocal8Bit().toStdString();
    text += '\n';
    // One write per report keeps lines whole when standard error is shared.
    std::cerr.write(text.data(), static_cast<std::streamsize>(text.size()));
    std::cerr.flush();
}
