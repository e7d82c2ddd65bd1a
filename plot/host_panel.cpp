#include "plot/host_panel.h"

#include "plot/output_format.h"
#include "record/figures.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

namespace {

// The rows "seconds speed-up" of the rounds whose verdict is `starved`, at the largest count.
std::string speedup_rows(const ScanRecord& record, bool starved)
{
    std::ostringstream rows;
    for (const RecordProbeRound& round : record.probe.rounds)
        if (round.starved == starved && !round.speedups.empty() && std::isfinite(round.end_s) &&
            std::isfinite(round.speedups.back()))
            rows << figure("%.3f", round.end_s) << " " << figure("%.6f", round.speedups.back()) << "\n";
    return rows.str();
}

// Per CPU, the rows "seconds relative-rate".
std::map<int, std::string> rate_rows(const ScanRecord& record)
{
    std::map<int, std::string> rows;
    for (const RecordProbeRound& round : record.probe.rounds)
        for (std::size_t i = 0; i < round.cpus.size() && i < round.relative.size(); ++i)
            if (round.cpus[i] >= 0 && std::isfinite(round.end_s) && std::isfinite(round.relative[i]))
                rows[round.cpus[i]] += figure("%.3f", round.end_s) + " " + figure("%.6f", round.relative[i]) + "\n";
    return rows;
}

// Per pair (the round's first CPU, another), the rows "seconds nanoseconds": the slowest of the
// round's cache-line trips between them. One slow trip is what makes a round slow for the cells
// that share lines, so the slowest is the one a reader must see.
std::map<std::pair<int, int>, std::string> trip_rows(const ScanRecord& record)
{
    std::map<std::pair<int, int>, std::string> rows;
    for (const RecordProbeRound& round : record.probe.rounds) {
        if (!std::isfinite(round.end_s) || round.cpus.empty() || round.cpus.front() < 0)
            continue;
        for (std::size_t other = 1; other < round.cpus.size(); ++other) {
            double slowest = 0.0;
            for (const std::vector<double>& trips : round.line_ns)
                if (other - 1 < trips.size() && std::isfinite(trips[other - 1]))
                    slowest = std::max(slowest, trips[other - 1]);
            if (round.cpus[other] >= 0 && slowest > 0.0)
                rows[{round.cpus.front(), round.cpus[other]}] +=
                    figure("%.3f", round.end_s) + " " + figure("%.1f", slowest) + "\n";
        }
    }
    return rows;
}

void add_block(HostPanel& panel, std::vector<std::string>& drawn, const std::string& name, const std::string& rows)
{
    if (rows.empty())
        return;
    panel.blocks += name + " << EOD\n" + rows + "EOD\n";
    drawn.push_back(name);
}

bool drawn(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The plot elements of scan number n (1-based).
std::string elements_of(const ScanPlot& scan, std::size_t n, HostPanel& panel, std::vector<std::string>& names)
{
    const std::string k = std::to_string(n);
    const int threads = scan.record.speedups.empty() ? 0 : scan.record.speedups.back().threads;
    add_block(panel, names, "$clean" + k, speedup_rows(scan.record, false));
    add_block(panel, names, "$starved" + k, speedup_rows(scan.record, true));
    std::ostringstream elements;
    if (drawn(names, "$clean" + k))
        elements << ", $clean" << k << " using 1:2 with points pt 7 ps 1 lc " << k << " title "
                 << gnuplot_quoted("scan " + k + ": speed-up at " + std::to_string(threads) + " threads, clean round");
    if (drawn(names, "$starved" + k))
        elements << ", $starved" << k << " using 1:2 with points pt 6 ps 1.5 lc " << k << " title "
                 << gnuplot_quoted("scan " + k + ": speed-up, starved round");
    int dash = 3;
    for (const auto& [cpu, rows] : rate_rows(scan.record)) {
        const std::string name = "$rate" + k + "x" + std::to_string(cpu);
        add_block(panel, names, name, rows);
        elements << ", " << name << " using 1:2 with lines dashtype " << dash++ << " lc " << k << " title "
                 << gnuplot_quoted("scan " + k + ": CPU " + std::to_string(cpu) + " rate / healthy");
    }
    int point = 2; // each pair its own mark, as each CPU's rate has its own dashes
    for (const auto& [pair, rows] : trip_rows(scan.record)) {
        const std::string name = "$trip" + k + "x" + std::to_string(pair.first) + "x" + std::to_string(pair.second);
        add_block(panel, names, name, rows);
        elements << ", " << name << " using 1:2 axes x1y2 with points pt " << point++ << " ps 0.6 lc " << k << " title "
                 << gnuplot_quoted("scan " + k + ": line trip CPU " + std::to_string(pair.first) + " to " +
                                   std::to_string(pair.second) + ", the round's slowest (ns, right)");
    }
    return elements.str();
}

} // namespace

bool has_host_panel(const std::vector<ScanPlot>& scans)
{
    for (const ScanPlot& scan : scans)
        if (!scan.record.probe.rounds.empty())
            return true;
    return false;
}

HostPanel host_panel(const std::vector<ScanPlot>& scans)
{
    HostPanel panel;
    std::vector<std::string> names;
    std::string elements;
    double floor = 0.95, top = 1.2;
    for (std::size_t k = 0; k < scans.size(); ++k) {
        elements += elements_of(scans[k], k + 1, panel, names);
        // A threshold outside [0, 1] is not one the scan writes: the line stays within the axis.
        if (k == 0 && std::isfinite(scans[k].record.probe.threshold))
            floor = std::clamp(1.0 - scans[k].record.probe.threshold, 0.0, 1.0);
        // Up to a little above what the schedule allows: a round far off it falls outside the
        // range rather than squeezing every other round flat.
        if (!scans[k].record.speedups.empty() && std::isfinite(scans[k].record.speedups.back().schedule_bound))
            top = std::max(top, axis_top(scans[k].record.speedups.back().schedule_bound, 1.25));
    }
    // The trips, where there are any, on a log axis of their own: their levels lie several fold
    // apart, and one axis with the rates would flatten both.
    const bool trips = std::any_of(names.begin(), names.end(),
                                   [](const std::string& name) { return name.compare(0, 5, "$trip") == 0; });
    std::ostringstream s;
    s << "unset logscale\n";
    if (trips)
        s << "set rmargin 12\nset logscale y2\nset y2range [*:*]\nset y2tics\nset ytics nomirror\nset y2label "
          << gnuplot_quoted("cache line round trip (ns)") << "\n";
    s << "set xtics autofreq\nset xrange [0:*]\nset yrange [0:" << figure("%.2f", top)
      << "]\nset key inside left bottom\n"
      << "set title "
      << gnuplot_quoted(trips ? "Over the scan: each round's speed-up, each CPU's probe rate and the line's trip"
                              : "Over the scan: each round's speed-up, and each CPU's probe rate")
      << "\n"
      << "set xlabel " << gnuplot_quoted("seconds into the scan") << "\nset ylabel "
      << gnuplot_quoted("speed-up; rate / healthy") << "\n"
      << "plot " << figure("%.4f", floor) << " with lines dashtype 2 lc rgb 'gray40' title "
      << gnuplot_quoted("starved below " + figure("%.2f", floor) + " of the healthy rate (scan 1)") << elements << "\n";
    panel.commands = s.str();
    return panel;
}

std::string starved_caption(const ScanPlot& scan)
{
    const ScanRecord& r = scan.record;
    if (r.parameters.probe.empty())
        return "";
    if (r.parameters.probe == "none")
        return "off";
    if (r.probe.rounds.empty())
        return "no round completed";
    int starved = 0;
    std::map<int, double> lowest; // CPU -> lowest relative rate in a starved round
    for (const RecordProbeRound& round : r.probe.rounds) {
        if (!round.starved)
            continue;
        ++starved;
        for (std::size_t i = 0; i < round.cpus.size() && i < round.relative.size(); ++i)
            if (round.relative[i] < 1.0 - r.probe.threshold &&
                !(lowest.count(round.cpus[i]) && lowest[round.cpus[i]] <= round.relative[i]))
                lowest[round.cpus[i]] = round.relative[i];
    }
    if (starved == 0)
        return "no starved round of " + std::to_string(r.probe.rounds.size());
    const auto rounds = static_cast<double>(r.probe.rounds.size());
    std::string text = std::to_string(starved) + " of " + figure("%.0f", rounds) + " rounds starved (" +
                       figure("%.0f", 100.0 * starved / rounds) + " %)";
    for (const auto& [cpu, rate] : lowest)
        text +=
            (text.back() == ')' ? "; lowest rate: CPU " : ", CPU ") + std::to_string(cpu) + " " + figure("%.2f", rate);
    return text;
}
