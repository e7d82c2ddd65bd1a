// The tiled product. Both the sequential and the parallel kernel hand every column tile to the
// one routine below, so each thread of a team runs exactly the code the sequential kernel runs
// for that tile: the two cannot drift apart, and their times compare one and the same work.
#include "kernels/kernels.h"

#include "common/compiler.h"

#include <algorithm>

namespace {

// End of the tile that starts at start, clipped to n; written so that a block edge near
// INT_MAX cannot overflow.
inline int tile_end(int start, int block_size, int n)
{
    return block_size <= n - start ? start + block_size : n;
}

// Number of tiles of edge block_size covering 0..n-1.
inline int tile_count(int n, int block_size)
{
    if (n <= 0)
        return 0;
    return n / block_size + (n % block_size != 0 ? 1 : 0);
}

// One column tile [jj, jj + b) over all rows and all inner tiles. Kept out of line so that the
// sequential loop and every OpenMP thread call the very same machine code; n and b arrive by
// value, so the compiler holds them in registers rather than reloading shared variables.
TILEBENCH_NOINLINE void multiply_column_tile(const float* const* A, const float* const* B, float* const* C, int n,
                                             int b, int jj)
{
    const int j_end = tile_end(jj, b, n);
    // Stepping kk to the tile end gives the starts 0, b, 2b, ... without ever forming a
    // start-plus-edge that could pass INT_MAX.
    for (int kk = 0, k_end; kk < n; kk = k_end) {
        k_end = tile_end(kk, b, n);
        for (int i = 0; i < n; ++i) {
            const float* __restrict a_row = A[i];
            float* __restrict c_row = C[i];
            for (int j = jj; j < j_end; ++j) {
                float sum = 0.0f;
                for (int k = kk; k < k_end; ++k)
                    sum = a_row[k] * B[k][j] + sum;
                c_row[j] = c_row[j] + sum;
            }
        }
    }
}

} // namespace

void multiply_blocked_sequential(Matrix A, Matrix B, Matrix C, int size, int block_size)
{
    const int tiles = tile_count(size, block_size);
    for (int q = 0; q < tiles; ++q)
        multiply_column_tile(A, B, C, size, block_size, q * block_size);
}

void multiply_blocked_parallel(Matrix A, Matrix B, Matrix C, int size, int block_size, int num_threads)
{
    multiply_blocked_parallel_observed(A, B, C, size, block_size, num_threads, team_line_observer());
}

void multiply_blocked_parallel_observed(Matrix A, Matrix B, Matrix C, int size, int block_size, int num_threads,
                                        TeamObserver observer)
{
    // The work-sharing loop runs over tile numbers rather than tile starts: with chunk 1 the
    // static schedule gives tile q to thread q mod T either way, and a tile count cannot
    // overflow where a start-plus-edge trip count could.
    const int tiles = tile_count(size, block_size);
    const int chunk = 1;
#pragma omp parallel num_threads(num_threads)
    {
        report_team(observer);
        int q;
#pragma omp for schedule(static, chunk)
        for (q = 0; q < tiles; ++q)
            multiply_column_tile(A, B, C, size, block_size, q * block_size);
    }
}

double blocked_schedule_bound(int n, int b, int threads)
{
    if (n <= 0 || b <= 0 || threads <= 0)
        return 1.0;
    const long long tiles = (static_cast<long long>(n) + b - 1) / b;
    const long long last_width = n - (tiles - 1) * static_cast<long long>(b);
    // Thread 0 holds tiles 0, t, 2t, ...: the most tiles, and the last tile only when the tile
    // count leaves it there; any thread with as many tiles but without the narrow last one
    // holds more columns, so take the widest of the busiest threads.
    const long long per_thread_max = (tiles + threads - 1) / threads;
    const long long threads_with_max = tiles - (per_thread_max - 1) * threads;
    const long long last_owner = (tiles - 1) % threads;
    long long busiest = per_thread_max * b;
    if (threads_with_max == 1 && last_owner == 0)
        busiest = (per_thread_max - 1) * b + last_width;
    return static_cast<double>(n) / static_cast<double>(std::min<long long>(busiest, n));
}
