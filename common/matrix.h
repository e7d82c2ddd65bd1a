// The one matrix form every subsystem shares: a square matrix of order n as n separately
// allocated rows of n floats, reached through an array of row pointers. The order is not
// stored with it; it always travels beside the matrix as a separate argument.
#pragma once

#include <cstdlib>

// Element (i, j) is M[i][j]. Rows need not be contiguous with one another.
using Matrix = float**;

// The program's element from one draw of the C library's rand: in [0, 1], 0 and 1 included.
// Reducing modulo 32768 keeps that range where rand goes wider than 0..32767, and changes
// nothing where it does not.
inline float element_from_draw(int draw)
{
    return static_cast<float>(draw % 32768) / 32767.0f;
}

// The program's operands: A and B filled from the C library's rand where its sequence stands,
// A and B taking alternate draws in row-major order. The one fill for the benchmark and every
// tool that must multiply the benchmark's own matrices.
inline void fill_from_draws(Matrix A, Matrix B, int n)
{
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            A[i][j] = element_from_draw(std::rand());
            B[i][j] = element_from_draw(std::rand());
        }
}
