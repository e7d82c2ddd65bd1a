// Two scans compared figure by figure. The sides were measured apart (other minutes, other
// builds, other machines), so nothing pairs a round of A with a round of B: each side is
// resampled on its own, and replicate r of the ratio divides B's r-th replicate by A's.
#include "stats/stats.h"

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

} // namespace

RatioEstimate compare_medians(const std::vector<double>& a, const std::vector<double>& b, int resamples,
                              std::uint64_t seed, double confidence)
{
    RatioEstimate estimate;
    estimate.ratio = a.empty() || b.empty() ? not_a_number : median(b) / median(a);
    std::mt19937_64 generator(seed);
    const std::vector<double> from_a = resampled_medians(a, resamples, generator);
    const std::vector<double> from_b = resampled_medians(b, resamples, generator);
    estimate.interval = percentile_interval(ratios_of_replicates(from_a, from_b), confidence);
    return estimate;
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
    RatioEstimate estimate;
    estimate.ratio = speedup_of(b) / speedup_of(a);
    std::mt19937_64 generator(seed);
    const std::vector<double> from_a = resampled_ratios_of_medians(a.baseline, a.parallel, resamples, generator);
    const std::vector<double> from_b = resampled_ratios_of_medians(b.baseline, b.parallel, resamples, generator);
    estimate.interval = percentile_interval(ratios_of_replicates(from_a, from_b), confidence);
    return estimate;
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
