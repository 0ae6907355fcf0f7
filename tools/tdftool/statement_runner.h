#ifndef TDFTOOL_STATEMENT_RUNNER_H
#define TDFTOOL_STATEMENT_RUNNER_H

#include <QByteArray>
#include <QString>

class ResultPrinter;
class StandardOutput;
class StatementGuard;
struct sqlite3;

// A text of SQL statements and where it came from, for its reports: "SQL
// argument 2", a file's name, "standard input".
struct SqlText {
    QByteArray text;  // UTF-8
    QString origin;
};

// Runs texts of statements against one database, printing each result.
class StatementRunner {
public:
    StatementRunner(sqlite3* database, StatementGuard& guard, ResultPrinter& printer, StandardOutput& output);

    // Runs the statements of the text one after the other, as SQLite
    // reads them off it (prepared one by one; the text is never pieced
    // together). False after reporting the first that failed or was
    // interrupted, and then the rest are not run; false also once the
    // output could not be written (which StandardOutput reports).
    bool run(const SqlText& sql);

private:
    bool runStatement(const SqlText& sql, const char* start, const char* end, const char*& next);
    // Prints the rows of a prepared statement that has columns, or only
    // steps one that has none. False after reporting an error.
    bool step(const SqlText& sql, struct sqlite3_stmt* statement);
    // "tdftool: query: MESSAGE (at byte N of ORIGIN)", the place where
    // SQLite gives one; the guard's reason where it refused the statement.
    void report(const SqlText& sql, long long offset) const;

    sqlite3* database_;
    StatementGuard& guard_;
    ResultPrinter& printer_;
    StandardOutput& output_;
};

// Reports a problem of query: "tdftool: query: MESSAGE".
void printQueryError(const QString& message);

#endif
