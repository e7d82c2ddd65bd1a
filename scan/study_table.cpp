// The study's table: per size, one line per edge and one column per thread count, each cell the
// median time, the fastest marked and its equals flagged, then the fastest edges' speed-ups.
#include "scan/study.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

std::string number(const char* format, double value)
{
    if (!std::isfinite(value))
        return "-";
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

std::string column(const std::string& text, int width)
{
    char cell[128];
    std::snprintf(cell, sizeof(cell), "%*s", width, text.c_str());
    return cell;
}

std::string bytes_text(double bytes)
{
    if (bytes >= 1024.0 * 1024.0)
        return number("%.1f MiB", bytes / (1024.0 * 1024.0));
    return number("%.1f KiB", bytes / 1024.0);
}

std::string threads_heading(int threads)
{
    return threads == 0 ? "sequential" : std::to_string(threads) + (threads == 1 ? " thread" : " threads");
}

// "0.228459 *": the median, then * for the fastest or = for an equal of it.
std::string time_cell(const EdgeFigures& edge)
{
    return number("%.6f", edge.median_s) + (edge.fastest ? " *" : edge.indistinguishable ? " =" : "  ");
}

void size_heading(std::ostringstream& out, const ScanOptions& options, const SizeStudy& size)
{
    out << "tilebench-scan study: n " << size.size << ", " << options.kernel << " kernel, bind "
        << bind_mode_name(options.bind) << ", " << size.run.rounds << " rounds in "
        << number("%.1f", size.run.elapsed_s) << " s (stopped: " << stop_reason_name(size.run.stop)
        << "), median seconds per call\n";
}

void edge_rows(std::ostringstream& out, const SizeStudy& size, const std::vector<CacheInfo>& caches)
{
    std::vector<const EdgeRanking*> columns = {&size.sequential};
    for (const EdgeRanking& ranking : size.parallel)
        columns.push_back(&ranking);
    out << "  edge  working set  fits";
    for (const EdgeRanking* ranking : columns)
        out << column(threads_heading(ranking->threads), 14);
    out << "\n";
    for (std::size_t e = 0; e < size.sequential.edges.size(); ++e) {
        const int block = size.sequential.edges[e].block;
        const double bytes = tile_working_set_bytes(size.size, block);
        const int level = smallest_cache_holding(bytes, caches);
        out << column(std::to_string(block), 6) << column(bytes_text(bytes), 13)
            << column(level > 0 ? "L" + std::to_string(level) : "-", 6);
        for (const EdgeRanking* ranking : columns)
            out << column(time_cell(ranking->edges[e]), 14);
        out << "\n";
    }
}

void speedup_rows(std::ostringstream& out, const SizeStudy& size)
{
    out << "speed-up of the fastest edge over the best sequential edge";
    if (size.sequential.fastest_block > 0)
        out << " (b " << size.sequential.fastest_block << ")";
    out << ", with 95 % intervals:\n";
    for (const EdgeRanking& ranking : size.parallel) {
        out << column(threads_heading(ranking.threads), 12) << ": ";
        if (ranking.fastest_block == 0) {
            out << "-\n";
            continue;
        }
        out << "b " << ranking.fastest_block << ", " << number("%.3f", ranking.speedup.ratio) << " ["
            << number("%.3f", ranking.speedup.low) << ", " << number("%.3f", ranking.speedup.high) << "]\n";
    }
}

std::string caches_line(const std::vector<CacheInfo>& caches)
{
    std::string line;
    for (const CacheInfo& cache : caches)
        line += (line.empty() ? "" : ", ") + std::string("L") + std::to_string(cache.level) + " " +
                bytes_text(static_cast<double>(cache.size_bytes));
    return line.empty() ? "not known" : line;
}

} // namespace

std::string format_study_table(const ScanOptions& options, const StudyRun& study, const std::vector<CacheInfo>& caches)
{
    std::ostringstream out;
    for (std::size_t k = 0; k < study.sizes.size(); ++k) {
        out << (k > 0 ? "\n" : "");
        size_heading(out, options, study.sizes[k]);
        edge_rows(out, study.sizes[k], caches);
        speedup_rows(out, study.sizes[k]);
    }
    out << "\n* the fastest edge by median time; = an edge a paired test on the rounds cannot tell from it (its "
           "ratio's 95 % interval holds 1 or lies within "
        << number("%.0f", edge_tolerance * 100)
        << " %)\nworking set: three b x b blocks and an n x b panel of "
           "4-byte floats; caches: "
        << caches_line(caches) << "\n";
    return out.str();
}
