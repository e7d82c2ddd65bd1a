// PREFIX.csv: every timed call of a scan, one line each, appended as the scan goes, so that an
// interrupted or crashed scan keeps every sample it took.
#pragma once

#include "scan/summary.h"

#include <cstdio>
#include <string>

extern const char* const samples_header; // "round,config,threads,team,seconds,valid"

// "3,parallel,2,2,0.512345,1": the round, sequential or parallel, the requested and the granted
// team, the seconds with six decimals (the harness's microseconds), 1 when the bits were right.
std::string format_sample(const Sample& sample, const Configuration& configuration);

// The open file and whether every line so far reached it.
struct SamplesFile {
    std::FILE* file = nullptr;
    std::string path;
    bool complete = true;
};

// Creates path, or empties an earlier scan's samples file there, and writes the header; the
// scan then holds the file alone until it is closed. Returns why it cannot, in one line,
// before anything is measured: a missing or read-only folder, another scan on the same file, a
// symbolic link (nothing is written through one), or a file that is not a scan's samples
// (tilebench's out.csv, say), which is left as it is. Empty when the file is open.
std::string open_samples_file(SamplesFile& samples, const std::string& path);

// One line, flushed at once. The first failure is said on standard error; later lines are
// still tried, and complete stays false.
void append_sample(SamplesFile& samples, const Sample& sample, const Configuration& configuration);

// Closes the file, which ends the scan's hold on it; false (and said on standard error) when
// the close lost data.
bool close_samples_file(SamplesFile& samples);
