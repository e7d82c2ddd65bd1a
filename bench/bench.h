// The benchmark driver: reads the four parameters, builds the matrices, measures the tiled
// sequential baseline, then sweeps thread counts 2 .. max_threads - 1 with the tiled parallel
// kernel, appending one row per thread count to out.csv.
#pragma once

#include "bench/parameters.h"   // read_parameters
#include "common/exit_status.h" // the statuses a refused run ends with
#include "common/matrix.h"
#include "common/timing.h" // measure_seconds, the harness around every timed call

// Allocates A and B filled from the unseeded std::rand sequence (values draw / 32767 in
// [0, 1], A and B taking alternate draws in row-major order) and C filled with zeros, each of
// order size. The caller owns them. An allocation that fails throws a Refusal (exit_out_of_memory).
void create_matrices(int size, Matrix& A, Matrix& B, Matrix& C);

// The whole benchmark on standard input and output. Bad input or too little memory throws a
// Refusal with its message and one of the statuses above, before anything is built.
void run_benchmark();

// Times the tiled parallel kernel num_iter times for each t from 2 while t < max_threads and
// appends t, size, the mean time, speed-up, efficiency and speed-up / 4 to out.csv.
void run_thread_sweep(Matrix A, Matrix B, Matrix C, int size, int block_size, int num_iter, int max_threads,
                      float baseline);
