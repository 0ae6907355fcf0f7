#include "internal/record_text.h"

#include "tdf_db.h"
#include "tdf_objects.h"

#include <QByteArray>
#include <QStringView>

#include <ostream>

namespace tdf::internal {

namespace {

// The largest value of each number form the reader takes.
const unsigned long long largestDecimalShortForm = 999999;
const unsigned long long largestHexadecimal = 0xFFFFFFFFULL;

const char digitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                          "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                          "8081828384858687888990919293949596979899";

}

char* RecordText::shortDecimal(char* at, unsigned value)
{
    const int length = value < 10      ? 1
                       : value < 100    ? 2
                       : value < 1000   ? 3
                       : value < 10000  ? 4
                       : value < 100000 ? 5
                                        : 6;
    char* digit = at + length;
    while (value >= 100) {
        const unsigned pair = 2 * (value % 100);
        value /= 100;
        *--digit = digitPairs[pair + 1];
        *--digit = digitPairs[pair];
    }
    if (value >= 10) {
        *--digit = digitPairs[2 * value + 1];
        *--digit = digitPairs[2 * value];
    } else {
        *--digit = static_cast<char>('0' + value);
    }
    return at + length;
}

void RecordText::number(unsigned long long value)
{
    makeRoom(longestNumber);
    if (value <= largestDecimalShortForm) {
        end_ = shortDecimal(end_, static_cast<unsigned>(value));
        return;
    }
    if (value > largestHexadecimal) {
        end_ = std::to_chars(end_, end_ + longestNumber, value).ptr;
        return;
    }
    // Every number starts with a decimal digit, so that it can't be taken
    // for the h-first form: a leading letter digit gets a 0 before it.
    const int digits = (32 - __builtin_clz(static_cast<unsigned>(value)) + 3) / 4;
    if ((value >> (4 * (digits - 1))) >= 10)
        *end_++ = '0';
    char* digit = end_ + digits;
    end_ = digit;
    for (; value != 0; value >>= 4)
        *--digit = "0123456789abcdef"[value & 0xF];
    *end_++ = 'h';
}

void RecordText::wideNumber(unsigned long long value)
{
    // Values past 32 bits go in the high and low halves the reader adds up.
    if (value <= largestHexadecimal) {
        number(value);
        return;
    }
    number(value >> 32);
    *this << ' ';
    number(value & largestHexadecimal);
}

void RecordText::quoted(const QString& text)
{
    *this << '"';
    const QChar* characters = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = characters[i].unicode();
        if (c >= 0x80) {
            // From the first character past ASCII on, the UTF-8 is made as
            // the text's; the ASCII before it is its own UTF-8.
            const QByteArray rest = QStringView(characters + i, size - i).toUtf8();
            for (char byte : rest)
                quotedByte(byte);
            break;
        }
        quotedByte(static_cast<char>(c));
    }
    *this << '"';
}

void RecordText::textReference(TDFTextObject* object)
{
    if (object->model)
        decimal(object->model->id);
    else
        quoted(object->name());
}

RecordText& RecordText::appendLong(std::string_view text)
{
    while (!text.empty()) {
        makeRoom(1);
        const std::size_t piece = std::min(room(), text.size());
        std::memcpy(end_, text.data(), piece);
        end_ += piece;
        text.remove_prefix(piece);
    }
    return *this;
}

void RecordText::flush()
{
    const std::streamsize size = end_ - text_;
    if (size == 0)
        return;
    end_ = text_;
    // As the stream's write does, without its sentry when that has nothing
    // to do: no tied stream to flush first, no flush after each write. A
    // stream in a failed state takes nothing.
    if (stream_.rdstate() == std::ios_base::goodbit && !stream_.tie() &&
        !(stream_.flags() & std::ios_base::unitbuf)) {
        if (stream_.rdbuf()->sputn(text_, size) != size)
            stream_.setstate(std::ios_base::badbit);
    } else {
        stream_.write(text_, size);
    }
}

}
