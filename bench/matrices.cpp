// Building the three matrices of a run.
#include "bench/bench.h"

#include <new>

namespace {

// Memory that cannot be had ends the run here, before any console line or row is written:
// a benchmark on a half-built matrix would measure nothing. Elements start at zero.
template <typename T>
T* allocate_or_refuse(int count)
{
    T* block = new (std::nothrow) T[static_cast<std::size_t>(count)]();
    if (!block)
        throw Refusal{exit_out_of_memory, "out of memory while building the matrices"};
    return block;
}

} // namespace

void create_matrices(int size, Matrix& A, Matrix& B, Matrix& C)
{
    A = allocate_or_refuse<float*>(size);
    B = allocate_or_refuse<float*>(size);
    C = allocate_or_refuse<float*>(size);
    for (int i = 0; i < size; ++i) {
        A[i] = allocate_or_refuse<float>(size);
        B[i] = allocate_or_refuse<float>(size);
        C[i] = allocate_or_refuse<float>(size);
    }
    fill_from_draws(A, B, size);
}
