#include <error.h>

#include "error_recorder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What the default printing writes for one report.
std::string printed(bool isError, const QString& message, const QString& file, int line, int column)
{
    Error::setHandler(nullptr);
    testing::internal::CaptureStderr();
    if (isError)
        Error::error(message, file, line, column);
    else
        Error::warning(message, file, line, column);
    return testing::internal::GetCapturedStderr();
}

TEST(ErrorPrinting, PrefixStandsInForAMissingFileNameOnly)
{
    EXPECT_EQ(printed(true, "bad thing", QString(), 0, 0), "error:bad thing\n");
    EXPECT_EQ(printed(false, "odd thing", QString(), 0, 0), "warning:odd thing\n");
    EXPECT_EQ(printed(false, "odd thing", "f", 3, 0), "f:3:odd thing\n");
    EXPECT_EQ(printed(true, "bad thing", "t.tdf", 12, 7), "t.tdf:12:7:bad thing\n");
}

TEST(ErrorPrinting, EmptyFileNameStillPrintsItsColon)
{
    EXPECT_EQ(printed(true, "m", QString(""), 0, 0), ":m\n");
    EXPECT_EQ(printed(false, "m", QString(""), 2, 0), ":2:m\n");
}

TEST(ErrorPrinting, OnlyZeroPositionsAreLeftOut)
{
    EXPECT_EQ(printed(true, "m", "f", -4, -1), "f:-4:-1:m\n");
    EXPECT_EQ(printed(true, "m", "f", 0, 5), "f:5:m\n");
    EXPECT_EQ(printed(true, QString(), QString(), 0, 0), "error:\n");
}

TEST(ErrorPrinting, TextIsWrittenInTheLocalEncoding)
{
    QString message = QString::fromUtf8("caf\xc3\xa9");
    EXPECT_EQ(printed(true, message, QString::fromUtf8("\xc3\xa9.tdf"), 1, 0),
              (QString::fromUtf8("\xc3\xa9.tdf:1:") + message + "\n").toLocal8Bit().toStdString());
}

TEST(ErrorCounting, CountersFollowReportsWithOrWithoutHandler)
{
    ErrorRecorder recorder;
    Error::error("e1", "f", 1, 2);
    Error::warning("w1", QString(), 0, 0);
    Error::error("e2", "g", 3, 0);
    EXPECT_EQ(Error::error_count_, 2);
    EXPECT_EQ(Error::warn_count_, 1);

    ASSERT_EQ(recorder.reports().size(), 3u);
    const Report& first = recorder.reports()[0];
    EXPECT_EQ(first.severity, Error::ERROR);
    EXPECT_EQ(int(first.severity), 1);
    EXPECT_EQ(first.message, "e1");
    EXPECT_EQ(first.file, "f");
    EXPECT_EQ(first.line, 1);
    EXPECT_EQ(first.column, 2);
    EXPECT_EQ(int(recorder.reports()[1].severity), 0);
    EXPECT_TRUE(recorder.reports()[1].file.isNull());

    Error::setHandler(nullptr);
    testing::internal::CaptureStderr();
    Error::warning("w2", "f", 1, 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Error::warn_count_, 2);
}

TEST(ErrorCounting, ResetClearsCountersButKeepsTheHandler)
{
    ErrorRecorder recorder;
    Error::error("e", "f", 1, 0);
    Error::warning("w", "f", 1, 0);
    Error::reset();
    EXPECT_EQ(Error::error_count_, 0);
    EXPECT_EQ(Error::warn_count_, 0);

    testing::internal::CaptureStderr();
    Error::error("after reset", "f", 2, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(recorder.reports().size(), 3u);
    EXPECT_EQ(Error::error_count_, 1);
}

}
