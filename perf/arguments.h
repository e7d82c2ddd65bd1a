// The perf tools' command line, a few optional whole numbers each 1 or more, and the program's
// matrices of the order it names.
#pragma once

#include "common/owned_matrix.h"

#include <vector>

// Reads argv[1..] into values, keeping the given defaults for arguments not passed. Prints
// usage on standard error and returns false when there are too many or one is not a whole
// number of at least 1.
bool read_positive_arguments(int argc, char** argv, std::vector<int>& values, const char* usage);

// "[n] [b] [count]": the order, the tile edge, how many calls or rounds, and the benchmark's own
// operands of order n in the row-pointer form the kernels take.
struct KernelWorkload {
    int n = 0, b = 0, count = 0;
    Operands operands;
    Matrix A = nullptr, B = nullptr, C = nullptr;
};

// Reads the three numbers over the defaults and builds the operands; false after the usage.
bool read_kernel_workload(int argc, char** argv, std::vector<int> defaults, const char* usage,
                          KernelWorkload& workload);
