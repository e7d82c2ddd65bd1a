// The run's four parameters as typed on standard input.
#pragma once

#include <iosfwd>
#include <string>

// Reads size, block_size, num_iter and max_threads, whitespace-separated, in that order.
// Each must be a whole 32-bit decimal integer; size and num_iter must be >= 0 and block_size
// >= 1. Returns false with a one-line explanation in error, naming the parameter, when the
// input is refused.
// Nothing after the fourth number is read.
bool read_parameters(std::istream& input, int& size, int& block_size, int& num_iter, int& max_threads,
                     std::string& error);
