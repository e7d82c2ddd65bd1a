// Other programs: finding one on PATH, and running a helper (gnuplot) directly, without a shell
// in between so that no file or program name is ever read as a command, and never for longer
// than its caller: its wait is bounded, and a signal that stops the caller stops it too.
#pragma once

#include <string>
#include <vector>

// The full path of an executable found on PATH, or empty.
std::string find_on_path(const std::string& program);

// How a bounded run ended.
struct ProgramEnd {
    int status = -1;        // its exit status; -1 when it did not start or did not exit normally
    bool timed_out = false; // killed at the time bound
    int stopped_by = 0;     // the stop signal passed on to it, 0 when none
};

// Runs arguments[0] (a path) with standard output into output_file and standard error into
// error_file, both existing files emptied and opened without following a link, and SIGPIPE at
// its default disposition whatever the caller's. Waits at most
// timeout_seconds, then kills it. stop_signal is asked all along: a signal it returns is sent on
// to the program, which is killed if it has not ended two seconds later. When this returns, the
// program has ended and been reaped.
ProgramEnd run_bounded_program(const std::vector<std::string>& arguments, const std::string& output_file,
                               const std::string& error_file, double timeout_seconds, int (*stop_signal)());
