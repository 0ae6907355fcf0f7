#include "statement_runner.h"

#include "result_printer.h"
#include "sql_interrupt.h"
#include "standard_output.h"
#include "statement_guard.h"

#include <sqlite3.h>

#include <cstdio>
#include <memory>

namespace {

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

}

void printQueryError(const QString& message)
{
    const QByteArray line = "tdftool: query: " + message.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
}

StatementRunner::StatementRunner(sqlite3* database, StatementGuard& guard, ResultPrinter& printer,
                                 StandardOutput& output)
    : database_(database), guard_(guard), printer_(printer), output_(output)
{
}

bool StatementRunner::run(const SqlText& sql)
{
    // SQLite reads a text up to its first NUL byte only.
    if (sql.text.contains('\0')) {
        printQueryError(QStringLiteral("%1 holds a NUL byte").arg(sql.origin));
        return false;
    }
    const char* next = sql.text.constData();
    const char* end = next + sql.text.size();
    while (next < end) {
        if (SqlInterrupt::happened()) {
            printQueryError(QStringLiteral("interrupted"));
            return false;
        }
        if (!runStatement(sql, next, end, next))
            return false;
    }
    return true;
}

bool StatementRunner::runStatement(const SqlText& sql, const char* start, const char* end, const char*& next)
{
    sqlite3_stmt* prepared = nullptr;
    guard_.forgetRefusal();
    const int status = sqlite3_prepare_v2(database_, start, int(end - start), &prepared, &next);
    Statement statement(prepared);
    if (status != SQLITE_OK) {
        const int offset = sqlite3_error_offset(database_);
        report(sql, offset < 0 ? -1 : (start - sql.text.constData()) + offset);
        return false;
    }
    // White space and comments make no statement.
    if (!statement)
        return true;
    return step(sql, statement.get());
}

bool StatementRunner::step(const SqlText& sql, sqlite3_stmt* statement)
{
    const bool hasColumns = sqlite3_column_count(statement) > 0;
    if (hasColumns)
        printer_.begin(statement);
    int status;
    while ((status = sqlite3_step(statement)) == SQLITE_ROW && output_.stream())
        if (hasColumns)
            printer_.row(statement);
    // The rows before an error are printed too, ahead of its report.
    if (hasColumns)
        printer_.end();
    output_.flush();
    if (status == SQLITE_ROW || status == SQLITE_DONE)
        return bool(output_.stream());
    report(sql, -1);
    return false;
}

void StatementRunner::report(const SqlText& sql, long long offset) const
{
    QString message = guard_.refusal().isEmpty() ? QString::fromUtf8(sqlite3_errmsg(database_)) : guard_.refusal();
    // A file reused for its meta can still be damaged further on, which
    // only a reading of it all would have found.
    const char* file = sqlite3_db_filename(database_, "main");
    if (sqlite3_errcode(database_) == SQLITE_CORRUPT && file && *file)
        message += QStringLiteral(": %1 is damaged; remove it to have it built again").arg(QString::fromUtf8(file));
    if (offset < 0 || offset >= sql.text.size()) {
        printQueryError(message);
        return;
    }
    const long long line = sql.text.left(offset).count('\n') + 1;
    const QString place = sql.text.trimmed().contains('\n')
                              ? QStringLiteral("byte %1, line %2,").arg(offset).arg(line)
                              : QStringLiteral("byte %1").arg(offset);
    printQueryError(QStringLiteral("%1 (at %2 of %3)").arg(message, place, sql.origin));
}
