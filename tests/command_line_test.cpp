// Every program answers --help and --version, refuses an unknown argument with its usage, and
// tilebench, which reads standard input, says what it waits for only to a person at a terminal.
#include "test_support.h"

// GCC 12's own <regex> warns that a moved std::function "may be used uninitialized" when built
// with the address sanitizer's instrumentation; the warning is about the library's header.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <gtest/gtest.h>

#include <iterator>
#include <regex>
#include <set>

namespace {

std::vector<std::string> numbers_in(const std::string& text)
{
    const std::regex number("[0-9]+");
    std::vector<std::string> numbers;
    for (std::sregex_iterator m(text.begin(), text.end(), number), end; m != end; ++m)
        numbers.push_back(m->str());
    return numbers;
}

// The statuses a program's --help lists after "Exit status", as "  N  text" lines or "N text; "
// items, where "129/130/143" and "129, 130, 143" list three.
std::set<int> statuses_in_help(const std::string& help)
{
    const std::size_t start = help.find("Exit status");
    std::set<int> statuses;
    if (start == std::string::npos)
        return statuses;
    const std::string listed = help.substr(start);
    const std::regex item("(?:^|[\\n:;]) *([0-9]+(?:(?:/|, )[0-9]+)*) ");
    for (std::sregex_iterator m(listed.begin(), listed.end(), item), end; m != end; ++m)
        for (const std::string& number : numbers_in((*m)[1].str()))
            statuses.insert(std::stoi(number));
    return statuses;
}

// The statuses in the README table under header: the numbers that open the given column of each
// row ("2", "129, 130, 143", "1, from the runtime").
std::set<int> statuses_in_readme_table(const std::string& readme, const std::string& header, int column)
{
    std::set<int> statuses;
    const std::vector<std::string> lines = lines_of(readme);
    std::size_t row = 0;
    while (row < lines.size() && lines[row] != header)
        ++row;
    const std::regex cells("\\|([^|]*)");
    const std::regex leading_numbers("^ *[0-9]+(?:, [0-9]+)*");
    for (row += 2; row < lines.size() && lines[row].rfind("|", 0) == 0; ++row) {
        std::sregex_iterator cell(lines[row].begin(), lines[row].end(), cells);
        std::advance(cell, column);
        const std::string text = (*cell)[1].str();
        std::smatch m;
        if (std::regex_search(text, m, leading_numbers))
            for (const std::string& number : numbers_in(m.str()))
                statuses.insert(std::stoi(number));
    }
    return statuses;
}

TEST(CommandLine, EveryProgramAnswersHelpAndVersionAndRefusesTheUnknown)
{
    const std::string dir = make_scratch_dir("command_line");
    const struct {
        const char* name;
        const char* exe;
        const char* usage;
    } programs[] = {
        {"tilebench", TILEBENCH_EXE, "Usage: tilebench [--help] [--version]"},
        {"tilebench-scan", TILEBENCH_SCAN_EXE, "Usage: tilebench-scan [OPTIONS]"},
        {"tilebench-plot", TILEBENCH_PLOT_EXE, "Usage: tilebench-plot [OPTIONS] [FILE...]"},
        {"tilebench-compare", TILEBENCH_COMPARE_EXE, "Usage: tilebench-compare [OPTIONS] [A] [B]"},
    };
    for (const auto& p : programs) {
        const std::string exe = std::string("'") + p.exe + "'";
        const ProgramRun help = run_in(dir, exe + " --help");
        EXPECT_EQ(help.status, 0) << p.name;
        EXPECT_NE(help.out.find(p.usage), std::string::npos) << help.out;
        EXPECT_NE(help.out.find("Exit status"), std::string::npos) << p.name;
        EXPECT_EQ(help.err, "");

        const ProgramRun version = run_in(dir, exe + " --version");
        EXPECT_EQ(version.status, 0) << p.name;
        EXPECT_EQ(version.out.rfind(std::string(p.name) + " " TILEBENCH_VERSION " (revision ", 0), 0u) << version.out;
        EXPECT_EQ(lines_of(version.out).size(), 1u);

        const ProgramRun unknown = run_in(dir, exe + " --frobnicate");
        EXPECT_EQ(unknown.status, 2) << p.name;
        EXPECT_EQ(unknown.out, "") << p.name;
        EXPECT_NE(unknown.err.find("frobnicate"), std::string::npos) << unknown.err;
        EXPECT_NE(unknown.err.find(p.usage), std::string::npos) << unknown.err;
    }
    EXPECT_FALSE(file_exists(dir + "/out.csv")); // none of them ran a benchmark
}

// The man pages are made from --help, so this keeps them, the help and the README telling the
// same statuses.
TEST(CommandLine, EveryProgramsHelpListsTheExitStatusesOfItsReadmeTable)
{
    const std::string dir = make_scratch_dir("command_line");
    const std::string readme = read_file(TILEBENCH_SOURCE_DIR "/README.md");
    const struct {
        const char* exe;
        const char* header;
        int status_column;
    } programs[] = {
        {TILEBENCH_EXE, "| situation | what happens | exit status |", 2},
        {TILEBENCH_SCAN_EXE, "| status | tilebench-scan |", 0},
        {TILEBENCH_PLOT_EXE, "| status | tilebench-plot |", 0},
        {TILEBENCH_COMPARE_EXE, "| status | tilebench-compare |", 0},
    };
    for (const auto& p : programs) {
        const std::set<int> in_readme = statuses_in_readme_table(readme, p.header, p.status_column);
        EXPECT_GE(in_readme.size(), 3u) << p.header;
        EXPECT_EQ(statuses_in_help(run_in(dir, std::string("'") + p.exe + "' --help").out), in_readme) << p.exe;
    }
}

TEST(CommandLine, TilebenchSaysWhatItWaitsForOnlyOnATerminal)
{
    const std::string dir = make_scratch_dir("terminal");
    const std::string hint = "tilebench: waiting for size block_size num_iter max_threads on standard input "
                             "(tilebench --help says more)\n";
    // script(1) gives the program a pseudo-terminal for standard input.
    ASSERT_EQ(shell("cd '" + dir +
                    "' && printf '8 4 0 3\\n' | script -qec \"'" TILEBENCH_EXE "' 2> err.txt\" /dev/null > /dev/null"),
              0);
    EXPECT_EQ(read_file(dir + "/err.txt"), hint);
    // From a pipe or a file, nothing: the program tests pin all of standard error there.
}

} // namespace
