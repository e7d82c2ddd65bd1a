// The scan's table on standard output: the baseline's absolute time, then per thread count its
// time, rate, speed-up and efficiency with their 95 % intervals and what explains them.
#pragma once

#include "scan/options.h"
#include "scan/runner.h"

#include <string>

std::string format_scan_table(const ScanOptions& options, const ScanRun& run);
