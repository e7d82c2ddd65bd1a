// Turning out.csv back into runs. The file is the benchmark's only record and users edit and
// concatenate it, so every line is checked and a bad one costs only itself.
#include "plot/plot.h"

#include <istream>
#include <ostream>

std::vector<FileRow> read_results(std::istream& input, const std::string& file_name, std::ostream& warnings)
{
    std::vector<FileRow> rows;
    std::string text;
    for (int line = 1; std::getline(input, text); ++line) {
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
        const bool continues = !runs.empty() && row.row.threads != 2 && row.row.size == runs.back().back().row.size &&
                               row.row.threads == runs.back().back().row.threads + 1;
        if (!continues)
            runs.emplace_back();
        runs.back().push_back(row);
    }
    return runs;
}
