// A comparison record, as tilebench-plot reads it: hand-edited, cut short, or not one at all,
// through the summary and the script, which must stay the tool's own commands. What reads must
// write back to a record that reads the same.
#include "fuzz_check.h"
#include "gnuplot_grammar.h"
#include "plot/plot.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ComparisonRecord record;
    std::string problem;
    if (!parse_comparison_record(text, record, problem)) {
        require(is_bounded_line(problem, 400), "a damaged record gets one bounded line", problem);
        return 0;
    }
    const std::string written = comparison_record_text(record);
    ComparisonRecord again;
    require(parse_comparison_record(written, again, problem), "a record read is written back readable", problem);
    require(comparison_record_text(again) == written, "a record written back reads as it was", written);
    (void)format_comparison_summary(record, "c.json");
    const std::string script = comparison_gnuplot_script(record, "c.json", PictureFormat::svg);
    const std::string breach = script_breach(script);
    require(breach.empty(), "the script is the tool's own commands", breach);
    return 0;
}
