#include "stats/stats.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

double percentile_of_sorted(const std::vector<double>& sorted, double p)
{
    const double position = p * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(position));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (sorted[above] - sorted[below]) * (position - static_cast<double>(below));
}

Interval bootstrap_ratio_of_medians(const std::vector<double>& numerators, const std::vector<double>& denominators,
                                    int resamples, std::uint64_t seed, double confidence)
{
    Interval interval;
    interval.coverage = confidence;
    const std::size_t count = std::min(numerators.size(), denominators.size());
    if (count == 0 || resamples < 1) {
        interval.low = interval.high = std::numeric_limits<double>::quiet_NaN();
        return interval;
    }
    // mt19937_64's sequence is fixed by the standard, and the index is taken from its raw
    // output rather than through a distribution whose algorithm each library chooses, so a
    // seed gives the same interval everywhere.
    std::mt19937_64 generator(seed);
    std::vector<double> ratios, top(count), bottom(count);
    ratios.reserve(static_cast<std::size_t>(resamples));
    for (int r = 0; r < resamples; ++r) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t pick = static_cast<std::size_t>(generator() % count);
            top[i] = numerators[pick];
            bottom[i] = denominators[pick];
        }
        const double ratio = median(top) / median(bottom);
        // 0 / 0 (calls shorter than the clock's tick) orders against nothing, and a sort
        // needs an order: such a resample says nothing and is left out.
        if (!std::isnan(ratio))
            ratios.push_back(ratio);
    }
    if (ratios.empty()) {
        interval.low = interval.high = std::numeric_limits<double>::quiet_NaN();
        return interval;
    }
    std::sort(ratios.begin(), ratios.end());
    interval.low = percentile_of_sorted(ratios, (1.0 - confidence) / 2.0);
    interval.high = percentile_of_sorted(ratios, 1.0 - (1.0 - confidence) / 2.0);
    return interval;
}
