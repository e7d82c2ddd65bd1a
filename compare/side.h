// One side of a comparison: a scan's record and the samples file beside it, read from disk
// and checked to belong together, so that the figures can be recomputed from the samples.
#pragma once

#include "record/scan_record.h"
#include "scan/samples_reader.h"

#include <string>
#include <vector>

struct Side {
    std::string record_path;  // PREFIX.json
    std::string samples_path; // PREFIX.csv
    ScanRecord record;
    std::vector<RecordedSample> samples;
};

// The record and samples file an argument names: "PREFIX.json" or "PREFIX" alike.
void side_paths(const std::string& argument, std::string& record_path, std::string& samples_path);

// Reads both files. False with one line naming the file at fault otherwise: a file missing or
// unreadable, a damaged record or one of a newer format, a damaged samples file, or samples of
// a configuration the record does not hold.
bool load_side(const std::string& argument, Side& side, std::string& problem);
