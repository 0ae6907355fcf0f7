#include "progress.h"

#include <cstdio>
#include <unistd.h>

bool Progress::turnedOff_ = false;

Progress::Progress(const QString& fileName, long long totalBytes)
    : shown_(!turnedOff_ && totalBytes >= (1 << 20) && isatty(STDERR_FILENO)),
      name_(fileName),
      total_(totalBytes),
      lastShown_(std::chrono::steady_clock::now())
{
    if (shown_)
        show();
}

Progress::~Progress()
{
    if (shown_)
        std::fputs("\r\033[K", stderr);
}

void Progress::refresh()
{
    sinceCheck_ = 0;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastShown_ < std::chrono::milliseconds(250))
        return;
    lastShown_ = now;
    show();
}

void Progress::show()
{
    std::fprintf(stderr, "\r%s: %3d%%", name_.toLocal8Bit().constData(), int(done_ * 100 / total_));
    std::fflush(stderr);
}
