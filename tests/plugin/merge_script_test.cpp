// The merge script shipped with the plug-in, run by the plug-in and on its
// own.

#include "plugin_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QXmlStreamReader>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <functional>

namespace {

struct ParsedReport {
    bool wellFormed = false;
    QString error;
    QString title;
    QStringList headings;   // <h2>: the input files
    QStringList contents;   // <pre>: their contents
    QStringList paragraphs; // <p>
};

// Reads a report as XML, which a well-formed HTML report also is.
ParsedReport parseReport(const QByteArray& html)
{
    ParsedReport report;
    QXmlStreamReader xml(html);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        if (name == QLatin1String("title"))
            report.title = xml.readElementText();
        else if (name == QLatin1String("h2"))
            report.headings.append(xml.readElementText());
        else if (name == QLatin1String("pre"))
            report.contents.append(xml.readElementText());
        else if (name == QLatin1String("p"))
            report.paragraphs.append(xml.readElementText());
    }
    report.wellFormed = !xml.hasError();
    report.error = xml.errorString();
    return report;
}

class MergeScript : public PluginHostTest {
protected:
    void SetUp() override
    {
        PluginHostTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(QFile::exists(QDir(QStringLiteral(MERGE_SCRIPT_DIR)).filePath(QStringLiteral("mergedataco.pl"))));
        studio.setScriptDirectory(QStringLiteral(MERGE_SCRIPT_DIR));
        studio.setScriptCommand({perlProgram()});
        plugin = newPlugin();
        ASSERT_NE(plugin, nullptr);
    }

    // Runs the script directly, `inChild` in the child before the script
    // starts; returns its exit code.
    int runScript(const QStringList& arguments, QByteArray* out = nullptr, QByteArray* err = nullptr,
                  const std::function<void()>& inChild = {})
    {
        QProcess script;
        if (inChild)
            script.setChildProcessModifier(inChild);
        script.start(perlProgram(),
                     QStringList{QDir(QStringLiteral(MERGE_SCRIPT_DIR)).filePath(QStringLiteral("mergedataco.pl"))} +
                         arguments);
        EXPECT_TRUE(script.waitForFinished(20000));
        if (out)
            *out = script.readAllStandardOutput();
        if (err)
            *err = script.readAllStandardError();
        return script.exitStatus() == QProcess::NormalExit ? script.exitCode() : -1;
    }

    QAStViewerPlugin* plugin = nullptr;
};

TEST_F(MergeScript, MergesTheExamplesIntoAReport)
{
    const QString tio = QStringLiteral(EXAMPLES_DIR "/dataco/sensor.tio");
    const QString fdc = QStringLiteral(EXAMPLES_DIR "/dataco/sensor.fdc");
    QAStNode node(QStringLiteral("sensor"));
    QAStConfiguration configuration;
    configuration.setConfigurationValue(QStringLiteral("dcp_template"), QStringLiteral("plain <template>"));
    configuration.setConfigurationValue(QStringLiteral("kvr_entrypoints"), QStringLiteral("main,init"));
    node.setCurrentConfiguration(&configuration);
    view.setActiveNode(&node);

    QStringList files{tio, fdc};
    plugin->create(files, true, nullptr, nullptr);

    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(output(), QStringList({
        QStringLiteral("mergedataco.pl %1 %2 -report=\"sensor.DATACOreport.html\" "
                       "-dcp_template=\"plain <template>\" -entrypoints=main,init").arg(tio, fdc),
        QStringLiteral("mergedataco.pl: reading %1").arg(tio),
        QStringLiteral("mergedataco.pl: reading %1").arg(fdc),
        QStringLiteral("mergedataco.pl: wrote sensor.DATACOreport.html (2 files)"),
    }));
    const ParsedReport report = parseReport(readFile(workPath(QStringLiteral("sensor.DATACOreport.html"))));
    ASSERT_TRUE(report.wellFormed) << report.error.toStdString();
    EXPECT_EQ(report.headings, QStringList({tio, fdc}));
    EXPECT_EQ(report.contents, QStringList({QString::fromUtf8(readFile(tio)), QString::fromUtf8(readFile(fdc))}));
    EXPECT_TRUE(report.contents.value(1).contains(QStringLiteral("value < limit && valid")));
    EXPECT_TRUE(report.paragraphs.contains(QStringLiteral("Template: plain <template>")));
    EXPECT_TRUE(report.paragraphs.contains(QStringLiteral("Entry points: main,init")));

    QTemporaryDir out;
    plugin->exportHTML(out.path(), QStringLiteral("sensor"), nullptr, nullptr);
    EXPECT_EQ(readFile(out.filePath(QStringLiteral("sensor.html"))),
              readFile(workPath(QStringLiteral("sensor.DATACOreport.html"))));
}

TEST_F(MergeScript, EscapesNamesAndContents)
{
    const QByteArray content = "</pre><script>alert('x & y')</script>\n\"quoted\" \x01 ünïcode\n";
    writeFile(workPath(QStringLiteral("a<&>.tio")), content);
    writeFile(workPath(QStringLiteral("b.fdc")), "");
    QStringList files{QStringLiteral("a<&>.tio"), QStringLiteral("b.fdc")};
    plugin->create(files, false, nullptr, nullptr);

    EXPECT_EQ(output().size(), 1) << "a silent script reports no progress";
    EXPECT_TRUE(errors().isEmpty());
    const ParsedReport report = parseReport(readFile(workPath(QStringLiteral("indexDATACOreport.html"))));
    ASSERT_TRUE(report.wellFormed) << report.error.toStdString();
    EXPECT_EQ(report.headings, QStringList({"a<&>.tio", "b.fdc"}));
    QString expected = QString::fromUtf8(content);
    expected.replace(QChar(1), QChar(0xFFFD));
    EXPECT_EQ(report.contents, QStringList({expected, QString()}));
}

TEST_F(MergeScript, TakesNoInputFileForAnOption)
{
    writeFile(workPath(QStringLiteral("-entrypoints=x.tio")), "x\n");
    writeFile(workPath(QStringLiteral("-report=y.fdc")), "y\n");
    QStringList files{QStringLiteral("-entrypoints=x.tio"), QStringLiteral("-report=y.fdc")};
    plugin->create(files, false, nullptr, nullptr);
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    const ParsedReport report = parseReport(readFile(workPath(QStringLiteral("indexDATACOreport.html"))));
    ASSERT_TRUE(report.wellFormed) << report.error.toStdString();
    EXPECT_EQ(report.headings, QStringList({"./-entrypoints=x.tio", "./-report=y.fdc"}));
    EXPECT_EQ(report.contents, QStringList({"x\n", "y\n"}));
    EXPECT_FALSE(report.paragraphs.join(QLatin1Char('\n')).contains(QStringLiteral("Entry points")));
}

TEST_F(MergeScript, ReportsUnreadableInputs)
{
    writeFile(workPath(QStringLiteral("b.fdc")), "b\n");
    QStringList files{QStringLiteral("missing.tio"), QStringLiteral("b.fdc")};
    plugin->create(files, false, nullptr, nullptr);
    ASSERT_EQ(errors().size(), 2);
    EXPECT_TRUE(errors().first().startsWith(QStringLiteral("mergedataco.pl: cannot read missing.tio: ")))
        << errors().first().toStdString();
    EXPECT_EQ(errors().last(), QStringLiteral("mergedataco.pl ended with exit status 1"));
    const ParsedReport report = parseReport(readFile(workPath(QStringLiteral("indexDATACOreport.html"))));
    ASSERT_TRUE(report.wellFormed) << report.error.toStdString();
    EXPECT_EQ(report.headings, QStringList({"missing.tio", "b.fdc"}));
    EXPECT_EQ(report.contents, QStringList({"b\n"}));

    QByteArray err;
    EXPECT_EQ(runScript({QStringLiteral("-silent"), QStringLiteral("missing.tio"), QStringLiteral("-report=\"r.html\"")},
                        nullptr, &err),
              1);
    EXPECT_TRUE(err.startsWith("mergedataco.pl: cannot read missing.tio"));
    EXPECT_EQ(runScript({QStringLiteral("-silent"), QStringLiteral(".."), QStringLiteral("-report=r.html")}), 1);
}

TEST_F(MergeScript, NeedsAReportNameAndAPlaceToWriteIt)
{
    writeFile(workPath(QStringLiteral("a.tio")), "a\n");
    QByteArray out;
    QByteArray err;
    EXPECT_EQ(runScript({QStringLiteral("a.tio")}, &out, &err), 2);
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(runScript({QStringLiteral("a.tio"), QStringLiteral("-report=\"\"")}), 2);
    EXPECT_EQ(runScript({QStringLiteral("a.tio"), QStringLiteral("-report=\"no/such/dir/r.html\"")}, &out, &err), 1);
    EXPECT_TRUE(err.contains("cannot write no/such/dir/r.html"));

    // Quotes around the name are optional; the progress names the report.
    EXPECT_EQ(runScript({QStringLiteral("a.tio"), QStringLiteral("-report=plain.html")}, &out), 0);
    EXPECT_EQ(out, "mergedataco.pl: reading a.tio\nmergedataco.pl: wrote plain.html (1 file)\n");
    EXPECT_TRUE(parseReport(readFile(workPath(QStringLiteral("plain.html")))).wellFormed);
    EXPECT_TRUE(QDir(work.path()).entryList({QStringLiteral("*.partial*")}).isEmpty());
}

TEST_F(MergeScript, WritesThroughNoFileItFindsInPlace)
{
    // What stands at the name a script might pick for its temporary file
    // (the report's name, ".partial" and its process id, say) is passed
    // over and left as it was: a link planted to have another file
    // overwritten, or a directory, which must not stop every later run.
    // The child makes it with the pid that the script will have.
    writeFile(workPath(QStringLiteral("a.tio")), "a\n");
    writeFile(workPath(QStringLiteral("precious")), "precious");
    const QByteArray planted = QFile::encodeName(workPath(QStringLiteral("r.html.partial")));
    const QByteArray precious = QFile::encodeName(workPath(QStringLiteral("precious")));
    ASSERT_LT(planted.size(), 4000);
    for (const bool asLink : {true, false}) {
        SCOPED_TRACE(asLink ? "a planted link" : "a directory");
        // The child may run on a small stack of its own: the path is built
        // in static storage.
        static char path[4096];
        const auto plant = [&planted, &precious, asLink] {
            std::copy(planted.begin(), planted.end(), path);
            *std::to_chars(path + planted.size(), path + sizeof path - 1, getpid()).ptr = '\0';
            if (asLink)
                symlink(precious.constData(), path);
            else
                mkdir(path, 0700);
        };
        QFile::remove(workPath(QStringLiteral("r.html")));
        QByteArray err;
        EXPECT_EQ(runScript({QStringLiteral("-silent"), QStringLiteral("a.tio"), QStringLiteral("-report=\"r.html\"")},
                            nullptr, &err, plant),
                  0)
            << err.toStdString();
        EXPECT_EQ(QString::fromUtf8(readFile(workPath(QStringLiteral("precious")))), QStringLiteral("precious"));
        const QFileInfo report(workPath(QStringLiteral("r.html")));
        EXPECT_FALSE(report.isSymLink());
        EXPECT_EQ(parseReport(readFile(report.filePath())).contents, QStringList({"a\n"}));
        // The permissions of any new file, not those of a private one.
        EXPECT_EQ(report.permissions(), QFileInfo(workPath(QStringLiteral("a.tio"))).permissions());
        const QStringList partials = QDir(work.path()).entryList({QStringLiteral("*.partial*")},
                                                                 QDir::AllEntries | QDir::System);
        ASSERT_EQ(partials.size(), 1) << partials.join(QLatin1Char(' ')).toStdString();
        const QFileInfo left(workPath(partials.first()));
        EXPECT_TRUE(asLink ? left.isSymLink() : left.isDir());
        ASSERT_TRUE(asLink ? QFile::remove(left.filePath()) : QDir().rmdir(left.filePath()));
    }
}

TEST_F(MergeScript, LeavesNoReportWhenTheDiskFillsUp)
{
    // The report outgrows a file size limit as it would a full disk: a small
    // one when it is closed, a large one while it is written; the script
    // inherits the limit's signal ignored or not. An older report stays as
    // it was.
    writeFile(workPath(QStringLiteral("r.html")), "older");
    for (const int limit : {4 * 1024, 16 * 1024}) {
        writeFile(workPath(QStringLiteral("a.tio")), QByteArray(limit * 3 / 2, 'a'));
        for (const bool signalIgnored : {true, false}) {
            SCOPED_TRACE(QStringLiteral("limit %1, SIGXFSZ %2").arg(limit).arg(signalIgnored ? "ignored" : "by default")
                             .toStdString());
            const auto smallFiles = [limit, signalIgnored] {
                std::signal(SIGXFSZ, signalIgnored ? SIG_IGN : SIG_DFL);
                const rlimit size{rlim_t(limit), rlim_t(limit)};
                setrlimit(RLIMIT_FSIZE, &size);
            };
            QByteArray out;
            QByteArray err;
            EXPECT_EQ(runScript({QStringLiteral("a.tio"), QStringLiteral("-report=\"r.html\"")}, &out, &err, smallFiles),
                      1);
            EXPECT_EQ(QString::fromUtf8(out), QStringLiteral("mergedataco.pl: reading a.tio\n"));
            EXPECT_EQ(QString::fromUtf8(err), QStringLiteral("mergedataco.pl: cannot write r.html: File too large\n"));
            EXPECT_EQ(QString::fromUtf8(readFile(workPath(QStringLiteral("r.html")))), QStringLiteral("older"));
            EXPECT_EQ(QDir(work.path()).entryList(QDir::Files), QStringList({"a.tio", "r.html"}));
        }
    }
}

} // namespace
