// A whole results file, through reading, run splitting, the summary and the picture's script.
#include "fuzz_check.h"
#include "gnuplot_grammar.h"
#include "plot/plot.h"

#include <cstdint>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream warnings;
    const std::vector<FileRow> rows = read_results(input, "out.csv", warnings);
    std::istringstream warned(warnings.str());
    for (std::string line; std::getline(warned, line);)
        require(is_bounded_line(line, 260), "every warning is one bounded line", line);

    const std::vector<Run> runs = split_runs(rows);
    std::size_t count = 0;
    for (const Run& run : runs) {
        require(!run.empty(), "no run is empty");
        for (std::size_t r = 1; r < run.size(); ++r)
            require(run[r].row.size == run[0].row.size &&
                        static_cast<long long>(run[r].row.threads) == run[r - 1].row.threads + 1LL &&
                        run[r].line > run[r - 1].line,
                    "a run counts threads up by one, in one size, in file order");
        count += run.size();
    }
    require(count == rows.size(), "the runs hold every row once");
    const std::vector<NamedRun> named = name_runs(runs, "");
    (void)format_summary(named);
    bool drawn = false;
    for (const NamedRun& run : named)
        drawn = drawn || has_drawable_points(run.rows);
    if (drawn) {
        const std::string script = gnuplot_script(named, PictureFormat::png);
        const std::string breach = script_breach(script);
        require(breach.empty(), "the script is the tool's own commands with quoted holes", breach + "\n" + script);
    }
    return 0;
}
