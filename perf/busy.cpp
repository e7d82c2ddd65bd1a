// A stand-in for a host that takes part of a CPU away: spins for a share of every period and
// sleeps for the rest, until it is killed. Pin it with taskset to the CPU it should starve.
//   tilebench_busy PERCENT PERIOD_MS      e.g. tilebench_busy 60 100
#include "common/exit_status.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

static int run(int argc, char** argv)
{
    const double percent = argc > 1 ? std::atof(argv[1]) : 60.0;
    const double period_ms = argc > 2 ? std::atof(argv[2]) : 100.0;
    if (argc > 3 || !(percent >= 0.0 && percent <= 100.0) || !(period_ms >= 1.0 && period_ms <= 60000.0)) {
        std::fprintf(stderr, "usage: tilebench_busy PERCENT (0-100) PERIOD_MS (1-60000)\n");
        return 2;
    }
    using clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration<double, std::milli>(period_ms);
    const auto busy = period * (percent / 100.0);
    volatile unsigned long sink = 0;
    for (auto start = clock::now();; start += std::chrono::duration_cast<clock::duration>(period)) {
        // Spinning on the clock keeps the CPU busy for wall time, as a neighbour on the host would.
        while (clock::now() - start < busy)
            sink = sink + 1;
        std::this_thread::sleep_until(start + std::chrono::duration_cast<clock::duration>(period));
    }
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench_busy", run, argc, argv);
}
