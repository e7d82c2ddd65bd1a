// The figures of a scan's summary (scan/summary.h) that its record holds as they are: one
// configuration's times and one parallel count's speed-up. Each is a single type, so that the
// summary and the record cannot drift apart field by field.
#pragma once

#include <cmath>
#include <limits>
#include <vector>

// JSON has no NaN or infinity: such a figure is written as null and read back as NaN, which is
// also what a figure the record does not hold reads as.
constexpr double no_value = std::numeric_limits<double>::quiet_NaN();

// One configuration's calls: the median time with a distribution-free interval, over the valid
// samples.
struct TimeFigures {
    int runs = 0; // valid samples
    double median_s = no_value, ci_low_s = no_value, ci_high_s = no_value, ci_coverage = no_value;
    double min_s = no_value, max_s = no_value;
    double gflops = no_value; // 2 n^3 per call over the median time
    std::vector<int> teams;   // distinct teams the calls got
};

// Whether a figure can be drawn or judged with its interval: a bound missing from the record (a
// figure from too few rounds, or one a damaged record holds as null) leaves the figure alone.
inline bool has_interval(double value, double low, double high)
{
    return std::isfinite(value) && std::isfinite(low) && std::isfinite(high);
}

// Whether the median time has an interval at the confidence given: from fewer than six calls
// the order statistics give only the whole range, which covers the median less often (never,
// from one call). Figures that do not say their coverage are taken at their word.
inline bool has_time_interval(const TimeFigures& time, double confidence)
{
    return has_interval(time.median_s, time.ci_low_s, time.ci_high_s) && !(time.ci_coverage < confidence);
}

// One parallel count's speed-up over the sequential baseline, with a paired bootstrap interval.
struct SpeedupFigures {
    int threads = 0;
    int pairs = 0; // rounds where both the baseline and this count have a valid sample
    double speedup = no_value, ci_low = no_value, ci_high = no_value;
    double efficiency = no_value, efficiency_ci_low = no_value, efficiency_ci_high = no_value;
    double karp_flatt = no_value;
    double schedule_bound = no_value;   // the best speed-up the kernel's division of work allows
    bool differs_from_previous = false; // its time interval and the previous count's do not overlap
    bool precision_reached = false;     // never from fewer than min_interval_pairs pairs (stats/stats.h)
};
