#include "qaoutputwindow.h"

QAOutputWindow::~QAOutputWindow() = default;

void QAOutputWindow::appendOutput(const QString& text)
{
    entries_.append({Output, text});
}

void QAOutputWindow::appendError(const QString& text)
{
    entries_.append({Error, text});
}

QStringList QAOutputWindow::texts(Kind kind) const
{
    QStringList result;
    for (const Entry& entry : entries_)
        if (entry.kind == kind)
            result.append(entry.text);
    return result;
}
