// The results record: the one row shape of out.csv, how its figures follow from a thread
// count's times, and how a row is written and read back. The writer and every reader of the
// file go through here, so they cannot disagree.
#pragma once

#include <string>

// "nbThreads,size,executionTime,speedUp,efficacity,realEfficacity", without a line end.
extern const char* const results_header;

// One row as the file holds it. Figures are the floats the benchmark computed, widened exactly
// to double; read back, they are the six-decimal values of the text.
struct ResultRow {
    int threads = 0;
    int size = 0;
    double time = 0.0;
    double speed_up = 0.0;
    double efficiency = 0.0;
    double real_efficiency = 0.0;
};

// realEfficacity divides by this whatever the thread count and the machine: the benchmark was
// written for a four-core machine, and rows from every machine keep the same divisor.
constexpr float real_efficacity_divisor = 4.0f;

// A thread count's figures, in single precision and in this order: speed-up = baseline / mean,
// efficacity = speed-up / threads, realEfficacity = speed-up / 4.
struct ThreadCountFigures {
    float mean_seconds;
    float speed_up;
    float efficacity;
    float real_efficacity;
};
ThreadCountFigures thread_count_figures(float baseline_seconds, float mean_seconds, int threads);

// "%d,%d,%lf,%lf,%lf,%lf" of the row, without a line end.
std::string format_result_row(const ResultRow& row);

// Reads one line, without its line end, as format_result_row writes it (figures in any form
// parse_figure takes). On failure returns false and says why, quoting at most a few dozen
// characters of the field at fault.
bool parse_result_row(const std::string& text, ResultRow& row, std::string& problem);
