#include "commands.h"
#include "query_database.h"
#include "result_printer.h"
#include "sql_interrupt.h"
#include "sql_session.h"
#include "standard_output.h"
#include "statement_guard.h"
#include "statement_runner.h"

#include <QFile>

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

ResultFormat formatOf(const Options& options)
{
    if (options.json)
        return ResultFormat::JsonLines;
    if (options.table)
        return ResultFormat::Table;
    return options.csv || !isatty(STDOUT_FILENO) ? ResultFormat::Csv : ResultFormat::Table;
}

// The statements of a file ("-" for standard input), read whole. False
// after saying why.
bool readStatements(const QString& path, std::vector<SqlText>& texts)
{
    const bool standardInput = path == standardInputName;
    QFile file(path);
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    QByteArray text = opened ? file.readAll() : QByteArray();
    if (!opened || file.error() != QFileDevice::NoError) {
        printQueryError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return false;
    }
    texts.push_back({text, standardInput ? QStringLiteral("standard input") : path});
    return true;
}

// The statements of the arguments, then those of -f.
bool collectStatements(const Options& options, std::vector<SqlText>& texts)
{
    for (int i = 0; i < options.statements.size(); ++i)
        texts.push_back({options.statements[i].toUtf8(), QStringLiteral("SQL argument %1").arg(i + 1)});
    return options.scriptFile.isEmpty() || readStatements(options.scriptFile, texts);
}

}

bool runQuery(const Options& options, TCFList& configurations, StandardOutput& output)
{
    // The statements are read before the trace, so that a file that can't
    // be read costs no reading.
    // Without SQL the statements come from standard input: typed one by
    // one on a terminal, else read whole.
    const bool fromInput = options.statements.isEmpty() && options.scriptFile.isEmpty();
    const bool session = fromInput && isatty(STDIN_FILENO);
    std::vector<SqlText> texts;
    if (!collectStatements(options, texts) || (fromInput && !session && !readStatements(standardInputName, texts)))
        return false;
    Database database = openQueryDatabase(options, configurations);
    if (!database)
        return false;

    StatementGuard guard(database.get(), options.database.isEmpty() ? StatementGuard::Access::Scratch
                                                                    : StatementGuard::Access::ReadOnly);
    const std::unique_ptr<ResultPrinter> printer = makeResultPrinter(formatOf(options), output.stream());
    StatementRunner runner(database.get(), guard, *printer, output);
    const SqlInterrupt interrupt(database.get());
    if (session)
        return runSqlSession(runner);
    for (const SqlText& text : texts)
        if (!runner.run(text))
            return false;
    return true;
}
