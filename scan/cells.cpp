#include "scan/cells.h"

std::vector<Configuration> plan_cells(int size, const std::vector<int>& blocks, const std::vector<int>& threads)
{
    std::vector<Configuration> plan;
    for (int block : blocks)
        for (Configuration configuration : plan_configurations(threads)) {
            configuration.size = size;
            configuration.block = block;
            plan.push_back(configuration);
        }
    return plan;
}

std::vector<CellSpan> cell_spans(const std::vector<Configuration>& plan)
{
    std::vector<CellSpan> cells;
    for (std::size_t c = 0; c < plan.size(); ++c) {
        if (!plan[c].parallel || cells.empty())
            cells.push_back({plan[c].size, plan[c].block, c, 0});
        ++cells.back().count;
    }
    return cells;
}

std::vector<std::size_t> cell_numbers(const std::vector<Configuration>& plan)
{
    std::vector<std::size_t> numbers;
    std::size_t cell = 0;
    for (const CellSpan& span : cell_spans(plan)) {
        numbers.insert(numbers.end(), span.count, cell);
        ++cell;
    }
    return numbers;
}

std::vector<Sample> cell_samples(const std::vector<Sample>& samples, const CellSpan& cell)
{
    std::vector<Sample> own;
    for (Sample sample : samples)
        if (sample.config >= cell.first && sample.config < cell.first + cell.count) {
            sample.config -= cell.first;
            own.push_back(sample);
        }
    return own;
}

ScanSummary summarise_cells(const std::vector<Configuration>& plan, const std::vector<Sample>& samples,
                            const SummaryInputs& inputs)
{
    // A stream per cell apart from the first, which keeps the seed a scan of one cell has
    // always used; the step is odd and large, so no two cells' thread counts share a stream.
    constexpr std::uint64_t cell_stream_step = 0x9E3779B97F4A7C15ULL;
    ScanSummary whole;
    std::uint64_t stream = 0;
    for (const CellSpan& cell : cell_spans(plan)) {
        SummaryInputs own = inputs;
        own.block = cell.block;
        own.seed = inputs.seed + stream;
        stream += cell_stream_step;
        const std::vector<Configuration> configurations(plan.begin() + static_cast<std::ptrdiff_t>(cell.first),
                                                        plan.begin() +
                                                            static_cast<std::ptrdiff_t>(cell.first + cell.count));
        ScanSummary part = summarise_scan(configurations, cell_samples(samples, cell), own);
        whole.configurations.insert(whole.configurations.end(), part.configurations.begin(), part.configurations.end());
        whole.speedups.insert(whole.speedups.end(), part.speedups.begin(), part.speedups.end());
    }
    return whole;
}
