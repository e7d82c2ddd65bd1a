// Helpers shared by the tests: seeded matrices, bit-exact comparison, scratch directories of
// their own per test, and running a program as a user does.
#pragma once

#include "common/owned_matrix.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Order n, every element drawn from [-1, 1] by a generator seeded with seed; mixed signs make
// rounding depend on the order of the additions, so a reordered kernel shows up.
OwnedMatrix random_matrix(int n, unsigned seed);

// The bit patterns of every element, row after row.
std::vector<std::uint32_t> bits_of(const OwnedMatrix& m);

// A fresh empty directory with a unique name under the test temporary directory, so that two
// test runs on one machine never share one. It is removed when the test passes and kept, for a
// look, when it fails.
std::string make_scratch_dir(const std::string& name);
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);
bool file_exists(const std::string& path);
std::vector<std::string> lines_of(const std::string& text);
// The text's first count lines, each with its newline; the whole text when it has fewer.
std::string first_lines(const std::string& text, std::size_t count);

// Exit status of a shell command, or -1 when it did not exit normally.
int shell(const std::string& command);

// A program run in dir by the shell: its status and what it wrote on each stream.
struct ProgramRun {
    int status = -1;
    std::string out, err;
};
// command runs in dir, with input on standard input; prefix is shell text run first in the
// same shell (ulimit, environment).
ProgramRun run_in(const std::string& dir, const std::string& command, const std::string& input = "",
                  const std::string& prefix = "");

// Every inline data block of a gnuplot script ("$name << EOD" to "EOD"), each row's numbers.
using DataRows = std::vector<std::vector<double>>;
std::map<std::string, DataRows> data_blocks(const std::string& script);

// The script holds exactly the blocks expected, row for row, each figure to the six digits it
// is printed with. The first column of a block whose name begins with one in shifted may lie up to x_slack times the
// expected thread count away from it: scans side by side stand a little apart.
void expect_data_blocks(const std::string& script, const std::map<std::string, DataRows>& expected,
                        const std::vector<std::string>& shifted = {}, double x_slack = 0.0);

// A text a reader must refuse, and the one line it must give as its reason.
struct RefusedText {
    std::string text;
    std::string problem;
};

// parse(text, read, problem) refuses every case's text into a Read, saying exactly its problem.
template <typename Read, typename Parse>
void expect_refusals(Parse parse, const std::vector<RefusedText>& cases)
{
    for (const RefusedText& c : cases) {
        Read read;
        std::string problem;
        EXPECT_FALSE(parse(c.text, read, problem)) << c.problem;
        EXPECT_EQ(problem, c.problem);
    }
}
