#ifndef RENDER_HTML_PAGE_H
#define RENDER_HTML_PAGE_H

#include "html_page_json.h"

class PageData;
class QString;

// A self-contained HTML page (UTF-8, nothing loaded from elsewhere) that
// carries the page's data (see html_page_data.h) and draws, on a canvas,
// only the part of the sequence diagram on screen: with a time axis and
// instance titles that stay in view, zoom on the time axis, panning, an
// overview strip, search, going to a time or an event, and details of the
// event under the pointer. The page's script exposes window.tdfView for
// automated tests (see the README). Written piece by piece through
// `write`; false as soon as a piece could not be written.
bool writeHtmlPage(const PageData& data, const PageWriter& write);

// The page of a served view (tdftool view), titled `title`: the same view,
// which asks its server for the trace's data.
QByteArray servedPage(const QString& title);

#endif
