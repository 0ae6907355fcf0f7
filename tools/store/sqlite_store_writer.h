#ifndef STORE_SQLITE_STORE_WRITER_H
#define STORE_SQLITE_STORE_WRITER_H

// Writes the rows of an event store into an SQLite database as the builder
// hands them out: the tables first, every row through a prepared statement,
// the indexes after the rows. The caller holds the transaction. The first
// failure of SQLite is kept with its message and ends the writing.

#include "store_rows.h"

#include <QString>

#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

class SqliteStoreWriter : public StoreSink {
public:
    explicit SqliteStoreWriter(sqlite3* db);
    ~SqliteStoreWriter() override;
    SqliteStoreWriter(const SqliteStoreWriter&) = delete;
    SqliteStoreWriter& operator=(const SqliteStoreWriter&) = delete;

    // Makes the tables and prepares the statements; false on a failure.
    bool begin();
    void event(const EventRow& row, const StringTable& strings) override;
    void instance(const InstanceRow& row, const StringTable& strings) override;
    void message(const MessageRow& row, const StringTable& strings) override;
    void loop(const LoopRow& row, const StringTable& strings) override;
    void thread(const ThreadRow& row, const StringTable& strings) override;
    void member(const MemberRow& row) override;
    void diagnostic(const DiagnosticRow& row, const QString& trace);
    // Writes meta (key and value, a null value as NULL) and makes the
    // indexes; false when anything failed since begin.
    bool finish(const std::vector<std::pair<QString, QString>>& meta);

    bool failed() const { return !error_.isNull(); }
    // What SQLite said of the first failure.
    const QString& error() const { return error_; }

private:
    enum Statement { Event, Instance, Message, Loop, Thread, Note, Glyph, Member, Diagnostic, Meta, statementCount };
    bool execute(const char* sql);
    // Steps and resets a bound statement; false (kept) on a failure.
    bool run(Statement statement);
    void fail();

    sqlite3* db_;
    sqlite3_stmt* statements_[statementCount] = {};
    QString error_;
};

}

#endif
