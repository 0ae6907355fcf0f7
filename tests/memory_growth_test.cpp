// How the memory a reader holds grows with its trace. For every construct
// that nests or accumulates, a trace with four times as many of it may make
// the reader hold about four times as much at its peak, never the square:
// whole-model reading keeps everything, streaming what the trace keeps
// alive. The bytes are counted at the C allocator (held_memory.h), so Qt's
// strings are in them.

#include <resource_reader.h>
#include <tcf.h>
#include <tcf_loader.h>
#include <tdf.h>

#include "error_recorder.h"
#include "held_memory.h"

#include <qares.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t megabyte = std::size_t(1) << 20;
// A reading that holds more stops there: a trace whose memory grows with
// the square of its length must fail the test, not take the machine.
constexpr std::size_t budget = 128 * megabyte;
// peak(4n) <= allowedGrowth * peak(n) + slack: linear growth with room to
// spare, where the square gives 16 times. The slack covers what grows in
// steps rather than by the byte: the pools' slabs and their 2 MB chunks,
// hash tables that double.
constexpr std::size_t allowedGrowth = 6;
constexpr std::size_t slack = 4 * megabyte;

std::string number(long long value)
{
    return std::to_string(value);
}

std::string repeated(long long count, const std::string& lines)
{
    std::string text;
    text.reserve(size_t(count) * lines.size());
    for (long long i = 0; i < count; ++i)
        text += lines;
    return text;
}

// A block of "test" (tests/data/reader.tcf) with static instances 1 and 2,
// message 7 and text 9, selected, and instances 1 and 2 alive with 1
// current.
const std::string blockHead =
    "DB \"test\"\nID 1 2\nIN \"Task\" 1 \"Sensor\"\nIN \"Task\" 2 \"Actor\"\nMS 7 \"ping\"\nTX 9 \"label\"\nED\n"
    "SF 1 1 2\nNI 1 1\nNI 2 2\nCI 1\n";

// Each construct as a trace of `count` of it.
std::string nestedLoops(long long count)
{
    return blockHead + repeated(count, "LS 2\n") + repeated(count, "LE\n");
}

// Each message goes to a new instance, which sends the next one.
std::string nestedMessages(long long count)
{
    std::string text = blockHead;
    for (long long i = 0; i < count; ++i)
        text += "ME 7 " + number(100 + i) + "\n";
    return text + repeated(count, "MR 7\n");
}

std::string calls(long long count)
{
    std::string text = blockHead;
    for (long long i = 1; i <= count; ++i)
        text += "MC " + number(i) + " 7\nME 7 2 " + number(i) + "\nMR 7\n";
    return text;
}

std::string openMessages(long long count)
{
    return blockHead + repeated(count, "ME 7 2\nCI 1\n");
}

// The same pair of instances: the receiver's control flow goes in and out.
std::string activations(long long count)
{
    return blockHead + repeated(count, "ME 7 2\nMR 7\n");
}

std::string nestedActionBlocks(long long count)
{
    return blockHead + repeated(count, "BA \"work\" 1\nME 7 2\n") + repeated(count, "EA\n");
}

std::string actionsAndSynchronisations(long long count)
{
    return blockHead + repeated(count, "AC 9 1\nAC \"step\" 2\nSY \"meet\" 1 2\nSA 9\n");
}

// Ids spread out, as addresses or handles would be.
// Every instance a synchronisation of all lists is alive at the next one.
std::string synchronisationsOfAll(long long count)
{
    std::string text = blockHead;
    for (long long i = 0; i < count; ++i)
        text += "NI 1 " + number(1000 + i) + "\nSA 9\n";
    return text;
}

std::string deletionsOfAll(long long count)
{
    std::string text = blockHead;
    for (long long i = 0; i < count; ++i)
        text += "NI 1 " + number(1000 + i) + "\nNI 2 " + number(1000000 + i) + "\nDA\n";
    return text;
}

std::string liveInstances(long long count)
{
    std::string text = blockHead;
    for (long long i = 0; i < count; ++i)
        text += "NI " + number(1 + i % 2) + " " + number(1000 + i * 7919) + "\n";
    return text;
}

std::string deletedInstances(long long count)
{
    std::string text = blockHead;
    for (long long i = 0; i < count; ++i)
        text += "NI 1 " + number(1000 + i) + "\nME 7 " + number(1000 + i) + "\nMR 7\nDI " + number(1000 + i) + "\n";
    return text;
}

// Forty static instances and forty notes whose texts are `count`
// characters long (a line holds at most 63999 bytes).
std::string longNames(long long count)
{
    const std::string name(size_t(count), 'n');
    std::string text = "DB \"test\"\nID 1 2\nMS 7 \"ping\"\n";
    for (int i = 10; i < 50; ++i)
        text += "IN \"Task\" " + number(i) + " \"" + name + "\"\n";
    text += "ED\nSF 1 1 2\nNI 10 1\nNI 11 2\nCI 1\n";
    return text + repeated(40, "NO \"" + name + "\"\nME 7 2\nMR 7\n");
}

std::string manyNames(long long count)
{
    std::string text = "DB \"test\"\nID 1 2\nMS 7 \"ping\"\n";
    for (long long i = 10; i < count + 10; ++i)
        text += "IN \"Named\" " + number(i) + " \"part number " + number(i) + "\"\n";
    text += "ED\nSF 1 1 2\n";
    for (long long i = 10; i < count + 10; ++i)
        text += "NI " + number(i) + " " + number(i) + "\n";
    return text;
}

std::string definitionBlocks(long long count)
{
    std::string text;
    for (long long i = 1; i <= count; ++i)
        text += "DB \"test\"\nID " + number(i) + " 7\nIN \"Task\" 1 \"part\"\nMS 7 \"ping\"\nTX 9 \"label\"\nED\n";
    for (long long i = 1; i <= count; ++i)
        text += "SF " + number(i) + " " + number(i) + " 7\nNI 1 " + number(i) + "\nCS " + number(i) + "\n";
    return text;
}

std::string blockBindings(long long count)
{
    std::string text = blockHead;
    for (long long i = 2; i <= count + 1; ++i)
        text += "SF " + number(i) + " 1 2\n";
    return text;
}

// Notes and glyphs on messages, returns and instances, and free ones.
std::string notesAndGlyphs(long long count)
{
    std::string text = blockHead;
    for (long long i = 0; i < count; ++i)
        text += "NO \"note " + number(i) + "\"\nME 7 2\nGL 4 9 \"mark\"\nMR 7\nNO \"on the sensor\"\nCI 1\n"
                "NO 9\nCI 0\nGL 5\nCI 0\nCI 1\n";
    return text;
}

std::string threadRecords(long long count)
{
    std::string text = blockHead;
    for (long long i = 0; i < count; ++i)
        text += "TI " + number(1 + i % 8) + " " + number(1 + i % 3) + " 10 \"thread\"\nME 7 2\nMR 7\n";
    return text;
}

struct Construct {
    const char* name;
    std::string (*trace)(long long count);
    long long count;  // n: enough that fixed costs don't hide the growth
    // A reader may refuse what goes beyond a limit of its own.
    bool mayReportErrors;
    // Why the whole model grows faster, by what it must keep: that reading
    // is then only measured and shown. Null for most.
    const char* wholeModelGrowsFaster = nullptr;
};

// A loop's dotted id grows with its depth, and the open loops keep theirs:
// without a limit on the nesting, 4000 levels hold 16 times what 1000 do.
const Construct constructs[] = {
    {"NestedLoops", nestedLoops, 1000, true},
    {"NestedMessages", nestedMessages, 10000, false},
    {"Calls", calls, 10000, false},
    {"OpenMessages", openMessages, 20000, false},
    {"Activations", activations, 20000, false},
    {"NestedActionBlocks", nestedActionBlocks, 20000, false},
    {"ActionsAndSynchronisations", actionsAndSynchronisations, 10000, false},
    {"SynchronisationsOfAll", synchronisationsOfAll, 500, false,
     "each synchronisation lists every live instance: n instances and n SA lines make n * n / 2 members"},
    {"DeletionsOfAll", deletionsOfAll, 10000, false},
    {"LiveInstances", liveInstances, 20000, false},
    {"DeletedInstances", deletedInstances, 10000, false},
    {"LongNames", longNames, 12000, false},
    {"ManyNames", manyNames, 20000, false},
    {"DefinitionBlocks", definitionBlocks, 5000, false},
    {"BlockBindings", blockBindings, 20000, false},
    {"NotesAndGlyphs", notesAndGlyphs, 5000, false},
    {"ThreadRecords", threadRecords, 10000, false},
};

struct Reading {
    std::size_t peakBytes = 0;  // above what was held before the reader was made
    bool stopped = false;       // held more than the budget
    unsigned long long lines = 0;
    size_t errors = 0;
    std::string firstError;
};

// Reads traces over the configurations of tests/data/reader.tcf and counts
// what the reader holds.
class ReaderMemory : public testing::Test {
protected:
    ReaderMemory()
    {
        bool ok = false;
        std::unique_ptr<QARes> resources(readResourceFile(TEST_DATA_DIR "/reader.tcf", &ok));
        EXPECT_TRUE(ok);
        configurations.reset(readTCFFromResources(resources.get(), nullptr));
        line.resize(TDF::lineBufferSize);
    }
    ~ReaderMemory() override { configurations->deleteConfigurations(); }

    // Reads the trace line by line, as a client that looks at each line's
    // object and lets it go.
    Reading read(const std::string& trace, bool streaming)
    {
        const size_t reportsBefore = recorder.reports().size();
        Reading reading;
        const std::size_t before = heldBytes();
        restartPeak();
        {
            TDF reader(configurations.get());
            reader.setStreaming(streaming);
            for (size_t start = 0; start < trace.size();) {
                const size_t end = trace.find('\n', start) + 1;
                if (end - start >= line.size()) {
                    ADD_FAILURE() << "line " << reading.lines + 1 << " of the generated trace is too long";
                    break;
                }
                std::memcpy(line.data(), trace.data() + start, end - start);
                line[end - start] = '\0';
                start = end;
                reader.read(line.data(), nullptr, nullptr);
                ++reading.lines;
                if (heldBytes() > before + budget) {
                    reading.stopped = true;
                    break;
                }
            }
            reading.peakBytes = peakHeldBytes() - before;
        }
        for (size_t i = reportsBefore; i < recorder.reports().size(); ++i) {
            const Report& report = recorder.reports()[i];
            if (report.severity != Error::ERROR)
                continue;
            if (reading.errors++ == 0)
                reading.firstError = std::to_string(report.line) + ": " + report.message.toStdString();
        }
        return reading;
    }

    ErrorRecorder recorder;
    std::unique_ptr<TCFList> configurations;
    std::vector<char> line;
};

// Names the construct in a test's description.
void PrintTo(const Construct& construct, std::ostream* out)
{
    *out << construct.name;
}

class MemoryGrowth : public ReaderMemory, public testing::WithParamInterface<Construct> {};

std::string figures(const Reading& reading)
{
    return std::to_string(reading.peakBytes) + " bytes after " + std::to_string(reading.lines) + " lines" +
           (reading.stopped ? " (stopped: over the budget)" : "");
}

TEST_P(MemoryGrowth, FourTimesTheTraceHoldsAboutFourTimesTheMemory)
{
    const Construct& construct = GetParam();
    const std::string small = construct.trace(construct.count);
    const std::string large = construct.trace(4 * construct.count);
    for (const bool streaming : {true, false}) {
        SCOPED_TRACE(streaming ? "streaming" : "whole model");
        const Reading n = read(small, streaming);
        const Reading fourN = read(large, streaming);
        std::printf("%-28s %-11s n = %-6lld %10zu bytes, 4n: %10zu bytes (x%.1f)\n", construct.name,
                    streaming ? "streaming" : "whole model", construct.count, n.peakBytes, fourN.peakBytes,
                    double(fourN.peakBytes) / double(n.peakBytes ? n.peakBytes : 1));
        if (!streaming && construct.wholeModelGrowsFaster)
            GTEST_SKIP() << "whole model: " << construct.wholeModelGrowsFaster << "; n = " << construct.count
                         << ": " << figures(n) << "; 4n: " << figures(fourN);
        if (!construct.mayReportErrors) {
            EXPECT_EQ(n.errors, 0u) << "the generated trace is not clean: " << n.firstError;
            EXPECT_EQ(fourN.errors, 0u) << "the generated trace is not clean: " << fourN.firstError;
        }
        EXPECT_FALSE(n.stopped) << figures(n);
        EXPECT_FALSE(fourN.stopped) << figures(fourN);
        EXPECT_LE(fourN.peakBytes, allowedGrowth * n.peakBytes + slack)
            << "n = " << construct.count << ": " << figures(n) << "; 4n: " << figures(fourN);
    }
}

INSTANTIATE_TEST_SUITE_P(Constructs, MemoryGrowth, testing::ValuesIn(constructs),
                         [](const testing::TestParamInfo<Construct>& info) { return std::string(info.param.name); });

// 100,000 nested loops (a file of 500 KB) took gigabytes and ended every
// reading with std::bad_alloc.
TEST_F(ReaderMemory, HundredThousandNestedLoopsStayWithinTheBudget)
{
    const std::string trace = nestedLoops(100000);
    for (const bool streaming : {false, true}) {
        SCOPED_TRACE(streaming ? "streaming" : "whole model");
        const Reading reading = read(trace, streaming);
        EXPECT_FALSE(reading.stopped) << figures(reading);
    }
}

}
