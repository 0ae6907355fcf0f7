#include "internal/line_splitter.h"

#include <cerrno>

namespace tdf::internal {

namespace {

// Large enough that a file takes few reads, small beside a trace's model.
constexpr std::size_t blockBytes = std::size_t(1) << 20;

}

LineSplitter::LineSplitter(std::FILE* stream, std::size_t longestLine)
    : stream_(stream),
      longestLine_(longestLine),
      // The part of a line kept from the block before, a whole block and
      // the NUL after the last line.
      capacity_(longestLine + blockBytes + 1),
      buffer_(new char[capacity_ + slack])
{
    buffer_[terminator_] = terminatedByte_;
}

bool LineSplitter::nextAfterFeedless(Line* line)
{
    const std::size_t available = end_ - start_;
    if (available >= longestLine_) {
        handOut(longestLine_, line);
        return true;
    }
    if (failure_ != 0 || (ended_ && available == 0))
        return false;
    if (ended_) {
        handOut(available, line);
        return true;
    }
    // After a refill the bytes read reach the longest line or the end of
    // the input: the next call hands out a line or ends.
    refill();
    return nextInBuffer(line);
}

void LineSplitter::findSpecials(std::size_t lineEnd, Line* line)
{
    line->firstNul = nextNul_ < lineEnd ? buffer_.get() + nextNul_ : nullptr;
    line->firstCarriageReturn = nextCarriageReturn_ < lineEnd ? buffer_.get() + nextCarriageReturn_ : nullptr;
    if (nextNul_ < lineEnd)
        nextNul_ = find('\0', lineEnd);
    if (nextCarriageReturn_ < lineEnd)
        nextCarriageReturn_ = find('\r', lineEnd);
    nextSpecial_ = std::min(nextNul_, nextCarriageReturn_);
}

std::size_t LineSplitter::find(char c, std::size_t from) const
{
    const void* found = std::memchr(buffer_.get() + from, c, end_ - from);
    return found ? std::size_t(static_cast<const char*>(found) - buffer_.get()) : end_;
}

void LineSplitter::refill()
{
    const std::size_t kept = end_ - start_;
    std::memmove(buffer_.get(), buffer_.get() + start_, kept);
    start_ = 0;
    end_ = kept;
    const std::size_t wanted = capacity_ - 1 - end_;
    const std::size_t read = std::fread(buffer_.get() + end_, 1, wanted, stream_);
    end_ += read;
    // A search may read the bytes after those read, and ignores them: they
    // are set all the same, so that no uninitialised byte is looked at.
    std::memset(buffer_.get() + end_, 0, slack);
    nextNul_ = find('\0', 0);
    nextCarriageReturn_ = find('\r', 0);
    nextSpecial_ = std::min(nextNul_, nextCarriageReturn_);
    if (read == wanted)
        return;
    // fread stops short only at the end of the input or at a failure.
    if (std::ferror(stream_))
        failure_ = errno != 0 ? errno : EIO;
    else
        ended_ = true;
}

}
