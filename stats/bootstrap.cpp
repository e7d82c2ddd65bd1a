#include "stats/stats.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

double percentile_of_sorted(const std::vector<double>& sorted, double p)
{
    const double position = p * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(position));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (sorted[above] - sorted[below]) * (position - static_cast<double>(below));
}

namespace {

// mt19937_64's sequence is fixed by the standard, and the index is taken from its raw output
// rather than through a distribution whose algorithm each library chooses, so a seed gives the
// same interval everywhere.
std::size_t draw_index(std::mt19937_64& generator, std::size_t count)
{
    return static_cast<std::size_t>(generator() % count);
}

} // namespace

std::vector<double> resampled_ratios_of_medians(const std::vector<double>& numerators,
                                                const std::vector<double>& denominators, int resamples,
                                                std::mt19937_64& generator)
{
    const std::size_t count = std::min(numerators.size(), denominators.size());
    std::vector<double> ratios, top(count), bottom(count);
    if (count == 0)
        return ratios;
    ratios.reserve(static_cast<std::size_t>(std::max(resamples, 0)));
    for (int r = 0; r < resamples; ++r) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t pick = draw_index(generator, count);
            top[i] = numerators[pick];
            bottom[i] = denominators[pick];
        }
        ratios.push_back(median(top) / median(bottom));
    }
    return ratios;
}

std::vector<double> resampled_medians(const std::vector<double>& values, int resamples, std::mt19937_64& generator)
{
    std::vector<double> medians, drawn(values.size());
    if (values.empty())
        return medians;
    medians.reserve(static_cast<std::size_t>(std::max(resamples, 0)));
    for (int r = 0; r < resamples; ++r) {
        for (double& value : drawn)
            value = values[draw_index(generator, values.size())];
        medians.push_back(median(drawn));
    }
    return medians;
}

Interval bootstrap_ratio_of_medians(const std::vector<double>& numerators, const std::vector<double>& denominators,
                                    int resamples, std::uint64_t seed, double confidence)
{
    std::mt19937_64 generator(seed);
    return percentile_interval(resampled_ratios_of_medians(numerators, denominators, resamples, generator), confidence);
}

Interval percentile_interval(std::vector<double> replicates, double confidence)
{
    Interval interval;
    interval.coverage = confidence;
    // 0 / 0 (calls shorter than the clock's tick) orders against nothing, and a sort needs an
    // order: such a replicate says nothing and is left out.
    replicates.erase(std::remove_if(replicates.begin(), replicates.end(), [](double r) { return std::isnan(r); }),
                     replicates.end());
    if (replicates.empty()) {
        interval.low = interval.high = std::numeric_limits<double>::quiet_NaN();
        return interval;
    }
    std::sort(replicates.begin(), replicates.end());
    interval.low = percentile_of_sorted(replicates, (1.0 - confidence) / 2.0);
    interval.high = percentile_of_sorted(replicates, 1.0 - (1.0 - confidence) / 2.0);
    return interval;
}

namespace {

// The groups that hold something to resample, by index.
template <typename Group, typename Size>
std::vector<const Group*> non_empty(const std::vector<Group>& groups, Size size_of)
{
    std::vector<const Group*> kept;
    for (const Group& g : groups)
        if (size_of(g) > 0)
            kept.push_back(&g);
    return kept;
}

} // namespace

std::vector<double> resampled_grouped_medians(const std::vector<std::vector<double>>& groups, int resamples,
                                              std::mt19937_64& generator)
{
    const auto kept = non_empty(groups, [](const std::vector<double>& g) { return g.size(); });
    std::vector<double> medians, drawn;
    if (kept.empty())
        return medians;
    medians.reserve(static_cast<std::size_t>(std::max(resamples, 0)));
    for (int r = 0; r < resamples; ++r) {
        drawn.clear();
        for (std::size_t k = 0; k < kept.size(); ++k) {
            const std::vector<double>& scan = *kept[draw_index(generator, kept.size())];
            for (std::size_t i = 0; i < scan.size(); ++i)
                drawn.push_back(scan[draw_index(generator, scan.size())]);
        }
        medians.push_back(median(drawn));
    }
    return medians;
}

std::vector<double> resampled_grouped_speedups(const std::vector<PairedSamples>& groups, int resamples,
                                               std::mt19937_64& generator)
{
    const auto pairs_in = [](const PairedSamples& g) { return std::min(g.baseline.size(), g.parallel.size()); };
    const auto kept = non_empty(groups, pairs_in);
    std::vector<double> ratios, top, bottom;
    if (kept.empty())
        return ratios;
    ratios.reserve(static_cast<std::size_t>(std::max(resamples, 0)));
    for (int r = 0; r < resamples; ++r) {
        top.clear();
        bottom.clear();
        for (std::size_t k = 0; k < kept.size(); ++k) {
            const PairedSamples& scan = *kept[draw_index(generator, kept.size())];
            const std::size_t count = pairs_in(scan);
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t pick = draw_index(generator, count);
                top.push_back(scan.baseline[pick]);
                bottom.push_back(scan.parallel[pick]);
            }
        }
        ratios.push_back(median(top) / median(bottom));
    }
    return ratios;
}
