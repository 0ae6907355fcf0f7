#include "result_printer.h"

#include "json_writer.h"

#include <sqlite3.h>

#include <QByteArray>

#include <vector>

namespace {

QString columnName(sqlite3_stmt* statement, int column)
{
    return QString::fromUtf8(sqlite3_column_name(statement, column));
}

QByteArray blobHex(sqlite3_stmt* statement, int column)
{
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
    return QByteArray(bytes, sqlite3_column_bytes(statement, column)).toHex();
}

// A value as text: SQLite's own text of a number, the hex digits of a
// blob; a null QString for NULL.
QString valueText(sqlite3_stmt* statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return QString();
    case SQLITE_BLOB:
        return QString::fromLatin1(blobHex(statement, column));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
    }
    }
}

void write(std::ostream& out, const QByteArray& bytes)
{
    out.write(bytes.constData(), bytes.size());
}

// The characters a cell takes on a terminal: one a code point.
int displayWidth(const QString& text)
{
    int width = 0;
    for (const QChar c : text)
        if (!c.isLowSurrogate())
            ++width;
    return width;
}

// A control character would break the table's lines: it is shown escaped.
QString visible(const QString& text)
{
    QString shown;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            shown += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            shown += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            shown += QLatin1String("\\r");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

class TablePrinter : public ResultPrinter {
public:
    explicit TablePrinter(std::ostream& out) : out_(out) {}

    void begin(sqlite3_stmt* statement) override
    {
        // Results are told apart by a blank line.
        if (resultsPrinted_ > 0)
            out_ << '\n';
        const int columns = sqlite3_column_count(statement);
        header_.clear();
        widths_.assign(columns, 0);
        numeric_.assign(columns, true);
        for (int column = 0; column < columns; ++column) {
            header_.append(visible(columnName(statement, column)));
            widths_[column] = displayWidth(header_.last());
        }
        pending_.clear();
        laidOut_ = false;
    }

    void row(sqlite3_stmt* statement) override
    {
        std::vector<Cell> cells;
        for (int column = 0; column < int(widths_.size()); ++column) {
            const int type = sqlite3_column_type(statement, column);
            cells.push_back({visible(valueText(statement, column)), type == SQLITE_INTEGER || type == SQLITE_FLOAT});
        }
        if (laidOut_) {
            printCells(cells);
            return;
        }
        for (int column = 0; column < int(cells.size()); ++column) {
            widths_[column] = std::max(widths_[column], displayWidth(cells[column].text));
            if (!cells[column].text.isNull() && !cells[column].number)
                numeric_[column] = false;
        }
        pending_.push_back(std::move(cells));
        if (pending_.size() == laidOutAfter)
            layOut();
    }

    void end() override
    {
        if (!laidOut_)
            layOut();
        ++resultsPrinted_;
    }

private:
    struct Cell {
        QString text;
        bool number;
    };

    // The widths come from the first rows; later ones are printed at once,
    // so that a long result needs no memory, and a wider cell only pushes
    // the rest of its line to the right.
    static constexpr size_t laidOutAfter = 1000;

    void layOut()
    {
        std::vector<Cell> titles;
        std::vector<Cell> rules;
        for (int column = 0; column < int(header_.size()); ++column) {
            titles.push_back({header_[column], numeric_[column]});
            rules.push_back({QString(widths_[column], QLatin1Char('-')), false});
        }
        printCells(titles);
        printCells(rules);
        for (const std::vector<Cell>& cells : pending_)
            printCells(cells);
        pending_.clear();
        laidOut_ = true;
    }

    void printCells(const std::vector<Cell>& cells)
    {
        QString line;
        for (int column = 0; column < int(cells.size()); ++column) {
            const Cell& cell = cells[column];
            const QString padding(std::max(0, widths_[column] - displayWidth(cell.text)), QLatin1Char(' '));
            if (column > 0)
                line += QLatin1String("  ");
            line += cell.number ? padding + cell.text : cell.text + padding;
        }
        // The last column's padding would only trail.
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        write(out_, line.toUtf8() + '\n');
    }

    std::ostream& out_;
    QStringList header_;
    std::vector<int> widths_;
    std::vector<bool> numeric_;  // every value seen so far is a number
    std::vector<std::vector<Cell>> pending_;
    bool laidOut_ = false;
    int resultsPrinted_ = 0;
};

// A field in quotes when it holds a separator, a quote or a line end, its
// quotes doubled. An empty text is quoted, so that it reads apart from
// NULL, the empty field.
void appendCsvField(QByteArray& line, const QString& value)
{
    if (value.isNull())
        return;
    const QByteArray text = value.toUtf8();
    if (!text.isEmpty() && text.indexOf(',') < 0 && text.indexOf('"') < 0 && text.indexOf('\n') < 0 &&
        text.indexOf('\r') < 0) {
        line += text;
        return;
    }
    line += '"';
    for (const char c : text) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

class CsvPrinter : public ResultPrinter {
public:
    explicit CsvPrinter(std::ostream& out) : out_(out) {}

    void begin(sqlite3_stmt* statement) override
    {
        QByteArray line;
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            if (column > 0)
                line += ',';
            appendCsvField(line, columnName(statement, column));
        }
        write(out_, line + '\n');
    }

    void row(sqlite3_stmt* statement) override
    {
        QByteArray line;
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            if (column > 0)
                line += ',';
            appendCsvField(line, valueText(statement, column));
        }
        write(out_, line + '\n');
    }

    void end() override {}

private:
    std::ostream& out_;
};

class JsonLinesPrinter : public ResultPrinter {
public:
    explicit JsonLinesPrinter(std::ostream& out) : out_(out) {}

    void begin(sqlite3_stmt* statement) override
    {
        names_.clear();
        for (int column = 0; column < sqlite3_column_count(statement); ++column)
            names_.append(columnName(statement, column));
    }

    void row(sqlite3_stmt* statement) override
    {
        JsonWriter json;
        json.beginObject();
        for (int column = 0; column < names_.size(); ++column) {
            json.key(names_[column]);
            writeJsonValue(json, statement, column);
        }
        json.endObject();
        write(out_, json.text() + '\n');
    }

    void end() override {}

private:
    std::ostream& out_;
    QStringList names_;
};

}

void writeJsonValue(JsonWriter& json, sqlite3_stmt* statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        json.null();
        break;
    case SQLITE_INTEGER:
        json.number(static_cast<long long>(sqlite3_column_int64(statement, column)));
        break;
    case SQLITE_FLOAT:
        json.real(sqlite3_column_double(statement, column));
        break;
    default:
        json.string(valueText(statement, column));
        break;
    }
}

std::unique_ptr<ResultPrinter> makeResultPrinter(ResultFormat format, std::ostream& out)
{
    switch (format) {
    case ResultFormat::Table:
        return std::make_unique<TablePrinter>(out);
    case ResultFormat::Csv:
        return std::make_unique<CsvPrinter>(out);
    case ResultFormat::JsonLines:
        break;
    }
    return std::make_unique<JsonLinesPrinter>(out);
}
