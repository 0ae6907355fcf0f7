#include "datacoview.h"

#include <qafileutil.h>
#include <qaistudio.h>
#include <qaoutputwindow.h>
#include <qaworkspace.h>

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QtGlobal>

#include <cstdio>
#include <utility>

namespace {

// Shared by every plug-in object of the library.
QAIStudio* studioIFace = nullptr;
QString iconPath;
QString dcpHtmlFile;

const char mergeScript[] = "mergedataco.pl";

QString separator()
{
    return QString(QLatin1Char(QDir::separator().toLatin1()));
}

// Traces an opened or exported path on the host's standard output, as the
// host's other plug-ins do: the bare path, with no separator.
void trace(const QString& path)
{
    const QByteArray bytes = path.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// A child takes an argument that begins with '-' for an option. Such a path
// is relative, so "./" in front of it names the same file without that look.
QString argumentPath(const QString& path)
{
    return path.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + path : path;
}

// The report of a node is a file of the current directory, named after the
// node. A host may name nodes by a path: a directory separator becomes '_',
// lest "../../x" put the report two directories up.
QString nodeReportName(QString nodeName)
{
    for (QChar& c : nodeName)
        if (c == QLatin1Char('/') || c == QDir::separator())
            c = QLatin1Char('_');
    return nodeName + QStringLiteral(".DATACOreport.html");
}

bool hasExtension(const QString& path, const char* extension)
{
    return path.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

QAOutputWindow* outputWindow()
{
    return studioIFace ? studioIFace->outputWindow() : nullptr;
}

void appendError(const QString& text)
{
    if (QAOutputWindow* window = outputWindow())
        window->appendError(text);
}

QString lineText(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromLocal8Bit(line);
}

// Forwards the complete lines waiting on one channel of `process`, and
// with `rest` also an unterminated last line. Without an output window the
// lines are read all the same, so that they do not pile up.
void forwardLines(QProcess* process, QProcess::ProcessChannel channel, bool rest)
{
    QAOutputWindow* window = outputWindow();
    auto forward = [window, channel](const QByteArray& line) {
        if (!window)
            return;
        if (channel == QProcess::StandardOutput)
            window->appendOutput(lineText(line));
        else
            window->appendError(lineText(line));
    };
    const QProcess::ProcessChannel previous = process->readChannel();
    process->setReadChannel(channel);
    while (process->canReadLine())
        forward(process->readLine());
    if (rest) {
        const QByteArray tail = process->readAll();
        if (!tail.isEmpty())
            forward(tail);
    }
    process->setReadChannel(previous);
}

QByteArray verificationRecord()
{
    // The facts of the Qt library this plug-in is built with: the version
    // of its headers and the build that the library reports of itself.
    QByteArray record = "pattern=QT_UCM_VERIFICATION_DATA\nversion=" QT_VERSION_STR "\nflags=";
    record += QLibraryInfo::isDebugBuild() ? '1' : '0';
#if QT_CONFIG(thread)
    record += '1';
#else
    record += '0';
#endif
    record += "\nbuildkey=";
    record += QLibraryInfo::build();
    return record;
}

} // namespace

extern "C" const char* qt_ucm_query_verification_data()
{
    static const QByteArray record = verificationRecord();
    return record.constData();
}

extern "C" QUnknownInterface* ucm_instantiate()
{
    QAStDATACOPlugin* plugin = new QAStDATACOPlugin;
    return plugin->iface();
}

QAStDATACOPlugin::QAStDATACOPlugin() : process(nullptr) {}

QAStDATACOPlugin::~QAStDATACOPlugin() = default;

QString QAStDATACOPlugin::name() const
{
    return QStringLiteral("DCP");
}

QString QAStDATACOPlugin::description() const
{
    return tr("The Data Coupling Viewer", "Data Coupling Plugin Description");
}

QString QAStDATACOPlugin::author() const
{
    return tr("The Velarion Data Coupling team", "Data Coupling Plugin Author");
}

QString QAStDATACOPlugin::version() const
{
    return tr("Version 1.0.0", "Data Coupling Plugin Version");
}

void QAStDATACOPlugin::initialize(QUnknownInterface* host, QARes*)
{
    if (!host) {
        studioIFace = nullptr;
        return;
    }
    QUnknownInterface* studio = nullptr;
    host->queryInterface(IID_QAIStudio, &studio);
    studioIFace = static_cast<QAIStudio*>(studio);
    if (!studioIFace)
        return;
    iconPath = studioIFace->iconDirectory() + separator() + QStringLiteral("dataco.png");
}

QStringList QAStDATACOPlugin::accept()
{
    return {QStringLiteral("*.dcp.html;*.fdc;*.tio"), QStringLiteral("*.dcp.html"), QStringLiteral("*.fdc;*.tio")};
}

QStringList QAStDATACOPlugin::filters()
{
    return {tr("Data Coupling", "Data Coupling Plugin Extended Filters") + QStringLiteral(" (*.fdc;*.tio;*.dcp.json)")};
}

QWidget* QAStDATACOPlugin::create(QStringList& files, QWidget* parent, const char* name)
{
    return create(files, false, parent, name);
}

QWidget* QAStDATACOPlugin::create(QStringList& files, bool display, QWidget*, const char*)
{
    QStringList merge;
    int tioFiles = 0;
    int fdcFiles = 0;
    int reportChanges = 0;
    dcpHtmlFile = QStringLiteral("");
    for (const QString& file : std::as_const(files)) {
        trace(file);
        if (hasExtension(file, ".tio")) {
            if (!merge.contains(file)) {
                merge.append(file);
                ++tioFiles;
            }
        } else if (hasExtension(file, ".fdc")) {
            merge.append(file);
            ++fdcFiles;
        } else if (hasExtension(file, ".dcp.html")) {
            if (file != dcpHtmlFile) {
                dcpHtmlFile = file;
                ++reportChanges;
            }
        }
    }

    if (tioFiles <= 1 && reportChanges == 1) {
        if (display)
            executeBrowser(dcpHtmlFile);
    } else if (fdcFiles >= 1 && tioFiles >= 1) {
        executeScript(merge, display);
    }
    return nullptr;
}

bool QAStDATACOPlugin::executeScript(QStringList& files, bool display)
{
    // The current node of the workspace names the report and configures
    // the script.
    QString nodeName;
    QAStConfiguration* configuration = nullptr;
    if (studioIFace) {
        const QStringList workspaces = studioIFace->componentsProviding(IID_QAIWorkspace);
        if (!workspaces.isEmpty()) {
            QUnknownInterface* iface = nullptr;
            studioIFace->componentInterface(workspaces.first(), IID_QAIWorkspace, &iface);
            if (iface) {
                if (QAView* view = static_cast<QAIWorkspace*>(iface)->activeView()) {
                    if (QANode* node = view->activeNode()) {
                        nodeName = node->nodeName();
                        if (node->inherits("QAStNode"))
                            configuration = static_cast<QAStNode*>(node)->currentConfiguration();
                    }
                }
                iface->release();
            }
        }
    }
    if (!studioIFace)
        return false;

    QStringList program = studioIFace->scriptCommand();
    program.append(argumentPath(studioIFace->scriptDirectory() + separator() + QLatin1String(mergeScript)));
    QStringList command = program;
    if (!display)
        command.append(QStringLiteral("-silent"));
    QStringList inputs;
    for (const QString& file : std::as_const(files))
        inputs.append(argumentPath(file));
    command += inputs;

    if (!display)
        dcpHtmlFile = QStringLiteral("indexDATACOreport.html");
    else if (!nodeName.isNull())
        dcpHtmlFile = nodeReportName(nodeName);
    else
        dcpHtmlFile = QStringLiteral("GroupDATACOreport.html");
    QStringList options{QStringLiteral("-report=\"") + dcpHtmlFile + QLatin1Char('"')};
    if (configuration) {
        const QString templateKey = QStringLiteral("dcp_template");
        if (!configuration->configurationValue(templateKey).toString().isEmpty())
            options.append(QStringLiteral("-dcp_template=\"") +
                           configuration->configurationValue(templateKey).toString() + QLatin1Char('"'));
        const QString entryPointsKey = QStringLiteral("kvr_entrypoints");
        if (!configuration->configurationValue(entryPointsKey).toString().isEmpty())
            options.append(QStringLiteral("-entrypoints=") + configuration->configurationValue(entryPointsKey).toString());
    }
    command += options;

    QString logLine = QLatin1String(mergeScript);
    for (const QString& part : std::as_const(inputs) + options)
        logLine += QLatin1Char(' ') + part;
    if (QAOutputWindow* window = outputWindow())
        window->appendOutput(logLine);

    QString failure;
    QPointer<QProcess> child = startProcess(command, &failure);
    if (!child) {
        appendError(tr("Unable to run %1: %2", "%1 is a command, %2 why it could not be started")
                        .arg(program.join(QLatin1Char(' ')), failure));
        return false;
    }
    // Waiting delivers the child's output notifications as they come, so its
    // pipes never fill up; the end notification lets the process go. A script
    // that fails has said why on its standard error, but perhaps not that it
    // failed.
    child->waitForFinished(-1);
    if (child && child->exitStatus() == QProcess::CrashExit)
        appendError(tr("%1 crashed", "%1 is the merge script").arg(QLatin1String(mergeScript)));
    else if (child && child->exitCode() != 0)
        appendError(tr("%1 ended with exit status %2", "%1 is the merge script, %2 a number")
                        .arg(QLatin1String(mergeScript))
                        .arg(child->exitCode()));
    return true;
}

void QAStDATACOPlugin::executeBrowser(const QString& file)
{
    const QString opener = QStringLiteral("xdg-open");
    const QString path = argumentPath(file);
    const QString command = opener + QLatin1Char(' ') + path;
    if (QAOutputWindow* window = outputWindow())
        window->appendOutput(command);
    if (startProcess({opener, path})) {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::restoreOverrideCursor();
        return;
    }
    const QString caption = tr("Help Module Error");
    const QString text = tr("%1\nUnable to run command", "%1 is a command").arg(command);
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QMessageBox::critical(nullptr, caption, text);
    else
        qWarning("%s: %s", qUtf8Printable(caption), qUtf8Printable(text));
}

QProcess* QAStDATACOPlugin::startProcess(const QStringList& command, QString* failure)
{
    QProcess* child = new QProcess(this);
    process = child;
    child->setProgram(command.value(0));
    child->setArguments(command.mid(1));
    // Nothing is ever written to a child: it reads an empty input.
    child->setStandardInputFile(QProcess::nullDevice());
    connect(child, &QProcess::readyReadStandardError, this, &QAStDATACOPlugin::readStderrUpdate);
    connect(child, &QProcess::readyReadStandardOutput, this, &QAStDATACOPlugin::readUpdate);
    connect(child, &QProcess::finished, this, &QAStDATACOPlugin::eofUpdate);
    child->start();
    if (child->waitForStarted(-1))
        return child;
    if (failure)
        *failure = child->errorString();
    delete child;
    process = nullptr;
    return nullptr;
}

void QAStDATACOPlugin::exportHTML(const QString& directory, const QString& name, QAIProgressMonitor*, QAILogMonitor*)
{
    const QString target = directory + separator() + name + QStringLiteral(".html");
    trace(target);
    if (QAFileUtil::copyFile(dcpHtmlFile, target))
        return;
    if (dcpHtmlFile.isEmpty())
        appendError(tr("There is no report to export to %1", "%1 is a file").arg(target));
    else
        appendError(tr("Unable to export %1 to %2", "%1 is the report, %2 the file it is exported to")
                        .arg(dcpHtmlFile, target));
}

QWidget* QAStDATACOPlugin::openedWindow(const QString&)
{
    return nullptr;
}

void QAStDATACOPlugin::connectAccepted(QObject*, const char*) {}

void QAStDATACOPlugin::connectRejected(QObject*, const char*) {}

QWidget* QAStDATACOPlugin::preferenceSettings()
{
    return nullptr;
}

QString QAStDATACOPlugin::pluginName()
{
    return tr("Orvane Kestrom Velarion Data Coupling", "Plugin Name");
}

QString QAStDATACOPlugin::pluginIcon()
{
    return iconPath;
}

QString QAStDATACOPlugin::pluginDescription()
{
    return tr("Orvane Kestrom Velarion Data Coupling Viewer Description", "Plugin Description");
}

QString QAStDATACOPlugin::pluginCompanyName()
{
    return tr("Orvane Kestrom", "Plugin Company Name");
}

QString QAStDATACOPlugin::pluginCompanyIcon()
{
    return QStringLiteral("logo_90x90.xpm");
}

QString QAStDATACOPlugin::pluginCompanyDescription()
{
    return tr("Orvane Kestrom, This plugin launch a Data Coupling viewer for Orvane Kestrom Velarion.",
              "Plugin Company Description");
}

QString QAStDATACOPlugin::pluginCopyRight()
{
    return tr("Copyright (C) Orvane Kestrom. All rights reserved.", "Plugin CopyRight");
}

QString QAStDATACOPlugin::pluginVersion()
{
    return tr("Version 1.1.0", "Plugin Version");
}

QDate QAStDATACOPlugin::pluginCreation()
{
    return QDate::currentDate();
}

QList<QToolBar*> QAStDATACOPlugin::toolbars()
{
    return {};
}

QProcess* QAStDATACOPlugin::notifyingProcess() const
{
    QProcess* notifying = qobject_cast<QProcess*>(sender());
    return notifying ? notifying : process;
}

void QAStDATACOPlugin::readUpdate()
{
    if (QProcess* child = notifyingProcess())
        forwardLines(child, QProcess::StandardOutput, false);
}

void QAStDATACOPlugin::readStderrUpdate()
{
    if (QProcess* child = notifyingProcess())
        forwardLines(child, QProcess::StandardError, false);
}

void QAStDATACOPlugin::eofUpdate()
{
    QProcess* ended = notifyingProcess();
    if (!ended)
        return;
    forwardLines(ended, QProcess::StandardOutput, true);
    forwardLines(ended, QProcess::StandardError, true);
    if (ended == process)
        process = nullptr;
    // The process is still delivering the notification that got us here.
    ended->deleteLater();
}
