#ifndef STORE_TRACE_DATABASE_H
#define STORE_TRACE_DATABASE_H

// A trace as an SQLite database: its event store written out in the tables
// docs/sql.md describes (event, instance, message, loop, diagnostic, meta and
// the tables beside them), for export and query.

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

struct Options;
struct ReadCounts;
struct sqlite3;
class TCFList;
class TDF;
namespace store {
class StoreSink;
}

// What identifies the trace file a database was made from: its size, its
// modification time and a hash of its first and last 64 KiB, recorded in
// meta as trace_size, trace_mtime and trace_hash (hexadecimal).
struct TraceFingerprint {
    long long size = 0;
    long long mtimeNs = 0;
    QByteArray hash;

    bool operator==(const TraceFingerprint& other) const
    {
        return size == other.size && mtimeNs == other.mtimeNs && hash == other.hash;
    }
    bool operator!=(const TraceFingerprint& other) const { return !(*this == other); }
};

// The fingerprint of a trace file; none when it is not a regular file or
// can't be read.
std::optional<TraceFingerprint> fingerprintOf(const QString& path);

// The version of the tables in meta as schema_version; a database of a newer
// one is not this tool's to read.
constexpr int schemaVersion = 1;

// What a loading wrote, for the line export prints.
struct StoreTotals {
    long long events = 0;
    long long instances = 0;
    long long messages = 0;
    long long loops = 0;
};

// What meta records of a reading beyond its counts.
struct ReadingFacts {
    QString configuration;  // the public name of the configuration it was read against
    QString unit;           // the trace's unit as written
    long long blocks = 0;   // definition blocks
    long long traces = 0;   // NT sections
};

// The facts of what `reader` has read, in `traces` NT sections.
ReadingFacts readingFacts(const TDF& reader, long long traces);

// Reads the trace, handing every row, the open ones too, to `sink`, and
// says what meta records of it; none when the trace could not be read
// (the reader has said why). For a client that uses the reading for more
// than the database (a view that also shows the trace).
using TraceReading = std::function<std::optional<ReadingFacts>(store::StoreSink& sink, ReadCounts& counts)>;

// Reads the trace (options.traces.first(), "-" for standard input) in
// streaming mode (unless options.wholeModel) with the tool's "read N lines ... in S s" line on standard
// error and progress on a terminal, and writes its store into `db`, an open,
// empty connection outside a transaction: the tables, the rows in one
// transaction through prepared statements, the indexes after the load,
// meta. False after saying why (tdftool: ... on standard error), also when
// SQLite fails. A trace whose lines report errors is still loaded (its
// diagnostic rows say what); counts.errors tells the caller. The loading
// keeps no journal (journal_mode OFF) and holds the file locked while the
// connection lives (locking_mode EXCLUSIVE): after a failure the file is
// not to be used but removed.
bool loadTrace(sqlite3* db, const Options& options, TCFList& configurations, ReadCounts& counts,
               StoreTotals* totals = nullptr);

// export: loadTrace into a temporary file in the target's directory, then
// renames it over the target. A target that exists and is not a regular
// file is refused; an interrupting signal or a failed write leaves no file
// behind. False after saying why.
bool exportTrace(const QString& target, const Options& options, TCFList& configurations, ReadCounts& counts,
                 StoreTotals* totals = nullptr);
// The same with the trace read by `reading`.
bool exportReading(const QString& target, const Options& options, const TraceReading& reading, ReadCounts& counts,
                   StoreTotals* totals = nullptr);

#endif
