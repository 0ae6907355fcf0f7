// Inputs found by the fuzz targets under fuzz/, kept as regression cases.
//
// The trace cases read a trace, write back what the reader returned and
// read that again: the writer writes only what was read, so the second
// reading must not report an error that the first did not.

#include <resource_reader.h>
#include <tcf.h>
#include <tcf_loader.h>
#include <tdf.h>
#include <tdfwrt.h>

#include "error_recorder.h"

#include <qares.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Reading {
    std::string written;
    std::vector<std::string> errors;
};

class FuzzRegression : public testing::Test {
protected:
    FuzzRegression()
    {
        std::unique_ptr<QARes> resources(readResourceFile(TEST_DATA_DIR "/reader.tcf"));
        configurations.reset(readTCFFromResources(resources.get(), nullptr));
    }
    ~FuzzRegression() override { configurations->deleteConfigurations(); }

    Reading readAndWrite(const std::string& text, bool times)
    {
        const size_t reportsBefore = recorder.reports().size();
        Reading reading;
        std::ostringstream out;
        {
            TDF reader(configurations.get());
            TDFWriter writer(out);
            writer.writeTimes = times;
            std::istringstream lines(text);
            for (std::string line; std::getline(lines, line);) {
                line += '\n';
                TDF::ModelChangment change;
                TDFObject* object = reader.read(line.c_str(), nullptr, &change);
                writer.writeReadLine(reader, object);
            }
            writer.writeEnd(reader);
        }
        reading.written = out.str();
        for (size_t i = reportsBefore; i < recorder.reports().size(); ++i)
            if (recorder.reports()[i].severity == Error::ERROR)
                reading.errors.push_back(recorder.reports()[i].message.toStdString());
        return reading;
    }

    // The errors of reading the rewrite of `trace` that reading `trace`
    // itself did not report.
    std::vector<std::string> newErrorsOfRewrite(const std::string& trace, bool times = false)
    {
        const Reading first = readAndWrite(trace, times);
        const Reading second = readAndWrite(first.written, times);
        std::vector<std::string> added;
        for (const std::string& error : second.errors)
            if (std::find(first.errors.begin(), first.errors.end(), error) == first.errors.end())
                added.push_back(error + "\nrewrite:\n" + first.written);
        return added;
    }

    ErrorRecorder recorder;
    std::unique_ptr<TCFList> configurations;
};

// A message whose static id has no model is reported, but kept, and it
// brings its receiver into being. The writer wrote no such message and so
// lost the creation of the receiver, yet wrote the later records that name
// it (here DI 200; CI, SY, ME completions and others alike), which the
// reader then rejected. The message keeps the id it was read with.
TEST_F(FuzzRegression, UnwrittenMessageLeavesItsReceiverUncreated)
{
    const char* trace =
        "DB \"test\"\nID 1 2\nED\nSF 1 1 2\n"
        "ME 14 200\n"
        "DI 200 14\n";
    EXPECT_EQ(newErrorsOfRewrite(trace), std::vector<std::string>());
    EXPECT_EQ(newErrorsOfRewrite(trace, true), std::vector<std::string>());
}

// The style of an object without a static model (SY with a literal name,
// a free note) was written before its record without an SF when no other
// record had made a block current: the reader takes ST only with a current
// block. The original reads without any error.
TEST_F(FuzzRegression, StyleOfAnObjectWithoutModelNeedsABlock)
{
    for (const char* events : {"ST 1\nSY \"sync\" 10 11 12\n", "ST 1\nNO \"note\"\nCI 0\n"}) {
        SCOPED_TRACE(events);
        const std::string trace = std::string("DB \"test\"\nID 1 2\nED\nSF 1 1 2\n") + events;
        EXPECT_EQ(readAndWrite(trace, false).errors, std::vector<std::string>());
        EXPECT_EQ(newErrorsOfRewrite(trace), std::vector<std::string>());
    }
}

// A link id of a static object above the int range was written back as
// "LK -1", which the reader rejects.
TEST_F(FuzzRegression, LargeLinkIdOfAStaticObject)
{
    const char* block = "DB \"test\"\nID 6 2\nMS 7 \"ping\"\nLK ffffffffh\nTX 22 \"glyph text\"\nED\n";
    EXPECT_EQ(newErrorsOfRewrite(block), std::vector<std::string>());
    // The rewritten block is rejected, and with it every record that selects it.
    EXPECT_EQ(newErrorsOfRewrite(std::string(block) + "SF 1 6 2\nME 7 11\n"), std::vector<std::string>());
}

// Two blocks of one configuration with the same identification: a message
// of the first, selected by SF before the second was defined, was written
// after both blocks, where its SF found the second block, which lacks the
// message. The original reads without any error.
TEST_F(FuzzRegression, BlocksWithTheSameIdentification)
{
    const char* trace =
        "DB \"test\"\nID 5 6\nMS 1 \"remote\"\nED\n"
        "SF 2 5 6\n"
        "DB \"test\"\nID 5 6\nED\n"
        "ME 1 30\n";
    EXPECT_EQ(readAndWrite(trace, false).errors, std::vector<std::string>());
    EXPECT_EQ(newErrorsOfRewrite(trace), std::vector<std::string>());
}

// After a removal the time goes back (with TM, or with a time step that
// wraps around): SA counted the removed instance, whose removal lay in the
// future by its time, and SY written from it rejected the instance as
// destroyed or, when a new instance took its id, listed the id twice; with
// or without the times written.
TEST_F(FuzzRegression, SynchronisationAfterTimeWentBack)
{
    const std::string block = "DB \"test\"\nID 1 2\nIN \"Module\" 2 \"io\"\nMS 7 \"ping\"\nTX 20 \"label\"\nED\nSF 1 1 2\n";
    for (const char* events : {"TM 0\nNI 2 31\nTM 10\nDA\nTM 1\nSA 20\n",
                               "TS 4294967295 10\nME 7 11\nDI 11 7\nME 7 11\nSA 20\n"}) {
        SCOPED_TRACE(events);
        const std::string trace = block + events;
        EXPECT_EQ(newErrorsOfRewrite(trace), std::vector<std::string>());
        EXPECT_EQ(newErrorsOfRewrite(trace, true), std::vector<std::string>());
    }
}

// A glyph without text on the first message after the blocks was written
// before the SF that selects the message's block, and GL needs a block.
// The original reads without any error.
TEST_F(FuzzRegression, GlyphBeforeTheBlockOfItsMessage)
{
    const char* trace = "DB \"test\"\nID 1 2\nMS 7 \"ping\"\nED\nSF 1 1 2\nGL 5\nME 7 11\n";
    EXPECT_EQ(readAndWrite(trace, false).errors, std::vector<std::string>());
    EXPECT_EQ(newErrorsOfRewrite(trace), std::vector<std::string>());
}

// The same for a glyph without text that CI hands to an instance (or to
// none): it was written before any SF, and GL needs a block. The original
// reads without any error.
TEST_F(FuzzRegression, GlyphOfAnInstanceBeforeAnyBlock)
{
    const char* trace = "DB \"test\"\nID 1 2\nED\nSF 1 1 2\nGL 5\nCI 0\n";
    EXPECT_EQ(readAndWrite(trace, false).errors, std::vector<std::string>());
    EXPECT_EQ(newErrorsOfRewrite(trace), std::vector<std::string>());
}

}
