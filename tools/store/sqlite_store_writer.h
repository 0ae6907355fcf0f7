#ifndef STORE_SQLITE_STORE_WRITER_H
#define STORE_SQLITE_STORE_WRITER_H

// Writes the rows of an event store into an SQLite database as the builder
// hands them out: the tables first, every row through a prepared statement,
// the indexes after the rows. The caller holds the transaction. The first
// failure of SQLite is kept with its message and ends the writing.
//
// Events go in batches of rows per statement. Messages, instances and loops
// come as they complete, near their key order but not in it (a message
// sent later is often returned first): they wait a little, so that most go
// into their table in key order, which SQLite appends to, instead of
// splitting pages in the middle.

#include "recent_texts.h"
#include "store_rows.h"

#include <QString>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

// What SQLite said of the last failure on `db`, with the system's reason
// for an I/O error.
QString failureOf(sqlite3* db);

// Rows that come near the order of their key leave it in that order, as
// long as none comes more than `capacity` rows late.
template <class Row, std::int64_t Row::*key>
class KeyOrder {
public:
    static constexpr size_t capacity = 1024;
    void push(const Row& row)
    {
        rows_.push_back(row);
        std::push_heap(rows_.begin(), rows_.end(), later);
    }
    bool full() const { return rows_.size() >= capacity; }
    bool empty() const { return rows_.empty(); }
    Row pop()
    {
        std::pop_heap(rows_.begin(), rows_.end(), later);
        Row row = rows_.back();
        rows_.pop_back();
        return row;
    }

private:
    static bool later(const Row& a, const Row& b) { return a.*key > b.*key; }
    std::vector<Row> rows_;
};

class SqliteStoreWriter : public StoreSink {
public:
    explicit SqliteStoreWriter(sqlite3* db);
    ~SqliteStoreWriter() override;
    SqliteStoreWriter(const SqliteStoreWriter&) = delete;
    SqliteStoreWriter& operator=(const SqliteStoreWriter&) = delete;

    // Makes the tables and prepares the statements; false on a failure.
    bool begin();
    void event(const EventRow& row) override;
    void instance(const InstanceRow& row) override;
    void deletedAgain(std::int64_t instance, std::int64_t event) override;
    void message(const MessageRow& row) override;
    void loop(const LoopRow& row) override;
    void thread(const ThreadRow& row) override;
    void member(const MemberRow& row) override;
    void diagnostic(const DiagnosticRow& row, const QString& trace);
    // Writes meta (key and value, a null value as NULL) and makes the
    // indexes; false when anything failed since begin.
    bool finish(const std::vector<std::pair<QString, QString>>& meta);

    bool failed() const { return !error_.isNull(); }
    // What SQLite said of the first failure.
    const QString& error() const { return error_; }

private:
    enum Statement {
        Event, EventBatch, Instance, DeletedAgain, Message, Loop, Thread, Note, Glyph, Member, Diagnostic, Meta,
        statementCount
    };
    bool execute(const char* sql);
    void bindEvent(sqlite3_stmt* statement, int first, const EventRow& row);
    // Binds a text (NULL for a null one) as UTF-8, held until the
    // statement has run.
    void bindText(sqlite3_stmt* statement, int column, const QString& text);
    void writeEvents();
    void writeInstance(const InstanceRow& row);
    void writeMessage(const MessageRow& row);
    void writeLoop(const LoopRow& row);
    // Writes what waits; false when anything failed since begin.
    bool flush();
    // Steps and resets a bound statement; false (kept) on a failure.
    bool run(Statement statement);
    void fail();

    sqlite3* db_;
    sqlite3_stmt* statements_[statementCount] = {};
    RecentTexts<QByteArray> utf8_;
    std::vector<QByteArray> bound_;  // the texts of the statement being bound
    std::vector<EventRow> events_;   // a batch
    KeyOrder<InstanceRow, &InstanceRow::id> instances_;
    KeyOrder<MessageRow, &MessageRow::event> messages_;
    KeyOrder<LoopRow, &LoopRow::startEvent> loops_;
    QString error_;
};

}

#endif
