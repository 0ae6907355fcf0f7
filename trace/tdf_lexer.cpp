// The lexemes of trace lines: numbers and strings, in the forms that tdf.h
// does not read inline. Lines are lexed in place: a number is scanned in
// one pass into a small digit buffer, a string is decoded once.

#include "internal/digits.h"
#include "tdf.h"
#include "internal/utf8_text.h"

#include <QByteArray>
#include <QTextCodec>

#include <cstring>

using namespace tdf::internal;

namespace {

bool isH(char c)
{
    return c == 'h' || c == 'H';
}

// The longest run of string content before a closing quote: characters
// other than a backslash or a quote, or a backslash and any one character.
// Returns the position of the closing quote, or -1 when there is none.
long long closingQuote(const QChar* text, long long length)
{
    for (long long i = 0; i < length; ++i) {
        if (text[i] == u'"')
            return i;
        if (text[i] == u'\\' && ++i >= length)
            return -1;
    }
    return -1;
}

// The same over the bytes of a NUL-terminated text, in one pass which
// also tells whether the content holds an escape or a byte outside ASCII.
struct QuotedBytes {
    long long quote = -1;
    bool escaped = false;
    bool ascii = false;
};

QuotedBytes scanQuotedBytes(const char* text)
{
    QuotedBytes scan;
    unsigned char bits = 0;  // of every byte of the content
    for (long long i = 0; text[i] != '\0'; ++i) {
        if (text[i] == '"') {
            scan.quote = i;
            scan.ascii = bits < 0x80;
            break;
        }
        bits |= static_cast<unsigned char>(text[i]);
        if (text[i] == '\\') {
            scan.escaped = true;
            if (text[++i] == '\0')
                break;
            bits |= static_cast<unsigned char>(text[i]);
        }
    }
    return scan;
}

// Removes each backslash and keeps the character after it.
template <class Text>
Text unescaped(const Text& content)
{
    Text plain;
    plain.reserve(content.size());
    for (qsizetype i = 0; i < content.size(); ++i) {
        if (content.at(i) == '\\')
            ++i;
        plain.append(content.at(i));
    }
    return plain;
}

}

// Three forms: decimal digits; hexadecimal digits and a trailing h (most
// significant first); a leading h and hexadecimal digits (least significant
// first). A number ends with one white character, which it consumes, or at
// the end of the text.
bool TDF::readAnyNumber(const char** cursor, unsigned long long* value)
{
    const char* at = *cursor;
    if (*at == '\0')
        return false;
    if (isWhite(*at)) {
        ++*cursor;
        *value = 0;
        return false;
    }

    const bool prefixH = isH(*at);
    if (prefixH)
        ++at;
    bool suffixH = false;
    bool hexLetter = false;
    bool anyDigit = false;
    int digits[10];
    int count = 0;
    for (; *at != '\0' && !isWhite(*at); ++at) {
        const int digit = hexDigitValue(*at);
        if (digit >= 0 && !suffixH) {
            anyDigit = true;
            hexLetter = hexLetter || digit > 9;
            // Leading zeros don't count, except after a leading h where
            // every digit has its place.
            if (!prefixH && count == 0 && digit == 0)
                continue;
            if (count == 10) {
                reportError("number overflow");
                return false;
            }
            digits[count++] = digit;
        } else if (isH(*at) && !prefixH && !suffixH) {
            suffixH = true;
        } else {
            if (at == *cursor)
                return false;
            reportError("bad number");
            return false;
        }
    }

    if (hexLetter && !prefixH && !suffixH) {
        reportError("hexadecimal number must be terminated by 'h'");
        return false;
    }
    if (!anyDigit) {
        *value = 0;
        return false;
    }
    const bool hexadecimal = prefixH || suffixH;
    if (hexadecimal && count > 8) {
        reportError("32 bits number overflow");
        return false;
    }

    unsigned long long number = 0;
    if (prefixH) {
        for (int i = count - 1; i >= 0; --i)
            number = number * 16 + unsigned(digits[i]);
    } else {
        const unsigned base = hexadecimal ? 16 : 10;
        for (int i = 0; i < count; ++i)
            number = number * base + unsigned(digits[i]);
    }
    *value = number;
    *cursor = isWhite(*at) ? at + 1 : at;
    return true;
}

// A string runs from a double quote to the next quote that is not escaped
// by a backslash; the character after the closing quote is consumed too.
// Escapes keep the escaped character as it is.
bool TDF::readQuotedString(const char** cursor, QString& result)
{
    result = QString();
    const char* content = *cursor + 1;
    long long consumed;  // bytes after the opening quote up to the closing one

    if (textCodec) {
        // Other encodings are decoded first, so that a byte that looks like
        // a quote or backslash inside a multi-byte character is not taken
        // for one; the bytes consumed are those of the matched text.
        const long long rest = static_cast<long long>(std::strlen(content));
        const QString decoded = textCodec->toUnicode(content, int(rest));
        const long long quote = closingQuote(decoded.constData(), decoded.size());
        if (quote < 0)
            return false;
        const QString matched = decoded.left(qsizetype(quote));
        consumed = std::min<long long>(textCodec->fromUnicode(matched).size(), rest - 1);
        result = unescaped(matched);
    } else {
        // In UTF-8 a quote or backslash byte is always that character, so
        // the bytes are scanned directly and only the content is decoded;
        // ASCII, the usual content, is its own decoding.
        const QuotedBytes scan = scanQuotedBytes(content);
        if (scan.quote < 0)
            return false;
        const QByteArray bytes = QByteArray::fromRawData(content, qsizetype(scan.quote));
        const QByteArray plain = scan.escaped ? unescaped(bytes) : bytes;
        result = scan.ascii ? QString::fromLatin1(plain) : decodeUtf8Text(plain);
        consumed = scan.quote;
    }
    if (result.isNull())
        result = QLatin1String("");

    const char* after = content + consumed + 1;
    *cursor = *after ? after + 1 : after;
    return true;
}
