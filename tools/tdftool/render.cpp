#include "commands.h"
#include "standard_output.h"
#include "tool_messages.h"
#include "trace_reading.h"
#include "write_all.h"

#include <html_page.h>
#include <layout.h>
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

// Writes the picture whole or not at all; false with the reason.
bool savePicture(const QString& path, const QByteArray& picture, QString& reason)
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
    if (!writeAll(file.handle(), picture.constData(), static_cast<std::size_t>(picture.size()))) {
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
bool save(const QString& path, const QByteArray& picture)
{
    QString reason;
    if (savePicture(path, picture, reason))
        return true;
    printToolError(QStringLiteral("cannot write %1: %2").arg(path, reason));
    return false;
}

}

bool runRender(const Options& options, TCFList& configurations, StandardOutput& output)
{
    TDF reader(&configurations);
    ReadCounts counts;
    if (!readTraceForDisplay(reader, options, counts))
        return true;  // reported as a trace error
    const QString& path = options.traces.first();

    // The page carries the whole trace and lays out what is on screen; the
    // SVG picture is laid out here, within the chosen window.
    if (isHtmlOutput(options.output)) {
        const HtmlPage page = htmlPage(reader, traceTitle(path));
        if (!save(options.output, page.bytes))
            return false;
        output.print("%s: %lld events, %d columns\n", options.output.toLocal8Bit().constData(), page.events,
                     page.columns);
        return true;
    }

    RenderOptions window;
    window.from = options.from;
    window.to = options.to;
    window.maxEvents = options.maxEvents;
    window.title = traceTitle(path);
    const Diagram diagram = layoutDiagram(reader, window);
    if (!save(options.output, svgDocument(diagram)))
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
