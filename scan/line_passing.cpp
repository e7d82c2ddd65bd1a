#include "scan/line_passing.h"

#include "common/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

std::vector<LinePassing> judge_line_passing(const std::vector<ProbeRound>& rounds)
{
    // Per pair, per round with a trip between the two: its fastest and slowest trip.
    std::map<std::pair<int, int>, std::vector<std::pair<double, double>>> by_round;
    for (const ProbeRound& round : rounds) {
        for (std::size_t other = 1; other < round.cpus.size(); ++other) {
            std::vector<double> trips;
            for (const std::vector<double>& probe : round.line_ns)
                if (other - 1 < probe.size() && std::isfinite(probe[other - 1]) && probe[other - 1] > 0.0)
                    trips.push_back(probe[other - 1]);
            if (!trips.empty())
                by_round[{round.cpus.front(), round.cpus[other]}].emplace_back(
                    *std::min_element(trips.begin(), trips.end()), *std::max_element(trips.begin(), trips.end()));
        }
    }
    std::vector<LinePassing> passing;
    for (const auto& [pair, trips] : by_round) {
        LinePassing p;
        p.from = pair.first;
        p.to = pair.second;
        p.fastest_ns = std::min_element(trips.begin(), trips.end())->first;
        for (const auto& round : trips) {
            p.slowest_ns = std::max(p.slowest_ns, round.second);
            p.slow_rounds += round.second >= slow_line_factor * p.fastest_ns ? 1 : 0;
        }
        p.rounds = static_cast<int>(trips.size());
        passing.push_back(p);
    }
    return passing;
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
        char text[200];
        std::snprintf(text, sizeof(text),
                      "between CPUs %d and %d a cache line's round trip took from %.0f to %.0f ns, %g x the fastest "
                      "or more in %d of %d rounds",
                      p.from, p.to, p.fastest_ns, p.slowest_ns, slow_line_factor, p.slow_rounds, p.rounds);
        moves.emplace_back(text);
    }
    if (moves.empty())
        return {};
    return {{"line_passing", joined(moves, "; ") +
                                 ": in those rounds the CPUs passed lines more slowly, and the times "
                                 "and speed-ups of " +
                                 cells_named(sharing_cells) +
                                 ", whose threads share every line of C, follow how fast they pass them"}};
}
