// Other programs: finding one on PATH and running it without a shell in between, so that no
// file or program name is ever read as a command.
#pragma once

#include <string>
#include <vector>

// The full path of an executable found on PATH, or empty.
std::string find_on_path(const std::string& program);

// Runs a program with arguments, standard output discarded and standard error into
// error_file; returns its exit status, or -1 when it did not run or did not exit normally.
int run_program(const std::vector<std::string>& arguments, const std::string& error_file);
