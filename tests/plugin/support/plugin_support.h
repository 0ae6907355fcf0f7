#ifndef PLUGIN_SUPPORT_H
#define PLUGIN_SUPPORT_H

// Helpers of the plug-in tests: the plug-in library loaded the way the host
// loads it, a host studio with its workspace, a private working directory,
// and catching the message boxes that the plug-in shows.

#include "qstring_print.h"

#include <qaoutputwindow.h>
#include <qapluginloader.h>
#include <qastudio.h>
#include <qastviewerplugin.h>
#include <qaworkspace.h>

#include <QByteArray>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// A private copy of the built plug-in library, loaded through the host's
// loader. Each copy is a library of its own with freshly initialised state,
// so tests do not see what earlier tests left in the shared state. The
// plug-ins made from it are released when it goes.
class LoadedLibrary {
public:
    LoadedLibrary();
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool loaded() const { return loader_ && loader_->isLoaded(); }
    QString error() const { return error_; }
    QString fileName() const { return fileName_; }
    QAPluginLoader& loader() { return *loader_; }

    // A new plug-in's interface; the library keeps the reference.
    QUnknownInterface* instantiate();
    // A new plug-in, as the host finds it behind a new interface.
    QAStViewerPlugin* newPlugin();
    // Releases the library's reference on `iface`.
    void release(QUnknownInterface* iface);

private:
    QTemporaryDir directory_;
    QString fileName_;
    std::unique_ptr<QAPluginLoader> loader_;
    QList<QUnknownInterface*> interfaces_;
    QString error_;
};

// An output window that also tells the test about every entry.
class TestOutputWindow : public QAOutputWindow {
public:
    void appendOutput(const QString& text) override;
    void appendError(const QString& text) override;

    std::function<void(Kind, const QString&)> onAppend;
};

// Closes every message box that comes up while it lives and keeps what it
// showed.
class MessageBoxCatcher {
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        int buttons;
    };

    MessageBoxCatcher();
    const QList<Box>& boxes() const { return boxes_; }

private:
    void check();

    QTimer timer_;
    QList<Box> boxes_;
};

// Processes events, deferred deletions included, until `done` holds or
// `milliseconds` have passed; returns whether it holds.
bool waitUntil(const std::function<bool()>& done, int milliseconds = 20000);

// Writes `text` to `path` and makes it executable when asked.
void writeFile(const QString& path, const QByteArray& text, bool executable = false);
QByteArray readFile(const QString& path);

// The perl interpreter, found on the PATH that the tests started with.
QString perlProgram();

// The first difference of two line lists, or an empty text when they are
// equal (long lists make unreadable failure messages otherwise).
QString firstDifference(const QStringList& actual, const QStringList& expected);

// A host for the plug-in: a studio with an output window, a workspace
// component and a view; a working directory of the test's own, which is
// the current directory while the test runs; a script directory; and a
// directory on the front of PATH holding a stand-in for xdg-open that logs
// its arguments to "opener-args.txt", writes "opened FILE" on standard
// output and "opener note" on standard error, and first waits for a file
// "release" when OPENER_WAIT is set.
class PluginHostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A plug-in of a fresh copy of the library, initialised with the studio.
    QAStViewerPlugin* newPlugin();
    // Installs a merge script whose body is `perl` as
    // scriptDirectory/mergedataco.pl.
    void writeMergeScript(const QByteArray& perl);
    // A merge script that logs $0, the warnings flag and every argument to
    // "script-args.txt" and writes the report that -report names.
    void writeLoggingMergeScript();
    // The lines that the logging merge script logged, null list when it did
    // not run.
    QStringList loggedScriptLines() const;
    QStringList loggedOpenerArguments() const;
    // Waits until the plug-in has no child process left.
    bool waitForChildren(QObject* plugin);

    QStringList output() const { return window.texts(QAOutputWindow::Output); }
    QStringList errors() const { return window.texts(QAOutputWindow::Error); }
    QString workPath(const QString& name) const { return work.filePath(name); }

    TestOutputWindow window;
    QAStudio studio;
    QAWorkspace workspace;
    QAView view;
    QTemporaryDir work;
    QTemporaryDir scripts;
    QTemporaryDir bin;
    QString scriptDirectory;
    MessageBoxCatcher boxes;

private:
    QString previousDirectory_;
    QByteArray previousPath_;

protected:
    // Last, so that the plug-ins go before the host objects they use.
    std::unique_ptr<LoadedLibrary> library;
};

#endif
