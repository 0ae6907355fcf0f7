#include "database_connection.h"

#include <sqlite3.h>

void DatabaseCloser::operator()(sqlite3* database) const
{
    sqlite3_close_v2(database);
}

Database openConnection(const QString& path, int flags, QString& problem)
{
    sqlite3* connection = nullptr;
    const int status = sqlite3_open_v2(path.toUtf8().constData(), &connection, flags, nullptr);
    Database database(connection);
    if (status != SQLITE_OK) {
        problem = QStringLiteral("cannot open %1: %2")
                      .arg(path, QString::fromUtf8(connection ? sqlite3_errmsg(connection) : sqlite3_errstr(status)));
        return nullptr;
    }
    sqlite3_db_config(connection, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(connection, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    return database;
}
