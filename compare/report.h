// The comparison as people and programs read it: the console text (what was compared, what
// differs, each side's warnings, then a table of times and one of speed-ups), and the record of
// --output with the same figures, the verdicts, the seed and the differences.
#pragma once

#include "compare/comparison.h"
#include "compare/differences.h"
#include "compare/side.h"

#include "record/comparison_record.h"

#include <string>
#include <vector>

struct ComparisonReport {
    Side a, b;
    CountedRounds rounds_a, rounds_b;
    // Further scans of each side, the same work at other times, and their rounds.
    std::vector<Side> more_a, more_b;
    std::vector<CountedRounds> more_rounds_a, more_rounds_b;
    std::vector<Difference> differences;
    Comparison comparison;
    double fail_if_slower = -1.0; // percent; below 0 when not asked
};

// The thread counts where B is slower than A beyond report.fail_if_slower (none when not asked).
std::vector<int> counts_slower_beyond(const ComparisonReport& report);

std::string format_comparison(const ComparisonReport& report);

// The record --output writes (comparison_record_text) and tilebench-plot draws.
ComparisonRecord comparison_record(const ComparisonReport& report);
