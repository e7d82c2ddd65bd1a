// PREFIX.csv: every timed call of a scan, one line each, appended as the scan goes, so that an
// interrupted or crashed scan keeps every sample it took.
#pragma once

#include "scan/summary.h"

#include <cstdio>
#include <string>

extern const char* const samples_header; // "round,config,threads,team,seconds,valid"
// A study's lines lead with the cell's size and edge: "size,block,round,config,...".
extern const char* const study_samples_header;

// "3,parallel,2,2,0.512345,1": the round, sequential or parallel, the requested and the granted
// team, the seconds with six decimals (the harness's microseconds), 1 when the bits were right.
std::string format_sample(const Sample& sample, const Configuration& configuration);

// "1024,64,3,parallel,2,2,0.512345,1": the same line after the configuration's size and edge.
std::string format_study_sample(const Sample& sample, const Configuration& configuration);

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
// (tilebench's out.csv, say), which is left as it is. Empty when the file is open. A study
// writes its own header, and so replaces only an earlier study's samples.
std::string open_samples_file(SamplesFile& samples, const std::string& path, const char* header = samples_header);

// One line, flushed at once. The first failure is said on standard error; later lines are
// still tried, and complete stays false.
void append_sample(SamplesFile& samples, const Sample& sample, const Configuration& configuration);

// A line already formatted (format_study_sample), written and reported likewise.
void append_line(SamplesFile& samples, const std::string& line);

// Closes the file, which ends the scan's hold on it; false (and said on standard error) when
// the close lost data.
bool close_samples_file(SamplesFile& samples);
