// The scan's figures from the rounds the host left whole. Only completed rounds count (an
// interrupted round's samples stay in PREFIX.csv and out of every figure); of those, rounds the
// probe found starved are summarised apart, so the clean figure and the starved one are both
// there to read. A drift test on the clean rounds' speed-ups is the second line of defence, for
// slow spells the probe did not see.
#pragma once

#include "record/scan_record.h"
#include "scan/starvation.h"
#include "scan/summary.h"

#include <set>
#include <string>
#include <vector>

struct RegimeChange {
    int threads = 0;
    int round = 0;           // the first round of the new level
    double statistic = 0.0;  // the drift test's, against its 1 % critical value
    std::size_t speedup = 0; // which speed-up moved, its index as in the summaries
};

struct HostFigures {
    StarvationVerdict starvation;
    ScanSummary clean;                        // the scan's figures: completed rounds with no CPU starved
    ScanSummary starved;                      // the completed starved rounds alone
    std::vector<RegimeChange> regime_changes; // at most one per speed-up
};

// The rounds whose samples make the scan's figures: rounds 1..completed_rounds that the probe
// did not find starved. A reader of a scan's files keeps the rounds the scan kept through this.
std::set<int> clean_rounds(int completed_rounds, const std::set<int>& starved_rounds);

// The rounds a record's probe found starved, from its per-round verdicts; none in a record from
// before the probe or of a scan without it.
std::set<int> recorded_starved_rounds(const ScanRecord& record);

// The samples of completed rounds whose calls the verdict left whole (clean) or found starved:
// in a plan of several cells, a round may keep one cell's calls and leave out another's.
std::vector<Sample> judged_samples(const std::vector<Configuration>& configurations, const std::vector<Sample>& samples,
                                   const StarvationVerdict& verdict, int completed_rounds, bool starved);

// log(baseline / parallel) of each round where both configurations have a valid sample, in
// round order, with the rounds they came from.
std::vector<double> round_log_speedups(const std::vector<Sample>& samples, std::size_t config,
                                       std::vector<int>* rounds = nullptr);

// Everything the scan reports about its rounds 1..completed_rounds. Probes of later rounds are
// ignored.
HostFigures host_figures(const std::vector<Configuration>& configurations, const std::vector<Sample>& samples,
                         const std::vector<ProbeRound>& probes, int completed_rounds, const SummaryInputs& inputs,
                         const StarvationRule& rule);

// Share of a thread count's paired rounds that were starved (speed-up index as in the summaries);
// 0 when it has none.
double starved_share(const HostFigures& figures, std::size_t speedup);

// Speed-ups (their indices, as in the summaries) whose clean figure did not reach the precision
// while some rounds were starved: their figures measure the host.
std::vector<std::size_t> speedups_measuring_host(const HostFigures& figures);

// Where those speed-ups are, for a warning: "threads 1,2" in a plan of one cell, and cell by
// cell, "b 16 on 1 thread, b 32 on 2 threads", in a plan of several, whose thread counts alone
// would repeat without saying which edge they belong to. Empty for none.
std::string speedups_named(const std::vector<Configuration>& plan, const std::vector<std::size_t>& speedups);

// regime_change: one warning naming each thread count and the round where its level moved.
// Each change is named as speedups_named names it, so that in a plan of several cells the edge is
// said too.
std::vector<Warning> regime_warning(const std::vector<Configuration>& plan, const std::vector<RegimeChange>& changes);
