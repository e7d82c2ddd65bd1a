// Building the three matrices of a run.
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
            A[i][j] = element_from_draw(std::rand());
            B[i][j] = element_from_draw(std::rand());
            C[i][j] = 0.0f;
        }
    }
}
