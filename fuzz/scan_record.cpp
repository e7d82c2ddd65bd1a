// A scan record, as tilebench-plot reads it: hand-edited, cut short, of another version, or
// not a record at all. What reads must write back to a record that reads the same.
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
    const std::string written = scan_record_text(scan.record);
    ScanRecord again;
    require(parse_scan_record(written, again, problem), "a record read is written back readable", problem);
    require(scan_record_text(again) == written, "a record written back reads as it was", written);
    (void)format_scan_summary({scan});
    if (scan.record.study) {
        if (!has_drawable_study(scan))
            return 0; // refused before drawing
        const std::string script = drawing_into(study_gnuplot_script(scan, PictureFormat::svg), "study.svg");
        const std::string breach = script_breach(script);
        require(breach.empty(), "the study's script is the tool's own commands with quoted holes", breach);
        return 0;
    }
    if (!has_drawable_times({scan}))
        return 0; // refused before drawing
    const std::string script = drawing_into(scan_gnuplot_script({scan, scan}, PictureFormat::svg), "scan.svg");
    const std::string breach = script_breach(script);
    require(breach.empty(), "the script is the tool's own commands with quoted holes", breach + "\n" + script);
    return 0;
}
