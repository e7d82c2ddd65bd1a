// The multiplication kernels. Every kernel adds A x B into C (it never clears C) in IEEE single
// precision, each product and each sum rounded on its own. The tiled pair is what the benchmark
// times; the untiled pair stands beside it for comparison. Sequential and parallel versions of
// one algorithm perform the same operations per element in the same order, so they leave the
// same bits in C whatever the number of threads.
//
// Preconditions: C shares no row with A or B; block_size >= 1; num_threads >= 1.
// A size of 0 or below touches nothing.
#pragma once

#include "common/matrix.h"
#include "kernels/variants.h" // the same kernels as a table, for tools that run them all

// C += A x B in column tiles and inner tiles of edge block_size, on the calling thread.
void multiply_blocked_sequential(Matrix A, Matrix B, Matrix C, int size, int block_size);

// The same tiled product on a team of num_threads OpenMP threads, column tile q going to
// thread q mod team size. Thread 0 (the caller) prints "Number of threads: " and the team size.
void multiply_blocked_parallel(Matrix A, Matrix B, Matrix C, int size, int block_size, int num_threads);

// C += A x B in plain i-j-k order, each product added straight into C.
void multiply_naive_sequential(Matrix A, Matrix B, Matrix C, int size);

// The same untiled product with the rows of C dealt in contiguous blocks over num_threads
// threads. Thread 0 prints "Number of threads: " and the team size.
void multiply_naive_parallel(Matrix A, Matrix B, Matrix C, int size, int num_threads);
