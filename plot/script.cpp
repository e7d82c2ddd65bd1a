// The gnuplot script of the speed-up picture of a results file.
#include "plot/plot.h"

#include "plot/figures.h"

#include <cmath>
#include <sstream>

namespace {

bool drawable(const ResultRow& row)
{
    return std::isfinite(row.speed_up) && std::isfinite(row.efficiency);
}

// gnuplot reads the file name inside double quotes; keep it literal.
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

bool ends_with(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

bool has_drawable_points(const Run& run)
{
    for (const FileRow& row : run)
        if (drawable(row.row))
            return true;
    return false;
}

std::string gnuplot_script(const std::vector<Run>& runs, const std::string& output_file)
{
    std::ostringstream s;
    const bool svg = ends_with(output_file, ".svg");
    s << (svg ? "set terminal svg size 900,800 dynamic enhanced font 'sans,12'\n"
              : "set terminal pngcairo size 900,800 enhanced font 'sans,11'\n");
    s << "set output " << quoted(output_file) << "\n";

    // Inline data blocks: one per drawable run, rows of "threads speed-up efficiency".
    int max_threads = 2;
    double max_efficiency = 1.0;
    std::vector<std::size_t> drawn;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (!has_drawable_points(runs[r]))
            continue;
        drawn.push_back(r);
        s << "$run" << r + 1 << " << EOD\n";
        for (const FileRow& row : runs[r])
            if (drawable(row.row)) {
                s << row.row.threads << " " << figure("%.6f", row.row.speed_up) << " "
                  << figure("%.6f", row.row.efficiency) << "\n";
                if (row.row.threads > max_threads)
                    max_threads = row.row.threads;
                if (row.row.efficiency > max_efficiency)
                    max_efficiency = row.row.efficiency;
            }
        s << "EOD\n";
    }

    s << "set multiplot layout 2,1\n"
         "set grid\n"
         "set key outside right top\n"
         "set xlabel 'threads'\n"
      << "set xrange [1.5:" << max_threads + 0.5 << "]\n"
      << "set xtics 1\n"
         "set title 'Speed-up of the tiled product over the sequential baseline'\n"
         "set ylabel 'speed-up'\n"
         "set yrange [0:*]\n"
         "plot x with lines dashtype 2 lc rgb 'gray40' title 'ideal'";
    for (std::size_t r : drawn)
        s << ", $run" << r + 1 << " using 1:2 with linespoints lw 2 title 'run " << r + 1 << ": size "
          << runs[r].front().row.size << "'";
    s << "\n"
         "set title 'Efficiency (speed-up / threads)'\n"
         "set ylabel 'efficiency'\n"
      // Leave room above the ideal line, which would otherwise sit on the frame.
      << "set yrange [0:" << figure("%.2f", max_efficiency * 1.1)
      << "]\n"
         "plot 1 with lines dashtype 2 lc rgb 'gray40' title 'ideal'";
    for (std::size_t r : drawn)
        s << ", $run" << r + 1 << " using 1:3 with linespoints lw 2 title 'run " << r + 1 << ": size "
          << runs[r].front().row.size << "'";
    s << "\nunset multiplot\n";
    return s.str();
}
