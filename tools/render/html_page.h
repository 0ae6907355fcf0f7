#ifndef RENDER_HTML_PAGE_H
#define RENDER_HTML_PAGE_H

#include <QByteArray>

struct Diagram;

// A standalone HTML page (UTF-8) that embeds the diagram's SVG under a
// header of instance titles that stays in view while the page scrolls, with
// zoom (buttons, keys + - 0, Ctrl and the mouse wheel) and panning by
// dragging. Works without scripts at zoom 1.
QByteArray htmlPage(const Diagram& diagram);

#endif
