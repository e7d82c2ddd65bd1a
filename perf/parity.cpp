// Parity and scaling of the kernel pairs, measured in one process with the variants
// alternated run by run, so that a slow spell of a shared machine hits all of them alike.
//   tilebench_parity [n] [b] [rounds]      (defaults: 1024 64 7)
// Prints the median seconds of each kernel (parallel ones on teams of 1 and 2) and, per
// algorithm, the ratios that matter: sequential against a team of 1 (parity) and of 2
// (speed-up).
#include "common/owned_matrix.h"
#include "common/timing.h"
#include "kernels/kernels.h"
#include "perf/arguments.h"
#include "stats/stats.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

struct Timed {
    const KernelVariant* variant;
    int team; // 1 for sequential kernels
    std::vector<double> seconds;
};

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> shape = {1024, 64, 7};
    if (!read_positive_arguments(argc, argv, shape, "tilebench_parity [n] [b] [rounds]"))
        return 2;
    const int n = shape[0], b = shape[1], rounds = shape[2];
    Operands m = program_operands(n);
    const Matrix A = view(m.A), B = view(m.B), C = view(m.C);
    std::vector<Timed> timed;
    for (const KernelVariant& variant : kernel_variants())
        for (int team : variant.parallel ? std::vector<int>{1, 2} : std::vector<int>{1})
            timed.push_back({&variant, team, {}});

    std::ostringstream team_lines;
    std::streambuf* console = std::cout.rdbuf(team_lines.rdbuf());
    for (int r = 0; r < rounds; ++r)
        for (Timed& t : timed) {
            t.seconds.push_back(measure_seconds([&] { t.variant->run(A, B, C, n, b, t.team); }));
            team_lines.str(std::string());
        }
    std::cout.rdbuf(console);

    const double flops = 2.0 * n * n * static_cast<double>(n);
    std::printf("n %d, b %d, median of %d alternated rounds\n", n, b, rounds);
    for (const Timed& t : timed)
        std::printf("%-20s team %d  %.4f s  %.2f GFLOP/s\n", t.variant->name, t.team, median(t.seconds),
                    flops / median(t.seconds) / 1e9);
    for (const Timed& s : timed) {
        if (s.variant->parallel)
            continue;
        for (const Timed& p : timed)
            if (p.variant->parallel && p.variant->tiled == s.variant->tiled)
                std::printf("%s / %s on %d: %.3f\n", s.variant->name, p.variant->name, p.team,
                            median(s.seconds) / median(p.seconds));
    }
    return 0;
}
