// The console tables: per benchmark run of out.csv, and per scan record.
#pragma once

#include "plot/csv_runs.h"
#include "plot/scan_reader.h"

#include <string>
#include <vector>

// A run with the name it goes by in the table and the legend: "run 2", or "old.csv run 2"
// when several files are read.
struct NamedRun {
    std::string name;
    Run rows;
};
std::vector<NamedRun> name_runs(const std::vector<Run>& runs, const std::string& file_prefix);

// One block per run with time, speed-up and efficiency per thread count.
std::string format_summary(const std::vector<NamedRun>& runs);

// One block per scan: a line naming the file and its machine with the scan's heading, then the
// table tilebench-scan printed (record/scan_table.h), then the record's warnings.
std::string format_scan_summary(const std::vector<ScanPlot>& scans);
