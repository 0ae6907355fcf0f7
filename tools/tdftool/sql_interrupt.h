#ifndef TDFTOOL_SQL_INTERRUPT_H
#define TDFTOOL_SQL_INTERRUPT_H

struct sqlite3;

// While it lives, an interrupt (SIGINT, Ctrl-C) stops the statement that
// runs on the database instead of the tool, so that what was printed is
// whole and the connection is closed as usual. Only one lives at a time.
class SqlInterrupt {
public:
    explicit SqlInterrupt(sqlite3* database);
    ~SqlInterrupt();
    SqlInterrupt(const SqlInterrupt&) = delete;
    SqlInterrupt& operator=(const SqlInterrupt&) = delete;

    // Whether an interrupt came since the last clear(), also between
    // statements, when there was none to stop.
    static bool happened();
    static void clear();
};

#endif
