// The event store is built from what each line made, in the streaming
// reading as in the whole one. Two independent paths are compared: the
// store a streaming reader gives against the one a whole-model reader
// gives (where a row found through a freed, reused or remade object
// would part), and the rows of the whole reading against the objects of
// the whole model they stand for, looked at just before a new trace frees
// them: kinds, times, counts, returns and durations, creations and
// deletions, loop ends, the owners of notes and glyphs.

#include <tcf.h>
#include <tdf_objects.h>

#include "error_recorder.h"
#include "random_trace.h"
#include "store_reading.h"
#include "test_traces.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

class EventStoreTest : public testing::Test {
protected:
    EventStoreTest() { loadTestConfigurations(configurations); }
    ~EventStoreTest() override { configurations.deleteConfigurations(); }

    // False (after failing) when the two stores part.
    bool expectSameStore(const std::string& trace)
    {
        const StoreReading whole = readStore(&configurations, trace, false);
        const StoreReading streamed = readStore(&configurations, trace, true);
        EXPECT_EQ(firstStoreDifference(whole.store, streamed.store), "") << "trace:\n" << trace;
        return !testing::Test::HasFailure();
    }

    // False (after failing) when a row of the whole reading says other
    // than the object it stands for.
    bool expectRowsOfTheModel(const std::string& trace)
    {
        const StoreReading reading = readStore(&configurations, trace, false);
        const store::EventStore& store = reading.store;
        std::map<std::int64_t, const store::MessageRow*> messages;
        for (const store::MessageRow& row : store.messages)
            messages[row.event] = &row;
        std::map<std::int64_t, const store::InstanceRow*> instances;  // by creation
        for (const store::InstanceRow& row : store.instances)
            instances[row.created] = &row;
        std::map<std::int64_t, const store::LoopRow*> loops;
        for (const store::LoopRow& row : store.loops)
            loops[row.startEvent] = &row;
        const auto event = [](std::int64_t offset, long long position) {
            return position < 0 ? store::none : offset + position;
        };

        std::int64_t offset = 0;
        for (size_t trace = 0; trace < reading.sections.size(); ++trace) {
            SCOPED_TRACE("trace " + std::to_string(trace));
            const ModelSection& section = reading.sections[trace];
            std::array<unsigned long long, 19> counted{};
            for (size_t i = 0; i < section.kinds.size(); ++i) {
                const std::int64_t id = offset + static_cast<std::int64_t>(i);
                if (static_cast<size_t>(id) >= store.eventCount()) {
                    ADD_FAILURE() << "the store ends at event " << id;
                    return false;
                }
                SCOPED_TRACE("event " + std::to_string(id));
                const size_t row = static_cast<size_t>(id);
                EXPECT_EQ(store.events.kind[row], section.kinds[i]);
                // An NI that gives an instance its model stamps it anew; its
                // event keeps the time it came into being.
                if (section.kinds[i] != TDF_INSTANCE) {
                    EXPECT_EQ(store.events.time[row], section.times[i]);
                }
                EXPECT_EQ(store.events.trace[row], static_cast<std::int32_t>(trace));
                ++counted[store.events.kind[row]];
                switch (section.kinds[i]) {
                case TDF_MESSAGE: {
                    const auto found = messages.find(id);
                    if (found == messages.end()) {
                        ADD_FAILURE() << "no message row";
                        break;
                    }
                    const store::MessageRow& message = *found->second;
                    EXPECT_EQ(message.returnEvent, event(offset, section.returns[i]));
                    // A message and its return are each other's partners.
                    if (message.returnEvent != store::none) {
                        EXPECT_EQ(store.events.partner[row], message.returnEvent);
                        EXPECT_EQ(store.events.partner[static_cast<size_t>(message.returnEvent)], id);
                    }
                    if (section.returns[i] >= 0) {
                        EXPECT_EQ(message.returned - message.sent,
                                  section.times[static_cast<size_t>(section.returns[i])] - section.times[i]);
                    }
                    break;
                }
                case TDF_INSTANCE: {
                    const auto found = instances.find(id);
                    if (found == instances.end()) {
                        ADD_FAILURE() << "no instance row";
                        break;
                    }
                    EXPECT_EQ(found->second->deleted, event(offset, section.deletions[i]));
                    EXPECT_EQ(found->second->dynamicId, section.dynamicIds[i]);
                    EXPECT_EQ(store.events.instance[row], found->second->id);
                    break;
                }
                case TDF_LOOP_START: {
                    const auto found = loops.find(id);
                    if (found == loops.end()) {
                        ADD_FAILURE() << "no loop row";
                    } else {
                        EXPECT_EQ(found->second->endEvent, event(offset, section.loopEnds[i]));
                        if (found->second->endEvent != store::none) {
                            EXPECT_EQ(store.events.partner[static_cast<size_t>(found->second->endEvent)], id);
                        }
                    }
                    break;
                }
                case TDF_NOTE:
                case TDF_GLYPH:
                    // An instance's note names the instance's creation.
                    if (section.owners[i] >= 0 &&
                        section.kinds[static_cast<size_t>(section.owners[i])] != TDF_INSTANCE) {
                        EXPECT_EQ(store.events.owner[row], event(offset, section.owners[i]));
                    }
                    break;
                default: break;
                }
            }
            EXPECT_EQ(counted, section.appended);
            offset += static_cast<std::int64_t>(section.kinds.size());
        }
        EXPECT_EQ(static_cast<size_t>(offset), store.eventCount());
        // Each message, instance and loop has one row.
        EXPECT_EQ(messages.size(), store.messages.size());
        EXPECT_EQ(instances.size(), store.instances.size());
        EXPECT_EQ(loops.size(), store.loops.size());
        return !testing::Test::HasFailure();
    }

    TCFList configurations;
};

TEST_F(EventStoreTest, EveryTestTraceGivesTheSameStoreStreamedAndWhole)
{
    ErrorRecorder recorder;  // some test traces report problems on purpose
    const auto traces = testTraces();
    for (const auto& [name, trace] : traces) {
        SCOPED_TRACE(name);
        expectSameStore(trace);
        expectRowsOfTheModel(trace);
    }
    EXPECT_GE(traces.size(), 3u);
}

TEST_F(EventStoreTest, GeneratedTracesGiveTheSameStoreStreamedAndWhole)
{
    ErrorRecorder recorder;
    for (unsigned seed = 1; seed <= 600; ++seed) {
        const std::string trace = randomTrace(seed, seed % 3 == 0 ? 600 : 160);
        SCOPED_TRACE("seed " + std::to_string(seed));
        // One made-up trace at a time is enough to read.
        if (!expectSameStore(trace) || !expectRowsOfTheModel(trace))
            return;
    }
}

// Open messages no return took while they were among the newest of their
// thread and block are kept compact by the streaming reader and made anew
// for their return; the return must still find the message's row, also
// among messages that look alike.
TEST_F(EventStoreTest, ReturnsOfMessagesKeptCompactFindTheirRows)
{
    std::string trace = "DB \"named\"\nID 1 1\nIN \"Task\" 1 \"worker\"\nIN \"Named\" 2 \"unit\"\n"
                        "MS 10 \"start\"\nMS 11 \"stop\"\nMS 12 \"poll\"\nED\nSF 1 1 1\nTI 1 1 10 \"main\"\n"
                        "NI 1 1\nNI 2 2\nTS 5\nCI 1\n";
    for (int i = 0; i < 200; ++i) {
        // Pairs at the same time, to the same receiver, of the same model.
        if (i % 2 == 0)
            trace += "TM " + std::to_string(100 + i) + "\n";
        if (i % 40 == 20)
            trace += "TI " + std::to_string(2 + i % 2) + " 1 10 \"other\"\n";
        trace += "ME " + std::to_string(10 + i % 3) + ' ' + std::to_string(2 + i % 2) + '\n';
    }
    for (int i = 0; i < 150; ++i) {
        if (i % 50 == 0)
            trace += "TI " + std::to_string(1 + i / 50 % 3) + " 1 10\n";
        trace += "TM " + std::to_string(1000 + 3 * i) + '\n';
        trace += i % 4 == 0 ? "MR\n" : "MR " + std::to_string(10 + i % 3) + '\n';
    }
    expectSameStore(trace);
    expectRowsOfTheModel(trace);
    // Returns took some of the oldest messages, long kept compact.
    const StoreReading streamed = readStore(&configurations, trace, true);
    int returnedOld = 0;
    for (const store::MessageRow& row : streamed.store.messages)
        returnedOld += row.returnEvent != store::none && row.event < 100;
    EXPECT_GT(returnedOld, 0);
}

// A dynamic id taken again after its instance was deleted names a new
// instance row; the events on it go to the row alive at their line.
TEST_F(EventStoreTest, AnIdTakenAgainAfterADeletionIsANewInstance)
{
    const std::string trace = "DB \"named\"\nID 1 1\nIN \"Task\" 1 \"worker\"\nMS 10 \"go\"\nED\nSF 1 1 1\n"
                              "NI 1 1\nCI 1\nME 10 7\nMR\nDI 7\nME 10 7\nDI 7\nAC \"act\" 7\n";
    for (bool streaming : {false, true}) {
        SCOPED_TRACE(streaming ? "streamed" : "whole");
        const StoreReading reading = readStore(&configurations, trace, streaming);
        const store::EventStore& store = reading.store;
        std::vector<unsigned long long> sevens;
        for (const store::InstanceRow& row : store.instances)
            if (row.dynamicId == 7)
                sevens.push_back(static_cast<unsigned long long>(row.id));
        ASSERT_EQ(sevens.size(), 2u);
        // Both messages to 7, the first returned, each to its own instance.
        ASSERT_EQ(store.messages.size(), 2u);
        EXPECT_EQ(store.messages[0].receiver, static_cast<std::int64_t>(sevens[0]));
        EXPECT_EQ(store.messages[1].receiver, static_cast<std::int64_t>(sevens[1]));
        EXPECT_NE(store.messages[0].returnEvent, store::none);
        EXPECT_EQ(store.messages[1].returnEvent, store::none);
        EXPECT_NE(store.instances[sevens[0]].deleted, store::none);
        EXPECT_NE(store.instances[sevens[1]].deleted, store::none);
        // The action is on the second 7, deleted and named again by CI.
        EXPECT_EQ(store.events.kind.back(), TDF_ACTION);
        EXPECT_EQ(store.events.instance.back(), static_cast<std::int64_t>(sevens[1]));
    }
    expectSameStore(trace);
}

}

// A column of a long trace spans many chunks: what is written at any place
// is read back there, across the chunks' edges too.
TEST(ChunkedColumn, HoldsEveryValueAcrossChunkEdges)
{
    store::ChunkedColumn<std::int32_t> column;
    constexpr std::int32_t count = 3 * 65536 + 17;
    for (std::int32_t i = 0; i < count; ++i)
        column.push_back(i * 7);
    ASSERT_EQ(column.size(), static_cast<size_t>(count));
    EXPECT_EQ(column.back(), (count - 1) * 7);
    column.resize(count + 70000, -1);
    column[65535] = 1;
    column[65536] = 2;
    for (std::int32_t i = 0; i < count + 70000; ++i) {
        const std::int32_t expected = i == 65535 ? 1 : i == 65536 ? 2 : i < count ? i * 7 : -1;
        ASSERT_EQ(column[static_cast<size_t>(i)], expected) << "at " << i;
    }
    column.resize(10, 5);  // never shrinks
    EXPECT_EQ(column.size(), static_cast<size_t>(count + 70000));
}

// A sparse column reads back what a plain one would hold, whether its
// values are rare, everywhere or bunched at the edges of its blocks.
TEST(SparseColumn, ReadsBackWhatWasWrittenAtEveryDensity)
{
    constexpr std::int32_t count = 5 * 1024 + 3;
    const auto patterns = {
        +[](std::int32_t i) { return i % 997 == 0 ? i : -1; },
        +[](std::int32_t i) { return i * 3; },
        +[](std::int32_t i) { return i % 1024 == 0 || i % 1024 == 1023 ? i : -1; },
        +[](std::int32_t i) { return i >= 2048 && i < 3072 ? -1 : i % 5 == 0 ? i : -1; },
        +[](std::int32_t) { return -1; },
    };
    for (auto value : patterns) {
        store::SparseColumn<std::int32_t> column(-1);
        for (std::int32_t i = 0; i < count; ++i)
            column.push_back(value(i));
        ASSERT_EQ(column.size(), static_cast<size_t>(count));
        for (std::int32_t i = 0; i < count; ++i)
            ASSERT_EQ(column[static_cast<size_t>(i)], value(i)) << "at " << i;
    }
}

// Times near their block's first are kept as differences, others whole:
// every time reads back, whatever its distance and direction.
TEST(TimeColumn, ReadsBackTimesNearAndFarFromTheirBlocksFirst)
{
    const unsigned long long largest = ~0ULL;
    std::vector<unsigned long long> times;
    for (unsigned long long i = 0; i < 3000; ++i)
        times.push_back(1000 + i * 10);
    // Around the edge of 32 bits, backwards, to the ends of the range, and
    // a new trace starting again at 0.
    for (const unsigned long long time : {times.back() + 2147483647ULL, times.back() + 2147483648ULL,
                                          times.back() - 1000, 0ULL, largest, largest - 1, 5ULL})
        times.push_back(time);
    for (unsigned long long i = 0; i < 2000; ++i)
        times.push_back(largest - 5000 + i);
    store::TimeColumn column;
    for (const unsigned long long time : times)
        column.push_back(time);
    ASSERT_EQ(column.size(), times.size());
    for (size_t i = 0; i < times.size(); ++i)
        ASSERT_EQ(column[i], times[i]) << "at " << i;
}
