#include "scan/table.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

std::string number(const char* format, double value)
{
    if (!std::isfinite(value))
        return "-";
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

std::string interval(const char* format, double low, double high)
{
    return "[" + number(format, low) + ", " + number(format, high) + "]";
}

std::string teams_of(const ConfigurationSummary& s)
{
    std::string text;
    for (int team : s.teams)
        text += (text.empty() ? "" : "/") + std::to_string(team);
    return text.empty() ? "-" : text;
}

std::string column(const std::string& text, int width)
{
    char cell[128];
    std::snprintf(cell, sizeof(cell), "%*s", width, text.c_str());
    return cell;
}

} // namespace

std::string format_scan_table(const ScanOptions& options, const ScanRun& run)
{
    std::ostringstream out;
    const ConfigurationSummary& base = run.summary.configurations.front();
    out << "tilebench-scan: n " << options.size << ", b " << options.block << ", " << options.kernel << " kernel, bind "
        << bind_mode_name(options.bind) << ", " << run.rounds << " rounds in " << number("%.1f", run.elapsed_s)
        << " s (stopped: " << stop_reason_name(run.stop) << "), medians with 95 % intervals\n";
    out << "baseline: sequential kernel, median " << number("%.6f", base.median_s) << " s "
        << interval("%.6f", base.ci_low_s, base.ci_high_s) << ", " << number("%.2f", base.gflops) << " GFLOP/s, "
        << base.runs << " runs\n\n";
    out << "threads   team  runs  median (s)   95 % interval (s)     GFLOP/s  speed-up   95 % interval   "
           "efficiency  95 % interval   Karp-Flatt  bound  differs  precise\n";
    for (std::size_t i = 0; i < run.summary.speedups.size(); ++i) {
        const SpeedupSummary& s = run.summary.speedups[i];
        const ConfigurationSummary& c = run.summary.configurations[i + 1];
        out << column(std::to_string(s.threads), 7) << column(teams_of(c), 7) << column(std::to_string(c.runs), 6)
            << column(number("%.6f", c.median_s), 12) << column(interval("%.6f", c.ci_low_s, c.ci_high_s), 22)
            << column(number("%.2f", c.gflops), 10) << column(number("%.3f", s.speedup), 10)
            << column(interval("%.3f", s.ci_low, s.ci_high), 16) << column(number("%.3f", s.efficiency), 12)
            << column(interval("%.3f", s.efficiency_ci_low, s.efficiency_ci_high), 16)
            << column(number("%.3f", s.karp_flatt), 12) << column(number("%.2f", s.schedule_bound), 7)
            << column(s.differs_from_previous ? "yes" : "no", 9) << column(s.precision_reached ? "yes" : "no", 9)
            << "\n";
    }
    return out.str();
}
