#ifndef TDFTOOL_DATABASE_CONNECTION_H
#define TDFTOOL_DATABASE_CONNECTION_H

#include <QString>

#include <memory>

struct sqlite3;

struct DatabaseCloser {
    void operator()(sqlite3* database) const;
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

// A connection to the database at `path` (":memory:" for one of its own)
// opened with sqlite3_open_v2's `flags`, with SQLite's defences for a file
// of unknown origin on: no function that a view or trigger names runs
// unless it is harmless, no statement may damage the file's structure.
// Null with the reason in `problem` when it can't be opened.
Database openConnection(const QString& path, int flags, QString& problem);

#endif
