#include "json_writer.h"

#include <cstdio>

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
    separate();
    appendString(QByteArray(name));
    text_ += ':';
    afterKey_ = true;
}

void JsonWriter::string(const QString& value)
{
    separate();
    appendString(value.toUtf8());
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
    separate();
    text_ += std::to_string(value);
}

void JsonWriter::number(unsigned long long value)
{
    separate();
    text_ += std::to_string(value);
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

// QString::toUtf8 gives valid UTF-8 whatever the string holds, so only the
// characters JSON reserves need escapes; bytes of 0x80 and above pass.
void JsonWriter::appendString(const QByteArray& utf8)
{
    text_ += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"': text_ += "\\\""; break;
        case '\\': text_ += "\\\\"; break;
        case '\n': text_ += "\\n"; break;
        case '\r': text_ += "\\r"; break;
        case '\t': text_ += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                text_ += escape;
            } else {
                text_ += c;
            }
        }
    }
    text_ += '"';
}
