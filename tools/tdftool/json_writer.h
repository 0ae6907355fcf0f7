#ifndef TDFTOOL_JSON_WRITER_H
#define TDFTOOL_JSON_WRITER_H

#include <QByteArray>
#include <QString>

#include <vector>

// Builds one compact JSON text (no line breaks), putting the commas and
// escapes in. Strings come out as UTF-8 with control characters, quotes and
// backslashes escaped (see json_string.h). An integer that JavaScript can't
// hold exactly (of a magnitude above 2^53) is written as a string of its
// decimal digits. Within an object every value follows its key().
class JsonWriter {
public:
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(const char* name);
    void key(const QString& name);

    void string(const QString& value);
    // A null QString is written as null.
    void stringOrNull(const QString& value);
    void number(long long value);
    void number(unsigned long long value);
    void number(int value) { number(static_cast<long long>(value)); }
    // The shortest digits that read back as `value`; null for an infinity
    // or NaN, which JSON can't write.
    void real(double value);
    void boolean(bool value);
    void null();

    const QByteArray& text() const { return text_; }

private:
    // The comma before a value or key that is not the first of its level.
    void separate();
    // A new level of nesting, and its end.
    void open(char bracket);
    void close(char bracket);
    // The digits, quoted when a JavaScript number would lose some.
    void appendInteger(unsigned long long magnitude, bool negative);

    QByteArray text_;
    std::vector<bool> levelHasItems_;
    bool afterKey_ = false;
};

#endif
