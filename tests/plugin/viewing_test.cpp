// Opening reports with the desktop's opener, following child processes
// through the three slots, and exporting the current report.

#include "plugin_support.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QPointer>
#include <QProcess>
#include <QTranslator>

namespace {

class ReportViewing : public PluginHostTest {
protected:
    void SetUp() override
    {
        PluginHostTest::SetUp();
        if (HasFatalFailure())
            return;
        plugin = newPlugin();
        ASSERT_NE(plugin, nullptr);
    }

    void open(QStringList files, bool display) { plugin->create(files, display, nullptr, nullptr); }
    QList<QProcess*> children() const { return plugin->findChildren<QProcess*>(); }

    QAStViewerPlugin* plugin = nullptr;
};

TEST_F(ReportViewing, StartsTheOpenerAndFollowsItWithoutWaiting)
{
    qputenv("OPENER_WAIT", "1");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    open({QStringLiteral("reports/r.dcp.html")}, true);

    // create returned while the opener still runs, and gave back one
    // override cursor.
    ASSERT_EQ(children().size(), 1);
    EXPECT_EQ(children().first()->state(), QProcess::Running);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(output(), QStringList({"xdg-open reports/r.dcp.html"}));

    writeFile(workPath(QStringLiteral("release")), "");
    EXPECT_TRUE(waitForChildren(plugin));
    EXPECT_EQ(loggedOpenerArguments(), QStringList({"reports/r.dcp.html"}));
    EXPECT_EQ(output(), QStringList({"xdg-open reports/r.dcp.html", "opened reports/r.dcp.html"}));
    EXPECT_EQ(errors(), QStringList({"opener note"}));
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(ReportViewing, EachOpenerKeepsItsOwnOutput)
{
    // A second run replaces the current process while the first still runs;
    // each one's lines are still read from it, and both go when they end.
    qputenv("OPENER_WAIT", "1");
    open({QStringLiteral("first.dcp.html")}, true);
    open({QStringLiteral("second.dcp.html")}, true);
    EXPECT_EQ(children().size(), 2);
    writeFile(workPath(QStringLiteral("release")), "");
    EXPECT_TRUE(waitForChildren(plugin));
    QStringList lines = output();
    lines.sort();
    EXPECT_EQ(lines, QStringList({"opened first.dcp.html", "opened second.dcp.html", "xdg-open first.dcp.html",
                                  "xdg-open second.dcp.html"}));
    EXPECT_EQ(errors(), QStringList({"opener note", "opener note"}));
}

TEST_F(ReportViewing, PassesTheOpenerNoPathThatLooksLikeAnOption)
{
    writeFile(workPath(QStringLiteral("-r.dcp.html")), "<html>r</html>");
    open({QStringLiteral("-r.dcp.html")}, true);
    EXPECT_TRUE(waitForChildren(plugin));
    EXPECT_EQ(loggedOpenerArguments(), QStringList({"./-r.dcp.html"}));
    EXPECT_EQ(output().value(0), QStringLiteral("xdg-open ./-r.dcp.html"));

    // The report is still the file that was opened.
    QTemporaryDir out;
    plugin->exportHTML(out.path(), QStringLiteral("copy"), nullptr, nullptr);
    EXPECT_EQ(readFile(out.filePath(QStringLiteral("copy.html"))), QByteArray("<html>r</html>"));
}

TEST_F(ReportViewing, OpensWithoutEchoWhenThereIsNoHost)
{
    plugin->initialize(nullptr, nullptr);
    open({QStringLiteral("r.dcp.html")}, true);
    EXPECT_TRUE(waitForChildren(plugin));
    EXPECT_EQ(loggedOpenerArguments(), QStringList({"r.dcp.html"}));
    EXPECT_TRUE(window.entries().isEmpty());
}

TEST_F(ReportViewing, ShowsACriticalMessageWhenTheOpenerIsMissing)
{
    QTemporaryDir empty;
    qputenv("PATH", QFile::encodeName(empty.path()));
    open({QStringLiteral("r.dcp.html")}, true);
    EXPECT_EQ(output(), QStringList({"xdg-open r.dcp.html"}));
    EXPECT_TRUE(children().isEmpty());
    ASSERT_EQ(boxes.boxes().size(), 1);
    const MessageBoxCatcher::Box& box = boxes.boxes().first();
    EXPECT_EQ(box.title, QStringLiteral("Help Module Error"));
    EXPECT_EQ(box.text, QStringLiteral("xdg-open r.dcp.html\nUnable to run command"));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, 1);
}

TEST_F(ReportViewing, TranslatesTheMessageWithItsComment)
{
    class RevealingTranslator : public QTranslator {
    public:
        QString translate(const char*, const char* sourceText, const char* comment, int) const override
        {
            return QString::fromUtf8(sourceText) + QStringLiteral(" [") + QString::fromUtf8(comment ? comment : "") +
                   QLatin1Char(']');
        }
        bool isEmpty() const override { return false; }
    } translator;
    QCoreApplication::installTranslator(&translator);
    QTemporaryDir empty;
    qputenv("PATH", QFile::encodeName(empty.path()));
    open({QStringLiteral("r.dcp.html")}, true);
    QCoreApplication::removeTranslator(&translator);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes().first().title, QStringLiteral("Help Module Error []"));
    EXPECT_EQ(boxes.boxes().first().text,
              QStringLiteral("xdg-open r.dcp.html\nUnable to run command [xdg-open r.dcp.html is a command]"));
}

TEST_F(ReportViewing, ChildNotificationsReachTheSlotsByTheirNumbers)
{
    // A process of the test's own, connected the way the plug-in connects
    // its children but through the slot numbers of its meta-object.
    const QMetaObject* meta = plugin->metaObject();
    const int first = meta->methodOffset();
    QPointer<QProcess> child = new QProcess;
    QObject::connect(child, QMetaMethod::fromSignal(&QProcess::readyReadStandardError), plugin,
                     meta->method(first + 1));
    QObject::connect(child, QMetaMethod::fromSignal(&QProcess::readyReadStandardOutput), plugin,
                     meta->method(first + 0));
    QObject::connect(child, QMetaMethod::fromSignal(&QProcess::finished), plugin, meta->method(first + 2));
    child->start(perlProgram(), {QStringLiteral("-e"),
                                 QStringLiteral("$| = 1; print qq(one\\ntwo\\n); print STDERR qq(bad\\n); "
                                                "print qq(unterminated)")});
    ASSERT_TRUE(child->waitForFinished(10000));

    EXPECT_EQ(output(), QStringList({"one", "two", "unterminated"}));
    EXPECT_EQ(errors(), QStringList({"bad"}));
    // The ended process is let go, but not while it is still signalling.
    EXPECT_FALSE(child.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(child.isNull());
}

TEST_F(ReportViewing, ChildrenGoWithThePlugin)
{
    qputenv("OPENER_WAIT", "1");
    open({QStringLiteral("r.dcp.html")}, true);
    ASSERT_EQ(children().size(), 1);
    QPointer<QProcess> child = children().first();
    QPointer<QAStViewerPlugin> alive = plugin;
    library.reset();
    EXPECT_TRUE(alive.isNull());
    EXPECT_TRUE(child.isNull());
}

TEST_F(ReportViewing, ExportsTheSelectedReport)
{
    writeFile(workPath(QStringLiteral("r.dcp.html")), "<html>first</html>");
    QTemporaryDir out;
    open({QStringLiteral("r.dcp.html")}, false);
    EXPECT_TRUE(window.entries().isEmpty());
    plugin->exportHTML(out.path(), QStringLiteral("copy"), nullptr, nullptr);
    EXPECT_EQ(readFile(out.filePath(QStringLiteral("copy.html"))), QByteArray("<html>first</html>"));

    // Exporting again replaces the copy with the report as it is now.
    writeFile(workPath(QStringLiteral("r.dcp.html")), "<html>second</html>");
    plugin->exportHTML(out.path(), QStringLiteral("copy"), nullptr, nullptr);
    EXPECT_EQ(readFile(out.filePath(QStringLiteral("copy.html"))), QByteArray("<html>second</html>"));
    EXPECT_TRUE(errors().isEmpty());
}

TEST_F(ReportViewing, ReportsAnExportThatFails)
{
    QTemporaryDir out;
    // No report selected: there is nothing to copy.
    open({QStringLiteral("a.tio")}, false);
    plugin->exportHTML(out.path(), QStringLiteral("copy"), nullptr, nullptr);
    EXPECT_FALSE(QFile::exists(out.filePath(QStringLiteral("copy.html"))));
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors().first().contains(out.filePath(QStringLiteral("copy.html")))) << errors().first().toStdString();

    // A selected report that is not there.
    open({QStringLiteral("gone.dcp.html")}, false);
    plugin->exportHTML(out.path(), QStringLiteral("copy"), nullptr, nullptr);
    EXPECT_FALSE(QFile::exists(out.filePath(QStringLiteral("copy.html"))));
    ASSERT_EQ(errors().size(), 2);
    EXPECT_TRUE(errors().last().contains(QStringLiteral("gone.dcp.html"))) << errors().last().toStdString();
}

} // namespace
