#include "scan/signals.h"

#include <csignal>

namespace {

// The one piece of global state: a signal handler can do nothing else.
volatile std::sig_atomic_t received = 0;

extern "C" void remember_signal(int number)
{
    received = number;
}

} // namespace

void catch_stop_signals()
{
    std::signal(SIGINT, remember_signal);
    std::signal(SIGTERM, remember_signal);
}

int stop_signal()
{
    return received;
}
