#include "stats/fastest.h"

#include "stats/stats.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

std::vector<double> numbers_of(const std::vector<double>& series)
{
    std::vector<double> numbers;
    for (double value : series)
        if (!std::isnan(value))
            numbers.push_back(value);
    return numbers;
}

} // namespace

PairedRatio paired_ratio(const std::vector<double>& numerator, const std::vector<double>& denominator, int resamples,
                         std::uint64_t seed, double confidence)
{
    std::vector<double> top, bottom;
    for (std::size_t r = 0; r < std::min(numerator.size(), denominator.size()); ++r)
        if (!std::isnan(numerator[r]) && !std::isnan(denominator[r])) {
            top.push_back(numerator[r]);
            bottom.push_back(denominator[r]);
        }
    PairedRatio ratio;
    ratio.pairs = static_cast<int>(top.size());
    ratio.ratio = top.empty() ? not_a_number : median(top) / median(bottom);
    ratio.low = ratio.high = not_a_number;
    if (ratio.pairs < min_interval_pairs)
        return ratio;
    const Interval interval = bootstrap_ratio_of_medians(top, bottom, resamples, seed, confidence);
    ratio.low = interval.low;
    ratio.high = interval.high;
    return ratio;
}

bool within_tolerance_of_one(const PairedRatio& ratio, double tolerance)
{
    if (!std::isfinite(ratio.low) || !std::isfinite(ratio.high))
        return false;
    const bool holds_one = ratio.low <= 1.0 && 1.0 <= ratio.high;
    const bool inside = ratio.low >= 1.0 / (1.0 + tolerance) && ratio.high <= 1.0 + tolerance;
    return holds_one || inside;
}

bool straddles_tolerance(const PairedRatio& ratio, double tolerance)
{
    if (!std::isfinite(ratio.low) || !std::isfinite(ratio.high))
        return false;
    const double below = 1.0 / (1.0 + tolerance), above = 1.0 + tolerance;
    const bool inside = ratio.low >= below && ratio.high <= above;
    const bool outside = ratio.low > above || ratio.high < below;
    return !inside && !outside;
}

FastestSet fastest_set(const std::vector<std::vector<double>>& series, double tolerance, int resamples,
                       std::uint64_t seed, double confidence)
{
    FastestSet set;
    for (const std::vector<double>& times : series)
        set.medians.push_back(median(numbers_of(times)));
    for (std::size_t c = 0; c < set.medians.size(); ++c)
        if (!std::isnan(set.medians[c]) && (set.fastest < 0 || set.medians[c] < set.medians[set.fastest]))
            set.fastest = static_cast<int>(c);
    for (std::size_t c = 0; c < series.size(); ++c) {
        if (set.fastest < 0) {
            set.versus_fastest.push_back({not_a_number, not_a_number, not_a_number, 0});
            set.indistinguishable.push_back(false);
            continue;
        }
        const PairedRatio ratio =
            paired_ratio(series[c], series[static_cast<std::size_t>(set.fastest)], resamples, seed + c, confidence);
        set.versus_fastest.push_back(ratio);
        set.indistinguishable.push_back(static_cast<int>(c) == set.fastest ||
                                        within_tolerance_of_one(ratio, tolerance));
    }
    return set;
}
