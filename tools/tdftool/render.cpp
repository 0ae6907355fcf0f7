#include "commands.h"
#include "standard_output.h"
#include "trace_reading.h"

#include <html_page.h>
#include <layout.h>
#include <svg_writer.h>

#include <QSaveFile>

#include <cstdio>

bool runRender(const Options& options, TCFList& configurations, StandardOutput& output)
{
    TDF reader(&configurations);
    ReadCounts counts;
    if (!readTraceForDisplay(reader, options, counts))
        return true;  // reported as a trace error
    const QString& path = options.traces.first();

    RenderOptions window;
    window.from = options.from;
    window.to = options.to;
    window.maxEvents = options.maxEvents;
    window.title = path;
    const Diagram diagram = layoutDiagram(reader, window);
    const QByteArray picture = isHtmlOutput(options.output) ? htmlPage(diagram) : svgDocument(diagram);

    // A picture is written whole or not at all.
    QSaveFile file(options.output);
    if (!file.open(QIODevice::WriteOnly) || file.write(picture) != picture.size() || !file.commit()) {
        std::fprintf(stderr, "tdftool: cannot write %s: %s\n", options.output.toLocal8Bit().constData(),
                     file.errorString().toLocal8Bit().constData());
        return false;
    }
    output.print("%s: %lld of %lld events, %zu lifelines\n", options.output.toLocal8Bit().constData(),
                diagram.shownEvents, diagram.totalEvents, diagram.lifelines.size());
    if (!diagram.cutNotice.isEmpty())
        output.print("%s\n", diagram.cutNotice.toLocal8Bit().constData());
    return true;
}
