// tilebench-scan run as a study, as a user runs it: its files, its table, its notes and what it
// refuses before the first timed call.
#include "test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

const std::string scan_exe = "'" TILEBENCH_SCAN_EXE "'";

TEST(StudyProgram, EveryCellOfEverySizeIsMeasuredAndTabled)
{
    const std::string dir = make_scratch_dir("study_program");
    const ProgramRun run = run_in(dir, scan_exe + " --size 24,32 --block 8,64 --threads 1-2 --min-runs 2 --max-runs 2 "
                                                  "--seed 5 --output study --bind none");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto samples = lines_of(read_file(dir + "/study.csv"));
    ASSERT_EQ(samples.size(), 1u + 2 * 2 * 2 * 3); // sizes x rounds x edges x (baseline + 2 counts)
    EXPECT_EQ(samples[0], "size,block,round,config,threads,team,seconds,valid");
    for (std::size_t i = 1; i < samples.size(); ++i) // n 24 first, then n 32
        EXPECT_EQ(samples[i].substr(0, 3), i <= 12 ? "24," : "32,") << samples[i];
    EXPECT_NE(run.out.find("tilebench-scan study: n 24, blocked kernel, bind none, 2 rounds"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("tilebench-scan study: n 32,"), std::string::npos);
    // How a size's cells and rankings are laid out in the record is the study record's own test.
    const auto record = nlohmann::ordered_json::parse(read_file(dir + "/study.json"));
    ASSERT_EQ(record["study"]["per_size"].size(), 2u);
    EXPECT_EQ(record["rounds"], 4); // two sizes of two rounds
    EXPECT_EQ(record["samples"], 24);
    EXPECT_NE(run.err.find("warning (one_tile): the edge is not below the size in n 24 b 64, n 32 b 64: each such "
                           "cell is one tile, which no second thread can share\n"),
              std::string::npos)
        << run.err;
}

TEST(StudyProgram, AStudyThatCannotFitIsRefusedInOneLineBeforeAnythingIsWritten)
{
    const std::string dir = make_scratch_dir("study_refused");
    const struct {
        const char* options;
        int status;
        const char* starts;
    } cases[] = {
        {"--size 512,1024 --block 8,16 --threads 1 --min-runs 1000 --max-runs 1000 --time-limit 1", 2,
         "tilebench-scan: the study's 4 cells need at least "},
        {"--size 64,200000 --block 8,16", 3, "tilebench-scan: size 200000 needs "}, // five matrices of 160 GB
        {"--size 64 --block ''", 2, "tilebench-scan: --block: empty entry in tile edge list ''"},
        {"--size ,64 --block 8", 2, "tilebench-scan: --size: empty entry in size list ',64'"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = run_in(dir, scan_exe + " " + c.options);
        EXPECT_EQ(run.status, c.status) << c.options << ": " << run.err;
        ASSERT_EQ(lines_of(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind(c.starts, 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(file_exists(dir + "/scan.csv"));
}

} // namespace
