// Exit statuses shared by the programs; the README's tables list what each means per program.
#pragma once

#include <string>

constexpr int exit_ok = 0;
constexpr int exit_failure = 1;        // a tool could not do its job (unreadable input, no gnuplot)
constexpr int exit_bad_input = 2;      // refused before anything was built or written
constexpr int exit_out_of_memory = 3;  // the matrices do not fit
constexpr int exit_invalid_result = 4; // a kernel left other bits than the reference
constexpr int exit_not_comparable = 5; // two scans of different work, no thread count in common, or no clean round
constexpr int exit_slower = 6;         // a comparison found B slower than a limit allows
constexpr int exit_hung_up = 129;      // SIGHUP; 128 + the signal number, as shells report it
constexpr int exit_interrupted = 130;  // SIGINT
constexpr int exit_terminated = 143;   // SIGTERM

// A run refused where the reason is found (bad input, matrices that do not fit): thrown there, it
// travels up to the program's main, which says it and ends with its status.
struct Refusal {
    int status;
    std::string message;
};

// Runs a program's body so that whatever escapes it ends in one line on standard error,
// "<program>: <what>", not in std::terminate: a Refusal with its own message and status,
// anything else (memory that cannot be had, a library's own failure) with exit_failure.
// Before the body, a standard stream the program was started without gets a stand-in that
// fails as the closed stream did, so no file the program opens takes its place and receives
// its messages; and SIGPIPE is ignored: a reader that went away (`| head -1`) makes a write to
// that stream fail, which the program may say or not, instead of killing it with its results
// unwritten.
int guarded_main(const char* program, int (*body)(int, char**), int argc, char** argv) noexcept;

// Flushes standard output; when what was written there did not all arrive (a full disk,
// /dev/full, a closed stream, a reader gone), says so in one line on standard error and
// returns false. Results that never reached their reader are a failure, not a success.
bool results_reached_standard_output(const char* program);
