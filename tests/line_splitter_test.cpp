#include "internal/line_splitter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

using namespace tdf::internal;

namespace {

// Lines of every length around a short limit, holding NUL bytes and
// carriage returns, over several of the blocks the splitter reads: each
// line must be the one the splitting rule makes, and tell the first NUL
// and carriage return that a scan of it finds, also where the line began
// in the block before.
TEST(LineSplitter, EveryLineTellsItsFirstNulAndCarriageReturn)
{
    const size_t limit = 50;
    std::mt19937 random(7);
    std::string text;
    while (text.size() < (size_t(8) << 20)) {
        std::string line(random() % (2 * limit), 'y');
        for (char special : {'\0', '\0', '\0', '\r', '\r', '\r'})
            if (!line.empty())
                line[random() % line.size()] = special;
        text += line + '\n';
    }
    text += "no line feed\r";

    std::unique_ptr<FILE, int (*)(FILE*)> stream(fmemopen(text.data(), text.size(), "r"), std::fclose);
    ASSERT_TRUE(stream);
    LineSplitter splitter(stream.get(), limit);
    LineSplitter::Line line;
    size_t start = 0;
    size_t wrong = 0;
    while (splitter.next(&line)) {
        size_t end = text.find('\n', start);
        end = std::min({end == std::string::npos ? text.size() : end + 1, start + limit, text.size()});
        const std::string expected = text.substr(start, end - start);
        const auto first = [&](char c) {
            const void* found = std::memchr(line.text, c, line.length);
            return static_cast<const char*>(found);
        };
        if (std::string(line.text, line.length) != expected || line.text[line.length] != '\0' ||
            line.firstNul != first('\0') || line.firstCarriageReturn != first('\r'))
            ++wrong;
        start = end;
    }
    EXPECT_EQ(splitter.failure(), 0);
    EXPECT_EQ(start, text.size());
    EXPECT_EQ(wrong, 0u);
}

}
