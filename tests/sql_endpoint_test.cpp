// The served view's SQL endpoint over a database file opened read only, as
// view --db opens it: its answers, its bounds and what it refuses.

#include <database_connection.h>
#include <sql_endpoint.h>

#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// Stands for the view's own endpoints.
class ViewEndpoints : public view::Service {
public:
    view::Answer answer(const std::string& endpoint, const view::Parameters&) const override
    {
        return {200, "text/plain", "view:" + endpoint};
    }
};

class SqlEndpointTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory_.isValid());
        path_ = directory_.filePath(QStringLiteral("trace.db"));
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "CREATE TABLE event(id INTEGER PRIMARY KEY, name TEXT, time INTEGER);"
                               "INSERT INTO event VALUES(0, 'start', 10), (1, NULL, 20), (2, 'quote \"x\"', 30);",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }

    std::shared_ptr<const view::Service> endpoint(SqlLimits limits = {})
    {
        QString problem;
        Database database = openConnection(path_, SQLITE_OPEN_READONLY, problem);
        EXPECT_TRUE(database) << problem.toStdString();
        return withSqlEndpoint(std::make_shared<ViewEndpoints>(), std::move(database), limits);
    }

    static view::Answer ask(const view::Service& service, const std::string& sql)
    {
        return service.answer("sql", {{"q", sql}});
    }

    QByteArray fileBytes() const
    {
        QFile file(path_);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    QTemporaryDir directory_;
    QString path_;
};

TEST_F(SqlEndpointTest, AnswersOneStatementAsColumnsAndRowsAndPassesTheViewsEndpointsOn)
{
    const auto service = endpoint();
    const view::Answer rows = ask(*service, "SELECT id, name, time / 4.0 AS quarter FROM event ORDER BY id");
    EXPECT_EQ(rows.status, 200);
    EXPECT_EQ(rows.contentType, view::jsonType);
    EXPECT_EQ(rows.body, R"({"columns":["id","name","quarter"],"rows":[[0,"start",2.5],[1,null,5],)"
                         R"([2,"quote \"x\"",7.5]],"truncated":false})");
    // A statement without rows still says its columns.
    EXPECT_EQ(ask(*service, "SELECT id FROM event WHERE id < 0").body,
              R"({"columns":["id"],"rows":[],"truncated":false})");
    EXPECT_EQ(service->answer("window", {{"first", "0"}}).body, "view:window");
}

TEST_F(SqlEndpointTest, BoundsTheRowsAndTheBytesOfAnAnswer)
{
    SqlLimits fewRows;
    fewRows.rows = 2;
    EXPECT_EQ(ask(*endpoint(fewRows), "SELECT id FROM event ORDER BY id").body,
              R"({"columns":["id"],"rows":[[0],[1]],"truncated":true})");
    // Exactly as many rows as allowed is whole.
    EXPECT_EQ(ask(*endpoint(fewRows), "SELECT id FROM event WHERE id > 0 ORDER BY id").body,
              R"({"columns":["id"],"rows":[[1],[2]],"truncated":false})");

    SqlLimits fewBytes;
    fewBytes.bytes = 1000;
    const view::Answer large = ask(*endpoint(fewBytes), "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
                                                       "FROM n LIMIT 100000) SELECT x, printf('%.50c', 'a') FROM n");
    EXPECT_EQ(large.status, 200);
    EXPECT_LT(large.body.size(), 1200u);
    EXPECT_NE(large.body.find(R"("truncated":true)"), std::string::npos);
    // One value larger than an answer may be is refused as it is made.
    const view::Answer huge = ask(*endpoint(fewBytes), "SELECT hex(zeroblob(3000))");
    EXPECT_EQ(huge.status, 400);
    EXPECT_NE(huge.body.find("too big"), std::string::npos) << huge.body;
}

TEST_F(SqlEndpointTest, RefusesWhatWouldChangeTheFileOrReachBeyondItAndChangesNothing)
{
    const QByteArray before = fileBytes();
    const auto service = endpoint();
    const std::string other = directory_.filePath(QStringLiteral("other.db")).toStdString();
    for (const std::string& sql :
         {std::string("INSERT INTO event VALUES(3, 'x', 40)"), std::string("DELETE FROM event"),
          std::string("DROP TABLE event"), std::string("CREATE TABLE t(x)"), "ATTACH '" + other + "' AS other",
          "VACUUM INTO '" + other + "'", std::string("PRAGMA user_version = 5"),
          std::string("PRAGMA journal_mode = WAL"), std::string("SELECT load_extension('libm.so')")}) {
        const view::Answer refused = ask(*service, sql);
        EXPECT_EQ(refused.status, 403) << sql << ": " << refused.body;
        EXPECT_NE(refused.body.find(R"({"error":")"), std::string::npos) << refused.body;
    }
    EXPECT_EQ(ask(*service, "SELECT count(*) AS n FROM event").body,
              R"({"columns":["n"],"rows":[[3]],"truncated":false})");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(other)));
    EXPECT_EQ(fileBytes(), before);
}

TEST_F(SqlEndpointTest, StopsAStatementPastItsTimeAndRunsTheNextInFull)
{
    SqlLimits brief;
    brief.seconds = 0.2;
    const auto service = endpoint(brief);
    const view::Answer endless =
        ask(*service, "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT count(*) FROM n");
    EXPECT_EQ(endless.status, 503);
    EXPECT_NE(endless.body.find("longer than 0.2 s"), std::string::npos) << endless.body;
    EXPECT_EQ(ask(*service, "SELECT count(*) FROM event").status, 200);
}

TEST_F(SqlEndpointTest, AnswersAMalformedRequestWithAReason)
{
    const auto service = endpoint();
    EXPECT_EQ(service->answer("sql", {}).status, 400);
    EXPECT_EQ(service->answer("sql", {{"q", "SELECT 1"}, {"q", "SELECT 2"}}).status, 400);
    EXPECT_EQ(service->answer("sql", {{"q", "SELECT 1"}, {"limit", "2"}}).status, 400);
    for (const char* sql : {"", "  ", "SELECT 1; SELECT 2", "SELEC 1", "SELECT * FROM missing"}) {
        const view::Answer bad = ask(*service, sql);
        EXPECT_EQ(bad.status, 400) << sql;
        EXPECT_NE(bad.body.find(R"({"error":")"), std::string::npos) << bad.body;
    }
    // A trailing blank or semicolon is still one statement.
    EXPECT_EQ(ask(*service, "SELECT 1;  \n").status, 200);
}

TEST_F(SqlEndpointTest, AnswersClientsAtOnceEachWithItsOwnResult)
{
    const auto service = endpoint();
    std::vector<std::thread> clients;
    std::vector<int> wrong(4, 0);
    for (int client = 0; client < 4; ++client)
        clients.emplace_back([&, client] {
            for (int i = 0; i < 50; ++i) {
                const std::string expected = R"({"columns":["n"],"rows":[[)" + std::to_string(client * 100 + i) +
                                             R"(]],"truncated":false})";
                if (ask(*service, "SELECT " + std::to_string(client * 100 + i) + " AS n").body != expected)
                    ++wrong[static_cast<size_t>(client)];
            }
        });
    for (std::thread& client : clients)
        client.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}
