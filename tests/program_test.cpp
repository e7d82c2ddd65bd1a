// Runs the built tilebench as a user does, in a scratch directory, with given standard input,
// and checks what it prints, what it leaves in out.csv and how it exits.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
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

ProgramRun run_tilebench(const std::string& dir, const std::string& input)
{
    const char* exe = std::getenv("TILEBENCH_EXE");
    EXPECT_NE(exe, nullptr) << "TILEBENCH_EXE must name the built program";
    std::ofstream(dir + "/input.txt", std::ios::binary) << input;
    const std::string command = "cd '" + dir + "' && '" + exe + "' < input.txt > stdout.txt 2> stderr.txt";
    const int raw = std::system(command.c_str());
    ProgramRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
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

// Times are printed in general notation with six significant digits: "0.215723", "0",
// "3e-06", "12.3457".
const std::regex time_line(R"(Temps d'Execution : (0|[1-9][0-9]*(\.[0-9]*[1-9])?|0\.[0-9]*[1-9]|[1-9](\.[0-9]*[1-9])?e-[0-9]+))");

std::vector<std::string> with_times_masked(const std::string& out)
{
    std::vector<std::string> lines = lines_of(out);
    for (std::string& line : lines)
        if (std::regex_match(line, time_line))
            line = "Temps d'Execution : TIME";
    return lines;
}

const std::regex row_pattern(R"(-?[0-9]+,-?[0-9]+(,(-?[0-9]+\.[0-9]{6}|-?nan|-?inf)){4})");

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
        EXPECT_TRUE(std::regex_match(rows[t - 2], row_pattern)) << rows[t - 2];
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
    for (const auto& row : rows)
        EXPECT_TRUE(std::regex_match(row, std::regex(R"([23],8(,-?nan){4})"))) << row;
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
    ASSERT_EQ(std::system(("mkdir '" + dir + "/out.csv'").c_str()), 0);
    const ProgramRun run = run_tilebench(dir, "8 4 1 4");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(with_times_masked(run.out), expected_console(1, 4));
    EXPECT_EQ(run.err, "tilebench: cannot open out.csv: Is a directory\n"
                       "tilebench: cannot open out.csv: Is a directory\n");
}

} // namespace
