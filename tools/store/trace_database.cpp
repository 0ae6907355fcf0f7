#include "trace_database.h"

#include "sqlite_store_writer.h"
#include "store_builder.h"

#include <diagnostic_capture.h>
#include <options.h>
#include <tool_messages.h>
#include <trace_reading.h>

#include <tcf.h>
#include <tdf.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <csignal>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 fingerprintSpan = 64 * 1024;
// The page cache of a loading: the rows go in key order, so a small cache
// does; the indexes are sorted with it too. Pages of 8 KiB took the least
// time and memory on the bounded generated traces (against 4 and 16 KiB,
// caches of 4 to 32 MiB).
constexpr int cacheKibibytes = 4 * 1024;
constexpr int pageBytes = 8 * 1024;

bool execute(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// What the database is called in messages: its file, or "the database"
// for one in memory.
QString databaseName(sqlite3* db)
{
    const char* file = sqlite3_db_filename(db, "main");
    return file && *file ? QString::fromLocal8Bit(file) : QStringLiteral("the database");
}

void reportFailure(const QString& database, const QString& reason)
{
    printToolError(QStringLiteral("cannot write %1: %2").arg(database, reason));
}

std::vector<std::pair<QString, QString>> metaOf(const ReadingFacts& facts, const Options& options,
                                                const QString& path, const ReadCounts& counts,
                                                const StoreTotals& totals)
{
    std::vector<std::pair<QString, QString>> meta = {
        {QStringLiteral("trace"), traceTitle(path)},
        {QStringLiteral("configuration"), facts.configuration},
        {QStringLiteral("unit"), facts.unit},
        {QStringLiteral("lines"), QString::number(counts.lines)},
        {QStringLiteral("schema_version"), QString::number(schemaVersion)},
        {QStringLiteral("tool_version"), QStringLiteral(TDF_VERSION)},
        {QStringLiteral("events"), QString::number(totals.events)},
        {QStringLiteral("traces"), QString::number(facts.traces)},
        {QStringLiteral("blocks"), QString::number(facts.blocks)},
        {QStringLiteral("errors"), QString::number(counts.errors)},
        {QStringLiteral("warnings"), QString::number(counts.warnings)},
    };
    if (!options.configFiles.isEmpty())
        meta.emplace_back(QStringLiteral("configuration_files"), options.configFiles.join(QLatin1Char('\n')));
    if (const std::optional<TraceFingerprint> fingerprint =
            path == standardInputName ? std::nullopt : fingerprintOf(path)) {
        meta.emplace_back(QStringLiteral("trace_size"), QString::number(fingerprint->size));
        meta.emplace_back(QStringLiteral("trace_mtime"), QString::number(fingerprint->mtimeNs));
        meta.emplace_back(QStringLiteral("trace_hash"), QString::fromLatin1(fingerprint->hash));
    }
    return meta;
}

// Counts the rows the builder hands to the writer.
class CountingSink : public store::StoreSink {
public:
    CountingSink(store::SqliteStoreWriter& writer, StoreTotals& totals) : writer_(writer), totals_(totals) {}
    void event(const store::EventRow& row) override
    {
        ++totals_.events;
        writer_.event(row);
    }
    void instance(const store::InstanceRow& row) override
    {
        ++totals_.instances;
        writer_.instance(row);
    }
    void message(const store::MessageRow& row) override
    {
        ++totals_.messages;
        writer_.message(row);
    }
    void loop(const store::LoopRow& row) override
    {
        ++totals_.loops;
        writer_.loop(row);
    }
    void thread(const store::ThreadRow& row) override
    {
        writer_.thread(row);
    }
    void deletedAgain(std::int64_t instance, std::int64_t event) override { writer_.deletedAgain(instance, event); }
    void member(const store::MemberRow& row) override { writer_.member(row); }

private:
    store::SqliteStoreWriter& writer_;
    StoreTotals& totals_;
};

}

std::optional<TraceFingerprint> fingerprintOf(const QString& path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const qint64 size = status.st_size;
    const QByteArray first = file.read(std::min(size, fingerprintSpan));
    if (first.size() != std::min(size, fingerprintSpan) || !file.seek(std::max<qint64>(0, size - fingerprintSpan)))
        return std::nullopt;
    const QByteArray last = file.read(fingerprintSpan);
    if (last.size() != std::min(size, fingerprintSpan))
        return std::nullopt;
    hash.addData(first);
    hash.addData(last);
    TraceFingerprint fingerprint;
    fingerprint.size = size;
    fingerprint.mtimeNs = static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
    fingerprint.hash = hash.result().toHex();
    return fingerprint;
}

ReadingFacts readingFacts(const TDF& reader, long long traces)
{
    return {reader.tcf ? reader.tcf->publicName() : QString(), reader.timeUnitText,
            static_cast<long long>(reader.definitionBlocks->count), traces};
}

namespace {

// The reading of export and query: a reader of their own, streaming
// unless options.wholeModel.
TraceReading ownReading(const Options& options, TCFList& configurations)
{
    return [&options, &configurations](store::StoreSink& sink, ReadCounts& counts) -> std::optional<ReadingFacts> {
        TDF reader(&configurations);
        reader.setStreaming(!options.wholeModel);
        store::StoreBuilder builder(reader, sink);
        const bool read = readTrace(reader, options.traces.first(), counts, [&](TDFObject* object, TDF::ModelChangment) {
            builder.follow(object);
        });
        builder.finish();
        return read ? std::make_optional(readingFacts(reader, builder.traces())) : std::nullopt;
    };
}

// loadTrace, naming the database `database` in its messages.
bool loadNamed(sqlite3* db, const QString& database, const Options& options, const TraceReading& reading,
               ReadCounts& counts, StoreTotals* totalsOut)
{
    // The database is whole or not used: no journal to roll back into, no
    // waiting for the disk on every page, no other connection meanwhile.
    const QByteArray settings = "PRAGMA page_size=" + QByteArray::number(pageBytes) +
                                "; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
                                " PRAGMA cache_size=-" + QByteArray::number(cacheKibibytes) + "; BEGIN";
    if (!execute(db, settings.constData())) {
        reportFailure(database, store::failureOf(db));
        return false;
    }
    store::SqliteStoreWriter writer(db);
    StoreTotals totals;
    CountingSink sink(writer, totals);
    const QString& path = options.traces.first();
    std::optional<ReadingFacts> facts;
    std::vector<Diagnostic> reports;
    const bool began = writer.begin();
    if (began) {
        {
            DiagnosticCapture capture;
            facts = reading(sink, counts);
            reports = std::move(capture.reports);
        }
        for (const Diagnostic& report : reports)
            printDiagnostic(report.severity, report.message, report.file, report.line, report.column);
        printReadingRate(counts);
        for (const Diagnostic& report : reports)
            writer.diagnostic({report.file, report.line, report.column, report.severity == Error::ERROR,
                               report.message},
                              traceTitle(path));
        if (facts)
            writer.finish(metaOf(*facts, options, path, counts, totals));
    }
    const bool read = facts.has_value();
    if (!read || writer.failed() || !execute(db, "COMMIT")) {
        // A trace that could not be read has been reported by the reader.
        if (read || !began)
            reportFailure(database, writer.failed() ? writer.error() : store::failureOf(db));
        execute(db, "ROLLBACK");
        return false;
    }
    if (totalsOut)
        *totalsOut = totals;
    return true;
}

}

bool loadTrace(sqlite3* db, const Options& options, TCFList& configurations, ReadCounts& counts,
               StoreTotals* totals)
{
    return loadNamed(db, databaseName(db), options, ownReading(options, configurations), counts, totals);
}

namespace {

// The temporary file of an export, removed by a signal that ends the tool
// while it is written; a fixed buffer, as a signal handler may touch no
// other memory.
char pendingFile[PATH_MAX + 1];
const int endingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void removePendingFile(int signal)
{
    if (pendingFile[0] != '\0')
        ::unlink(pendingFile);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// While it lives, the ending signals remove the temporary file first.
class PendingFileGuard {
public:
    explicit PendingFileGuard(const QByteArray& path)
    {
        std::memcpy(pendingFile, path.constData(), static_cast<size_t>(path.size()) + 1);
        struct sigaction action = {};
        action.sa_handler = removePendingFile;
        sigemptyset(&action.sa_mask);
        // A signal the tool was started with ignored (nohup, a background
        // job's SIGINT) stays ignored.
        for (size_t i = 0; i < std::size(endingSignals); ++i)
            if (sigaction(endingSignals[i], nullptr, &previous_[i]) == 0 && previous_[i].sa_handler != SIG_IGN)
                sigaction(endingSignals[i], &action, nullptr);
    }
    ~PendingFileGuard()
    {
        for (size_t i = 0; i < std::size(endingSignals); ++i)
            sigaction(endingSignals[i], &previous_[i], nullptr);
        pendingFile[0] = '\0';
    }
    PendingFileGuard(const PendingFileGuard&) = delete;
    PendingFileGuard& operator=(const PendingFileGuard&) = delete;

private:
    struct sigaction previous_[std::size(endingSignals)];
};

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The mode of the new file: the replaced one's, else what the umask leaves.
mode_t modeFor(const struct stat* existing)
{
    if (existing)
        return existing->st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Closes the database and makes its file durable; false with the reason.
bool closeDatabase(sqlite3* db, const QByteArray& file, QString& reason)
{
    if (sqlite3_close(db) != SQLITE_OK) {
        reason = store::failureOf(db);
        sqlite3_close_v2(db);
        return false;
    }
    const int descriptor = ::open(file.constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0 || ::fsync(descriptor) != 0) {
        reason = lastError();
        if (descriptor >= 0)
            ::close(descriptor);
        return false;
    }
    ::close(descriptor);
    return true;
}

// Loads the trace into a new database in `file`, closed and on the disk at
// the end; false with the reason, or with none when loading said why.
bool writeDatabase(const QByteArray& file, const QString& target, const Options& options,
                   const TraceReading& reading, ReadCounts& counts, StoreTotals* totals, QString& reason)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        reason = store::failureOf(db);
        sqlite3_close(db);
        return false;
    }
    if (!loadNamed(db, target, options, reading, counts, totals)) {
        sqlite3_close(db);
        return false;
    }
    return closeDatabase(db, file, reason);
}

}

bool exportTrace(const QString& target, const Options& options, TCFList& configurations, ReadCounts& counts,
                 StoreTotals* totals)
{
    return exportReading(target, options, ownReading(options, configurations), counts, totals);
}

bool exportReading(const QString& target, const Options& options, const TraceReading& reading, ReadCounts& counts,
                   StoreTotals* totals)
{
    struct stat existing;
    const bool exists = ::stat(QFile::encodeName(target).constData(), &existing) == 0;
    // Renaming would put a regular file in place of a directory, a FIFO or
    // a device, also one behind a symbolic link.
    if (exists && !S_ISREG(existing.st_mode)) {
        printToolError(QStringLiteral("cannot write %1: it exists and is not a regular file").arg(target));
        return false;
    }
    // Replacing the trace itself would lose it.
    struct stat trace;
    if (exists && options.traces.first() != standardInputName &&
        ::stat(QFile::encodeName(options.traces.first()).constData(), &trace) == 0 &&
        trace.st_dev == existing.st_dev && trace.st_ino == existing.st_ino) {
        printToolError(QStringLiteral("cannot write %1: it is the trace being read").arg(target));
        return false;
    }
    // A link to a file has the file replaced, as a picture's has.
    const QFileInfo info(exists ? QFileInfo(target).canonicalFilePath() : target);
    const QByteArray targetFile = QFile::encodeName(info.filePath());
    QByteArray temporary = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                                             QStringLiteral(".XXXXXX"));
    if (temporary.size() > PATH_MAX) {
        printToolError(QStringLiteral("cannot write %1: the name is too long").arg(target));
        return false;
    }
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) {
        printToolError(QStringLiteral("cannot write %1: %2").arg(target, lastError()));
        return false;
    }
    PendingFileGuard guard(temporary);
    const bool moded = ::fchmod(descriptor, modeFor(exists ? &existing : nullptr)) == 0;
    ::close(descriptor);
    QString reason;
    const bool written = moded ? writeDatabase(temporary, target, options, reading, counts, totals, reason)
                               : (reason = lastError(), false);
    if (written && ::rename(temporary.constData(), targetFile.constData()) == 0)
        return true;
    if (written)
        reason = lastError();
    ::unlink(temporary.constData());
    // An empty reason: loadTrace has said why.
    if (!reason.isEmpty())
        reportFailure(target, reason);
    return false;
}
