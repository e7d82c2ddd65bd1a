// Per size and thread count, the edges side by side: the fastest, its equals, and its speed-up
// over the best sequential edge, all from paired rounds (stats/fastest.h).
#include "scan/cells.h"
#include "scan/clean_rounds.h"
#include "scan/study.h"
#include "scan/summary.h"

#include <algorithm>
#include <limits>
#include <set>

namespace {

constexpr double confidence = 0.95;

// The configuration of the cell that runs the given team (0: the sequential kernel).
std::size_t find_configuration(const ScanRun& run, const CellSpan& cell, int threads)
{
    for (std::size_t c = cell.first; c < cell.first + cell.count; ++c) {
        const Configuration& configuration = run.configurations[c];
        if (threads == 0 ? !configuration.parallel : configuration.parallel && configuration.threads == threads)
            return c;
    }
    return run.configurations.size();
}

} // namespace

std::vector<double> configuration_series(const ScanRun& run, std::size_t config)
{
    // The calls every figure of the run comes from: of completed rounds, and no CPU starved
    // beside them.
    std::vector<double> series(static_cast<std::size_t>(std::max(run.rounds, 0)),
                               std::numeric_limits<double>::quiet_NaN());
    for (const Sample& sample : judged_samples(run.configurations, run.samples, run.host.starvation, run.rounds, false))
        if (sample.config == config && sample.valid)
            series[static_cast<std::size_t>(sample.round - 1)] = sample.seconds;
    return series;
}

EdgeRanking rank_edges(const ScanRun& run, int threads, const EdgeRanking* sequential, std::uint64_t seed,
                       int resamples)
{
    constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();
    EdgeRanking ranking;
    ranking.threads = threads;
    ranking.speedup = {not_a_number, not_a_number, not_a_number, 0};
    std::vector<std::size_t> configs;
    std::vector<std::vector<double>> series;
    for (const CellSpan& cell : cell_spans(run.configurations)) {
        configs.push_back(find_configuration(run, cell, threads));
        series.push_back(configuration_series(run, configs.back()));
        ranking.edges.push_back({});
        ranking.edges.back().block = cell.block;
    }
    const FastestSet set = fastest_set(series, edge_tolerance, resamples, seed, confidence);
    for (std::size_t e = 0; e < ranking.edges.size(); ++e) {
        EdgeFigures& edge = ranking.edges[e];
        edge.median_s = set.medians[e];
        // From fewer than six rounds the interval of a median is the whole range, which covers
        // far less than it would claim here (nothing, from one round): the time then stands
        // alone, as a ratio from so few rounds does.
        const ConfigurationSummary* summary =
            configs[e] < run.summary.configurations.size() ? &run.summary.configurations[configs[e]] : nullptr;
        const bool covered = summary && has_time_interval(*summary, scan_confidence);
        edge.ci_low_s = covered ? summary->ci_low_s : std::numeric_limits<double>::quiet_NaN();
        edge.ci_high_s = covered ? summary->ci_high_s : std::numeric_limits<double>::quiet_NaN();
        edge.versus_fastest = set.versus_fastest[e];
        edge.fastest = static_cast<int>(e) == set.fastest;
        edge.indistinguishable = set.indistinguishable[e];
    }
    if (set.fastest < 0)
        return ranking;
    ranking.fastest_block = ranking.edges[static_cast<std::size_t>(set.fastest)].block;
    const auto best = sequential ? std::find_if(sequential->edges.begin(), sequential->edges.end(),
                                                [](const EdgeFigures& edge) { return edge.fastest; })
                                 : std::vector<EdgeFigures>::const_iterator();
    if (!sequential || best == sequential->edges.end())
        return ranking;
    ranking.best_sequential_block = best->block;
    const auto best_index = static_cast<std::size_t>(best - sequential->edges.begin());
    const std::vector<double> baseline =
        configuration_series(run, find_configuration(run, cell_spans(run.configurations)[best_index], 0));
    ranking.speedup = paired_ratio(baseline, series[static_cast<std::size_t>(set.fastest)], resamples,
                                   seed + 0x51ED27ULL, confidence);
    return ranking;
}
