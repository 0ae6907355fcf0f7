#include <tdf.h>

#include "error_recorder.h"
#include "internal/utf8_text.h"

#include <QTextCodec>

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

struct NumberCase {
    const char* text;
    bool ok;
    unsigned long long value;  // when ok
    const char* message;       // the report, or "" for none
    int consumed;              // characters consumed
};

class NumberLexeme : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberLexeme, ReadsOrRejectsAsDocumented)
{
    const NumberCase& expected = GetParam();
    ErrorRecorder recorder;
    TDF reader(nullptr);
    const char* cursor = expected.text;
    unsigned long long value = 12345;
    EXPECT_EQ(reader.readNumber(&cursor, &value), expected.ok);
    if (expected.ok) {
        EXPECT_EQ(value, expected.value);
    }
    EXPECT_EQ(cursor - expected.text, expected.consumed);
    if (*expected.message) {
        ASSERT_EQ(recorder.reports().size(), 1u);
        EXPECT_EQ(recorder.reports()[0].message.toStdString(), expected.message);
        EXPECT_EQ(recorder.reports()[0].file, "<tdf>");
    } else {
        EXPECT_TRUE(recorder.reports().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, NumberLexeme,
    testing::Values(NumberCase{"1234", true, 1234, "", 4}, NumberCase{"12h", true, 18, "", 3},
                    NumberCase{"h21", true, 0x12, "", 3}, NumberCase{"hF1 x", true, 0x1F, "", 4},
                    NumberCase{"0FFFFh", true, 0xFFFF, "", 6}, NumberCase{"1Fh\t", true, 31, "", 4},
                    NumberCase{"0012 3", true, 12, "", 5}, NumberCase{"0", true, 0, "", 1},
                    NumberCase{"000h", true, 0, "", 4}, NumberCase{"h001", true, 0x100, "", 4},
                    NumberCase{"9999999999", true, 9999999999ULL, "", 10},
                    NumberCase{"00000000001234567890", true, 1234567890ULL, "", 20},
                    NumberCase{"FFFFFFFFh", true, 0xFFFFFFFFULL, "", 9},
                    NumberCase{"hFFFFFFFF", true, 0xFFFFFFFFULL, "", 9}));

INSTANTIATE_TEST_SUITE_P(
    Rejections, NumberLexeme,
    testing::Values(NumberCase{"FF", false, 0, "hexadecimal number must be terminated by 'h'", 0},
                    NumberCase{"1A2 ", false, 0, "hexadecimal number must be terminated by 'h'", 0},
                    NumberCase{"123456789h", false, 0, "32 bits number overflow", 0},
                    NumberCase{"h123456789", false, 0, "32 bits number overflow", 0},
                    NumberCase{"12345678901", false, 0, "number overflow", 0},
                    NumberCase{"12x", false, 0, "bad number", 0}, NumberCase{"12,", false, 0, "bad number", 0},
                    NumberCase{"1hh", false, 0, "bad number", 0}, NumberCase{"12h5", false, 0, "bad number", 0},
                    NumberCase{"x", false, 0, "", 0}, NumberCase{"\"1\"", false, 0, "", 0},
                    NumberCase{"h", false, 0, "", 0}, NumberCase{"", false, 0, "", 0}));

TEST(NumberLexeme, LeadingWhiteIsConsumedAndGivesZero)
{
    TDF reader(nullptr);
    const char* text = "  5";
    const char* cursor = text;
    unsigned long long value = 7;
    EXPECT_FALSE(reader.readNumber(&cursor, &value));
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(cursor, text + 1);

    cursor = "";
    value = 7;
    EXPECT_FALSE(reader.readNumber(&cursor, &value));
    EXPECT_EQ(value, 7u);
    cursor = "h ";
    EXPECT_FALSE(reader.readNumber(&cursor, &value));
    EXPECT_EQ(value, 0u);
}

struct StringCase {
    const char* text;
    bool optional;
    bool ok;
    const char* value;  // null for a null result
    int consumed;
};

class StringLexeme : public testing::TestWithParam<StringCase> {};

TEST_P(StringLexeme, ReadsUnescapesAndConsumesOneMoreCharacter)
{
    const StringCase& expected = GetParam();
    ErrorRecorder recorder;
    TDF reader(nullptr);
    const char* cursor = expected.text;
    QString result = "stale";
    EXPECT_EQ(reader.readString(&cursor, result, expected.optional), expected.ok);
    if (expected.value) {
        EXPECT_FALSE(result.isNull());
        EXPECT_EQ(result.toStdString(), expected.value);
    } else {
        EXPECT_TRUE(result.isNull());
    }
    EXPECT_EQ(cursor - expected.text, expected.consumed);
    EXPECT_TRUE(recorder.reports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, StringLexeme,
    testing::Values(StringCase{"\"abc\" 1", false, true, "abc", 6}, StringCase{"\"a\\\"b\"", false, true, "a\"b", 6},
                    StringCase{"\"a\\\\b\"", false, true, "a\\b", 6}, StringCase{"\"a\\nb\"", false, true, "anb", 6},
                    StringCase{"\"\"", false, true, "", 2}, StringCase{"\"\" x", false, true, "", 3},
                    StringCase{"\"x\"12", false, true, "x", 4},
                    StringCase{"\"caf\xc3\xa9\"\n", false, true, "caf\xc3\xa9", 8},
                    StringCase{"\"abc", false, false, nullptr, 0}, StringCase{"\"abc\\\"", true, false, nullptr, 0},
                    StringCase{"abc", false, false, nullptr, 0}, StringCase{"abc", true, true, nullptr, 0},
                    StringCase{"", true, true, nullptr, 0}, StringCase{"", false, false, nullptr, 0}));

TEST(StringLexeme, InvalidUtf8StaysWithinTheLine)
{
    TDF reader(nullptr);
    const std::string text = "\"\xff\xfe\x80\" 5";
    const char* cursor = text.c_str();
    QString result;
    EXPECT_TRUE(reader.readString(&cursor, result, false));
    EXPECT_EQ(result.size(), 3);
    EXPECT_EQ(*cursor, '5');
}

// Content of any bytes, ASCII or not, with escapes of any byte: the string
// is the UTF-8 decoding of its unescaped content, and the lexeme ends
// after the closing quote and the character after it.
TEST(StringLexeme, ValueIsTheDecodingOfTheUnescapedContent)
{
    std::mt19937 random(3);
    TDF reader(nullptr);
    for (int round = 0; round < 3000; ++round) {
        std::string content;
        std::string plain;
        for (unsigned i = random() % 12; i > 0; --i) {
            const char c = random() % 4 == 0 ? char(0x80 + random() % 128) : char(' ' + random() % 95);
            if (random() % 6 == 0)
                content += '\\';
            else if (c == '"' || c == '\\')
                continue;
            content += c;
            plain += c;
        }
        const std::string text = "\"" + content + "\" 5";
        const char* cursor = text.c_str();
        QString result;
        ASSERT_TRUE(reader.readString(&cursor, result, false)) << text;
        EXPECT_EQ(result, tdf::internal::decodeUtf8Text(QByteArray::fromStdString(plain))) << text;
        EXPECT_EQ(*cursor, '5') << text;
    }
}

// A byte order mark opening a string is a character of it: a rewrite must
// read as the same text.
TEST(StringLexeme, ByteOrderMarksAreKept)
{
    TDF reader(nullptr);
    const char* cursor = "\"\xef\xbb\xbf\xef\xbb\xbf\"";
    QString result;
    EXPECT_TRUE(reader.readString(&cursor, result, false));
    EXPECT_EQ(result, QString(QChar(0xFEFF)) + QChar(0xFEFF));
}

TEST(StringLexeme, CodecDecodesBeforeLookingForTheQuote)
{
    TDF reader(nullptr);
    reader.textCodec = QTextCodec::codecForName("Shift-JIS");
    ASSERT_NE(reader.textCodec, nullptr);
    // 0x95 0x5C is one Shift-JIS character whose second byte is a backslash.
    const std::string text = "\"\x95\x5c\" 7";
    const char* cursor = text.c_str();
    QString result;
    EXPECT_TRUE(reader.readString(&cursor, result, false));
    EXPECT_EQ(result, QString::fromUtf8("\xe8\xa1\xa8"));
    EXPECT_EQ(*cursor, '7');
}

}
