// The table of a study's figures, the one both programs print: tilebench-scan when the study
// ends, tilebench-plot in its summary of the record. Per size, edges down and thread counts
// across, each the median time per call, the fastest marked and its equals flagged, then the
// fastest edges' speed-ups over the best sequential edge.
#pragma once

#include "record/scan_record.h"

#include <string>

// One line without its end: "n 1024, blocked kernel, bind cores, 7 rounds in 45.2 s (stopped:
// precision), median seconds per call".
std::string study_table_heading(const ScanRecord& record, const RecordStudySize& size);

// A ranking's thread count as the study's tables, pictures and warnings name it: "sequential"
// (threads 0, the sequential kernel), "1 thread", "2 threads".
std::string threads_named(int threads);

// Every size's heading (after prefix) and table, then a legend naming the marks and the caches.
std::string study_table(const ScanRecord& record, const std::string& prefix);
