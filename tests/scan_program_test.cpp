// tilebench-scan run as a user runs it: its files, its record's keys, its statuses and what
// a signal leaves behind.
#include "test_support.h"

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
              (std::vector<std::string>{"parameters", "machine", "build", "environment", "configurations", "speedup",
                                        "warnings", "rounds", "samples", "invalid_samples", "elapsed_s", "stop_reason",
                                        "interrupted"}));
    EXPECT_EQ(record["parameters"]["seed"], 5);
    EXPECT_EQ(record["rounds"], 3);
    EXPECT_EQ(record["interrupted"], false);
    ASSERT_EQ(record["configurations"].size(), 3u);
    for (const char* key :
         {"kind", "threads", "runs", "median_s", "ci_low_s", "ci_high_s", "min_s", "max_s", "gflops", "placement"})
        EXPECT_TRUE(record["configurations"][1].contains(key)) << key;
    ASSERT_EQ(record["speedup"].size(), 2u);
    for (const char* key :
         {"threads", "speedup", "ci_low", "ci_high", "efficiency", "efficiency_ci_low", "efficiency_ci_high",
          "karp_flatt", "tile_bound", "differs_from_previous", "precision_reached"})
        EXPECT_TRUE(record["speedup"][1].contains(key)) << key;
    EXPECT_TRUE(record["speedup"][0]["karp_flatt"].is_null()); // undefined for one thread
    for (const auto& warning : record["warnings"]) {
        EXPECT_TRUE(warning["kind"].is_string());
        EXPECT_NE(run.err.find(warning["message"].get<std::string>()), std::string::npos); // said on stderr too
    }
}

TEST(ScanProgram, AThreadLimitGivesSmallerTeamsThatEverySampleAndTheRecordShow)
{
    const std::string dir = make_scratch_dir("scan_limit");
    const ProgramRun run =
        run_in(dir, scan_exe + " --size 32 --block 8 --threads 1-3 --min-runs 2 --max-runs 2 --quiet", "",
               "OMP_THREAD_LIMIT=2");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const std::string& line : lines_of(read_file(dir + "/scan.csv")))
        if (line.find(",parallel,3,") != std::string::npos) {
            EXPECT_NE(line.find(",parallel,3,2,"), std::string::npos) << line; // asked 3, got 2
        }
    const auto record = nlohmann::json::parse(read_file(dir + "/scan.json"));
    EXPECT_EQ(record["environment"]["OMP_THREAD_LIMIT"], "2");
    EXPECT_EQ(record["configurations"][3]["teams"], nlohmann::json::array({2}));
    bool warned = false;
    for (const auto& warning : record["warnings"])
        warned = warned || warning["kind"] == "team_smaller";
    EXPECT_TRUE(warned);
    EXPECT_NE(run.err.find("warning (team_smaller): the OpenMP runtime gave smaller teams than asked (2 of 3"),
              std::string::npos)
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
        {"--output missing/dir/scan", 2},
        {"--size 200000", 3},            // four matrices of 160 GB
        {"--threads 1-100 --size 8", 2}, // beyond the process limit below
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
    const std::string dir = make_scratch_dir("scan_unwritable");
    ASSERT_EQ(shell("mkdir '" + dir + "/scan.json.tmp'"), 0); // where the record would be written first
    const ProgramRun run = run_in(dir, scan_exe + " --size 16 --block 8 --threads 1 --min-runs 1 --max-runs 1 --quiet");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("tilebench-scan: cannot write scan.json: Is a directory\n"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("baseline: sequential kernel"), std::string::npos); // the table still comes
    EXPECT_EQ(lines_of(read_file(dir + "/scan.csv")).size(), 3u);              // and every sample
}

TEST(ScanProgram, ASignalEndsTheScanWithTheSummaryOfWhatItHas)
{
    for (const auto& [signal, status] : {std::pair<const char*, int>{"INT", 130}, {"TERM", 143}}) {
        const std::string dir = make_scratch_dir("scan_signal");
        const int got = shell("cd '" + dir + "' && { " + scan_exe +
                              " --size 64 --block 8 --threads 1-2 --min-runs 100000 --max-runs 100000 --quiet "
                              "> out.txt 2> err.txt & pid=$!; sleep 1; kill -" +
                              signal + " $pid; wait $pid; }");
        EXPECT_EQ(got, status) << signal << ": " << read_file(dir + "/err.txt");
        const nlohmann::json record = nlohmann::json::parse(read_file(dir + "/scan.json"));
        EXPECT_EQ(record["interrupted"], true);
        EXPECT_EQ(record["stop_reason"], "interrupted");
        EXPECT_GT(record["samples"].get<int>(), 3);
        EXPECT_EQ(lines_of(read_file(dir + "/scan.csv")).size(), record["samples"].get<std::size_t>() + 1);
        EXPECT_NE(read_file(dir + "/out.txt").find("stopped: interrupted"), std::string::npos);
    }
}

} // namespace
