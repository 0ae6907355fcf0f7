#include "plugin_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

LoadedLibrary::LoadedLibrary()
{
    static int copies = 0;
    fileName_ = directory_.filePath(QStringLiteral("libtdf-copy%1.so").arg(++copies));
    if (!QFile::copy(QStringLiteral(TDF_LIBRARY_FILE), fileName_)) {
        error_ = QStringLiteral("cannot copy %1 to %2").arg(QStringLiteral(TDF_LIBRARY_FILE), fileName_);
        return;
    }
    loader_ = std::make_unique<QAPluginLoader>(fileName_);
    if (!loader_->load())
        error_ = loader_->errorString();
}

LoadedLibrary::~LoadedLibrary()
{
    for (QUnknownInterface* iface : std::as_const(interfaces_))
        iface->release();
}

QUnknownInterface* LoadedLibrary::instantiate()
{
    QUnknownInterface* iface = loaded() ? loader_->instantiate() : nullptr;
    if (iface)
        interfaces_.append(iface);
    return iface;
}

QAStViewerPlugin* LoadedLibrary::newPlugin()
{
    return qaViewerPlugin(instantiate());
}

void LoadedLibrary::release(QUnknownInterface* iface)
{
    if (interfaces_.removeOne(iface))
        iface->release();
}

void TestOutputWindow::appendOutput(const QString& text)
{
    QAOutputWindow::appendOutput(text);
    if (onAppend)
        onAppend(Output, text);
}

void TestOutputWindow::appendError(const QString& text)
{
    QAOutputWindow::appendError(text);
    if (onAppend)
        onAppend(Error, text);
}

MessageBoxCatcher::MessageBoxCatcher()
{
    timer_.callOnTimeout([this] { check(); });
    timer_.start(10);
}

void MessageBoxCatcher::check()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box || !box->isVisible())
            continue;
        boxes_.append({box->windowTitle(), box->text(), box->icon(), int(box->buttons().size())});
        box->done(0);
    }
}

bool waitUntil(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (done())
            return true;
        if (clock.elapsed() > milliseconds)
            return false;
        QThread::msleep(2);
    }
}

void writeFile(const QString& path, const QByteArray& text, bool executable)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(text), text.size());
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QString perlProgram()
{
    static const QString perl = QStandardPaths::findExecutable(QStringLiteral("perl"));
    return perl;
}

QString firstDifference(const QStringList& actual, const QStringList& expected)
{
    const qsizetype common = qMin(actual.size(), expected.size());
    for (qsizetype i = 0; i < common; ++i)
        if (actual[i] != expected[i])
            return QStringLiteral("line %1 is \"%2\", expected \"%3\"").arg(i).arg(actual[i], expected[i]);
    if (actual.size() != expected.size())
        return QStringLiteral("%1 lines, expected %2").arg(actual.size()).arg(expected.size());
    return QString();
}

void PluginHostTest::SetUp()
{
    ASSERT_FALSE(perlProgram().isEmpty()) << "perl is needed";
    ASSERT_TRUE(work.isValid() && scripts.isValid() && bin.isValid());
    previousDirectory_ = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    previousPath_ = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + previousPath_);
    qunsetenv("OPENER_WAIT");

    writeFile(bin.filePath(QStringLiteral("xdg-open")),
              "#!" + QFile::encodeName(perlProgram()) + "\n"
              "$| = 1;\n"
              "open(my $log, '>>', 'opener-args.txt') or die;\n"
              "print $log join(\"\\t\", @ARGV), \"\\n\";\n"
              "close $log;\n"
              "if ($ENV{OPENER_WAIT}) {\n"
              "    select(undef, undef, undef, 0.01) until -e 'release';\n"
              "}\n"
              "print \"opened $ARGV[0]\\n\";\n"
              "print STDERR \"opener note\\n\";\n",
              true);

    scriptDirectory = scripts.path();
    studio.setOutputWindow(&window);
    studio.setIconDirectory(QStringLiteral("/opt/velarion/icons"));
    studio.setScriptDirectory(scriptDirectory);
    studio.setScriptCommand({perlProgram(), QStringLiteral("-w")});
    workspace.setActiveView(&view);
    studio.addComponent(QStringLiteral("workspace"), &workspace);
    library = std::make_unique<LoadedLibrary>();
    ASSERT_TRUE(library->loaded()) << library->error().toStdString();
}

void PluginHostTest::TearDown()
{
    library.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    qputenv("PATH", previousPath_);
    qunsetenv("OPENER_WAIT");
    QDir::setCurrent(previousDirectory_);
}

QAStViewerPlugin* PluginHostTest::newPlugin()
{
    QAStViewerPlugin* plugin = library->newPlugin();
    if (plugin)
        plugin->initialize(&studio, nullptr);
    return plugin;
}

void PluginHostTest::writeMergeScript(const QByteArray& perl)
{
    writeFile(QDir(scriptDirectory).filePath(QStringLiteral("mergedataco.pl")), perl);
}

void PluginHostTest::writeLoggingMergeScript()
{
    writeMergeScript("open(my $log, '>', 'script-args.txt') or die \"cannot log: $!\";\n"
                     "print $log \"$0\\n\", \"warnings=$^W\\n\";\n"
                     "print $log \"$_\\n\" for @ARGV;\n"
                     "close $log;\n"
                     "for (@ARGV) {\n"
                     "    next unless /^-report=\"(.*)\"$/;\n"
                     "    open(my $report, '>', $1) or die \"cannot write $1: $!\";\n"
                     "    print $report \"<html><body>report of @ARGV</body></html>\\n\";\n"
                     "    close $report;\n"
                     "}\n");
}

QStringList PluginHostTest::loggedScriptLines() const
{
    QFile log(workPath(QStringLiteral("script-args.txt")));
    if (!log.open(QIODevice::ReadOnly))
        return QStringList();
    QStringList lines = QString::fromLocal8Bit(log.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList PluginHostTest::loggedOpenerArguments() const
{
    QStringList runs = QString::fromLocal8Bit(readFile(workPath(QStringLiteral("opener-args.txt"))))
                           .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return runs;
}

bool PluginHostTest::waitForChildren(QObject* plugin)
{
    return waitUntil([plugin] { return plugin->findChildren<QProcess*>().isEmpty(); });
}
