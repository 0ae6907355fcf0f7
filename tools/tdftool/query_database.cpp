#include "query_database.h"

#include "options.h"
#include "statement_runner.h"
#include "stored_database.h"
#include "trace_reading.h"

#include <sqlite3.h>

namespace {

Database openOrSay(const QString& path, int flags, ProblemReport report = printQueryError)
{
    QString problem;
    Database database = openConnection(path, flags, problem);
    if (!database)
        report(problem);
    return database;
}

Database buildInMemory(const Options& options, TCFList& configurations)
{
    Database database = openOrSay(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    ReadCounts counts;
    if (!database || !loadTrace(database.get(), options, configurations, counts))
        return nullptr;
    return database;
}

}

Database openDatabaseFile(const Options& options, TCFList& configurations, ProblemReport report,
                          const TraceReading* reading)
{
    const QString& path = options.database;
    const QString& trace = options.traces.first();
    const std::optional<TraceFingerprint> fingerprint = fingerprintOf(trace);
    if (!fingerprint) {
        report(QStringLiteral("cannot read %1, the trace to build %2 from or to compare it with").arg(trace, path));
        return nullptr;
    }
    StoredDatabase stored = inspectStoredDatabase(path, *fingerprint, options.configFiles);
    switch (stored.state) {
    case StoredDatabase::Current:
        return std::move(stored.connection);
    case StoredDatabase::Refused:
        report(stored.reason);
        return nullptr;
    case StoredDatabase::OutOfDate:
        report(QStringLiteral("building %1 again: %2").arg(path, stored.reason));
        break;
    case StoredDatabase::Missing:
        break;
    }
    ReadCounts counts;
    if (!(reading ? exportReading(path, options, *reading, counts) : exportTrace(path, options, configurations, counts)))
        return nullptr;
    return openOrSay(path, SQLITE_OPEN_READONLY, report);
}

Database openQueryDatabase(const Options& options, TCFList& configurations)
{
    return options.database.isEmpty() ? buildInMemory(options, configurations)
                                      : openDatabaseFile(options, configurations, printQueryError);
}
