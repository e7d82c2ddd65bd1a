#include "plot/csv_runs.h"

#include "common/text.h"

#include <cmath>
#include <istream>
#include <ostream>

std::vector<FileRow> read_results(std::istream& input, const std::string& file_name, std::ostream& warnings)
{
    std::vector<FileRow> rows;
    std::string text;
    for (int line = 1; std::getline(input, text); ++line) {
        if (line == 1) // saved by an editor that marks UTF-8
            text.erase(0, byte_order_mark_size(text));
        if (!text.empty() && text.back() == '\r') // a file written on Windows
            text.pop_back();
        if (text == results_header || text.empty())
            continue;
        FileRow row;
        std::string problem;
        if (!parse_result_row(text, row.row, problem)) {
            warnings << "tilebench-plot: " << file_name << ":" << line << ": skipped: " << problem << "\n";
            continue;
        }
        row.line = line;
        rows.push_back(row);
    }
    return rows;
}

std::vector<Run> split_runs(const std::vector<FileRow>& rows)
{
    std::vector<Run> runs;
    for (const FileRow& row : rows) {
        // In 64 bits: a hand-edited count of INT_MAX has no successor in int.
        const bool continues = !runs.empty() && row.row.threads != 2 && row.row.size == runs.back().back().row.size &&
                               row.row.threads == static_cast<long long>(runs.back().back().row.threads) + 1;
        if (!continues)
            runs.emplace_back();
        runs.back().push_back(row);
    }
    return runs;
}

bool drawable(const ResultRow& row)
{
    return std::isfinite(row.speed_up) && std::isfinite(row.efficiency);
}

bool has_drawable_points(const Run& run)
{
    for (const FileRow& row : run)
        if (drawable(row.row))
            return true;
    return false;
}
