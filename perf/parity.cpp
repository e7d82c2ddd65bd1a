// Parity and scaling of the kernel pairs, measured in one process with the variants
// alternated run by run, so that a slow spell of a shared machine hits all of them alike.
//   tilebench_parity [n] [b] [rounds]      (defaults: 1024 64 7)
// Prints the median seconds of each variant and the ratios that matter: the tiled sequential
// kernel against the tiled parallel kernel on a team of 1 (parity) and of 2 (speed-up), and
// the same for the untiled pair.
#include "bench/bench.h"
#include "kernels/kernels.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

float median(std::vector<float> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 1024;
    const int b = argc > 2 ? std::atoi(argv[2]) : 64;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 7;
    if (n < 1 || b < 1 || rounds < 1) {
        std::fprintf(stderr, "usage: tilebench_parity [n >= 1] [b >= 1] [rounds >= 1]\n");
        return 2;
    }
    Matrix A, B, C;
    create_matrices(n, A, B, C);

    std::vector<float> tiled_seq, tiled_par1, tiled_par2, naive_seq, naive_par1, naive_par2;
    std::ostringstream team_lines;
    std::streambuf* console = std::cout.rdbuf(team_lines.rdbuf());
    for (int r = 0; r < rounds; ++r) {
        tiled_seq.push_back(measure_seconds([&] { multiply_blocked_sequential(A, B, C, n, b); }));
        tiled_par1.push_back(measure_seconds([&] { multiply_blocked_parallel(A, B, C, n, b, 1); }));
        tiled_par2.push_back(measure_seconds([&] { multiply_blocked_parallel(A, B, C, n, b, 2); }));
        naive_seq.push_back(measure_seconds([&] { multiply_naive_sequential(A, B, C, n); }));
        naive_par1.push_back(measure_seconds([&] { multiply_naive_parallel(A, B, C, n, 1); }));
        naive_par2.push_back(measure_seconds([&] { multiply_naive_parallel(A, B, C, n, 2); }));
    }
    std::cout.rdbuf(console);

    const double flops = 2.0 * n * n * static_cast<double>(n);
    const auto report = [&](const char* name, const std::vector<float>& seq, const std::vector<float>& par1,
                            const std::vector<float>& par2) {
        const float s = median(seq), p1 = median(par1), p2 = median(par2);
        std::printf("%-6s sequential %.4f s (%.2f GFLOP/s)  team of 1 %.4f s  team of 2 %.4f s  "
                    "parity %.3f  speed-up %.3f\n",
                    name, s, flops / s / 1e9, p1, p2, s / p1, s / p2);
    };
    std::printf("n %d, b %d, median of %d alternated rounds\n", n, b, rounds);
    report("tiled", tiled_seq, tiled_par1, tiled_par2);
    report("naive", naive_seq, naive_par1, naive_par2);
    return 0;
}
