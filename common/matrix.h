// The one matrix form every subsystem shares: a square matrix of order n as n separately
// allocated rows of n floats, reached through an array of row pointers. The order is not
// stored with it; it always travels beside the matrix as a separate argument.
#pragma once

// Element (i, j) is M[i][j]. Rows need not be contiguous with one another.
using Matrix = float**;
