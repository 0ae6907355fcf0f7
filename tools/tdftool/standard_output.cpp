#include "standard_output.h"

#include "tool_messages.h"
#include "write_all.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

StandardOutput::Buffer::Buffer()
{
    setp(data_, data_ + sizeof data_);
}

bool StandardOutput::Buffer::drain()
{
    if (failure_ == 0 && !writeAll(STDOUT_FILENO, pbase(), static_cast<std::size_t>(pptr() - pbase())))
        fail(errno);
    setp(data_, data_ + sizeof data_);
    return failure_ == 0;
}

StandardOutput::Buffer::int_type StandardOutput::Buffer::overflow(int_type c)
{
    if (!drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof()))
        sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
}

int StandardOutput::Buffer::sync()
{
    return drain() ? 0 : -1;
}

StandardOutput::StandardOutput() : stream_(&buffer_) {}

void StandardOutput::print(const char* format, ...)
{
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length < 0) {
        buffer_.fail(errno != 0 ? errno : EOVERFLOW);
    } else if (static_cast<std::size_t>(length) < sizeof text) {
        stream_.write(text, length);
    } else {
        std::vector<char> longer(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(longer.data(), longer.size(), format, again);
        stream_.write(longer.data(), length);
    }
    va_end(again);
}

bool StandardOutput::finish()
{
    stream_.flush();
    if (buffer_.failure() == 0)
        return true;
    printToolError(QStringLiteral("cannot write standard output: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(buffer_.failure()))));
    return false;
}
