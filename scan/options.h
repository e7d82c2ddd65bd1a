// tilebench-scan's command line: the study to run, checked whole before anything is built.
#pragma once

#include "machine/binding.h"
#include "scan/probe_mode.h"

#include <cstdint>
#include <string>
#include <vector>

struct ScanOptions {
    int size = 1024; // the first of sizes: the one size of a scan of one cell
    int block = 64;  // the first of blocks, likewise
    // --size and --block as lists, ascending and distinct. More than one value in either makes
    // the scan a study of every (size, block) cell (scan/study.h).
    std::vector<int> sizes, blocks;
    std::string sizes_text = "1024", blocks_text = "64"; // as given, for the record
    std::vector<int> threads;                            // ascending and distinct
    std::string threads_text;                            // as given (or the default), for the record
    std::string kernel = "blocked";                      // --kernel: the name of a kernel family (kernels/families.h)
    double precision = 0.05;                             // target half-width of each speed-up interval, relative
    int min_runs = 6;                                    // rounds before the stop rule is asked
    int max_runs = 60;                                   // rounds at most
    double time_limit_s = 300.0;                         // no round starts that would end past it
    int warmup = 1;                                      // untimed calls per configuration before the first round
    std::uint64_t seed = 0;                              // round order and bootstrap
    std::string output = "scan";                         // PREFIX of PREFIX.csv and PREFIX.json
    bool quiet = false;
    BindMode bind = BindMode::cores;
    ProbeMode probe = ProbeMode::together; // the capacity probe around every round's parallel configurations
};

enum class OptionsOutcome {
    run,     // options read: run the scan
    done,    // --help or --version was answered on standard output
    refused, // message says why, in one line
};

struct ParsedOptions {
    OptionsOutcome outcome = OptionsOutcome::run;
    ScanOptions options;
    std::string message; // the help or version text, or the refusal
    std::string usage;   // with an unknown argument: the usage, to show after the refusal
};

// Reads the command line. logical_cpus makes the default thread list 1-L; default_seed is used
// when --seed is not given (and recorded either way).
ParsedOptions parse_scan_options(int argc, char** argv, int logical_cpus, std::uint64_t default_seed);

// Whether the options ask for more than one (size, block) cell.
bool is_study(const ScanOptions& options);

// What a list and its entries are called in a refusal ("thread list", "thread count", "counts").
struct CountListNames {
    const char* list;
    const char* item;
    const char* items;
};
extern const CountListNames thread_list_names, edge_list_names, size_list_names;

// "1-4", "1,2,4,8" and mixes such as "1-2,4,8": ascending distinct whole numbers, each 1 or
// more. False with a one-line reason otherwise (empty parts, descending ranges, repeats, 0).
bool parse_count_list(const std::string& text, const CountListNames& names, std::vector<int>& values,
                      std::string& error);

// The list of --threads.
bool parse_thread_list(const std::string& text, std::vector<int>& threads, std::string& error);
