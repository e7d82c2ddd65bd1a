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
#include "kernels/families.h"      // the kernels by family, for tools that run them all
#include "kernels/team_observer.h" // who hears the team a parallel kernel got

// C += A x B in column tiles and inner tiles of edge block_size, on the calling thread.
void multiply_blocked_sequential(Matrix A, Matrix B, Matrix C, int size, int block_size);

// The same tiled product on a team of num_threads OpenMP threads, column tile q going to
// thread q mod team size. Thread 0 (the caller) prints "Number of threads: " and the team size.
void multiply_blocked_parallel(Matrix A, Matrix B, Matrix C, int size, int block_size, int num_threads);

// The same, with thread 0 telling the team to observer instead of printing it.
void multiply_blocked_parallel_observed(Matrix A, Matrix B, Matrix C, int size, int block_size, int num_threads,
                                        TeamObserver observer);

// The best speed-up the tiled parallel kernel's schedule allows: column tiles of edge b (the
// last one narrower) dealt to t threads in turn, tile q to thread q mod t, so the slowest thread
// holds the most columns. n over that thread's columns. 1 when there is nothing to share.
double blocked_schedule_bound(int n, int b, int threads);

// C += A x B in plain i-j-k order, each product added straight into C.
void multiply_naive_sequential(Matrix A, Matrix B, Matrix C, int size);

// The same untiled product with the rows of C dealt in contiguous blocks over num_threads
// threads. Thread 0 prints "Number of threads: " and the team size.
void multiply_naive_parallel(Matrix A, Matrix B, Matrix C, int size, int num_threads);

// The same, with thread 0 telling the team to observer instead of printing it.
void multiply_naive_parallel_observed(Matrix A, Matrix B, Matrix C, int size, int num_threads, TeamObserver observer);

// The same bound for the untiled parallel kernel, whose static schedule deals the n rows in
// contiguous blocks of at most ceil(n / t): n over the largest block. b plays no part.
double naive_schedule_bound(int n, int b, int threads);
