#include "sql_session.h"

#include "sql_interrupt.h"
#include "statement_runner.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

void prompt(bool continued)
{
    std::fputs(continued ? "   ...> " : "sql> ", stderr);
    std::fflush(stderr);
}

bool hasStatement(const QByteArray& text)
{
    return !text.trimmed().isEmpty();
}

}

bool runSqlSession(StatementRunner& runner)
{
    bool allRan = true;
    QByteArray pending;
    char* line = nullptr;
    size_t capacity = 0;
    for (;;) {
        prompt(!pending.isEmpty());
        errno = 0;
        const ssize_t length = getline(&line, &capacity, stdin);
        if (length < 0 && errno == EINTR) {
            // Ctrl-C while typing: start again.
            clearerr(stdin);
            SqlInterrupt::clear();
            pending.clear();
            std::fputc('\n', stderr);
            continue;
        }
        if (length < 0)
            break;
        pending.append(line, length);
        if (!sqlite3_complete(pending.constData()))
            continue;
        SqlInterrupt::clear();
        allRan = runner.run({pending, QStringLiteral("the statement")}) && allRan;
        pending.clear();
    }
    std::free(line);
    // The end of input leaves the prompt's line open.
    std::fputc('\n', stderr);
    if (hasStatement(pending))
        allRan = runner.run({pending, QStringLiteral("the statement")}) && allRan;
    return allRan;
}
