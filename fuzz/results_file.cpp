// A whole results file, through reading, run splitting, the summary and the picture's script.
#include "fuzz_check.h"
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
    (void)gnuplot_script(named, "speedup.png", PictureFormat::png);
    return 0;
}
