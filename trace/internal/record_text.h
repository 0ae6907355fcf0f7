#ifndef TDF_RECORD_TEXT_H
#define TDF_RECORD_TEXT_H

// Not part of the library's interface: the writer's own.
//
// The text of TDF records, put together in a buffer of its own and handed
// to the output stream in one write when it is flushed or destroyed. The
// stream's sentry and formatting, met for every field, cost more than all
// the rest of writing a trace. A text longer than the buffer goes out in
// pieces, in order; what reaches the stream is what writing each field to
// it would have written, and a failure is left in its state as the
// stream's own write leaves it.

#include <QString>

#include <charconv>
#include <cstddef>
#include <cstring>
#include <iosfwd>
#include <string_view>

class TDFTextObject;

namespace tdf::internal {

class RecordText {
public:
    explicit RecordText(std::ostream& stream) : stream_(stream) {}
    ~RecordText() { flush(); }
    RecordText(const RecordText&) = delete;
    RecordText& operator=(const RecordText&) = delete;

    RecordText& operator<<(char c)
    {
        makeRoom(1);
        *end_++ = c;
        return *this;
    }
    RecordText& operator<<(std::string_view text)
    {
        if (text.size() > room())
            return appendLong(text);
        std::memcpy(end_, text.data(), text.size());
        end_ += text.size();
        return *this;
    }
    // An integer in plain decimal.
    template <class Integer>
    void decimal(Integer value)
    {
        makeRoom(longestNumber);
        if (value >= 0 && static_cast<unsigned long long>(value) < shortDecimalLimit)
            end_ = shortDecimal(end_, static_cast<unsigned>(value));
        else
            end_ = std::to_chars(end_, end_ + longestNumber, value).ptr;
    }
    // A number as the reader reads it: decimal up to 999999, then
    // hexadecimal with a trailing h while it fits 8 digits, then decimal
    // again (up to the ten digits the reader takes).
    void number(unsigned long long value);
    // A number of up to 64 bits, as high and low halves past 32 bits.
    void wideNumber(unsigned long long value);
    // Text between double quotes, in UTF-8, escaped as the reader unescapes
    // it.
    void quoted(const QString& text);
    // The static text's id, or else the object's name quoted.
    void textReference(TDFTextObject* object);

    // Hands what was put together to the stream.
    void flush();

private:
    static constexpr std::size_t capacity = 512;
    static constexpr std::size_t longestNumber = 24;
    static constexpr unsigned long long shortDecimalLimit = 1000000;

    // The digits of a value below shortDecimalLimit, two at a time: most
    // numbers of a trace are short.
    static char* shortDecimal(char* at, unsigned value);

    std::size_t room() const { return static_cast<std::size_t>(text_ + capacity - end_); }
    void makeRoom(std::size_t size)
    {
        if (size > room())
            flush();
    }
    RecordText& appendLong(std::string_view text);
    // One byte of a quoted text.
    void quotedByte(char c)
    {
        makeRoom(2);
        // A trace line can hold neither a line feed nor a NUL byte.
        if (c == '\n' || c == '\0') {
            c = ' ';
        } else if (c == '"' || c == '\\') {
            *end_++ = '\\';
        }
        *end_++ = c;
    }

    std::ostream& stream_;
    char* end_ = text_;
    char text_[capacity];
};

}

#endif
