#include "scan/table.h"

#include "record/scan_table.h"

std::string format_scan_table(const ScanRecord& record)
{
    return "tilebench-scan: " + scan_table_heading(record) + "\n" + scan_table(record);
}
