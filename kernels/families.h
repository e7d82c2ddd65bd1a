// The kernels by family, for every tool that runs them all (the scan, the benchmark suite, the
// parity tool, the tests). A family is one algorithm: its sequential kernel, its parallel kernel
// and the best speed-up its division of work allows. A new family is its own source file, one
// row of this table, and its tests.
#pragma once

#include "common/matrix.h"
#include "kernels/team_observer.h"

#include <string>
#include <vector>

// One calling convention per kind: a family that has no tiles ignores block_size.
using SequentialKernel = void (*)(Matrix A, Matrix B, Matrix C, int size, int block_size);
using ParallelKernel = void (*)(Matrix A, Matrix B, Matrix C, int size, int block_size, int num_threads,
                                TeamObserver observer);
// The best speed-up the parallel kernel's schedule allows on `threads` threads, from how it
// deals out the work alone: n over the share of the busiest thread.
using ScheduleBound = double (*)(int n, int block_size, int threads);

struct KernelFamily {
    const char* name;        // e.g. "blocked": what --kernel takes and the reports say
    const char* also_called; // an older name --kernel still takes, or ""
    const char* description; // one line for --help
    bool uses_block_size;    // whether block_size shapes the work
    SequentialKernel sequential;
    ParallelKernel parallel;
    ScheduleBound schedule_bound;
};

// The first family is the one the benchmark times.
const std::vector<KernelFamily>& kernel_families();

// The family of that name (or older name); nullptr when the table has none.
const KernelFamily* find_kernel_family(const std::string& name);
