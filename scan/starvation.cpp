#include "scan/starvation.h"

#include "common/text.h"
#include "stats/stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

// Every probe's rate, by CPU.
std::map<int, std::vector<double>> rates_by_cpu(const std::vector<ProbeRound>& rounds)
{
    std::map<int, std::vector<double>> rates;
    for (const ProbeRound& round : rounds)
        for (const std::vector<double>& probe : round.gflops)
            for (std::size_t i = 0; i < round.cpus.size() && i < probe.size(); ++i)
                if (std::isfinite(probe[i]) && probe[i] > 0.0)
                    rates[round.cpus[i]].push_back(probe[i]);
    return rates;
}

double healthy_rate(const std::map<int, std::vector<double>>& rates)
{
    double best = std::numeric_limits<double>::quiet_NaN();
    for (const auto& entry : rates) {
        const double m = median(entry.second);
        if (!(m <= best))
            best = m;
    }
    return best;
}

double upper_noise(const std::map<int, std::vector<double>>& rates, double healthy)
{
    std::vector<double> above;
    for (const auto& entry : rates)
        for (double rate : entry.second)
            if (rate >= healthy) // ties count as the zero distance they are
                above.push_back(std::log(rate / healthy));
    return above.empty() ? 0.0 : 1.4826 * median(above);
}

std::string percent(double share)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.0f %%", 100.0 * share);
    return text;
}

} // namespace

double round_rate(const ProbeRound& round, std::size_t cpu)
{
    double lowest = std::numeric_limits<double>::quiet_NaN();
    for (const std::vector<double>& probe : round.gflops)
        if (cpu < probe.size() && std::isfinite(probe[cpu]) && !(lowest <= probe[cpu]))
            lowest = probe[cpu];
    return lowest;
}

StarvationVerdict judge_starvation(const std::vector<ProbeRound>& rounds, const StarvationRule& rule)
{
    StarvationVerdict verdict;
    const auto rates = rates_by_cpu(rounds);
    verdict.healthy_gflops = healthy_rate(rates);
    verdict.noise = std::isfinite(verdict.healthy_gflops) ? upper_noise(rates, verdict.healthy_gflops) : 0.0;
    verdict.threshold = std::max(rule.floor, rule.noise_multiple * verdict.noise);
    for (const ProbeRound& round : rounds) {
        std::vector<double> relative;
        for (std::size_t i = 0; i < round.cpus.size(); ++i) {
            relative.push_back(round_rate(round, i) / verdict.healthy_gflops);
            if (relative.back() < 1.0 - verdict.threshold)
                verdict.starved_rounds.insert(round.round);
        }
        verdict.relative.push_back(relative);
    }
    return verdict;
}

std::vector<Warning> starvation_warning(const std::vector<ProbeRound>& rounds, const StarvationVerdict& verdict,
                                        int completed_rounds, const std::vector<int>& counts_measuring_host)
{
    if (verdict.starved_rounds.empty() || completed_rounds < 1 ||
        (verdict.starved_rounds.size() == 1 && counts_measuring_host.empty()))
        return {};
    std::map<int, std::vector<double>> fell; // CPU -> its relative rates where it was starved
    for (std::size_t r = 0; r < rounds.size() && r < verdict.relative.size(); ++r)
        for (std::size_t i = 0; i < rounds[r].cpus.size(); ++i)
            if (verdict.relative[r][i] < 1.0 - verdict.threshold)
                fell[rounds[r].cpus[i]].push_back(verdict.relative[r][i]);
    std::vector<std::string> falls;
    falls.reserve(fell.size());
    for (const auto& [cpu, relative] : fell) {
        char text[160];
        std::snprintf(text, sizeof(text), "CPU %d fell to %.2f of the healthy rate in %d of %d rounds (%s)", cpu,
                      median(relative), static_cast<int>(relative.size()), completed_rounds,
                      percent(static_cast<double>(relative.size()) / completed_rounds).c_str());
        falls.emplace_back(text);
    }
    std::string message = joined(falls, "; ") + "; those rounds are left out of the figures";
    if (!counts_measuring_host.empty()) {
        message += "; too few clean rounds reached the precision at threads " + joined(counts_measuring_host, ",") +
                   ": those figures measure the host, not the kernel";
    }
    return {{"host_starvation", message}};
}
