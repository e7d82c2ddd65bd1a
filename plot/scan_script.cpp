// The picture of one or more scan records: time, speed-up and efficiency per thread count,
// each point with its interval, the ideal and the bounds beside them.
#include "common/text.h"
#include "plot/host_panel.h"
#include "plot/scripts.h"
#include "record/figures.h"
#include "record/summary_figures.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

// The points of a scan are its parallel configurations: speed-up i beside configuration i + 1,
// which the record reader has checked pair up. A study's figures are in its cells, and it has
// neither.
std::size_t point_count(const ScanRecord& r)
{
    return r.configurations.empty() ? 0 : std::min(r.speedups.size(), r.configurations.size() - 1);
}

const RecordConfiguration& point_time(const ScanRecord& r, std::size_t i)
{
    return r.configurations[i + 1];
}

// The sequential kernel's median, which the ideal line divides; a study has none of its own.
double baseline_s(const ScanRecord& r)
{
    return r.configurations.empty() ? no_value : r.configurations.front().median_s;
}

// Several scans side by side: each one's points a little left or right of the thread count,
// so that their bars do not hide one another. step apart at most, and never farther from the
// count than widest, however many scans share the picture.
double offset(std::size_t scan, std::size_t scans, double step, double widest)
{
    if (scans < 2)
        return 0.0;
    const double middle = (static_cast<double>(scans) - 1.0) / 2.0;
    return (static_cast<double>(scan) - middle) * std::min(step, widest / middle);
}

// The smallest ratio between two measured thread counts (sorted and distinct), so that on the
// log axis too a point stays nearer its own count than the next. On the linear axes counts, being
// whole numbers, are at least 1 apart.
double smallest_log_ratio(const std::vector<int>& counts)
{
    double ratio = std::log(2.0);
    for (std::size_t i = 1; i < counts.size(); ++i)
        if (counts[i - 1] > 0)
            ratio = std::min(ratio, std::log(static_cast<double>(counts[i]) / counts[i - 1]));
    return ratio;
}

std::string caption_of(const ScanPlot& scan, std::size_t number)
{
    const ScanRecord& r = scan.record;
    std::ostringstream c;
    c << "scan " << number << ": " << scan.file << ": "
      << (r.machine.cpu_model.empty() ? "unknown CPU" : r.machine.cpu_model) << ", " << r.machine.physical_cores
      << " physical cores, n " << r.parameters.size << ", b " << r.parameters.block << ", " << r.parameters.kernel
      << " kernel, bind " << r.parameters.bind << ", " << r.rounds << " rounds"
      << (r.interrupted ? " (interrupted)" : "");
    return c.str();
}

// The caption as a gnuplot variable: each line a literal string, joined by the line ends only
// the script itself writes.
std::string caption_line(const std::vector<ScanPlot>& scans)
{
    std::string caption =
        "caption = " +
        gnuplot_quoted("Bars: 95 % intervals (time: order statistics of the median; speed-up and efficiency: "
                       "paired bootstrap over rounds).") +
        " . \"\\n\" . " + gnuplot_quoted("Points are measured thread counts only; invalid samples take no part.");
    for (std::size_t k = 0; k < scans.size(); ++k) {
        caption += " . \"\\n\" . " + gnuplot_quoted(caption_of(scans[k], k + 1));
        if (!starved_caption(scans[k]).empty())
            caption += " . \"\\n\" . " +
                       gnuplot_quoted("scan " + std::to_string(k + 1) + " probe: " + starved_caption(scans[k]));
    }
    return caption + "\n";
}

// The scans' data blocks: per scan its times, speed-ups, efficiencies and bounds, each a row of
// "threads value low high" (bounds: "threads bound"). A block left empty is not drawn.
struct Blocks {
    std::string text;
    std::vector<std::string> drawn; // names of the blocks with rows, e.g. "$speedup2"
};

bool has(const Blocks& blocks, const std::string& name)
{
    return std::find(blocks.drawn.begin(), blocks.drawn.end(), name) != blocks.drawn.end();
}

void add_block(Blocks& blocks, const std::string& name, const std::string& rows)
{
    if (rows.empty())
        return;
    blocks.text += name + " << EOD\n" + rows + "EOD\n";
    blocks.drawn.push_back(name);
}

Blocks data_blocks(const std::vector<ScanPlot>& scans, const std::vector<int>& counts)
{
    const double log_ratio = smallest_log_ratio(counts);
    Blocks blocks;
    for (std::size_t k = 0; k < scans.size(); ++k) {
        const double linear_shift = offset(k, scans.size(), 0.08, 0.4);
        const double log_factor = std::exp(offset(k, scans.size(), std::log(1.04), 0.4 * log_ratio));
        std::ostringstream time, speedup, efficiency, bound, time_alone, speedup_alone, efficiency_alone;
        const ScanRecord& r = scans[k].record;
        for (std::size_t i = 0; i < point_count(r); ++i) {
            const RecordConfiguration& c = point_time(r, i);
            const RecordSpeedup& p = r.speedups[i];
            const std::string log_x = figure("%.6g", p.threads * log_factor) + " ";
            if (has_time_interval(c, r.parameters.confidence))
                time << log_x << figure("%.9g", c.median_s) << " " << figure("%.9g", c.ci_low_s) << " "
                     << figure("%.9g", c.ci_high_s) << "\n";
            else if (std::isfinite(c.median_s))
                time_alone << log_x << figure("%.9g", c.median_s) << "\n";
            const std::string x = figure("%.6g", p.threads + linear_shift) + " ";
            if (has_interval(p.speedup, p.ci_low, p.ci_high))
                speedup << x << figure("%.6f", p.speedup) << " " << figure("%.6f", p.ci_low) << " "
                        << figure("%.6f", p.ci_high) << "\n";
            else if (std::isfinite(p.speedup)) // from too few clean rounds for an interval
                speedup_alone << x << figure("%.6f", p.speedup) << "\n";
            if (has_interval(p.efficiency, p.efficiency_ci_low, p.efficiency_ci_high))
                efficiency << x << figure("%.6f", p.efficiency) << " " << figure("%.6f", p.efficiency_ci_low) << " "
                           << figure("%.6f", p.efficiency_ci_high) << "\n";
            else if (std::isfinite(p.efficiency))
                efficiency_alone << x << figure("%.6f", p.efficiency) << "\n";
            if (std::isfinite(p.schedule_bound))
                bound << p.threads << " " << figure("%.6f", p.schedule_bound) << "\n";
        }
        const std::string number = std::to_string(k + 1);
        add_block(blocks, "$time" + number, time.str());
        add_block(blocks, "$timealone" + number, time_alone.str());
        add_block(blocks, "$speedup" + number, speedup.str());
        add_block(blocks, "$speedupalone" + number, speedup_alone.str());
        add_block(blocks, "$efficiency" + number, efficiency.str());
        add_block(blocks, "$efficiencyalone" + number, efficiency_alone.str());
        add_block(blocks, "$bound" + number, bound.str());
    }
    return blocks;
}

// A figure from fewer clean rounds than an interval needs: drawn all the same, open, and said so
// in the key; after separator, which then becomes ", ".
void alone_points(std::ostream& s, const Blocks& blocks, const std::string& stem, const std::string& n,
                  const char*& separator)
{
    if (!has(blocks, stem + n))
        return;
    s << separator << stem << n << " using 1:2 with points pt 6 ps 1.5 lc " << n << " title 'scan " << n
      << ": too few clean rounds for an interval'";
    separator = ", ";
}

// Time: log-log, so that ideal scaling is a straight line of slope -1.
void time_panel(std::ostream& s, const std::vector<ScanPlot>& scans, const Blocks& blocks, int max_threads)
{
    s << "set title 'Median time per call'\nset ylabel 'seconds'\nset logscale xy\nset key inside left bottom\n"
      << "set xrange [0.8:" << max_threads * 1.25 << "]\nset yrange [*:*]\nplot ";
    const char* separator = "";
    for (std::size_t k = 0; k < scans.size(); ++k) {
        const std::string n = std::to_string(k + 1);
        const double baseline = baseline_s(scans[k].record);
        if (std::isfinite(baseline)) {
            s << separator << figure("%.9g", baseline) << " / x with lines dashtype 2 lc " << n << " title 'scan " << n
              << ": ideal (baseline / threads)'";
            separator = ", ";
        }
        if (has(blocks, "$time" + n)) {
            s << separator << "$time" << n << " using 1:2:3:4 with yerrorbars pt 7 lc " << n << " title 'scan " << n
              << "'";
            separator = ", ";
        }
        alone_points(s, blocks, "$timealone", n, separator);
    }
    s << "\n";
}

void speedup_and_efficiency_panels(std::ostream& s, std::size_t scans, const Blocks& blocks, int max_threads,
                                   double max_efficiency)
{
    s << "unset logscale\nset xrange [0.5:" << max_threads + 0.5 << "]\n";
    s << "set title 'Speed-up over the sequential baseline'\nset ylabel 'speed-up'\nset yrange [0:*]\n"
      << "set key inside left top\n"
      << "plot x with lines dashtype 2 lc rgb 'gray40' title 'ideal'";
    for (std::size_t k = 0; k < scans; ++k) {
        const std::string n = std::to_string(k + 1);
        if (has(blocks, "$bound" + n))
            s << ", $bound" << n << " using 1:2 with points pt 4 ps 1.5 lc " << n << " title 'scan " << n
              << ": bound of the schedule'";
        if (has(blocks, "$speedup" + n))
            s << ", $speedup" << n << " using 1:2:3:4 with yerrorbars pt 7 lc " << n << " title 'scan " << n << "'";
        const char* after = ", "; // the ideal leads
        alone_points(s, blocks, "$speedupalone", n, after);
    }
    s << "\nset title 'Efficiency (speed-up / threads)'\nset ylabel 'efficiency'\nset key inside left bottom\n"
      << "set yrange [0:" << figure("%.2f", axis_top(max_efficiency, 1.15)) << "]\n"
      << "plot 1 with lines dashtype 2 lc rgb 'gray40' title 'ideal'";
    for (std::size_t k = 0; k < scans; ++k) {
        const std::string n = std::to_string(k + 1);
        if (has(blocks, "$efficiency" + n))
            s << ", $efficiency" << n << " using 1:2:3:4 with yerrorbars pt 7 lc " << n << " title 'scan " << n << "'";
        const char* after = ", ";
        alone_points(s, blocks, "$efficiencyalone", n, after);
    }
    s << "\n";
}

} // namespace

bool has_drawable_times(const std::vector<ScanPlot>& scans)
{
    for (const ScanPlot& scan : scans) {
        if (std::isfinite(baseline_s(scan.record)))
            return true;
        for (std::size_t i = 0; i < point_count(scan.record); ++i)
            if (std::isfinite(point_time(scan.record, i).median_s))
                return true;
    }
    return false;
}

std::string scan_gnuplot_script(const std::vector<ScanPlot>& scans, PictureFormat format)
{
    int max_threads = 1;
    double max_efficiency = 1.0;
    std::vector<int> counts; // every measured thread count gets its tic, on the log axis too
    for (const ScanPlot& scan : scans)
        for (std::size_t i = 0; i < point_count(scan.record); ++i) {
            const RecordSpeedup& p = scan.record.speedups[i];
            max_threads = std::max(max_threads, p.threads);
            if (std::find(counts.begin(), counts.end(), p.threads) == counts.end())
                counts.push_back(p.threads);
            for (double efficiency : {p.efficiency, p.efficiency_ci_high})
                if (std::isfinite(efficiency))
                    max_efficiency = std::max(max_efficiency, efficiency);
        }
    std::sort(counts.begin(), counts.end());
    const Blocks blocks = data_blocks(scans, counts);
    // Records with the probe's rounds gain a fourth panel, over the scan's time.
    const bool over_time = has_host_panel(scans);
    const HostPanel host = over_time ? host_panel(scans) : HostPanel();

    std::ostringstream s;
    int caption_lines = 2 + static_cast<int>(scans.size());
    for (const ScanPlot& scan : scans)
        caption_lines += starved_caption(scan).empty() ? 0 : 1;
    s << terminal_line(format, 900, (over_time ? 1670 : 1250) + 18 * caption_lines) << blocks.text << host.blocks
      << caption_line(scans) << "set multiplot layout " << (over_time ? 4 : 3)
      << ",1 title caption noenhanced font ',10'\n"
      << "set grid\nset key noenhanced box opaque font ',9'\nset xlabel 'threads'\nset lmargin 12\nset rmargin 4\n"
      << "set bars small\nset xtics (";
    s << joined(counts, ", ") << ")\n";
    time_panel(s, scans, blocks, max_threads);
    speedup_and_efficiency_panels(s, scans.size(), blocks, max_threads, max_efficiency);
    s << host.commands << "unset multiplot\n";
    return s.str();
}
