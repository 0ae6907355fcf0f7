#include "resource_text.h"

#include <resource_reader.h>

#include <gtest/gtest.h>

std::unique_ptr<QARes> parseResources(const char* text, const char* fileName)
{
    bool ok = false;
    std::unique_ptr<QARes> first(readResourceText(QByteArray(text), fileName, &ok));
    EXPECT_TRUE(ok) << "resource text does not parse: " << text;
    return first;
}
