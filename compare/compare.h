// tilebench-compare's subsystem: is B faster than A? Reads two scans with their samples
// (side), says what differs between them (differences), keeps the rounds of each side that
// count (rounds), compares them per thread count with stats/ (comparison), puts the verdicts
// in words (verdict) and reports them as text and JSON (report).
#pragma once

#include "compare/comparison.h"  // CompareSettings, Comparison, compare_rounds
#include "compare/differences.h" // Difference, differences, work_differences
#include "compare/options.h"     // CompareOptions, parse_compare_options
#include "compare/report.h"      // ComparisonReport, format_comparison, comparison_record
#include "compare/rounds.h"      // CountedRounds, counted_rounds
#include "compare/side.h"        // Side, load_side
#include "compare/verdict.h"     // time_verdict, speedup_verdict, slower_beyond
