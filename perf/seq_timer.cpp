// Times the tiled sequential kernel alone: median seconds of a few calls on the program's
// matrices. Built once by the project and again by compare_builds.sh with plain compiler
// settings, so that the same source can be timed under each.
//   tilebench_seq_timer [n] [b] [calls]     (defaults: 1024 64 3)
#include "common/owned_matrix.h"
#include "common/timing.h"
#include "kernels/kernels.h"
#include "perf/arguments.h"
#include "stats/stats.h"

#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<int> shape = {1024, 64, 3};
    if (!read_positive_arguments(argc, argv, shape, "tilebench_seq_timer [n] [b] [calls]"))
        return 2;
    const int n = shape[0], b = shape[1], calls = shape[2];
    Operands m = program_operands(n);
    const Matrix A = view(m.A), B = view(m.B), C = view(m.C);
    std::vector<double> seconds;
    seconds.reserve(static_cast<std::size_t>(calls));
    for (int c = 0; c < calls; ++c)
        seconds.push_back(measure_seconds([&] { multiply_blocked_sequential(A, B, C, n, b); }));
    std::printf("%.5f\n", median(seconds));
    return 0;
}
