// The table of a scan's figures, the one both programs print: tilebench-scan on its console
// when the scan ends, tilebench-plot in its summary of a record. The baseline's absolute time,
// then per thread count its time, rate, speed-up and efficiency with their 95 % intervals and
// what explains them, all from the clean rounds, beside the share of starved rounds and the
// speed-up over those alone (records from before the capacity probe have no such columns).
#pragma once

#include "record/scan_record.h"

#include <string>

// One line without its end: "n 1024, b 64, blocked kernel, bind cores, 7 rounds in 9.1 s
// (stopped: precision), medians with 95 % intervals", with "(2 starved)" after the rounds when
// the probe found some.
std::string scan_table_heading(const ScanRecord& record);

// The baseline's line, an empty line, the column heads, then one row per parallel thread count.
std::string scan_table(const ScanRecord& record);
