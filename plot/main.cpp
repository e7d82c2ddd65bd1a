// tilebench-plot: summary table and speed-up picture from a tilebench results file.
//   tilebench-plot [--output FILE] [--last] [CSV]
#include "common/platform.h"
#include "plot/plot.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

namespace {

const char* const usage = "usage: tilebench-plot [--output FILE] [--last] [CSV]\n"
                          "  CSV            results file (default: out.csv)\n"
                          "  --output FILE  picture to write (default: speedup.png; SVG when FILE ends in .svg)\n"
                          "  --last         summarise and draw only the last run in the file\n";

int fail(const std::string& message)
{
    std::cerr << "tilebench-plot: " << message << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::string csv = "out.csv", output = "speedup.png";
    bool last_only = false;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return 0;
        }
        if (arg == "--output" && a + 1 < argc) {
            output = argv[++a];
        } else if (arg == "--last") {
            last_only = true;
        } else if (!arg.empty() && arg[0] != '-') {
            csv = arg;
        } else {
            std::cerr << usage;
            return 2;
        }
    }

    std::ifstream input(csv, std::ios::binary);
    if (!input)
        return fail("cannot read " + csv + ": " + std::strerror(errno));
    const std::vector<FileRow> rows = read_results(input, csv, std::cerr);
    if (rows.empty())
        return fail(csv + " holds no result rows");
    std::vector<Run> runs = split_runs(rows);
    if (last_only)
        runs.erase(runs.begin(), runs.end() - 1);

    std::cout << format_summary(runs);

    bool drawable = false;
    for (const auto& run : runs)
        drawable = drawable || has_drawable_points(run);
    if (!drawable)
        return fail("nothing to draw: no row has a finite speed-up");

    std::FILE* gnuplot = open_command_pipe("gnuplot");
    if (!gnuplot)
        return fail("cannot start gnuplot: " + std::string(std::strerror(errno)));
    const std::string script = gnuplot_script(runs, output);
    std::fwrite(script.data(), 1, script.size(), gnuplot);
    const int status = close_command_pipe(gnuplot);
    if (status != 0)
        return fail("gnuplot failed (status " + std::to_string(status) + "); is it installed?");
    std::cout << "\npicture: " << output << "\n";
    return 0;
}
