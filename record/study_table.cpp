#include "record/study_table.h"

#include "record/figures.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

std::string text_or_none(const std::string& text)
{
    return text.empty() ? no_figure : text;
}

std::string bytes_text(double bytes)
{
    if (bytes >= 1024.0 * 1024.0)
        return figure("%.1f MiB", bytes / (1024.0 * 1024.0));
    return figure("%.1f KiB", bytes / 1024.0);
}

// An edge with a time whose ratio to the fastest has no interval: too few rounds in common with
// the fastest to say whether it is an equal of it or surely slower.
bool not_compared(const RecordEdge& edge)
{
    return !edge.fastest && std::isfinite(edge.median_s) &&
           !(std::isfinite(edge.ratio_ci_low) && std::isfinite(edge.ratio_ci_high));
}

// "0.228459 *": the median, then * for the fastest, = for an equal of it, ? for an edge not
// compared with it.
std::string time_cell(const RecordEdge& edge)
{
    return figure("%.6f", edge.median_s) + (edge.fastest             ? " *"
                                            : edge.indistinguishable ? " ="
                                            : not_compared(edge)     ? " ?"
                                                                     : "  ");
}

bool any_not_compared(const RecordStudy& study)
{
    for (const RecordStudySize& size : study.per_size)
        for (const RecordEdgeRanking& ranking : size.rankings)
            if (std::any_of(ranking.edges.begin(), ranking.edges.end(), not_compared))
                return true;
    return false;
}

void edge_rows(std::ostringstream& out, const RecordStudySize& size)
{
    out << "  edge  working set  fits";
    for (const RecordEdgeRanking& ranking : size.rankings)
        out << column(threads_named(ranking.threads), 14);
    out << "\n";
    for (std::size_t e = 0; e < size.cells.size(); ++e) {
        const RecordCell& cell = size.cells[e];
        out << column(std::to_string(cell.block), 6) << column(bytes_text(cell.working_set_bytes), 13)
            << column(cell.cache_level > 0 ? "L" + std::to_string(cell.cache_level) : no_figure, 6);
        for (const RecordEdgeRanking& ranking : size.rankings)
            out << column(e < ranking.edges.size() ? time_cell(ranking.edges[e]) : no_figure, 14);
        out << "\n";
    }
}

void speedup_rows(std::ostringstream& out, const RecordStudySize& size)
{
    out << "speed-up of the fastest edge over the best sequential edge";
    if (!size.rankings.empty() && size.rankings.front().threads == 0 && size.rankings.front().fastest_block > 0)
        out << " (b " << size.rankings.front().fastest_block << ")";
    out << ", with 95 % intervals:\n";
    for (const RecordEdgeRanking& ranking : size.rankings) {
        if (ranking.threads == 0)
            continue;
        out << column(threads_named(ranking.threads), 12) << ": ";
        if (ranking.fastest_block == 0) {
            out << no_figure << "\n";
            continue;
        }
        out << "b " << ranking.fastest_block << ", " << figure("%.3f", ranking.speedup) << " ["
            << figure("%.3f", ranking.speedup_ci_low) << ", " << figure("%.3f", ranking.speedup_ci_high) << "]";
        if (std::isfinite(ranking.speedup) &&
            !(std::isfinite(ranking.speedup_ci_low) && std::isfinite(ranking.speedup_ci_high)))
            out << " from " << ranking.speedup_pairs << " clean round" << (ranking.speedup_pairs == 1 ? "" : "s")
                << ", too few for an interval";
        out << "\n";
    }
}

std::string caches_text(const std::vector<CacheInfo>& caches)
{
    std::string line;
    for (const CacheInfo& cache : caches)
        line += (line.empty() ? "" : ", ") + std::string("L") + std::to_string(cache.level) + " " +
                bytes_text(static_cast<double>(cache.size_bytes));
    return line.empty() ? "not known" : line;
}

} // namespace

std::string threads_named(int threads)
{
    return threads == 0 ? "sequential" : std::to_string(threads) + (threads == 1 ? " thread" : " threads");
}

std::string study_table_heading(const ScanRecord& record, const RecordStudySize& size)
{
    std::ostringstream out;
    out << "n " << size.size << ", " << text_or_none(record.parameters.kernel) << " kernel, bind "
        << text_or_none(record.parameters.bind) << ", " << size.rounds << " rounds in "
        << figure("%.1f", size.elapsed_s) << " s (stopped: " << text_or_none(size.stop_reason)
        << "), median seconds per call";
    return out.str();
}

std::string study_table(const ScanRecord& record, const std::string& prefix)
{
    if (!record.study)
        return "";
    std::ostringstream out;
    for (std::size_t k = 0; k < record.study->per_size.size(); ++k) {
        const RecordStudySize& size = record.study->per_size[k];
        out << (k > 0 ? "\n" : "") << prefix << study_table_heading(record, size) << "\n";
        edge_rows(out, size);
        speedup_rows(out, size);
    }
    out << "\n* the fastest edge by median time; = an edge a paired test on the rounds cannot tell from it (its "
           "ratio's 95 % interval holds 1 or lies within "
        << figure("%.0f", record.study->tolerance * 100) << " %)\n";
    if (any_not_compared(*record.study))
        out << "? an edge with too few clean rounds in common with the fastest for an interval: not compared\n";
    out << "working set: three b x b blocks and an n x b panel of 4-byte floats; caches: "
        << caches_text(record.machine.caches) << "\n";
    return out.str();
}
