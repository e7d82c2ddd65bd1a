#include "common/platform_signals.h"

#include "common/exit_status.h"

#include <csignal>
#include <initializer_list>

#if !defined(_WIN32)
#include <signal.h>
#endif

namespace {

// The one piece of global state: a signal handler can do nothing else.
volatile std::sig_atomic_t received = 0;

extern "C" void remember_signal(int number)
{
    received = number;
}

} // namespace

void remember_stop_signals()
{
#if defined(_WIN32)
    std::signal(SIGINT, remember_signal);
    std::signal(SIGTERM, remember_signal);
#else
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        if (sigaction(number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = remember_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART; // reads go on; sleeps end early and look at the signal
        sigaction(number, &action, nullptr);
    }
#endif
}

int remembered_stop_signal()
{
    return received;
}

const char* stop_signal_name(int number)
{
    switch (number) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
#if !defined(_WIN32)
    case SIGHUP:
        return "SIGHUP";
#endif
    default:
        return "a signal";
    }
}

int stop_status(int signal_number)
{
    if (signal_number == SIGTERM)
        return exit_terminated;
#if !defined(_WIN32)
    if (signal_number == SIGHUP)
        return exit_hung_up;
#endif
    return exit_interrupted;
}
