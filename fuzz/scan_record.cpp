// A scan record, as tilebench-plot reads it: hand-edited, cut short, or not a record at all.
#include "fuzz_check.h"
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
    const std::string script = scan_gnuplot_script({scan, scan}, "scan.svg", PictureFormat::svg);
    require(script.find("set output \"scan.svg\"") != std::string::npos, "the script draws into the output");
    return 0;
}
