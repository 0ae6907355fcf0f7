// A streaming reader frees what no later line can reach; it must read every
// trace exactly as the reader that keeps everything does. Every test trace
// and many made up at random are read both ways, and the two compared line
// by line: the reports, what each line handed out (with what that points
// at), the rewrite written from it and the counts at the end. Built with
// AddressSanitizer, a freed object that a later line still reaches shows
// up here as a use after free.

#include <tcf.h>
#include <tdf.h>

#include "error_recorder.h"
#include "random_trace.h"
#include "rewrite_reading.h"
#include "streaming_reading.h"
#include "test_traces.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The reports of one reading, compiler style with their severity.
std::vector<std::string> reportsOf(const ErrorRecorder& recorder)
{
    std::vector<std::string> reports;
    for (const Report& report : recorder.reports())
        reports.push_back(report.file.toStdString() + ':' + std::to_string(report.line) + ':' +
                          std::to_string(report.severity) + ':' + report.message.toStdString());
    return reports;
}

class Streaming : public testing::Test {
protected:
    Streaming() { loadTestConfigurations(configurations); }
    ~Streaming() override { configurations.deleteConfigurations(); }

    // False (after failing) when the two readings part.
    bool expectSameReading(const std::string& trace, bool withTimes)
    {
        std::vector<std::string> reports[2];
        LineByLineReading readings[2];
        for (bool streaming : {false, true}) {
            ErrorRecorder recorder;
            readings[streaming] = readLineByLine(&configurations, trace, streaming, withTimes);
            reports[streaming] = reportsOf(recorder);
        }
        EXPECT_EQ(reports[true], reports[false]);
        EXPECT_EQ(firstReadingDifference(readings[false], readings[true]), "") << "trace:\n" << trace;
        EXPECT_EQ(readings[true].counts, readings[false].counts) << "trace:\n" << trace;
        return !testing::Test::HasFailure();
    }

    TCFList configurations;
};

TEST_F(Streaming, EveryTestTraceReadsAsTheWholeModelDoes)
{
    const auto traces = testTraces();
    for (const auto& [name, trace] : traces) {
        for (bool withTimes : {false, true}) {
            SCOPED_TRACE(name + (withTimes ? " with times" : ""));
            expectSameReading(trace, withTimes);
        }
    }
    EXPECT_GE(traces.size(), 3u);
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

// Messages that no return takes while they are among the newest of their
// thread and block are kept in a compact form; a return brings one back
// as it was read, whatever it carries: sender, receiver, model, time, heap
// size, thread and count of models used, beside messages kept whole (with
// a name, link, style, note or call).
TEST_F(Streaming, OldOpenMessagesComeBackAsTheyWereReadWhenReturned)
{
    std::string trace = "DB \"named\"\nID 1 1\nIN \"Task\" 1 \"worker\"\nIN \"Named\" 2 \"unit\"\n"
                        "MS 10 \"start\"\nMS 11 \"stop\"\nMS 12 \"poll\"\nED\nSF 1 1 1\nTI 1 1 10 \"main\"\n"
                        "NI 1 1\nNI 2 2\nNI 1 3\nTS 2\n";
    for (int i = 0; i < 300; ++i) {
        const std::string id = std::to_string(10 + i % 3);
        trace += "HS " + std::to_string(4096 + 16 * i) + "\n";
        if (i % 50 == 25)
            trace += "TI " + std::to_string(2 + i % 2) + " 1 10 \"other\"\n";
        if (i % 7 == 3)
            trace += "LK \"src.c:" + std::to_string(i) + "\"\n";
        if (i % 11 == 5)
            trace += "NO \"look\"\n";
        if (i % 13 == 6)
            trace += "ST 2\n";
        if (i % 17 == 8)
            trace += "MC " + std::to_string(i) + ' ' + id + "\nME " + id + " 2 " + std::to_string(i) + '\n';
        else
            trace += "ME " + id + ' ' + std::to_string(1 + i % 3) + (i % 19 == 9 ? " \"named\"\n" : "\n");
        trace += "CI " + std::to_string(1 + i % 2) + '\n';
    }
    // Returns of the newest, of the oldest by their model, on each thread.
    for (int i = 0; i < 120; ++i) {
        if (i % 40 == 0)
            trace += "TI " + std::to_string(1 + i / 40 % 3) + " 1 10\n";
        trace += i % 3 == 0 ? "MR\n" : "MR " + std::to_string(10 + i % 3) + '\n';
    }
    for (bool withTimes : {false, true})
        expectSameReading(trace, withTimes);
}

// A streamed activation record keeps whether a bar is open (the parity of
// its count), not the events it would point at. Read in step with the
// whole model, every instance the streaming reader still has shows the
// same parity and nesting level.
TEST_F(Streaming, ActivationRecordsKeepWhetherABarIsOpenAndTheLevel)
{
    ErrorRecorder recorder;  // the made-up traces report problems on purpose
    int compared = 0;
    for (unsigned seed = 1; seed <= 150; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TDF whole(&configurations);
        TDF streamed(&configurations);
        streamed.setStreaming(true);
        int lineNumber = 0;
        for (const std::string& line : traceLines(randomTrace(seed, 300))) {
            ++lineNumber;
            whole.read(line.c_str(), nullptr, nullptr);
            streamed.read(line.c_str(), nullptr, nullptr);
            for (const TDFInstance* instance : streamed.instances) {
                // One that came back by its id after it was freed starts afresh.
                if (!instance->objectNode || streamed.instanceHash.search(instance->id) != instance)
                    continue;
                const TDFInstance* counterpart = whole.instanceHash.search(instance->id);
                ASSERT_NE(counterpart, nullptr) << "line " << lineNumber;
                ASSERT_EQ(instance->activations != nullptr, counterpart->activations != nullptr)
                    << "line " << lineNumber << ", instance " << instance->id;
                if (instance->activations) {
                    ASSERT_EQ(instance->activations->count % 2, counterpart->activations->count % 2)
                        << "line " << lineNumber << ", instance " << instance->id;
                }
                ASSERT_EQ(instance->activationLevel, counterpart->activationLevel)
                    << "line " << lineNumber << ", instance " << instance->id;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 10000) << compared;
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

// An instance counts the kept events that name it in a small counter and
// the reader the rest: the instance goes only after the last of them.
TEST_F(Streaming, AnInstanceNamedByMoreEventsThanItsCounterHoldsGoesAfterTheLast)
{
    ErrorRecorder recorder;
    TDF reader(&configurations);
    reader.setStreaming(true);
    for (const char* line : {"DB \"named\"", "ID 1 1", "IN \"Task\" 1 \"a\"", "MS 10 \"call\"", "ED", "SF 1 1 1",
                             "NI 1 100", "NI 1 200"})
        reader.read(line, nullptr, nullptr);
    const int messages = 70000;
    for (int i = 0; i < messages; ++i) {
        reader.read("CI 100", nullptr, nullptr);
        reader.read("ME 10 200", nullptr, nullptr);
    }
    reader.read("DI 100", nullptr, nullptr);
    int keptUntil = 0;
    for (int i = 0; i < messages; ++i) {
        // A return makes the sender current; the next line moves away.
        reader.read("MR 10", nullptr, nullptr);
        reader.read("CI 200", nullptr, nullptr);
        reader.read("CI 200", nullptr, nullptr);
        if (reader.instances.count == 2)
            keptUntil = i + 1;
    }
    EXPECT_EQ(keptUntil, messages - 1);
    EXPECT_EQ(reader.instances.count, 1);
    EXPECT_EQ(reader.messages.count, 0);
    EXPECT_TRUE(recorder.reports().empty());
}

}
