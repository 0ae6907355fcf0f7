#ifndef TDF_LINE_SPLITTER_H
#define TDF_LINE_SPLITTER_H

// The lines of a stream as the reader takes them, read in large blocks: a
// line ends after its line feed, after `longestLine` bytes (the rest of a
// longer line is a further line) or at the end of the input. A line is
// handed out NUL-terminated, with its length: a NUL byte inside it is
// part of the line, not its end.
//
// The splitter also tells where a line's first NUL byte and first carriage
// return are. It looks for them once for all the bytes read, not line by
// line, so that an ordinary line is looked at only for its line feed.

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tdf::internal {

class LineSplitter {
public:
    struct Line {
        const char* text = nullptr;  // NUL-terminated
        std::size_t length = 0;      // the line's bytes, NUL bytes and line feed included
        const char* firstNul = nullptr;             // in the line, or null
        const char* firstCarriageReturn = nullptr;  // in the line, or null
    };

    LineSplitter(std::FILE* stream, std::size_t longestLine);
    LineSplitter(const LineSplitter&) = delete;
    LineSplitter& operator=(const LineSplitter&) = delete;

    // The next line, valid until the next call. False at the end of the
    // input, and at a read failure once the whole lines read before it
    // have been handed out (the part of a line before the failure is not).
    bool next(Line* line)
    {
        buffer_[terminator_] = terminatedByte_;
        return nextInBuffer(line);
    }
    // The reason (an errno value) of the read failure, 0 when there was none.
    int failure() const { return failure_; }

private:
    static constexpr std::size_t notFound = ~std::size_t(0);
    // Past the bytes read the buffer has room for one more load of
    // sixteen bytes, so that the search of a short line need not stop
    // short of its end.
    static constexpr std::size_t slack = 16;
    // The offset from start_ of the first line feed in the next `length`
    // bytes, or notFound. Lines are short: sixteen bytes at a time without
    // a call does better on them than memchr.
    std::size_t findLineFeed(std::size_t length) const
    {
        const char* begin = buffer_.get() + start_;
#if defined(__SSE2__)
        const __m128i feeds = _mm_set1_epi8('\n');
        for (std::size_t offset = 0; offset < length; offset += slack) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + offset));
            if (const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, feeds))) {
                const std::size_t feed = offset + std::size_t(__builtin_ctz(unsigned(mask)));
                return feed < length ? feed : notFound;
            }
        }
        return notFound;
#else
        const void* feed = std::memchr(begin, '\n', length);
        return feed ? std::size_t(static_cast<const char*>(feed) - begin) : notFound;
#endif
    }
    // The next line, the one before given its byte back.
    bool nextInBuffer(Line* line)
    {
        const std::size_t feed = findLineFeed(std::min(end_ - start_, longestLine_));
        if (feed != notFound) {
            handOut(feed + 1, line);
            return true;
        }
        return nextAfterFeedless(line);
    }
    // The next line when the bytes read hold no line feed within reach.
    bool nextAfterFeedless(Line* line);
    void handOut(std::size_t length, Line* line)
    {
        const std::size_t lineEnd = start_ + length;
        line->text = buffer_.get() + start_;
        line->length = length;
        if (nextSpecial_ < lineEnd) {
            findSpecials(lineEnd, line);
        } else {
            line->firstNul = nullptr;
            line->firstCarriageReturn = nullptr;
        }
        start_ = lineEnd;
        terminator_ = lineEnd;
        terminatedByte_ = buffer_[lineEnd];
        buffer_[lineEnd] = '\0';
    }
    // Tells the line ending at `lineEnd` its first NUL and carriage
    // return, and finds the next ones after it.
    void findSpecials(std::size_t lineEnd, Line* line);
    // The position of the first byte `c` among the bytes read from `from`
    // on, or their end.
    std::size_t find(char c, std::size_t from) const;
    // Moves the part of a line at the end of the buffer to its front and
    // reads a block after it.
    void refill();

    std::FILE* stream_;
    std::size_t longestLine_;
    std::size_t capacity_;
    std::unique_ptr<char[]> buffer_;
    std::size_t start_ = 0;  // of the next line
    std::size_t end_ = 0;    // of the bytes read
    // The first NUL byte and carriage return from start_ on, or end_, and
    // the first of the two.
    std::size_t nextNul_ = 0;
    std::size_t nextCarriageReturn_ = 0;
    std::size_t nextSpecial_ = 0;
    // The byte after the line handed out last, which its terminating NUL
    // stands in for until the next call (before the first line, the first
    // byte of the buffer, with a value of its own).
    std::size_t terminator_ = 0;
    char terminatedByte_ = 0;
    bool ended_ = false;
    int failure_ = 0;
};

}

#endif
