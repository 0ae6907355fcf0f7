#include "stored_database.h"

#include <trace_database.h>

#include <sqlite3.h>

#include <QFileInfo>

#include <optional>

namespace {

StoredDatabase refused(const QString& reason)
{
    return {StoredDatabase::Refused, reason, nullptr};
}

StoredDatabase outOfDate(const QString& reason)
{
    return {StoredDatabase::OutOfDate, reason, nullptr};
}

// Why the file could not be read. A file that can't be shown to be
// tdftool's is never overwritten, also when it is damaged.
QString unreadable(const QString& path, sqlite3* database)
{
    const QString message = QString::fromUtf8(sqlite3_errmsg(database));
    switch (sqlite3_errcode(database)) {
    case SQLITE_NOTADB:
        return QStringLiteral("%1 is not an SQLite database (%2); tdftool does not overwrite it").arg(path, message);
    case SQLITE_CORRUPT:
        return QStringLiteral("%1 is damaged (%2) and can't be told to be tdftool's; remove it to build it again")
            .arg(path, message);
    default:
        return QStringLiteral("cannot read %1: %2").arg(path, message);
    }
}

// The database's reading of one statement that gives one value, as text;
// none for no row or NULL, and `failed` when SQLite could not read it.
std::optional<QByteArray> readValue(sqlite3* database, const char* sql, const char* key, bool& failed)
{
    sqlite3_stmt* statement = nullptr;
    std::optional<QByteArray> value;
    failed = sqlite3_prepare_v2(database, sql, -1, &statement, nullptr) != SQLITE_OK;
    if (!failed && key)
        sqlite3_bind_text(statement, 1, key, -1, SQLITE_STATIC);
    const int status = failed ? SQLITE_ERROR : sqlite3_step(statement);
    if (status == SQLITE_ROW && sqlite3_column_type(statement, 0) != SQLITE_NULL)
        value = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                           sqlite3_column_bytes(statement, 0));
    failed = failed || (status != SQLITE_ROW && status != SQLITE_DONE);
    // The error stays readable for sqlite3_errmsg() after finalizing.
    sqlite3_finalize(statement);
    return value;
}

std::optional<long long> integerOf(const std::optional<QByteArray>& text)
{
    bool ok = false;
    const long long value = text ? text->toLongLong(&ok) : 0;
    return ok ? std::optional<long long>(value) : std::nullopt;
}

// What tdftool's databases say in meta about how they were made.
struct Meta {
    long long schema = 0;
    std::optional<long long> traceSize;
    std::optional<long long> traceMtime;
    std::optional<QByteArray> traceHash;
    QByteArray configurationFiles;  // the --tcf files, one a line; none for the built-in configuration
};

// False, with the reason to refuse the file in `refusal`, when the meta
// table can't be read or is not tdftool's: one that tells schema_version
// and tool_version.
bool readMeta(const QString& path, sqlite3* database, Meta& meta, QString& refusal)
{
    bool failed = false;
    const std::optional<QByteArray> metaType =
        readValue(database, "SELECT type FROM sqlite_schema WHERE name = 'meta'", nullptr, failed);
    std::optional<QByteArray> values[6];
    const char* const keys[] = {"schema_version", "tool_version",         "trace_size",
                                "trace_mtime",    "trace_hash",           "configuration_files"};
    for (int i = 0; i < 6 && !failed && metaType == QByteArray("table"); ++i)
        values[i] = readValue(database, "SELECT value FROM meta WHERE key = ?1", keys[i], failed);
    if (failed) {
        refusal = unreadable(path, database);
        return false;
    }
    const std::optional<long long> schema = integerOf(values[0]);
    if (!schema || !values[1]) {
        refusal = QStringLiteral("%1 is an SQLite database that tdftool did not make (it has no meta table "
                                 "with schema_version and tool_version); tdftool does not overwrite it")
                      .arg(path);
        return false;
    }
    meta.schema = *schema;
    meta.traceSize = integerOf(values[2]);
    meta.traceMtime = integerOf(values[3]);
    meta.traceHash = values[4];
    meta.configurationFiles = values[5].value_or(QByteArray());
    return true;
}

bool isOfTrace(const Meta& meta, const TraceFingerprint& fingerprint)
{
    return meta.traceSize == fingerprint.size && meta.traceMtime == fingerprint.mtimeNs &&
           meta.traceHash == fingerprint.hash;
}

}

StoredDatabase inspectStoredDatabase(const QString& path, const TraceFingerprint& fingerprint,
                                     const QStringList& configurationFiles)
{
    const QFileInfo file(path);
    // An empty file holds nothing to lose: a name made for the database.
    if (!file.exists() || (file.isFile() && file.size() == 0))
        return {};
    if (!file.isFile())
        return refused(QStringLiteral("%1 exists and is not a regular file").arg(path));
    QString problem;
    Database database = openConnection(path, SQLITE_OPEN_READONLY, problem);
    if (!database)
        return refused(problem);
    Meta meta;
    if (!readMeta(path, database.get(), meta, problem))
        return refused(problem);
    if (meta.schema > schemaVersion)
        return refused(QStringLiteral("%1 was made by a newer tdftool (schema version %2; this one knows %3); "
                                      "tdftool does not overwrite it")
                           .arg(path)
                           .arg(meta.schema)
                           .arg(schemaVersion));
    if (meta.schema < schemaVersion)
        return outOfDate(
            QStringLiteral("it has schema version %1, this tdftool makes %2").arg(meta.schema).arg(schemaVersion));
    if (!isOfTrace(meta, fingerprint))
        return outOfDate(QStringLiteral("it was made from another trace, or the trace has changed since"));
    // The same trace reads differently against other configurations.
    if (meta.configurationFiles != configurationFiles.join(QLatin1Char('\n')).toUtf8())
        return outOfDate(QStringLiteral("it was made with other configuration files (--tcf)"));
    return {StoredDatabase::Current, QString(), std::move(database)};
}
