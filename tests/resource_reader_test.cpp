#include <resource_reader.h>

#include "error_recorder.h"

#include <qares.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<QARes> parse(const char* text, bool* ok = nullptr)
{
    return std::unique_ptr<QARes>(readResourceText(QByteArray(text), "test.res", ok));
}

void expectAt(const QARes* node, int line, int column)
{
    ASSERT_NE(node, nullptr);
    EXPECT_STREQ(node->srcFileName(), "test.res");
    EXPECT_EQ(node->line(), line);
    EXPECT_EQ(node->column(), column);
}

TEST(ResourceReader, ReadsEveryKindWithItsPosition)
{
    ErrorRecorder recorder;
    bool ok = false;
    auto first = parse("name = \"demo\"\n"
                       "count = -12\n"
                       "mask = 0x1F\n"
                       "flow = NESTED\n"
                       "shown = true hidden = false\n"
                       "  color = rgb(1, 2,3)\n"
                       "box = { inner = 1 }\n"
                       "items = [ A, 2 ]\n",
                       &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(recorder.reports().empty());

    QARes* node = first.get();
    ASSERT_NE(node->toResString(), nullptr);
    EXPECT_EQ(node->toResString()->value(), "demo");
    expectAt(node, 1, 1);

    node = first->search("count");
    EXPECT_EQ(node->toResInt()->value(), -12);
    expectAt(node, 2, 1);
    EXPECT_EQ(first->search("mask")->toResInt()->value(), 31);
    EXPECT_STREQ(first->search("flow")->toResIdentifier()->value(), "NESTED");
    EXPECT_TRUE(first->search("shown")->toResBoolean()->value());
    node = first->search("hidden");
    EXPECT_FALSE(node->toResBoolean()->value());
    expectAt(node, 5, 14);
    node = first->search("color");
    EXPECT_EQ(node->toResRGB()->value(), RGBValue(1, 2, 3));
    expectAt(node, 6, 3);

    QAResGroup* box = first->search("box")->toResGroup();
    ASSERT_NE(box, nullptr);
    expectAt(box, 7, 1);
    expectAt(box->firstChild(), 7, 9);
    EXPECT_TRUE(box->firstChild()->isTag("inner"));

    QAResList* items = first->search("items")->toResList();
    ASSERT_NE(items, nullptr);
    QARes* item = items->firstChild();
    EXPECT_EQ(item->tag(), nullptr);
    expectAt(item, 8, 11);
    expectAt(item->next(), 8, 14);
    EXPECT_EQ(item->next()->toResInt()->value(), 2);
    EXPECT_EQ(item->next()->next(), nullptr);
}

TEST(ResourceReader, BlanksCommentsAndLineEndsSeparateTokens)
{
    ErrorRecorder recorder;
    bool ok = false;
    auto first = parse("# heading\r\n\ta=1# trailing\r\n"
                       "b\n=\n{#open\n}\n"
                       "c = rgb # colour follows\n ( 4 ,\n5, 6 )\n",
                       &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(first->toResInt()->value(), 1);
    expectAt(first.get(), 2, 2);
    expectAt(first->next(), 3, 1);
    EXPECT_EQ(first->next()->toResGroup()->firstChild(), nullptr);
    EXPECT_EQ(first->search("c")->toResRGB()->value(), RGBValue(4, 5, 6));
}

TEST(ResourceReader, EmptyTextIsAcceptedWithoutNodes)
{
    bool ok = false;
    EXPECT_EQ(parse("  # only a comment\n\n", &ok), nullptr);
    EXPECT_TRUE(ok);
    EXPECT_EQ(parse("", &ok), nullptr);
    EXPECT_TRUE(ok);
}

TEST(ResourceReader, IntegersCoverTheSigned32BitRange)
{
    bool ok = false;
    auto first = parse("a = 2147483647 b = -2147483648 c = 0x7fffffff d = -0x80000000 e = 0X0 f = 007", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(first->search("a")->toResInt()->value(), 2147483647);
    EXPECT_EQ(first->search("b")->toResInt()->value(), -2147483647 - 1);
    EXPECT_EQ(first->search("c")->toResInt()->value(), 0x7fffffff);
    EXPECT_EQ(first->search("d")->toResInt()->value(), -2147483647 - 1);
    EXPECT_EQ(first->search("e")->toResInt()->value(), 0);
    EXPECT_EQ(first->search("f")->toResInt()->value(), 7);
}

TEST(ResourceReader, StringsDecodeEscapesAndUtf8)
{
    bool ok = false;
    auto first = parse("s = \"a\\\"b\\\\c\\nd\\te\\q\" u = \"caf\xc3\xa9 # not a comment\" e = \"\"", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(first->toResString()->value(), "a\"b\\c\nd\teq");
    EXPECT_EQ(first->search("u")->toResString()->value(), QString::fromUtf8("caf\xc3\xa9 # not a comment"));
    EXPECT_TRUE(first->search("e")->toResString()->value().isEmpty());
}

// A byte order mark inside a value is a character like any other, also
// where it opens the value.
TEST(ResourceReader, ByteOrderMarksInAStringAreKept)
{
    bool ok = false;
    auto first = parse("m = \"\xef\xbb\xbf\xef\xbb\xbfx\"", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(first->toResString()->value(), QString(QChar(0xFEFF)) + QChar(0xFEFF) + 'x');
}

// Any other escape is a warning at its backslash; the string is still read,
// with the character after the backslash as it is.
TEST(ResourceReader, UnknownEscapesAreReportedAndKeepTheirCharacter)
{
    ErrorRecorder recorder;
    bool ok = false;
    auto first = parse("a = 1\nb = \"C:\\qx\\ty\\\xc3\xa9\"", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(first->next()->toResString()->value(), QString::fromUtf8("C:qx\ty\xc3\xa9"));
    const std::vector<Report>& reports = recorder.reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].severity, Error::WARNING);
    EXPECT_EQ(reports[0].file, "test.res");
    EXPECT_EQ(reports[0].line, 2);
    EXPECT_EQ(reports[0].column, 8);
    EXPECT_EQ(reports[0].message, "unknown escape: a backslash followed by \"q\"; the backslash is left out");
    EXPECT_EQ(reports[1].column, 14);
    EXPECT_EQ(reports[1].message, "unknown escape: a backslash followed by the byte 0xc3; the backslash is left out");
}

// Editors may start a UTF-8 file with a byte-order mark; columns count
// from the character after it.
TEST(ResourceReader, ByteOrderMarkIsSkipped)
{
    ErrorRecorder recorder;
    bool ok = false;
    auto first = parse("\xef\xbb\xbf" "a = 1\nb = 2", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(first->toResInt()->value(), 1);
    expectAt(first.get(), 1, 1);
    expectAt(first->next(), 2, 1);
    EXPECT_EQ(parse("\xef\xbb\xbf", &ok), nullptr);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(recorder.reports().empty());

    // Only at the very start.
    EXPECT_EQ(parse("a = 1\n\xef\xbb\xbf", &ok), nullptr);
    EXPECT_FALSE(ok);
    ASSERT_EQ(recorder.reports().size(), 1u);
    EXPECT_EQ(recorder.reports()[0].message, "expected a tag, found the byte 0xef");
}

TEST(ResourceReader, ListsTakeTrailingCommasNestingAndNoItems)
{
    bool ok = false;
    auto first = parse("l = [1, 2,] e = [] n = [[X], {t = 1}, \"s\",\n rgb(0,0,0), false]", &ok);
    ASSERT_TRUE(ok);
    QARes* items = first->toResList()->firstChild();
    EXPECT_EQ(items->next()->toResInt()->value(), 2);
    EXPECT_EQ(items->next()->next(), nullptr);
    EXPECT_EQ(first->search("e")->toResList()->firstChild(), nullptr);

    QARes* nested = first->search("n")->toResList()->firstChild();
    ASSERT_NE(nested->toResList(), nullptr);
    EXPECT_STREQ(nested->toResList()->firstChild()->toResIdentifier()->value(), "X");
    QAResGroup* group = nested->next()->toResGroup();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->tag(), nullptr);
    EXPECT_TRUE(group->firstChild()->isTag("t"));
    QARes* color = nested->next()->next()->next();
    ASSERT_NE(color->toResRGB(), nullptr);
    expectAt(color, 2, 2);
}

TEST(ResourceReader, RgbWithoutParenthesesIsAnIdentifier)
{
    bool ok = false;
    auto first = parse("a = rgb\nb = [rgb, rgbx]", &ok);
    ASSERT_TRUE(ok);
    EXPECT_STREQ(first->toResIdentifier()->value(), "rgb");
    EXPECT_TRUE(first->next()->isTag("b"));
    EXPECT_STREQ(first->next()->toResList()->firstChild()->next()->toResIdentifier()->value(), "rgbx");
}

struct SyntaxError {
    const char* text;
    int line;
    int column;
    const char* message;
};

class ResourceSyntaxError : public testing::TestWithParam<SyntaxError> {};

TEST_P(ResourceSyntaxError, IsReportedOnceAtItsPositionAndRejectsTheText)
{
    const SyntaxError& expected = GetParam();
    ErrorRecorder recorder;
    bool ok = true;
    EXPECT_EQ(parse(expected.text, &ok), nullptr);
    EXPECT_FALSE(ok);
    ASSERT_EQ(recorder.reports().size(), 1u);
    const Report& report = recorder.reports()[0];
    EXPECT_EQ(report.severity, Error::ERROR);
    EXPECT_EQ(report.file, "test.res");
    EXPECT_EQ(report.line, expected.line);
    EXPECT_EQ(report.column, expected.column);
    EXPECT_EQ(report.message.toStdString(), expected.message);
    EXPECT_EQ(Error::error_count_, 1);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, ResourceSyntaxError,
    testing::Values(
        SyntaxError{"a = 1\nb = \"open", 2, 5, "unterminated string: expected a closing '\"' on the same line"},
        SyntaxError{"a = \"line\nbreak\"", 1, 5, "unterminated string: expected a closing '\"' on the same line"},
        SyntaxError{"a = \"ends in \\", 1, 5, "unterminated string: expected a closing '\"' on the same line"},
        SyntaxError{"a 1", 1, 3, "expected \"=\" after the tag \"a\", found \"1\""},
        SyntaxError{"a", 1, 2, "expected \"=\" after the tag \"a\", found the end of the file"},
        SyntaxError{"a =", 1, 4, "expected a value, found the end of the file"},
        SyntaxError{"a = }", 1, 5, "expected a value, found \"}\""},
        SyntaxError{"1 = 2", 1, 1, "expected a tag, found \"1\""},
        SyntaxError{"a = 1 }", 1, 7, "expected a tag, found \"}\""},
        SyntaxError{"a = 1 ]", 1, 7, "expected a tag, found \"]\""},
        SyntaxError{"a = {\n b = 1\n", 1, 5, "the group opened here is not closed: expected \"}\""},
        SyntaxError{"a = { b = [1, 2 }", 1, 17, "expected \",\" or \"]\" after a list item, found \"}\""},
        SyntaxError{"a = [1\n", 1, 5, "the list opened here is not closed: expected \"]\""},
        SyntaxError{"a = [1,\n", 1, 5, "the list opened here is not closed: expected \"]\""},
        SyntaxError{"a = [1 2]", 1, 8, "expected \",\" or \"]\" after a list item, found \"2\""},
        SyntaxError{"a = [,]", 1, 6, "expected a value, found \",\""},
        SyntaxError{"a = 12abc", 1, 5, "bad number \"12abc\": expected decimal digits or 0x and hexadecimal digits"},
        SyntaxError{"a = 0x", 1, 5, "bad number \"0x\": expected decimal digits or 0x and hexadecimal digits"},
        SyntaxError{"a = 0x1g", 1, 5, "bad number \"0x1g\": expected decimal digits or 0x and hexadecimal digits"},
        SyntaxError{"a = -", 1, 5, "bad number \"-\": expected decimal digits or 0x and hexadecimal digits"},
        SyntaxError{"a = 2147483648", 1, 5,
                    "number 2147483648 is out of range: integers are from -2147483648 to 2147483647"},
        SyntaxError{"a = -0x80000001", 1, 5,
                    "number -0x80000001 is out of range: integers are from -2147483648 to 2147483647"},
        SyntaxError{"a = 99999999999999999999999", 1, 5,
                    "number 99999999999999999999999 is out of range: integers are from -2147483648 to 2147483647"},
        SyntaxError{"a = rgb(1, 2)", 1, 13, "expected \",\" in rgb(R, G, B), found \")\""},
        SyntaxError{"a = rgb(1, 2, 3, 4)", 1, 16, "expected \")\" in rgb(R, G, B), found \",\""},
        SyntaxError{"a = rgb(x, 2, 3)", 1, 9, "expected an integer in rgb(R, G, B), found \"x\""},
        SyntaxError{"a = rgb(1, 2, 3", 1, 16, "expected \")\" in rgb(R, G, B), found the end of the file"},
        SyntaxError{"a = @", 1, 5, "expected a value, found \"@\""},
        SyntaxError{"a = 1\n\x01", 2, 1, "expected a tag, found the byte 0x01"},
        SyntaxError{"\xc3\xa9 = 1", 1, 1, "expected a tag, found the byte 0xc3"}));

TEST(ResourceReader, NulBytesAreRejectedOutsideStrings)
{
    ErrorRecorder recorder;
    bool ok = true;
    std::unique_ptr<QARes> first(readResourceText(QByteArray("a = 1\0b = 2", 11), "test.res", &ok));
    EXPECT_FALSE(ok);
    ASSERT_EQ(recorder.reports().size(), 1u);
    EXPECT_EQ(recorder.reports()[0].column, 6);
    EXPECT_EQ(recorder.reports()[0].message, "expected a tag, found the byte 0x00");
}

TEST(ResourceReader, NestingIsLimited)
{
    ErrorRecorder recorder;
    bool ok = true;
    std::string deep = "a = " + std::string(100000, '[');
    EXPECT_EQ(parse(deep.c_str(), &ok), nullptr);
    EXPECT_FALSE(ok);
    ASSERT_EQ(recorder.reports().size(), 1u);
    EXPECT_EQ(recorder.reports()[0].message, "groups and lists are nested deeper than 200 levels");

    std::string allowed = "a = " + std::string(200, '[') + std::string(200, ']');
    EXPECT_NE(parse(allowed.c_str(), &ok), nullptr);
    EXPECT_TRUE(ok);
}

TEST(ResourceReader, TruncatedInputNeverCrashes)
{
    ErrorRecorder recorder;
    const std::string text = "a = { b = [1, \"x\\\"y\", rgb(1,2,3), { c = -0x10 }, W] d = true } # end\n";
    for (size_t length = 0; length <= text.size(); ++length) {
        bool ok = false;
        std::unique_ptr<QARes> first(readResourceText(QByteArray(text.data(), int(length)), "t", &ok));
        EXPECT_EQ(ok, length == 0 || length >= text.size() - 7) << length;
    }
}

TEST(ResourceReader, FileThatCannotBeOpenedIsReportedAtItsName)
{
    ErrorRecorder recorder;
    bool ok = true;
    EXPECT_EQ(readResourceFile("/nonexistent/dir/conf.res", &ok), nullptr);
    EXPECT_FALSE(ok);
    ASSERT_EQ(recorder.reports().size(), 1u);
    EXPECT_EQ(recorder.reports()[0].file, "/nonexistent/dir/conf.res");
    EXPECT_EQ(recorder.reports()[0].line, 0);
    EXPECT_EQ(recorder.reports()[0].column, 0);
    EXPECT_TRUE(recorder.reports()[0].message.startsWith("cannot open the file: "));
}

TEST(ResourceReader, FileWithoutEndIsRefusedAtTheSizeLimit)
{
    ErrorRecorder recorder;
    bool ok = true;
    EXPECT_EQ(readResourceFile("/dev/zero", &ok), nullptr);
    EXPECT_FALSE(ok);
    ASSERT_EQ(recorder.reports().size(), 1u);
    EXPECT_EQ(recorder.reports()[0].message, "cannot read the file: it is larger than 64 MiB");
    EXPECT_EQ(recorder.reports()[0].file, "/dev/zero");
    EXPECT_EQ(recorder.reports()[0].line, 0);
}

TEST(ResourceReader, NodesOfAFileCarryItsName)
{
    ErrorRecorder recorder;
    bool ok = false;
    QString path = EXAMPLES_DIR "/styles.res";
    std::unique_ptr<QARes> first(readResourceFile(path, &ok));
    ASSERT_TRUE(ok);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(QString::fromLocal8Bit(first->srcFileName()), path);
    QAResGroup* style = first->toResGroup();
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(QString::fromLocal8Bit(style->firstChild()->srcFileName()), path);
}

}
