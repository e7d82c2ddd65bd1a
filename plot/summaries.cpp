#include "plot/summaries.h"

#include "plot/figures.h"
#include "plot/shown.h"

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

std::string format_scan_summary(const std::vector<ScanPlot>& scans)
{
    std::ostringstream out;
    for (std::size_t s = 0; s < scans.size(); ++s) {
        const ScanPlot& scan = scans[s];
        // Text from the record is shown escaped: it must not steer the terminal.
        out << shown(scan.file) << ": " << (scan.cpu_model.empty() ? "unknown CPU" : shown(scan.cpu_model)) << ", "
            << scan.physical_cores << " cores, n " << scan.size << ", b " << scan.block << ", " << shown(scan.kernel)
            << " kernel, bind " << shown(scan.bind) << ", " << scan.rounds << " rounds"
            << (scan.interrupted ? " (interrupted)" : "") << "\n";
        out << "  baseline " << figure("%.6f", scan.baseline_s) << " s [" << figure("%.6f", scan.baseline_ci_low_s)
            << ", " << figure("%.6f", scan.baseline_ci_high_s) << "], " << scan.baseline_runs << " runs\n";
        out << "  threads  runs  median (s)   speed-up [95 % interval]   efficiency\n";
        for (const ScanPoint& p : scan.points)
            out << column(std::to_string(p.threads), 9) << column(std::to_string(p.runs), 6)
                << column(figure("%.6f", p.median_s), 12) << column(figure("%.3f", p.speedup), 11) << " ["
                << figure("%.3f", p.ci_low) << ", " << figure("%.3f", p.ci_high) << "]"
                << column(figure("%.3f", p.efficiency), 13) << "\n";
        for (const std::string& warning : scan.warnings)
            out << "  warning: " << shown(warning) << "\n";
        if (s + 1 < scans.size())
            out << "\n";
    }
    return out.str();
}
