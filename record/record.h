// The records of the project and how their figures are shown: the one type tilebench-scan
// writes to PREFIX.json and tilebench-plot reads back, the table both print, the number
// formatter every table of the project uses, and the record of a comparison. Every key of both
// records is listed once, in record_keys.h, as data that one writer and one reader walk
// (json_keys.h).
#pragma once

#include "record/comparison_record.h" // ComparisonRecord, parse_comparison_record
#include "record/figures.h"           // figure, column, no_figure
#include "record/scan_record.h"       // ScanRecord, to_json, from_json, parse_scan_record
#include "record/scan_table.h"        // scan_table_heading, scan_table
#include "record/study_table.h"       // study_table_heading, study_table
