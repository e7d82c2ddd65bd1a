// A study's PREFIX.json: the scan record's type with its study section filled, every cell's
// figures as a scan of that cell alone would record them, and per size and thread count the
// edges side by side.
#include "scan/cells.h"
#include "scan/study.h"

namespace {

// A cell's share of its size's run: its configurations, placement, summaries and host figures
// alone.
ScanRun cell_run(const ScanRun& run, const CellSpan& cell, std::size_t speedups_before)
{
    const auto from = static_cast<std::ptrdiff_t>(cell.first),
               to = static_cast<std::ptrdiff_t>(cell.first + cell.count);
    ScanRun own;
    own.configurations.assign(run.configurations.begin() + from, run.configurations.begin() + to);
    if (run.placement.size() >= cell.first + cell.count)
        own.placement.assign(run.placement.begin() + from, run.placement.begin() + to);
    if (run.summary.configurations.size() >= cell.first + cell.count)
        own.summary.configurations.assign(run.summary.configurations.begin() + from,
                                          run.summary.configurations.begin() + to);
    const std::size_t speedups = cell.count - 1;
    const auto own_speedups = [&](const std::vector<SpeedupSummary>& all, std::vector<SpeedupSummary>& mine) {
        if (all.size() >= speedups_before + speedups)
            mine.assign(all.begin() + static_cast<std::ptrdiff_t>(speedups_before),
                        all.begin() + static_cast<std::ptrdiff_t>(speedups_before + speedups));
    };
    own_speedups(run.summary.speedups, own.summary.speedups);
    // The starved rounds' figures and where the clean rounds' level moved, so that the cell's
    // record says them as a scan's does; without them every cell read as never starved, even
    // where the study's warning said its figures measure the host.
    own_speedups(run.host.clean.speedups, own.host.clean.speedups);
    own_speedups(run.host.starved.speedups, own.host.starved.speedups);
    for (RegimeChange change : run.host.regime_changes)
        if (change.speedup >= speedups_before && change.speedup < speedups_before + speedups) {
            change.speedup -= speedups_before;
            own.host.regime_changes.push_back(change);
        }
    return own;
}

RecordCell cell_record(const ScanOptions& options, const ScanRun& run, const CellSpan& cell,
                       std::size_t speedups_before, const ScanContext& context)
{
    const ScanRecord figures = scan_record(options, cell_run(run, cell, speedups_before), context);
    RecordCell record;
    record.block = cell.block;
    record.working_set_bytes = tile_working_set_bytes(cell.size, cell.block);
    record.cache_level = smallest_cache_holding(record.working_set_bytes, context.machine.caches);
    record.configurations = figures.configurations;
    record.speedups = figures.speedups;
    return record;
}

RecordEdgeRanking ranking_record(const EdgeRanking& ranking)
{
    RecordEdgeRanking record;
    record.threads = ranking.threads;
    record.fastest_block = ranking.fastest_block;
    record.best_sequential_block = ranking.best_sequential_block;
    record.speedup = ranking.speedup.ratio;
    record.speedup_ci_low = ranking.speedup.low;
    record.speedup_ci_high = ranking.speedup.high;
    record.speedup_pairs = ranking.speedup.pairs;
    for (const EdgeFigures& edge : ranking.edges)
        record.edges.push_back({edge.block, edge.median_s, edge.ci_low_s, edge.ci_high_s, edge.versus_fastest.ratio,
                                edge.versus_fastest.low, edge.versus_fastest.high, edge.versus_fastest.pairs,
                                edge.fastest, edge.indistinguishable});
    return record;
}

RecordStudySize size_record(const ScanOptions& options, const SizeStudy& size, std::size_t k,
                            const ScanContext& context)
{
    RecordStudySize record;
    record.size = size.size;
    record.seed = options.seed + k;
    record.rounds = size.run.rounds;
    record.samples = static_cast<long long>(size.run.samples.size());
    record.elapsed_s = size.run.elapsed_s;
    record.stop_reason = stop_reason_name(size.run.stop);
    for (const CacheInfo& cache : context.machine.caches) {
        const double edge = edge_filling(size.size, static_cast<double>(cache.size_bytes));
        record.cache_edges.push_back({cache.level, cache.size_bytes, edge >= 1.0 ? edge : no_value});
    }
    std::size_t speedups_before = 0;
    for (const CellSpan& cell : cell_spans(size.run.configurations)) {
        record.cells.push_back(cell_record(options, size.run, cell, speedups_before, context));
        speedups_before += cell.count - 1;
    }
    if (options.probe != ProbeMode::none)
        record.probe = probe_record(size.run);
    record.rankings.push_back(ranking_record(size.sequential));
    for (const EdgeRanking& ranking : size.parallel)
        record.rankings.push_back(ranking_record(ranking));
    return record;
}

} // namespace

ScanRecord study_record(const ScanOptions& options, const StudyRun& study, const StudyEstimate& estimate,
                        const ScanContext& context)
{
    ScanRecord record = scan_record(options, ScanRun(), context);
    RecordStudy& section = record.study.emplace();
    section.sizes = options.sizes;
    section.blocks = options.blocks;
    section.sizes_text = options.sizes_text;
    section.blocks_text = options.blocks_text;
    section.tolerance = edge_tolerance;
    section.sequential_rate_flops = estimate.flops_per_second;
    section.estimated_minimum_s = estimate.minimum_s;
    record.rounds = 0;
    record.samples = 0;
    record.invalid_samples = 0;
    for (std::size_t k = 0; k < study.sizes.size(); ++k) {
        const SizeStudy& size = study.sizes[k];
        section.per_size.push_back(size_record(options, size, k, context));
        record.rounds += size.run.rounds;
        record.samples += static_cast<long long>(size.run.samples.size());
        record.invalid_samples += invalid_samples(size.run.samples);
    }
    record.elapsed_s = study.elapsed_s;
    record.stop_reason = stop_reason_name(study.stop);
    record.interrupted = study.stop == StopReason::interrupted;
    return record;
}
