#include "record/scan_table.h"

#include "common/text.h"
#include "record/figures.h"

#include <cmath>
#include <sstream>

namespace {

std::string interval(const char* format, double low, double high)
{
    return "[" + figure(format, low) + ", " + figure(format, high) + "]";
}

std::string text_or_none(const std::string& text)
{
    return text.empty() ? no_figure : text;
}

std::string teams_of(const RecordConfiguration& c)
{
    return text_or_none(joined(c.teams, "/"));
}

std::string row(const RecordConfiguration& c, const RecordSpeedup& s, bool probed)
{
    const std::string starved =
        probed
            ? column(std::isfinite(s.starved_share) ? figure("%.0f", 100.0 * s.starved_share) + " %" : no_figure, 9) +
                  column(figure("%.3f", s.starved_speedup), 18)
            : "";
    return column(std::to_string(s.threads), 7) + column(teams_of(c), 7) + column(std::to_string(c.runs), 6) +
           column(figure("%.6f", c.median_s), 12) + column(interval("%.6f", c.ci_low_s, c.ci_high_s), 22) +
           column(figure("%.2f", c.gflops), 10) + column(figure("%.3f", s.speedup), 10) +
           column(interval("%.3f", s.ci_low, s.ci_high), 16) + column(figure("%.3f", s.efficiency), 12) +
           column(interval("%.3f", s.efficiency_ci_low, s.efficiency_ci_high), 16) +
           column(figure("%.3f", s.karp_flatt), 12) + column(figure("%.2f", s.schedule_bound), 7) +
           column(s.differs_from_previous ? "yes" : "no", 9) + column(s.precision_reached ? "yes" : "no", 9) + starved +
           "\n";
}

int starved_rounds(const ScanRecord& record)
{
    int starved = 0;
    for (const RecordProbeRound& round : record.probe.rounds)
        starved += round.starved ? 1 : 0;
    return starved;
}

} // namespace

std::string scan_table_heading(const ScanRecord& record)
{
    const RecordParameters& p = record.parameters;
    std::ostringstream out;
    out << "n " << p.size << ", b " << p.block << ", " << text_or_none(p.kernel) << " kernel, bind "
        << text_or_none(p.bind) << ", " << record.rounds << " rounds";
    if (starved_rounds(record) > 0)
        out << " (" << starved_rounds(record) << " starved)";
    out << " in " << figure("%.1f", record.elapsed_s) << " s (stopped: " << text_or_none(record.stop_reason)
        << "), medians with 95 % intervals";
    return out.str();
}

std::string scan_table(const ScanRecord& record)
{
    const bool probed = !record.parameters.probe.empty(); // records from before the probe have no such columns
    std::ostringstream out;
    if (!record.configurations.empty()) {
        const RecordConfiguration& base = record.configurations.front();
        out << "baseline: sequential kernel, median " << figure("%.6f", base.median_s) << " s "
            << interval("%.6f", base.ci_low_s, base.ci_high_s) << ", " << figure("%.2f", base.gflops) << " GFLOP/s, "
            << base.runs << " runs\n\n";
    }
    out << "threads   team  runs  median (s)   95 % interval (s)     GFLOP/s  speed-up   95 % interval   "
           "efficiency  95 % interval   Karp-Flatt  bound  differs  precise"
        << (probed ? "  starved  starved speed-up\n" : "\n");
    for (std::size_t i = 0; i < record.speedups.size() && i + 1 < record.configurations.size(); ++i)
        out << row(record.configurations[i + 1], record.speedups[i], probed);
    return out.str();
}
