#ifndef TDFTOOL_SQL_SESSION_H
#define TDFTOOL_SQL_SESSION_H

class StatementRunner;

// Reads statements from standard input, a terminal, until its end, with a
// prompt on standard error, and runs each as soon as a ';' completes it.
// A statement that fails is reported and the session goes on; an
// interrupt drops what was typed of the next one. False when any failed.
bool runSqlSession(StatementRunner& runner);

#endif
