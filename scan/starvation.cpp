#include "scan/starvation.h"

#include "common/text.h"
#include "stats/stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>

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

std::vector<std::size_t> every_probe(const ProbeRound& round)
{
    std::vector<std::size_t> every(round.gflops.size());
    std::iota(every.begin(), every.end(), std::size_t{0});
    return every;
}

// Whether the round says where its probes stood among its calls of which cells.
bool judged_by_cells(const ProbeRound& round)
{
    return !round.call_cells.empty() && round.after_calls.size() == round.gflops.size();
}

// Whether the round says which of its calls waited for their CPUs.
bool waits_by_call(const ProbeRound& round)
{
    return judged_by_cells(round) && round.call_waited.size() == round.call_cells.size();
}

// Whether some round judged more than one cell apart.
bool several_cells(const std::vector<ProbeRound>& rounds)
{
    return std::any_of(rounds.begin(), rounds.end(), [](const ProbeRound& round) {
        return judged_by_cells(round) && std::any_of(round.call_cells.begin(), round.call_cells.end(),
                                                     [](std::size_t cell) { return cell != 0; });
    });
}

std::string percent(double share)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.0f %%", 100.0 * share);
    return text;
}

} // namespace

double probes_rate(const ProbeRound& round, const std::vector<std::size_t>& probes, std::size_t cpu)
{
    std::vector<double> rates;
    for (std::size_t p : probes)
        if (p < round.gflops.size() && cpu < round.gflops[p].size() && std::isfinite(round.gflops[p][cpu]))
            rates.push_back(round.gflops[p][cpu]);
    if (rates.empty())
        return std::numeric_limits<double>::quiet_NaN();
    std::sort(rates.begin(), rates.end());
    return rates[std::min<std::size_t>(1, rates.size() - 1)];
}

double round_rate(const ProbeRound& round, std::size_t cpu)
{
    return probes_rate(round, every_probe(round), cpu);
}

std::vector<std::vector<std::size_t>> probes_beside_cells(const ProbeRound& round)
{
    const std::vector<std::size_t>& at = round.after_calls;
    if (!judged_by_cells(round))
        return {every_probe(round)};
    std::vector<std::set<std::size_t>> beside(*std::max_element(round.call_cells.begin(), round.call_cells.end()) + 1);
    for (std::size_t call = 0; call < round.call_cells.size(); ++call) {
        // The probes are in the order they were taken: the last at or before the call's start,
        // the first at or after its end.
        std::size_t before = at.size(), after = at.size();
        for (std::size_t p = 0; p < at.size(); ++p) {
            if (at[p] <= call)
                before = p;
            if (at[p] > call && after == at.size())
                after = p;
        }
        for (std::size_t p : {before, after})
            if (p < at.size())
                beside[round.call_cells[call]].insert(p);
    }
    std::vector<std::vector<std::size_t>> cells;
    cells.reserve(beside.size());
    for (const std::set<std::size_t>& probes : beside)
        cells.emplace_back(probes.begin(), probes.end());
    return cells;
}

bool call_starved(const StarvationVerdict& verdict, int round, std::size_t cell)
{
    if (verdict.starved_rounds.count(round) == 0)
        return false;
    // A round judged whole has no cells of its own: every call of it is left out.
    const auto cells = verdict.starved_cells.find(round);
    return cells == verdict.starved_cells.end() || cells->second.count(cell) != 0;
}

StarvationVerdict judge_starvation(const std::vector<ProbeRound>& rounds, const StarvationRule& rule)
{
    StarvationVerdict verdict;
    const auto rates = rates_by_cpu(rounds);
    verdict.healthy_gflops = healthy_rate(rates);
    verdict.noise = std::isfinite(verdict.healthy_gflops) ? upper_noise(rates, verdict.healthy_gflops) : 0.0;
    verdict.threshold = std::min(rule.ceiling, std::max(rule.floor, rule.noise_multiple * verdict.noise));
    for (const ProbeRound& round : rounds) {
        const std::vector<std::vector<std::size_t>> cells = probes_beside_cells(round);
        std::vector<double> relative(round.cpus.size(), std::numeric_limits<double>::quiet_NaN());
        for (std::size_t cell = 0; cell < cells.size(); ++cell)
            for (std::size_t i = 0; i < round.cpus.size(); ++i) {
                const double own = probes_rate(round, cells[cell], i) / verdict.healthy_gflops;
                if (std::isnan(relative[i]) || own < relative[i])
                    relative[i] = own;
                if (own < 1.0 - verdict.threshold) {
                    verdict.starved_rounds.insert(round.round);
                    if (judged_by_cells(round))
                        verdict.starved_cells[round.round].insert(cell);
                }
            }
        verdict.relative.push_back(relative);
        if (round.waited > rule.wait_limit) {
            verdict.contended_rounds.insert(round.round);
            verdict.starved_rounds.insert(round.round);
            // A call whose wait was not judged (a team larger than its CPUs) may be the one the
            // other work hurt most, so its cell goes with the cells whose calls waited.
            std::set<std::size_t> waited;
            if (waits_by_call(round))
                for (std::size_t call = 0; call < round.call_cells.size(); ++call)
                    if (!(round.call_waited[call] <= rule.wait_limit))
                        waited.insert(round.call_cells[call]);
            if (waited.empty())
                verdict.starved_cells.erase(round.round); // the round does not say which call: all of it
            else
                verdict.starved_cells[round.round].insert(waited.begin(), waited.end());
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
    std::map<int, std::vector<double>> fell;  // CPU -> its relative rates where it was starved
    std::vector<double> waits;                // the contended rounds' longest waits
    std::size_t fell_rounds = 0;              // rounds in which some CPU fell
    bool waits_apart = several_cells(rounds); // every contended round left out only the cells that waited
    for (std::size_t r = 0; r < rounds.size() && r < verdict.relative.size(); ++r) {
        bool fell_here = false;
        for (std::size_t i = 0; i < rounds[r].cpus.size(); ++i)
            if (verdict.relative[r][i] < 1.0 - verdict.threshold) {
                fell[rounds[r].cpus[i]].push_back(verdict.relative[r][i]);
                fell_here = true;
            }
        fell_rounds += fell_here;
        if (verdict.contended_rounds.count(rounds[r].round) != 0) {
            waits.push_back(rounds[r].waited);
            waits_apart = waits_apart && waits_by_call(rounds[r]);
        }
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
        warnings.push_back({"host_starvation",
                            joined(falls, "; ") + (several_cells(rounds)
                                                       ? "; in those rounds the cells timed beside the fall are left "
                                                         "out of the figures"
                                                       : "; those rounds are left out of the figures")});
    }
    if (!waits.empty())
        warnings.push_back({"contended", "a thread waited for its CPU behind other work in this system in " +
                                             share(waits.size()) + ", for up to " +
                                             percent(*std::max_element(waits.begin(), waits.end())) + " of a call" +
                                             (waits_apart ? "; in those rounds the cells whose calls waited are left "
                                                            "out of the figures"
                                                          : "; those rounds are left out of the figures")});
    // The figures that measure the host are said once, by the cause that took the most rounds.
    if (!measuring_host.empty() && !warnings.empty())
        (waits.size() > fell_rounds ? warnings.back() : warnings.front()).message +=
            "; too few clean rounds reached the precision at " + measuring_host +
            ": those figures measure the host, not the kernel";
    return warnings;
}
