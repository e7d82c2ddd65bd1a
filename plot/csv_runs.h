// Reading out.csv back into the benchmark runs that wrote it. The file is the benchmark's only
// record and users edit and concatenate it, so every line is checked and a bad one costs only
// itself.
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

// Every readable row of a results file: LF or CR LF line ends alike, a UTF-8 byte-order mark
// at the start passed over, and the header line too. Blank lines (empty, or a lone CR) are
// passed over without a word: concatenated files and editors' final line ends leave them, and
// they hold no figure to lose. Any other line that is not a result row (spaces alone among
// them) is skipped with "tilebench-plot: <file>:<line>: skipped: <why>" on warnings.
std::vector<FileRow> read_results(std::istream& input, const std::string& file_name, std::ostream& warnings);

// Groups rows into benchmark runs: a run's rows are consecutive, share one size and count
// threads up by one from 2. A row with 2 threads, another size or a gap starts a new run.
std::vector<Run> split_runs(const std::vector<FileRow>& rows);

// True when the run has at least one point with a finite speed-up and efficiency to draw.
bool has_drawable_points(const Run& run);
bool drawable(const ResultRow& row);
