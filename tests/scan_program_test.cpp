// tilebench-scan run as a user runs it: its files, its record's keys, its statuses and what
// a signal leaves behind.
#include "test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

const std::string scan_exe = "'" TILEBENCH_SCAN_EXE "'";

std::vector<std::string> keys_of(const nlohmann::ordered_json& object)
{
    std::vector<std::string> keys;
    for (const auto& item : object.items())
        keys.push_back(item.key());
    return keys;
}

TEST(ScanProgram, WritesEverySampleAndARecordWithItsKeys)
{
    const std::string dir = make_scratch_dir("scan_program");
    const ProgramRun run = run_in(dir, scan_exe + " --size 48 --block 8 --threads 1-2 --min-runs 3 --max-runs 3 "
                                                  "--seed 5 --output study");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("baseline: sequential kernel, median "), std::string::npos) << run.out;
    const auto samples = lines_of(read_file(dir + "/study.csv"));
    ASSERT_EQ(samples.size(), 1u + 3 * 3);
    EXPECT_EQ(samples[0], "round,config,threads,team,seconds,valid");

    const auto record = nlohmann::ordered_json::parse(read_file(dir + "/study.json"));
    EXPECT_EQ(keys_of(record),
              (std::vector<std::string>{"format_version", "parameters", "machine", "build", "environment",
                                        "configurations", "speedup", "probe", "warnings", "rounds", "samples",
                                        "invalid_samples", "elapsed_s", "timed_s", "stop_reason", "interrupted"}));
    // Every key below the top is pinned, byte for byte, by the record's own tests.
    ASSERT_EQ(record["configurations"].size(), 3u);
    ASSERT_EQ(record["speedup"].size(), 2u);
    for (const auto& warning : record["warnings"]) {
        EXPECT_TRUE(warning["kind"].is_string());
        EXPECT_NE(run.err.find(warning["message"].get<std::string>()), std::string::npos); // said on stderr too
    }
    // An edge of 8 floats, 32 bytes, is narrower than the 64-byte lines of most processors: where
    // hwloc gives such a line, the record says so and the scan warns.
    if (record["machine"].value("cache_line_bytes", 0) > 32) {
        EXPECT_NE(run.err.find("warning (shared_lines): a tile's row is no wider than the "), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("cache line at n 48 b 8: "), std::string::npos) << run.err;
        // The untiled kernel deals out whole rows: its threads share no line within a row.
        const ProgramRun rows = run_in(dir, scan_exe + " --kernel untiled --size 48 --block 8 --threads 1-2 "
                                                       "--min-runs 3 --max-runs 3 --quiet --probe none --output rows");
        ASSERT_EQ(rows.status, 0) << rows.err;
        EXPECT_EQ(rows.err.find("shared_lines"), std::string::npos) << rows.err;
    }
}

TEST(ScanProgram, AThreadLimitGivesSmallerTeamsThatEverySampleAndTheRecordShow)
{
    const std::string dir = make_scratch_dir("scan_limit");
    const ProgramRun run =
        run_in(dir, scan_exe + " --size 32 --block 8 --threads 1-3 --min-runs 2 --max-runs 2 --quiet --probe none", "",
               "OMP_THREAD_LIMIT=2");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const std::string& line : lines_of(read_file(dir + "/scan.csv")))
        if (line.find(",parallel,3,") != std::string::npos) {
            EXPECT_NE(line.find(",parallel,3,2,"), std::string::npos) << line; // asked 3, got 2
        }
    const auto record = nlohmann::json::parse(read_file(dir + "/scan.json"));
    EXPECT_EQ(record["configurations"][3]["teams"], nlohmann::json::array({2}));
    // Two rounds gave the short team twice, and it is said once.
    const std::string said = "the OpenMP runtime gave smaller teams than asked (2 of 3 threads; see OMP_THREAD_LIMIT, "
                             "OMP_DYNAMIC)";
    int warned = 0;
    for (const auto& warning : record["warnings"])
        if (warning["kind"] == "team_smaller") {
            EXPECT_EQ(warning["message"], said);
            ++warned;
        }
    EXPECT_EQ(warned, 1);
    EXPECT_NE(run.err.find("tilebench-scan: warning (team_smaller): " + said + "\n"), std::string::npos) << run.err;
}

TEST(ScanProgram, OnlyTheCpusTheProcessMayUseAreBoundCountedAndScanned)
{
    if (shell("taskset -c 1 true 2>/dev/null") != 0)
        GTEST_SKIP() << "no taskset, or no CPU 1 to run on";
    const std::string dir = make_scratch_dir("scan_taskset");
    const std::string scan = "taskset -c 1 " + scan_exe + " --size 16 --block 8 --min-runs 2 --max-runs 2 --quiet";

    // Bound to cores: every thread where it was allowed, not on CPU 0.
    ProgramRun run = run_in(dir, scan + " --output cores");
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json record = nlohmann::json::parse(read_file(dir + "/cores.json"));
    EXPECT_EQ(record["parameters"]["threads"], nlohmann::json::array({1})); // the default list: 1 allowed CPU
    EXPECT_EQ(record["machine"]["allowed_cpus"], nlohmann::json::array({1}));
    for (const auto& configuration : record["configurations"])
        EXPECT_EQ(configuration["placement"], nlohmann::json::parse("[[1]]")) << configuration;

    // Unbound, two threads share the one CPU: said.
    run = run_in(dir, scan + " --threads 1-2 --bind none --output none");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning (oversubscribed): up to 2 threads on 1 physical cores"), std::string::npos)
        << run.err;
}

TEST(ScanProgram, BadOptionsAreOneLineAndStatusTwoBeforeAnythingIsWritten)
{
    const std::string dir = make_scratch_dir("scan_program");
    const struct {
        const char* options;
        int status;
    } cases[] = {
        {"--size -3", 2},
        {"--threads 3-1", 2},
        {"--output missing/dir/scan", 1}, // an output that cannot be made, found before measuring
        {"--size 200000", 3},             // four matrices of 160 GB
        {"--threads 1-100 --size 8", 2},  // beyond the process limit below
    };
    for (const auto& [options, status] : cases) {
        const ProgramRun run = run_in(dir, scan_exe + " " + options, "", "prlimit --nproc=40:40");
        EXPECT_EQ(run.status, status) << options << ": " << run.err;
        EXPECT_EQ(lines_of(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(file_exists(dir + "/scan.csv"));
}

TEST(ScanProgram, ARecordThatCannotBeWrittenIsSaidAndStatusOne)
{
    // A folder that appears where the record goes once the scan is under way: what stood there at
    // the start is checked then (a FIFO, above), and this is what the end still meets.
    const std::string dir = make_scratch_dir("scan_unwritable");
    const int got = shell("cd '" + dir + "' && { " + scan_exe +
                          " --size 16 --block 8 --threads 1 --min-runs 100000 --max-runs 100000 --time-limit 2 "
                          "--probe none --quiet > out.txt 2> err.txt & pid=$!; "
                          "while [ \"$(wc -l 2>/dev/null < scan.csv || echo 0)\" -lt 5 ]; do sleep 0.05; done; "
                          "mkdir -p scan.json/inside; wait $pid; }");
    EXPECT_EQ(got, 1);
    const std::string err = read_file(dir + "/err.txt");
    EXPECT_NE(err.find("tilebench-scan: cannot write scan.json: it is not a regular file (a FIFO, a device or a "
                       "directory)\n"),
              std::string::npos)
        << err;
    EXPECT_NE(read_file(dir + "/out.txt").find("baseline: sequential kernel"), std::string::npos); // the table
    const std::vector<std::string> samples = lines_of(read_file(dir + "/scan.csv"));
    EXPECT_GT(samples.size(), 5u); // and every sample
    EXPECT_EQ(samples.back().back(), '1');
}

// Whether this shell can start a program with SIGINT at its default: a background job of a
// shell without job control starts with it ignored, which the scan keeps.
bool can_reset_sigint()
{
    return shell("env --default-signal=INT true 2>/dev/null") == 0;
}

TEST(ScanProgram, ASignalEndsTheScanWithTheSummaryOfWhatItHas)
{
    // Until the samples file holds a header and four samples.
    const char* after_samples = "while [ \"$(wc -l 2>/dev/null < scan.csv || echo 0)\" -lt 5 ]; do sleep 0.05; done";
    const struct {
        const char* signal;
        const char* wait; // shell text run before the signal is sent
        int status;
    } cases[] = {
        {"INT", after_samples, 130},
        {"TERM", after_samples, 143},
        {"HUP", after_samples, 129}, // a closed terminal, once an end with no summary
        // As soon as the samples file is there: during the half second that measures other
        // work, before the first call, once an end with only the header.
        {"INT", "while [ ! -s scan.csv ]; do sleep 0.01; done", 130},
        {"TERM", "while [ ! -s scan.csv ]; do sleep 0.01; done", 143},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.signal) + " after " + c.wait);
        if (std::string(c.signal) == "INT" && !can_reset_sigint()) {
            ADD_FAILURE() << "env --default-signal is missing: SIGINT cannot be tried";
            continue;
        }
        const std::string dir = make_scratch_dir("scan_signal");
        const int got = shell("cd '" + dir + "' && { env --default-signal=INT " + scan_exe +
                              " --size 64 --block 8 --threads 1-2 --min-runs 100000 --max-runs 100000 --quiet "
                              "> out.txt 2> err.txt & pid=$!; " +
                              c.wait + "; kill -" + c.signal + " $pid; wait $pid; }");
        EXPECT_EQ(got, c.status) << read_file(dir + "/err.txt");
        const nlohmann::json record = nlohmann::json::parse(read_file(dir + "/scan.json"));
        EXPECT_EQ(record["interrupted"], true);
        EXPECT_EQ(record["stop_reason"], "interrupted");
        EXPECT_EQ(lines_of(read_file(dir + "/scan.csv")).size(), record["samples"].get<std::size_t>() + 1);
        if (c.wait == after_samples) {
            EXPECT_GT(record["samples"].get<int>(), 3);
        }
        EXPECT_NE(read_file(dir + "/out.txt").find("stopped: interrupted"), std::string::npos);
    }
}

TEST(ScanProgram, ASignalIgnoredWhenTheScanStartsStaysIgnored)
{
    const std::string dir = make_scratch_dir("scan_ignored");
    const int got =
        shell("cd '" + dir + "' && trap '' INT HUP && { " + scan_exe +
              " --size 64 --block 8 --threads 1-2 --min-runs 30 --max-runs 30 --time-limit 86400 --probe none "
              "--quiet > out.txt "
              "2> err.txt & pid=$!; sleep 1; kill -INT $pid; kill -HUP $pid; wait $pid; }");
    EXPECT_EQ(got, 0) << read_file(dir + "/err.txt");
    const nlohmann::json record = nlohmann::json::parse(read_file(dir + "/scan.json"));
    EXPECT_EQ(record["interrupted"], false);
    EXPECT_EQ(record["rounds"], 30);
}

TEST(ScanProgram, TextThatIsNotUtf8KeepsTheRecordWhole)
{
    const std::string dir = make_scratch_dir("scan_utf8");
    // \377 is never UTF-8: once the record's writer threw on it after the whole scan.
    const ProgramRun run = run_in(dir,
                                  scan_exe + " --size 16 --block 8 --threads 1 --min-runs 1 --max-runs 1 --quiet "
                                             "--output \"p$(printf '\\377')\"",
                                  "", "OMP_X=\"a$(printf '\\377')b\"");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("baseline: sequential kernel"), std::string::npos);
    const nlohmann::json record = nlohmann::json::parse(read_file(dir + "/p\xff.json"));
    EXPECT_EQ(record["environment"]["OMP_X"], "a\xef\xbf\xbd"
                                              "b"); // U+FFFD in place of the byte
    EXPECT_EQ(record["parameters"]["output"], "p\xef\xbf\xbd");
    EXPECT_EQ(lines_of(read_file(dir + "/p\xff.csv")).size(), 3u);
}

TEST(ScanProgram, ATableThatCannotReachStandardOutputIsSaidAndStatusOne)
{
    const std::string scan = scan_exe + " --size 16 --block 8 --threads 1 --min-runs 1 --max-runs 1 --quiet";
    const struct {
        std::string command;
        const char* reason;
    } cases[] = {
        {scan + " > /dev/full", "No space left on device"},
        {scan + " >&-", "Bad file descriptor"}, // once the table went into scan.csv, which took its number
        {scan_exe + " --help > /dev/full", "No space left on device"},
    };
    for (const auto& c : cases) {
        const std::string dir = make_scratch_dir("scan_stdout");
        const int got = shell("cd '" + dir + "' && " + c.command + " 2> err.txt");
        EXPECT_EQ(got, 1) << c.command;
        const std::string err = read_file(dir + "/err.txt");
        EXPECT_NE(err.find(std::string("tilebench-scan: cannot write standard output: ") + c.reason + "\n"),
                  std::string::npos)
            << c.command << ": " << err;
        if (c.command.find("--help") == std::string::npos) {
            EXPECT_EQ(nlohmann::json::parse(read_file(dir + "/scan.json"))["rounds"], 1); // the record is whole
        }
    }
}

// A second scan on a prefix in use is refused before it measures anything. What the first
// leaves when stopped: on SIGTERM its record, on SIGKILL no record at all, not even a temporary
// one; either way whole sample lines only, and the prefix free for the next scan.
TEST(ScanProgram, TwoScansOnOnePrefixNeverShareItAndAKilledOneLeavesWholeLines)
{
    for (const std::string signal : {"TERM", "KILL"}) {
        SCOPED_TRACE(signal);
        const std::string dir = make_scratch_dir("scan_busy");
        const int got = shell("cd '" + dir + "' && { " + scan_exe +
                              " --size 32 --block 8 --threads 1-2 --min-runs 100000 --max-runs 100000 --quiet "
                              "> first.txt 2> first.err & pid=$!; "
                              "while [ \"$(wc -l 2>/dev/null < scan.csv || echo 0)\" -lt 5 ]; do sleep 0.05; done; " +
                              scan_exe +
                              " --size 16 --block 8 --threads 1 --quiet > second.txt 2> second.err; "
                              "echo $? > second.status; kill -" +
                              signal + " $pid; wait $pid; }");
        EXPECT_EQ(got, signal == "TERM" ? 143 : 137) << read_file(dir + "/first.err");
        EXPECT_EQ(read_file(dir + "/second.status"), "1\n");
        EXPECT_EQ(read_file(dir + "/second.err"),
                  "tilebench-scan: scan.csv is being written by another scan; give this one another --output\n");
        EXPECT_EQ(read_file(dir + "/second.txt"), "");
        // Only the first scan's lines, every one whole.
        const std::string samples = read_file(dir + "/scan.csv");
        const auto lines = lines_of(samples);
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(samples.back(), '\n');
        for (std::size_t i = 1; i < lines.size(); ++i)
            EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ','), 5) << lines[i];
        if (signal == "TERM") {
            const nlohmann::json record = nlohmann::json::parse(read_file(dir + "/scan.json"));
            EXPECT_EQ(record["parameters"]["size"], 32);
        } else {
            EXPECT_EQ(shell("ls -A '" + dir + "' | grep -q json"), 1);
        }
        const ProgramRun next = run_in(dir, scan_exe + " --size 16 --block 8 --threads 1 --min-runs 1 --max-runs 1 "
                                                       "--quiet --probe none");
        EXPECT_EQ(next.status, 0) << next.err;
    }
}

TEST(ScanProgram, NoFileIsWrittenThroughALinkOrEmptiedUnlessItIsAScansOwn)
{
    const std::string results = "2,512,0.108178,1.992155,0.996077,0.498039\n";
    const std::string scan = scan_exe + " --size 16 --block 8 --threads 1 --min-runs 1 --max-runs 1 --quiet";
    const struct {
        const char* setup; // shell text run in a fresh dir first
        const char* output;
        int status;
        const char* err; // the one line on standard error when refused
    } cases[] = {
        {"ln -s precious scan.csv", "scan", 1,
         "tilebench-scan: scan.csv is a symbolic link; a scan writes through none\n"},
        {"ln -s missing scan.csv", "scan", 1,
         "tilebench-scan: scan.csv is a symbolic link; a scan writes through none\n"},
        // tilebench's rows, which --output out once emptied
        {"cp precious out.csv", "out", 1,
         "tilebench-scan: out.csv is not a scan's samples file (its first line is not the samples header); it is left "
         "as it is\n"},
        // links where the record goes, or where its temporary once always went: replaced or passed by
        {"ln -s precious scan.json && ln -s precious scan.json.tmp", "scan", 0, ""},
        {"printf 'round,config,threads,team,seconds,valid\\n1,seq' > scan.csv", "scan", 0, ""}, // an old scan's
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setup);
        const std::string dir = make_scratch_dir("scan_links");
        write_file(dir + "/precious", results);
        ASSERT_EQ(shell("cd '" + dir + "' && " + c.setup), 0);
        const ProgramRun run = run_in(dir, scan + " --output " + c.output);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(read_file(dir + "/precious"), results);
        EXPECT_FALSE(file_exists(dir + "/missing"));
        if (c.status != 0) {
            EXPECT_EQ(run.err, c.err);
            EXPECT_EQ(run.out, "");
            EXPECT_FALSE(file_exists(dir + "/" + c.output + ".json"));
            continue;
        }
        EXPECT_EQ(nlohmann::json::parse(read_file(dir + "/scan.json"))["rounds"], 1);
        EXPECT_EQ(lines_of(read_file(dir + "/scan.csv")).size(), 3u);
    }
    // A FIFO where the record goes would be replaced by the rename at the end (a device, as root,
    // too): refused before anything is measured, and left as it was.
    const std::string dir = make_scratch_dir("scan_fifo_record");
    ASSERT_EQ(shell("cd '" + dir + "' && mkfifo scan.json"), 0);
    const ProgramRun run = run_in(dir, "timeout 60 " + scan);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "tilebench-scan: cannot write scan.json: it is not a regular file (a FIFO, a device or a directory)\n");
    EXPECT_FALSE(file_exists(dir + "/scan.csv"));
    EXPECT_EQ(shell("[ -p '" + dir + "/scan.json' ]"), 0);
}

// Standard error closed from the start, or its reader (true) gone before the scan's first
// warning, half a second in: the scan still ends well, with every sample and its record, and no
// warning lands in the samples file that took the closed stream's number.
TEST(ScanProgram, AStandardStreamStartedClosedOrLeftByItsReaderCostsTheScanNothing)
{
    // --bind none and a team held to one thread give warnings at the start and at the end.
    const std::string scan =
        "OMP_THREAD_LIMIT=1 " + scan_exe + " --size 16 --block 8 --threads 1-2 --min-runs 2 --max-runs 2 --bind none";
    const struct {
        const char *streams, *after; // the scan's own redirections; what its group is piped into
    } cases[] = {{"2>&-", ""}, {"<&- 2>&-", ""}, {"<&- 2> err.txt", ""}, {"2>&1", " | true"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.streams) + c.after);
        const std::string dir = make_scratch_dir("scan_closed");
        ASSERT_EQ(
            shell("cd '" + dir + "' && { " + scan + " " + c.streams + " > out.txt; echo $? > status.txt; }" + c.after),
            0);
        EXPECT_EQ(read_file(dir + "/status.txt"), "0\n");
        const auto lines = lines_of(read_file(dir + "/scan.csv"));
        ASSERT_EQ(lines.size(), 1u + 2 * 3);
        for (const std::string& line : lines)
            EXPECT_EQ(line.find("tilebench-scan"), std::string::npos) << line;
        EXPECT_NE(read_file(dir + "/out.txt").find("baseline: sequential kernel"), std::string::npos);
        EXPECT_EQ(nlohmann::json::parse(read_file(dir + "/scan.json"))["rounds"], 2);
    }
}

TEST(ScanProgram, CallsTooShortForTheClockAreSaidAndNeverPrecise)
{
    const std::string dir = make_scratch_dir("scan_short");
    const ProgramRun run =
        run_in(dir, scan_exe + " --size 8 --block 2 --threads 1-2 --min-runs 3 --max-runs 3 --quiet --seed 1 "
                               "--probe none"); // a busy machine's starved rounds would leave no median to judge
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("tilebench-scan: warning (too_short): the median call of the sequential kernel"),
              std::string::npos)
        << run.err;
    // Which figures such calls leave is the summary's own test; here, that the table marks none precise.
    EXPECT_EQ(run.out.find("yes\n"), std::string::npos) << run.out; // no row ends in "precise: yes"
}

} // namespace
