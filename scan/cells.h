// A scan as cells: one cell per (size, block) pair, each with its own sequential baseline and
// its parallel kernel on every thread count. The cells of one size are measured together, in
// the same rounds; their configurations sit side by side in one plan, cell after cell, and a
// summary of the plan is the summaries of its cells one after another.
#pragma once

#include "scan/summary.h"

#include <vector>

// The configurations of every cell of one size: per edge, in the order given, its sequential
// baseline and then its parallel kernel on each thread count.
std::vector<Configuration> plan_cells(int size, const std::vector<int>& blocks, const std::vector<int>& threads);

// Where a cell's configurations sit in a plan: [first, first + count), the baseline first.
struct CellSpan {
    int size = 0;
    int block = 0;
    std::size_t first = 0;
    std::size_t count = 0;
};

// The cells of a plan: each starts at a sequential configuration.
std::vector<CellSpan> cell_spans(const std::vector<Configuration>& plan);

// Per configuration of the plan, the number of its cell, counted from 0 in plan order.
std::vector<std::size_t> cell_numbers(const std::vector<Configuration>& plan);

// The samples of one cell, their configuration numbers counted from the cell's first.
std::vector<Sample> cell_samples(const std::vector<Sample>& samples, const CellSpan& cell);

// Every cell summarised on its own (its edge gives its bound; its place in the plan gives its
// bootstrap streams) and the summaries concatenated in plan order. A plan of one cell gets
// exactly what summarise_scan gives it.
ScanSummary summarise_cells(const std::vector<Configuration>& plan, const std::vector<Sample>& samples,
                            const SummaryInputs& inputs);
