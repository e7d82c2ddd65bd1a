#include "scan/line_passing.h"

#include "common/text.h"
#include "scan/cells.h"
#include "scan/clean_rounds.h"
#include "stats/stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <set>
#include <string>

namespace {

// The probes of the round beside the calls of the cells; every probe where the round does not
// say where its probes stood, or holds one cell.
std::set<std::size_t> probes_beside(const ProbeRound& round, const std::vector<std::size_t>& cells)
{
    std::set<std::size_t> probes;
    if (!round.call_cells.empty() && round.after_calls.size() == round.line_ns.size()) {
        const std::vector<std::vector<std::size_t>> beside = probes_beside_cells(round);
        if (beside.size() > 1) {
            for (std::size_t cell : cells)
                if (cell < beside.size())
                    probes.insert(beside[cell].begin(), beside[cell].end());
            return probes;
        }
    }
    for (std::size_t p = 0; p < round.line_ns.size(); ++p)
        probes.insert(p);
    return probes;
}

bool taken(const std::vector<double>& probe, std::size_t other)
{
    return other - 1 < probe.size() && std::isfinite(probe[other - 1]) && probe[other - 1] > 0.0;
}

} // namespace

std::vector<LinePassing> judge_line_passing(const std::vector<ProbeRound>& rounds,
                                            const std::vector<std::size_t>& cells)
{
    std::map<std::pair<int, int>, std::vector<double>> every;                          // per pair, every trip
    std::map<std::pair<int, int>, std::vector<std::pair<int, double>>> slowest_beside; // per pair: round, trip
    for (const ProbeRound& round : rounds) {
        const std::set<std::size_t> beside = probes_beside(round, cells);
        for (std::size_t other = 1; other < round.cpus.size(); ++other) {
            const std::pair<int, int> pair{round.cpus.front(), round.cpus[other]};
            double slowest = std::numeric_limits<double>::quiet_NaN();
            for (std::size_t p = 0; p < round.line_ns.size(); ++p) {
                if (!taken(round.line_ns[p], other))
                    continue;
                const double trip = round.line_ns[p][other - 1];
                every[pair].push_back(trip);
                if (beside.count(p) != 0 && !(trip <= slowest))
                    slowest = trip;
            }
            if (!std::isnan(slowest))
                slowest_beside[pair].emplace_back(round.round, slowest);
        }
    }
    std::vector<LinePassing> judged;
    for (auto& [pair, trips] : every) {
        std::sort(trips.begin(), trips.end());
        LinePassing passing;
        passing.from = pair.first;
        passing.to = pair.second;
        passing.fastest_ns = trips.front();
        passing.slowest_ns = trips.back();
        passing.fast_ns = trips[(trips.size() - 1) / 10];
        for (const auto& [number, slowest] : slowest_beside[pair]) {
            (slowest >= slow_line_factor * passing.fast_ns ? passing.slow_rounds : passing.fast_rounds)
                .push_back(number);
        }
        judged.push_back(passing);
    }
    return judged;
}

std::vector<LineFollowing> line_following(const std::vector<Configuration>& plan,
                                          const std::vector<Sample>& clean_samples,
                                          const std::vector<ProbeRound>& rounds)
{
    std::vector<LineFollowing> following;
    const std::vector<CellSpan> spans = cell_spans(plan);
    for (std::size_t cell = 0; cell < spans.size(); ++cell) {
        // A round is far when a trip beside the cell's calls was slow on some pair, near when
        // every pair's was fast.
        std::set<int> far, near;
        for (const LinePassing& pair : judge_line_passing(rounds, {cell})) {
            far.insert(pair.slow_rounds.begin(), pair.slow_rounds.end());
            near.insert(pair.fast_rounds.begin(), pair.fast_rounds.end());
        }
        if (far.empty())
            continue;
        const std::vector<Sample> own = cell_samples(clean_samples, spans[cell]);
        for (std::size_t c = 1; c < spans[cell].count; ++c) {
            if (plan[spans[cell].first + c].threads < 2)
                continue;
            std::vector<int> numbers;
            const std::vector<double> logs = round_log_speedups(own, c, &numbers);
            std::vector<double> far_speedups, near_speedups; // a round with no trip beside is on neither side
            for (std::size_t r = 0; r < logs.size(); ++r)
                if (far.count(numbers[r]) != 0)
                    far_speedups.push_back(std::exp(logs[r]));
                else if (near.count(numbers[r]) != 0)
                    near_speedups.push_back(std::exp(logs[r]));
            if (far_speedups.size() < static_cast<std::size_t>(min_interval_pairs) ||
                near_speedups.size() < static_cast<std::size_t>(min_interval_pairs))
                continue;
            const Interval far_ci = median_interval(far_speedups, 0.95);
            const Interval near_ci = median_interval(near_speedups, 0.95);
            const double far_median = median(far_speedups), near_median = median(near_speedups);
            const double step = std::max(far_median, near_median) / std::min(far_median, near_median) - 1.0;
            if ((far_ci.high < near_ci.low || near_ci.high < far_ci.low) && step >= line_following_step)
                following.push_back({spans[cell].size, spans[cell].block, plan[spans[cell].first + c].threads,
                                     static_cast<int>(far_speedups.size()), static_cast<int>(near_speedups.size()),
                                     far_median, near_median});
        }
    }
    return following;
}

std::vector<Warning> line_passing_warning(const std::vector<LinePassing>& passing,
                                          const std::vector<std::pair<int, int>>& sharing_cells,
                                          const std::vector<LineFollowing>& following)
{
    if (sharing_cells.empty() && following.empty())
        return {};
    std::vector<std::string> moves;
    for (const LinePassing& p : passing) {
        if (p.slow_rounds.empty())
            continue;
        char text[256];
        std::snprintf(text, sizeof(text),
                      "between CPUs %d and %d took %g x its fast level (%.0f ns, the tenth percentile) or more in %d "
                      "of %d rounds (%.0f to %.0f ns over the run)",
                      p.from, p.to, slow_line_factor, p.fast_ns, static_cast<int>(p.slow_rounds.size()),
                      static_cast<int>(p.slow_rounds.size() + p.fast_rounds.size()), p.fastest_ns, p.slowest_ns);
        moves.emplace_back(text);
    }
    std::vector<std::string> followed;
    for (const LineFollowing& f : following) {
        char text[256];
        std::snprintf(text, sizeof(text),
                      "n %d b %d on %d threads: %.3f in the %d clean rounds with a slow trip beside its calls against "
                      "%.3f in the %d with only fast ones",
                      f.size, f.block, f.threads, f.far_speedup, f.far_rounds, f.near_speedup, f.near_rounds);
        followed.emplace_back(text);
    }
    std::string message;
    if (!moves.empty())
        message = sharing_cells.empty()
                      ? "a cache line's round trip " + joined(moves, "; ") +
                            ": in those rounds the host placed the CPUs farther apart"
                      : "beside the calls of " + cells_named(sharing_cells) +
                            ", whose threads share the lines of C they write, a cache line's round trip " +
                            joined(moves, "; ") +
                            ": in those rounds the CPUs passed lines more slowly, and those cells' times and "
                            "speed-ups follow how fast they pass them";
    if (!followed.empty())
        message += std::string(message.empty() ? "" : "; ") + "the speed-up followed the line's trip at " +
                   joined(followed, ", ") +
                   " (medians of the rounds' speed-ups, their 95 % intervals apart): "
                   "those figures mix the host's two placements of the CPUs in the shares it chose";
    if (message.empty())
        return {};
    return {{"line_passing", message}};
}
