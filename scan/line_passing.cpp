#include "scan/line_passing.h"

#include "common/text.h"

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
    std::map<std::pair<int, int>, std::vector<double>> every;          // per pair, every trip
    std::map<std::pair<int, int>, std::vector<double>> slowest_beside; // per pair, per round
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
                slowest_beside[pair].push_back(slowest);
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
        for (double slowest : slowest_beside[pair]) {
            ++passing.rounds;
            passing.slow_rounds += slowest >= slow_line_factor * passing.fast_ns ? 1 : 0;
        }
        judged.push_back(passing);
    }
    return judged;
}

std::vector<Warning> line_passing_warning(const std::vector<LinePassing>& passing,
                                          const std::vector<std::pair<int, int>>& sharing_cells)
{
    if (sharing_cells.empty())
        return {};
    std::vector<std::string> moves;
    for (const LinePassing& p : passing) {
        if (p.slow_rounds == 0)
            continue;
        char text[256];
        std::snprintf(text, sizeof(text),
                      "between CPUs %d and %d took %g x its fast level (%.0f ns, the tenth percentile) or more in %d "
                      "of %d rounds (%.0f to %.0f ns over the run)",
                      p.from, p.to, slow_line_factor, p.fast_ns, p.slow_rounds, p.rounds, p.fastest_ns, p.slowest_ns);
        moves.emplace_back(text);
    }
    if (moves.empty())
        return {};
    return {{"line_passing", "beside the calls of " + cells_named(sharing_cells) +
                                 ", whose threads share the lines of C they write, a cache line's round trip " +
                                 joined(moves, "; ") +
                                 ": in those rounds the CPUs passed lines more slowly, and those cells' times and "
                                 "speed-ups follow how fast they pass them"}};
}
