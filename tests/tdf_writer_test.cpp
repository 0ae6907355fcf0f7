#include <tcf.h>
#include <tdf.h>
#include <tdfwrt.h>

#include "reader_fixture.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Reads lines and writes what each returned, as a rewriting client does.
class WriterTest : public ReaderTest {
protected:
    std::string rewrite(std::initializer_list<const char*> texts, bool times = false)
    {
        std::ostringstream out;
        TDFWriter writer(out);
        writer.writeTimes = times;
        for (const char* text : texts) {
            std::istringstream textLines(text);
            for (std::string single; std::getline(textLines, single);) {
                TDF::ModelChangment change;
                TDFObject* object = line(single.c_str(), nullptr, &change);
                writer.writeReadLine(*reader, object);
            }
        }
        writer.writeEnd(*reader);
        return out.str();
    }

    static constexpr const char* block = "DB \"test\"\nID 1 2\nIN \"Task\" 1 \"Sensor\"\nIN \"Module\" 2 \"io\"\n"
                                         "IN \"Named\" 3 \"Worker\"\nMS 7 \"ping\"\nMS 8 \"pong\"\nTX 9 \"label\"\nED\n";
};

TEST_F(WriterTest, NumberNotationStaysReadable)
{
    std::ostringstream out;
    TDFWriter writer(out);
    for (unsigned long long value : {0ULL, 999999ULL, 1000000ULL, 2000000ULL, 16777215ULL, 0xFFFFFFFFULL,
                                     0x100000000ULL, 9999999999ULL}) {
        writer.writeHexa(value);
        out << ' ';
    }
    EXPECT_EQ(out.str(), "0 999999 0f4240h 1e8480h 0ffffffh 0ffffffffh 4294967296 9999999999 ");

    // Every form written reads back as the same value.
    std::istringstream written(out.str());
    std::string field;
    TDF reader(nullptr);
    for (unsigned long long expected : {0ULL, 999999ULL, 1000000ULL, 2000000ULL, 16777215ULL, 0xFFFFFFFFULL,
                                        0x100000000ULL, 9999999999ULL}) {
        written >> field;
        const char* cursor = field.c_str();
        unsigned long long value = 0;
        EXPECT_TRUE(reader.readNumber(&cursor, &value)) << field;
        EXPECT_EQ(value, expected) << field;
    }
    EXPECT_TRUE(messages().empty());
}

TEST_F(WriterTest, BlocksAreAnnouncedOnceThenChangedByNumber)
{
    lines({"DB \"test\"", "ID 1 2", "MS 7 \"a\"", "ED", "DB \"test\"", "ID 1000000 3", "MS 7 \"b\"", "ED"});
    std::ostringstream out;
    TDFWriter writer(out);
    TDFDefinitionBlock* second = reader->definitionBlocks->head->value;
    TDFDefinitionBlock* first = reader->definitionBlocks->head->next->value;
    EXPECT_EQ(writer.changeDefinitionBlock(first), 1);
    EXPECT_EQ(writer.changeDefinitionBlock(first), 0);
    EXPECT_EQ(writer.changeDefinitionBlock(second), 1);
    EXPECT_EQ(writer.changeDefinitionBlock(first), 1);
    EXPECT_EQ(out.str(), "SF 1 1 2\nSF 2 0f4240h 3\nCS 1\n");
}

TEST_F(WriterTest, InstanceContextIsWrittenOnlyOnChange)
{
    const std::string written =
        rewrite({block, "SF 1 1 2", "NI 1 5", "NI 2 6", "CI 5", "ME 7 6", "CI 5", "ME 8 6", "MR 8", "MR 7"});
    EXPECT_EQ(written, std::string(block) +
                           "SF 1 1 2\nNI 1 5\nNI 2 6\nCI 5\nME 7 6\nCI 5\nME 8 6\nMR 8\nMR 7\n");
}

TEST_F(WriterTest, CreationMessageIsWrittenBeforeItsNewInstance)
{
    const std::string written = rewrite({block, "SF 1 1 2", "NI 1 5", "ME 7 9 \"hello\"", "NI 3 9 \"worker\""});
    EXPECT_EQ(written, std::string(block) + "SF 1 1 2\nNI 1 5\nME 7 9 \"hello\"\nNI 3 9 \"worker\"\n");
    EXPECT_TRUE(messages().empty());
}

TEST_F(WriterTest, ModelChangeWritesTheNewModelOnly)
{
    const std::string written = rewrite({block, "SF 1 1 2", "NI 1 5", "NI 2 5"});
    EXPECT_EQ(written, std::string(block) + "SF 1 1 2\nNI 1 5\nNI 2 5\n");
}

TEST_F(WriterTest, NotesGoBeforeWhatTakesThem)
{
    const std::string written = rewrite({block, "SF 1 1 2", "NI 1 5", "NO \"free\"", "CI 0", "NO 9 \"on it\"",
                                         "CI 5", "NO \"message\"", "ME 7 0", "NO \"deleted\"", "DI 5"});
    EXPECT_EQ(written, std::string(block) +
                           "SF 1 1 2\nNI 1 5\nNO \"free\"\nCI 0\nNO 9 \"on it\"\nCI 5\nNO \"message\"\n"
                           "ME 7 0\nNO \"deleted\"\nDI 5\n");
    EXPECT_TRUE(messages().empty());
}

TEST_F(WriterTest, GlyphsAreWrittenAsGlyphRecords)
{
    const std::string written = rewrite({block, "SF 1 1 2", "NI 1 5", "GL 4 9 \"odd\"", "CI 5", "GL 5",
                                         "ME 7 0", "CI 5", "GL 4", "MR"});
    EXPECT_EQ(written, std::string(block) +
                           "SF 1 1 2\nNI 1 5\nGL 4 9 \"odd\"\nCI 5\nGL 5\nME 7 0\nGL 4\nMR 7\n");
    EXPECT_TRUE(messages().empty());
}

TEST_F(WriterTest, TextsAreEscapedAsTheReaderUnescapes)
{
    const std::string written =
        rewrite({block, "SF 1 1 2", "NI 1 5 \"say \\\"hi\\\" \\\\ back\"", "AC \"a \\\"quoted\\\" text\" 5"});
    EXPECT_NE(written.find("NI 1 5 \"say \\\"hi\\\" \\\\ back\"\n"), std::string::npos) << written;
    EXPECT_NE(written.find("AC \"a \\\"quoted\\\" text\" 5\n"), std::string::npos) << written;
    EXPECT_EQ(reader->instances.head->value->name(), "say \"hi\" \\ back");
}

TEST_F(WriterTest, PrefixRecordsOnlyForOwnLinkStyleAndTime)
{
    EXPECT_EQ(rewrite({block, "SF 1 1 2", "TS 3", "NI 1 5", "NI 2 6"}),
              std::string(block) + "SF 1 1 2\nNI 1 5\nNI 2 6\n");
    // A new writer over a reader in mid-trace first writes the block and
    // time step the reader has; times past 32 bits are split.
    EXPECT_EQ(rewrite({"TM 0FFFFFFFFh", "CI 5", "LK \"x.c:1\"", "ST 3", "ME 7 6"}, true),
              "SF 1 1 2\nTS 3\nCI 5\nLK \"x.c:1\"\nST 3\nTM 0ffffffffh\nME 7 6\n");
    EXPECT_EQ(rewrite({"TM 1 5", "MR 7"}, true), "SF 1 1 2\nTS 3\nTM 1 5\nMR 7\n");
}

// A style or glyph read after an SF that the writer had no cause to write.
TEST_F(WriterTest, StyleAndGlyphBeforeAnyOtherRecordGetTheirBlock)
{
    EXPECT_EQ(rewrite({block, "SF 1 1 2", "ST 2", "SY \"sync\" 0", "GL 5", "CI 0"}),
              std::string(block) + "SF 1 1 2\nST 2\nSY \"sync\" 0\nGL 5\nCI 0\n");
    EXPECT_TRUE(messages().empty());
}

// Context statements return no object, yet what they set is written when
// it changes: once per change, and again after a new trace. A block
// selected by SF is written where it was selected (it counts its static
// messages), a unit that could not be read is lost again by a bare TU, and
// the time step goes with the times.
TEST_F(WriterTest, ContextStatementsAreWrittenWhenTheyChange)
{
    const std::string written =
        rewrite({block, "TU \"us\"", "SF 1 1 2", "HS 5", "HS 5", "TI 3 1 10 \"main\"", "TI 4 2 5", "TI 3 2 10",
                 "HS 1 0", "TU \"us\"", "NT", "TU \"fortnights\"", "SF 1 1 2", "HS 0", "TS 0", "TU"});
    EXPECT_EQ(written, std::string(block) +
                           "TU \"us\"\nSF 1 1 2\nHS 5\nTI 3 1 10 \"main\"\nTI 4 2 5\nTI 3 2 10 \"main\"\nHS 1 0\n"
                           "NT\nTU \"fortnights\"\nSF 2 1 2\nHS 0\nTU\n");
    EXPECT_EQ(messages(), std::vector<std::string>{"Can't read time unit."});
}

TEST_F(WriterTest, TimeStepGoesWithTheTimes)
{
    const auto lines = {block, "SF 1 1 2", "NI 1 5", "TS 0", "NI 2 6", "TS 4", "NI 3 7"};
    EXPECT_EQ(rewrite(lines, true), std::string(block) + "SF 1 1 2\nTM 0\nNI 1 5\nTS 0\nTM 0\nNI 2 6\nTS 4\nTM 0\nNI 3 7\n");
    reader->reset(false);
    EXPECT_EQ(rewrite(lines), std::string(block) + "SF 1 1 2\nNI 1 5\nNI 2 6\nNI 3 7\n");
    EXPECT_TRUE(messages().empty());
}

TEST_F(WriterTest, CallKeepsItsStyleAndSender)
{
    const std::string written = rewrite({block, "SF 1 1 2", "NI 1 5", "NI 2 6", "CI 0", "ST 2", "MC 1 7",
                                         "CI 5", "MC 2 8 6", "ME 7 6 1", "ME 8 5 2"});
    EXPECT_EQ(written, std::string(block) +
                           "SF 1 1 2\nNI 1 5\nNI 2 6\nCI 0\nST 2\nMC 1 7\nMC 2 8 6\nME 7 6 1\nME 8 5 2\n");
    EXPECT_TRUE(messages().empty());
}

TEST_F(WriterTest, DeletionsNewTracesAndEmptyActionsAreWritten)
{
    const std::string written = rewrite({block, "SF 1 1 2", "NI 1 5", "BA \"\" 5", "EA", "DA", "NT", "SF 1 1 2"});
    EXPECT_EQ(written, std::string(block) + "SF 1 1 2\nNI 1 5\nBA \"\" 5\nEA\nDA\nNT\nSF 2 1 2\n");
    EXPECT_TRUE(messages().empty());
    // An inner BA whose text is not found leaves the action without text.
    EXPECT_EQ(rewrite({"NI 1 6", "BA \"outer\" 6", "BA 77", "EA"}), "SF 1 1 2\nNI 1 6\nBA \"\" 6\nBA 0\nEA\n");
    EXPECT_EQ(reader->actions.last()->value->name(), QString());
}

// The message is kept, and so is the receiver it created: it is written
// with the static id it was read with, which the reader reports again.
TEST_F(WriterTest, MessageWithoutModelKeepsItsStaticId)
{
    const std::string written = rewrite({block, "SF 1 1 2", "NI 1 5", "ME 77 6", "CI 5", "ME 7 6"});
    EXPECT_EQ(messages(), std::vector<std::string>{"message 77 doesn't match any model in definition block."});
    EXPECT_EQ(written, std::string(block) + "SF 1 1 2\nNI 1 5\nME 77 6\nCI 5\nME 7 6\n");
}


// A new trace frees the objects of the one before, and the memory goes to
// the next ones: a message that creates its receiver is written in every
// trace all the same.
TEST_F(WriterTest, CreatingMessagesAreWrittenInEveryTrace)
{
    const std::string written =
        rewrite({block, "SF 1 1 2", "NI 1 5", "ME 7 9", "NT", "SF 1 1 2", "NI 1 5", "ME 7 9", "NI 2 9"});
    EXPECT_EQ(written, std::string(block) + "SF 1 1 2\nNI 1 5\nME 7 9\nNT\nSF 2 1 2\nNI 1 5\nME 7 9\nNI 2 9\n");
}

// A client that walks the reader's objects meets an instance before the
// message that created it: the instance writes the message first.
TEST_F(WriterTest, WalkingTheObjectsWritesACreatingMessageWithItsInstance)
{
    rewrite({block, "SF 1 1 2", "NI 1 5", "ME 7 9", "NI 2 9", "ME 8 5"});
    std::ostringstream out;
    TDFWriter writer(out);
    for (TDFObject* object : reader->objects)
        object->write(writer);
    EXPECT_EQ(out.str(), "SF 1 1 2\nNI 1 5\nME 7 9\nNI 2 9\nME 8 5\n");
}

// A loop is named by the block current at its start: the rewrite makes it
// current as well, and loses it again (a CS without number) where the
// reader had lost it.
TEST_F(WriterTest, LoopsKeepTheBlockThatNamesThem)
{
    const std::string written =
        rewrite({block, "SF 1 1 2", "LS 3", "LE", "SF 9 9 9", "LS 2", "LE", "CS 1", "LS 1", "CS", "LS 4"});
    EXPECT_EQ(written, std::string(block) + "SF 1 1 2\nLS 3\nLE\nCS\nLS 2\nLE\nCS 1\nLS 1\nCS\nLS 4\n");
    EXPECT_EQ(messages(), (std::vector<std::string>{"definition block not found (SF)",
                                                     "due to previous error, restart analyzing at this line (3 lines skipped)"}));
}

// A return can make a deleted instance current; once a later instance has
// taken its id, only the bare CI attaches a note to the deleted one.
TEST_F(WriterTest, NoteOnADeletedCurrentInstanceIsAttachedByTheBareRecord)
{
    const std::string written = rewrite({block, "SF 1 1 2", "NI 1 5", "NI 2 6", "CI 5", "ME 7 6", "DI 5", "NI 1 5",
                                         "MR 7", "NO \"late\"", "CI"});
    EXPECT_EQ(written, std::string(block) +
                           "SF 1 1 2\nNI 1 5\nNI 2 6\nCI 5\nME 7 6\nDI 5\nNI 1 5\nMR 7\nNO \"late\"\nCI\n");
    EXPECT_TRUE(messages().empty());
}

// A return that finds no message leaves its glyph free: the rewrite keeps
// the glyph, with a return that finds none either.
TEST_F(WriterTest, GlyphLeftFreeByAFailedReturnIsKept)
{
    const std::string written = rewrite({block, "SF 1 1 2", "NI 1 5", "GL 4 \"odd\"", "MR 8"});
    EXPECT_EQ(written, std::string(block) + "SF 1 1 2\nNI 1 5\nGL 4 \"odd\"\nMR 0\n");
    EXPECT_EQ(messages(), std::vector<std::string>{"can't found corresponding message for return."});
}


// An empty link of an object's own hides its static model's link, and an
// empty link given in a block is a link all the same: both are kept.
TEST_F(WriterTest, EmptyLinksAreKept)
{
    const std::string written = rewrite({"DB \"test\"", "ID 3 4", "SO \"model.xrd\" 0 \"xrd\"", "LK \"\"",
                                         "MS 1 \"remote\"", "ED", "SF 1 3 4", "LK \"\"", "ME 1 5"});
    EXPECT_EQ(written, "DB \"test\"\nID 3 4\nSO \"model.xrd\" 0 \"xrd\"\nLK \"\"\nMS 1 \"remote\"\nLK 0\nED\n"
                       "SF 1 3 4\nLK \"\"\nME 1 5\n");
    EXPECT_EQ(reader->messages.last()->value->link(), QString(""));
    EXPECT_TRUE(messages().empty());
}

}
