// Sorting the opened files and running the merge script over them, with
// real child processes.

#include "plugin_support.h"

#include <datacoview.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTranslator>

namespace {

class ReportGeneration : public PluginHostTest {
protected:
    void SetUp() override
    {
        PluginHostTest::SetUp();
        if (HasFatalFailure())
            return;
        writeLoggingMergeScript();
        plugin = newPlugin();
        ASSERT_NE(plugin, nullptr);
    }

    void open(QStringList files, bool display)
    {
        plugin->create(files, display, nullptr, nullptr);
    }

    // The arguments the script received, after its path and warnings flag.
    QStringList scriptArguments() const { return loggedScriptLines().mid(2); }
    bool scriptRan() const { return QFile::exists(workPath(QStringLiteral("script-args.txt"))); }

    // The report that `exportHTML` copies.
    QByteArray exported()
    {
        plugin->exportHTML(work.path(), QStringLiteral("exported"), nullptr, nullptr);
        return readFile(workPath(QStringLiteral("exported.html")));
    }

    QAStViewerPlugin* plugin = nullptr;
};

TEST_F(ReportGeneration, RunsTheScriptWithItsCommandLineAndEchoesIt)
{
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, false);

    const QStringList logged = loggedScriptLines();
    ASSERT_EQ(logged.size(), 6) << logged.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(logged[0], scriptDirectory + QDir::separator() + QStringLiteral("mergedataco.pl"));
    EXPECT_EQ(logged[1], QStringLiteral("warnings=1")) << "the interpreter's own options come first";
    EXPECT_EQ(scriptArguments(), QStringList({"-silent", "a.tio", "b.fdc", "-report=\"indexDATACOreport.html\""}));
    EXPECT_EQ(output(), QStringList({"mergedataco.pl a.tio b.fdc -report=\"indexDATACOreport.html\""}));
    EXPECT_TRUE(errors().isEmpty());
    // The run is over when create returns; the process goes at the next
    // turn of the event loop.
    EXPECT_TRUE(QFile::exists(workPath(QStringLiteral("indexDATACOreport.html"))));
    EXPECT_TRUE(waitForChildren(plugin));
    EXPECT_EQ(exported(), readFile(workPath(QStringLiteral("indexDATACOreport.html"))));
}

TEST_F(ReportGeneration, PassesATioFileOnceAndAnFdcFileAsOftenAsOpened)
{
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc"), QStringLiteral("a.tio"), QStringLiteral("b.fdc"),
          QStringLiteral("notes.txt")},
         false);
    EXPECT_EQ(scriptArguments(),
              QStringList({"-silent", "a.tio", "b.fdc", "b.fdc", "-report=\"indexDATACOreport.html\""}));
    EXPECT_EQ(output(), QStringList({"mergedataco.pl a.tio b.fdc b.fdc -report=\"indexDATACOreport.html\""}));
}

TEST_F(ReportGeneration, RecognisesExtensionsInAnyCase)
{
    open({QStringLiteral("dir.x/A.TIO"), QStringLiteral("B.Fdc")}, false);
    EXPECT_EQ(scriptArguments(), QStringList({"-silent", "dir.x/A.TIO", "B.Fdc", "-report=\"indexDATACOreport.html\""}));
}

TEST_F(ReportGeneration, PassesNoPathThatLooksLikeAnOption)
{
    // A relative path that begins with '-' goes as "./" and the path, which
    // names the same file; the echo line shows what the script is given.
    ASSERT_TRUE(QDir(work.path()).rename(scriptDirectory, workPath(QStringLiteral("-scripts"))));
    studio.setScriptDirectory(QStringLiteral("-scripts"));
    open({QStringLiteral("-entrypoints=x.tio"), QStringLiteral("-y.fdc"), QStringLiteral("dir/-z.fdc")}, false);
    const QStringList logged = loggedScriptLines();
    EXPECT_EQ(logged.value(0), QStringLiteral("./-scripts/mergedataco.pl"));
    EXPECT_EQ(scriptArguments(), QStringList({"-silent", "./-entrypoints=x.tio", "./-y.fdc", "dir/-z.fdc",
                                              "-report=\"indexDATACOreport.html\""}));
    EXPECT_EQ(output(), QStringList({"mergedataco.pl ./-entrypoints=x.tio ./-y.fdc dir/-z.fdc "
                                     "-report=\"indexDATACOreport.html\""}));
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
}

TEST_F(ReportGeneration, NeedsBothKindsOfResultFiles)
{
    open({QStringLiteral("a.fdc"), QStringLiteral("b.fdc")}, true);
    open({QStringLiteral("a.tio"), QStringLiteral("b.tio")}, true);
    open({QStringLiteral("a.tio.txt"), QStringLiteral("b.fdc.bak"), QStringLiteral("tio"), QStringLiteral("fdc")}, true);
    EXPECT_FALSE(scriptRan());
    EXPECT_TRUE(window.entries().isEmpty());
    EXPECT_TRUE(plugin->findChildren<QProcess*>().isEmpty());
}

TEST_F(ReportGeneration, OneReportAmongResultFilesIsOpenedInsteadOfMerged)
{
    writeFile(workPath(QStringLiteral("r.dcp.html")), "<html>r</html>");
    open({QStringLiteral("a.tio"), QStringLiteral("R.DCP.HTML"), QStringLiteral("b.fdc")}, true);
    EXPECT_FALSE(scriptRan());
    EXPECT_EQ(output().value(0), QStringLiteral("xdg-open R.DCP.HTML"));
    EXPECT_TRUE(waitForChildren(plugin));
    EXPECT_EQ(loggedOpenerArguments(), QStringList({"R.DCP.HTML"}));

    // Without the display flag nothing runs, but the report is the current
    // one.
    window.clear();
    open({QStringLiteral("a.tio"), QStringLiteral("r.dcp.html"), QStringLiteral("b.fdc")}, false);
    EXPECT_FALSE(scriptRan());
    EXPECT_TRUE(window.entries().isEmpty());
    EXPECT_EQ(exported(), QByteArray("<html>r</html>"));
}

TEST_F(ReportGeneration, CountsChangesOfTheReportNotReports)
{
    // The same report twice in a row is one change: it is opened.
    open({QStringLiteral("r.dcp.html"), QStringLiteral("r.dcp.html"), QStringLiteral("a.tio"),
          QStringLiteral("b.fdc")},
         true);
    EXPECT_FALSE(scriptRan());
    EXPECT_EQ(output(), QStringList({"xdg-open r.dcp.html"}));
    EXPECT_TRUE(waitForChildren(plugin));

    // A, B, A are three changes; with result files the script runs.
    window.clear();
    open({QStringLiteral("a.dcp.html"), QStringLiteral("b.dcp.html"), QStringLiteral("a.dcp.html"),
          QStringLiteral("a.tio"), QStringLiteral("b.fdc")},
         false);
    EXPECT_TRUE(scriptRan());
    EXPECT_EQ(output(), QStringList({"mergedataco.pl a.tio b.fdc -report=\"indexDATACOreport.html\""}));

    // Two reports, but more than one tio file: the script runs too.
    QFile::remove(workPath(QStringLiteral("script-args.txt")));
    window.clear();
    open({QStringLiteral("r.dcp.html"), QStringLiteral("a.tio"), QStringLiteral("c.tio"), QStringLiteral("b.fdc")},
         true);
    EXPECT_EQ(scriptArguments(), QStringList({"a.tio", "c.tio", "b.fdc", "-report=\"GroupDATACOreport.html\""}));
}

TEST_F(ReportGeneration, TracesEveryOpenedPathWithoutSeparator)
{
    testing::internal::CaptureStdout();
    open({QStringLiteral("a.tio"), QStringLiteral("notes.txt"), QStringLiteral("b.fdc")}, false);
    plugin->exportHTML(QStringLiteral("/out"), QStringLiteral("r"), nullptr, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "a.tionotes.txtb.fdc/out/r.html");
}

TEST_F(ReportGeneration, NamesTheReportAfterTheCurrentNodeWhenDisplayed)
{
    QAStNode node(QStringLiteral("N"));
    view.setActiveNode(&node);
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, true);
    EXPECT_EQ(scriptArguments(), QStringList({"a.tio", "b.fdc", "-report=\"N.DATACOreport.html\""}));
    EXPECT_EQ(output().value(0), QStringLiteral("mergedataco.pl a.tio b.fdc -report=\"N.DATACOreport.html\""));
    EXPECT_EQ(workspace.refCount(), 0u) << "the workspace interface is released after use";

    // A node of another kind still names the report.
    QANode plain(QStringLiteral("M"));
    view.setActiveNode(&plain);
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, true);
    EXPECT_EQ(scriptArguments(), QStringList({"a.tio", "b.fdc", "-report=\"M.DATACOreport.html\""}));

    // Without a node the report is the group's.
    view.setActiveNode(nullptr);
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, true);
    EXPECT_EQ(scriptArguments(), QStringList({"a.tio", "b.fdc", "-report=\"GroupDATACOreport.html\""}));

    // So without a view, and without a workspace.
    view.setActiveNode(&node);
    workspace.setActiveView(nullptr);
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, true);
    EXPECT_EQ(scriptArguments().value(2), QStringLiteral("-report=\"GroupDATACOreport.html\""));
    workspace.setActiveView(&view);
    studio.addComponent(QStringLiteral("workspace"), nullptr);
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, true);
    EXPECT_EQ(scriptArguments().value(2), QStringLiteral("-report=\"GroupDATACOreport.html\""));

    // The report that exportHTML copies is the one the last run produced.
    EXPECT_EQ(exported(), readFile(workPath(QStringLiteral("GroupDATACOreport.html"))));
    EXPECT_FALSE(exported().isEmpty());
}

TEST_F(ReportGeneration, KeepsTheReportOfANodeInTheCurrentDirectory)
{
    // Directory separators in the node's name become '_'.
    QAStNode node(QStringLiteral("../x"));
    view.setActiveNode(&node);
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, true);
    EXPECT_EQ(scriptArguments(), QStringList({"a.tio", "b.fdc", "-report=\".._x.DATACOreport.html\""}));
    EXPECT_EQ(output(), QStringList({"mergedataco.pl a.tio b.fdc -report=\".._x.DATACOreport.html\""}));
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(exported().isEmpty());
    EXPECT_EQ(exported(), readFile(workPath(QStringLiteral(".._x.DATACOreport.html"))));

    QAStNode absolute(QStringLiteral("/no/such/dir/y"));
    view.setActiveNode(&absolute);
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, true);
    EXPECT_EQ(scriptArguments().value(2), QStringLiteral("-report=\"_no_such_dir_y.DATACOreport.html\""));
    EXPECT_TRUE(QFile::exists(workPath(QStringLiteral("_no_such_dir_y.DATACOreport.html"))));
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
}

TEST_F(ReportGeneration, PassesTheNodeConfiguration)
{
    QAStNode node(QStringLiteral("N"));
    QAStConfiguration configuration;
    node.setCurrentConfiguration(&configuration);
    view.setActiveNode(&node);

    // An empty template adds nothing; the entry points go without quotes.
    configuration.setConfigurationValue(QStringLiteral("dcp_template"), QString());
    configuration.setConfigurationValue(QStringLiteral("kvr_entrypoints"), QStringLiteral("main,init"));
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, true);
    EXPECT_EQ(scriptArguments(),
              QStringList({"a.tio", "b.fdc", "-report=\"N.DATACOreport.html\"", "-entrypoints=main,init"}));
    EXPECT_EQ(output().value(0),
              QStringLiteral("mergedataco.pl a.tio b.fdc -report=\"N.DATACOreport.html\" -entrypoints=main,init"));

    // A template is one argument, in quotes, blanks and all; the node's
    // configuration counts without the display flag as well.
    window.clear();
    configuration.setConfigurationValue(QStringLiteral("dcp_template"), QStringLiteral("my templates/dcp.html"));
    configuration.setConfigurationValue(QStringLiteral("kvr_entrypoints"), QVariant());
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, false);
    EXPECT_EQ(scriptArguments(), QStringList({"-silent", "a.tio", "b.fdc", "-report=\"indexDATACOreport.html\"",
                                              "-dcp_template=\"my templates/dcp.html\""}));
    EXPECT_EQ(output().value(0), QStringLiteral("mergedataco.pl a.tio b.fdc -report=\"indexDATACOreport.html\" "
                                                "-dcp_template=\"my templates/dcp.html\""));

    // Both, in that order; values that are not strings are passed as text.
    configuration.setConfigurationValue(QStringLiteral("kvr_entrypoints"), 42);
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, true);
    EXPECT_EQ(scriptArguments().mid(3),
              QStringList({"-dcp_template=\"my templates/dcp.html\"", "-entrypoints=42"}));

    // A node that is not one of the host's own has no configuration.
    QANode plain(QStringLiteral("P"));
    view.setActiveNode(&plain);
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, true);
    EXPECT_EQ(scriptArguments(), QStringList({"a.tio", "b.fdc", "-report=\"P.DATACOreport.html\""}));
}

TEST_F(ReportGeneration, ForwardsEveryLineOfALoudScriptInOrder)
{
    writeMergeScript("for my $i (1 .. 200000) {\n"
                     "    print STDOUT \"out $i\\n\";\n"
                     "    print STDERR \"err $i\\n\";\n"
                     "}\n"
                     "print STDOUT \"out end\";\n"
                     "print STDERR \"err end\";\n");
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, false);

    QStringList expectedOutput{QStringLiteral("mergedataco.pl a.tio b.fdc -report=\"indexDATACOreport.html\"")};
    QStringList expectedErrors;
    for (int i = 1; i <= 200000; ++i) {
        expectedOutput.append(QStringLiteral("out %1").arg(i));
        expectedErrors.append(QStringLiteral("err %1").arg(i));
    }
    expectedOutput.append(QStringLiteral("out end"));
    expectedErrors.append(QStringLiteral("err end"));
    EXPECT_EQ(firstDifference(output(), expectedOutput), QString());
    EXPECT_EQ(firstDifference(errors(), expectedErrors), QString());
}

TEST_F(ReportGeneration, ForwardsOutputWhileTheScriptRuns)
{
    // The script waits for an answer to its first line: it gets one only if
    // that line reaches the output window while it is still running.
    window.onAppend = [this](QAOutputWindow::Kind kind, const QString& text) {
        if (kind == QAOutputWindow::Error && text == QStringLiteral("ping"))
            writeFile(workPath(QStringLiteral("pong")), "");
    };
    writeMergeScript("$| = 1;\n"
                     "print STDERR \"ping\\n\";\n"
                     "for (1 .. 2000) {\n"
                     "    if (-e 'pong') { print \"answered\\n\"; exit 0; }\n"
                     "    select(undef, undef, undef, 0.01);\n"
                     "}\n"
                     "print \"no answer\\n\";\n");
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, false);
    EXPECT_EQ(output().value(1), QStringLiteral("answered"));
}

TEST_F(ReportGeneration, ReportsAScriptThatFails)
{
    // Its output is forwarded as ever, and then the failure is an error.
    writeMergeScript("print \"partial\\r\\n\";\nprint STDERR \"broken input\\n\\n\";\nexit 3;\n");
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, false);
    EXPECT_EQ(output().mid(1), QStringList({"partial"}));
    EXPECT_EQ(errors(), QStringList({"broken input", "", "mergedataco.pl ended with exit status 3"}));
    EXPECT_TRUE(waitForChildren(plugin));

    // One that dies of a signal, with nothing to say.
    window.clear();
    writeMergeScript("kill 'KILL', $$;\n");
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, false);
    EXPECT_EQ(output().size(), 1);
    EXPECT_EQ(errors(), QStringList({"mergedataco.pl crashed"}));
    EXPECT_TRUE(waitForChildren(plugin));
}

TEST_F(ReportGeneration, TranslatesItsErrors)
{
    class ContextTranslator : public QTranslator {
    public:
        QString translate(const char* context, const char* sourceText, const char*, int) const override
        {
            return QString::fromUtf8(context) + QStringLiteral(": ") + QString::fromUtf8(sourceText);
        }
        bool isEmpty() const override { return false; }
    } translator;
    writeMergeScript("exit 3;\n");
    QCoreApplication::installTranslator(&translator);
    open({QStringLiteral("a.tio"), QStringLiteral("b.fdc")}, false);
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(errors(), QStringList({"QAStDATACOPlugin: mergedataco.pl ended with exit status 3"}));
}

// executeScript is not part of the host's interface; these tests use the
// plug-in class compiled into the test.
using ScriptRun = PluginHostTest;

TEST_F(ScriptRun, ReportsWhetherTheScriptRan)
{
    QAStDATACOPlugin plugin;
    plugin.initialize(&studio, nullptr);
    writeLoggingMergeScript();
    QStringList files{QStringLiteral("a.tio"), QStringLiteral("b.fdc")};
    EXPECT_TRUE(plugin.executeScript(files, false));
    EXPECT_TRUE(QFile::exists(workPath(QStringLiteral("script-args.txt"))));

    // An interpreter that cannot be started: the echo line and an error
    // that names the command, no message box, no process left behind.
    window.clear();
    studio.setScriptCommand({QStringLiteral("/no/such/interpreter"), QStringLiteral("-w")});
    EXPECT_FALSE(plugin.executeScript(files, false));
    EXPECT_EQ(output(), QStringList({"mergedataco.pl a.tio b.fdc -report=\"indexDATACOreport.html\""}));
    ASSERT_EQ(errors().size(), 1);
    const QString command = QStringLiteral("/no/such/interpreter -w ") + scriptDirectory + QDir::separator() +
                            QStringLiteral("mergedataco.pl");
    EXPECT_TRUE(errors().first().startsWith(QStringLiteral("Unable to run %1: ").arg(command)))
        << errors().first().toStdString();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(plugin.findChildren<QProcess*>().isEmpty());
    EXPECT_TRUE(boxes.boxes().isEmpty());

    // No host: nothing is run or echoed.
    window.clear();
    studio.setScriptCommand({perlProgram()});
    plugin.initialize(nullptr, nullptr);
    EXPECT_FALSE(plugin.executeScript(files, true));
    EXPECT_TRUE(window.entries().isEmpty());
    EXPECT_TRUE(plugin.findChildren<QProcess*>().isEmpty());
}

} // namespace
