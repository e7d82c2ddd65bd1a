// Runs the built tilebench as a user does, in a scratch directory with given standard input,
// and checks what it prints, what it leaves in out.csv and how it exits: one case per exit
// status, and what only a whole process shows (limits, concurrent appends, a kill).
#include "report/result_row.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace {

struct TilebenchRun {
    int status;
    std::string out, err, csv;
    bool csv_exists;
};

const std::string exe = TILEBENCH_EXE;

// prefix: shell text run first in the same shell (ulimit, environment).
TilebenchRun run_tilebench(const std::string& dir, const std::string& input, const std::string& prefix = "")
{
    const ProgramRun run = run_in(dir, "'" + exe + "'", input, prefix);
    TilebenchRun result{run.status, run.out, run.err, "", file_exists(dir + "/out.csv")};
    result.csv = result.csv_exists ? read_file(dir + "/out.csv") : "";
    return result;
}

// The console a run must print, every time replaced by TIME.
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

// A console time has the promised form when "%g" of its value gives the same text (six
// significant digits, an exponent below 1e-4).
bool is_general_notation(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    char again[64];
    std::snprintf(again, sizeof(again), "%g", value);
    return !text.empty() && *end == '\0' && text == again;
}

std::vector<std::string> with_times_masked(const std::string& out)
{
    const std::string prefix = "Temps d'Execution : ";
    std::vector<std::string> lines = lines_of(out);
    for (std::string& line : lines)
        if (line.rfind(prefix, 0) == 0 && is_general_notation(line.substr(prefix.size())))
            line = prefix + "TIME";
    return lines;
}

// Exactly what the writer writes: the line reads as a row and formats back to itself.
bool is_result_row(const std::string& line, ResultRow& row)
{
    std::string problem;
    return parse_result_row(line, row, problem) && format_result_row(row) == line;
}

// Each row is a whole result row and begins with its thread count and order, in this order.
void expect_rows_starting(const std::vector<std::string>& rows, const std::vector<std::string>& starts)
{
    ASSERT_EQ(rows.size(), starts.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ResultRow row;
        EXPECT_EQ(rows[r].rfind(starts[r], 0), 0u) << rows[r];
        EXPECT_TRUE(is_result_row(rows[r], row)) << rows[r];
    }
}

// Recomputes each row's figures from the times the console printed: the mean of the run's
// parallel times, the baseline (mean of the sequential ones) over it, and that over t and 4.
// Console times carry six significant digits and figures six decimals, hence the tolerance.
void expect_figures_from_console(const std::string& out, const std::vector<std::string>& rows, int num_iter)
{
    std::vector<double> times;
    for (const std::string& line : lines_of(out))
        if (line.rfind("Temps d'Execution : ", 0) == 0)
            times.push_back(std::stod(line.substr(20)));
    const auto mean_of = [&](std::size_t first) {
        double sum = 0.0;
        for (int r = 0; r < num_iter; ++r)
            sum += times.at(first + r);
        return sum / num_iter;
    };
    const double baseline = mean_of(0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ResultRow row;
        ASSERT_TRUE(is_result_row(rows[r], row)) << rows[r];
        const double t = row.threads, mean = mean_of((r + 1) * num_iter);
        const double expected[] = {mean, baseline / mean, baseline / mean / t, baseline / mean / 4};
        const double written[] = {row.time, row.speed_up, row.efficiency, row.real_efficiency};
        for (int f = 0; f < 4; ++f)
            EXPECT_NEAR(written[f], expected[f], 1e-4 * expected[f] + 1e-6) << rows[r] << " field " << 2 + f;
    }
}

// Standard error without the warning that the sweep oversubscribes the cores, which depends
// on the machine running the test.
std::string without_core_warning(const std::string& err)
{
    std::string kept;
    for (const std::string& line : lines_of(err))
        if (line.rfind("tilebench: warning (oversubscribed): up to ", 0) != 0)
            kept += line + "\n";
    return kept;
}

TEST(Program, RunsPrintEveryRunAndAppendRowsWithoutAHeader)
{
    const std::string dir = make_scratch_dir("program");
    const TilebenchRun first = run_tilebench(dir, "512 64 3 5\n");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(without_core_warning(first.err), "");
    EXPECT_EQ(with_times_masked(first.out), expected_console(3, 5)); // 33 lines
    expect_figures_from_console(first.out, lines_of(first.csv), 3);
    // The numbers may come one per line; a second run appends below the first.
    const TilebenchRun second = run_tilebench(dir, "48\n8\n1\n3\n");
    EXPECT_EQ(with_times_masked(second.out), expected_console(1, 3));
    expect_rows_starting(lines_of(second.csv), {"2,512,", "3,512,", "4,512,", "2,48,"});
}

TEST(Program, NoIterationsOrNoThreadCountsGiveTheirDegenerateRuns)
{
    const std::string dir = make_scratch_dir("program");
    const TilebenchRun none = run_tilebench(dir, "8 4 0 4");
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(lines_of(none.csv).size(), 2u);
    for (const auto& line : lines_of(none.csv)) {
        ResultRow row;
        EXPECT_TRUE(is_result_row(line, row)) << line;
        EXPECT_TRUE(std::isnan(row.time) && std::isnan(row.speed_up) && std::isnan(row.efficiency) &&
                    std::isnan(row.real_efficiency))
            << line;
    }
    for (const char* max_threads : {"2", "-5"}) {
        const std::string empty_dir = make_scratch_dir("program");
        const TilebenchRun run = run_tilebench(empty_dir, std::string("16 4 2 ") + max_threads);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(with_times_masked(run.out), expected_console(2, 0));
        EXPECT_FALSE(run.csv_exists) << max_threads;
    }
}

// A token of any length, or with any bytes, comes back as a short escaped quote.
TEST(Program, ABadTokenIsQuotedShortAndEscaped)
{
    const std::string dir = make_scratch_dir("program");
    const TilebenchRun huge = run_tilebench(dir, "512 64 3 " + std::string(20000000, '9') + "x");
    EXPECT_EQ(huge.status, 2);
    EXPECT_EQ(huge.err, "tilebench: max_threads must be a whole number, got '" + std::string(40, '9') +
                            "... (20000001 bytes)'\n");
    const TilebenchRun binary = run_tilebench(dir, std::string("512 6\0"
                                                               "4\x01 3 5",
                                                               12));
    EXPECT_EQ(binary.err, "tilebench: block_size must be a whole number, got '6\\x004\\x01'\n");
}

// The parameter rules themselves are checked on the reader; here, that a refusal stops the
// process before anything is built, with its status, under limits only a whole process meets.
TEST(Program, RefusedRunsStopBeforeAnythingIsBuiltWithTheirStatus)
{
    const struct {
        const char *input, *limits; // limits: shell text run first in the same shell
        int status;
        const char* message; // all of standard error, or only its end where the machine says the rest
        bool whole;
    } cases[] = {
        {"512 64 3 5abc", "", 2, "tilebench: max_threads must be a whole number, got '5abc'\n", true},
        {"8 4 -3 4", "", 2, "tilebench: num_iter must be 0 or more, got -3\n", true},
        {"2000000000 64 3 5", "", 3, "of memory is available\n", false},
        // An address-space limit is known beforehand: refused with the figures.
        {"6000 64 1 3", "ulimit -v 300000;", 3,
         "tilebench: size 6000 needs 0.4 GiB for its three matrices, but only 0.3 GiB of memory is available\n", true},
        // A data limit is not: the allocation itself fails, and is caught.
        {"6000 64 1 3", "ulimit -d 100000;", 3, "tilebench: out of memory while building the matrices\n", true},
        {"64 8 1 100", "prlimit --nproc=40:40", 2,
         "tilebench: max_threads 100: a team of 99 threads needs 98 more threads, but the process limit (ulimit -u) "
         "allows 40\n",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.limits) + " " + c.input);
#if defined(TILEBENCH_SANITIZED)
        // Sanitizer runtimes reserve terabytes of address space and cannot start under ulimit.
        if (std::string(c.limits).rfind("ulimit", 0) == 0)
            continue;
#endif
        const std::string dir = make_scratch_dir("program");
        const TilebenchRun run = run_tilebench(dir, c.input, c.limits);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(lines_of(run.err).size(), 1u) << run.err;
        if (c.whole) {
            EXPECT_EQ(run.err, c.message);
        } else {
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        }
        EXPECT_FALSE(run.csv_exists);
    }
}

// out.csv may be a named pipe. Without a reader its rows are lost aloud, like any file that
// cannot be written, and the run goes on; with one, the reader gets every row whole. The timeouts turn a run that
// would wait for a reader forever into a failure.
TEST(Program, AnOutCsvPipeGetsItsRowsOnlyWhileSomeoneReadsIt)
{
    const std::string dir = make_scratch_dir("program");
    ASSERT_EQ(shell("mkfifo '" + dir + "/out.csv'"), 0);
    const ProgramRun unread = run_in(dir, "timeout 30 '" + exe + "'", "8 4 1 4");
    EXPECT_EQ(unread.status, 0);
    EXPECT_EQ(with_times_masked(unread.out), expected_console(1, 4));
    EXPECT_EQ(without_core_warning(unread.err), "tilebench: cannot open out.csv: No such device or address\n"
                                                "tilebench: cannot open out.csv: No such device or address\n");

    write_file(dir + "/stdin.txt", "8 4 1 4");
    const int status = shell("cd '" + dir + "' && exec 3<>out.csv && timeout 30 '" + exe +
                             "' < stdin.txt > stdout.txt 2> stderr.txt && timeout 10 head -n 2 <&3 > rows.txt");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(without_core_warning(read_file(dir + "/stderr.txt")), "");
    expect_rows_starting(lines_of(read_file(dir + "/rows.txt")), {"2,8,", "3,8,"});
}

TEST(ProgramLimits, ThreadCountsFarAboveTheCoresRunAndReportTheirTeam)
{
    const std::string dir = make_scratch_dir("many_threads");
    const TilebenchRun run = run_tilebench(dir, "16 2 1 66");
    EXPECT_EQ(with_times_masked(run.out), expected_console(1, 66));
    EXPECT_EQ(run.err.rfind("tilebench: warning (oversubscribed): up to 65 threads on ", 0), 0u) << run.err;
    const auto rows = lines_of(run.csv);
    ASSERT_EQ(rows.size(), 64u);
    EXPECT_EQ(rows.back().rfind("65,16,", 0), 0u);
}

// A full disk during an append: the row is taken back out, said on standard error, and the
// next run, once there is room, starts its rows on a line of their own.
TEST(ProgramLimits, AFullDiskLeavesOnlyWholeRowsAndACleanNextRun)
{
    const std::string dir = make_scratch_dir("full_disk");
    const std::string disk = dir + "/disk";
    if (shell("mkdir '" + disk + "' && mount -t tmpfs -o size=8k tmpfs '" + disk + "' 2>/dev/null") != 0)
        GTEST_SKIP() << "needs to mount a small tmpfs (root)";
    std::string rows; // 102 rows of 40 bytes: one page but 16 bytes, so the next row cannot fit
    for (int r = 0; r < 102; ++r)
        rows += "2,8,0.000010,1.000000,0.500000,0.250000\n";
    write_file(disk + "/out.csv", rows);
    write_file(disk + "/filler", std::string(4096, 'f')); // the other page
    // The console goes to the scratch directory beside the full disk.
    const std::string run = "cd '" + disk + "' && echo 8 4 1 4 | '" + exe + "' > ../out.txt 2> ../err.txt";
    EXPECT_EQ(shell(run), 0);
    EXPECT_EQ(without_core_warning(read_file(dir + "/err.txt")),
              "tilebench: cannot write out.csv: No space left on device\n"
              "tilebench: cannot write out.csv: No space left on device\n");
    EXPECT_EQ(read_file(disk + "/out.csv"), rows);

    ASSERT_EQ(shell("rm '" + disk + "/filler'"), 0);
    EXPECT_EQ(shell(run), 0);
    EXPECT_EQ(without_core_warning(read_file(dir + "/err.txt")), "");
    const auto lines = lines_of(read_file(disk + "/out.csv"));
    EXPECT_EQ(lines.size(), 104u);
    for (const std::string& line : lines) {
        ResultRow row;
        EXPECT_TRUE(is_result_row(line, row)) << line;
    }
    shell("umount '" + disk + "'");
}

// The team line says what the runtime gave; standard error says, once, that it was less.
TEST(ProgramLimits, ATeamSmallerThanAskedIsSaidOnceOnStandardError)
{
    const std::string dir = make_scratch_dir("thread_limit");
    const TilebenchRun run = run_tilebench(dir, "16 4 1 6", "OMP_THREAD_LIMIT=3");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Number of threads: 3\nTemps"), std::string::npos);
    EXPECT_EQ(run.out.find("Number of threads: 4"), std::string::npos);
    std::vector<std::string> team_lines;
    for (const std::string& line : lines_of(run.err))
        if (line.find("(team_smaller)") != std::string::npos)
            team_lines.push_back(line);
    EXPECT_EQ(team_lines, (std::vector<std::string>{"tilebench: warning (team_smaller): the OpenMP runtime gave "
                                                    "smaller teams than asked (3 of 4 threads; see OMP_THREAD_LIMIT, "
                                                    "OMP_DYNAMIC)"}));
    EXPECT_EQ(lines_of(run.csv).size(), 4u); // rows keep the count asked for
    EXPECT_EQ(lines_of(run.csv).back().rfind("5,16,", 0), 0u);
}

// Every line must be a whole row, and the rows of each size must count threads 2, 3, ...
// without a gap, at least min_rows of them.
void expect_whole_rows_in_order(const std::string& csv, const std::vector<int>& sizes, int min_rows)
{
    std::map<int, int> next_thread_count;
    for (int size : sizes)
        next_thread_count[size] = 2;
    for (const std::string& line : lines_of(csv)) {
        ResultRow row;
        ASSERT_TRUE(is_result_row(line, row)) << "torn or mixed row: '" << line << "'";
        ASSERT_EQ(next_thread_count.count(row.size), 1u) << line;
        EXPECT_EQ(row.threads, next_thread_count[row.size]++) << line;
    }
    EXPECT_TRUE(csv.empty() || csv.back() == '\n');
    for (int size : sizes)
        EXPECT_GE(next_thread_count[size] - 2, min_rows) << "size " << size;
}

TEST(ProgramLimits, RunsAppendingAtOnceLeaveOnlyWholeRows)
{
    const std::string dir = make_scratch_dir("concurrent");
    ASSERT_EQ(
        shell("cd '" + dir + "' && for s in 8 9 10 11; do echo \"$s 2 1 60\" | '" + exe + "' > /dev/null & done; wait"),
        0);
    expect_whole_rows_in_order(read_file(dir + "/out.csv"), {8, 9, 10, 11}, 58);
}

// A lock on out.csv held by another process (another tilebench, or anyone who takes it the
// same way): the run waits for it rather than writing beside it, then appends its rows whole.
TEST(ProgramLimits, ARunWaitsForALockHeldOnOutCsv)
{
    const std::string dir = make_scratch_dir("locked");
    write_file(dir + "/out.csv", "");
    const int fd = ::open((dir + "/out.csv").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(fcntl(fd, F_SETLK, &lock), 0);
    ASSERT_EQ(shell("cd '" + dir + "' && { echo 8 2 1 4 | '" + exe +
                    "' > out.txt 2>&1; echo $? > status.tmp; mv status.tmp status; } &"),
              0);
    usleep(500000); // far longer than the run takes once it may write
    EXPECT_EQ(read_file(dir + "/out.csv"), "");
    EXPECT_FALSE(file_exists(dir + "/status")) << "the run did not wait for the lock";
    ::close(fd); // releases the lock
    for (int tries = 0; tries < 200 && !file_exists(dir + "/status"); ++tries)
        usleep(50000);
    EXPECT_EQ(read_file(dir + "/status"), "0\n");
    expect_whole_rows_in_order(read_file(dir + "/out.csv"), {8}, 2);
}

TEST(ProgramLimits, AKilledRunLeavesTheRowsOfItsFinishedThreadCounts)
{
    const std::string dir = make_scratch_dir("killed");
    EXPECT_EQ(shell("cd '" + dir + "' && echo '40 8 2 5000' | timeout -s KILL 1 '" + exe + "' > /dev/null"),
              137); // killed, as intended
    expect_whole_rows_in_order(read_file(dir + "/out.csv"), {40}, 1);
}

} // namespace
