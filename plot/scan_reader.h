// Reading a scan record (PREFIX.json from tilebench-scan) back for the table and the picture.
// The record's keys and figures are record/'s; the plot tool adds only the name of the file it
// came from. Only the summaries are read, so invalid samples, which no summary holds, can never
// appear.
#pragma once

#include "record/scan_record.h"

#include <string>

// A record as the plot tool holds it. The table and the picture read every figure from the
// record itself, so that it stays the one owner of what the scan found.
struct ScanPlot {
    std::string file;
    ScanRecord record;
};

// Whether text is a JSON object rather than comma-separated rows: by content, not by name.
bool looks_like_scan_record(const std::string& text);

// Reads a whole record. On failure returns false with one line, naming the file, that says
// what is damaged or that the record is of a newer format.
bool read_scan_record(const std::string& text, const std::string& file_name, ScanPlot& scan, std::string& problem);
