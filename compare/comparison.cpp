#include "compare/comparison.h"

#include <algorithm>

namespace {

const ThreadSamples* find_count(const CountedRounds& rounds, int threads)
{
    for (const ThreadSamples& t : rounds.by_threads)
        if (t.threads == threads)
            return &t;
    return nullptr;
}

// One thread count's samples on one side, a group per scan (empty where a scan lacks the count).
struct SideSamples {
    std::vector<std::vector<double>> seconds;
    std::vector<PairedSamples> pairs;
};

SideSamples side_samples(const std::vector<CountedRounds>& side, int threads)
{
    SideSamples samples;
    for (const CountedRounds& scan : side) {
        const ThreadSamples* t = find_count(scan, threads);
        samples.seconds.push_back(t ? t->seconds : std::vector<double>());
        samples.pairs.push_back(t ? t->pairs : PairedSamples());
    }
    return samples;
}

CountComparison compare_count(int threads, const SideSamples& a, const SideSamples& b, const CompareSettings& settings)
{
    CountComparison c;
    c.threads = threads;
    const std::vector<double> seconds_a = pooled(a.seconds), seconds_b = pooled(b.seconds);
    const PairedSamples pairs_a = pooled(a.pairs), pairs_b = pooled(b.pairs);
    c.runs_a = static_cast<int>(seconds_a.size());
    c.runs_b = static_cast<int>(seconds_b.size());
    c.pairs_a = static_cast<int>(pairs_a.parallel.size());
    c.pairs_b = static_cast<int>(pairs_b.parallel.size());
    c.median_a_s = median(seconds_a);
    c.median_b_s = median(seconds_b);
    c.speedup_a = speedup_of(pairs_a);
    c.speedup_b = speedup_of(pairs_b);
    // Two streams per count, so that adding a count, or a figure, leaves the others as they were.
    const std::uint64_t stream = settings.seed + 2 * static_cast<std::uint64_t>(threads);
    c.time = compare_grouped_medians(a.seconds, b.seconds, settings.resamples, stream, settings.confidence);
    c.speedup = compare_grouped_speedups(a.pairs, b.pairs, settings.resamples, stream + 1, settings.confidence);
    c.time_judged = c.runs_a >= settings.minimum_rounds && c.runs_b >= settings.minimum_rounds;
    c.speedup_judged = c.pairs_a >= settings.minimum_rounds && c.pairs_b >= settings.minimum_rounds;
    if (c.time_judged)
        c.time_change = change_beyond_noise(c.time.interval, settings.threshold);
    if (c.speedup_judged)
        c.speedup_change = change_beyond_noise(c.speedup.interval, settings.threshold);
    return c;
}

bool has_count(const std::vector<CountedRounds>& side, int threads)
{
    for (const CountedRounds& scan : side)
        if (find_count(scan, threads))
            return true;
    return false;
}

// Every thread count a side's scans measured, ascending.
std::vector<int> counts_of(const std::vector<CountedRounds>& side)
{
    std::vector<int> counts;
    for (const CountedRounds& scan : side)
        for (const ThreadSamples& t : scan.by_threads)
            counts.push_back(t.threads);
    std::sort(counts.begin(), counts.end());
    counts.erase(std::unique(counts.begin(), counts.end()), counts.end());
    return counts;
}

} // namespace

Comparison compare_rounds(const std::vector<CountedRounds>& a, const std::vector<CountedRounds>& b,
                          const CompareSettings& settings)
{
    Comparison comparison;
    comparison.settings = settings;
    for (const int threads : counts_of(a)) {
        if (has_count(b, threads))
            comparison.counts.push_back(
                compare_count(threads, side_samples(a, threads), side_samples(b, threads), settings));
        else
            comparison.only_in_a.push_back(threads);
    }
    for (const int threads : counts_of(b))
        if (!has_count(a, threads))
            comparison.only_in_b.push_back(threads);
    return comparison;
}

Comparison compare_rounds(const CountedRounds& a, const CountedRounds& b, const CompareSettings& settings)
{
    return compare_rounds(std::vector<CountedRounds>{a}, std::vector<CountedRounds>{b}, settings);
}
