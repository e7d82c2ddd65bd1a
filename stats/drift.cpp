#include "stats/drift.h"

#include "stats/stats.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;

// Standard deviation of a standard normal variable clipped to [-c, c]: the spread the clipped
// deviations have when nothing changes.
double clipped_normal_sd(double c)
{
    const double tail = 0.5 * std::erfc(c / std::sqrt(2.0));             // P(Z > c)
    const double density = std::exp(-0.5 * c * c) / std::sqrt(2.0 * pi); // phi(c)
    return std::sqrt(1.0 - 2.0 * tail - 2.0 * c * density + 2.0 * c * c * tail);
}

// Robust noise of a series: the median absolute step between neighbours, scaled to a standard
// deviation (a step of two independent normal values has spread sqrt(2) sigma; the median of
// its absolute value is 0.6745 of that).
double neighbour_noise(const std::vector<double>& values)
{
    std::vector<double> steps;
    for (std::size_t i = 1; i < values.size(); ++i)
        steps.push_back(std::fabs(values[i] - values[i - 1]));
    return median(steps) / (0.6745 * std::sqrt(2.0));
}

} // namespace

Drift detect_drift(const std::vector<double>& values, const DriftRule& rule)
{
    Drift drift;
    const int n = static_cast<int>(values.size());
    if (n < std::max(rule.min_points, 2))
        return drift;
    const double centre = median(values);
    drift.noise = std::max(neighbour_noise(values), rule.noise_floor);
    std::vector<double> z;
    double mean = 0.0;
    for (double v : values) {
        z.push_back(std::clamp((v - centre) / drift.noise, -rule.clip, rule.clip));
        mean += z.back() / n;
    }
    double sum = 0.0;
    for (int k = 0; k + 1 < n; ++k) {
        sum += z[static_cast<std::size_t>(k)] - mean;
        if (std::fabs(sum) > drift.statistic) {
            drift.statistic = std::fabs(sum);
            drift.index = k + 1;
        }
    }
    drift.statistic /= clipped_normal_sd(rule.clip) * std::sqrt(static_cast<double>(n));
    drift.changed = drift.statistic > rule.critical;
    return drift;
}
