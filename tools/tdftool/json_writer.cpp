#include "json_writer.h"

#include "json_string.h"

#include <charconv>
#include <cmath>

void JsonWriter::separate()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!levelHasItems_.empty()) {
        if (levelHasItems_.back())
            text_ += ',';
        levelHasItems_.back() = true;
    }
}

void JsonWriter::open(char bracket)
{
    separate();
    text_ += bracket;
    levelHasItems_.push_back(false);
}

void JsonWriter::close(char bracket)
{
    levelHasItems_.pop_back();
    text_ += bracket;
}

void JsonWriter::key(const char* name)
{
    key(QString::fromUtf8(name));
}

void JsonWriter::key(const QString& name)
{
    separate();
    appendJsonString(text_, name, JsonStringUse::Document);
    text_ += ':';
    afterKey_ = true;
}

void JsonWriter::string(const QString& value)
{
    separate();
    appendJsonString(text_, value, JsonStringUse::Document);
}

void JsonWriter::stringOrNull(const QString& value)
{
    if (value.isNull())
        null();
    else
        string(value);
}

void JsonWriter::number(long long value)
{
    // The magnitude of the most negative value too, without overflow.
    const unsigned long long magnitude = value < 0 ? 0 - static_cast<unsigned long long>(value) : value;
    appendInteger(magnitude, value < 0);
}

void JsonWriter::number(unsigned long long value)
{
    appendInteger(value, false);
}

void JsonWriter::appendInteger(unsigned long long magnitude, bool negative)
{
    // Every integer up to 2^53 has a double of its own.
    const unsigned long long mostExact = 1ULL << 53;
    const bool quoted = magnitude > mostExact;
    separate();
    if (quoted)
        text_ += '"';
    if (negative)
        text_ += '-';
    text_ += QByteArray::number(magnitude);
    if (quoted)
        text_ += '"';
}

void JsonWriter::real(double value)
{
    if (!std::isfinite(value)) {
        null();
        return;
    }
    separate();
    char digits[32];
    const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, value);
    text_.append(digits, written.ptr - digits);
}

void JsonWriter::boolean(bool value)
{
    separate();
    text_ += value ? "true" : "false";
}

void JsonWriter::null()
{
    separate();
    text_ += "null";
}
