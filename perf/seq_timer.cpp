// Times the tiled sequential kernel alone: median seconds of a few calls on the program's
// matrices. Built once by the project and again by compare_builds.sh with plain compiler
// settings, so that the same source can be timed under each.
//   tilebench_seq_timer [n] [b] [calls]     (defaults: 1024 64 3)
#include "common/exit_status.h"
#include "common/timing.h"
#include "kernels/kernels.h"
#include "perf/arguments.h"
#include "stats/stats.h"

#include <cstdio>
#include <vector>

static int run(int argc, char** argv)
{
    KernelWorkload w;
    if (!read_kernel_workload(argc, argv, {1024, 64, 3}, "tilebench_seq_timer [n] [b] [calls]", w))
        return 2;
    std::vector<double> seconds;
    seconds.reserve(static_cast<std::size_t>(w.count));
    for (int c = 0; c < w.count; ++c)
        seconds.push_back(measure_seconds([&] { multiply_blocked_sequential(w.A, w.B, w.C, w.n, w.b); }));
    std::printf("%.5f\n", median(seconds));
    return 0;
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench_seq_timer", run, argc, argv);
}
