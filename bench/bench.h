// The benchmark driver: reads the four parameters, builds the matrices, measures the tiled
// sequential baseline, then sweeps thread counts 2 .. max_threads - 1 with the tiled parallel
// kernel, appending one row per thread count to out.csv.
#pragma once

#include "common/matrix.h"

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

// Exit statuses of a run refused before anything was built or written.
constexpr int exit_bad_input = 2;
constexpr int exit_out_of_memory = 3;

// Allocates A and B filled from the unseeded std::rand sequence (values draw / 32767 in
// [0, 1], A and B taking alternate draws in row-major order) and C filled with zeros, each of
// order size. The caller owns them. An allocation that fails ends the process with a message.
void create_matrices(int size, Matrix& A, Matrix& B, Matrix& C);

// Reads size, block_size, num_iter and max_threads, whitespace-separated, in that order.
// Each must be a whole 32-bit decimal integer; size must be >= 0 and block_size >= 1. Returns
// false with a one-line explanation in error, naming the parameter, when the input is refused.
// Nothing after the fourth number is read.
bool read_parameters(std::istream& input, int& size, int& block_size, int& num_iter, int& max_threads,
                     std::string& error);

// Bytes that create_matrices takes for the given order: three row-pointer arrays and 3n rows.
double matrices_bytes(int size);

// Empty when the matrices of this order fit in available_bytes (or when that is unknown,
// negative); otherwise a one-line explanation giving what is needed and what is available.
std::string memory_shortfall(int size, long long available_bytes);

// Microseconds to the reported seconds: the count goes through double and float, then is
// divided by 10^6 in single precision. Counts above 2^24 lose their last microseconds.
inline float seconds_from_microseconds(std::int64_t microseconds)
{
    return static_cast<float>(static_cast<double>(microseconds)) / 1000000.0f;
}

// Wall-clock seconds taken by call(), whole microseconds truncated. Nothing but the call runs
// between the two clock readings. The steady clock never jumps when the system time is set.
template <typename Call>
float measure_seconds(Call&& call)
{
    const auto t1 = std::chrono::steady_clock::now();
    call();
    const auto t2 = std::chrono::steady_clock::now();
    return seconds_from_microseconds(std::chrono::duration_cast<std::chrono::microseconds>(t2 - t1).count());
}

// The whole benchmark on standard input and output. Bad input or too little memory ends the
// process with a message on standard error and a status above, before anything is built.
void run_benchmark();

// Times the tiled parallel kernel num_iter times for each t from 2 while t < max_threads and
// appends t, size, the mean time, speed-up, efficiency and speed-up / 4 to out.csv.
void run_thread_sweep(Matrix A, Matrix B, Matrix C, int size, int block_size, int num_iter, int max_threads,
                      float baseline);
