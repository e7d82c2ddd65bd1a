// Turning out.csv back into runs, a table and a picture. The file is the benchmark's only
// record and users edit and concatenate it, so every line is checked and a bad one costs only
// itself.
#include "plot/plot.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <ostream>
#include <sstream>

namespace {

const char* const header_line = "nbThreads,size,executionTime,speedUp,efficacity,realEfficacity";

std::vector<std::string> split_fields(const std::string& text)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(text);
    while (std::getline(in, field, ','))
        fields.push_back(field);
    if (!text.empty() && text.back() == ',')
        fields.emplace_back();
    return fields;
}

bool parse_whole_int(const std::string& text, int& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < -2147483647L - 1 || parsed > 2147483647L)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// Accepts what "%lf" writes, "nan", "-nan" and "inf" included.
bool parse_whole_double(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0';
}

std::string figure(const char* format, double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

std::string pad_left(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

bool drawable(const ResultRow& row)
{
    return std::isfinite(row.speed_up) && std::isfinite(row.efficiency);
}

// gnuplot reads the file name inside double quotes; keep it literal.
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

bool ends_with(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

bool parse_result_line(const std::string& text, ResultRow& row, std::string& problem)
{
    const std::vector<std::string> fields = split_fields(text);
    if (fields.size() != 6) {
        problem = "expected 6 comma-separated fields, found " + std::to_string(fields.size());
        return false;
    }
    if (!parse_whole_int(fields[0], row.threads)) {
        problem = "nbThreads is not a whole number: '" + fields[0] + "'";
        return false;
    }
    if (!parse_whole_int(fields[1], row.size)) {
        problem = "size is not a whole number: '" + fields[1] + "'";
        return false;
    }
    double* const figures[] = {&row.time, &row.speed_up, &row.efficiency, &row.real_efficiency};
    const char* const names[] = {"executionTime", "speedUp", "efficacity", "realEfficacity"};
    for (int f = 0; f < 4; ++f)
        if (!parse_whole_double(fields[2 + f], *figures[f])) {
            problem = std::string(names[f]) + " is not a number: '" + fields[2 + f] + "'";
            return false;
        }
    return true;
}

std::vector<ResultRow> read_results(std::istream& input, const std::string& file_name, std::ostream& warnings)
{
    std::vector<ResultRow> rows;
    std::string text;
    for (int line = 1; std::getline(input, text); ++line) {
        if (!text.empty() && text.back() == '\r') // a file written on Windows
            text.pop_back();
        if (text == header_line || text.empty())
            continue;
        ResultRow row;
        std::string problem;
        if (!parse_result_line(text, row, problem)) {
            warnings << "tilebench-plot: " << file_name << ":" << line << ": skipped: " << problem << "\n";
            continue;
        }
        row.line = line;
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::vector<ResultRow>> split_runs(const std::vector<ResultRow>& rows)
{
    std::vector<std::vector<ResultRow>> runs;
    for (const ResultRow& row : rows) {
        const bool continues = !runs.empty() && row.threads != 2 && row.size == runs.back().back().size &&
                               row.threads == runs.back().back().threads + 1;
        if (!continues)
            runs.emplace_back();
        runs.back().push_back(row);
    }
    return runs;
}

std::string format_summary(const std::vector<std::vector<ResultRow>>& runs)
{
    std::ostringstream out;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const auto& run = runs[r];
        out << "run " << r + 1 << ": size " << run.front().size << ", lines " << run.front().line << "-"
            << run.back().line << "\n";
        out << "  threads   time (s)   speed-up   efficiency\n";
        for (const ResultRow& row : run)
            out << pad_left(std::to_string(row.threads), 9) << pad_left(figure("%.6f", row.time), 11)
                << pad_left(figure("%.3f", row.speed_up), 11) << pad_left(figure("%.3f", row.efficiency), 13) << "\n";
        if (r + 1 < runs.size())
            out << "\n";
    }
    return out.str();
}

bool has_drawable_points(const std::vector<ResultRow>& run)
{
    for (const ResultRow& row : run)
        if (drawable(row))
            return true;
    return false;
}

std::string gnuplot_script(const std::vector<std::vector<ResultRow>>& runs, const std::string& output_file)
{
    std::ostringstream s;
    const bool svg = ends_with(output_file, ".svg");
    s << (svg ? "set terminal svg size 900,800 dynamic enhanced font 'sans,12'\n"
              : "set terminal pngcairo size 900,800 enhanced font 'sans,11'\n");
    s << "set output " << quoted(output_file) << "\n";

    // Inline data blocks: one per drawable run, rows of "threads speed-up efficiency".
    int max_threads = 2;
    double max_efficiency = 1.0;
    std::vector<std::size_t> drawn;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (!has_drawable_points(runs[r]))
            continue;
        drawn.push_back(r);
        s << "$run" << r + 1 << " << EOD\n";
        for (const ResultRow& row : runs[r])
            if (drawable(row)) {
                s << row.threads << " " << figure("%.6f", row.speed_up) << " " << figure("%.6f", row.efficiency)
                  << "\n";
                if (row.threads > max_threads)
                    max_threads = row.threads;
                if (row.efficiency > max_efficiency)
                    max_efficiency = row.efficiency;
            }
        s << "EOD\n";
    }

    s << "set multiplot layout 2,1\n"
         "set grid\n"
         "set key outside right top\n"
         "set xlabel 'threads'\n"
      << "set xrange [1.5:" << max_threads + 0.5 << "]\n"
      << "set xtics 1\n"
         "set title 'Speed-up of the tiled product over the sequential baseline'\n"
         "set ylabel 'speed-up'\n"
         "set yrange [0:*]\n"
         "plot x with lines dashtype 2 lc rgb 'gray40' title 'ideal'";
    for (std::size_t r : drawn)
        s << ", $run" << r + 1 << " using 1:2 with linespoints lw 2 title 'run " << r + 1 << ": size "
          << runs[r].front().size << "'";
    s << "\n"
         "set title 'Efficiency (speed-up / threads)'\n"
         "set ylabel 'efficiency'\n"
      // Leave room above the ideal line, which would otherwise sit on the frame.
      << "set yrange [0:" << figure("%.2f", max_efficiency * 1.1)
      << "]\n"
         "plot 1 with lines dashtype 2 lc rgb 'gray40' title 'ideal'";
    for (std::size_t r : drawn)
        s << ", $run" << r + 1 << " using 1:3 with linespoints lw 2 title 'run " << r + 1 << ": size "
          << runs[r].front().size << "'";
    s << "\nunset multiplot\n";
    return s.str();
}
