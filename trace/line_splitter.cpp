#include "internal/line_splitter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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
      buffer_(new char[capacity_])
{
}

bool LineSplitter::next(const char** line, std::size_t* length)
{
    if (terminated_) {
        buffer_[terminator_] = terminatedByte_;
        terminated_ = false;
    }
    for (;;) {
        const std::size_t available = end_ - start_;
        const char* begin = buffer_.get() + start_;
        if (const void* feed = std::memchr(begin, '\n', std::min(available, longestLine_)))
            return handOut(std::size_t(static_cast<const char*>(feed) - begin) + 1, line, length);
        if (available >= longestLine_)
            return handOut(longestLine_, line, length);
        if (failure_ != 0 || (ended_ && available == 0))
            return false;
        if (ended_)
            return handOut(available, line, length);
        refill();
    }
}

bool LineSplitter::handOut(std::size_t length, const char** line, std::size_t* lineLength)
{
    *line = buffer_.get() + start_;
    *lineLength = length;
    start_ += length;
    terminator_ = start_;
    terminatedByte_ = buffer_[terminator_];
    buffer_[terminator_] = '\0';
    terminated_ = true;
    return true;
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
    if (read == wanted)
        return;
    // fread stops short only at the end of the input or at a failure.
    if (std::ferror(stream_))
        failure_ = errno != 0 ? errno : EIO;
    else
        ended_ = true;
}

}
