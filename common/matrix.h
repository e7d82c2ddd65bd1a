// The one matrix form every subsystem shares: a square matrix of order n as n separately
// allocated rows of n floats, reached through an array of row pointers. The order is not
// stored with it; it always travels beside the matrix as a separate argument.
#pragma once

// Element (i, j) is M[i][j]. Rows need not be contiguous with one another.
using Matrix = float**;

// The program's element from one draw of the C library's rand: in [0, 1], 0 and 1 included.
// Reducing modulo 32768 keeps that range where rand goes wider than 0..32767, and changes
// nothing where it does not.
inline float element_from_draw(int draw)
{
    return static_cast<float>(draw % 32768) / 32767.0f;
}
