// The picture of out.csv: speed-up and efficiency per run.
#include "plot/scripts.h"
#include "record/figures.h"

#include <sstream>

std::string gnuplot_script(const std::vector<NamedRun>& runs, PictureFormat format)
{
    std::ostringstream s;
    s << terminal_line(format, 900, 800);

    // Inline data blocks: one per drawable run, rows of "threads speed-up efficiency".
    long long max_threads = 2;
    double max_efficiency = 1.0;
    std::vector<std::size_t> drawn;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (!has_drawable_points(runs[r].rows))
            continue;
        drawn.push_back(r);
        s << "$run" << r + 1 << " << EOD\n";
        for (const FileRow& row : runs[r].rows)
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
    const auto title = [&runs](std::size_t r) {
        return gnuplot_quoted(runs[r].name + ": size " + std::to_string(runs[r].rows.front().row.size));
    };

    s << "set multiplot layout 2,1\n"
         "set grid\n"
         "set key outside right top noenhanced\n"
         "set xlabel 'threads'\n"
      << "set xrange [1.5:" << max_threads << ".5]\n"
      << "set xtics 1\n"
         "set title 'Speed-up of the tiled product over the sequential baseline'\n"
         "set ylabel 'speed-up'\n"
         "set yrange [0:*]\n"
         "plot x with lines dashtype 2 lc rgb 'gray40' title 'ideal'";
    for (std::size_t r : drawn)
        s << ", $run" << r + 1 << " using 1:2 with linespoints lw 2 title " << title(r);
    s << "\n"
         "set title 'Efficiency (speed-up / threads)'\n"
         "set ylabel 'efficiency'\n"
      // Leave room above the ideal line, which would otherwise sit on the frame.
      << "set yrange [0:" << figure("%.2f", axis_top(max_efficiency, 1.1)) << "]\n"
      << "plot 1 with lines dashtype 2 lc rgb 'gray40' title 'ideal'";
    for (std::size_t r : drawn)
        s << ", $run" << r + 1 << " using 1:3 with linespoints lw 2 title " << title(r);
    s << "\nunset multiplot\n";
    return s.str();
}
