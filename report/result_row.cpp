#include "report/result_row.h"

#include "common/parse.h"

#include <cstdio>
#include <vector>

const char* const results_header = "nbThreads,size,executionTime,speedUp,efficacity,realEfficacity";

namespace {

std::vector<std::string> split_fields(const std::string& text)
{
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

} // namespace

ThreadCountFigures thread_count_figures(float baseline_seconds, float mean_seconds, int threads)
{
    ThreadCountFigures figures{};
    figures.mean_seconds = mean_seconds;
    figures.speed_up = baseline_seconds / mean_seconds;
    figures.efficacity = figures.speed_up / static_cast<float>(threads);
    figures.real_efficacity = figures.speed_up / real_efficacity_divisor;
    return figures;
}

std::string format_result_row(const ResultRow& row)
{
    // Six figures of at most a few hundred characters each (a double near its largest value
    // has 309 integer digits).
    char line[1600];
    std::snprintf(line, sizeof(line), "%d,%d,%lf,%lf,%lf,%lf", row.threads, row.size, row.time, row.speed_up,
                  row.efficiency, row.real_efficiency);
    return line;
}

bool parse_result_row(const std::string& text, ResultRow& row, std::string& problem)
{
    const std::vector<std::string> fields = split_fields(text);
    if (fields.size() != 6) {
        problem = "expected 6 comma-separated fields, found " + std::to_string(fields.size());
        return false;
    }
    const char* const names[] = {"nbThreads", "size", "executionTime", "speedUp", "efficacity", "realEfficacity"};
    int* const counts[] = {&row.threads, &row.size};
    for (int f = 0; f < 2; ++f)
        if (parse_int32(fields[f], *counts[f]) != ParseStatus::ok) {
            problem = std::string(names[f]) + " is not a whole number: '" + quoted_token(fields[f]) + "'";
            return false;
        }
    double* const figures[] = {&row.time, &row.speed_up, &row.efficiency, &row.real_efficiency};
    for (int f = 0; f < 4; ++f)
        if (!parse_figure(fields[2 + f], *figures[f])) {
            problem = std::string(names[2 + f]) + " is not a number: '" + quoted_token(fields[2 + f]) + "'";
            return false;
        }
    return true;
}
