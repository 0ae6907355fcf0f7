#ifndef RENDER_HTML_NUMBER_COLUMN_H
#define RENDER_HTML_NUMBER_COLUMN_H

// A column of integers as the page carries it: each value (or, for a delta
// column, its difference to the one before, modulo 2^64) zigzag-encoded so
// that small negative numbers stay small, in little-endian base-128 groups
// of seven bits whose top bit says another group follows; the bytes in
// base64. Most values of the page's columns fit one byte.

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <vector>

// Takes the next piece of an encoded column; false when it could not be
// kept (written).
using NumberSink = std::function<bool(const QByteArray& piece)>;

// Hands the base64 text to `write` a piece at a time, so that a column of
// millions of values is never held whole as text; false as soon as
// `write` fails.
bool writeNumbers(const std::vector<int>& values, bool delta, const NumberSink& write);
bool writeNumbers(const std::vector<unsigned long long>& values, bool delta, const NumberSink& write);
bool writeNumbers(const std::vector<std::uint8_t>& values, const NumberSink& write);

// The whole text at once, for small columns.
QByteArray encodeNumbers(const std::vector<int>& values, bool delta = false);
QByteArray encodeNumbers(const std::vector<unsigned long long>& values, bool delta = false);
QByteArray encodeNumbers(const std::vector<std::uint8_t>& values);

// The inverse, for readers of the page such as the tests; empty on
// malformed input.
std::vector<std::int64_t> decodeNumbers(const QByteArray& base64, bool delta = false);

#endif
