// Two scans compared figure by figure. The sides were measured apart (other minutes, other
// builds, other machines), so nothing pairs a round of A with a round of B: each side is
// resampled on its own, and replicate r of the ratio divides B's r-th replicate by A's.
#include "stats/stats.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

// Replicate r of B over replicate r of A; empty unless both sides have every replicate.
std::vector<double> ratios_of_replicates(const std::vector<double>& a, const std::vector<double>& b)
{
    std::vector<double> ratios;
    if (a.size() != b.size())
        return ratios;
    ratios.reserve(a.size());
    for (std::size_t r = 0; r < a.size(); ++r)
        ratios.push_back(b[r] / a[r]);
    return ratios;
}

// The ratio with its interval: A's replicates and then B's are drawn from one generator seeded
// with seed, by resample(side, resamples, generator), and replicate r of the ratio divides B's
// r-th replicate by A's.
template <typename Side, typename Resample>
RatioEstimate estimate_ratio(double ratio, const Side& a, const Side& b, Resample resample, int resamples,
                             std::uint64_t seed, double confidence)
{
    RatioEstimate estimate;
    estimate.ratio = ratio;
    std::mt19937_64 generator(seed);
    const std::vector<double> from_a = resample(a, resamples, generator);
    const std::vector<double> from_b = resample(b, resamples, generator);
    estimate.interval = percentile_interval(ratios_of_replicates(from_a, from_b), confidence);
    return estimate;
}

} // namespace

RatioEstimate compare_medians(const std::vector<double>& a, const std::vector<double>& b, int resamples,
                              std::uint64_t seed, double confidence)
{
    const double ratio = a.empty() || b.empty() ? not_a_number : median(b) / median(a);
    return estimate_ratio(ratio, a, b, resampled_medians, resamples, seed, confidence);
}

double speedup_of(const PairedSamples& pairs)
{
    if (pairs.baseline.empty() || pairs.parallel.empty())
        return not_a_number;
    return median(pairs.baseline) / median(pairs.parallel);
}

RatioEstimate compare_speedups(const PairedSamples& a, const PairedSamples& b, int resamples, std::uint64_t seed,
                               double confidence)
{
    const auto resample = [](const PairedSamples& side, int count, std::mt19937_64& generator) {
        return resampled_ratios_of_medians(side.baseline, side.parallel, count, generator);
    };
    return estimate_ratio(speedup_of(b) / speedup_of(a), a, b, resample, resamples, seed, confidence);
}

std::vector<double> pooled(const std::vector<std::vector<double>>& groups)
{
    std::vector<double> all;
    for (const std::vector<double>& g : groups)
        all.insert(all.end(), g.begin(), g.end());
    return all;
}

PairedSamples pooled(const std::vector<PairedSamples>& groups)
{
    PairedSamples all;
    for (const PairedSamples& g : groups) {
        const std::size_t count = std::min(g.baseline.size(), g.parallel.size());
        all.baseline.insert(all.baseline.end(), g.baseline.begin(), g.baseline.begin() + count);
        all.parallel.insert(all.parallel.end(), g.parallel.begin(), g.parallel.begin() + count);
    }
    return all;
}

RatioEstimate compare_grouped_medians(const std::vector<std::vector<double>>& a,
                                      const std::vector<std::vector<double>>& b, int resamples, std::uint64_t seed,
                                      double confidence)
{
    if (a.size() == 1 && b.size() == 1)
        return compare_medians(a.front(), b.front(), resamples, seed, confidence);
    const std::vector<double> all_a = pooled(a), all_b = pooled(b);
    const double ratio = all_a.empty() || all_b.empty() ? not_a_number : median(all_b) / median(all_a);
    return estimate_ratio(ratio, a, b, resampled_grouped_medians, resamples, seed, confidence);
}

RatioEstimate compare_grouped_speedups(const std::vector<PairedSamples>& a, const std::vector<PairedSamples>& b,
                                       int resamples, std::uint64_t seed, double confidence)
{
    if (a.size() == 1 && b.size() == 1)
        return compare_speedups(a.front(), b.front(), resamples, seed, confidence);
    const double ratio = speedup_of(pooled(b)) / speedup_of(pooled(a));
    return estimate_ratio(ratio, a, b, resampled_grouped_speedups, resamples, seed, confidence);
}

Change change_beyond_noise(const Interval& ratio, double threshold)
{
    if (!(ratio.low <= ratio.high)) // NaN bounds say nothing
        return Change::none;
    const bool holds_one = ratio.low <= 1.0 && 1.0 <= ratio.high;
    const bool within_band = ratio.low >= 1.0 - threshold && ratio.high <= 1.0 + threshold;
    if (holds_one || within_band)
        return Change::none;
    return ratio.high < 1.0 ? Change::lower : Change::higher;
}
