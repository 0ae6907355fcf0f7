#include <tcf.h>
#include <tdf.h>
#include <tdf_factory.h>

#include "reader_fixture.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using Messages = std::vector<std::string>;

const std::string noteReplaced = "pending note while reading new one (ignore previous).";
const std::string glyphReplaced = "pending glyph while reading new one (ignore previous).";

// A loop start as "<id> #<occurrence> x<iterations> <name>", an end as
// "end <id of the loop it closes>".
std::string describe(TDFObject* object)
{
    if (TDFLoopStart* start = object ? object->toLoopStart() : nullptr)
        return QStringLiteral("%1 #%2 x%3 %4")
            .arg(start->loopId)
            .arg(start->occurrence)
            .arg(start->iterations)
            .arg(start->name())
            .toStdString();
    if (TDFLoopEnd* end = object ? object->toLoopEnd() : nullptr)
        return end->loopStart && end->loopStart->loopEnd == end ? "end " + end->loopStart->loopId.toStdString()
                                                                : "unlinked end";
    return "none";
}

class LoopTest : public ReaderTest {};
class NoteTest : public ReaderTest {};
class GlyphTest : public ReaderTest {};

TEST_F(LoopTest, NestedLoopsGetDottedIdsOccurrencesAndNames)
{
    selectTestBlock();
    std::vector<std::string> read;
    for (const char* text : {"LS 3\n", "LS 2\n", "LE\n", "LS 5\n", "LE\n", "LE\n", "LS 1\n", "LE\n"})
        read.push_back(describe(line(text)));
    EXPECT_EQ(read, (std::vector<std::string>{"1 #0 x3 loop 1 x3 #0", "1.1 #1 x2 loop 1.1 x2 #1", "end 1.1",
                                              "1.2 #2 x5 loop 1.2 x5 #2", "end 1.2", "end 1",
                                              "2 #3 x1 loop 2 x1 #3", "end 2"}));
    EXPECT_EQ(reader->loopIterations, std::vector<int>{3});
    EXPECT_EQ(reader->openLoops.count, 0);
    EXPECT_EQ(reader->loopStarts.count + reader->loopEnds.count, 8);
    EXPECT_EQ(messages(), Messages{});
}

// A loop's dotted id is the counters of the levels when it starts,
// outermost first: compared with those counters kept apart, over random
// nesting that goes deep and comes back, across a reset.
TEST_F(LoopTest, DottedIdsAreTheLevelCountersAtAnyDepth)
{
    std::mt19937 random(17);
    std::vector<int> levels{1};
    int mismatches = 0;
    int deepest = 0;
    for (int step = 0; step < 4000; ++step) {
        if (step == 2500) {
            reader->reset(true);
            levels.assign(1, 1);
        }
        // Mostly deeper in the first half, mostly out in the second.
        const bool start = int(random() % 100) < (step % 1000 < 600 ? 70 : 30);
        if (start) {
            QStringList expected;
            for (int level : levels)
                expected.append(QString::number(level));
            TDFObject* object = line("LS 2\n");
            ASSERT_NE(object, nullptr);
            mismatches += object->toLoopStart()->loopId != expected.join(QLatin1Char('.'));
            levels.push_back(1);
        } else if (levels.size() > 1) {
            ASSERT_NE(line("LE\n"), nullptr);
            levels.pop_back();
            ++levels.back();
        }
        deepest = std::max(deepest, int(levels.size()));
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(deepest, 50);
    EXPECT_EQ(messages(), Messages{});
}

TEST_F(LoopTest, FailingStartOrEndChangesNothing)
{
    EXPECT_EQ(lines({"LS x\n", "LE\n"}), nullptr);
    EXPECT_EQ(reader->loopCount, 0u);
    EXPECT_EQ(reader->loopIterations, std::vector<int>{1});
    EXPECT_EQ(reader->objects.count, 0);
    EXPECT_FALSE(reader->attachToLoopStart);

    // Without a block there is no configuration to name the loop.
    EXPECT_EQ(describe(line("LS 4\n")), "1 #0 x4 ");
    EXPECT_TRUE(reader->objects.last()->value->name().isNull());
    lines({"LE\n", "LE\n"});
    EXPECT_EQ(reader->loopEnds.count, 1);
    EXPECT_EQ(reader->loopIterations, std::vector<int>{2});
    EXPECT_EQ(messages(), (Messages{"missing iteration into loop start statement.",
                                    "can't found loop start for this end loop.",
                                    "can't found loop start for this end loop."}));
}

// Past the nesting limit an LS is reported and creates nothing, and the LE
// that ends it goes with it, silently: the LE after those closes the
// deepest loop kept. A reset forgets the dropped levels.
TEST_F(LoopTest, LoopsDeeperThanTheLimitAreDroppedWithTheirEnds)
{
    selectTestBlock();
    for (int level = 0; level < TDF::loopNestingLimit; ++level)
        ASSERT_NE(line("LS 2\n"), nullptr);
    TDFLoopStart* deepest = reader->openLoops.last()->value;
    line("ST 1\n");
    EXPECT_EQ(lines({"LS 3\n", "LS 4\n"}), nullptr);
    EXPECT_EQ(reader->loopCount, unsigned(TDF::loopNestingLimit));
    EXPECT_EQ(reader->objects.count, TDF::loopNestingLimit);
    EXPECT_NE(reader->pendingStyle, nullptr);

    EXPECT_EQ(lines({"LE\n", "LE\n"}), nullptr);
    TDFObject* end = line("LE\n");
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->toLoopEnd()->loopStart, deepest);
    EXPECT_EQ(reader->openLoops.count, TDF::loopNestingLimit - 1);
    const std::string tooDeep = "loop nested deeper than 1000 levels (ignored)";
    ASSERT_EQ(messages(), (Messages{tooDeep, tooDeep}));
    EXPECT_EQ(recorder.reports()[0].line, 10 + TDF::loopNestingLimit + 2);
    EXPECT_EQ(recorder.reports()[1].line, 10 + TDF::loopNestingLimit + 3);

    // Dropped again, then forgotten by the reset: the next LE ends a loop.
    ASSERT_NE(line("LS 5\n"), nullptr);
    EXPECT_EQ(line("LS 6\n"), nullptr);
    reader->reset(true);
    ASSERT_NE(line("LS 1\n"), nullptr);
    EXPECT_NE(line("LE\n"), nullptr);
    EXPECT_EQ(messages().size(), 3u);
}

TEST_F(LoopTest, FirstAndLastObjectsDecorationsAndTime)
{
    selectTestBlock();
    TDFInstance* worker = reader->factory()->newTDFInstance();
    reader->appendObject(worker);
    reader->currentInstance = worker;
    lines({"TM 10\n", "TS 1\n", "ST 1\n", "LK \"loop.c:1\"\n"});
    Style* style = reader->pendingStyle;
    bool changed = false;
    TDFObject* object = line("LS 2\n", &changed);
    ASSERT_NE(object, nullptr);
    TDFLoopStart* outer = object->toLoopStart();
    EXPECT_TRUE(changed);
    EXPECT_EQ(outer->instance, worker);
    EXPECT_EQ(outer->time, 10u);
    EXPECT_EQ(outer->givenStyle, style);
    EXPECT_EQ(outer->linkText, "loop.c:1");
    EXPECT_EQ(reader->pendingStyle, nullptr);
    EXPECT_EQ(outer->firstObject, nullptr);

    TDFObject* action = line("AC \"body\" 0\n");
    EXPECT_EQ(outer->firstObject, action);
    reader->currentInstance = nullptr;
    object = line("LE\n");
    ASSERT_NE(object, nullptr);
    TDFLoopEnd* end = object->toLoopEnd();
    EXPECT_EQ(end->lastObject, action);
    EXPECT_EQ(end->instance, nullptr);
    EXPECT_EQ(end->time, 12u);

    // A loop opened right inside another is that one's first object; an
    // empty loop's end is both its first object and after it.
    TDFObject* nesting = line("LS 2\n");
    TDFObject* empty = line("LS 1\n");
    TDFObject* emptyEnd = line("LE\n");
    ASSERT_TRUE(nesting && empty && emptyEnd);
    EXPECT_EQ(nesting->toLoopStart()->firstObject, empty);
    EXPECT_EQ(empty->toLoopStart()->firstObject, emptyEnd);
    EXPECT_EQ(emptyEnd->toLoopEnd()->lastObject, empty);
}

TEST_F(NoteTest, TextNoteWaitsWithItsDecorations)
{
    selectTestBlock();
    lines({"TM 20\n", "TS 3\n", "ST 1\n", "LK \"n.c:4\"\n"});
    Style* style = reader->pendingStyle;
    EXPECT_EQ(line("NO \"hello world\"\n"), nullptr);
    TDFNote* note = reader->pendingNote;
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->name(), "hello world");
    EXPECT_EQ(note->model, nullptr);
    EXPECT_EQ(note->givenStyle, style);
    EXPECT_EQ(note->linkText, "n.c:4");
    EXPECT_EQ(note->time, 20u);
    EXPECT_EQ(reader->currentTime, 23u);
    EXPECT_EQ(reader->pendingStyle, nullptr);
    EXPECT_TRUE(reader->pendingLink.isNull());
    // It joins the trace only with the event that takes it.
    EXPECT_EQ(reader->objects.count, 0);
}

TEST_F(NoteTest, CodecNamesTheEncodingOfTheText)
{
    EXPECT_TRUE(reader->readNO("\"ISO-8859-1\" \"caf\xe9\""));
    ASSERT_NE(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->pendingNote->name(), QString::fromUtf8("caf\u00e9"));
    EXPECT_EQ(reader->textCodec, nullptr);

    // The second byte of this katakana is a backslash in ASCII, not an escape.
    line("NO \"Shift-JIS\" \"\x83\x5c\x83\x93\"\n");
    ASSERT_NE(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->pendingNote->name(), QString::fromUtf8("\u30bd\u30f3"));

    // A codec name alone, or with an empty text, is the note's text.
    line("NO \"UTF-8\"\n");
    ASSERT_NE(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->pendingNote->name(), "UTF-8");
    line("NO \"ISO-8859-1\" \"\"\n");
    ASSERT_NE(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->pendingNote->name(), "ISO-8859-1");

    EXPECT_FALSE(reader->readNO("\"no-such-codec\" \"x\"\n"));
    EXPECT_EQ(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->textCodec, nullptr);
    EXPECT_EQ(messages(), (Messages{noteReplaced, noteReplaced, noteReplaced, noteReplaced,
                                    "Unknown text codec 'no-such-codec'"}));
}

TEST_F(NoteTest, StaticTextForm)
{
    EXPECT_FALSE(reader->readNO("9\n"));
    selectTestBlock();
    EXPECT_TRUE(reader->readNO("9\n"));
    ASSERT_NE(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->pendingNote->model, reader->currentBlock->getTextFromId(9));
    EXPECT_TRUE(reader->pendingNote->nameText.isNull());
    line("NO 9 \"more\"\n");
    ASSERT_NE(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->pendingNote->name(), "label more");

    EXPECT_FALSE(reader->readNO("99 \"x\"\n"));
    EXPECT_FALSE(reader->readNO("x\n"));
    EXPECT_EQ(reader->pendingNote, nullptr);
    EXPECT_EQ(messages(), (Messages{"can't retrieve text, no definition block set.", noteReplaced, noteReplaced,
                                    "can't retrieve static text."}));
}

// At most one annotation waits: each new one drops the one pending, with a
// warning, even when the new one then fails.
TEST_F(GlyphTest, NewNoteOrGlyphReplacesThePendingAnnotation)
{
    selectTestBlock();
    lines({"NO \"a\"\n", "NO \"b\"\n"});
    ASSERT_NE(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->pendingNote->name(), "b");
    line("GL 4\n");
    EXPECT_EQ(reader->pendingNote, nullptr);
    line("GL 5\n");
    ASSERT_NE(reader->pendingGlyph, nullptr);
    EXPECT_EQ(reader->pendingGlyph->definition, reader->tcf->glyph(5));
    line("NO \"c\"\n");
    EXPECT_EQ(reader->pendingGlyph, nullptr);
    EXPECT_NE(reader->pendingNote, nullptr);
    lines({"GL x\n", "GL 5\n", "NO x\n"});
    EXPECT_EQ(reader->pendingNote, nullptr);
    EXPECT_EQ(reader->pendingGlyph, nullptr);
    EXPECT_EQ(reader->objects.count, 0);
    EXPECT_EQ(messages(), (Messages{noteReplaced, "pending note while reading glyph (ignore note).", glyphReplaced,
                                    "pending glyph while reading note (ignore glyph).",
                                    "pending note while reading glyph (ignore note).", "glyph id must be a number.",
                                    "pending glyph while reading note (ignore glyph)."}));
}

TEST_F(GlyphTest, FormsTakeTheLinkButNotTheStyle)
{
    selectTestBlock();
    lines({"TM 30\n", "ST 1\n", "LK \"g.c:2\"\n"});
    EXPECT_TRUE(reader->readGL("4\n"));
    TDFGlyph* glyph = reader->pendingGlyph;
    ASSERT_NE(glyph, nullptr);
    EXPECT_EQ(glyph->definition, reader->tcf->glyph(4));
    EXPECT_EQ(glyph->model, nullptr);
    EXPECT_TRUE(glyph->name().isNull());
    EXPECT_EQ(glyph->givenStyle, nullptr);
    EXPECT_EQ(glyph->linkText, "g.c:2");
    EXPECT_EQ(glyph->time, 30u);
    EXPECT_EQ(reader->pendingStyle, nullptr);
    EXPECT_TRUE(reader->pendingLink.isNull());

    line("GL 5 9 \"why\"\n");
    ASSERT_NE(reader->pendingGlyph, nullptr);
    EXPECT_EQ(reader->pendingGlyph->model, reader->currentBlock->getTextFromId(9));
    EXPECT_EQ(reader->pendingGlyph->name(), "label why");
    reader->readGL("5 \"only\"\n");
    ASSERT_NE(reader->pendingGlyph, nullptr);
    EXPECT_EQ(reader->pendingGlyph->model, nullptr);
    EXPECT_EQ(reader->pendingGlyph->name(), "only");
    EXPECT_EQ(messages(), (Messages{glyphReplaced, glyphReplaced}));
}

TEST_F(GlyphTest, Reports)
{
    EXPECT_FALSE(reader->readGL("4\n"));
    selectTestBlock();
    for (const char* rejected : {"x\n", "6\n", "4 99\n"})
        EXPECT_FALSE(reader->readGL(rejected)) << rejected;
    TDFDefinitionBlock unconfigured;
    reader->currentBlock = &unconfigured;
    EXPECT_FALSE(reader->readGL("4\n"));
    reader->currentBlock = nullptr;
    EXPECT_EQ(reader->pendingGlyph, nullptr);
    EXPECT_EQ(messages(), (Messages{"no definition block set.", "glyph id must be a number.",
                                    "can't retrieve glyph model", "can't retrieve static text.",
                                    "definition block without tcf"}));
}

}
