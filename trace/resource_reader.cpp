#include "resource_reader.h"

#include "internal/digits.h"
#include "error.h"
#include "internal/utf8_text.h"

#include <qares.h>

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstdint>
#include <memory>

using namespace tdf::internal;

namespace {

// Deeper nesting than any configuration needs; the limit keeps hostile input
// from exhausting the stack of the recursive reader and of the tree's
// destructors.
const int maxDepth = 200;

QString tr(const char* text)
{
    return QCoreApplication::translate("Resource File", text);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isWordStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isWordChar(char c)
{
    return isWordStart(c) || isDigit(c);
}

// The characters a backslash in a string may stand before.
bool isEscape(char c)
{
    return c == '"' || c == '\\' || c == 'n' || c == 't';
}

// Collects a chain of nodes, freeing it unless it is released.
class Chain {
public:
    void append(QARes* node)
    {
        if (!node)
            return;
        if (last_)
            last_->addSibling(node);
        else
            first_.reset(node);
        last_ = node;
    }
    QARes* release()
    {
        last_ = nullptr;
        return first_.release();
    }

private:
    std::unique_ptr<QARes> first_;
    QARes* last_ = nullptr;
};

struct Position {
    int line;
    int column;
};

class Reader {
public:
    Reader(const QByteArray& text, const QString& fileName)
        : at_(text.constData()),
          end_(text.constData() + text.size()),
          lineStart_(at_),
          fileName_(fileName),
          fileName8_(fileName.toLocal8Bit())
    {
    }

    // The top-level chain, or null with `failed()` set.
    QARes* readFile()
    {
        skipByteOrderMark();
        Chain entries;
        skipBlanks();
        while (!failed_ && !atEnd()) {
            entries.append(readEntry());
            skipBlanks();
        }
        return failed_ ? nullptr : entries.release();
    }

    bool failed() const { return failed_; }

private:
    bool atEnd() const { return at_ == end_; }
    char peek() const { return atEnd() ? '\0' : *at_; }
    Position here() const { return {line_, int(at_ - lineStart_) + 1}; }

    // Returns null so that callers can write `return fail(...)`.
    QARes* fail(const QString& message, Position where)
    {
        if (!failed_)
            Error::error(message, fileName_, where.line, where.column);
        failed_ = true;
        return nullptr;
    }

    // A problem that leaves the text readable.
    void warn(const QString& message, Position where)
    {
        Error::warning(message, fileName_, where.line, where.column);
    }

    // What stands at the cursor, for messages.
    QString found() const
    {
        if (atEnd())
            return tr("the end of the file");
        unsigned char c = static_cast<unsigned char>(*at_);
        if (c > ' ' && c < 0x7f)
            return QStringLiteral("\"%1\"").arg(QChar(c));
        return tr("the byte 0x%1").arg(c, 2, 16, QChar('0'));
    }

    // Editors may start a UTF-8 file with the encoded U+FEFF; columns count
    // from the character after it.
    void skipByteOrderMark()
    {
        static const char mark[] = "\xef\xbb\xbf";
        if (end_ - at_ >= 3 && std::equal(mark, mark + 3, at_)) {
            at_ += 3;
            lineStart_ = at_;
        }
    }

    // Skips white space, line ends and comments.
    void skipBlanks()
    {
        while (!atEnd()) {
            char c = *at_;
            if (c == '\n') {
                ++at_;
                ++line_;
                lineStart_ = at_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++at_;
            } else if (c == '#') {
                while (!atEnd() && *at_ != '\n')
                    ++at_;
            } else {
                return;
            }
        }
    }

    QByteArray readWord()
    {
        const char* start = at_;
        while (!atEnd() && isWordChar(*at_))
            ++at_;
        return QByteArray(start, int(at_ - start));
    }

    QARes* readEntry()
    {
        Position where = here();
        if (!isWordStart(peek()))
            return fail(tr("expected a tag, found %1").arg(found()), where);
        QByteArray tag = readWord();
        skipBlanks();
        if (peek() != '=')
            return fail(tr("expected \"=\" after the tag \"%1\", found %2").arg(QString::fromLatin1(tag), found()),
                        here());
        ++at_;
        skipBlanks();
        return readValue(tag.constData(), where);
    }

    // Reads the value at the cursor into a node tagged `tag` (null for list
    // items) placed at `where`.
    QARes* readValue(const char* tag, Position where)
    {
        char c = peek();
        QARes* node = nullptr;
        if (c == '{')
            node = readGroup(tag);
        else if (c == '[')
            node = readList(tag);
        else if (c == '"')
            node = readString(tag);
        else if (c == '-' || isDigit(c))
            node = readIntNode(tag);
        else if (isWordStart(c))
            node = readWordValue(tag);
        else
            return fail(tr("expected a value, found %1").arg(found()), here());
        if (node)
            node->setSource(fileName8_, where.line, where.column);
        return node;
    }

    bool enterNesting(Position where)
    {
        if (++depth_ <= maxDepth)
            return true;
        fail(tr("groups and lists are nested deeper than %1 levels").arg(maxDepth), where);
        return false;
    }

    QARes* readGroup(const char* tag)
    {
        Position open = here();
        if (!enterNesting(open))
            return nullptr;
        ++at_;
        Chain members;
        skipBlanks();
        while (!failed_ && peek() != '}') {
            if (atEnd())
                return fail(tr("the group opened here is not closed: expected \"}\""), open);
            members.append(readEntry());
            skipBlanks();
        }
        if (failed_)
            return nullptr;
        ++at_;
        --depth_;
        return new QAResGroup(tag, members.release());
    }

    QARes* readList(const char* tag)
    {
        Position open = here();
        if (!enterNesting(open))
            return nullptr;
        ++at_;
        Chain items;
        skipBlanks();
        while (!failed_ && peek() != ']') {
            if (atEnd())
                return fail(tr("the list opened here is not closed: expected \"]\""), open);
            items.append(readValue(nullptr, here()));
            if (failed_)
                return nullptr;
            skipBlanks();
            if (peek() == ',') {
                ++at_;
                skipBlanks();
            } else if (peek() != ']') {
                if (atEnd())
                    return fail(tr("the list opened here is not closed: expected \"]\""), open);
                return fail(tr("expected \",\" or \"]\" after a list item, found %1").arg(found()), here());
            }
        }
        if (failed_)
            return nullptr;
        ++at_;
        --depth_;
        return new QAResList(tag, items.release());
    }

    QARes* readString(const char* tag)
    {
        Position open = here();
        ++at_;
        QByteArray bytes;
        for (;;) {
            if (atEnd() || *at_ == '\n')
                return fail(tr("unterminated string: expected a closing '\"' on the same line"), open);
            char c = *at_++;
            if (c == '"')
                break;
            if (c == '\\') {
                if (atEnd() || *at_ == '\n')
                    return fail(tr("unterminated string: expected a closing '\"' on the same line"), open);
                if (!isEscape(*at_)) {
                    const Position backslash{line_, int(at_ - lineStart_)};
                    warn(tr("unknown escape: a backslash followed by %1; the backslash is left out").arg(found()),
                         backslash);
                }
                c = *at_++;
                if (c == 'n')
                    c = '\n';
                else if (c == 't')
                    c = '\t';
            }
            bytes.append(c);
        }
        return new QAResString(tag, decodeUtf8Text(bytes));
    }

    // Reads an integer: optional '-', then decimal digits or 0x and
    // hexadecimal digits, fitting a signed 32-bit int.
    bool readInt(int* value)
    {
        Position where = here();
        const char* start = at_;
        bool negative = peek() == '-';
        if (negative)
            ++at_;
        int base = 10;
        if (end_ - at_ >= 2 && at_[0] == '0' && (at_[1] == 'x' || at_[1] == 'X')) {
            base = 16;
            at_ += 2;
        }
        const char* digits = at_;
        std::int64_t magnitude = 0;
        for (int digit; !atEnd() && (digit = hexDigitValue(*at_)) >= 0 && digit < base; ++at_)
            magnitude = std::min<std::int64_t>(magnitude * base + digit, std::int64_t(1) << 32);
        bool wellFormed = at_ > digits && !(!atEnd() && isWordChar(*at_));
        while (!atEnd() && isWordChar(*at_))
            ++at_;
        QString text = QString::fromLatin1(start, int(at_ - start));
        if (!wellFormed) {
            fail(tr("bad number \"%1\": expected decimal digits or 0x and hexadecimal digits").arg(text), where);
            return false;
        }
        std::int64_t signedValue = negative ? -magnitude : magnitude;
        if (signedValue < INT32_MIN || signedValue > INT32_MAX) {
            fail(tr("number %1 is out of range: integers are from -2147483648 to 2147483647").arg(text), where);
            return false;
        }
        *value = int(signedValue);
        return true;
    }

    QARes* readIntNode(const char* tag)
    {
        int value;
        return readInt(&value) ? new QAResInt(tag, value) : nullptr;
    }

    // true, false, rgb(R, G, B) or an identifier.
    QARes* readWordValue(const char* tag)
    {
        QByteArray word = readWord();
        if (word == "true" || word == "false")
            return new QAResBoolean(tag, word == "true");
        if (word == "rgb") {
            const char* afterWord = at_;
            int lineAfterWord = line_;
            const char* lineStartAfterWord = lineStart_;
            skipBlanks();
            if (peek() == '(')
                return readColor(tag);
            at_ = afterWord;
            line_ = lineAfterWord;
            lineStart_ = lineStartAfterWord;
        }
        return new QAResIdentifier(tag, word.constData());
    }

    QARes* readColor(const char* tag)
    {
        int components[3];
        for (int i = 0; i < 3; ++i) {
            ++at_;  // the '(' or ','
            skipBlanks();
            if (peek() != '-' && !isDigit(peek()))
                return fail(tr("expected an integer in rgb(R, G, B), found %1").arg(found()), here());
            if (!readInt(&components[i]))
                return nullptr;
            skipBlanks();
            char expected = i < 2 ? ',' : ')';
            if (peek() != expected)
                return fail(tr("expected \"%1\" in rgb(R, G, B), found %2").arg(QChar(expected)).arg(found()),
                            here());
        }
        ++at_;
        return new QAResRGB(tag, RGBValue(components[0], components[1], components[2]));
    }

    const char* at_;
    const char* const end_;
    const char* lineStart_;
    int line_ = 1;
    int depth_ = 0;
    bool failed_ = false;
    const QString fileName_;
    const QByteArray fileName8_;
};

void setOk(bool* ok, bool value)
{
    if (ok)
        *ok = value;
}

}

QARes* readResourceText(const QByteArray& text, const QString& fileName, bool* ok)
{
    Reader reader(text, fileName);
    QARes* first = reader.readFile();
    setOk(ok, !reader.failed());
    return first;
}

QARes* readResourceFile(const QString& fileName, bool* ok)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Error::error(tr("cannot open the file: %1").arg(file.errorString()), fileName, 0, 0);
        setOk(ok, false);
        return nullptr;
    }
    QByteArray text;
    QString problem;
    if (!readResourceBytes(file, text, problem)) {
        Error::error(tr("cannot read the file: %1").arg(problem), fileName, 0, 0);
        setOk(ok, false);
        return nullptr;
    }
    return readResourceText(text, fileName, ok);
}

bool readResourceBytes(QFile& file, QByteArray& text, QString& problem)
{
    text.clear();
    char chunk[1 << 16];
    for (;;) {
        const qint64 got = file.read(chunk, sizeof chunk);
        if (got < 0) {
            problem = file.errorString();
            return false;
        }
        if (got == 0)
            return true;
        if (text.size() + got > maxResourceFileBytes) {
            problem = QCoreApplication::translate("Resource File", "it is larger than %1 MiB", "%1 is a number")
                          .arg(maxResourceFileBytes / (1024 * 1024));
            return false;
        }
        text.append(chunk, got);
    }
}
