// Helpers shared by the tests: matrices the tests own, bit-exact comparison, scratch
// directories and whole-file reads.
#pragma once

#include "common/matrix.h"

#include <cstdint>
#include <string>
#include <vector>

// A matrix in the program's row-pointer form whose rows are separately allocated vectors
// (so a sanitizer sees an overrun of any row), freed with the struct.
struct OwnedMatrix {
    std::vector<std::vector<float>> rows;
    std::vector<float*> pointers;
};

// Order n, every element drawn from [-1, 1] by a generator seeded with seed; mixed signs make
// rounding depend on the order of the additions, so a reordered kernel shows up.
OwnedMatrix random_matrix(int n, unsigned seed);
OwnedMatrix zero_matrix(int n);
OwnedMatrix matrix_from_rows(const std::vector<std::vector<float>>& rows);
Matrix view(OwnedMatrix& m);

// The bit patterns of every element, row after row.
std::vector<std::uint32_t> bits_of(const OwnedMatrix& m);

// A fresh empty directory under the test temporary directory.
std::string make_scratch_dir(const std::string& name);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
std::vector<std::string> lines_of(const std::string& text);

// Exit status of a shell command, or -1 when it did not exit normally.
int shell(const std::string& command);
