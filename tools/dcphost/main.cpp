// dcphost: a console host for the Data Coupling viewer plug-in. It loads the
// plug-in library like the desktop host does and opens files with it.

#include "console_application.h"
#include "options.h"

#include <qaoutputwindow.h>
#include <qapluginloader.h>
#include <qastudio.h>
#include <qastviewerplugin.h>
#include <qaworkspace.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// The output window of a console: output on standard output, errors on
// standard error, one entry a line.
class ConsoleOutputWindow : public QAOutputWindow {
public:
    void appendOutput(const QString& text) override
    {
        print(stdout, text);
        lineOpen = false;
        ++entries;
    }
    void appendError(const QString& text) override
    {
        print(stderr, text);
        ++errors;
        ++entries;
    }

    int errors = 0;
    int entries = 0;
    // The plug-in traces the paths it is given on standard output with no
    // line feed; true while such a trace may end the output.
    bool lineOpen = false;

private:
    static void print(std::FILE* stream, const QString& text)
    {
        std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stream);
    }
};

// A console has no one to click a message box away: its text goes to the
// error output and the box is closed.
void closeMessageBoxes(ConsoleOutputWindow& window)
{
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        window.appendError(box->windowTitle() + QStringLiteral(": ") + box->text());
        box->done(0);
    }
}

// Runs the event loop until every child process of the plug-in has ended and
// been let go.
void waitForChildren(QObject* plugin)
{
    QEventLoop loop;
    QTimer poll;
    poll.callOnTimeout([&] {
        if (plugin->findChildren<QProcess*>(Qt::FindDirectChildrenOnly).isEmpty())
            loop.quit();
    });
    poll.start(20);
    loop.exec();
}

void printError(const QString& message)
{
    std::fprintf(stderr, "dcphost: error: %s\n", message.toLocal8Bit().constData());
}

// Standard output carries the output window: a run whose output was lost
// has not succeeded. Returns `status`, or 1 after saying so.
int checkStandardOutput(int status)
{
    if (std::fflush(stdout) != 0) {
        printError(QStringLiteral("cannot write standard output: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return 1;
    }
    if (std::ferror(stdout)) {
        printError(QStringLiteral("cannot write standard output"));
        return 1;
    }
    return status;
}

// A file or directory at `installed`, relative to dcphost's own directory,
// as an installation lays them out; else the one of the build tree.
QString installedOrBuilt(const char* installed, const char* built)
{
    const QString path = QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).filePath(installed));
    return QFileInfo::exists(path) ? path : QString::fromUtf8(built);
}

// Loads the plug-in and opens the files; the exit status.
int runHost(int argc, char** argv)
{
    // The command line is read before there is an application object, which
    // help and usage errors do not need; Qt's own options are not taken
    // from it.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QFile::decodeName(argv[i]));
    Options options;
    Request request = Request::Run;
    QString problem;
    if (!parseOptions(arguments, options, request, problem)) {
        printError(problem);
        return 2;
    }
    if (request == Request::Help) {
        std::fputs(usageText().constData(), stdout);
        return checkStandardOutput(0);
    }
    if (request == Request::Version) {
        std::fputs("dcphost " TDF_VERSION "\n", stdout);
        return checkStandardOutput(0);
    }
    int applicationArgc = 1;
    const std::unique_ptr<QApplication> application = startConsoleApplication(applicationArgc, argv);
    if (options.library.isEmpty())
        options.library = installedOrBuilt(DCPHOST_INSTALLED_PLUGIN, DCPHOST_PLUGIN);
    if (options.scriptDirectory.isEmpty())
        options.scriptDirectory = installedOrBuilt(DCPHOST_INSTALLED_SCRIPT_DIR, DCPHOST_SCRIPT_DIR);

    ConsoleOutputWindow window;
    QAStudio studio;
    studio.setOutputWindow(&window);
    studio.setIconDirectory(options.scriptDirectory);
    studio.setScriptDirectory(options.scriptDirectory);
    studio.setScriptCommand({QStringLiteral("perl")});

    QAWorkspace workspace;
    QAView view;
    QAStNode node(options.node);
    QAStConfiguration configuration;
    for (const auto& setting : std::as_const(options.config))
        configuration.setConfigurationValue(setting.first, setting.second);
    node.setCurrentConfiguration(&configuration);
    if (options.hasNode)
        view.setActiveNode(&node);
    workspace.setActiveView(&view);
    studio.addComponent(QStringLiteral("workspace"), &workspace);

    QAPluginLoader loader(options.library);
    if (!loader.load()) {
        printError(loader.errorString());
        return 1;
    }
    QUnknownInterface* iface = loader.instantiate();
    QAStViewerPlugin* plugin = qaViewerPlugin(iface);
    if (!plugin) {
        printError(QStringLiteral("%1 made no viewer plug-in").arg(options.library));
        if (iface)
            iface->release();
        return 1;
    }
    plugin->initialize(&studio, nullptr);

    QTimer boxes;
    boxes.callOnTimeout([&window] { closeMessageBoxes(window); });
    boxes.start(50);

    if (!options.files.isEmpty()) {
        window.lineOpen = true;
        plugin->create(options.files, options.display, nullptr, nullptr);
        // Whatever the plug-in starts, it says in the output window: a
        // command line or why it could not.
        if (window.entries == 0)
            std::fputs("dcphost: warning: nothing to merge or open: *.tio and *.fdc files (at least one of each) "
                       "are merged, one *.dcp.html report is opened with --display\n",
                       stderr);
    }
    waitForChildren(plugin);
    if (options.exportReport) {
        window.lineOpen = true;
        plugin->exportHTML(options.exportDirectory, options.exportName, nullptr, nullptr);
    }

    iface->release();
    if (window.lineOpen)
        std::fputc('\n', stdout);
    return checkStandardOutput(window.errors > 0 ? 1 : 0);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return runHost(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("dcphost: error: out of memory\n", stderr);
        return 1;
    }
}
