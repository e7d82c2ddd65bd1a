#include "scan/summary.h"

#include "common/timing.h"
#include "scan/stop_rule.h"
#include "stats/stats.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

ConfigurationSummary summarise_configuration(const Configuration& configuration, const std::vector<double>& seconds,
                                             const std::set<int>& teams, int size)
{
    ConfigurationSummary s;
    s.configuration = configuration;
    s.runs = static_cast<int>(seconds.size());
    s.teams.assign(teams.begin(), teams.end());
    if (seconds.empty()) {
        s.ci_coverage = 0.0; // no interval, and so none that covers anything; every time stays no_value
        return s;
    }
    s.median_s = median(seconds);
    const Interval interval = median_interval(seconds, scan_confidence);
    s.ci_low_s = interval.low;
    s.ci_high_s = interval.high;
    s.ci_coverage = interval.coverage;
    s.min_s = *std::min_element(seconds.begin(), seconds.end());
    s.max_s = *std::max_element(seconds.begin(), seconds.end());
    s.gflops = 2.0 * size * size * static_cast<double>(size) / s.median_s / 1e9;
    return s;
}

// A median of zero says only that the calls were shorter than the clock's tick: a ratio with it
// is not a number, and neither is an interval around that ratio.
void set_speedup(SpeedupSummary& s, double baseline_s, double parallel_s, const std::vector<double>& sequential,
                 const std::vector<double>& parallel, const SummaryInputs& inputs)
{
    if (!(baseline_s > 0.0 && parallel_s > 0.0)) {
        s.speedup = s.ci_low = s.ci_high = nan;
        return;
    }
    s.speedup = baseline_s / parallel_s;
    // Below min_interval_pairs the bootstrap has too few distinct resamples to cover what it
    // claims: one pair gives an interval of a single point. The figure then stands alone, as a
    // study's does.
    if (static_cast<int>(sequential.size()) < min_interval_pairs) {
        s.ci_low = s.ci_high = nan;
        return;
    }
    // Each count has its own stream from the one seed, so adding a count leaves the others'
    // intervals as they were.
    const Interval interval = bootstrap_ratio_of_medians(
        sequential, parallel, inputs.resamples, inputs.seed + static_cast<unsigned>(s.threads), scan_confidence);
    s.ci_low = interval.low;
    s.ci_high = interval.high;
}

} // namespace

bool timed_well(const ConfigurationSummary& configuration)
{
    return configuration.runs > 0 && configuration.median_s >= shortest_timed_call_s;
}

ScanSummary summarise_scan(const std::vector<Configuration>& configurations, const std::vector<Sample>& samples,
                           const SummaryInputs& inputs)
{
    std::vector<std::vector<double>> seconds(configurations.size());
    std::vector<std::set<int>> teams(configurations.size());
    // round -> seconds of each configuration's valid sample in that round
    std::vector<std::map<int, double>> by_round(configurations.size());
    for (const Sample& sample : samples) {
        if (!sample.valid || sample.config >= configurations.size())
            continue;
        seconds[sample.config].push_back(sample.seconds);
        teams[sample.config].insert(sample.team);
        by_round[sample.config][sample.round] = sample.seconds;
    }

    ScanSummary summary;
    for (std::size_t c = 0; c < configurations.size(); ++c)
        summary.configurations.push_back(summarise_configuration(configurations[c], seconds[c], teams[c], inputs.size));

    const ConfigurationSummary& baseline = summary.configurations.front();
    const ConfigurationSummary* previous = nullptr;
    for (std::size_t c = 1; c < configurations.size(); ++c) {
        const ConfigurationSummary& current = summary.configurations[c];
        const int t = configurations[c].threads;
        SpeedupSummary s;
        s.threads = t;
        std::vector<double> sequential, parallel;
        for (const auto& [round, time] : by_round[c]) {
            const auto paired = by_round[0].find(round);
            if (paired != by_round[0].end()) {
                sequential.push_back(paired->second);
                parallel.push_back(time);
            }
        }
        s.pairs = static_cast<int>(sequential.size());
        // The point and its interval come from the same paired rounds: a median over every valid
        // sample would mix in rounds the interval never sees.
        set_speedup(s, median(sequential), median(parallel), sequential, parallel, inputs);
        s.efficiency = s.speedup / t;
        s.efficiency_ci_low = s.ci_low / t;
        s.efficiency_ci_high = s.ci_high / t;
        s.karp_flatt = karp_flatt(s.speedup, t);
        s.schedule_bound = inputs.schedule_bound ? inputs.schedule_bound(inputs.size, inputs.block, t)
                                                 : std::numeric_limits<double>::quiet_NaN();
        s.differs_from_previous = previous && previous->runs > 0 && current.runs > 0 &&
                                  (current.ci_high_s < previous->ci_low_s || current.ci_low_s > previous->ci_high_s);
        s.precision_reached = s.pairs >= min_interval_pairs &&
                              within_precision(s.speedup, s.ci_low, s.ci_high, inputs.precision) &&
                              timed_well(baseline) && timed_well(current);
        summary.speedups.push_back(s);
        previous = &current;
    }
    return summary;
}

int invalid_samples(const std::vector<Sample>& samples)
{
    return static_cast<int>(
        std::count_if(samples.begin(), samples.end(), [](const Sample& sample) { return !sample.valid; }));
}

bool all_precise(const ScanSummary& summary)
{
    if (summary.speedups.empty())
        return false;
    for (const SpeedupSummary& s : summary.speedups)
        if (!s.precision_reached)
            return false;
    return true;
}
