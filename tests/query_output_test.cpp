// What tdftool query prints of a result, and which statements its guard
// lets through, on databases in memory.

#include <result_printer.h>
#include <statement_guard.h>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

namespace {

struct DatabaseCloser {
    void operator()(sqlite3* database) const { sqlite3_close(database); }
};

class QueryOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sqlite3* opened = nullptr;
        ASSERT_EQ(sqlite3_open(":memory:", &opened), SQLITE_OK);
        database_.reset(opened);
        ASSERT_EQ(sqlite3_exec(opened, "CREATE TABLE event(id INTEGER PRIMARY KEY, name TEXT)", nullptr, nullptr,
                               nullptr),
                  SQLITE_OK);
    }

    // What the printer prints of the one statement; `afterRows` is called
    // after the rows and before the end of the result.
    template <class AfterRows>
    std::string print(ResultFormat format, const char* sql, AfterRows afterRows)
    {
        std::ostringstream out;
        const std::unique_ptr<ResultPrinter> printer = makeResultPrinter(format, out);
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(database_.get(), sql, -1, &statement, nullptr), SQLITE_OK)
            << sqlite3_errmsg(database_.get());
        printer->begin(statement);
        while (sqlite3_step(statement) == SQLITE_ROW)
            printer->row(statement);
        afterRows(out.str());
        printer->end();
        sqlite3_finalize(statement);
        return out.str();
    }
    std::string print(ResultFormat format, const char* sql)
    {
        return print(format, sql, [](const std::string&) {});
    }

    std::unique_ptr<sqlite3, DatabaseCloser> database_;
};

TEST_F(QueryOutputTest, CsvQuotesOnlyTheFieldsThatNeedIt)
{
    EXPECT_EQ(print(ResultFormat::Csv,
                    "SELECT 'plain' AS \"a,b\", ' spaced ' AS b, 'x,y' AS c, 'say \"no\"' AS d, 'cr' || char(13) AS e, "
                    "'lf' || char(10) AS f, '' AS g, NULL AS h, -7 AS i, 0.5 AS j"),
              "\"a,b\",b,c,d,e,f,g,h,i,j\n"
              "plain, spaced ,\"x,y\",\"say \"\"no\"\"\",\"cr\r\",\"lf\n\",\"\",,-7,0.5\n");
}

TEST_F(QueryOutputTest, JsonKeepsTheTypesOfValues)
{
    EXPECT_EQ(print(ResultFormat::JsonLines,
                    "SELECT 0.1 AS tenth, 100.0 AS hundred, 1.5e-7 AS small, 9007199254740992 AS exact, "
                    "-9223372036854775807 - 1 AS lowest, 'é\"' AS \"naïve\", x'0a1B' AS blob, NULL AS absent"),
              "{\"tenth\":0.1,\"hundred\":100,\"small\":1.5e-07,\"exact\":9007199254740992,"
              "\"lowest\":\"-9223372036854775808\",\"naïve\":\"é\\\"\",\"blob\":\"0a1b\",\"absent\":null}\n");
}

// The widths come from the first thousand rows, which are printed once
// they are in; a wider cell later only pushes its line.
TEST_F(QueryOutputTest, TableIsLaidOutByItsFirstRowsThenStreamed)
{
    const char* const sql = "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 1002) "
                            "SELECT x, CASE WHEN x < 1002 THEN 'ab' ELSE 'wider' END AS label, "
                            "CASE WHEN x = 1 THEN NULL ELSE x END AS maybe FROM n";
    std::string beforeEnd;
    const std::string table =
        print(ResultFormat::Table, sql, [&](const std::string& printed) { beforeEnd = printed; });
    EXPECT_EQ(table, beforeEnd);
    EXPECT_EQ(table.substr(0, table.find('\n', table.find('\n') + 1) + 1), "   x  label  maybe\n----  -----  -----\n");
    EXPECT_NE(table.find("\n   1  ab\n   2  ab         2\n"), std::string::npos) << table;
    EXPECT_NE(table.find("\n1001  ab      1001\n1002  wider   1002\n"), std::string::npos) << table;
}

TEST_F(QueryOutputTest, TableEscapesControlCharactersAndSeparatesResults)
{
    std::ostringstream out;
    const std::unique_ptr<ResultPrinter> printer = makeResultPrinter(ResultFormat::Table, out);
    for (const char* sql : {"SELECT 'a' || char(10) || 'b' || char(1) AS t", "SELECT 2 AS n"}) {
        sqlite3_stmt* statement = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(database_.get(), sql, -1, &statement, nullptr), SQLITE_OK);
        printer->begin(statement);
        while (sqlite3_step(statement) == SQLITE_ROW)
            printer->row(statement);
        printer->end();
        sqlite3_finalize(statement);
    }
    EXPECT_EQ(out.str(), "t\n--------\na\\nb\\x01\n\nn\n-\n2\n");
}

struct GuardCase {
    const char* sql;
    bool readOnlyRuns;
    bool scratchRuns;
};

// Which statements each access lets run (VACUUM INTO is refused as it
// runs, the others as they are prepared); the refused ones say why.
TEST_F(QueryOutputTest, GuardRefusesWhatWouldChangeTheFileOrReachBeyondIt)
{
    const GuardCase cases[] = {
        {"SELECT * FROM event", true, true},
        {"SELECT * FROM pragma_table_info('event')", true, true},
        {"PRAGMA table_info(event)", true, true},
        {"PRAGMA user_version", true, true},
        {"BEGIN; COMMIT", true, true},
        {"INSERT INTO event VALUES (1, 'x')", false, true},
        {"UPDATE event SET name = 'y'", false, true},
        {"DELETE FROM event", false, true},
        {"CREATE TEMP TABLE t(a)", false, true},
        {"CREATE INDEX by_name ON event(name)", false, true},
        {"ALTER TABLE event ADD COLUMN extra", false, true},
        {"ANALYZE", false, true},
        {"PRAGMA user_version = 3", false, true},
        {"PRAGMA optimize", false, true},
        {"ATTACH 'other.db' AS other", false, false},
        {"VACUUM INTO 'copy.db'", false, false},
        {"SELECT load_extension('none')", false, false},
        {"DROP TABLE event", false, true},
    };
    for (const StatementGuard::Access access : {StatementGuard::Access::ReadOnly, StatementGuard::Access::Scratch}) {
        StatementGuard guard(database_.get(), access);
        for (const GuardCase& guardCase : cases) {
            guard.forgetRefusal();
            const int status = sqlite3_exec(database_.get(), guardCase.sql, nullptr, nullptr, nullptr);
            const bool runs = access == StatementGuard::Access::ReadOnly ? guardCase.readOnlyRuns
                                                                         : guardCase.scratchRuns;
            EXPECT_EQ(status == SQLITE_OK, runs) << guardCase.sql << ": " << sqlite3_errmsg(database_.get());
            EXPECT_EQ(guard.refusal().isEmpty(), runs) << guardCase.sql;
        }
    }
}

}
