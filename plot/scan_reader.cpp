#include "plot/scan_reader.h"

#include "common/text.h"

namespace {

ScanPoint point_of(const RecordConfiguration& c, const RecordSpeedup& s)
{
    ScanPoint p;
    p.threads = s.threads;
    p.median_s = c.median_s;
    p.ci_low_s = c.ci_low_s;
    p.ci_high_s = c.ci_high_s;
    p.speedup = s.speedup;
    p.ci_low = s.ci_low;
    p.ci_high = s.ci_high;
    p.efficiency = s.efficiency;
    p.efficiency_ci_low = s.efficiency_ci_low;
    p.efficiency_ci_high = s.efficiency_ci_high;
    p.bound = s.schedule_bound;
    return p;
}

// The record reader has checked that configuration i + 1 pairs with speed-up i, and that only a
// study has none.
void view_of(ScanPlot& scan)
{
    const ScanRecord& r = scan.record;
    scan.cpu_model = r.machine.cpu_model;
    scan.physical_cores = r.machine.physical_cores;
    scan.size = r.parameters.size;
    scan.block = r.parameters.block;
    scan.rounds = r.rounds;
    scan.kernel = r.parameters.kernel;
    scan.bind = r.parameters.bind;
    scan.interrupted = r.interrupted;
    // A study's figures are in its cells: it has no baseline of its own.
    scan.baseline_s = r.configurations.empty() ? no_value : r.configurations.front().median_s;
    for (std::size_t i = 0; i < r.speedups.size(); ++i)
        scan.points.push_back(point_of(r.configurations[i + 1], r.speedups[i]));
}

} // namespace

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
    view_of(scan);
    return true;
}
