// Summaries of timing samples, as small pure functions: the one median every tool uses, the
// distribution-free interval of a median, a paired bootstrap of a ratio of medians, the
// figures that explain a speed-up, and the comparison of two independent sets of samples.
// Nothing here measures or prints.
#pragma once

#include "stats/drift.h"   // detect_drift: a change of level in a series over time
#include "stats/fastest.h" // the fastest of candidates timed in the same rounds, and its equals

#include <cstdint>
#include <random>
#include <vector>

// The middle value; for an even count, the mean of the two middle values. NaN when empty.
double median(std::vector<double> values);

// 1-based ranks [lower, upper] of the sorted sample that bracket the median with at least the
// given confidence, from the binomial distribution of how many samples fall below it
// (no assumption about the samples' own distribution), and the exact coverage of those ranks.
// Below 6 samples no ranks reach 95 %: the whole sample is returned with its lower coverage.
struct RankInterval {
    int lower = 0;
    int upper = 0;
    double coverage = 0.0;
};
RankInterval median_rank_interval(int count, double confidence);

struct Interval {
    double low = 0.0;
    double high = 0.0;
    double coverage = 0.0; // exact for the order-statistic interval, nominal for the bootstrap
};

// The order-statistic interval of the median of values. NaN bounds when empty.
Interval median_interval(std::vector<double> values, double confidence);

// Below this many paired rounds a bootstrap interval covers far less than it says (about half at
// 2 pairs, 0.87 at 4, 0.93 at 5): a scan counts no interval from fewer as precise, and a study
// gives none at all.
constexpr int min_interval_pairs = 6;

// Percentile bootstrap of median(numerators) / median(denominators). Pairs (numerators[r],
// denominators[r]) are resampled whole, so what was measured side by side stays side by side.
// The same seed gives the same interval. Both vectors must have the same size; NaN bounds
// when they are empty. A resample whose ratio is 0 / 0 (times of zero) is left out, and NaN
// bounds come when every one is.
Interval bootstrap_ratio_of_medians(const std::vector<double>& numerators, const std::vector<double>& denominators,
                                    int resamples, std::uint64_t seed, double confidence);

// The value at fraction p (0..1) of sorted values, interpolating linearly between the two
// nearest ranks: position p (size - 1), counted from 0. The bootstrap's bounds are taken here.
double percentile_of_sorted(const std::vector<double>& sorted, double p);

// Bootstrap replicates drawn from generator (which they advance): medians of values resampled
// with replacement, and ratios of medians of pairs resampled whole. Empty when there is
// nothing to resample.
std::vector<double> resampled_medians(const std::vector<double>& values, int resamples, std::mt19937_64& generator);
std::vector<double> resampled_ratios_of_medians(const std::vector<double>& numerators,
                                                const std::vector<double>& denominators, int resamples,
                                                std::mt19937_64& generator);

// The percentile interval of bootstrap replicates: their (1 - confidence) / 2 and
// (1 + confidence) / 2 quantiles, interpolating between neighbours. Replicates that are not a
// number (0 / 0) are left out; NaN bounds when nothing is left.
Interval percentile_interval(std::vector<double> replicates, double confidence);

// Karp-Flatt experimentally determined serial fraction, (1/speed-up - 1/t) / (1 - 1/t):
// near 0 when the lost speed-up is parallel overhead that stays put, growing with t when
// it is serial work. NaN for fewer than 2 threads.
double karp_flatt(double speed_up, int threads);

// --- comparing two independent scans (comparison.cpp) ---

// A figure of side B over the same figure of side A, with its bootstrap interval.
struct RatioEstimate {
    double ratio = 0.0;
    Interval interval;
};

// median(b) / median(a) for two independent samples (one time per round on each side). Each
// side is resampled on its own, from one generator seeded with seed, A first; replicate r of
// the ratio is B's r-th resampled median over A's. NaN when a side is empty.
RatioEstimate compare_medians(const std::vector<double>& a, const std::vector<double>& b, int resamples,
                              std::uint64_t seed, double confidence);

// One side's rounds that hold both a baseline and a parallel sample, pair r measured in round r.
struct PairedSamples {
    std::vector<double> baseline;
    std::vector<double> parallel;
};

// median(baseline) / median(parallel) of the pairs; NaN when there are none.
double speedup_of(const PairedSamples& pairs);

// speed-up(b) / speed-up(a). Each side's pairs are resampled whole and on their own, so each
// side keeps its own pairing of baseline and parallel samples and the sides stay independent.
RatioEstimate compare_speedups(const PairedSamples& a, const PairedSamples& b, int resamples, std::uint64_t seed,
                               double confidence);

// A side measured in several scans, one group of samples per scan. Two scans minutes apart on a
// shared host differ by more than either one's rounds scatter, and nothing inside a scan shows
// it; with several scans a side, that difference is measured. Each replicate draws as many
// scans as the side has, with replacement, then each drawn scan's rounds with replacement, and
// takes the median (or ratio of medians) of everything drawn, so the interval holds the spread
// between scans as well as within them. Scans with nothing to resample are left out; empty when
// none is left.
std::vector<double> resampled_grouped_medians(const std::vector<std::vector<double>>& groups, int resamples,
                                              std::mt19937_64& generator);
std::vector<double> resampled_grouped_speedups(const std::vector<PairedSamples>& groups, int resamples,
                                               std::mt19937_64& generator);

// Every scan's samples as one: the point estimates of a side of several scans.
std::vector<double> pooled(const std::vector<std::vector<double>>& groups);
PairedSamples pooled(const std::vector<PairedSamples>& groups);

// compare_medians and compare_speedups for sides of one scan or more. With one scan on each
// side they are those functions, replicate for replicate.
RatioEstimate compare_grouped_medians(const std::vector<std::vector<double>>& a,
                                      const std::vector<std::vector<double>>& b, int resamples, std::uint64_t seed,
                                      double confidence);
RatioEstimate compare_grouped_speedups(const std::vector<PairedSamples>& a, const std::vector<PairedSamples>& b,
                                       int resamples, std::uint64_t seed, double confidence);

// Whether a ratio's interval shows a change beyond the noise: none when it holds 1, lies
// within [1 - threshold, 1 + threshold], or is not a number; otherwise lower or higher than 1.
enum class Change { none, lower, higher };
Change change_beyond_noise(const Interval& ratio, double threshold);
