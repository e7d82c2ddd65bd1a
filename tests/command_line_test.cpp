// Every program answers --help and --version, refuses an unknown argument with its usage, and
// tilebench, which reads standard input, says what it waits for only to a person at a terminal.
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

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
    const ProgramRun piped = run_in(dir, "'" TILEBENCH_EXE "'", "8 4 0 3\n");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.err, ""); // from a pipe or a file: nothing
}

} // namespace
