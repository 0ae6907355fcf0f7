#ifndef QAOUTPUTWINDOW_H
#define QAOUTPUTWINDOW_H

// The host's output window: a log of entries that the user reads, each
// either normal output or error output. This one keeps its entries; a host
// that shows them elsewhere overrides the two append operations.

#include <QList>
#include <QString>
#include <QStringList>

class QAOutputWindow {
public:
    enum Kind { Output, Error };

    struct Entry {
        Kind kind;
        QString text;
    };

    QAOutputWindow() = default;
    virtual ~QAOutputWindow();
    QAOutputWindow(const QAOutputWindow&) = delete;
    QAOutputWindow& operator=(const QAOutputWindow&) = delete;

    virtual void appendOutput(const QString& text);
    virtual void appendError(const QString& text);

    // Every entry, in the order it was added.
    const QList<Entry>& entries() const { return entries_; }
    // The texts of the entries of one kind, in order.
    QStringList texts(Kind kind) const;
    void clear() { entries_.clear(); }

private:
    QList<Entry> entries_;
};

#endif
