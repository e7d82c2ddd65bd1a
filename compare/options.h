// tilebench-compare's command line: the two scans, the noise band, the seed and what to do
// with the verdicts, checked whole before any file is read.
#pragma once

#include "scan/options.h" // OptionsOutcome

#include <cstdint>
#include <string>
#include <vector>

struct CompareOptions {
    std::string a, b;                        // PREFIX.json (or PREFIX) of each side
    std::vector<std::string> more_a, more_b; // further scans of each side
    double threshold_percent = 2.0;          // ratios within 1 +- this are no difference
    double fail_if_slower = -1.0;            // percent; below 0 when not asked
    std::uint64_t seed = 0;                  // the bootstrap; recorded either way
    bool allow_different = false;            // compare scans of different size, block or kernel family
    std::string output;                      // the JSON record of the comparison; empty for none
};

struct ParsedCompareOptions {
    OptionsOutcome outcome = OptionsOutcome::run;
    CompareOptions options;
    std::string message; // the help or version text, or the refusal
    std::string usage;   // with an unknown or missing argument: the usage, to show after the refusal
};

// Reads the command line; default_seed is used when --seed is not given.
ParsedCompareOptions parse_compare_options(int argc, char** argv, std::uint64_t default_seed);
