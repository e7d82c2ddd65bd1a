// Progress of a running scan on standard error: on a terminal one line that updates in place,
// elsewhere (a log, a pipe) a plain line every few seconds.
#pragma once

#include "scan/runner.h"

#include <chrono>
#include <cstdio>

struct ProgressLine {
    std::FILE* stream = stderr;
    bool terminal = false;
    int max_runs = 0;
    double precision = 0.0;
    double every_s = 5.0; // between plain lines
    std::chrono::steady_clock::time_point last_line{};
    bool shown = false; // a line is on the terminal and must be ended
};

void show_progress(ProgressLine& line, const ScanProgress& progress);

// A study's line: the size (size_number of sizes), the round, the cell just timed, and the first
// cells still short of precision.
void show_study_progress(ProgressLine& line, const ScanProgress& progress, std::size_t size_number, std::size_t sizes);

// Ends the in-place line, so that what follows starts on a line of its own.
void end_progress(ProgressLine& line);
