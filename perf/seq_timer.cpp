// Times the tiled sequential kernel alone: median seconds of a few calls on the program's
// matrices. Built once by the project and again by compare_builds.sh with plain compiler
// settings, so that the same source can be timed under each.
//   tilebench_seq_timer n b calls
#include "kernels/kernels.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: tilebench_seq_timer n b calls\n");
        return 2;
    }
    const int n = std::atoi(argv[1]), b = std::atoi(argv[2]), calls = std::atoi(argv[3]);
    if (n < 1 || b < 1 || calls < 1) {
        std::fprintf(stderr, "tilebench_seq_timer: n, b and calls must be 1 or more\n");
        return 2;
    }
    std::vector<std::vector<float>> rows(3 * static_cast<std::size_t>(n), std::vector<float>(n, 0.0f));
    for (std::size_t r = 0; r < 2 * static_cast<std::size_t>(n); ++r)
        for (float& x : rows[r])
            x = static_cast<float>(std::rand() % 32768) / 32767.0f;
    std::vector<float*> pointers;
    for (auto& row : rows)
        pointers.push_back(row.data());
    Matrix A = pointers.data(), B = A + n, C = B + n;

    std::vector<double> seconds;
    for (int c = 0; c < calls; ++c) {
        const auto t1 = std::chrono::steady_clock::now();
        multiply_blocked_sequential(A, B, C, n, b);
        const auto t2 = std::chrono::steady_clock::now();
        seconds.push_back(std::chrono::duration<double>(t2 - t1).count());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%.5f\n", seconds[seconds.size() / 2]);
    return 0;
}
