#include "scan/line_probe.h"

#include "machine/binding.h"
#include "stats/stats.h"

#include <atomic>
#include <chrono>
#include <limits>
#include <memory>
#include <vector>

namespace {

// The line the two threads pass: its own, so nothing else they touch moves with it.
struct alignas(64) PassedLine {
    std::atomic<int> turn{0};
    std::atomic<bool> given_up{false};
};

using Clock = std::chrono::steady_clock;

// Waits until the line holds want; false when the other side gave up or patience ran out (and
// then tells the other side). The clock is read once every 1024 looks, so that reading it does
// not slow the trip it times.
bool wait_for(PassedLine& line, int want, Clock::time_point deadline)
{
    for (unsigned looks = 1;; ++looks) {
        if (line.turn.load(std::memory_order_acquire) == want)
            return true;
        if (looks % 1024 == 0 && (line.given_up.load(std::memory_order_relaxed) || Clock::now() > deadline)) {
            line.given_up.store(true, std::memory_order_relaxed);
            return false;
        }
    }
}

} // namespace

double line_round_trip_ns(const Topology& topology, int from, int to)
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    if (from == to)
        return none;
    const auto line = std::make_unique<PassedLine>();
    std::vector<double> batches(line_batches, none);
    const auto patience = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(line_patience_s));
    run_on_cpus_together(topology, {from, to}, [&](std::size_t side) {
        // Unbound threads would time wherever the system put them, not the two CPUs.
        const int cpu = side == 0 ? from : to;
        if (place_calling_thread(topology, cpu) != cpu) {
            line->given_up.store(true, std::memory_order_relaxed);
            return;
        }
        // Side 0 sends odd numbers and times each batch but the first; side 1 answers each with
        // the next one.
        for (int batch = 0; batch <= line_batches; ++batch) {
            const int first = 2 * line_trips * batch;
            const Clock::time_point start = Clock::now(), deadline = start + patience;
            for (int trip = 0; trip < line_trips; ++trip) {
                const int sent = first + 2 * trip + 1;
                if (side == 0) {
                    line->turn.store(sent, std::memory_order_release);
                    if (!wait_for(*line, sent + 1, deadline))
                        return;
                } else {
                    if (!wait_for(*line, sent, deadline))
                        return;
                    line->turn.store(sent + 1, std::memory_order_release);
                }
            }
            if (side == 0 && batch > 0)
                batches[static_cast<std::size_t>(batch - 1)] =
                    std::chrono::duration<double, std::nano>(Clock::now() - start).count() / line_trips;
        }
    });
    for (double b : batches)
        if (!(b > 0.0))
            return none;
    return median(batches);
}
