// What differs between two scans besides their figures: the work measured, how it was run, the
// machine, the build, the OpenMP environment and the warnings, each named with both sides'
// values, so that a reader knows what a ratio compares before reading it.
#pragma once

#include "record/scan_record.h"

#include <string>
#include <vector>

struct Difference {
    std::string what;        // "size", "bind", "cpu model", "OMP_PROC_BIND", ...
    std::string a, b;        // each side's value as text; "(not set)" or "(unknown)" where a side has none
    bool other_work = false; // size, block or kernel family: the sides timed different computations
};

// Every difference, the work first, then the run, the machine, the build, the environment and
// the kinds of warnings.
std::vector<Difference> differences(const ScanRecord& a, const ScanRecord& b);

// The differences that make the sides time different computations.
std::vector<Difference> work_differences(const std::vector<Difference>& all);

// "1, 2, 4" for a list of counts; "none" when empty.
std::string count_list(const std::vector<int>& counts);
