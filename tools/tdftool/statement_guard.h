#ifndef TDFTOOL_STATEMENT_GUARD_H
#define TDFTOOL_STATEMENT_GUARD_H

#include <QString>

struct sqlite3;

// What query lets statements do to the database and to the machine,
// through SQLite's authorizer, which looks at each statement as it is
// prepared. Nothing may open another database file (ATTACH, also the one
// that VACUUM INTO writes) or load an extension; a database file of its
// own (query --db) is not to be changed either, beyond its read-only
// connection refusing it.
class StatementGuard {
public:
    enum class Access {
        ReadOnly,  // a database file: only reading statements
        Scratch,   // the trace's database in memory: its tables may change
    };

    // Watches the statements prepared on `database` from now on; the guard
    // is to outlive the connection's use.
    StatementGuard(sqlite3* database, Access access);
    StatementGuard(const StatementGuard&) = delete;
    StatementGuard& operator=(const StatementGuard&) = delete;

    // Why the guard refused something since the last forgetRefusal()
    // ("INSERT on event is refused: ..."), to report in place of SQLite's
    // "not authorized"; empty when it refused nothing.
    const QString& refusal() const { return refusal_; }
    void forgetRefusal() { refusal_.clear(); }

private:
    static int authorize(void* guard, int action, const char* first, const char* second, const char* database,
                         const char* trigger);
    // The reason to refuse the action, or a null QString to allow it.
    QString reasonToRefuse(int action, const char* first, const char* second) const;

    Access access_;
    QString refusal_;
};

#endif
