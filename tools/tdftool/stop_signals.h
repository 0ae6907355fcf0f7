#ifndef TDFTOOL_STOP_SIGNALS_H
#define TDFTOOL_STOP_SIGNALS_H

#include <signal.h>

// While it lives, SIGINT and SIGTERM are held back from the thread that
// made it; threads it starts meanwhile keep them held back for good, so
// that they never take a stop meant for the thread that waits for it.
class StopSignalsHeld {
public:
    StopSignalsHeld();
    ~StopSignalsHeld();
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

private:
    sigset_t earlier_;
};

// Waits until SIGINT or SIGTERM comes and returns it. Both stay held back
// from the calling thread afterwards: a second one while the tool stops is
// not taken. A signal the tool was started to ignore (in the background,
// under nohup) is still ignored.
int waitForStopSignal();

#endif
