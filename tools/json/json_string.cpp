#include "json_string.h"

// QString::toUtf8 gives valid UTF-8 whatever the string holds, and every
// character JSON reserves is ASCII, so the escapes work on the bytes: those
// of 0x80 and above pass.
void appendJsonString(QByteArray& out, const QString& text, JsonStringUse use)
{
    static const char hexDigits[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    for (const char c : utf8) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (code < 0x20 || (c == '<' && use == JsonStringUse::HtmlScript)) {
            out += "\\u00";
            out += hexDigits[code >> 4];
            out += hexDigits[code & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

QByteArray jsonString(const QString& text, JsonStringUse use)
{
    QByteArray out;
    appendJsonString(out, text, use);
    return out;
}
