#include "scan/signals.h"

#include "common/exit_status.h"

#include <csignal>

namespace {

// The one piece of global state: a signal handler can do nothing else.
volatile std::sig_atomic_t received = 0;

extern "C" void remember_signal(int number)
{
    received = number;
}

void catch_unless_ignored(int number)
{
    // Asking for the disposition means setting one; an ignored signal is put back at once.
    if (std::signal(number, remember_signal) == SIG_IGN)
        std::signal(number, SIG_IGN);
}

} // namespace

void catch_stop_signals()
{
    catch_unless_ignored(SIGINT);
    catch_unless_ignored(SIGTERM);
#if defined(SIGHUP)
    catch_unless_ignored(SIGHUP);
#endif
}

int stop_signal()
{
    return received;
}

int stop_status(int signal_number)
{
    if (signal_number == SIGTERM)
        return exit_terminated;
#if defined(SIGHUP)
    if (signal_number == SIGHUP)
        return exit_hung_up;
#endif
    return exit_interrupted;
}
