// The measuring loop of a scan: warm-up, then rounds of every configuration in a fresh order,
// each timed call starting from C = 0 and checked bit for bit against the sequential product,
// until the stop rule says enough. Only the kernel call sits between the clock readings.
#pragma once

#include "kernels/families.h"
#include "machine/topology.h"
#include "scan/clean_rounds.h"
#include "scan/options.h"
#include "scan/stop_rule.h"
#include "scan/summary.h"

#include <functional>
#include <utility>
#include <vector>

struct ScanProgress {
    int round = 0; // the round under way (1-based)
    double elapsed_s = 0.0;
    bool summarised = false;                           // a round is complete, so short_of_precision says something
    std::vector<int> short_of_precision;               // thread counts whose interval is still too wide
    Configuration current{};                           // the configuration just timed
    std::vector<Configuration> short_configurations{}; // the parallel ones still too wide, cell by cell
};

// What the loop tells its caller as it goes; every hook may be empty.
struct ScanHooks {
    std::function<void(const Sample&, const Configuration&)> on_sample; // after each timed call
    std::function<void(const ScanProgress&)> on_progress;               // after each timed call
    std::function<bool()> stop_requested;                               // asked before each call
};

struct ScanRun {
    std::vector<Configuration> configurations;
    std::vector<Sample> samples;
    // Per configuration, per thread number: the logical CPUs the thread was seen on, read
    // before and after every timed call.
    std::vector<std::vector<std::vector<int>>> placement;
    std::vector<std::pair<int, int>> smaller_teams; // (requested, granted), once per request
    std::vector<ProbeRound> probes;                 // the capacity probe of every round begun
    HostFigures host;                               // starved rounds, their figures, changes of level
    ScanSummary summary;                            // the figures: completed rounds no CPU was starved in
    double probe_s = 0.0;                           // wall time spent probing
    int rounds = 0;                                 // rounds completed
    double elapsed_s = 0.0;
    StopReason stop = StopReason::none;
};

// The family's sequential kernel gives the baseline and the reference product; its parallel
// kernel is timed on each thread count. One cell: options.size and options.block. machine is the
// topology's reading (its cores order the binding), taken once by the caller for the record too.
ScanRun run_scan(const ScanOptions& options, const KernelFamily& family, const Topology& topology,
                 const MachineInfo& machine, const ScanHooks& hooks);

// The same loop over a plan of several cells of size options.size (scan/cells.h), all in the
// same rounds: each cell's sequential kernel gives its own reference product and baseline.
ScanRun run_plan(const ScanOptions& options, const std::vector<Configuration>& plan, const KernelFamily& family,
                 const Topology& topology, const MachineInfo& machine, const ScanHooks& hooks);

// host_starvation, contended and regime_change, from the completed rounds of the run, and
// line_passing where it measured cells (size, edge) whose threads share the lines of C, or where
// a cell's speed-up followed the line's trip.
std::vector<Warning> host_warnings(const ScanRun& run, const std::vector<std::pair<int, int>>& sharing_cells);

// Thread numbers that were seen on more than one logical CPU in a configuration's placement.
bool placement_migrated(const std::vector<std::vector<int>>& placement);
