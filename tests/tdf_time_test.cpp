#include <tdf_time.h>

#include "qstring_print.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

namespace {

const unsigned long long picosecondsPerHour = 3600ULL * 1000 * 1000 * 1000 * 1000;

struct FormatCase {
    const char* format;
    TDFTimeUnitType unit;
    unsigned long long time;
    const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* out)
{
    *out << '"' << c.format << "\" unit " << int(c.unit) << " time " << c.time;
}

class TimeFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(TimeFormat, LaysOutTheTime)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(TDFTime2StringFormat(QString::fromUtf8(c.format), c.time, c.unit), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, TimeFormat,
    testing::Values(FormatCase{"%Hh %Mmn %ss", UNIT_SECOND, 3725, "1h 2mn 5s"},
                    FormatCase{"%Hh %Mmn %ss", UNIT_SECOND, 3605, "1h 5s"},
                    FormatCase{"%Hh %Mmn %ss", UNIT_SECOND, 0, "0s"},
                    FormatCase{"%Hh %0Mmn %ss", UNIT_SECOND, 3605, "1h 0mn 5s"},
                    FormatCase{"%M:%s", UNIT_SECOND, 125, "2:5"},
                    FormatCase{"%s.%m", UNIT_MILLISECOND, 1500, "1.500"},
                    FormatCase{"%s.%m", UNIT_MILLISECOND, 1005, "1.5"},
                    FormatCase{"%s.%m", UNIT_MILLISECOND, 1000, "1."},
                    FormatCase{"%M", UNIT_SECOND, 7200, "120"},
                    FormatCase{"%p", UNIT_MICROSECOND, 0, "0"},
                    FormatCase{"%v ticks", UNIT_NANOSECOND, 42, "42 ticks"},
                    FormatCase{"%v ticks", UNIT_HOUR, 42, "42 ticks"},
                    FormatCase{"100%", UNIT_SECOND, 9, "100%"},
                    FormatCase{"100%", UNIT_PICOSECOND, 0, "100%"},
                    FormatCase{"%%", UNIT_MINUTE, 3, "%"},
                    FormatCase{"%x", UNIT_MILLISECOND, 3, "x"},
                    FormatCase{" %ss ", UNIT_SECOND, 7, "7s"},
                    FormatCase{"%Hh %ss", UNIT_NONE, 42, "42"},
                    FormatCase{"", UNIT_SECOND, 42, "42"},
                    // White space alone says nothing either.
                    FormatCase{"\t \n", UNIT_SECOND, 42, "42"},
                    FormatCase{" ", UNIT_MILLISECOND, 0, "0"}));

INSTANTIATE_TEST_SUITE_P(
    FieldOrderAndSuppression, TimeFormat,
    testing::Values(
        // A larger unit after a smaller one only gets the remainder.
        FormatCase{"%Mmn %0Hh", UNIT_SECOND, 7230, "120mn 0h"},
        FormatCase{"%u/%0m", UNIT_NANOSECOND, 1234567, "1234/0"},
        FormatCase{"%H:%M", UNIT_MINUTE, 1530, "25:30"},
        // Each zero field drops the text up to the next '%', even at the end.
        FormatCase{"%Hh %Mmn %ss", UNIT_SECOND, 3600, "1h"},
        FormatCase{"%Hh %Mmn %ss %mms", UNIT_MILLISECOND, 60010, "1mn 10ms"},
        // Suppression comes back after every printed field.
        FormatCase{"%0Hh %Mmn %ss", UNIT_SECOND, 5, "0h 5s"},
        FormatCase{"%0Hh %0Mmn %0ss", UNIT_SECOND, 0, "0h 0mn 0s"},
        FormatCase{"%00Mmn", UNIT_SECOND, 0, "0mn"}));

INSTANTIATE_TEST_SUITE_P(
    NothingPrinted, TimeFormat,
    testing::Values(
        // Only the text of the last skipped field is kept, as written.
        FormatCase{"%Hh %Mmn", UNIT_MINUTE, 0, "0mn"},
        FormatCase{"%Hh %ss ", UNIT_SECOND, 0, "0s "},
        FormatCase{"%s", UNIT_SECOND, 0, "0"},
        FormatCase{"%H", UNIT_SECOND, 42, "0"},
        // Leading blanks alone do not count as printed.
        FormatCase{" %ss", UNIT_SECOND, 0, "0s"}));

INSTANTIATE_TEST_SUITE_P(
    OtherDirectives, TimeFormat,
    testing::Values(
        // %p prints whatever the fields left, zero included, and uses it up.
        FormatCase{"%s.%p", UNIT_MILLISECOND, 1500, "1.500000000000"},
        FormatCase{"%ss %p", UNIT_SECOND, 5, "5s 0"},
        FormatCase{"%p", UNIT_NANOSECOND, 7, "7000"},
        FormatCase{"%pps %ns", UNIT_MICROSECOND, 3, "3000000ps"},
        // %v is the unscaled count and leaves nothing for later fields.
        FormatCase{"%v %ss", UNIT_SECOND, 5, "5"},
        FormatCase{"%ss = %v", UNIT_MINUTE, 2, "120s = 2"},
        FormatCase{"%%s", UNIT_SECOND, 5, "%s"},
        // A format ending inside a directive ends with '%'.
        FormatCase{"%ss %", UNIT_SECOND, 5, "5s %"},
        FormatCase{"%ss%0", UNIT_SECOND, 5, "5s%"},
        FormatCase{"%", UNIT_SECOND, 0, "%"},
        FormatCase{"%0", UNIT_SECOND, 0, "%"},
        // Only the outer white space goes.
        FormatCase{"\t%Hh  %ss\n ", UNIT_SECOND, 3605, "1h  5s"}));

TEST(TDFTime2String, IsPlainUnsignedDecimal)
{
    EXPECT_EQ(TDFTime2String(0), "0");
    EXPECT_EQ(TDFTime2String(1000), "1000");
    EXPECT_EQ(TDFTime2String(ULLONG_MAX), "18446744073709551615");
}

TEST(TDFTime2StringFormat, LargestTimeKeepsAllItsDigits)
{
    EXPECT_EQ(TDFTime2StringFormat("%p", ULLONG_MAX, UNIT_PICOSECOND), "18446744073709551615");
    EXPECT_EQ(TDFTime2StringFormat("%v", ULLONG_MAX, UNIT_HOUR), "18446744073709551615");
    EXPECT_EQ(TDFTime2StringFormat("%Hh", ULLONG_MAX, UNIT_NONE), "18446744073709551615");
}

TEST(TDFTime2StringFormat, PicosecondsWrapPastTwoToThe64)
{
    // 5125 hours is just past 2^64 ps.
    const unsigned long long hours = 5125;
    const unsigned long long wrapped = hours * picosecondsPerHour;
    ASSERT_LT(wrapped / picosecondsPerHour, hours);
    EXPECT_EQ(TDFTime2StringFormat("%p", hours, UNIT_HOUR), QString::number(wrapped));
    EXPECT_EQ(TDFTime2StringFormat("%0Hh", hours, UNIT_HOUR), QString::number(wrapped / picosecondsPerHour) + "h");
    EXPECT_EQ(TDFTime2StringFormat("%v", hours, UNIT_HOUR), "5125");
    // The hour just below the limit is still exact.
    EXPECT_EQ(TDFTime2StringFormat("%Hh", 5124, UNIT_HOUR), "5124h");
}

TEST(TDFTime2StringFormat, UnitsOutsideTheEnumerationShowThePlainCount)
{
    for (int unit : {-1, 8, 100, INT_MIN, INT_MAX}) {
        EXPECT_EQ(TDFTime2StringFormat("%Hh %ss %p", 42, TDFTimeUnitType(unit)), "42") << unit;
        EXPECT_EQ(TDFTime2StringFormat("%Hh", 0, TDFTimeUnitType(unit)), "0") << unit;
    }
}

}
