#ifndef JSON_JSON_STRING_H
#define JSON_JSON_STRING_H

#include <QByteArray>
#include <QString>

// The one JSON string escaper of the tools: tdftool's documents and the
// HTML page's data write their strings through it.

// Where the JSON text goes: a document of its own, or the inside of an
// HTML script element, where no text may close the element.
enum class JsonStringUse { Document, HtmlScript };

// Appends `text` as a JSON string in UTF-8, quotes included: quotes and
// backslashes are escaped with a backslash, control characters as \u00xx,
// and in HtmlScript '<' as \u003c too. Everything else passes unchanged.
void appendJsonString(QByteArray& out, const QString& text, JsonStringUse use);
QByteArray jsonString(const QString& text, JsonStringUse use);

#endif
