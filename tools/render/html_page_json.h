#ifndef RENDER_HTML_PAGE_JSON_H
#define RENDER_HTML_PAGE_JSON_H

#include <json_string.h>

#include <QByteArray>

#include <functional>

class PageData;

// Takes the next piece of a page; false when it could not be written.
using PageWriter = std::function<bool(const QByteArray& piece)>;

// The page's data as one JSON object, each number column a base64 text of
// variable-length integers (see html_number_column.h), written a column
// at a time; false as soon as `write` fails.
bool writePageDataJson(const PageData& data, const PageWriter& write);

// The members "problems" (a list of {file, line, severity, message,
// event}, line and event null where not known) and "problemCount", with
// no braces around them.
QByteArray problemsJson(const PageData& data, JsonStringUse use);

#endif
