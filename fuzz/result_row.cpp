// One line of out.csv, as users edit it by hand.
#include "report/result_row.h"
#include "fuzz_check.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    ResultRow row;
    std::string problem;
    if (!parse_result_row(line, row, problem)) {
        require(is_bounded_line(problem, 200), "a refused line gets one bounded warning", problem);
        return 0;
    }
    // A parsed row formats to a line that the parser accepts with the same values.
    const std::string text = format_result_row(row);
    ResultRow again;
    require(parse_result_row(text, again, problem), "a formatted row parses", text);
    require(again.threads == row.threads && again.size == row.size, "whole fields survive the round trip", text);
    require(format_result_row(again) == text, "figures survive the round trip", text);
    return 0;
}
