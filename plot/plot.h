// Reading a results file back: its rows, split into the benchmark runs that wrote them, a
// summary table for the console and a gnuplot script for the speed-up picture.
#pragma once

#include "report/result_row.h"

#include <iosfwd>
#include <string>
#include <vector>

// A row of the file and where it stood.
struct FileRow {
    ResultRow row;
    int line = 0; // 1-based line number in the file
};
using Run = std::vector<FileRow>;

// Every readable row of a results file, LF or CR LF line ends alike. The header line is passed
// over; any other line that is not a result row is skipped with
// "tilebench-plot: <file>:<line>: skipped: <why>" on warnings.
std::vector<FileRow> read_results(std::istream& input, const std::string& file_name, std::ostream& warnings);

// Groups rows into benchmark runs: a run's rows are consecutive, share one size and count
// threads up by one from 2. A row with 2 threads, another size or a gap starts a new run.
std::vector<Run> split_runs(const std::vector<FileRow>& rows);

// The console summary: one block per run with time, speed-up and efficiency per thread count.
std::string format_summary(const std::vector<Run>& runs);

// True when the run has at least one point with a finite speed-up and efficiency to draw.
bool has_drawable_points(const Run& run);

// A gnuplot script drawing speed-up (with the ideal y = x) above efficiency, one line per
// run, into output_file: SVG when the name ends in ".svg", PNG otherwise. Points whose
// figures are not finite are left out of the picture.
std::string gnuplot_script(const std::vector<Run>& runs, const std::string& output_file);
