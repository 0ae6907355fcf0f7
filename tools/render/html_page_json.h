#ifndef RENDER_HTML_PAGE_JSON_H
#define RENDER_HTML_PAGE_JSON_H

#include <QByteArray>

struct PageData;

// The page's data as one JSON object, each number column a base64 text of
// variable-length integers (see html_number_column.h).
QByteArray pageDataJson(const PageData& data);

#endif
