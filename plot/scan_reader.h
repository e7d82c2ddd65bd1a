// Reading a scan record (PREFIX.json from tilebench-scan) back for the table and the picture:
// only its summaries, so invalid samples, which no summary holds, can never appear.
#pragma once

#include <string>
#include <vector>

struct ScanPoint {
    int threads = 0;
    std::vector<int> teams; // the teams the calls got
    int runs = 0;
    double median_s = 0, ci_low_s = 0, ci_high_s = 0;
    double speedup = 0, ci_low = 0, ci_high = 0;
    double efficiency = 0, efficiency_ci_low = 0, efficiency_ci_high = 0;
    double bound = 0; // the best speed-up the kernel's division of work allows
    bool precise = false;
};

struct ScanPlot {
    std::string file;
    std::string cpu_model; // empty when the record does not say
    int physical_cores = 0;
    int size = 0, block = 0, rounds = 0;
    std::string kernel, bind;
    bool interrupted = false;
    double baseline_s = 0, baseline_ci_low_s = 0, baseline_ci_high_s = 0;
    int baseline_runs = 0;
    std::vector<ScanPoint> points;     // the parallel configurations, in the record's order
    std::vector<std::string> warnings; // "kind: message"
};

// Whether text is a JSON object rather than comma-separated rows: by content, not by name.
bool looks_like_scan_record(const std::string& text);

// Reads a whole record. On failure returns false with one line saying what is damaged.
bool read_scan_record(const std::string& text, const std::string& file_name, ScanPlot& scan, std::string& problem);
