// The figures of a scan, from its samples alone: per configuration its median time with a
// distribution-free interval, per parallel thread count its speed-up over the sequential
// baseline with a paired bootstrap interval. Invalid samples take no part.
#pragma once

#include "kernels/families.h"
#include "record/summary_figures.h"
#include "scan/plan.h"

#include <cstdint>
#include <vector>

// The level of every interval the scan gives.
constexpr double scan_confidence = 0.95;

// One timed call.
struct Sample {
    int round = 0;          // 1-based
    std::size_t config = 0; // index into the configurations
    int team = 1;           // the team the call got
    double seconds = 0.0;
    bool valid = true; // the call left the reference bits
};

// A configuration's times, as its record holds them (record/summary_figures.h).
struct ConfigurationSummary : TimeFigures {
    Configuration configuration;
};

// A parallel count's speed-up, as its record holds it.
using SpeedupSummary = SpeedupFigures;

struct ScanSummary {
    std::vector<ConfigurationSummary> configurations;
    std::vector<SpeedupSummary> speedups; // one per parallel configuration, in order
};

struct SummaryInputs {
    int size = 0;
    int block = 0;
    ScheduleBound schedule_bound = nullptr; // the kernel family's; none gives a bound that is not a number
    double precision = 0.05;
    std::uint64_t seed = 0;
    int resamples = 2000;
};

// configurations[0] must be the sequential baseline.
ScanSummary summarise_scan(const std::vector<Configuration>& configurations, const std::vector<Sample>& samples,
                           const SummaryInputs& inputs);

// Whether a configuration's median call is long enough for the harness's clock to time
// (shortest_timed_call_s); a speed-up with one that is not is never called precise.
bool timed_well(const ConfigurationSummary& configuration);

// Samples whose call left other bits than the reference.
int invalid_samples(const std::vector<Sample>& samples);

// Every parallel count reached the precision (false when there is none to ask).
bool all_precise(const ScanSummary& summary);
