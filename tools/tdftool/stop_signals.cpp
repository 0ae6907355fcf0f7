#include "stop_signals.h"

#include <pthread.h>

namespace {

sigset_t stopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

}

StopSignalsHeld::StopSignalsHeld()
{
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, &earlier_);
}

StopSignalsHeld::~StopSignalsHeld()
{
    pthread_sigmask(SIG_SETMASK, &earlier_, nullptr);
}

int StopSignalsHeld::wait() const
{
    const sigset_t signals = stopSignals();
    int taken = 0;
    while (sigwait(&signals, &taken) != 0) {
    }
    return taken;
}
