// A streaming reader frees what no later line can reach; it must read every
// trace exactly as the reader that keeps everything does. Every test trace
// and many made up at random are read both ways, and the two compared line
// by line: the reports, what each line handed out (with what that points
// at), the rewrite written from it and the counts at the end. Built with
// AddressSanitizer, a freed object that a later line still reaches shows
// up here as a use after free.

#include <resource_reader.h>
#include <tcf.h>
#include <tcf_loader.h>
#include <tdf.h>
#include <tdfwrt.h>

#include "error_recorder.h"
#include "random_trace.h"
#include "rewrite_reading.h"

#include <qares.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string text(const QString& value)
{
    return value.isNull() ? "(null)" : '"' + value.toStdString() + '"';
}

std::string instanceText(const TDFInstance* instance)
{
    if (!instance)
        return "-";
    return std::to_string(instance->id) + text(instance->name()) + (instance->deletion ? "+deleted" : "") + '#' +
           std::to_string(instance->occurrence) + (instance->model ? '@' + std::to_string(instance->model->id) : "");
}

std::string membersText(const TDFInstanceList* members)
{
    std::string result = "[";
    if (members)
        for (const TDFInstance* member : *members)
            result += instanceText(member) + ' ';
    return result + ']';
}

// What one line handed out, with what it points at: only what a client may
// use during that line.
std::string describe(TDFObject* object)
{
    if (!object)
        return "nothing";
    std::ostringstream out;
    out << object->type << ' ' << text(object->name()) << " t" << object->time << " link " << text(object->link());
    if (object->note)
        out << " note " << text(object->note->name());
    if (object->glyph)
        out << " glyph " << text(object->glyph->name());
    if (TDFInstance* instance = object->toInstance())
        out << " instance " << instanceText(instance);
    if (TDFMessage* message = object->toMessage())
        out << ' ' << instanceText(message->sender) << " -> " << instanceText(message->receiver) << " model "
            << message->staticId() << (message->call ? " called" : "");
    if (TDFMessageCall* call = object->toMessageCall())
        out << " call " << call->callId << " from " << instanceText(call->message->sender);
    if (TDFMessageReturn* messageReturn = object->toMessageReturn())
        out << " returns " << messageReturn->message->staticId() << " to " << instanceText(messageReturn->message->sender);
    if (TDFInstanceDelete* deletion = object->toInstanceDelete()) {
        out << " deletes " << instanceText(deletion->instance);
        if (const TDFMessageReturn* cause = deletion->messageReturn)
            out << " by return " << cause->message->staticId() << " t" << cause->time;
    }
    if (TDFInstanceDeleteAll* deleteAll = object->toInstanceDeleteAll())
        out << " deletes " << membersText(deleteAll->instances);
    if (TDFAction* action = object->toAction())
        out << " on " << instanceText(action->instance);
    if (TDFSynchronisation* synchronisation = object->toSynchronisation())
        out << " of " << membersText(synchronisation->instances);
    if (TDFNote* note = object->toNote())
        out << " owner " << (note->owner ? note->owner->type : -1);
    if (TDFGlyph* glyph = object->toGlyph())
        out << " owner " << (glyph->owner ? glyph->owner->type : -1);
    if (TDFLoopStart* loopStart = object->toLoopStart())
        out << " loop " << loopStart->loopId.toStdString() << " x" << loopStart->iterations << " on "
            << instanceText(loopStart->instance);
    if (TDFLoopEnd* loopEnd = object->toLoopEnd())
        out << " ends " << text(loopEnd->loopStart->name()) << " on " << instanceText(loopEnd->instance);
    return out.str();
}

struct Reading {
    std::vector<std::string> reports;
    std::vector<std::string> lines;  // what each line handed out
    std::string rewritten;
    std::string counts;
};

Reading readOneWay(TCFList* configurations, const std::string& trace, bool streaming, bool withTimes)
{
    Reading reading;
    ErrorRecorder recorder;
    TDF reader(configurations);
    reader.setStreaming(streaming);
    EXPECT_EQ(reader.isStreaming(), streaming);
    std::ostringstream out;
    TDFWriter writer(out);
    writer.writeTimes = withTimes;
    reader.setReleaseObserver([&writer](TDFObject* object) { writer.forgetReleased(object); });
    for (const std::string& line : traceLines(trace)) {
        TDF::ModelChangment change;
        TDFObject* object = reader.read(line.c_str(), nullptr, &change);
        reading.lines.push_back(describe(object) + " change " + std::to_string(change));
        writer.writeReadLine(reader, object);
    }
    reading.rewritten = out.str();
    for (const Report& report : recorder.reports())
        reading.reports.push_back(report.file.toStdString() + ':' + std::to_string(report.line) + ':' +
                                  std::to_string(report.severity) + ':' + report.message.toStdString());
    std::ostringstream counts;
    for (unsigned long long count : reader.appendedObjects)
        counts << count << ' ';
    counts << "| lines " << reader.lineNumber << " models " << reader.usedMessageModels << " threads "
           << reader.threads.count << " blocks " << reader.definitionBlocks->count;
    reading.counts = counts.str();
    return reading;
}

class Streaming : public testing::Test {
protected:
    Streaming()
    {
        for (const char* path :
             {TEST_DATA_DIR "/reader.tcf", TEST_DATA_DIR "/round_trip.tcf", EXAMPLES_DIR "/default.tcf"}) {
            std::unique_ptr<QARes> resources(readResourceFile(path));
            std::unique_ptr<TCFList> loaded(readTCFFromResources(resources.get(), nullptr));
            for (TCF* tcf : *loaded)
                configurations.append(tcf);
        }
    }
    ~Streaming() override { configurations.deleteConfigurations(); }

    // False (after failing) when the two readings part.
    bool expectSameReading(const std::string& trace, bool withTimes)
    {
        const Reading whole = readOneWay(&configurations, trace, false, withTimes);
        const Reading streamed = readOneWay(&configurations, trace, true, withTimes);
        EXPECT_EQ(streamed.reports, whole.reports);
        EXPECT_EQ(streamed.counts, whole.counts);
        for (size_t line = 0; line < whole.lines.size() && line < streamed.lines.size(); ++line) {
            if (streamed.lines[line] != whole.lines[line]) {
                ADD_FAILURE() << "line " << line + 1 << " hands out\n  streaming: " << streamed.lines[line]
                              << "\n  whole:     " << whole.lines[line] << "\ntrace:\n" << trace;
                return false;
            }
        }
        EXPECT_EQ(streamed.rewritten, whole.rewritten) << "trace:\n" << trace;
        return !testing::Test::HasFailure();
    }

    TCFList configurations;
};

TEST_F(Streaming, EveryTestTraceReadsAsTheWholeModelDoes)
{
    int traces = 0;
    for (const QString& folder : {QStringLiteral(TEST_DATA_DIR), QStringLiteral(EXAMPLES_DIR)}) {
        for (const QString& name : QDir(folder).entryList({QStringLiteral("*.tdf")}, QDir::Files, QDir::Name)) {
            QFile file(folder + '/' + name);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
            const std::string trace = file.readAll().toStdString();
            for (bool withTimes : {false, true}) {
                SCOPED_TRACE(name.toStdString() + (withTimes ? " with times" : ""));
                expectSameReading(trace, withTimes);
            }
            ++traces;
        }
    }
    EXPECT_GE(traces, 3);
}

TEST_F(Streaming, GeneratedTracesReadAsTheWholeModelDoes)
{
    for (unsigned seed = 1; seed <= 600; ++seed) {
        const std::string trace = randomTrace(seed, seed % 3 == 0 ? 600 : 160);
        SCOPED_TRACE("seed " + std::to_string(seed));
        if (!expectSameReading(trace, seed % 2 == 0))
            return;  // one made-up trace at a time is enough to read
    }
}

// A long trace whose live state stays small: instances made and deleted
// (some named again after their deletion, some deleted by a return), every
// message returned, notes, actions and loops. Streaming keeps the lists at
// the size of that state however long the trace runs.
TEST_F(Streaming, KeepsOnlyWhatLaterLinesCanReach)
{
    ErrorRecorder recorder;
    TDF reader(&configurations);
    reader.setStreaming(true);
    std::vector<std::string> lines = {"DB \"named\"", "ID 1 1", "IN \"Task\" 1 \"worker\"", "IN \"Named\" 2 \"unit\"",
                                      "MS 10 \"start\"", "MS 11 \"stop\"", "TX 20 \"busy\"", "ED", "SF 1 1 1",
                                      "NI 1 97", "NI 1 98", "NI 1 99"};
    for (unsigned long long id = 100; id < 4100; ++id) {
        const std::string self = std::to_string(id);
        const std::string older = std::to_string(id - 3);
        lines.insert(lines.end(), {"NI " + std::to_string(1 + id % 2) + ' ' + self, "ME 10 " + self, "NO \"look\"",
                                   "ME 11 " + older, "MR", "AC 20 " + self, "LS 2", "CI " + older, "LE", "MR 10"});
        // Deleted three ways: plainly, by the return just read, and named
        // again (which brings it back for the line) after the deletion.
        if (id % 3 == 0)
            lines.insert(lines.end(), {"DI " + older, "CI " + older, "AC 20 " + older, "CI " + self});
        else if (id % 3 == 1)
            lines.push_back("DI " + older + " 10");
        else
            lines.insert(lines.end(), {"DI " + older, "SY 20 " + self});
    }
    int largest = 0;
    for (const std::string& line : lines) {
        reader.read(line.c_str(), nullptr, nullptr);
        largest = std::max({largest, reader.objects.count, reader.instances.count, reader.instanceHash.count,
                            reader.messages.count + reader.messageReturns.count + reader.notes.count});
    }
    EXPECT_EQ(reader.appendedObjects[TDF_INSTANCE], 4003u);
    EXPECT_EQ(reader.appendedObjects[TDF_INSTANCE_DELETE], 4000u);
    EXPECT_LE(largest, 30);
    for (const Report& report : recorder.reports())
        ADD_FAILURE() << report.line << ": " << report.message.toStdString();
}

}
