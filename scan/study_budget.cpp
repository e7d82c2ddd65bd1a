// What a study's tiles hold and what the study will cost, all decided before a call is timed.
#include "common/memory.h"
#include "scan/study.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

double tile_working_set_bytes(int size, int block)
{
    const double n = size, b = std::min(block, size);
    return 4.0 * (3.0 * b * b + n * b);
}

double edge_filling(int size, double bytes)
{
    // 4 (3 b^2 + n b) = bytes, solved for b > 0.
    const double n = size;
    const double edge = (-n + std::sqrt(n * n + 3.0 * bytes)) / 6.0;
    if (edge < 1.0)
        return 0.0;
    return edge < n ? edge : std::numeric_limits<double>::infinity();
}

int smallest_cache_holding(double bytes, const std::vector<CacheInfo>& caches)
{
    const CacheInfo* smallest = nullptr;
    for (const CacheInfo& cache : caches)
        if (static_cast<double>(cache.size_bytes) >= bytes && (!smallest || cache.size_bytes < smallest->size_bytes))
            smallest = &cache;
    return smallest ? smallest->level : 0;
}

StudyEstimate estimate_study(const ScanOptions& options, double flops_per_second, int physical_cores)
{
    StudyEstimate estimate;
    estimate.flops_per_second = flops_per_second;
    const int cores = std::max(physical_cores, 1);
    for (int n : options.sizes) {
        const double sequential_s = 2.0 * n * n * static_cast<double>(n) / flops_per_second;
        double cell_s = sequential_s;
        for (int t : options.threads)
            cell_s += sequential_s / std::min(t, cores);
        const double round_s = cell_s * static_cast<double>(options.blocks.size());
        estimate.round_s.push_back(round_s);
        estimate.minimum_s += round_s * (options.min_runs + options.warmup);
    }
    return estimate;
}

std::string study_time_problem(const ScanOptions& options, const StudyEstimate& estimate)
{
    if (!(estimate.minimum_s > options.time_limit_s))
        return "";
    const std::size_t cells = options.sizes.size() * options.blocks.size();
    char text[400];
    std::snprintf(text, sizeof(text),
                  "the study's %zu cells need at least %.0f s for their warm-up and --min-runs %d rounds (at "
                  "%.2f GFLOP/s, the sequential kernel's rate measured here), more than --time-limit %g; give "
                  "fewer sizes, edges or thread counts, or more time",
                  cells, estimate.minimum_s, options.min_runs, estimate.flops_per_second / 1e9, options.time_limit_s);
    return text;
}

int study_matrix_count(const ScanOptions& options)
{
    return 3 + static_cast<int>(options.blocks.size());
}

std::string study_memory_problem(const ScanOptions& options, long long available_bytes)
{
    const int largest = *std::max_element(options.sizes.begin(), options.sizes.end());
    return memory_shortfall(largest, available_bytes, study_matrix_count(options));
}

std::vector<Warning> edge_notes(const ScanOptions& options)
{
    std::string cells;
    for (int n : options.sizes)
        for (int b : options.blocks)
            if (b >= n)
                cells +=
                    (cells.empty() ? "" : ", ") + std::string("n ") + std::to_string(n) + " b " + std::to_string(b);
    if (cells.empty())
        return {};
    return {{"one_tile", "the edge is not below the size in " + cells +
                             ": each such cell is one tile, which no second thread can share"}};
}
