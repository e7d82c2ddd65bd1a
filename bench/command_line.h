// tilebench's command line. The benchmark itself takes its parameters on standard input; the
// command line only answers --help and --version, so that a user who types them is not left
// waiting silently for four numbers.
#pragma once

#include <iosfwd>

// The help text: usage, the parameters, where results go and the exit statuses.
extern const char* const tilebench_usage;

// Handles the arguments: --help and --version are answered on out (status 0), anything else
// gets the usage on err (status 2). Returns -1 when there are no arguments and the benchmark
// should run.
int answer_arguments(int argc, char** argv, std::ostream& out, std::ostream& err);

// The line that says, on a terminal, what the program waits for.
extern const char* const waiting_hint;
