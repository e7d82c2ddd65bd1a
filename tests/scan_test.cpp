// The scan's pieces: its command line, its plan, its stop rule, its summaries and its files,
// and the measuring loop itself on small matrices, with a kernel that is wrong on purpose.
#include "kernels/kernels.h"
#include "scan/scan.h"
#include "stats/stats.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include "common/exit_status.h"
#include "common/platform_files.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <set>

namespace {

TEST(ScanOptions, ThreadListsTakeRangesAndListsAndRefuseTheRest)
{
    const struct {
        const char* text;
        std::vector<int> threads; // empty: refused
        const char* error;
    } cases[] = {
        {"1-4", {1, 2, 3, 4}, ""},
        {"1,2,4,8", {1, 2, 4, 8}, ""},
        {"8,1-2,4", {1, 2, 4, 8}, ""},
        {"3", {3}, ""},
        {"3-3", {3}, ""},
        {"", {}, "empty entry in thread list ''"},
        {"1,,2", {}, "empty entry in thread list '1,,2'"},
        {"4-1", {}, "range '4-1' runs downwards"},
        {"0-2", {}, "'0' is not a thread count (a whole number, 1 or more)"},
        {"-2", {}, "'-2' is not a thread count (a whole number, 1 or more)"},
        {"1-2,2", {}, "thread count 2 appears twice in '1-2,2'"},
        {"two", {}, "'two' is not a thread count (a whole number, 1 or more)"},
        {"1-99999", {}, "thread list '1-99999' has more than 4096 counts"},
    };
    for (const auto& c : cases) {
        std::vector<int> threads;
        std::string error;
        EXPECT_EQ(parse_thread_list(c.text, threads, error), !c.threads.empty()) << c.text;
        EXPECT_EQ(threads, c.threads) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

ParsedOptions parse(std::vector<std::string> words)
{
    words.insert(words.begin(), "tilebench-scan");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    return parse_scan_options(static_cast<int>(argv.size()), argv.data(), 3, 99);
}

TEST(ScanOptions, DefaultsFollowTheMachineAndBadValuesAreOneLine)
{
    const ParsedOptions defaults = parse({});
    ASSERT_EQ(defaults.outcome, OptionsOutcome::run);
    EXPECT_EQ(defaults.options.threads, (std::vector<int>{1, 2, 3})); // 1 to the logical CPUs, included
    EXPECT_EQ(defaults.options.size, 1024);
    EXPECT_EQ(defaults.options.block, 64);
    EXPECT_EQ(defaults.options.seed, 99u);
    EXPECT_EQ(defaults.options.bind, BindMode::cores);
    EXPECT_EQ(defaults.options.probe, ProbeMode::together); // the only pairing that sees two CPUs share a core
    EXPECT_EQ(defaults.options.kernel, "blocked");
    EXPECT_EQ(defaults.options.output, "scan");

    const ParsedOptions given =
        parse({"--size", "256", "--threads", "1,4", "--kernel", "untiled", "--seed", "7", "--bind", "none",
               "--min-runs", "2", "--max-runs", "2", "--probe", "each", "--quiet"});
    ASSERT_EQ(given.outcome, OptionsOutcome::run) << given.message;
    EXPECT_EQ(given.options.threads, (std::vector<int>{1, 4}));
    EXPECT_EQ(given.options.kernel, "naive"); // the older name, recorded as the family's
    for (const KernelFamily& family : kernel_families())
        for (const char* name : {family.name, family.also_called}) {
            if (*name == '\0')
                continue;
            EXPECT_EQ(parse({"--kernel", name}).options.kernel, family.name) << name;
        }
    EXPECT_EQ(given.options.seed, 7u);
    EXPECT_EQ(given.options.bind, BindMode::none);
    EXPECT_EQ(given.options.probe, ProbeMode::each);
    EXPECT_TRUE(given.options.quiet);
    // Every placement and pairing is taken by its name.
    for (const char* name : {"none", "cores", "threads"}) {
        const ParsedOptions bound = parse({"--bind", name});
        ASSERT_EQ(bound.outcome, OptionsOutcome::run) << name << ": " << bound.message;
        EXPECT_STREQ(bind_mode_name(bound.options.bind), name);
    }
    for (const char* name : {"together", "each", "none"}) {
        const ParsedOptions probed = parse({"--probe", name});
        ASSERT_EQ(probed.outcome, OptionsOutcome::run) << name << ": " << probed.message;
        EXPECT_STREQ(probe_mode_name(probed.options.probe), name);
    }

    for (const auto& words : std::vector<std::vector<std::string>>{{"--size", "0"},
                                                                   {"--size", "12x"},
                                                                   {"--kernel", "fast"},
                                                                   {"--threads", "2-1"},
                                                                   {"--min-runs", "9", "--max-runs", "3"},
                                                                   {"--precision", "0"},
                                                                   {"--bind", "sockets"},
                                                                   {"--probe", "sometimes"},
                                                                   {"--frobnicate"}}) {
        const ParsedOptions refused = parse(words);
        EXPECT_EQ(refused.outcome, OptionsOutcome::refused) << words[0];
        EXPECT_EQ(refused.message.find('\n'), std::string::npos) << refused.message;
        EXPECT_FALSE(refused.message.empty());
    }
    const ParsedOptions help = parse({"--help"});
    EXPECT_EQ(help.outcome, OptionsOutcome::done);
    EXPECT_NE(help.message.find("--precision"), std::string::npos);
}

TEST(ScanOptions, ASeedIsTakenAsTypedOrRefused)
{
    const struct {
        const char* text;
        std::uint64_t seed; // when taken
        bool taken;
    } cases[] = {
        {"0", 0u, true},
        {"18446744073709551615", 18446744073709551615u, true},
        {"18446744073709551616", 0u, false}, // past 2^64 - 1, once read as 2^64 - 1
        {"99999999999999999999999", 0u, false},
        {"-1", 0u, false}, // once read as 2^64 - 1
        {"+5", 0u, false},
        {"5x", 0u, false},
        {"", 0u, false},
    };
    for (const auto& c : cases) {
        const ParsedOptions parsed = parse({"--seed", c.text});
        if (c.taken) {
            ASSERT_EQ(parsed.outcome, OptionsOutcome::run) << c.text << ": " << parsed.message;
            EXPECT_EQ(parsed.options.seed, c.seed) << c.text;
            continue;
        }
        EXPECT_EQ(parsed.outcome, OptionsOutcome::refused) << c.text;
        EXPECT_NE(parsed.message.find("'" + std::string(c.text) +
                                      "' is not a seed (a whole number from 0 to 18446744073709551615)"),
                  std::string::npos)
            << parsed.message;
    }
}

// A study's sizes and edges are lists read as the thread list is.
TEST(StudyOptions, SizesAndEdgesAreListsAsThreadsAreAndOneOfEachIsAScanAsBefore)
{
    const struct {
        std::vector<std::string> words;
        std::vector<int> sizes, blocks;
        bool study;
    } cases[] = {
        {{}, {1024}, {64}, false},
        {{"--block", "32", "--size", "512"}, {512}, {32}, false},
        {{"--block", "16,32,64,128,256", "--size", "512,1024"}, {512, 1024}, {16, 32, 64, 128, 256}, true},
        {{"--block", "256,8-10"}, {1024}, {8, 9, 10, 256}, true},
        {{"--size", "1024,512"}, {512, 1024}, {64}, true},
    };
    for (const auto& c : cases) {
        const ParsedOptions parsed = parse(c.words);
        ASSERT_EQ(parsed.outcome, OptionsOutcome::run) << parsed.message;
        EXPECT_EQ(parsed.options.sizes, c.sizes);
        EXPECT_EQ(parsed.options.blocks, c.blocks);
        EXPECT_EQ(parsed.options.size, c.sizes.front()); // what a scan of one cell measures
        EXPECT_EQ(parsed.options.block, c.blocks.front());
        EXPECT_EQ(is_study(parsed.options), c.study);
    }
}

TEST(StudyOptions, EmptyAndBadListsAreRefusedInOneLine)
{
    const struct {
        std::vector<std::string> words;
        const char* message;
    } cases[] = {
        {{"--block", ""}, "--block: empty entry in tile edge list ''"},
        {{"--size", ""}, "--size: empty entry in size list ''"},
        {{"--block", "16,,32"}, "--block: empty entry in tile edge list '16,,32'"},
        {{"--block", "0,16"}, "--block: '0' is not a tile edge (a whole number, 1 or more)"},
        {{"--size", "64-32"}, "--size: range '64-32' runs downwards"},
        {{"--size", "512,512"}, "--size: size 512 appears twice in '512,512'"},
        {{"--block", "1-5000"}, "--block: tile edge list '1-5000' has more than 4096 edges"},
    };
    for (const auto& c : cases) {
        const ParsedOptions parsed = parse(c.words);
        EXPECT_EQ(parsed.outcome, OptionsOutcome::refused) << c.message;
        EXPECT_EQ(parsed.message, c.message);
    }
}

TEST(ScanPlan, TheBaselineComesFirstAndEveryRoundIsASeededPermutation)
{
    const auto configurations = plan_configurations({1, 2, 4});
    ASSERT_EQ(configurations.size(), 4u);
    EXPECT_FALSE(configurations[0].parallel);
    EXPECT_EQ(configurations[3].threads, 4);
    std::mt19937_64 first(5), second(5);
    std::set<std::vector<std::size_t>> orders;
    for (int round = 0; round < 20; ++round) {
        const auto order = round_order(4, first);
        EXPECT_EQ(order, round_order(4, second));
        EXPECT_EQ(std::set<std::size_t>(order.begin(), order.end()), (std::set<std::size_t>{0, 1, 2, 3}));
        orders.insert(order);
    }
    EXPECT_GT(orders.size(), 5u); // the order does change from round to round
}

TEST(ScanStopRule, EachReasonInItsTurn)
{
    const StopLimits limits{6, 60, 300.0};
    const struct {
        StopState state;
        StopReason reason;
    } cases[] = {
        {{5, true, 10, 1, false}, StopReason::none},            // precise, but before the minimum
        {{6, true, 10, 1, false}, StopReason::precision},       // precise at the minimum
        {{6, false, 10, 1, false}, StopReason::none},           // not precise yet
        {{60, false, 10, 1, false}, StopReason::max_runs},      // the most rounds
        {{59, false, 298, 2.5, false}, StopReason::time_limit}, // the next round would end past 300 s
        {{59, false, 298, 2, false}, StopReason::none},         // it would end at 300 s exactly
        {{2, false, 400, 1, false}, StopReason::time_limit},    // the limit holds before the minimum
        {{1, true, 1, 1, true}, StopReason::interrupted},
        {{60, true, 400, 1, true}, StopReason::interrupted}, // before every other reason
    };
    for (const auto& c : cases)
        EXPECT_EQ(stop_reason(c.state, limits), c.reason)
            << c.state.rounds_done << " rounds, " << c.state.elapsed_s << " s, " << c.state.last_round_s;
    const struct {
        StopReason stop;
        int signal, invalid;
        bool files_ok;
        int status;
    } ends[] = {
        {StopReason::interrupted, SIGINT, 3, false, exit_interrupted}, // the signal before all else
        {StopReason::interrupted, SIGTERM, 0, true, exit_terminated},
        {StopReason::max_runs, 0, 1, false, exit_invalid_result}, // a wrong kernel before a lost file
        {StopReason::precision, 0, 0, false, exit_failure},
        {StopReason::time_limit, 0, 0, true, exit_ok},
    };
    for (const auto& e : ends)
        EXPECT_EQ(scan_exit_status(e.stop, e.signal, e.invalid, e.files_ok), e.status) << e.signal << e.invalid;
    EXPECT_STREQ(stop_reason_name(StopReason::none), "none");
    EXPECT_STREQ(stop_reason_name(StopReason::precision), "precision");
    EXPECT_STREQ(stop_reason_name(StopReason::max_runs), "max-runs");
    EXPECT_STREQ(stop_reason_name(StopReason::time_limit), "time-limit");
    EXPECT_STREQ(stop_reason_name(StopReason::interrupted), "interrupted");
    EXPECT_TRUE(within_precision(4.0, 3.75, 4.25, 0.0625));   // half-width 0.25 = 1/16 of 4
    EXPECT_FALSE(within_precision(4.0, 3.75, 4.251, 0.0625)); // just over
    EXPECT_FALSE(within_precision(4.0, 3.70, 4.05, 0.0625));  // half-width 0.175, but 0.3 below the figure
    EXPECT_FALSE(within_precision(4.0, std::nan(""), 4.25, 0.0625));
}

// Rounds of (sequential, team of 1, team of 2) seconds.
std::vector<Sample> samples_of(const std::vector<std::vector<double>>& rounds)
{
    std::vector<Sample> samples;
    for (std::size_t r = 0; r < rounds.size(); ++r)
        for (std::size_t c = 0; c < rounds[r].size(); ++c)
            samples.push_back({static_cast<int>(r + 1), c, c == 2 ? 2 : 1, rounds[r][c], true});
    return samples;
}

TEST(ScanSummary, SpeedUpIsARatioOfMediansAndInvalidSamplesTakeNoPart)
{
    const auto configurations = plan_configurations({1, 2});
    std::vector<Sample> samples = samples_of(
        {{1.0, 1.0, 0.5}, {1.2, 1.1, 0.65}, {0.8, 0.9, 0.4}, {1.0, 1.0, 0.5}, {1.1, 1.0, 0.55}, {0.9, 1.0, 0.45}});
    samples.push_back({7, 2, 2, 0.001, false}); // would drag the median down if it counted
    const SummaryInputs inputs{1024, 64, blocked_schedule_bound, 0.05, 3, 500};
    const ScanSummary s = summarise_scan(configurations, samples, inputs);
    ASSERT_EQ(s.configurations.size(), 3u);
    EXPECT_EQ(s.configurations[2].runs, 6);
    EXPECT_DOUBLE_EQ(s.configurations[2].median_s, 0.5);
    EXPECT_DOUBLE_EQ(s.configurations[2].min_s, 0.4);
    EXPECT_DOUBLE_EQ(s.configurations[0].gflops, 2.0 * 1024 * 1024 * 1024 / 1.0 / 1e9);
    ASSERT_EQ(s.speedups.size(), 2u);
    EXPECT_DOUBLE_EQ(s.speedups[1].speedup, 2.0);
    EXPECT_DOUBLE_EQ(s.speedups[1].efficiency, 1.0);
    EXPECT_DOUBLE_EQ(s.speedups[1].efficiency_ci_low, s.speedups[1].ci_low / 2);
    EXPECT_DOUBLE_EQ(s.speedups[1].efficiency_ci_high, s.speedups[1].ci_high / 2);
    EXPECT_EQ(s.speedups[1].pairs, 6);
    EXPECT_DOUBLE_EQ(s.speedups[1].karp_flatt, 0.0);
    EXPECT_DOUBLE_EQ(s.speedups[1].schedule_bound, 2.0);
    EXPECT_TRUE(std::isnan(s.speedups[0].karp_flatt));
    EXPECT_FALSE(s.speedups[0].differs_from_previous); // nothing before it
    EXPECT_TRUE(s.speedups[1].differs_from_previous);  // [0.4, 0.65] against [0.9, 1.1]
    EXPECT_LE(s.speedups[1].ci_low, 2.0);
    EXPECT_GE(s.speedups[1].ci_high, 2.0);
    EXPECT_EQ(s.speedups[1].precision_reached,
              within_precision(2.0, s.speedups[1].ci_low, s.speedups[1].ci_high, 0.05));

    // A configuration with no valid call has no time, and an interval that covers nothing.
    std::vector<Sample> none_valid;
    for (const Sample& sample : samples)
        if (sample.config != 2)
            none_valid.push_back(sample);
    none_valid.push_back({1, 2, 2, 0.5, false});
    const ScanSummary bare = summarise_scan(configurations, none_valid, inputs);
    EXPECT_EQ(bare.configurations[2].runs, 0);
    EXPECT_TRUE(std::isnan(bare.configurations[2].median_s) && std::isnan(bare.configurations[2].ci_high_s));
    EXPECT_EQ(bare.configurations[2].ci_coverage, 0.0);
}

TEST(ScanSummary, CallsTooShortForTheClockAreNeverPreciseAndAZeroTimeGivesNoSpeedUp)
{
    const auto configurations = plan_configurations({1, 2});
    const struct {
        double baseline_s, one_s, two_s; // every round alike, so every interval is a point
        bool one_is_number, two_is_number, two_precise;
    } cases[] = {
        {0.0, 2e-6, 4e-6, false, false, false},     // the baseline read as zero: 0 / t is not a speed-up
        {4e-6, 0.0, 2e-6, false, true, false},      // nor is b / 0; 4 us / 2 us is a ratio, not a precise one
        {90e-6, 90e-6, 45e-6, true, true, false},   // a point interval, yet under the bound
        {200e-6, 200e-6, 99e-6, true, true, false}, // the parallel kernel on 2 is still under it
        {200e-6, 200e-6, 100e-6, true, true, true}, // from the bound on, the clock times them
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.baseline_s) + " " + std::to_string(c.one_s) + " " + std::to_string(c.two_s));
        const auto samples = samples_of(std::vector<std::vector<double>>(6, {c.baseline_s, c.one_s, c.two_s}));
        const ScanSummary s = summarise_scan(configurations, samples, {8, 2, blocked_schedule_bound, 0.05, 3, 200});
        ASSERT_EQ(s.speedups.size(), 2u);
        const bool numbers[] = {c.one_is_number, c.two_is_number};
        for (int i = 0; i < 2; ++i) {
            const SpeedupSummary& speedup = s.speedups[static_cast<std::size_t>(i)];
            EXPECT_EQ(std::isfinite(speedup.speedup), numbers[i]) << speedup.threads;
            EXPECT_EQ(std::isfinite(speedup.ci_low) && std::isfinite(speedup.ci_high), numbers[i]) << speedup.threads;
            EXPECT_EQ(std::isfinite(speedup.efficiency), numbers[i]) << speedup.threads;
        }
        EXPECT_FALSE(s.speedups[0].precision_reached && c.one_s < 100e-6);
        EXPECT_EQ(s.speedups[1].precision_reached, c.two_precise);
        EXPECT_EQ(all_precise(s), c.two_precise);
    }
}

// Noisy rounds of (baseline, then each count of counts), so that every bootstrap stream shows.
std::vector<Sample> noisy_samples(const std::vector<int>& counts, int rounds)
{
    std::vector<Sample> samples;
    for (int r = 1; r <= rounds; ++r) {
        const double noise = 1.0 + 0.01 * ((r * 7) % 11);
        samples.push_back({r, 0, 1, noise, true});
        for (std::size_t c = 0; c < counts.size(); ++c)
            samples.push_back({r, c + 1, counts[c], noise * (1.0 + 0.013 * ((r * 5 + int(c)) % 9)) / counts[c], true});
    }
    return samples;
}

// Each count's interval comes from its own stream, seed + count: the seed reaches it, and a
// count added (even before the others) leaves the other counts' intervals bit for bit.
TEST(ScanSummary, TheSeedReachesEachCountsOwnBootstrapStream)
{
    const std::vector<int> counts = {2, 3};
    const auto samples = noisy_samples(counts, 12);
    const auto configurations = plan_configurations(counts);
    const SummaryInputs inputs{64, 8, nullptr, 0.05, 40, 300};
    const ScanSummary s = summarise_scan(configurations, samples, inputs);
    SummaryInputs other = inputs;
    other.seed = 41;
    const ScanSummary reseeded = summarise_scan(configurations, samples, other);
    for (std::size_t i = 0; i < counts.size(); ++i) {
        std::vector<double> sequential, parallel;
        for (const Sample& sample : samples)
            if (sample.config == 0)
                sequential.push_back(sample.seconds);
            else if (sample.config == i + 1)
                parallel.push_back(sample.seconds);
        const Interval own = bootstrap_ratio_of_medians(sequential, parallel, 300, 40 + counts[i], 0.95);
        EXPECT_EQ(s.speedups[i].ci_low, own.low) << counts[i];
        EXPECT_EQ(s.speedups[i].ci_high, own.high) << counts[i];
        EXPECT_TRUE(s.speedups[i].ci_low != reseeded.speedups[i].ci_low ||
                    s.speedups[i].ci_high != reseeded.speedups[i].ci_high)
            << counts[i];
    }
    const std::vector<int> more = {1, 2, 3};
    std::vector<Sample> with_one = noisy_samples(more, 12);
    for (Sample& sample : with_one) // the counts 2 and 3 keep the times they had above
        for (const Sample& old : samples)
            if (old.round == sample.round && old.config + 1 == sample.config && old.config > 0)
                sample.seconds = old.seconds;
    const ScanSummary added = summarise_scan(plan_configurations(more), with_one, inputs);
    for (std::size_t i = 0; i < counts.size(); ++i) {
        EXPECT_EQ(added.speedups[i + 1].ci_low, s.speedups[i].ci_low) << counts[i];
        EXPECT_EQ(added.speedups[i + 1].ci_high, s.speedups[i].ci_high) << counts[i];
    }
}

TEST(ScanFiles, SamplesAreLinesUnderAHeaderAndTheRecordIsReplacedWhole)
{
    EXPECT_STREQ(samples_header, "round,config,threads,team,seconds,valid");
    EXPECT_EQ(format_sample({3, 1, 2, 0.5123456, true}, {true, 4}), "3,parallel,4,2,0.512346,1");
    EXPECT_EQ(format_sample({1, 0, 1, 2.0, false}, {false, 1}), "1,sequential,1,1,2.000000,0");

    // What stands at the record's name is replaced whole; links there are the program test's. A
    // record that cannot replace what stands there (a directory) fails and leaves no temporary.
    const std::string dir = make_scratch_dir("scan_files");
    const std::string path = dir + "/scan.json";
    ASSERT_TRUE(write_file_atomically(path, "old\n"));
    ASSERT_TRUE(write_file_atomically(path, "new\n"));
    EXPECT_EQ(read_file(path), "new\n");
    ASSERT_EQ(shell("mkdir -p '" + dir + "/taken.json/inside'"), 0);
    EXPECT_FALSE(write_file_atomically(dir + "/taken.json", "x"));
    EXPECT_EQ(shell("cd '" + dir + "' && [ \"$(LC_ALL=C ls | tr '\\n' ' ')\" = 'scan.json taken.json ' ]"), 0);
    EXPECT_FALSE(write_file_atomically(dir + "/no/such/dir/scan.json", "x"));

    // A full disk loses samples: said once on standard error, and the file is known incomplete.
    SamplesFile full;
    full.path = "/dev/full";
    full.file = std::fopen("/dev/full", "w");
    ASSERT_NE(full.file, nullptr);
    testing::internal::CaptureStderr();
    append_sample(full, {1, 0, 1, 0.5, true}, {false, 1});
    append_sample(full, {1, 1, 2, 0.25, true}, {true, 2});
    EXPECT_FALSE(close_samples_file(full));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tilebench-scan: cannot write /dev/full: No space left on device; samples are missing from it\n");

    // The other refusals' texts are the program test's.
    SamplesFile samples;
    EXPECT_EQ(open_samples_file(samples, dir + "/no/such/dir/scan.csv"),
              "cannot create " + dir + "/no/such/dir/scan.csv: No such file or directory");
    EXPECT_EQ(samples.file, nullptr);
    ASSERT_EQ(open_samples_file(samples, dir + "/held.csv"), "");
    append_sample(samples, {1, 0, 1, 0.5, true}, {false, 1});
    // On disk at once, before the close: a scan killed after this call keeps its line.
    EXPECT_EQ(read_file(dir + "/held.csv"), "round,config,threads,team,seconds,valid\n1,sequential,1,1,0.500000,1\n");
    EXPECT_TRUE(close_samples_file(samples));
    ASSERT_EQ(open_samples_file(samples, dir + "/held.csv"), ""); // a scan's own file: written anew
    EXPECT_TRUE(close_samples_file(samples));
    EXPECT_EQ(read_file(dir + "/held.csv"), "round,config,threads,team,seconds,valid\n");
}

TEST(ScanProgress, InPlaceOnATerminalAndEveryFewSecondsElsewhere)
{
    const auto shown = [](bool terminal, const std::vector<ScanProgress>& steps, bool end) {
        std::FILE* stream = std::tmpfile();
        ProgressLine line{stream, terminal, 60, 0.05};
        line.every_s = 3600.0;
        for (const ScanProgress& step : steps)
            show_progress(line, step);
        if (end)
            end_progress(line);
        std::rewind(stream);
        std::string text;
        for (int c; (c = std::fgetc(stream)) != EOF;)
            text += static_cast<char>(c);
        std::fclose(stream);
        return text;
    };
    const ScanProgress first{1, 0.4, false, {}}, short_of{3, 5.0, true, {1, 2}}, done{7, 9.6, true, {}};
    EXPECT_EQ(shown(true, {first, short_of, done}, true),
              "\r\033[Kround 1/60, 0 s, first round"
              "\r\033[Kround 3/60, 5 s, short of precision at threads 1,2"
              "\r\033[Kround 7/60, 10 s, every speed-up within precision\n");
    // Not a terminal: a plain line, then nothing until the interval has passed.
    EXPECT_EQ(shown(false, {first, short_of}, true), "round 1/60, 0 s, first round\n");
    EXPECT_EQ(shown(true, {}, true), ""); // nothing shown, nothing to end
}

// Every field of the run holds a value no other field holds, so that a figure of the record
// taken from its neighbour, an interval's ends swapped, or a warning written twice shows.
TEST(ScanRecord, EveryFigureReadsBackAsTheRunFieldItComesFrom)
{
    double last = 0.0;
    const auto v = [&last] { return last += 0.125; };
    int count = 0;
    const auto w = [&count] { return ++count; };
    ScanRun run;
    run.configurations = plan_configurations({1, 2, 4});
    for (const Configuration& c : run.configurations)
        run.summary.configurations.push_back({{w(), v(), v(), v(), v(), v(), v(), v(), {c.threads, w()}}, c});
    for (const int threads : {1, 2, 4}) {
        run.summary.speedups.push_back(
            {threads, w(), v(), v(), v(), v(), v(), v(), v(), v(), threads == 2, threads != 2});
        run.host.starved.speedups.push_back({threads, w(), v(), v(), v(), 0, 0, 0, 0, 0, false, false});
    }
    run.summary.speedups[0].karp_flatt = no_value; // undefined at one thread: null, and NaN again
    run.host.clean = run.summary;
    run.host.regime_changes = {{4, 5, 2.0, 2}};
    run.host.starvation = {v(), v(), v(), {{v(), v()}, {v(), v()}}, {2}, {2}};
    run.probes = {{1, {0, 1}, {{v(), v()}, {v(), v()}}, v(), v()},
                  {2, {1, 2}, {{v(), v()}}, v(), v()},
                  {3, {0}, {{v()}}, v(), v()}};
    run.rounds = 2; // the third round was cut short
    for (int round = 1; round <= 3; ++round)
        for (std::size_t c = 0; c < 4; ++c)
            run.samples.push_back({round, c, 1, v(), !(round == 2 && c == 3)});
    run.probe_s = v();
    run.elapsed_s = v();
    run.stop = StopReason::interrupted;
    ScanOptions options;
    options.threads = {1, 2, 4};
    options.precision = v();
    options.time_limit_s = v();
    options.seed = 18446744073709551615ULL;
    ScanContext context;
    context.load_start = v();
    context.load_end = v();
    context.busy_cpus_start = v();
    context.warnings = {{"loaded", "busy"}, {"migrated", "threads moved"}};

    ScanRecord r;
    std::string problem;
    ASSERT_TRUE(parse_scan_record(scan_record_text(scan_record(options, run, context)), r, problem)) << problem;
    // Figure i of what was read against figure i of where it comes from; NaN only for NaN.
    const auto same = [](const std::string& at, const std::vector<double>& got, const std::vector<double>& want) {
        ASSERT_EQ(got.size(), want.size()) << at;
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(got[i] == want[i] || (std::isnan(got[i]) && std::isnan(want[i])))
                << at << " figure " << i << ": " << got[i] << ", not " << want[i];
    };
    double timed = 0.0;
    for (const Sample& s : run.samples)
        timed += s.seconds;
    same("record",
         {r.parameters.precision, r.parameters.time_limit_s, r.machine.load_start, r.machine.load_end,
          r.machine.busy_cpus_at_start, r.elapsed_s, r.timed_s, r.probe.seconds, r.probe.healthy_gflops, r.probe.noise,
          r.probe.threshold},
         {options.precision, options.time_limit_s, context.load_start, context.load_end, context.busy_cpus_start,
          run.elapsed_s, timed, run.probe_s, run.host.starvation.healthy_gflops, run.host.starvation.noise,
          run.host.starvation.threshold});
    EXPECT_EQ(r.parameters.seed, options.seed);
    EXPECT_EQ((std::vector<long long>{r.rounds, r.samples, r.invalid_samples, r.interrupted}),
              (std::vector<long long>{2, 12, 1, 1}));
    ASSERT_EQ(r.configurations.size(), 4u);
    for (std::size_t c = 0; c < 4; ++c) {
        const RecordConfiguration& g = r.configurations[c];
        const ConfigurationSummary& s = run.summary.configurations[c];
        same("configurations[" + std::to_string(c) + "]",
             {g.median_s, g.ci_low_s, g.ci_high_s, g.ci_coverage, g.min_s, g.max_s, g.gflops},
             {s.median_s, s.ci_low_s, s.ci_high_s, s.ci_coverage, s.min_s, s.max_s, s.gflops});
        EXPECT_EQ((std::vector<int>{g.threads, g.runs}), (std::vector<int>{s.configuration.threads, s.runs}));
        EXPECT_EQ(g.teams, s.teams);
    }
    ASSERT_EQ(r.speedups.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const RecordSpeedup& g = r.speedups[i];
        const SpeedupSummary& s = run.summary.speedups[i];
        const SpeedupSummary& starved = run.host.starved.speedups[i];
        same("speedup[" + std::to_string(i) + "]",
             {g.speedup, g.ci_low, g.ci_high, g.efficiency, g.efficiency_ci_low, g.efficiency_ci_high, g.karp_flatt,
              g.schedule_bound, g.starved_share, g.starved_speedup, g.starved_ci_low, g.starved_ci_high},
             {s.speedup, s.ci_low, s.ci_high, s.efficiency, s.efficiency_ci_low, s.efficiency_ci_high, s.karp_flatt,
              s.schedule_bound, 1.0 * starved.pairs / (starved.pairs + s.pairs), starved.speedup, starved.ci_low,
              starved.ci_high});
        EXPECT_EQ((std::vector<int>{g.threads, g.pairs, g.starved_pairs, g.differs_from_previous, g.precision_reached,
                                    g.measures_host, g.regime_change_round}),
                  (std::vector<int>{s.threads, s.pairs, starved.pairs, s.differs_from_previous, s.precision_reached,
                                    s.threads == 2, s.threads == 4 ? 5 : 0}))
            << s.threads;
    }
    // The probe's completed rounds only, each with its own verdict, rates and speed-ups.
    ASSERT_EQ(r.probe.rounds.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        const RecordProbeRound& g = r.probe.rounds[k];
        ASSERT_EQ(g.speedups.size(), 3u);
        const auto speedup = [&run, k](std::size_t c) {
            return run.samples[4 * k].seconds / run.samples[4 * k + c].seconds;
        };
        same("probe.rounds[" + std::to_string(k) + "]",
             {g.end_s, g.waited, g.speedups[0], g.speedups[1], g.speedups[2]},
             {run.probes[k].end_s, run.probes[k].waited, speedup(1), speedup(2), k == 1 ? no_value : speedup(3)});
        EXPECT_EQ((std::vector<int>{g.round, g.starved}), (std::vector<int>{run.probes[k].round, k == 1}));
        EXPECT_EQ(g.cpus, run.probes[k].cpus);
        EXPECT_EQ(g.gflops, run.probes[k].gflops);
        EXPECT_EQ(g.relative, run.host.starvation.relative[k]);
    }
    ASSERT_EQ(r.warnings.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(r.warnings[i].kind, context.warnings[i].kind);
        EXPECT_EQ(r.warnings[i].message, context.warnings[i].message);
    }
}

// A parallel kernel that is right except for one element of C.
void off_by_one_element(Matrix A, Matrix B, Matrix C, int n, int b, int t, TeamObserver observer)
{
    multiply_blocked_parallel_observed(A, B, C, n, b, t, observer);
    C[n - 1][n - 1] += 1.0f;
}

// This machine as tilebench-scan reads it: its cores order the binding and the probe's CPUs.
struct Host {
    Topology topology = load_topology();
    MachineInfo machine = read_machine(topology);
};

ScanRun run_scan_here(const ScanOptions& options, const KernelFamily& family, const ScanHooks& hooks)
{
    const Host host;
    return run_scan(options, family, host.topology, host.machine, hooks);
}

ScanOptions small_scan()
{
    ScanOptions options;
    options.size = 40;
    options.block = 8;
    options.threads = {1, 2, 3};
    options.min_runs = options.max_runs = 3;
    options.precision = 1e-6; // never reached, so the scan always ends on its rounds
    options.bind = BindMode::none;
    options.seed = 11;
    options.probe = ProbeMode::none; // a busy test machine would starve rounds, and take them out of the figures
    return options;
}

TEST(ScanRunner, EveryCallIsTimedValidatedAndRecordedRoundByRound)
{
    ScanOptions options = small_scan();
    options.probe = ProbeMode::each;
    std::vector<Sample> seen;
    ScanHooks hooks;
    hooks.on_sample = [&](const Sample& s, const Configuration&) { seen.push_back(s); };
    const ScanRun run = run_scan_here(options, *find_kernel_family("blocked"), hooks);
    EXPECT_EQ(run.rounds, 3);
    EXPECT_EQ(run.stop, StopReason::max_runs);
    ASSERT_EQ(run.samples.size(), 12u); // 3 rounds x (baseline + 3 thread counts)
    EXPECT_EQ(seen.size(), run.samples.size());
    for (const Sample& s : run.samples) {
        EXPECT_TRUE(s.valid);
        EXPECT_EQ(s.team, run.configurations[s.config].threads); // the team the kernel reported
        EXPECT_GE(s.seconds, 0.0);
    }
    for (int round = 1; round <= 3; ++round) { // each configuration once per round
        std::set<std::size_t> configs;
        for (const Sample& s : run.samples)
            if (s.round == round)
                configs.insert(s.config);
        EXPECT_EQ(configs.size(), 4u) << round;
    }
    EXPECT_EQ(run.placement[3].size(), 3u); // where each of the three threads ran
    // The probe took every round's rate on each CPU the teams may use, before and after each of
    // the three parallel configurations: four times when the baseline comes first or last, five
    // when it stands between two of them.
    ASSERT_EQ(run.probes.size(), 3u);
    for (const ProbeRound& probe : run.probes) {
        EXPECT_FALSE(probe.cpus.empty());
        EXPECT_GE(probe.gflops.size(), 4u);
        EXPECT_LE(probe.gflops.size(), 5u);
        for (const std::vector<double>& rates : probe.gflops)
            EXPECT_EQ(rates.size(), probe.cpus.size());
        EXPECT_GT(probe.end_s, 0.0);
        for (std::size_t i = 0; i < probe.cpus.size(); ++i)
            EXPECT_GT(round_rate(probe, i), 0.0) << "round " << probe.round << ", CPU " << probe.cpus[i];
        // Beside each probe, a line's round trip from the first CPU to each other one.
        if (probe.cpus.size() > 1) {
            ASSERT_EQ(probe.line_ns.size(), probe.gflops.size());
            for (const std::vector<double>& trips : probe.line_ns) {
                ASSERT_EQ(trips.size(), probe.cpus.size() - 1);
                for (double trip : trips)
                    EXPECT_FALSE(trip <= 0.0) << "round " << probe.round; // positive, or NaN where not taken
            }
            EXPECT_FALSE(judge_line_passing(run.probes, {0}).empty());
        } else {
            EXPECT_TRUE(probe.line_ns.empty());
        }
    }
    EXPECT_GT(run.probe_s, 0.0);
    // Starved or clean, every completed round is in one of the two summaries.
    EXPECT_EQ(run.summary.configurations[0].runs + run.host.starved.configurations[0].runs, 3);
}

// The calls come in the seeded order of every round, and another seed gives other rounds.
TEST(ScanRunner, CallsFollowTheSeededRoundOrder)
{
    std::vector<std::vector<std::size_t>> called;
    for (std::uint64_t seed : {11u, 12u}) {
        ScanOptions options = small_scan();
        options.seed = seed;
        options.warmup = 0;
        ScanHooks hooks;
        std::vector<std::size_t> order;
        hooks.on_sample = [&](const Sample& s, const Configuration&) { order.push_back(s.config); };
        run_scan_here(options, *find_kernel_family("naive"), hooks);
        std::mt19937_64 generator(seed);
        std::vector<std::size_t> planned;
        for (int round = 0; round < options.max_runs; ++round)
            for (std::size_t c : round_order(4, generator))
                planned.push_back(c);
        EXPECT_EQ(order, planned) << "seed " << seed;
        called.push_back(order);
    }
    EXPECT_NE(called[0], called[1]);
}

int kernel_calls = 0; // counted by the two kernels below, which only the warm-up test uses

void counted_sequential(Matrix A, Matrix B, Matrix C, int n, int b)
{
    ++kernel_calls;
    multiply_blocked_sequential(A, B, C, n, b);
}

void counted_parallel(Matrix A, Matrix B, Matrix C, int n, int b, int t, TeamObserver observer)
{
    ++kernel_calls;
    multiply_blocked_parallel_observed(A, B, C, n, b, t, observer);
}

// Warm-up calls each configuration --warmup times, untimed and unrecorded; a stop request
// before it leaves it (and the rounds) without a call.
TEST(ScanRunner, WarmUpCallsEveryConfigurationItsTimesBeforeTheRounds)
{
    KernelFamily counted = *find_kernel_family("blocked");
    counted.sequential = counted_sequential;
    counted.parallel = counted_parallel;
    for (const int warmup : {0, 2}) {
        ScanOptions options = small_scan();
        options.warmup = warmup;
        options.min_runs = options.max_runs = 1;
        kernel_calls = 0;
        const ScanRun run = run_scan_here(options, counted, {});
        EXPECT_EQ(run.samples.size(), 4u);
        EXPECT_EQ(kernel_calls, 1 + 4 * warmup + 4) << warmup; // the reference, warm-up, one round
    }
    kernel_calls = 0;
    ScanHooks stopped;
    stopped.stop_requested = [] { return true; };
    EXPECT_TRUE(run_scan_here(small_scan(), counted, stopped).samples.empty());
    EXPECT_EQ(kernel_calls, 1);
}

TEST(ScanRunner, AKernelThatChangesOneElementIsCaughtAndKeptOutOfTheFigures)
{
    KernelFamily faulty = *find_kernel_family("blocked");
    faulty.parallel = off_by_one_element;
    const ScanRun run = run_scan_here(small_scan(), faulty, {});
    for (const Sample& s : run.samples)
        EXPECT_EQ(s.valid, s.config == 0) << "config " << s.config;
    EXPECT_EQ(run.summary.configurations[0].runs, 3);
    EXPECT_EQ(run.summary.configurations[1].runs, 0);
    EXPECT_TRUE(std::isnan(run.summary.configurations[1].median_s));
    EXPECT_TRUE(std::isnan(run.summary.speedups[0].speedup));
}

TEST(ScanRunner, AStopRequestEndsTheScanAfterTheCallInFlight)
{
    int calls = 0;
    ScanHooks hooks;
    hooks.on_sample = [&](const Sample&, const Configuration&) { ++calls; };
    hooks.stop_requested = [&] { return calls >= 2; };
    const ScanRun run = run_scan_here(small_scan(), *find_kernel_family("naive"), hooks);
    EXPECT_EQ(run.stop, StopReason::interrupted);
    EXPECT_EQ(run.samples.size(), 2u);
    EXPECT_EQ(run.rounds, 0); // the first round was not completed
}

} // namespace
