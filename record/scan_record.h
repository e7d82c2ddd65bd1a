// PREFIX.json, the record of one scan, as one type: tilebench-scan fills it and writes it,
// tilebench-plot reads it back, and the tests build their records from it. Every key of the
// file is named in record_keys.h and nowhere else; to_json and from_json are nlohmann/json's
// own hooks, found by argument-dependent lookup.
#pragma once

#include "common/build_info.h"
#include "machine/topology.h" // CacheInfo
#include "machine/warnings.h" // Warning
#include "record/summary_figures.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Written as "format_version". Records written before the key existed (tilebench 1.1.0) are
// version 1: they name the schedule bound "tile_bound". A higher version is refused.
constexpr int scan_record_version = 2;

struct RecordParameters {
    int size = 0;
    int block = 0;
    std::vector<int> threads;
    std::string threads_text; // as given on the command line, or the default
    std::string kernel;       // "tiled" or "untiled"
    double precision = no_value;
    int min_runs = 0;
    int max_runs = 0;
    double time_limit_s = no_value;
    int warmup = 0;
    std::uint64_t seed = 0;
    std::string bind;
    std::string output;
    double confidence = no_value; // the level of every interval
    std::string timer;            // what the clock measured
    std::string probe;            // each, together or none; empty in a record from before the capacity probe,
                                  // which has none of the probe's keys
};

// The machine as the scan found it, all but its cores' CPUs, which the record leaves out: the
// cpu_model and os to boost empty when unknown (written as null), the allowed_cpus the logical
// CPUs the scan was given (affinity within cpuset), empty when unknown.
struct RecordMachine : MachineInfo {
    double load_start = no_value, load_end = no_value; // one-minute load averages
    double busy_cpus_at_start = no_value;
    std::string date; // UTC, "2026-12-07T02:31:33Z"
};

struct RecordConfiguration : TimeFigures {
    std::string kind; // "sequential" or "parallel"
    int threads = 0;
    std::vector<std::vector<int>> placement; // per thread number, the logical CPUs it was seen on
};

struct RecordSpeedup : SpeedupFigures {
    // The figures of SpeedupFigures come from the clean rounds; these from the rounds the probe found starved.
    int starved_pairs = 0;
    double starved_share = no_value; // of all paired rounds
    double starved_speedup = no_value, starved_ci_low = no_value, starved_ci_high = no_value;
    bool measures_host = false;  // rounds were starved and the clean figure did not reach the precision
    int regime_change_round = 0; // where the clean rounds' level moved; 0 (null) when it did not
};

// One completed round as the capacity probe saw it. The probe's keys (this, RecordProbe, the
// speed-ups' starved figures, timed_s) are written only when parameters.probe is set.
struct RecordProbeRound {
    int round = 0;
    double end_s = no_value; // the scan's clock when the round ended
    std::vector<int> cpus;
    std::vector<std::vector<double>> gflops; // per probe, per CPU
    std::vector<double> relative;            // per CPU: its second-lowest probe over the healthy rate
    bool starved = false;
    std::vector<double> speedups; // per parallel configuration: the round's baseline over its time
    double waited = no_value;     // the largest share of a call a thread waited for its CPU; null: not judged
    // In a round of several cells (a study's), left out otherwise: per probe, how many of the
    // round's calls came before it; per call in order, the tile edge of its cell and the largest
    // share of it a thread waited for its CPU (null: not judged); the edges of the cells beside
    // whose calls a CPU fell or one of whose calls waited, which the round's figures leave out.
    std::vector<int> after_calls{}, call_blocks{};
    std::vector<double> call_waited{};
    std::vector<int> starved_blocks{};
    // Per probe, per CPU after the first: a cache line's round trip in nanoseconds between the
    // first CPU and that one (null: not taken). Left out where the teams use one CPU, and in
    // records written before the probe timed it.
    std::vector<std::vector<double>> line_ns{};
};

// The capacity probe and its verdicts, with what a reader needs to judge every round again.
struct RecordProbe {
    int order = 0; // of the probe's kernel call
    int calls = 0; // per CPU and probe; the median counts
    std::string rule;
    double floor = no_value, noise_multiple = no_value, ceiling = no_value, wait_limit = no_value;
    double healthy_gflops = no_value, noise = no_value, threshold = no_value;
    double seconds = no_value; // wall time spent probing
    std::vector<RecordProbeRound> rounds;
};

// --- a study of tile edges and sizes: tilebench-scan given lists of sizes or edges ---

// One edge at one thread count, beside the fastest edge there.
struct RecordEdge {
    int block = 0;
    double median_s = no_value, ci_low_s = no_value, ci_high_s = no_value;
    // time(edge) / time(fastest edge), medians over the rounds where both have a valid time
    double ratio_to_fastest = no_value, ratio_ci_low = no_value, ratio_ci_high = no_value;
    int pairs = 0;
    bool fastest = false;
    bool indistinguishable = false; // from the fastest, which is its own equal
};

// Per size and thread count (0: the sequential kernel), the edges side by side.
struct RecordEdgeRanking {
    int threads = 0;
    int fastest_block = 0;         // 0 when no edge has a valid time
    int best_sequential_block = 0; // the edge a user would pick without threads
    // the fastest edge's speed-up over the best sequential edge, paired by round
    double speedup = no_value, speedup_ci_low = no_value, speedup_ci_high = no_value;
    int speedup_pairs = 0;
    std::vector<RecordEdge> edges; // in the order of the study's edges
};

// One (size, edge) cell: the figures a scan of that cell alone would record.
struct RecordCell {
    int block = 0;
    double working_set_bytes = no_value;             // three b x b blocks and an n x b panel of 4-byte floats
    int cache_level = 0;                             // the smallest cache that holds them; 0 when none does
    std::vector<RecordConfiguration> configurations; // its own sequential baseline first
    std::vector<RecordSpeedup> speedups;
};

// Where a size's tile working set fills a cache of the machine: the edge, as a real number.
struct RecordCacheEdge {
    int level = 0;
    long long size_bytes = 0;
    double edge = no_value; // null when even an edge of 1 overfills it, or every edge fits
};

struct RecordStudySize {
    int size = 0;
    std::uint64_t seed = 0; // of its round orders and bootstrap streams
    int rounds = 0;
    long long samples = 0;
    double elapsed_s = no_value;
    std::string stop_reason;
    std::vector<RecordCacheEdge> cache_edges;
    std::vector<RecordCell> cells;
    std::vector<RecordEdgeRanking> rankings; // the sequential kernel's (threads 0) first
    std::optional<RecordProbe> probe;        // the capacity probe of its rounds; none in a scan without one
};

struct RecordStudy {
    std::vector<int> sizes, blocks;
    std::string sizes_text, blocks_text;     // as given
    double tolerance = no_value;             // an edge surely within it of the fastest is its equal
    double sequential_rate_flops = no_value; // measured before the rounds, for the estimate below
    double estimated_minimum_s = no_value;   // warm-up and --min-runs rounds of every size
    std::vector<RecordStudySize> per_size;   // ascending; a size the study did not reach is missing
};

struct ScanRecord {
    RecordParameters parameters;
    RecordMachine machine;
    BuildInfo build; // all but "optimised", which the warnings already speak for
    std::vector<std::pair<std::string, std::string>> environment; // OMP_* and GOMP_* variables set
    std::vector<RecordConfiguration> configurations;              // the sequential baseline first
    std::vector<RecordSpeedup> speedups;                          // "speedup": one per parallel configuration
    RecordProbe probe;
    std::vector<Warning> warnings;
    int rounds = 0;
    long long samples = 0;
    int invalid_samples = 0;
    double elapsed_s = no_value;
    double timed_s = no_value; // the timed calls' own seconds, all of them
    std::string stop_reason;
    bool interrupted = false;
    // A study's record alone: every cell's figures are here, and the top-level configurations
    // and speed-ups are empty.
    std::optional<RecordStudy> study;
};

// The whole record, in the order of its keys on disk, format_version first.
void to_json(nlohmann::ordered_json& json, const ScanRecord& record);

// Refuses, with a std::exception whose what() is one line naming the key at fault, a record
// of a newer format or one whose required keys are missing or of the wrong kind: parameters'
// size and block, rounds, the figures of every configuration and speed-up, and as many
// speed-ups as parallel configurations, at the top or, in a study, in every cell. Every other
// key may be missing or null.
void from_json(const nlohmann::ordered_json& json, ScanRecord& record);

// The record as written to PREFIX.json: indented by two, one trailing newline. A text that is
// not UTF-8 (an environment value, a host name, an output prefix) keeps the record whole: each
// byte that is not is written as U+FFFD, Unicode's own mark for an undecodable byte, which every
// JSON reader takes and no one could have typed by mistake for those bytes, rather than as a
// "\xNN" of our own that a reader cannot tell from the same four characters typed.
std::string scan_record_text(const ScanRecord& record);

// Reads a record from text. On failure, false with one line saying why: "damaged scan record:
// ..." or, for a newer format, which version it is.
bool parse_scan_record(const std::string& text, ScanRecord& record, std::string& problem);
