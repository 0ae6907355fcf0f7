#include "commands.h"
#include "page_problems.h"
#include "standard_output.h"
#include "tool_messages.h"
#include "trace_reading.h"
#include "write_all.h"

#include <html_page.h>
#include <html_page_data.h>
#include <layout.h>
#include <page_store.h>
#include <svg_writer.h>

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

// Saving renames a new file over the target, which would put a regular
// file in place of a FIFO or a device, also one behind a symbolic link.
bool replaceableTarget(const QString& path)
{
    struct stat target;
    return ::stat(QFile::encodeName(path).constData(), &target) != 0 || S_ISREG(target.st_mode);
}

// Writes the picture, which `produce` hands to its writer piece by piece,
// whole or not at all; false with the reason.
bool savePicture(const QString& path, const std::function<bool(const PageWriter&)>& produce, QString& reason)
{
    if (!replaceableTarget(path)) {
        reason = QStringLiteral("it exists and is not a regular file");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = file.errorString();
        return false;
    }
    // QSaveFile takes a short write for success and has no reason for it
    // (a full disk, the file size limit): the descriptor tells.
    const auto write = [&file](const QByteArray& piece) {
        return writeAll(file.handle(), piece.constData(), static_cast<std::size_t>(piece.size()));
    };
    if (!produce(write)) {
        const int failure = errno;
        reason = QString::fromLocal8Bit(std::strerror(failure));
        return false;
    }
    if (!file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
}

// Saves the picture or reports why it could not.
bool save(const QString& path, const std::function<bool(const PageWriter&)>& produce)
{
    QString reason;
    if (savePicture(path, produce, reason))
        return true;
    printToolError(QStringLiteral("cannot write %1: %2").arg(path, reason));
    return false;
}

// The page carries the whole trace and lays out what is on screen: it is
// made from the trace's event store, read streaming, so that memory
// follows the store rather than the whole model.
bool renderPage(const Options& options, TCFList& configurations, StandardOutput& output)
{
    TDF reader(&configurations);
    reader.setStreaming(true);
    reader.setTimeFormat(options.timeFormat);
    PageStore pages(reader);
    ReadCounts counts;
    const QString& path = options.traces.first();
    const PageProblemCapture problems([&pages] { return pages.storedEvents(); });
    if (!readTrace(reader, path, counts, [&pages](TDFObject* object, TDF::ModelChangment) { pages.follow(object); }))
        return true;  // reported as a trace error
    pages.finish(PageStore::Model::release);
    PageData data(pages.store(), pages.looks(), traceTitle(path));
    data.setProblems(problems.problems(traceTitle(path)));
    if (!save(options.output, [&data](const PageWriter& write) { return writeHtmlPage(data, write); }))
        return false;
    output.print("%s: %lld events, %d columns\n", options.output.toLocal8Bit().constData(), data.events(),
                 data.columns);
    return true;
}

}

bool runRender(const Options& options, TCFList& configurations, StandardOutput& output)
{
    if (isHtmlOutput(options.output)) {
        // Said rather than refused: the page is what was asked for, and it
        // shows the stretch asked for too, among the rest.
        if (options.from || options.to || options.maxEvents)
            printDiagnostic(Error::WARNING,
                            QStringLiteral("render: %1 holds the whole trace: --from, --to and --max-events "
                                           "apply to an SVG picture only")
                                .arg(options.output),
                            QString(), 0, 0);
        return renderPage(options, configurations, output);
    }

    // The SVG picture is laid out here, within the chosen window, from the
    // whole model.
    TDF reader(&configurations);
    ReadCounts counts;
    const PageProblemCapture problems;
    long long traces = 1;
    reader.setTimeFormat(options.timeFormat);
    if (!readTrace(reader, options.traces.first(), counts, [&traces](TDFObject* object, TDF::ModelChangment) {
            traces += object && object->type == TDF_NEW_TRACE ? 1 : 0;
        }))
        return true;  // reported as a trace error
    const QString& path = options.traces.first();

    RenderOptions window;
    window.from = options.from;
    window.to = options.to;
    window.maxEvents = options.maxEvents.value_or(RenderOptions::defaultMaxEvents);
    window.title = traceTitle(path);
    window.problems = problems.lines(traceTitle(path));
    window.problemCount = problems.count();
    window.traces = traces;
    const Diagram diagram = layoutDiagram(reader, window);
    const QByteArray picture = svgDocument(diagram);
    if (!save(options.output, [&picture](const PageWriter& write) { return write(picture); }))
        return false;
    output.print("%s: %lld of %lld events, %zu lifelines\n", options.output.toLocal8Bit().constData(),
                 diagram.shownEvents, diagram.totalEvents, diagram.lifelines.size());
    // Standard output holds what was written; what was left out is said
    // on standard error, after it.
    if (!diagram.cutNotice.isEmpty()) {
        output.flush();
        std::fprintf(stderr, "%s\n", diagram.cutNotice.toLocal8Bit().constData());
    }
    return true;
}
