#ifndef TDF_RESOURCE_READER_H
#define TDF_RESOURCE_READER_H

// Reads resource trees from their text form:
//
//   # a comment
//   tag = { member = 1  other = [ ITEM, "text", rgb(1, 2, 3), true ] }
//
// A file is a sequence of `TAG = VALUE` entries, after a UTF-8 byte-order
// mark if there is one. Values are groups of entries, lists of values,
// integers (decimal or 0x hexadecimal, optionally negative), strings in
// UTF-8 with \" \\ \n \t escapes, true/false, rgb(R, G, B) colours, and
// bare words (identifiers). Every node remembers the file name, line and
// column (in bytes) of its tag, or of the value for a list item.
//
// The first syntax error is reported through Error::error with its position
// and the whole text is rejected. A backslash before any other character in
// a string is reported through Error::warning and left out; the string
// keeps the character.

#include "export.h"

#include <QByteArray>
#include <QString>

class QARes;
class QFile;

// Resource files hold configurations and styles, far smaller than this; the
// bound keeps a file without end (/dev/zero, a FIFO) from being read until
// memory runs out. Its size can't be trusted to tell: such files have none.
constexpr qint64 maxResourceFileBytes = 64 * 1024 * 1024;

// The first node of the top-level chain, owned by the caller. Null both for
// a text without entries and for a rejected one; `ok` (may be null) tells
// them apart.
TDF_EXPORT QARes* readResourceText(const QByteArray& text, const QString& fileName, bool* ok = nullptr);

// Reads a whole file the same way; a file that cannot be read, or is
// larger than maxResourceFileBytes, is reported at the file's name with no
// position.
TDF_EXPORT QARes* readResourceFile(const QString& fileName, bool* ok = nullptr);

// Reads the rest of an open resource file into `text`; false, with the
// reason in `problem`, when a read fails or the file is larger than
// maxResourceFileBytes.
TDF_EXPORT bool readResourceBytes(QFile& file, QByteArray& text, QString& problem);

#endif
