// The kernels as a table, for every tool that runs all of them (the benchmark suite, the parity
// tool, the scan, the tests): a new variant is one row here and its own source file.
#pragma once

#include "common/matrix.h"

#include <vector>

// One calling convention for all: untiled kernels ignore block_size, sequential ones
// num_threads.
using KernelCall = void (*)(Matrix A, Matrix B, Matrix C, int size, int block_size, int num_threads);

struct KernelVariant {
    const char* name; // e.g. "blocked_parallel"
    bool tiled;
    bool parallel;
    KernelCall run;
};

const std::vector<KernelVariant>& kernel_variants();

// The variant with these properties; nullptr when the table has none.
const KernelVariant* find_kernel_variant(bool tiled, bool parallel);
