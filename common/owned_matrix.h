// Matrices in the program's row-pointer form that free themselves: for the tools and tests
// that build many of them, where the benchmark itself keeps its three until the process ends.
#pragma once

#include "common/matrix.h"

#include <vector>

// Rows are separate vectors, so a sanitizer sees an overrun of any one row. Copies are deep;
// view() gives the row-pointer form of whichever copy it is called on.
struct OwnedMatrix {
    std::vector<std::vector<float>> rows;
    std::vector<float*> pointers;
};

OwnedMatrix zero_matrix(int n); // orders below 0 hold nothing
OwnedMatrix matrix_from_rows(const std::vector<std::vector<float>>& rows);
Matrix view(OwnedMatrix& m);

// Sets every element back to 0.0f without reallocating.
void clear_matrix(OwnedMatrix& m);

// A and B filled as the benchmark fills them (alternate draws of std::rand, row-major, through
// element_from_draw), C zero. Draws continue the C library's sequence from where it stands,
// so in a fresh process they are the benchmark's own matrices.
struct Operands {
    OwnedMatrix A, B, C;
};
Operands program_operands(int n);
