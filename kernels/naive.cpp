// The untiled i-j-k product: every product goes straight into C, so each element of C is
// built by n single-precision additions in increasing k, whichever thread owns its row.
#include "kernels/kernels.h"

#include "common/compiler.h"

namespace {

// One row of C. Out of line for the same reason as the tiled kernels' column tile: the
// sequential loop and every thread of a team then run the very same machine code.
TILEBENCH_NOINLINE void multiply_row(const float* const* A, const float* const* B, float* const* C, int n, int i)
{
    const float* __restrict a_row = A[i];
    float* __restrict c_row = C[i];
    for (int j = 0; j < n; ++j)
        for (int k = 0; k < n; ++k)
            c_row[j] = a_row[k] * B[k][j] + c_row[j];
}

} // namespace

void multiply_naive_sequential(Matrix A, Matrix B, Matrix C, int size)
{
    for (int i = 0; i < size; ++i)
        multiply_row(A, B, C, size, i);
}

void multiply_naive_parallel(Matrix A, Matrix B, Matrix C, int size, int num_threads)
{
    multiply_naive_parallel_observed(A, B, C, size, num_threads, team_line_observer());
}

void multiply_naive_parallel_observed(Matrix A, Matrix B, Matrix C, int size, int num_threads, TeamObserver observer)
{
#pragma omp parallel num_threads(num_threads)
    {
        report_team(observer);
        int i;
#pragma omp for schedule(static)
        for (i = 0; i < size; ++i)
            multiply_row(A, B, C, size, i);
    }
}

double naive_schedule_bound(int n, int, int threads)
{
    if (n <= 0 || threads <= 0)
        return 1.0;
    const long long largest_block = (static_cast<long long>(n) + threads - 1) / threads;
    return static_cast<double>(n) / static_cast<double>(largest_block);
}
