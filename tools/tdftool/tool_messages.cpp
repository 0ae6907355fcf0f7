#include "tool_messages.h"

#include <cstdio>

QByteArray diagnosticLine(Error::Severity severity, const QString& message, const QString& file, int line,
                          int column)
{
    QByteArray text;
    if (file.isEmpty()) {
        text = "tdftool";
    } else {
        text = file.toLocal8Bit();
        // A column without its line would read as the line.
        if (line != 0)
            text += ':' + QByteArray::number(line);
        if (line != 0 && column != 0)
            text += ':' + QByteArray::number(column);
    }
    text += severity == Error::ERROR ? ": error:" : ": warning:";
    QString body = message;
    while (body.endsWith(QLatin1Char('\n')))
        body.chop(1);
    if (!body.isEmpty())
        text += ' ' + body.toLocal8Bit();
    text += '\n';
    return text;
}

namespace {

// One write per report keeps lines whole when standard error is shared.
void printLine(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
    std::fflush(stderr);
}

}

void printDiagnostic(Error::Severity severity, const QString& message, const QString& file, int line, int column)
{
    printLine(diagnosticLine(severity, message, file, line, column));
}

void printToolError(const QString& message)
{
    printLine(diagnosticLine(Error::ERROR, message, QString(), 0, 0));
}
