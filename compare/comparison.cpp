#include "compare/comparison.h"

namespace {

const ThreadSamples* find_count(const CountedRounds& rounds, int threads)
{
    for (const ThreadSamples& t : rounds.by_threads)
        if (t.threads == threads)
            return &t;
    return nullptr;
}

CountComparison compare_count(const ThreadSamples& a, const ThreadSamples& b, const CompareSettings& settings)
{
    CountComparison c;
    c.threads = a.threads;
    c.runs_a = static_cast<int>(a.seconds.size());
    c.runs_b = static_cast<int>(b.seconds.size());
    c.pairs_a = static_cast<int>(a.pairs.parallel.size());
    c.pairs_b = static_cast<int>(b.pairs.parallel.size());
    c.median_a_s = median(a.seconds);
    c.median_b_s = median(b.seconds);
    c.speedup_a = speedup_of(a.pairs);
    c.speedup_b = speedup_of(b.pairs);
    // Two streams per count, so that adding a count, or a figure, leaves the others as they were.
    const std::uint64_t stream = settings.seed + 2 * static_cast<std::uint64_t>(a.threads);
    c.time = compare_medians(a.seconds, b.seconds, settings.resamples, stream, settings.confidence);
    c.speedup = compare_speedups(a.pairs, b.pairs, settings.resamples, stream + 1, settings.confidence);
    c.time_judged = c.runs_a >= settings.minimum_rounds && c.runs_b >= settings.minimum_rounds;
    c.speedup_judged = c.pairs_a >= settings.minimum_rounds && c.pairs_b >= settings.minimum_rounds;
    if (c.time_judged)
        c.time_change = change_beyond_noise(c.time.interval, settings.threshold);
    if (c.speedup_judged)
        c.speedup_change = change_beyond_noise(c.speedup.interval, settings.threshold);
    return c;
}

} // namespace

Comparison compare_rounds(const CountedRounds& a, const CountedRounds& b, const CompareSettings& settings)
{
    Comparison comparison;
    comparison.settings = settings;
    for (const ThreadSamples& t : a.by_threads) {
        const ThreadSamples* other = find_count(b, t.threads);
        if (other)
            comparison.counts.push_back(compare_count(t, *other, settings));
        else
            comparison.only_in_a.push_back(t.threads);
    }
    for (const ThreadSamples& t : b.by_threads)
        if (!find_count(a, t.threads))
            comparison.only_in_b.push_back(t.threads);
    return comparison;
}
