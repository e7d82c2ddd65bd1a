// A scan record, as tilebench-plot reads it: hand-edited, cut short, or not a record at all.
#include "fuzz_check.h"
#include "gnuplot_grammar.h"
#include "plot/plot.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ScanPlot scan;
    std::string problem;
    if (!read_scan_record(text, "scan.json", scan, problem)) {
        require(is_bounded_line(problem, 300), "a damaged record gets one bounded line", problem);
        return 0;
    }
    (void)format_scan_summary({scan});
    if (!has_drawable_times({scan}))
        return 0; // refused before drawing
    const std::string script = drawing_into(scan_gnuplot_script({scan, scan}, PictureFormat::svg), "scan.svg");
    const std::string breach = script_breach(script);
    require(breach.empty(), "the script is the tool's own commands with quoted holes", breach + "\n" + script);
    return 0;
}
