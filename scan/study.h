// A study of tile edges and sizes: every (size, block) cell, each with its own sequential
// baseline (the tiled sequential kernel depends on the edge) and its parallel kernel on every
// thread count. The sizes run one after another, ascending, each with its own operands; within
// a size every cell's configurations share the same rounds, in a fresh seeded order each round,
// so that the edges compared with one another are measured under the same conditions. Per size
// and thread count the study names the fastest edge, the edges a paired test cannot tell from
// it, and the fastest edge's speed-up over the best sequential edge.
#pragma once

#include "machine/topology.h"
#include "machine/warnings.h"
#include "scan/record.h"
#include "scan/runner.h"
#include "stats/fastest.h"

#include <cstdint>
#include <string>
#include <vector>

// An edge whose time is surely within 2 % of the fastest's is counted among its equals: less
// than the 5 % a scan's precision asks of a speed-up, and about the spread of the medians of
// quiet scans of one input taken minutes apart on this project's machine (+-1.2 %), so another
// study could as well find it fastest.
constexpr double edge_tolerance = 0.02;

// --- the working set of a tile ---

// Bytes a thread of the tiled kernel works on for one tile: three b x b blocks (of A, B and C)
// and the n x b panel of B it sweeps, in 4-byte floats; an edge above n is one tile of n.
double tile_working_set_bytes(int size, int block);

// The edge, as a real number, at which the working set fills bytes of cache: where a plot of
// time against edge crosses from one cache level to the next. 0 when even an edge of 1 does not
// fit.
double edge_filling(int size, double bytes);

// The level of the smallest cache that holds bytes; 0 when none does.
int smallest_cache_holding(double bytes, const std::vector<CacheInfo>& caches);

// --- what a study costs, judged before it starts ---

struct StudyEstimate {
    double flops_per_second = 0.0; // of the sequential kernel, measured on a small product
    std::vector<double> round_s;   // per size: one round of all its cells
    double minimum_s = 0.0;        // the warm-up and --min-runs rounds of every size
};

// Floating-point operations per second of the family's sequential kernel on a small product
// (n 256 at most), the best of three untimed calls.
double sequential_rate(const KernelFamily& family, int smallest_size);

// Every call is taken at the measured rate, the parallel ones as if each thread up to the
// physical cores added a whole core: an estimate that can only be too low, so a study refused
// on it could never have fitted.
StudyEstimate estimate_study(const ScanOptions& options, double flops_per_second, int physical_cores);

// One line when the study's minimum does not fit in --time-limit; empty when it does.
std::string study_time_problem(const ScanOptions& options, const StudyEstimate& estimate);

// A, B and C of the largest size and one reference product per edge: the sizes run one after
// another, so only one size's matrices are held at a time.
int study_matrix_count(const ScanOptions& options);

// One line when the largest size's matrices do not fit in available_bytes; empty otherwise.
std::string study_memory_problem(const ScanOptions& options, long long available_bytes);

// --- the figures of a study ---

// One edge at one thread count.
struct EdgeFigures {
    int block = 0;
    double median_s = 0.0; // NaN when the edge has no valid time
    double ci_low_s = 0.0; // the median's interval, as in the cell's summary; NaN below 95 %
    double ci_high_s = 0.0;
    PairedRatio versus_fastest; // its time over the fastest edge's, paired by round
    bool fastest = false;
    bool indistinguishable = false; // within edge_tolerance of the fastest, the fastest included
};

// Per size and thread count (0: the sequential kernel), the edges side by side.
struct EdgeRanking {
    int threads = 0;
    int fastest_block = 0; // 0 when no edge has a time
    std::vector<EdgeFigures> edges;
    int best_sequential_block = 0; // the edge a user would pick without threads
    PairedRatio speedup;           // the fastest edge's over the best sequential edge; NaN for threads 0
};

struct SizeStudy {
    int size = 0;
    ScanRun run;                       // its cells' plan, samples and summaries (scan/cells.h)
    EdgeRanking sequential;            // the sequential kernel's edges
    std::vector<EdgeRanking> parallel; // per thread count
};

struct StudyRun {
    std::vector<SizeStudy> sizes; // ascending; a size the study did not reach is missing
    StopReason stop = StopReason::none;
    double elapsed_s = 0.0;
};

// A run's times of one configuration, round by round (index round - 1), NaN where it has no
// valid time or the round does not count: the one place that decides which samples a study's
// comparisons use. As for every figure of a scan, only calls of completed rounds beside which
// the probe found no CPU starved count.
std::vector<double> configuration_series(const ScanRun& run, std::size_t config);

// The rankings of one size's run, whose plan is plan_cells(size, blocks, threads).
EdgeRanking rank_edges(const ScanRun& run, int threads, const EdgeRanking* sequential, std::uint64_t seed,
                       int resamples);

// Every cell of every size, the sizes in turn, each within its share of the time left.
StudyRun run_study(const ScanOptions& options, const StudyEstimate& estimate, const KernelFamily& family,
                   const Topology& topology, const MachineInfo& machine, const ScanHooks& hooks);

// --- what a study says beside its figures ---

// One note naming every cell whose edge is not below its size: allowed, but such a cell is one
// tile, and no second thread helps it.
std::vector<Warning> edge_notes(const ScanOptions& options);

// After the rounds: teams, migration, precision, equals the rounds left open, invalid results and
// the host over every cell, each kind once for the whole study; sharing_cells are the cells
// (size, edge) whose threads share the lines of C they write.
std::vector<Warning> study_warnings(const StudyRun& study, const std::vector<std::pair<int, int>>& sharing_cells);

// The study's PREFIX.json: the scan record with its study section, and no figures at the top
// (every cell holds its own). rounds, samples and elapsed_s are the whole study's.
ScanRecord study_record(const ScanOptions& options, const StudyRun& study, const StudyEstimate& estimate,
                        const ScanContext& context);
