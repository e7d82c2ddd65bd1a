// The console table of a results file: one block per run.
#include "plot/plot.h"

#include "plot/figures.h"

#include <sstream>

std::string format_summary(const std::vector<Run>& runs)
{
    std::ostringstream out;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const Run& run = runs[r];
        out << "run " << r + 1 << ": size " << run.front().row.size << ", lines " << run.front().line << "-"
            << run.back().line << "\n";
        out << "  threads   time (s)   speed-up   efficiency\n";
        for (const FileRow& row : run)
            out << pad_left(std::to_string(row.row.threads), 9) << pad_left(figure("%.6f", row.row.time), 11)
                << pad_left(figure("%.3f", row.row.speed_up), 11) << pad_left(figure("%.3f", row.row.efficiency), 13)
                << "\n";
        if (r + 1 < runs.size())
            out << "\n";
    }
    return out.str();
}
