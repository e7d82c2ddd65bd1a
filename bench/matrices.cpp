// Building the three matrices of a run, and knowing beforehand whether they fit.
#include "bench/bench.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

// Memory that cannot be had ends the run here, before any console line or row is written:
// a benchmark on a half-built matrix would measure nothing.
template <typename T>
T* allocate_or_exit(int count)
{
    T* block = new (std::nothrow) T[static_cast<std::size_t>(count)];
    if (!block) {
        std::fprintf(stderr, "tilebench: out of memory while building the matrices\n");
        std::exit(exit_out_of_memory);
    }
    return block;
}

// The C library's rand may range wider than 0..32767; reducing keeps every element in [0, 1]
// and leaves the sequence untouched where the range is exactly that.
float next_element()
{
    return static_cast<float>(std::rand() % 32768) / 32767.0f;
}

std::string gibibytes(double bytes)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f GiB", bytes / (1024.0 * 1024.0 * 1024.0));
    return text;
}

} // namespace

void create_matrices(int size, Matrix& A, Matrix& B, Matrix& C)
{
    A = allocate_or_exit<float*>(size);
    B = allocate_or_exit<float*>(size);
    C = allocate_or_exit<float*>(size);
    for (int i = 0; i < size; ++i) {
        A[i] = allocate_or_exit<float>(size);
        B[i] = allocate_or_exit<float>(size);
        C[i] = allocate_or_exit<float>(size);
        for (int j = 0; j < size; ++j) {
            A[i][j] = next_element();
            B[i][j] = next_element();
            C[i][j] = 0.0f;
        }
    }
}

double matrices_bytes(int size)
{
    const double n = size;
    return 3.0 * (n * sizeof(float*) + n * n * sizeof(float));
}

std::string memory_shortfall(int size, long long available_bytes)
{
    const double needed = matrices_bytes(size);
    if (available_bytes < 0 || needed <= static_cast<double>(available_bytes))
        return std::string();
    return "size " + std::to_string(size) + " needs " + gibibytes(needed) + " for its three matrices, but only " +
           gibibytes(static_cast<double>(available_bytes)) + " of memory is available";
}
