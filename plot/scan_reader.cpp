#include "plot/scan_reader.h"

#include "common/text.h"

bool looks_like_scan_record(const std::string& text)
{
    std::size_t at = byte_order_mark_size(text);
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
        ++at;
    return at < text.size() && text[at] == '{';
}

bool read_scan_record(const std::string& text, const std::string& file_name, ScanPlot& scan, std::string& problem)
{
    scan = ScanPlot();
    scan.file = file_name;
    if (!parse_scan_record(text, scan.record, problem)) {
        problem = file_name + ": " + problem;
        return false;
    }
    return true;
}
