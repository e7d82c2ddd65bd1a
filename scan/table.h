// The scan's table on standard output: the table of record/ under a line naming the program.
#pragma once

#include "record/scan_record.h"

#include <string>

std::string format_scan_table(const ScanRecord& record);
