#include "sql_interrupt.h"

#include <sqlite3.h>

#include <csignal>

namespace {

sqlite3* volatile interruptedDatabase = nullptr;
volatile std::sig_atomic_t interruptCame = 0;
struct sigaction earlierAction;

// sqlite3_interrupt() only sets a flag that the running statement looks
// at, which is safe in a signal handler.
void onInterrupt(int)
{
    interruptCame = 1;
    if (sqlite3* database = interruptedDatabase)
        sqlite3_interrupt(database);
}

}

SqlInterrupt::SqlInterrupt(sqlite3* database)
{
    interruptedDatabase = database;
    interruptCame = 0;
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read of the statements that waits on a terminal
    // returns, so that the session can drop what was typed.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, &earlierAction);
    // A tool started to ignore interrupts (in the background, under
    // nohup) keeps ignoring them.
    if (earlierAction.sa_handler == SIG_IGN)
        sigaction(SIGINT, &earlierAction, nullptr);
}

SqlInterrupt::~SqlInterrupt()
{
    sigaction(SIGINT, &earlierAction, nullptr);
    interruptedDatabase = nullptr;
}

bool SqlInterrupt::happened()
{
    return interruptCame != 0;
}

void SqlInterrupt::clear()
{
    interruptCame = 0;
}
