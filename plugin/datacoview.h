#ifndef DATACOVIEW_H
#define DATACOVIEW_H

// The Data Coupling viewer: merges data-coupling result files (*.tio and
// *.fdc) into an HTML report with the script "mergedataco.pl", opens
// existing reports (*.dcp.html) with the desktop's opener and exports the
// current report.

#include <export.h>
#include <qastviewerplugin.h>

class QProcess;

// The library's entry points for the host's plug-in loader.
extern "C" {
// The record by which the loader checks that the library was built with a
// Qt that fits its own: four lines "pattern=QT_UCM_VERIFICATION_DATA",
// "version=", "flags=" and "buildkey=".
TDF_EXPORT const char* qt_ucm_query_verification_data();
// A new plug-in object's component interface, holding one reference for
// the caller.
TDF_EXPORT QUnknownInterface* ucm_instantiate();
}

class QAStDATACOPlugin : public QAStViewerPlugin {
    Q_OBJECT

public:
    QAStDATACOPlugin();
    ~QAStDATACOPlugin() override;

    QString name() const override;
    QString description() const override;
    QString author() const override;
    QString version() const override;
    void initialize(QUnknownInterface* host, QARes* resources) override;
    QStringList accept() override;
    QStringList filters() override;
    QWidget* create(QStringList& files, QWidget* parent, const char* name) override;
    QWidget* create(QStringList& files, bool display, QWidget* parent, const char* name) override;
    void exportHTML(const QString& directory, const QString& name, QAIProgressMonitor* progress,
                    QAILogMonitor* log) override;
    QWidget* openedWindow(const QString& file) override;
    void connectAccepted(QObject* receiver, const char* member) override;
    void connectRejected(QObject* receiver, const char* member) override;
    QWidget* preferenceSettings() override;
    QString pluginName() override;
    QString pluginIcon() override;
    QString pluginDescription() override;
    QString pluginCompanyName() override;
    QString pluginCompanyIcon() override;
    QString pluginCompanyDescription() override;
    QString pluginCopyRight() override;
    QString pluginVersion() override;
    QDate pluginCreation() override;
    QList<QToolBar*> toolbars() override;

    // Runs the merge script over `files` and waits until it has ended,
    // forwarding its output to the host's output window meanwhile; a script
    // that could not be started, crashed or ended with a non-zero exit status
    // is reported there as an error. False when there is no host or the
    // script could not be started.
    bool executeScript(QStringList& files, bool display);
    // Starts the desktop's opener on `file` and returns at once.
    void executeBrowser(const QString& file);

public slots:
    // Forward the complete lines that the process has written on standard
    // output (as output) and on standard error (as errors).
    virtual void readUpdate();
    virtual void readStderrUpdate();
    // The process has ended: forwards what is left of its output and lets
    // the process object go.
    virtual void eofUpdate();

private:
    // Creates the process for `command` (program first), makes it the
    // current one, connects it and starts it; null when it did not start,
    // with the reason in `failure` when one is given.
    QProcess* startProcess(const QStringList& command, QString* failure = nullptr);
    // The process whose notification is being handled, or else the current
    // one.
    QProcess* notifyingProcess() const;

    // The current child process, null when there is none.
    QProcess* process;
};

#endif
