#include "stats/stats.h"

#include <algorithm>
#include <cmath>
#include <limits>

double median(std::vector<double> values)
{
    if (values.empty())
        return std::numeric_limits<double>::quiet_NaN();
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
    return lower + (upper - lower) / 2.0;
}

namespace {

// P(X <= k) for X ~ Binomial(n, 1/2), summed in logarithms so that large n cannot overflow.
double binomial_half_cdf(int n, int k)
{
    double total = 0.0;
    for (int i = 0; i <= k; ++i)
        total += std::exp(std::lgamma(n + 1.0) - std::lgamma(i + 1.0) - std::lgamma(n - i + 1.0) - n * std::log(2.0));
    return total;
}

} // namespace

RankInterval median_rank_interval(int count, double confidence)
{
    RankInterval ranks;
    if (count < 1)
        return ranks;
    // The interval [x(l), x(n-l+1)] misses the median when l or more samples lie on one side
    // of it: probability 2 P(X <= l - 1). Take the largest l that keeps that within 1 - confidence.
    const double tail = (1.0 - confidence) / 2.0;
    int lower = 1;
    while (lower + 1 <= (count + 1) / 2 && binomial_half_cdf(count, lower) <= tail)
        ++lower;
    ranks.lower = lower;
    ranks.upper = count - lower + 1;
    ranks.coverage = 1.0 - 2.0 * binomial_half_cdf(count, lower - 1);
    return ranks;
}

Interval median_interval(std::vector<double> values, double confidence)
{
    Interval interval;
    if (values.empty()) {
        interval.low = interval.high = std::numeric_limits<double>::quiet_NaN();
        return interval;
    }
    std::sort(values.begin(), values.end());
    const RankInterval ranks = median_rank_interval(static_cast<int>(values.size()), confidence);
    interval.low = values[static_cast<std::size_t>(ranks.lower - 1)];
    interval.high = values[static_cast<std::size_t>(ranks.upper - 1)];
    interval.coverage = ranks.coverage;
    return interval;
}
