// The picture of one or more scan records: time, speed-up and efficiency per thread count,
// each point with its interval, the ideal and the bounds beside them.
#include "plot/figures.h"
#include "plot/scripts.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

bool finite(double a, double b, double c)
{
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c);
}

// Several scans side by side: each one's points a little left or right of the thread count,
// so that their bars do not hide one another.
double offset(std::size_t scan, std::size_t scans, double step)
{
    return (static_cast<double>(scan) - (static_cast<double>(scans) - 1.0) / 2.0) * step;
}

std::string caption_of(const ScanPlot& scan, std::size_t number)
{
    std::ostringstream c;
    c << "scan " << number << ": " << scan.file << ": " << (scan.cpu_model.empty() ? "unknown CPU" : scan.cpu_model)
      << ", " << scan.physical_cores << " physical cores, n " << scan.size << ", b " << scan.block << ", "
      << scan.kernel << " kernel, bind " << scan.bind << ", " << scan.rounds << " rounds"
      << (scan.interrupted ? " (interrupted)" : "");
    return c.str();
}

// Every character that would end gnuplot's double-quoted string or start an escape.
std::string escaped(const std::string& text)
{
    const std::string quoted = gnuplot_quoted(text);
    return quoted.substr(1, quoted.size() - 2);
}

} // namespace

std::string scan_gnuplot_script(const std::vector<ScanPlot>& scans, const std::string& output_file,
                                PictureFormat format)
{
    std::ostringstream s;
    const int caption_lines = 2 + static_cast<int>(scans.size());
    s << terminal_line(format, 900, 1250 + 18 * caption_lines) << "set output " << gnuplot_quoted(output_file) << "\n";

    int max_threads = 1;
    double max_efficiency = 1.0;
    std::vector<int> counts; // every measured thread count gets its tic, on the log axis too
    for (const ScanPlot& scan : scans)
        for (const ScanPoint& p : scan.points) {
            max_threads = std::max(max_threads, p.threads);
            if (std::find(counts.begin(), counts.end(), p.threads) == counts.end())
                counts.push_back(p.threads);
            if (std::isfinite(p.efficiency_ci_high))
                max_efficiency = std::max(max_efficiency, p.efficiency_ci_high);
        }
    for (std::size_t k = 0; k < scans.size(); ++k) {
        const ScanPlot& scan = scans[k];
        const double linear_shift = offset(k, scans.size(), 0.08);
        const double log_factor = std::pow(1.04, offset(k, scans.size(), 1.0));
        s << "$time" << k + 1 << " << EOD\n";
        for (const ScanPoint& p : scan.points)
            if (finite(p.median_s, p.ci_low_s, p.ci_high_s))
                s << figure("%.6g", p.threads * log_factor) << " " << figure("%.9g", p.median_s) << " "
                  << figure("%.9g", p.ci_low_s) << " " << figure("%.9g", p.ci_high_s) << "\n";
        s << "EOD\n$speedup" << k + 1 << " << EOD\n";
        for (const ScanPoint& p : scan.points)
            if (finite(p.speedup, p.ci_low, p.ci_high))
                s << figure("%.6g", p.threads + linear_shift) << " " << figure("%.6f", p.speedup) << " "
                  << figure("%.6f", p.ci_low) << " " << figure("%.6f", p.ci_high) << "\n";
        s << "EOD\n$efficiency" << k + 1 << " << EOD\n";
        for (const ScanPoint& p : scan.points)
            if (finite(p.efficiency, p.efficiency_ci_low, p.efficiency_ci_high))
                s << figure("%.6g", p.threads + linear_shift) << " " << figure("%.6f", p.efficiency) << " "
                  << figure("%.6f", p.efficiency_ci_low) << " " << figure("%.6f", p.efficiency_ci_high) << "\n";
        s << "EOD\n$bound" << k + 1 << " << EOD\n";
        for (const ScanPoint& p : scan.points)
            if (std::isfinite(p.bound))
                s << p.threads << " " << figure("%.6f", p.bound) << "\n";
        s << "EOD\n";
    }

    std::string caption = "Bars: 95 % intervals (time: order statistics of the median; speed-up and efficiency: "
                          "paired bootstrap over rounds).\\nPoints are measured thread counts only; invalid samples "
                          "take no part.";
    for (std::size_t k = 0; k < scans.size(); ++k)
        caption += "\\n" + escaped(caption_of(scans[k], k + 1));
    s << "set multiplot layout 3,1 title \"" << caption << "\" noenhanced font ',10'\n"
      << "set grid\nset key noenhanced box opaque font ',9'\nset xlabel 'threads'\nset lmargin 12\nset rmargin 4\n"
      << "set bars small\nset xtics (";
    std::sort(counts.begin(), counts.end());
    for (std::size_t i = 0; i < counts.size(); ++i)
        s << (i ? ", " : "") << counts[i];
    s << ")\n";

    // Time: log-log, so that ideal scaling is a straight line of slope -1.
    s << "set title 'Median time per call'\nset ylabel 'seconds'\nset logscale xy\nset key inside left bottom\n"
      << "set xrange [0.8:" << max_threads * 1.25 << "]\nset yrange [*:*]\nplot ";
    for (std::size_t k = 0; k < scans.size(); ++k) {
        const double baseline = scans[k].baseline_s;
        if (k > 0)
            s << ", ";
        if (std::isfinite(baseline))
            s << figure("%.9g", baseline) << " / x with lines dashtype 2 lc " << k + 1 << " title 'scan " << k + 1
              << ": ideal (baseline / threads)', ";
        s << "$time" << k + 1 << " using 1:2:3:4 with yerrorbars pt 7 lc " << k + 1 << " title 'scan " << k + 1 << "'";
    }

    s << "\nunset logscale\nset xrange [0.5:" << max_threads + 0.5 << "]\n";
    s << "set title 'Speed-up over the sequential baseline'\nset ylabel 'speed-up'\nset yrange [0:*]\n"
      << "set key inside left top\n"
      << "plot x with lines dashtype 2 lc rgb 'gray40' title 'ideal'";
    for (std::size_t k = 0; k < scans.size(); ++k)
        s << ", $bound" << k + 1 << " using 1:2 with points pt 4 ps 1.5 lc " << k + 1 << " title 'scan " << k + 1
          << ": bound of the schedule', $speedup" << k + 1 << " using 1:2:3:4 with yerrorbars pt 7 lc " << k + 1
          << " title 'scan " << k + 1 << "'";

    s << "\nset title 'Efficiency (speed-up / threads)'\nset ylabel 'efficiency'\nset key inside left bottom\nset "
         "yrange [0:"
      << figure("%.2f", max_efficiency * 1.15) << "]\n"
      << "plot 1 with lines dashtype 2 lc rgb 'gray40' title 'ideal'";
    for (std::size_t k = 0; k < scans.size(); ++k)
        s << ", $efficiency" << k + 1 << " using 1:2:3:4 with yerrorbars pt 7 lc " << k + 1 << " title 'scan " << k + 1
          << "'";
    s << "\nunset multiplot\n";
    return s.str();
}
