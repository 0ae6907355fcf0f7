#ifndef RENDER_HTML_PAGE_H
#define RENDER_HTML_PAGE_H

#include <QByteArray>
#include <QString>

class TDF;

// A self-contained HTML page (UTF-8, nothing loaded from elsewhere) that
// carries everything `reader` read as compact data and draws, on a canvas,
// only the part of the sequence diagram on screen: with a time axis and
// instance titles that stay in view, zoom on the time axis, panning, an
// overview strip, search, going to a time or an event, and details of the
// event under the pointer. The page's script exposes window.tdfView for
// automated tests (see the README). `title` names the trace.
struct HtmlPage {
    QByteArray bytes;
    long long events = 0;
    int columns = 0;  // lifeline columns, the world actor's included
};
HtmlPage htmlPage(TDF& reader, const QString& title);

#endif
