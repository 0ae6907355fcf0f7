#ifndef TDFTOOL_QUERY_DATABASE_H
#define TDFTOOL_QUERY_DATABASE_H

#include "database_connection.h"

#include <trace_database.h>

#include <QString>

struct Options;
class TCFList;

// The database that query asks: the trace's, built in memory, or the file
// of --db, built there from the trace when it is missing or out of date
// and then open read only. Null after saying why on standard error.
Database openQueryDatabase(const Options& options, TCFList& configurations);

// The file of --db alone, read only, built or built again as for query
// (from `reading` when given, else from a reading of its own); null after
// saying why through `report` (the command's own prefix).
using ProblemReport = void (*)(const QString& message);
Database openDatabaseFile(const Options& options, TCFList& configurations, ProblemReport report,
                          const TraceReading* reading = nullptr);

#endif
