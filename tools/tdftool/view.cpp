#include "commands.h"
#include "page_problems.h"
#include "query_database.h"
#include "sql_endpoint.h"
#include "standard_output.h"
#include "stop_signals.h"
#include "tool_messages.h"
#include "trace_reading.h"

#include <html_page.h>
#include <html_page_data.h>
#include <page_store.h>
#include <trace_service.h>
#include <view_server.h>

#include <QFileInfo>
#include <QProcess>

#include <cstdio>
#include <memory>

namespace {

void warn(const QString& message)
{
    printDiagnostic(Error::WARNING, QStringLiteral("view: ") + message, QString(), 0, 0);
}

void reportProblem(const QString& message)
{
    printToolError(QStringLiteral("view: ") + message);
}

void openBrowser(const std::string& url)
{
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(url)}))
        warn(QStringLiteral("cannot start xdg-open to open the view"));
}

}

bool runView(const Options& options, TCFList& configurations, StandardOutput& output)
{
    const QString& path = options.traces.first();
    const std::string address =
        options.bindAddress.isEmpty() ? view::loopbackAddress : options.bindAddress.toStdString();
    if (view::addressKind(address) != view::AddressKind::loopback)
        warn(QStringLiteral("listening on %1: other machines can reach the view, which only its token guards")
                 .arg(options.bindAddress));

    // The service keeps the page store, which refers to the reader: the
    // reader outlives the server.
    TDF reader(&configurations);
    view::Server server(servedPage(traceTitle(path)).toStdString());
    std::string reason;
    {
        // Only this thread is to take the stop signals.
        const StopSignalsHeld held;
        if (!server.start(options.port, reason, address)) {
            std::fprintf(stderr, "tdftool: view: cannot listen on %s: %s\n",
                         view::authority(address, options.port).c_str(), reason.c_str());
            return false;
        }
    }
    // The page shows the reading's progress until the view is ready.
    if (options.openBrowser)
        openBrowser(server.url());

    // Until the view serves, a stop signal ends the tool as it ends the
    // other commands' reading.
    reader.setStreaming(true);
    std::unique_ptr<PageStore> pages;
    const double size = path == standardInputName ? 0 : double(QFileInfo(path).size());
    // Reads the trace into the page's store, every row also to `alsoTo`;
    // what it read, taken before the reader lets its model go.
    ReadingProblems problems;
    const auto readPage = [&](store::StoreSink* alsoTo, ReadCounts& counts) -> std::optional<ReadingFacts> {
        pages = std::make_unique<PageStore>(reader, alsoTo);
        // Within the database's capture, if there is one, which takes the
        // reports this one passes on.
        const PageProblemCapture capture([&pages] { return pages->storedEvents(); });
        const bool read = readTrace(reader, path, counts, [&](TDFObject* object, TDF::ModelChangment) {
            pages->follow(object);
            if (size > 0)
                server.setProgress(double(reader.bytesRead) / size);
        });
        problems = capture.problems(traceTitle(path));
        if (!read)
            return std::nullopt;
        const ReadingFacts facts = readingFacts(reader, pages->traces());
        pages->finish(PageStore::Model::release);
        return facts;
    };
    // A database to build takes its rows from the page's reading.
    const TraceReading alsoForDatabase = [&](store::StoreSink& sink, ReadCounts& counts) {
        return readPage(&sink, counts);
    };
    Database database;
    if (!options.database.isEmpty() &&
        !(database = openDatabaseFile(options, configurations, reportProblem, &alsoForDatabase)))
        return false;
    ReadCounts counts;
    if (!pages && !readPage(nullptr, counts))
        return true;  // reported as a trace error
    auto data = std::make_unique<PageData>(pages->store(), pages->looks(), traceTitle(path));
    data->setProblems(problems);
    // From here on a stop signal stops the view, also one that comes
    // right after the URL is printed.
    const StopSignalsHeld held;
    std::shared_ptr<const view::Service> service = view::makeTraceService(std::move(pages), std::move(data));
    server.setService(database ? withSqlEndpoint(std::move(service), std::move(database)) : std::move(service));
    output.print("tdftool: view of %s at %s\n", traceTitle(path).toLocal8Bit().constData(), server.url().c_str());
    output.flush();
    held.wait();
    server.stop();
    return true;
}
