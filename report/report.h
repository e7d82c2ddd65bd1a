// Text output: the results file (one comma-separated line per measured thread count) and
// dumps of a whole matrix. Every file writer opens its file, writes, and closes it within the
// call, so each line is complete on disk when the writer returns. A file that cannot be
// opened or written is reported in one line on standard error; standard output never sees it.
#pragma once

#include "common/matrix.h"
#include "report/result_row.h" // the row shape, its figures, and reading it back

// Creates or empties the file and writes
// "nbThreads,size,executionTime,speedUp,efficacity,realEfficacity".
void write_results_header(const char* file_name);

// Appends "nbThreads,size,executionTime,speedUp,efficacity,realEfficacity" as
// "%d,%d,%lf,%lf,%lf,%lf". This is the row the benchmark writes.
void append_result_row(const char* file_name, int nbThreads, int size, float executionTime, float speedUp,
                       float efficacity, float realEfficacity);

// Appends "size,executionTime" as "%d,%lf".
void append_sequential_row(const char* file_name, int size, float executionTime);

// Appends "nbThreads,size,executionTime" as "%d,%d,%lf"; note the thread count is the last
// parameter but the first field.
void append_parallel_row(const char* file_name, int size, float executionTime, int nbThreads);

// Writes the n x n matrix to a file (created or emptied), one line per row, each element as
// "%f " (six decimals, then a space).
void write_matrix_file(const char* file_name, Matrix matrix, int n);

// Writes the n x n matrix to standard output, one line per row, each element in the stream's
// default notation followed by a space; each row is flushed as it completes.
void print_matrix(Matrix matrix, int n);
