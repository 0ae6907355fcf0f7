#include "sql_endpoint.h"

#include "json_writer.h"
#include "result_printer.h"
#include "statement_guard.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

// The virtual machine's steps between two looks at the clock: a few
// milliseconds of work.
constexpr int stepsBetweenLooks = 10000;

view::Answer failure(int status, const QString& message)
{
    JsonWriter json;
    json.beginObject();
    json.key("error");
    json.string(message);
    json.endObject();
    return {status, view::jsonType, json.text().toStdString()};
}

bool onlyBlank(const char* text)
{
    return text[std::strspn(text, " \t\r\n")] == '\0';
}

class SqlEndpoint : public view::Service {
public:
    SqlEndpoint(std::shared_ptr<const view::Service> view, Database database, SqlLimits limits)
        : view_(std::move(view)), database_(std::move(database)), limits_(limits),
          guard_(database_.get(), StatementGuard::Access::ReadOnly)
    {
        sqlite3_progress_handler(database_.get(), stepsBetweenLooks, pastDeadline, this);
        // A value larger than an answer may be is an error as it is made,
        // rather than an answer of hundreds of megabytes to refuse later.
        sqlite3_limit(database_.get(), SQLITE_LIMIT_LENGTH,
                      static_cast<int>(std::min<std::size_t>(limits_.bytes, std::numeric_limits<int>::max())));
    }

    view::Answer answer(const std::string& endpoint, const view::Parameters& parameters) const override
    {
        if (endpoint != "sql")
            return view_->answer(endpoint, parameters);
        const auto q = parameters.find("q");
        if (q == parameters.end() || parameters.count("q") != 1 || parameters.size() != 1)
            return failure(400, QStringLiteral("sql needs one parameter q, the statement"));
        std::lock_guard<std::mutex> lock(lock_);
        return run(q->second);
    }

private:
    static int pastDeadline(void* endpoint)
    {
        return Clock::now() > static_cast<const SqlEndpoint*>(endpoint)->deadline_ ? 1 : 0;
    }

    QString message() const { return QString::fromUtf8(sqlite3_errmsg(database_.get())); }

    // Under the lock.
    view::Answer run(const std::string& sql) const
    {
        sqlite3* db = database_.get();
        guard_.forgetRefusal();
        deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(limits_.seconds));
        sqlite3_stmt* statement = nullptr;
        const char* rest = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()) + 1, &statement, &rest) != SQLITE_OK)
            return guard_.refusal().isEmpty() ? failure(400, message()) : failure(403, guard_.refusal());
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(statement, sqlite3_finalize);
        if (!statement)
            return failure(400, QStringLiteral("q holds no statement"));
        if (rest && !onlyBlank(rest))
            return failure(400, QStringLiteral("q holds more than one statement"));
        return rows(statement);
    }

    view::Answer rows(sqlite3_stmt* statement) const
    {
        JsonWriter json;
        json.beginObject();
        json.key("columns");
        json.beginArray();
        const int columns = sqlite3_column_count(statement);
        for (int column = 0; column < columns; ++column)
            json.string(QString::fromUtf8(sqlite3_column_name(statement, column)));
        json.endArray();
        json.key("rows");
        json.beginArray();
        std::size_t count = 0;
        bool truncated = false;
        int status;
        while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
            if (count == limits_.rows || static_cast<std::size_t>(json.text().size()) >= limits_.bytes) {
                truncated = true;
                break;
            }
            json.beginArray();
            for (int column = 0; column < columns; ++column)
                writeJsonValue(json, statement, column);
            json.endArray();
            ++count;
        }
        if (status == SQLITE_INTERRUPT)
            return failure(503, QStringLiteral("the statement ran longer than %1 s and was stopped")
                                    .arg(limits_.seconds));
        // Some statements meet the guard only as they run (VACUUM INTO
        // attaches its file then).
        if (!guard_.refusal().isEmpty())
            return failure(403, guard_.refusal());
        if (status != SQLITE_ROW && status != SQLITE_DONE)
            return failure(400, message());
        json.endArray();
        json.key("truncated");
        json.boolean(truncated);
        json.endObject();
        return {200, view::jsonType, json.text().toStdString()};
    }

    std::shared_ptr<const view::Service> view_;
    Database database_;
    SqlLimits limits_;
    // The guard and the deadline change with each statement, which the
    // lock makes one at a time.
    mutable std::mutex lock_;
    mutable StatementGuard guard_;
    mutable Clock::time_point deadline_ = Clock::time_point::max();
};

}

std::shared_ptr<const view::Service> withSqlEndpoint(std::shared_ptr<const view::Service> view, Database database,
                                                     SqlLimits limits)
{
    return std::make_shared<SqlEndpoint>(std::move(view), std::move(database), limits);
}
