#include "html_number_column.h"

namespace {

void appendNumber(QByteArray& bytes, std::uint64_t value)
{
    while (value >= 0x80) {
        bytes.append(static_cast<char>((value & 0x7f) | 0x80));
        value >>= 7;
    }
    bytes.append(static_cast<char>(value));
}

std::uint64_t zigzag(std::uint64_t value)
{
    // Two's complement: the sign goes to the lowest bit.
    return (value << 1) ^ (0 - (value >> 63));
}

// Bytes are turned to base64 in pieces of whole three-byte groups, which
// join into the text of all of them; only the last piece is padded.
constexpr qsizetype pieceBytes = 3 * 64 * 1024;

template <typename T>
bool write(const std::vector<T>& values, bool delta, const NumberSink& sink)
{
    QByteArray bytes;
    bytes.reserve(pieceBytes + 16);
    std::uint64_t previous = 0;
    for (const T value : values) {
        const auto current = static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
        appendNumber(bytes, zigzag(delta ? current - previous : current));
        previous = current;
        if (bytes.size() >= pieceBytes) {
            if (!sink(bytes.left(pieceBytes).toBase64()))
                return false;
            bytes.remove(0, pieceBytes);
        }
    }
    return bytes.isEmpty() || sink(bytes.toBase64());
}

template <typename T>
QByteArray encode(const std::vector<T>& values, bool delta)
{
    QByteArray text;
    write(values, delta, [&text](const QByteArray& piece) {
        text += piece;
        return true;
    });
    return text;
}

}

bool writeNumbers(const std::vector<int>& values, bool delta, const NumberSink& sink)
{
    return write(values, delta, sink);
}

bool writeNumbers(const std::vector<unsigned long long>& values, bool delta, const NumberSink& sink)
{
    return write(values, delta, sink);
}

bool writeNumbers(const std::vector<std::uint8_t>& values, const NumberSink& sink)
{
    return write(values, false, sink);
}

QByteArray encodeNumbers(const std::vector<int>& values, bool delta)
{
    return encode(values, delta);
}

QByteArray encodeNumbers(const std::vector<unsigned long long>& values, bool delta)
{
    return encode(values, delta);
}

QByteArray encodeNumbers(const std::vector<std::uint8_t>& values)
{
    return encode(values, false);
}

std::vector<std::int64_t> decodeNumbers(const QByteArray& base64, bool delta)
{
    const auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return {};
    std::vector<std::int64_t> values;
    std::uint64_t previous = 0;
    std::uint64_t value = 0;
    int shift = 0;
    for (const char c : decoded.decoded) {
        const auto byte = static_cast<unsigned char>(c);
        if (shift > 63)
            return {};
        value |= std::uint64_t(byte & 0x7f) << shift;
        shift += 7;
        if (byte & 0x80)
            continue;
        std::uint64_t number = (value >> 1) ^ (0 - (value & 1));
        if (delta)
            number += previous;
        previous = number;
        values.push_back(static_cast<std::int64_t>(number));
        value = 0;
        shift = 0;
    }
    if (shift != 0)
        return {};
    return values;
}
