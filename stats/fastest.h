// Which of several candidates measured in the same rounds is fastest, and which cannot be told
// apart from it: pure functions over per-round times, for the tile-edge study and anyone else
// who compares alternatives round by round. Nothing here measures or prints.
#pragma once

#include <cstdint>
#include <vector>

// A ratio of two medians taken over the same rounds, with its bootstrap interval.
struct PairedRatio {
    double ratio = 0.0;           // NaN when no round holds both
    double low = 0.0, high = 0.0; // NaN when fewer than min_interval_pairs rounds hold both
    int pairs = 0;                // rounds where both have a time
};

// median(numerator) / median(denominator) over the rounds r where both numerator[r] and
// denominator[r] are numbers (NaN marks a round without a valid time), and the percentile
// bootstrap of that same ratio over those same rounds: the estimate and its interval come from
// one sample. Rounds beyond the shorter series count as missing. From fewer than
// min_interval_pairs pairs the ratio stands alone: an interval from so few would claim a
// confidence it does not have (a bootstrap of one pair is a single point).
PairedRatio paired_ratio(const std::vector<double>& numerator, const std::vector<double>& denominator, int resamples,
                         std::uint64_t seed, double confidence);

// Whether an interval of a ratio of times says "no difference that matters": it holds 1 (no
// difference the rounds can show), or it lies wholly within [1 / (1 + tolerance), 1 + tolerance]
// (a difference may be real, but it is smaller than the tolerance). An interval that is not a
// number says neither.
bool within_tolerance_of_one(const PairedRatio& ratio, double tolerance);

// Whether an interval of a ratio of times reaches both inside and outside [1 / (1 + tolerance),
// 1 + tolerance]: the rounds cannot say whether the difference is under the tolerance or over
// it, so whether the candidate counts as an equal rests on where these rounds happened to fall,
// and another sample of the same machine may count it the other way. An interval that is not
// finite, or lies wholly inside or wholly outside, does not.
bool straddles_tolerance(const PairedRatio& ratio, double tolerance);

struct FastestSet {
    int fastest = -1;                        // the smallest median; the first of equals; -1 when none has a time
    std::vector<double> medians;             // per candidate, over all its times
    std::vector<PairedRatio> versus_fastest; // per candidate: its time over the fastest's, paired by round
    std::vector<bool> indistinguishable;     // per candidate, the fastest included
};

// series[c][r]: candidate c's time in round r, NaN where it has none. The fastest is the
// smallest median over each candidate's own times; every other candidate is compared with it by
// paired_ratio (its own bootstrap stream, seed + c) and joins the set when that ratio is within
// tolerance of one: a candidate with too few rounds in common to have an interval never does.
FastestSet fastest_set(const std::vector<std::vector<double>>& series, double tolerance, int resamples,
                       std::uint64_t seed, double confidence);
