#include "sqlite_store_writer.h"

#include "kind_name.h"

#include <tdf_objects.h>

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <limits>

namespace store {

namespace {

// The tables; docs/sql.md tells what each column means.
const char* const schema = R"(
CREATE TABLE event(id INTEGER PRIMARY KEY, kind TEXT NOT NULL, time INTEGER, line INTEGER, trace INTEGER,
  instance INTEGER, peer INTEGER, name TEXT, link TEXT, thread INTEGER);
CREATE TABLE instance(id INTEGER PRIMARY KEY, dynamic_id INTEGER, name TEXT, type TEXT, created INTEGER,
  deleted INTEGER, trace INTEGER);
CREATE TABLE message(event INTEGER PRIMARY KEY, sender INTEGER, receiver INTEGER, name TEXT, static_id INTEGER,
  call_event INTEGER, return_event INTEGER, sent INTEGER, returned INTEGER, duration INTEGER);
CREATE TABLE loop(start_event INTEGER PRIMARY KEY, end_event INTEGER, name TEXT, iterations INTEGER,
  depth INTEGER, instance INTEGER, loop_id TEXT);
CREATE TABLE thread(id INTEGER PRIMARY KEY, trace INTEGER, number INTEGER, name TEXT, colour INTEGER);
CREATE TABLE note(event INTEGER PRIMARY KEY, owner INTEGER);
CREATE TABLE glyph(event INTEGER PRIMARY KEY, owner INTEGER, alarm INTEGER);
CREATE TABLE synchronisation_member(event INTEGER, instance INTEGER);
CREATE TABLE diagnostic(file TEXT, line INTEGER, col INTEGER, severity TEXT, message TEXT);
CREATE TABLE meta(key TEXT PRIMARY KEY, value);
)";

const char* const indexes = R"(
CREATE INDEX event_time ON event(time);
CREATE INDEX event_kind ON event(kind);
CREATE INDEX message_name ON message(name);
CREATE INDEX message_duration ON message(duration);
)";

constexpr int eventColumns = 10;
constexpr size_t eventBatch = 32;

QByteArray eventBatchText()
{
    QByteArray text = "INSERT INTO event VALUES(?,?,?,?,?,?,?,?,?,?)";
    for (size_t i = 1; i < eventBatch; ++i)
        text += ",(?,?,?,?,?,?,?,?,?,?)";
    return text;
}

const char* const statementTexts[] = {
    "INSERT INTO event VALUES(?,?,?,?,?,?,?,?,?,?)",
    nullptr,  // eventBatchText()
    "INSERT INTO instance VALUES(?,?,?,?,?,?,?)",
    "UPDATE instance SET deleted = ? WHERE id = ?",
    "INSERT INTO message VALUES(?,?,?,?,?,?,?,?,?,?)",
    "INSERT INTO loop VALUES(?,?,?,?,?,?,?)",
    "INSERT INTO thread VALUES(?,?,?,?,?)",
    "INSERT INTO note VALUES(?,?)",
    "INSERT INTO glyph VALUES(?,?,?)",
    "INSERT INTO synchronisation_member VALUES(?,?)",
    "INSERT INTO diagnostic VALUES(?,?,?,?,?)",
    "INSERT INTO meta VALUES(?,?)",
};

void bindRow(sqlite3_stmt* statement, int column, std::int64_t row)
{
    if (row == none)
        sqlite3_bind_null(statement, column);
    else
        sqlite3_bind_int64(statement, column, row);
}

// Counts of time beyond SQLite's integers (a wide time of 64 bits) are kept
// as the nearest real number rather than wrapped into negative ones.
void bindCount(sqlite3_stmt* statement, int column, unsigned long long count)
{
    if (count <= static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max()))
        sqlite3_bind_int64(statement, column, static_cast<std::int64_t>(count));
    else
        sqlite3_bind_double(statement, column, static_cast<double>(count));
}

void bindTransient(sqlite3_stmt* statement, int column, const QString& text)
{
    if (text.isNull()) {
        sqlite3_bind_null(statement, column);
        return;
    }
    const QByteArray bytes = text.toUtf8();
    sqlite3_bind_text(statement, column, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}
}

QString failureOf(sqlite3* db)
{
    QString message = QString::fromUtf8(sqlite3_errmsg(db));
    // "disk I/O error" alone doesn't tell a full disk from the file size
    // limit or a failing device: the system's reason does.
    const int reason = sqlite3_system_errno(db);
    if (reason != 0 && (sqlite3_extended_errcode(db) & 0xFF) == SQLITE_IOERR)
        message += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(reason)));
    return message;
}

SqliteStoreWriter::SqliteStoreWriter(sqlite3* db) : db_(db) {}

SqliteStoreWriter::~SqliteStoreWriter()
{
    for (sqlite3_stmt* statement : statements_)
        sqlite3_finalize(statement);
}

void SqliteStoreWriter::fail()
{
    if (error_.isNull())
        error_ = failureOf(db_);
}

bool SqliteStoreWriter::execute(const char* sql)
{
    if (failed())
        return false;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail();
        return false;
    }
    return true;
}

bool SqliteStoreWriter::begin()
{
    if (!execute(schema))
        return false;
    const QByteArray batch = eventBatchText();
    for (int i = 0; i < statementCount; ++i) {
        const char* text = i == EventBatch ? batch.constData() : statementTexts[i];
        if (sqlite3_prepare_v3(db_, text, -1, SQLITE_PREPARE_PERSISTENT, &statements_[i], nullptr) != SQLITE_OK) {
            fail();
            return false;
        }
    }
    return true;
}

bool SqliteStoreWriter::run(Statement which)
{
    sqlite3_stmt* statement = statements_[which];
    const int result = sqlite3_step(statement);
    if (result != SQLITE_DONE)
        fail();
    sqlite3_reset(statement);
    bound_.clear();
    return result == SQLITE_DONE;
}

void SqliteStoreWriter::bindText(sqlite3_stmt* statement, int column, const QString& text)
{
    if (text.isNull()) {
        sqlite3_bind_null(statement, column);
        return;
    }
    bound_.push_back(utf8_.find(text, [](const QString& text) { return text.toUtf8(); }));
    sqlite3_bind_text(statement, column, bound_.back().constData(), static_cast<int>(bound_.back().size()),
                      SQLITE_STATIC);
}

void SqliteStoreWriter::bindEvent(sqlite3_stmt* statement, int first, const EventRow& row)
{
    sqlite3_bind_int64(statement, first + 1, row.id);
    sqlite3_bind_text(statement, first + 2, kindName(TDFObjectType(row.kind)), -1, SQLITE_STATIC);
    bindCount(statement, first + 3, row.time);
    bindCount(statement, first + 4, row.line);
    sqlite3_bind_int64(statement, first + 5, row.trace);
    bindRow(statement, first + 6, row.instance);
    bindRow(statement, first + 7, row.peer);
    bindText(statement, first + 8, row.name);
    bindText(statement, first + 9, row.link);
    bindRow(statement, first + 10, row.thread);
}

void SqliteStoreWriter::event(const EventRow& row)
{
    if (failed())
        return;
    events_.push_back(row);
    if (events_.size() == eventBatch)
        writeEvents();
    if (row.kind == TDF_NOTE) {
        sqlite3_stmt* statement = statements_[Note];
        sqlite3_bind_int64(statement, 1, row.id);
        bindRow(statement, 2, row.owner);
        run(Note);
    } else if (row.kind == TDF_GLYPH) {
        sqlite3_stmt* statement = statements_[Glyph];
        sqlite3_bind_int64(statement, 1, row.id);
        bindRow(statement, 2, row.owner);
        sqlite3_bind_int(statement, 3, (row.flags & eventFlag::alarm) != 0);
        run(Glyph);
    }
}

void SqliteStoreWriter::writeEvents()
{
    if (events_.size() == eventBatch) {
        for (size_t i = 0; i < eventBatch; ++i)
            bindEvent(statements_[EventBatch], static_cast<int>(i) * eventColumns, events_[i]);
        run(EventBatch);
    } else {
        for (const EventRow& row : events_) {
            bindEvent(statements_[Event], 0, row);
            if (!run(Event))
                break;
        }
    }
    events_.clear();
}

void SqliteStoreWriter::instance(const InstanceRow& row)
{
    instances_.push(row);
    if (instances_.full())
        writeInstance(instances_.pop());
}

void SqliteStoreWriter::deletedAgain(std::int64_t instance, std::int64_t event)
{
    // Rare: the instance's row goes in first, wherever it waits.
    while (!instances_.empty())
        writeInstance(instances_.pop());
    if (failed())
        return;
    sqlite3_stmt* statement = statements_[DeletedAgain];
    sqlite3_bind_int64(statement, 1, event);
    sqlite3_bind_int64(statement, 2, instance);
    run(DeletedAgain);
}

void SqliteStoreWriter::writeInstance(const InstanceRow& row)
{
    if (failed())
        return;
    sqlite3_stmt* statement = statements_[Instance];
    sqlite3_bind_int64(statement, 1, row.id);
    bindCount(statement, 2, row.dynamicId);
    bindText(statement, 3, row.name);
    bindText(statement, 4, row.type);
    bindRow(statement, 5, row.created);
    bindRow(statement, 6, row.deleted);
    sqlite3_bind_int64(statement, 7, row.trace);
    run(Instance);
}

void SqliteStoreWriter::message(const MessageRow& row)
{
    messages_.push(row);
    if (messages_.full())
        writeMessage(messages_.pop());
}

void SqliteStoreWriter::writeMessage(const MessageRow& row)
{
    if (failed())
        return;
    sqlite3_stmt* statement = statements_[Message];
    sqlite3_bind_int64(statement, 1, row.event);
    bindRow(statement, 2, row.sender);
    bindRow(statement, 3, row.receiver);
    bindText(statement, 4, row.name);
    bindRow(statement, 5, row.staticId);
    bindRow(statement, 6, row.callEvent);
    bindRow(statement, 7, row.returnEvent);
    bindCount(statement, 8, row.sent);
    if (row.returnEvent == none) {
        sqlite3_bind_null(statement, 9);
        sqlite3_bind_null(statement, 10);
    } else {
        bindCount(statement, 9, row.returned);
        // Unsigned, so that a return stamped before its message (times
        // that wrap or go back) gives a negative duration, not a huge one.
        sqlite3_bind_int64(statement, 10, static_cast<std::int64_t>(row.returned - row.sent));
    }
    run(Message);
}

void SqliteStoreWriter::loop(const LoopRow& row)
{
    loops_.push(row);
    if (loops_.full())
        writeLoop(loops_.pop());
}

void SqliteStoreWriter::writeLoop(const LoopRow& row)
{
    if (failed())
        return;
    sqlite3_stmt* statement = statements_[Loop];
    sqlite3_bind_int64(statement, 1, row.startEvent);
    bindRow(statement, 2, row.endEvent);
    bindText(statement, 3, row.name);
    bindCount(statement, 4, row.iterations);
    sqlite3_bind_int(statement, 5, row.depth);
    bindRow(statement, 6, row.instance);
    bindText(statement, 7, row.loopId);
    run(Loop);
}

void SqliteStoreWriter::thread(const ThreadRow& row)
{
    if (failed())
        return;
    sqlite3_stmt* statement = statements_[Thread];
    sqlite3_bind_int64(statement, 1, row.id);
    sqlite3_bind_int64(statement, 2, row.trace);
    bindCount(statement, 3, row.number);
    bindText(statement, 4, row.name);
    sqlite3_bind_int(statement, 5, row.colour);
    run(Thread);
}

void SqliteStoreWriter::member(const MemberRow& row)
{
    if (failed())
        return;
    sqlite3_stmt* statement = statements_[Member];
    sqlite3_bind_int64(statement, 1, row.event);
    bindRow(statement, 2, row.instance);
    run(Member);
}

void SqliteStoreWriter::diagnostic(const DiagnosticRow& row, const QString& trace)
{
    if (failed())
        return;
    sqlite3_stmt* statement = statements_[Diagnostic];
    // A report about no file is about the trace as a whole.
    bindTransient(statement, 1, row.file.isNull() ? trace : row.file);
    if (row.line != 0)
        sqlite3_bind_int(statement, 2, row.line);
    else
        sqlite3_bind_null(statement, 2);
    if (row.column != 0)
        sqlite3_bind_int(statement, 3, row.column);
    else
        sqlite3_bind_null(statement, 3);
    sqlite3_bind_text(statement, 4, row.error ? "error" : "warning", -1, SQLITE_STATIC);
    bindTransient(statement, 5, row.message);
    run(Diagnostic);
}

bool SqliteStoreWriter::flush()
{
    writeEvents();
    while (!instances_.empty())
        writeInstance(instances_.pop());
    while (!messages_.empty())
        writeMessage(messages_.pop());
    while (!loops_.empty())
        writeLoop(loops_.pop());
    return !failed();
}

bool SqliteStoreWriter::finish(const std::vector<std::pair<QString, QString>>& meta)
{
    if (!flush())
        return false;
    sqlite3_stmt* statement = statements_[Meta];
    for (const auto& [key, value] : meta) {
        if (failed())
            return false;
        bindTransient(statement, 1, key);
        bindTransient(statement, 2, value);
        run(Meta);
    }
    return execute(indexes);
}

}
