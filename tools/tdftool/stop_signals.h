#ifndef TDFTOOL_STOP_SIGNALS_H
#define TDFTOOL_STOP_SIGNALS_H

#include <signal.h>

// While it lives, SIGINT and SIGTERM are held back from the thread that
// made it, which may wait for one of them; threads it starts meanwhile
// keep them held back for good, so that they never take a stop meant for
// the waiting thread. A signal the tool was started to ignore (in the
// background, under nohup) is still ignored.
class StopSignalsHeld {
public:
    StopSignalsHeld();
    // One that came meanwhile and was not waited for is taken now.
    ~StopSignalsHeld();
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

    // Waits until SIGINT or SIGTERM comes (or returns the one that came
    // already) and returns it. Taken this way rather than by a handler,
    // nothing runs in a signal handler's context.
    int wait() const;

private:
    sigset_t earlier_;
};

#endif
