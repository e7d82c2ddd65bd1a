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

// A CPU's healthy rate: the median of its probes within healthy_window below its upper quartile.
// Starvation only ever lowers a rate, so the top of a CPU's probes is its healthy level as long
// as a quarter of them were taken while it was whole; the plain median would follow a CPU starved
// for most of the scan down to the starved level and judge every round against that, while the
// median of the probes near the top keeps the probe's ordinary scatter on both sides of it.
constexpr double healthy_quantile = 0.75;
constexpr double healthy_window = 0.15;

double cpu_healthy_rate(std::vector<double> rates)
{
    std::sort(rates.begin(), rates.end());
    const double top = percentile_of_sorted(rates, healthy_quantile);
    const auto first = std::lower_bound(rates.begin(), rates.end(), (1.0 - healthy_window) * top);
    return median(std::vector<double>(first, rates.end()));
}

double healthy_rate(const std::map<int, std::vector<double>>& rates)
{
    double best = std::numeric_limits<double>::quiet_NaN();
    for (const auto& entry : rates) {
        const double level = cpu_healthy_rate(entry.second);
        if (!(level <= best))
            best = level;
    }
    return best;
}

// The standard deviation of one probe's log rate, from the probes at or above the healthy rate
// alone (the upper half of the healthy ones), which no starved probe can reach.
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
    std::vector<double> rates;
    for (const std::vector<double>& probe : round.gflops)
        if (cpu < probe.size() && std::isfinite(probe[cpu]))
            rates.push_back(probe[cpu]);
    if (rates.empty())
        return std::numeric_limits<double>::quiet_NaN();
    std::sort(rates.begin(), rates.end());
    return rates[std::min<std::size_t>(1, rates.size() - 1)];
}

StarvationVerdict judge_starvation(const std::vector<ProbeRound>& rounds, const StarvationRule& rule)
{
    StarvationVerdict verdict;
    const auto rates = rates_by_cpu(rounds);
    verdict.healthy_gflops = healthy_rate(rates);
    verdict.noise = std::isfinite(verdict.healthy_gflops) ? upper_noise(rates, verdict.healthy_gflops) : 0.0;
    verdict.threshold = std::min(rule.ceiling, std::max(rule.floor, rule.noise_multiple * verdict.noise));
    for (const ProbeRound& round : rounds) {
        std::vector<double> relative;
        for (std::size_t i = 0; i < round.cpus.size(); ++i) {
            relative.push_back(round_rate(round, i) / verdict.healthy_gflops);
            if (relative.back() < 1.0 - verdict.threshold)
                verdict.starved_rounds.insert(round.round);
        }
        verdict.relative.push_back(relative);
        if (round.waited > rule.wait_limit) {
            verdict.contended_rounds.insert(round.round);
            verdict.starved_rounds.insert(round.round);
        }
    }
    return verdict;
}

std::vector<Warning> starvation_warning(const std::vector<ProbeRound>& rounds, const StarvationVerdict& verdict,
                                        int completed_rounds, const std::string& measuring_host)
{
    if (verdict.starved_rounds.empty() || completed_rounds < 1 ||
        (verdict.starved_rounds.size() == 1 && measuring_host.empty()))
        return {};
    std::map<int, std::vector<double>> fell; // CPU -> its relative rates where it was starved
    std::vector<double> waits;               // the contended rounds' longest waits
    std::size_t fell_rounds = 0;             // rounds in which some CPU fell
    for (std::size_t r = 0; r < rounds.size() && r < verdict.relative.size(); ++r) {
        bool fell_here = false;
        for (std::size_t i = 0; i < rounds[r].cpus.size(); ++i)
            if (verdict.relative[r][i] < 1.0 - verdict.threshold) {
                fell[rounds[r].cpus[i]].push_back(verdict.relative[r][i]);
                fell_here = true;
            }
        fell_rounds += fell_here;
        if (verdict.contended_rounds.count(rounds[r].round) != 0)
            waits.push_back(rounds[r].waited);
    }
    const auto share = [&](std::size_t count) {
        return std::to_string(count) + " of " + std::to_string(completed_rounds) + " rounds (" +
               percent(static_cast<double>(count) / completed_rounds) + ")";
    };
    std::vector<Warning> warnings;
    if (!fell.empty()) {
        std::vector<std::string> falls;
        for (const auto& [cpu, relative] : fell) {
            char text[80];
            std::snprintf(text, sizeof(text), "CPU %d fell to %.2f of the healthy rate in ", cpu, median(relative));
            falls.push_back(text + share(relative.size()));
        }
        warnings.push_back({"host_starvation", joined(falls, "; ") + "; those rounds are left out of the figures"});
    }
    if (!waits.empty())
        warnings.push_back({"contended", "a thread waited for its CPU behind other work in this system in " +
                                             share(waits.size()) + ", for up to " +
                                             percent(*std::max_element(waits.begin(), waits.end())) +
                                             " of a call; those rounds are left out of the figures"});
    // The figures that measure the host are said once, by the cause that took the most rounds.
    if (!measuring_host.empty() && !warnings.empty())
        (waits.size() > fell_rounds ? warnings.back() : warnings.front()).message +=
            "; too few clean rounds reached the precision at " + measuring_host +
            ": those figures measure the host, not the kernel";
    return warnings;
}
