#ifndef STORE_EVENT_STORE_H
#define STORE_EVENT_STORE_H

// A trace's event store in memory: columns of numbers in trace order and
// tables of rows, with the distinct texts they name, as the builder hands
// them out. For the clients that look at the whole trace (the page, the
// comparisons of the tests); the SQLite writer takes the rows as they come
// instead.

#include "chunked_column.h"
#include "recent_texts.h"
#include "sparse_column.h"
#include "store_rows.h"
#include "time_column.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

namespace store {

// Distinct texts, each stored once as UTF-8 and named by its number: how a
// store kept in memory holds them.
class StringTable {
public:
    // The number of the text; none for a null text.
    std::int64_t intern(const QString& text);
    const QByteArray& text(std::int64_t id) const { return texts_[static_cast<size_t>(id)]; }
    size_t size() const { return texts_.size(); }

private:
    RecentTexts<std::int64_t> recent_;
    QHash<QString, std::int64_t> index_;
    std::vector<QByteArray> texts_;
};

// What an event store keeps: everything, or what a picture of the trace
// reads, which holds a long trace in about half the memory: no line,
// trace, name or style columns (they stay empty) and no message table (the
// partners say what it would).
enum class StoreContents { everything, picture };

class EventStore : public StoreSink {
public:
    explicit EventStore(StoreContents contents = StoreContents::everything) : contents_(contents) {}


    struct Events {
        ChunkedColumn<std::uint8_t> kind;  // TDFObjectType
        TimeColumn time;
        ChunkedColumn<unsigned long long> line;
        ChunkedColumn<std::int32_t> trace;
        // Row numbers fit 32 bits: the page counts events in an int too.
        ChunkedColumn<std::int32_t> instance;
        ChunkedColumn<std::int32_t> peer;
        ChunkedColumn<std::int32_t> name;  // into strings
        SparseColumn<std::int32_t> link{none};  // into strings
        ChunkedColumn<std::int32_t> style;
        ChunkedColumn<std::int32_t> thread;
        SparseColumn<std::int32_t> owner{none};  // of a note or glyph, or a loop end's start
        // A message's return or completing call, a return's, call's or
        // loop end's message or start, a loop start's end.
        ChunkedColumn<std::int32_t> partner;
        ChunkedColumn<std::uint8_t> flags;
    } events;
    // In the order of their key (event, instance id, start event, thread id)
    // once finished.
    std::vector<InstanceRow> instances;
    std::vector<MessageRow> messages;
    std::vector<LoopRow> loops;
    std::vector<ThreadRow> threads;
    std::vector<MemberRow> members;
    std::vector<DiagnosticRow> diagnostics;
    std::vector<QByteArray> strings;  // UTF-8

    void event(const EventRow& row) override;
    void instance(const InstanceRow& row) override;
    void deletedAgain(std::int64_t instance, std::int64_t event) override;
    void message(const MessageRow& row) override;
    void loop(const LoopRow& row) override;
    void thread(const ThreadRow& row) override;
    void member(const MemberRow& row) override;
    // After the builder's finish: sorts the tables and lists the texts.
    void finish();

    // A string's text; empty for none.
    QByteArray text(std::int64_t id) const;
    size_t eventCount() const { return events.kind.size(); }

private:
    StoreContents contents_;
    // Makes two events each other's partner; the later may be on its way.
    void pair(std::int64_t a, std::int64_t b);

    StringTable table_;
};

}

#endif
