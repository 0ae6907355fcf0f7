#ifndef TDFTOOL_RESULT_PRINTER_H
#define TDFTOOL_RESULT_PRINTER_H

#include <QString>
#include <QStringList>

#include <memory>
#include <ostream>

struct sqlite3_stmt;

// How query prints the rows of a result.
enum class ResultFormat {
    Table,      // aligned columns under a header, for people at a terminal
    Csv,        // a header line, then a line a row; RFC 4180 quoting, NULL as an empty field
    JsonLines,  // one JSON object a row, the column names as its keys
};

// Prints the results of statements one after the other on one stream. A
// blob is printed as its bytes in hexadecimal, as text.
class ResultPrinter {
public:
    virtual ~ResultPrinter() = default;

    // A result with the columns of `statement` begins; its rows follow.
    virtual void begin(sqlite3_stmt* statement) = 0;
    // The row `statement` stands at.
    virtual void row(sqlite3_stmt* statement) = 0;
    // The result has no more rows.
    virtual void end() = 0;
};

class JsonWriter;
// The value of a column of the row `statement` stands at, as JSON: NULL as
// null, a number as a number, text as a string, a blob as the string of its
// bytes in hexadecimal.
void writeJsonValue(JsonWriter& json, sqlite3_stmt* statement, int column);

std::unique_ptr<ResultPrinter> makeResultPrinter(ResultFormat format, std::ostream& out);

#endif
