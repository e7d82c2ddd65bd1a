// Runs the built tilebench as a user does, in a scratch directory, with given standard input,
// and checks what it prints, what it leaves in out.csv and how it exits.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <cstdio>
#include <sstream>
#include <sys/wait.h>

namespace {

struct ProgramRun {
    int status;
    std::string out;
    std::string err;
    std::string csv; // empty when no out.csv exists
    bool csv_exists;
};

std::string tilebench_exe()
{
    return TILEBENCH_EXE;
}

// Exit status of a shell command, or -1 when it did not exit normally.
int shell(const std::string& command)
{
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Runs tilebench in dir on input; limits is shell text run first in the same shell (ulimit).
ProgramRun run_tilebench(const std::string& dir, const std::string& input, const std::string& limits = "")
{
    std::ofstream(dir + "/input.txt", std::ios::binary) << input;
    ProgramRun run;
    run.status = shell("cd '" + dir + "' && " + limits + " '" + tilebench_exe() +
                       "' < input.txt > stdout.txt 2> stderr.txt");
    run.out = read_file(dir + "/stdout.txt");
    run.err = read_file(dir + "/stderr.txt");
    run.csv_exists = file_exists(dir + "/out.csv");
    run.csv = run.csv_exists ? read_file(dir + "/out.csv") : "";
    return run;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The console a run must print, with every time replaced by the token TIME.
std::vector<std::string> expected_console(int num_iter, int max_threads)
{
    std::vector<std::string> lines;
    for (int r = 0; r < num_iter; ++r) {
        lines.push_back("Algorithme Sequentiel par block iteration : " + std::to_string(r));
        lines.push_back("Temps d'Execution : TIME");
    }
    for (int t = 2; t < max_threads; ++t)
        for (int r = 0; r < num_iter; ++r) {
            lines.push_back("Algorithme Parallele par block iteration : " + std::to_string(r));
            lines.push_back("Number of threads: " + std::to_string(t));
            lines.push_back("Temps d'Execution : TIME");
        }
    return lines;
}

// A number is in the form the program promises when formatting its value back the same way
// gives the same text: "%g" for console times (six significant digits, exponent below 1e-4),
// "%f" for file figures (six decimals, never an exponent).
bool formatted_as(const std::string& text, const char* format)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0')
        return false;
    char again[64];
    std::snprintf(again, sizeof(again), format, value);
    return text == again;
}

const std::string time_prefix = "Temps d'Execution : ";

std::vector<std::string> with_times_masked(const std::string& out)
{
    std::vector<std::string> lines = lines_of(out);
    for (std::string& line : lines)
        if (line.rfind(time_prefix, 0) == 0 && formatted_as(line.substr(time_prefix.size()), "%g"))
            line = time_prefix + "TIME";
    return lines;
}

std::vector<std::string> fields_of(const std::string& row)
{
    std::vector<std::string> fields;
    std::istringstream in(row);
    for (std::string field; std::getline(in, field, ',');)
        fields.push_back(field);
    return fields;
}

// "%d,%d,%lf,%lf,%lf,%lf" and nothing else.
bool is_result_row(const std::string& row)
{
    const auto fields = fields_of(row);
    if (fields.size() != 6 || row.back() == ',')
        return false;
    for (int f = 0; f < 2; ++f)
        if (fields[f].empty() || fields[f].find_first_not_of("-0123456789") != std::string::npos)
            return false;
    for (int f = 2; f < 6; ++f)
        if (!formatted_as(fields[f], "%f"))
            return false;
    return true;
}

TEST(Program, TypicalRunPrintsEveryRunAndAppendsOneRowPerThreadCount)
{
    const std::string dir = make_scratch_dir("program");
    const ProgramRun run = run_tilebench(dir, "512 64 3 5\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(with_times_masked(run.out), expected_console(3, 5));
    EXPECT_EQ(lines_of(run.out).size(), 33u);
    const auto rows = lines_of(run.csv);
    ASSERT_EQ(rows.size(), 3u) << run.csv;
    for (int t = 2; t <= 4; ++t) {
        EXPECT_EQ(rows[t - 2].rfind(std::to_string(t) + ",512,", 0), 0u) << rows[t - 2];
        EXPECT_TRUE(is_result_row(rows[t - 2])) << rows[t - 2];
    }
}

TEST(Program, RowsAccumulateOverRunsWithoutAHeader)
{
    const std::string dir = make_scratch_dir("program");
    const ProgramRun first = run_tilebench(dir, "32 8 1 4");
    const ProgramRun second = run_tilebench(dir, "48 8 1 3");
    const auto rows = lines_of(second.csv);
    ASSERT_EQ(rows.size(), 3u) << second.csv;
    EXPECT_EQ(second.csv.substr(0, first.csv.size()), first.csv);
    EXPECT_EQ(rows[0].rfind("2,32,", 0), 0u);
    EXPECT_EQ(rows[1].rfind("3,32,", 0), 0u);
    EXPECT_EQ(rows[2].rfind("2,48,", 0), 0u);
}

TEST(Program, NumbersOnOneLineOrFourGiveTheSameRun)
{
    const std::string dir = make_scratch_dir("program");
    const ProgramRun one_line = run_tilebench(dir, "4 2 1 3");
    const ProgramRun four_lines = run_tilebench(dir, "4\n2\n1\n3\n");
    EXPECT_EQ(with_times_masked(one_line.out), expected_console(1, 3));
    EXPECT_EQ(with_times_masked(four_lines.out), expected_console(1, 3));
    EXPECT_EQ(lines_of(four_lines.csv).size(), 2u);
}

TEST(Program, NoIterationsPrintNothingButStillWriteNotANumberRows)
{
    const std::string dir = make_scratch_dir("program");
    const ProgramRun run = run_tilebench(dir, "8 4 0 4");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    const auto rows = lines_of(run.csv);
    ASSERT_EQ(rows.size(), 2u);
    for (const auto& row : rows) {
        const auto fields = fields_of(row);
        ASSERT_EQ(fields.size(), 6u) << row;
        EXPECT_EQ(fields[1], "8");
        for (int f = 2; f < 6; ++f)
            EXPECT_TRUE(fields[f] == "nan" || fields[f] == "-nan") << row;
    }
}

TEST(Program, NoThreadCountBelowTheBoundLeavesNoFile)
{
    for (const char* max_threads : {"2", "1", "0", "-5"}) {
        const std::string dir = make_scratch_dir("program");
        const ProgramRun run = run_tilebench(dir, std::string("16 4 2 ") + max_threads);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(with_times_masked(run.out), expected_console(2, 0));
        EXPECT_FALSE(run.csv_exists) << max_threads;
    }
}

TEST(Program, BadInputIsRefusedBeforeAnythingIsBuilt)
{
    const struct {
        const char* input;
        int status;
        const char* mentions;
    } cases[] = {
        {"", 2, "missing size"},
        {"512 64 3", 2, "missing max_threads"},
        {"512 sixty-four 3 5", 2, "block_size"},
        {"512 64 3 5abc", 2, "max_threads"},
        {"512 64 99999999999 5", 2, "num_iter"},
        {"-1 64 3 5", 2, "size must be 0 or more"},
        {"512 0 3 5", 2, "block_size must be 1 or more"},
        {"2000000000 64 3 5", 3, "of memory is available"},
    };
    for (const auto& c : cases) {
        const std::string dir = make_scratch_dir("program");
        const ProgramRun run = run_tilebench(dir, c.input);
        EXPECT_EQ(run.status, c.status) << c.input;
        EXPECT_EQ(run.out, "") << c.input;
        EXPECT_EQ(lines_of(run.err).size(), 1u) << c.input << ": " << run.err;
        EXPECT_NE(run.err.find(c.mentions), std::string::npos) << c.input << ": " << run.err;
        EXPECT_FALSE(run.csv_exists) << c.input;
    }
}

TEST(Program, ARowThatCannotBeWrittenIsReportedAndTheRunGoesOn)
{
    const std::string dir = make_scratch_dir("program");
    ASSERT_EQ(shell("mkdir '" + dir + "/out.csv'"), 0);
    const ProgramRun run = run_tilebench(dir, "8 4 1 4");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(with_times_masked(run.out), expected_console(1, 4));
    EXPECT_EQ(run.err, "tilebench: cannot open out.csv: Is a directory\n"
                       "tilebench: cannot open out.csv: Is a directory\n");
}

bool sanitized_build()
{
#if defined(TILEBENCH_SANITIZED)
    return true;
#else
    return false;
#endif
}

TEST(ProgramLimits, MatricesThatCannotFitAreRefusedBeforeAnythingIsWritten)
{
    // Sanitizer runtimes reserve terabytes of address space and cannot start under such limits.
    if (sanitized_build())
        GTEST_SKIP() << "memory limits do not apply to sanitized builds";
    const struct {
        const char* limits;
        const char* message;
    } cases[] = {
        // The address-space limit is known beforehand: refused with the figures.
        {"ulimit -v 300000;", "tilebench: size 6000 needs 0.4 GiB for its three matrices, but only 0.3 GiB of "
                              "memory is available\n"},
        // A data limit is not: the allocation itself fails, and is caught.
        {"ulimit -d 100000;", "tilebench: out of memory while building the matrices\n"},
    };
    for (const auto& c : cases) {
        const std::string dir = make_scratch_dir("limits");
        const ProgramRun run = run_tilebench(dir, "6000 64 1 3", c.limits);
        EXPECT_EQ(run.status, 3) << c.limits;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(run.csv_exists);
    }
}

TEST(ProgramLimits, ThreadCountsFarAboveTheCoresRunAndReportTheirTeam)
{
    const std::string dir = make_scratch_dir("many_threads");
    const ProgramRun run = run_tilebench(dir, "16 2 1 66");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(with_times_masked(run.out), expected_console(1, 66));
    const auto rows = lines_of(run.csv);
    ASSERT_EQ(rows.size(), 64u);
    EXPECT_EQ(rows.back().rfind("65,16,", 0), 0u);
}

// The rows of one size, in file order, must be thread counts 2, 3, ... without a gap, and
// every line of the file must be a whole row.
void expect_whole_rows_in_order(const std::string& csv, const std::vector<int>& sizes, int min_rows_per_size)
{
    std::map<int, int> next_thread_count;
    for (int size : sizes)
        next_thread_count[size] = 2;
    for (const std::string& row : lines_of(csv)) {
        ASSERT_TRUE(is_result_row(row)) << "torn or mixed row: '" << row << "'";
        const int t = std::stoi(row);
        const int size = std::stoi(row.substr(row.find(',') + 1));
        ASSERT_EQ(next_thread_count.count(size), 1u) << row;
        EXPECT_EQ(t, next_thread_count[size]++) << row;
    }
    EXPECT_EQ(csv.empty() || csv.back() == '\n', true);
    for (int size : sizes)
        EXPECT_GE(next_thread_count[size] - 2, min_rows_per_size) << "size " << size;
}

TEST(ProgramLimits, RunsAppendingAtOnceLeaveOnlyWholeRows)
{
    const std::string dir = make_scratch_dir("concurrent");
    const std::vector<int> sizes = {8, 9, 10, 11};
    std::string command = "cd '" + dir + "' && for s in 8 9 10 11; do echo \"$s 2 1 60\" | '" + tilebench_exe() +
                          "' > /dev/null & done; wait";
    ASSERT_EQ(shell(command), 0);
    const std::string csv = read_file(dir + "/out.csv");
    expect_whole_rows_in_order(csv, sizes, 58);
    EXPECT_EQ(lines_of(csv).size(), 4u * 58u);
}

TEST(ProgramLimits, AKilledRunLeavesTheRowsOfItsFinishedThreadCounts)
{
    const std::string dir = make_scratch_dir("killed");
    std::string command = "cd '" + dir + "' && echo '40 8 2 1000000' | timeout -s KILL 1 '" + tilebench_exe() +
                          "' > /dev/null";
    EXPECT_EQ(shell(command), 137); // killed, as intended
    expect_whole_rows_in_order(read_file(dir + "/out.csv"), {40}, 1);
}

} // namespace
