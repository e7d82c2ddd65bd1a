#include "plot/summaries.h"

#include "plot/shown.h"
#include "record/figures.h"
#include "record/scan_table.h"
#include "record/study_table.h"

#include <sstream>

std::vector<NamedRun> name_runs(const std::vector<Run>& runs, const std::string& file_prefix)
{
    std::vector<NamedRun> named;
    for (std::size_t r = 0; r < runs.size(); ++r)
        named.push_back({file_prefix + "run " + std::to_string(r + 1), runs[r]});
    return named;
}

std::string format_summary(const std::vector<NamedRun>& runs)
{
    std::ostringstream out;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const Run& run = runs[r].rows;
        out << shown(runs[r].name) << ": size " << run.front().row.size << ", lines " << run.front().line << "-"
            << run.back().line << "\n";
        out << "  threads   time (s)   speed-up   efficiency\n";
        for (const FileRow& row : run)
            out << column(std::to_string(row.row.threads), 9) << column(figure("%.6f", row.row.time), 11)
                << column(figure("%.3f", row.row.speed_up), 11) << column(figure("%.3f", row.row.efficiency), 13)
                << "\n";
        if (r + 1 < runs.size())
            out << "\n";
    }
    return out.str();
}

namespace {

// Text of several lines, each shown escaped and ended: the study's table holds the record's
// kernel, binding and stop reasons.
std::string shown_lines(const std::string& text)
{
    std::string out;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out += shown(text.substr(start, end - start)) + "\n";
    return out + (start < text.size() ? shown(text.substr(start)) + "\n" : "");
}

} // namespace

std::string format_scan_summary(const std::vector<ScanPlot>& scans)
{
    std::ostringstream out;
    for (std::size_t s = 0; s < scans.size(); ++s) {
        const ScanRecord& record = scans[s].record;
        // Text from the record is shown escaped: it must not steer the terminal.
        out << shown(scans[s].file) << ": "
            << (record.machine.cpu_model.empty() ? "unknown CPU" : shown(record.machine.cpu_model)) << ", "
            << record.machine.physical_cores << " physical cores";
        if (record.study)
            out << ", a study of tile edges\n" << shown_lines(study_table(record, ""));
        else
            out << ", " << shown(scan_table_heading(record)) << "\n" << scan_table(record);
        for (const Warning& warning : record.warnings)
            out << "warning (" << shown(warning.kind) << "): " << shown(warning.message) << "\n";
        if (s + 1 < scans.size())
            out << "\n";
    }
    return out.str();
}
