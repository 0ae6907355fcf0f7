#include <tcf.h>
#include <tdf.h>
#include <tdf_factory.h>

#include "reader_fixture.h"
#include "rewrite_reading.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>

namespace {

using Messages = std::vector<std::string>;

class ReaderCoreTest : public ReaderTest {};

// Writes `content` to the file `name` in `dir` and returns its path.
QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        ADD_FAILURE() << "can't write " << path.toStdString();
    return path;
}

TEST_F(ReaderCoreTest, OpcodeIsTheFirstTwoCharactersExactly)
{
    line("TM5");
    EXPECT_EQ(reader->currentTime, 5u);
    line("TM \t 6");
    EXPECT_EQ(reader->currentTime, 6u);
    lines({"tm 7", "T", "TMX 8", " TM 9"});
    EXPECT_EQ(reader->currentTime, 6u);
    // TMX is a TM whose operand is not a number.
    EXPECT_EQ(messages(), (Messages{"unknown opcode or unexpected opcode", "unknown opcode or unexpected opcode",
                                    "can't read time.", "unknown opcode or unexpected opcode"}));
}

TEST_F(ReaderCoreTest, IgnoredLinesInNormalMode)
{
    lines({"", "\n", "\r\n", "  \n", "OT anything at all", "US", "tdp 1 2 3", "tdp\n"});
    EXPECT_TRUE(messages().empty());
    lines({"tdpx", "QA", "ID 1 2", "IN \"Task\" 1 \"x\"", "ED", "EA", "CA", "SC"});
    EXPECT_EQ(messages(), Messages(8, "unknown opcode or unexpected opcode"));
    EXPECT_EQ(reader->lineNumber, 16u);
}

TEST_F(ReaderCoreTest, ReportsCarryTheFileOrTdfAndTheLine)
{
    lines({"OT", "XX"});
    reader->setTDFFileName("run.tdf");
    lines({"OT", "OT", "YY"});
    ASSERT_EQ(recorder.reports().size(), 2u);
    EXPECT_EQ(recorder.reports()[0].file, "<tdf>");
    EXPECT_EQ(recorder.reports()[0].line, 2);
    EXPECT_EQ(recorder.reports()[0].column, 0);
    EXPECT_EQ(recorder.reports()[1].file, "run.tdf");
    EXPECT_EQ(recorder.reports()[1].line, 3);
}

TEST_F(ReaderCoreTest, ErrorLimitReportsAHundredThenANoticeThenNothing)
{
    for (int i = 0; i < 100; ++i)
        line("XX");
    EXPECT_EQ(reader->errorCount, 100);
    reader->warning("still reported");
    line("XX");
    line("XX");
    reader->warning("dropped");
    const std::vector<Report>& reports = recorder.reports();
    ASSERT_EQ(reports.size(), 102u);
    EXPECT_EQ(reports[99].message, "unknown opcode or unexpected opcode");
    EXPECT_EQ(reports[100].message, "still reported");
    EXPECT_EQ(reports[100].severity, Error::WARNING);
    EXPECT_EQ(reports[101].message, "error limit reached, continue to parsing silently.\n");
    EXPECT_EQ(reports[101].line, 101);
    EXPECT_EQ(reader->errorCount, 101);
    EXPECT_EQ(Error::error_count_, 101);
}

TEST_F(ReaderCoreTest, ResynchronisationCountsTheSkippedLines)
{
    selectTestBlock();
    const int sfLine = int(reader->lineNumber) + 1;
    lines({"SF 5 8 8", "XX", "TM x", "XX", "XX", "XX"});
    EXPECT_TRUE(reader->skipping);
    EXPECT_EQ(reader->skipStartLine, sfLine);
    line("SF 5 1 2");
    EXPECT_FALSE(reader->skipping);
    EXPECT_EQ(messages(), (Messages{"definition block not found (SF)",
                                    "due to previous error, restart analyzing at this line (6 lines skipped)"}));
    EXPECT_EQ(recorder.reports()[1].severity, Error::WARNING);
    EXPECT_EQ(recorder.reports()[1].line, sfLine + 6);
    EXPECT_EQ(reader->errorCount, 1);
}

TEST_F(ReaderCoreTest, FailingAgainWhileSkippingRestartsTheCount)
{
    selectTestBlock();
    lines({"SF 5 8 8", "XX", "SF 6 8 8", "XX", "CS 42"});
    EXPECT_EQ(messages(), (Messages{"definition block not found (SF)",
                                    "due to previous error, restart analyzing at this line (2 lines skipped)",
                                    "definition block not found (CS)"}));
    EXPECT_TRUE(reader->skipping);
    line("CS 1");
    EXPECT_EQ(messages().back(), "due to previous error, restart analyzing at this line (1 lines skipped)");
    EXPECT_EQ(reader->currentBlock, reader->definitionBlocks->head->value);
}

// A second file continues the trace, and a resynchronisation with it,
// while its lines are numbered from 1 again.
TEST_F(ReaderCoreTest, SkippedLinesAreCountedAcrossFiles)
{
    selectTestBlock();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&dir](const char* name, const QByteArray& text) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_EQ(file.write(text), text.size());
        return file.fileName();
    };
    const QString first = write("first.tdf", "OT\nOT\nSF 5 8 8\nXX\nXX\n");
    const QString second = write("second.tdf", "XX\nSF 5 1 2\n");
    ASSERT_TRUE(reader->readFile(first));
    ASSERT_TRUE(reader->readFile(second));
    EXPECT_EQ(messages(), (Messages{"definition block not found (SF)",
                                    "due to previous error, restart analyzing at this line (4 lines skipped)"}));
    EXPECT_EQ(recorder.reports()[1].file, second);
    EXPECT_EQ(recorder.reports()[1].line, 2);
}

TEST_F(ReaderCoreTest, ReadFileReadsEveryLineWithItsNumber)
{
    ASSERT_TRUE(reader->readFile(TEST_DATA_DIR "/context.tdf"));
    EXPECT_EQ(reader->fileName, TEST_DATA_DIR "/context.tdf");
    EXPECT_EQ(reader->lineNumber, 24u);
    ASSERT_EQ(recorder.reports().size(), 3u);
    EXPECT_EQ(recorder.reports()[0].message, "definition block not found (SF)");
    EXPECT_EQ(recorder.reports()[0].line, 20);
    EXPECT_EQ(recorder.reports()[1].message, "due to previous error, restart analyzing at this line (3 lines skipped)");
    EXPECT_EQ(recorder.reports()[2].message, "can't retrieve style");
    EXPECT_EQ(recorder.reports()[2].line, 24);
    EXPECT_EQ(recorder.reports()[2].file, TEST_DATA_DIR "/context.tdf");

    EXPECT_EQ(reader->timeUnit, UNIT_MICROSECOND);
    EXPECT_EQ(reader->currentTime, 2000u);
    EXPECT_EQ(reader->heapSize, 4096u);
    EXPECT_EQ(reader->runningThread->name, "main");
    TDFDefinitionBlock* block = reader->currentBlock;
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->getInstanceFromId(1)->sourceLink(), "controller.c:120");
    EXPECT_EQ(block->getTextFromId(9)->name, "waiting for input");
    EXPECT_EQ(reader->staticMessageTotal, 2);
}

TEST_F(ReaderCoreTest, MissingFileIsReportedWithoutPosition)
{
    EXPECT_FALSE(reader->readFile("/no/such/trace.tdf"));
    ASSERT_EQ(recorder.reports().size(), 1u);
    EXPECT_EQ(recorder.reports()[0].message,
              QString("Can't open file \"/no/such/trace.tdf\": %1").arg(QString::fromLocal8Bit(std::strerror(ENOENT))));
    EXPECT_TRUE(recorder.reports()[0].file.isNull());
    EXPECT_EQ(recorder.reports()[0].line, 0);
    EXPECT_EQ(reader->errorCount, 0);
}

TEST_F(ReaderCoreTest, ReadFailureIsReportedLikeAnOpenFailure)
{
    // A directory opens but can't be read: that is no empty trace.
    EXPECT_FALSE(reader->readFile(TEST_DATA_DIR));
    ASSERT_EQ(recorder.reports().size(), 1u);
    EXPECT_EQ(recorder.reports()[0].message,
              QString("Can't read file \"%1\": %2").arg(TEST_DATA_DIR, QString::fromLocal8Bit(std::strerror(EISDIR))));
    EXPECT_EQ(recorder.reports()[0].severity, Error::ERROR);
    EXPECT_TRUE(recorder.reports()[0].file.isNull());
    EXPECT_EQ(recorder.reports()[0].line, 0);
    EXPECT_EQ(recorder.reports()[0].column, 0);
    EXPECT_EQ(reader->errorCount, 0);
}

TEST_F(ReaderCoreTest, OverlongLineIsSplitIntoFurtherLines)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("long.tdf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // The first chunk ends exactly at the buffer's limit; what follows is
    // read as a line of its own and reported as such.
    file.write("OT " + QByteArray(TDF::lineBufferSize - 1 - 3, 'x') + "ZZ rest\nTM 3\n");
    file.close();
    ASSERT_TRUE(reader->readFile(path));
    EXPECT_EQ(reader->lineNumber, 3u);
    EXPECT_EQ(messages(), Messages{"unknown opcode or unexpected opcode"});
    EXPECT_EQ(recorder.reports()[0].line, 2);
    EXPECT_EQ(reader->currentTime, 3u);
}

// A file that ends inside a definition block or an action block has lost
// what follows: reported at its last line, naming the line that opened
// the block (the outermost BA). The reader stays in the block, so that a
// further file continues it, and reports it once.
TEST_F(ReaderCoreTest, FileEndingInsideABlockIsReported)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString definitions = writeFile(dir, "definitions.tdf", "TM 1\nDB \"test\"\nID 1 2\nMS 7 \"ping\"\n");
    const QString rest = writeFile(dir, "rest.tdf", "ED\nSF 1 1 2\n");
    const QString actions = writeFile(dir, "actions.tdf", "TM 1\nBA \"a\" 0\nBA \"b\" 0\nEA\nNI 1 2\n");

    ASSERT_TRUE(reader->readFile(definitions));
    EXPECT_TRUE(reader->definitionMode);
    ASSERT_TRUE(reader->readFile(rest));
    EXPECT_NE(reader->currentBlock, nullptr);
    ASSERT_TRUE(reader->readFile(actions));
    EXPECT_TRUE(reader->actionBlockMode);
    reader->reportOpenBlocks();
    ASSERT_EQ(messages(), (Messages{"definition block begun at line 2 has no end (ED)",
                                    "action block begun at line 2 has no end (EA)"}));
    EXPECT_EQ(recorder.reports()[0].file, definitions);
    EXPECT_EQ(recorder.reports()[0].line, 4);
    EXPECT_EQ(recorder.reports()[1].file, actions);
    EXPECT_EQ(recorder.reports()[1].line, 5);
    EXPECT_EQ(reader->errorCount, 2);

    // Lines handed over one by one are reported when the client says the
    // input has ended.
    reader->reset(false);
    lines({"EA", "DB \"test\""});
    reader->reportOpenBlocks();
    EXPECT_EQ(messages().back(), "definition block begun at line 2 has no end (ED)");
    EXPECT_EQ(recorder.reports().back().line, 2);
}

// The lines a file is read as, each with its whole length as bytesRead
// tells it, and the NUL-terminated text the reader sees: they must be the
// lines the chunking rule makes of the text, which traceLines makes apart.
struct SplitLines {
    std::vector<std::string> lines;
    bool terminated = true;  // every line ends with a NUL at its length
};

SplitLines splitByReader(TDF& reader, const std::function<bool(const TDF::LineHandler&)>& read)
{
    SplitLines split;
    unsigned long long counted = 0;
    read([&](const char* line, TDFObject*, TDF::ModelChangment) {
        const size_t length = size_t(reader.bytesRead - counted);
        counted = reader.bytesRead;
        split.lines.emplace_back(line, length);
        split.terminated = split.terminated && line[length] == '\0';
    });
    return split;
}

// Lines of every length around the limit, line feeds at the ends of the
// blocks the file is read in, NUL bytes and no line feed at the end.
TEST_F(ReaderCoreTest, LinesAreSplitAfterEachLineFeedAndAtTheLimit)
{
    std::mt19937 random(5);
    std::string text;
    const size_t limit = TDF::lineBufferSize - 1;
    for (size_t length : {limit - 1, limit, limit + 1, 2 * limit, 2 * limit + 1, size_t(0)})
        text += "OT " + std::string(length, 'x') + '\n';
    while (text.size() < (size_t(5) << 20)) {
        const size_t length = random() % 8 == 0 ? random() % (3 * limit) : random() % 40;
        std::string line(length, 'y');
        if (length > 0 && random() % 10 == 0)
            line[random() % length] = '\0';
        text += "OT " + line + '\n';
    }
    text += "OT no line feed";
    const std::vector<std::string> expected = traceLines(text);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = writeFile(dir, "lines.tdf", QByteArray(text.data(), int(text.size())));
    const SplitLines byFile =
        splitByReader(*reader, [&](const TDF::LineHandler& handler) { return reader->readFile(path, handler); });
    EXPECT_TRUE(byFile.lines == expected) << byFile.lines.size() << " lines read, " << expected.size() << " made";
    EXPECT_TRUE(byFile.terminated);
    EXPECT_EQ(reader->lineNumber, expected.size());
    EXPECT_EQ(reader->bytesRead, text.size());

    // A stream that is no file, read in pieces of its own, handing the
    // lines to a plain function.
    std::unique_ptr<FILE, int (*)(FILE*)> stream(fmemopen(text.data(), text.size(), "r"), std::fclose);
    ASSERT_TRUE(stream);
    const SplitLines byStream = splitByReader(*reader, [&](const TDF::LineHandler& handler) {
        const TDF::LineFunction callHandler = [](void* context, const char* line, TDFObject* object,
                                                 TDF::ModelChangment change) {
            (*static_cast<const TDF::LineHandler*>(context))(line, object, change);
        };
        return reader->readStream(stream.get(), "memory", callHandler, const_cast<TDF::LineHandler*>(&handler));
    });
    EXPECT_TRUE(byStream.lines == expected) << byStream.lines.size() << " lines read, " << expected.size() << " made";
    EXPECT_TRUE(byStream.terminated);
}

// A NUL byte ends the text the reader sees, and is no line end: the rest
// of its line is ignored, with a warning at that line.
TEST_F(ReaderCoreTest, LineWithANulByteIsReadUpToItWithAWarning)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const char text[] = "TM 3\0TM 9\n\0\0\nTM 4\n";
    ASSERT_TRUE(reader->readFile(writeFile(dir, "nul.tdf", QByteArray(text, sizeof text - 1))));
    EXPECT_EQ(reader->currentTime, 4u);
    EXPECT_EQ(reader->lineNumber, 3u);
    EXPECT_EQ(reader->bytesRead, sizeof text - 1);
    const std::string nul = "line holds a NUL byte; the rest of the line is ignored";
    ASSERT_EQ(messages(), (Messages{nul, nul}));
    EXPECT_EQ(recorder.reports()[0].severity, Error::WARNING);
    EXPECT_EQ(recorder.reports()[0].line, 1);
    EXPECT_EQ(recorder.reports()[1].line, 2);
    EXPECT_EQ(reader->errorCount, 0);
}

// CR LF line ends are white space; a carriage return with text after it
// is what CR-only line ends leave, reported once in each file.
TEST_F(ReaderCoreTest, CarriageReturnInsideALineIsReportedOncePerFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString crLf = writeFile(dir, "crlf.tdf", "TM 1\r\nTM 2 \r\t\r\n\r\nTM 3\r");
    const QString crOnly = writeFile(dir, "cr.tdf", "TM 1\r\nTM 2\rTM 8\nTM 3\rTM 9\n");
    const char afterNulText[] = "TM 4\0\rTM 9\n";
    const QString afterNul = writeFile(dir, "nul.tdf", QByteArray(afterNulText, sizeof afterNulText - 1));
    ASSERT_TRUE(reader->readFile(crLf));
    EXPECT_EQ(reader->currentTime, 3u);
    EXPECT_EQ(messages(), Messages{});

    for (int pass = 0; pass < 2; ++pass)
        ASSERT_TRUE(reader->readFile(crOnly));
    EXPECT_EQ(reader->currentTime, 3u);
    const std::string carriageReturn = "carriage return inside a line: the file may have CR-only line ends";
    ASSERT_EQ(messages(), (Messages{carriageReturn, carriageReturn}));
    EXPECT_EQ(recorder.reports()[0].severity, Error::WARNING);
    EXPECT_EQ(recorder.reports()[0].line, 2);
    EXPECT_EQ(recorder.reports()[1].line, 2);

    ASSERT_TRUE(reader->readFile(afterNul));
    EXPECT_EQ(messages().back(), "line holds a NUL byte; the rest of the line is ignored");
    EXPECT_EQ(messages().size(), 3u);
}

TEST_F(ReaderCoreTest, NewTraceKeepsBlocksAndLinesButDropsObjects)
{
    selectTestBlock();
    lines({"TU \"ms\"", "TM 50", "TS 1", "TI 1 1 1", "ST 2", "LK \"x\"", "XX"});
    EXPECT_EQ(reader->objects.count, 1);
    const unsigned long long linesRead = reader->lineNumber;
    TDFObject* newTrace = line("NT");
    ASSERT_NE(newTrace, nullptr);
    EXPECT_EQ(newTrace->type, TDF_NEW_TRACE);
    EXPECT_EQ(reader->objects.count, 1);
    EXPECT_EQ(reader->objects.head->value, newTrace);
    EXPECT_EQ(newTrace->time, 0u);
    EXPECT_EQ(reader->definitionBlocks->count, 1);
    EXPECT_EQ(reader->currentBlock, nullptr);
    EXPECT_EQ(reader->lineNumber, linesRead + 1);
    EXPECT_EQ(reader->errorCount, 1);
    EXPECT_EQ(reader->threadInfos.count, 0);
    EXPECT_EQ(reader->threads.count, 0);
    EXPECT_EQ(reader->runningThread, nullptr);
    EXPECT_EQ(reader->pendingStyle, nullptr);
    EXPECT_TRUE(reader->pendingLink.isNull());
    EXPECT_TRUE(reader->timeUnitText.isNull());
    EXPECT_EQ(reader->currentTime, 0u);
    EXPECT_EQ(reader->staticMessageTotal, 0);
    EXPECT_FALSE(reader->definitionBlocks->head->value->counted);

    line("CS 1");
    EXPECT_EQ(messages().back(), "definition block not found (CS)") << "SF bindings are gone";
    line("SF 1 1 2");
    EXPECT_EQ(reader->staticMessageTotal, 2);
}

TEST_F(ReaderCoreTest, ResetDropsPendingAnnotationsAndKeepsTheTimeFormat)
{
    reader->pendingNote = new TDFNote;
    reader->pendingGlyph = new TDFGlyph;
    reader->setTimeFormat("%ss");
    reader->reset(false);
    EXPECT_EQ(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->pendingGlyph, nullptr);
    EXPECT_EQ(reader->timeFormat, "%ss");
    EXPECT_EQ(reader->lineNumber, 0u);
}

TEST_F(ReaderCoreTest, ResetInsideAnActionBlockForgetsItsInstance)
{
    selectTestBlock();
    lines({"NI 1 5", "BA 9 5"});
    ASSERT_TRUE(reader->actionBlockMode);
    reader->reset(false);
    EXPECT_TRUE(reader->actionBlockMode);
    EXPECT_EQ(reader->actionBlockInstance, nullptr);
    EXPECT_EQ(reader->actionBlockTextModel, nullptr);
    TDFObject* action = line("EA");
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->toAction()->instance, nullptr);
    EXPECT_EQ(action->toAction()->model, nullptr);
}

// Counts the definition blocks it makes.
struct CountingFactory : TDFFactory {
    int blocks = 0;
    TDFDefinitionBlock* newTDFDefinitionBlock() override
    {
        ++blocks;
        return TDFFactory::newTDFDefinitionBlock();
    }
};

TEST_F(ReaderCoreTest, FactoryIsTheClientsOrOneSharedDefault)
{
    TDF other(configurations);
    EXPECT_EQ(reader->factory(), other.factory());
    EXPECT_NE(reader->factory(), nullptr);

    CountingFactory counting;
    reader->setFactory(&counting);
    EXPECT_EQ(reader->factory(), &counting);
    lines({"DB \"test\"", "ID 1 2", "ED"});
    EXPECT_EQ(counting.blocks, 1);
    reader.reset();
}

TEST_F(ReaderCoreTest, SharedBlockListReceivesTheBlocksAndKeepsThem)
{
    TDFDefinitionBlockList shared;
    {
        TDF first(configurations);
        first.setDefinitionBlockList(shared);
        for (const char* text : {"DB \"test\"", "ID 1 2", "MS 3 \"m\"", "ED", "SF 1 1 2"})
            first.read(text, nullptr, nullptr);
        EXPECT_EQ(shared.count, 1);
        first.reset(false);
        EXPECT_EQ(shared.count, 1);
    }
    {
        TDF second(configurations);
        second.setDefinitionBlockList(shared);
        second.read("SF 4 1 2", nullptr, nullptr);
        ASSERT_NE(second.currentBlock, nullptr);
        EXPECT_EQ(second.currentBlock->getMessageFromId(3)->name, "m");
    }
    EXPECT_TRUE(messages().empty());
    // The blocks are the caller's, to free once no reader uses them.
    for (TDFDefinitionBlock* block : shared)
        delete block;
}

TEST_F(ReaderCoreTest, TimesShowTheUnitOnlyWithoutAFormat)
{
    EXPECT_EQ(reader->strTime(42), "42");
    line("TU \"ms\"");
    EXPECT_EQ(reader->strTime(250), "250 ms");
    reader->setTimeFormat("%s.%m");
    EXPECT_EQ(reader->strTime(1500), "1.500");
    reader->setTimeFormat(" \t");
    EXPECT_EQ(reader->strTime(250), "250 ms");
    line("TU \"sec\"");
    EXPECT_EQ(reader->strTime(42), "42 sec");
}

}
