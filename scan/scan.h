// tilebench-scan's subsystem: a repeated, interleaved, validated scaling study of the kernels.
// The plan says what is measured in which order, the runner measures, the stop rule says when
// it is enough, the summary turns samples into figures (with stats/), and the writers record
// them: PREFIX.csv (every sample), PREFIX.json (the record), the console table.
#pragma once

#include "scan/clean_rounds.h" // host_figures: the clean rounds' figures, the starved ones, changes of level
#include "scan/line_passing.h" // judge_line_passing: whether a line's trip between the CPUs changed
#include "scan/line_probe.h"   // a line's round trip between two CPUs
#include "scan/options.h"      // ScanOptions, parse_scan_options, parse_thread_list
#include "scan/plan.h"         // Configuration, plan_configurations, round_order
#include "scan/probe.h"        // the capacity probe of every round
#include "scan/progress.h"     // the progress line on standard error
#include "scan/record.h"       // scan_record
#include "scan/runner.h"       // run_scan
#include "scan/samples_file.h" // PREFIX.csv
#include "scan/starvation.h"   // judge_starvation: which rounds the host starved
#include "scan/stop_rule.h"    // stop_reason
#include "scan/summary.h"      // summarise_scan
#include "scan/table.h"        // format_scan_table

// A, B, C and the reference product.
constexpr int scan_matrix_count = 4;
