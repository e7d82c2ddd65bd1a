// Reading a scan record (PREFIX.json from tilebench-scan) back for the table and the picture.
// The record's keys are record/'s; what this adds is the picture's view of it. Only the
// summaries are read, so invalid samples, which no summary holds, can never appear.
#pragma once

#include "record/scan_record.h"

#include <string>
#include <vector>

// One parallel configuration joined with its speed-up: a point of each panel.
struct ScanPoint {
    int threads = 0;
    double median_s = 0, ci_low_s = 0, ci_high_s = 0;
    double speedup = 0, ci_low = 0, ci_high = 0;
    double efficiency = 0, efficiency_ci_low = 0, efficiency_ci_high = 0;
    double bound = 0; // the best speed-up the kernel's division of work allows
};

struct ScanPlot {
    std::string file;
    ScanRecord record; // whole, for the table
    // What the picture's caption and panels draw, taken from the record.
    std::string cpu_model; // empty when the record does not say
    int physical_cores = 0;
    int size = 0, block = 0, rounds = 0;
    std::string kernel, bind;
    bool interrupted = false;
    double baseline_s = 0;
    std::vector<ScanPoint> points; // the parallel configurations, in the record's order
};

// Whether text is a JSON object rather than comma-separated rows: by content, not by name.
bool looks_like_scan_record(const std::string& text);

// Reads a whole record. On failure returns false with one line, naming the file, that says
// what is damaged or that the record is of a newer format.
bool read_scan_record(const std::string& text, const std::string& file_name, ScanPlot& scan, std::string& problem);
