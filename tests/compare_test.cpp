// tilebench-compare: which rounds count, what differs, the verdicts in words (the percent
// interval turned the right way round), and the program's refusals and statuses, on synthetic
// scans whose ratios are known.
#include "compare/compare.h"
#include "scan/samples_file.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>
#include <set>
#include <sys/stat.h>

namespace {

const std::string compare_exe = "'" TILEBENCH_COMPARE_EXE "'";
const std::string plot_exe = "'" TILEBENCH_PLOT_EXE "'";

RecordConfiguration configuration(const char* kind, int threads, double median_s)
{
    RecordConfiguration c;
    c.kind = kind;
    c.threads = threads;
    c.teams = {threads};
    c.runs = 10;
    c.median_s = median_s;
    c.ci_low_s = 0.9 * median_s;
    c.ci_high_s = 1.1 * median_s;
    c.ci_coverage = 0.98;
    return c;
}

// A record as tilebench-scan writes it: n size (512 unless said), b 64, tiled kernel, bound to
// cores, the sequential baseline and the parallel kernel on each of threads.
ScanRecord synthetic_record(const std::vector<int>& threads, int size = 512)
{
    ScanRecord record;
    record.parameters.size = size;
    record.parameters.block = 64;
    record.parameters.threads = threads;
    record.parameters.kernel = "tiled";
    record.parameters.bind = "cores";
    record.configurations.push_back(configuration("sequential", 1, 1.0));
    for (const int t : threads) {
        record.configurations.push_back(configuration("parallel", t, 1.0 / t));
        RecordSpeedup speedup;
        speedup.threads = t;
        speedup.speedup = speedup.ci_low = speedup.ci_high = t;
        record.speedups.push_back(speedup);
    }
    record.rounds = 10;
    return record;
}

// rounds complete rounds; in round k the baseline takes about 1 s and t threads about
// factor / t s, each with its own few per cent of round-to-round spread.
std::vector<RecordedSample> synthetic_samples(int rounds, const std::vector<int>& threads, double factor)
{
    std::vector<RecordedSample> samples;
    for (int k = 1; k <= rounds; ++k) {
        samples.push_back(RecordedSample{k, Configuration{false, 1}, 1, 1.0 + 0.01 * ((k * 7) % 5 - 2), true});
        for (const int t : threads)
            samples.push_back(
                RecordedSample{k, Configuration{true, t}, t, factor / t * (1.0 + 0.01 * ((k * 3 + t) % 5 - 2)), true});
    }
    return samples;
}

std::string samples_text(const std::vector<RecordedSample>& samples)
{
    std::string text = std::string(samples_header) + "\n";
    for (const RecordedSample& s : samples)
        text += format_sample(Sample{s.round, 0, s.team, s.seconds, s.valid}, s.configuration) + "\n";
    return text;
}

void write_side(const std::string& dir, const std::string& prefix, const ScanRecord& record,
                const std::vector<RecordedSample>& samples)
{
    write_file(dir + "/" + prefix + ".json", scan_record_text(record));
    write_file(dir + "/" + prefix + ".csv", samples_text(samples));
}

// A scan with the probe's verdicts, as tilebench-scan writes it since it probes: rounds complete
// rounds, those in starved flagged so by its probe and their parallel calls taking bend times as
// long, as on a CPU the host took part of.
struct ProbedScan {
    ScanRecord record;
    std::vector<RecordedSample> samples;
};

ProbedScan probed_scan(const std::vector<int>& threads, int rounds, const std::set<int>& starved, double bend)
{
    ProbedScan scan{synthetic_record(threads), synthetic_samples(rounds, threads, 1.0)};
    scan.record.parameters.probe = "each";
    scan.record.rounds = rounds;
    for (int k = 1; k <= rounds; ++k) {
        RecordProbeRound round;
        round.round = k;
        round.cpus = {0, 1};
        round.starved = starved.count(k) != 0;
        round.relative = {1.0, round.starved ? 0.6 : 1.0};
        scan.record.probe.rounds.push_back(round);
    }
    for (RecordedSample& sample : scan.samples)
        if (sample.configuration.parallel && starved.count(sample.round) != 0)
            sample.seconds *= bend;
    if (!starved.empty())
        scan.record.warnings.push_back(Warning{"host_starvation", "CPU 1 fell to 0.60 of the healthy rate"});
    return scan;
}

std::set<int> rounds_from(int first, int last)
{
    std::set<int> rounds;
    for (int k = first; k <= last; ++k)
        rounds.insert(k);
    return rounds;
}

TEST(CompareRounds, CountsCompleteRoundsAndLeavesInvalidSamplesOut)
{
    std::vector<RecordedSample> samples = synthetic_samples(4, {1, 2}, 1.0);
    samples[2 * 3 + 2].valid = false; // round 3, two threads
    samples[1 * 3 + 0].valid = false; // round 2, the baseline
    samples.erase(samples.end() - 1); // round 4 never timed two threads: interrupted
    const CountedRounds counted = counted_rounds(synthetic_record({1, 2}), samples);
    EXPECT_EQ(counted.counted, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(counted.incomplete, (std::vector<int>{4}));
    ASSERT_EQ(counted.by_threads.size(), 2u);
    const ThreadSamples& one = counted.by_threads[0];
    const ThreadSamples& two = counted.by_threads[1];
    EXPECT_EQ(one.threads, 1);
    EXPECT_EQ(one.seconds.size(), 3u);        // every counted round
    EXPECT_EQ(one.pairs.baseline.size(), 2u); // not round 2, whose baseline was invalid
    EXPECT_EQ(two.seconds, (std::vector<double>{samples[2].seconds, samples[5].seconds}));
    EXPECT_EQ(two.pairs.baseline, (std::vector<double>{samples[0].seconds}));
    EXPECT_EQ(two.pairs.parallel, (std::vector<double>{samples[2].seconds}));
}

// The rounds the scan's own figures come from, and no others: its starved rounds and a round it
// did not complete are left out, however whole their samples; a record without the probe's
// verdicts keeps every round timed whole, as before there were any.
TEST(CompareRounds, LeavesOutTheRoundsTheScanFoundStarvedOrDidNotComplete)
{
    ProbedScan scan = probed_scan({1, 2}, 14, {3, 7, 11, 12}, 1.5);
    std::vector<RecordedSample> samples = synthetic_samples(16, {1, 2}, 1.0);
    samples.pop_back(); // round 16 is partial; round 15 was timed whole, but interrupted before it closed
    const struct {
        const char* probe;
        std::vector<int> counted, starved, incomplete;
    } table[] = {
        {"each", {1, 2, 4, 5, 6, 8, 9, 10, 13, 14}, {3, 7, 11, 12}, {15, 16}},
        {"", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {}, {16}}, // a record from before the probe
    };
    for (const auto& row : table) {
        scan.record.parameters.probe = row.probe;
        const CountedRounds counted = counted_rounds(scan.record, samples);
        EXPECT_EQ(counted.counted, row.counted) << row.probe;
        EXPECT_EQ(counted.starved, row.starved) << row.probe;
        EXPECT_EQ(counted.incomplete, row.incomplete) << row.probe;
        EXPECT_EQ(counted.by_threads[1].seconds.size(), row.counted.size()) << row.probe;
        EXPECT_EQ(counted.by_threads[1].pairs.parallel.size(), row.counted.size()) << row.probe;
    }
    // A scan without the probe (--probe none) judged no round: its completed rounds all count.
    scan.record.parameters.probe = "none";
    scan.record.probe.rounds.clear();
    EXPECT_EQ(counted_rounds(scan.record, samples).counted.size(), 14u);
}

// Nearly three in four of B's rounds were starved, their parallel calls half as slow again: kept,
// they would make B slower and worse at scaling; left out, as B's own figures leave them, the
// clean rounds agree with A's.
TEST(CompareRounds, StarvedRoundsAreNotTakenForADifference)
{
    const std::vector<int> threads = {1, 2, 4};
    const CountedRounds a = counted_rounds(synthetic_record(threads), synthetic_samples(10, threads, 1.0));
    ProbedScan b = probed_scan(threads, 30, rounds_from(9, 30), 1.5);
    CompareSettings settings;
    settings.seed = 5;
    const Comparison clean = compare_rounds(a, counted_rounds(b.record, b.samples), settings);
    ASSERT_EQ(clean.counts.size(), 3u);
    for (const CountComparison& c : clean.counts) {
        EXPECT_EQ(c.runs_b, 8) << c.threads;
        EXPECT_EQ(c.pairs_b, 8) << c.threads;
        EXPECT_EQ(time_verdict(c), "no difference beyond the noise") << c.threads;
        EXPECT_EQ(speedup_verdict(c), "no difference beyond the noise") << c.threads;
    }
    b.record.parameters.probe.clear(); // the same samples read as if no round had been judged
    const Comparison kept = compare_rounds(a, counted_rounds(b.record, b.samples), settings);
    for (const CountComparison& c : kept.counts) {
        EXPECT_EQ(c.time_change, Change::higher) << c.threads;
        EXPECT_EQ(c.speedup_change, Change::lower) << c.threads;
    }
}

ComparisonReport report_of(const ScanRecord& a, const ScanRecord& b)
{
    ComparisonReport report;
    report.a = Side{"a.json", "a.csv", a, {}};
    report.b = Side{"b.json", "b.csv", b, {}};
    report.differences = differences(a, b);
    return report;
}

std::vector<std::string> lines_starting(const std::string& text, const std::string& start)
{
    std::vector<std::string> found;
    for (const std::string& line : lines_of(text))
        if (line.rfind(start, 0) == 0)
            found.push_back(line);
    return found;
}

// Each field a record holds besides its figures, made to differ alone: the line the comparison
// prints names it with both sides' values, and only size, block and kernel are other work.
TEST(CompareDifferences, PrintsEachFieldThatDiffersWithBothValues)
{
    const ScanRecord a = synthetic_record({1, 2});
    EXPECT_EQ(lines_starting(format_comparison(report_of(a, a)), "differs: "),
              std::vector<std::string>{"differs: nothing the records hold"});
    using Change = void (*)(ScanRecord&);
    const struct {
        Change change;
        const char* line;
        bool work;
    } table[] = {
        {[](ScanRecord& r) { r.parameters.size = 1024; }, "size: A 512, B 1024", true},
        {[](ScanRecord& r) { r.parameters.block = 4; }, "block: A 64, B 4", true},
        {[](ScanRecord& r) { r.parameters.kernel.clear(); }, "kernel family: A tiled, B (unknown)", true},
        {[](ScanRecord& r) { r.parameters.bind = "none"; }, "bind: A cores, B none", false},
        {[](ScanRecord& r) { r.parameters.threads = {}; }, "thread counts: A 1, 2, B none", false},
        {[](ScanRecord& r) { r.interrupted = true; }, "interrupted: A no, B yes", false},
        {[](ScanRecord& r) { r.machine.cpu_model = "Other CPU"; }, "cpu model: A (unknown), B Other CPU", false},
        {[](ScanRecord& r) { r.machine.cpu_signature = "AuthenticAMD family 25 model 17 stepping 1"; },
         "cpu signature: A (unknown), B AuthenticAMD family 25 model 17 stepping 1", false},
        {[](ScanRecord& r) { r.machine.packages = 2; }, "packages: A 0, B 2", false},
        {[](ScanRecord& r) { r.machine.physical_cores = 8; }, "physical cores: A 0, B 8", false},
        {[](ScanRecord& r) { r.machine.logical_cpus = 16; }, "logical cpus: A 0, B 16", false},
        {[](ScanRecord& r) { r.machine.numa_nodes = 1; }, "numa nodes: A 0, B 1", false},
        {[](ScanRecord& r) {
             r.machine.caches = {{1, 48 << 10, 2, 8}, {2, 1 << 20, 2, 8}, {3, 512, 16, 1}};
         },
         "caches: A (unknown), B L1 48 KiB x8, L2 1 MiB x8, L3 0 KiB x1", false},
        {[](ScanRecord& r) { r.machine.hostname = "box"; }, "hostname: A (unknown), B box", false},
        {[](ScanRecord& r) { r.machine.os = "Linux 6.1"; }, "os: A (unknown), B Linux 6.1", false},
        {[](ScanRecord& r) { r.machine.governor = "powersave"; }, "governor: A (unknown), B powersave", false},
        {[](ScanRecord& r) { r.machine.boost = "on"; }, "boost: A (unknown), B on", false},
        {[](ScanRecord& r) { r.build.version = "1.2"; }, "version: A (unknown), B 1.2", false},
        {[](ScanRecord& r) { r.build.revision = "abc123"; }, "revision: A (unknown), B abc123", false},
        {[](ScanRecord& r) { r.build.compiler = "Clang 16"; }, "compiler: A (unknown), B Clang 16", false},
        {[](ScanRecord& r) { r.build.build_type = "Debug"; }, "build type: A (unknown), B Debug", false},
        {[](ScanRecord& r) { r.build.kernel_flags = "-O2"; }, "kernel flags: A (unknown), B -O2", false},
        {[](ScanRecord& r) { r.build.openmp_runtime = "omp"; }, "openmp runtime: A (unknown), B omp", false},
        {[](ScanRecord& r) { r.build.openmp_version = 201511; }, "openmp version: A 0, B 201511", false},
        {[](ScanRecord& r) {
             r.environment = {{"OMP_PROC_BIND", "close"}};
         },
         "OMP_PROC_BIND: A (not set), B close", false},
        {[](ScanRecord& r) {
             r.warnings = {{"loaded", "busy"}, {"host_starvation", "CPU 1"}, {"loaded", "still"}};
         },
         "warnings: A none, B host_starvation, loaded", false},
    };
    for (const auto& row : table) {
        ScanRecord b = a;
        row.change(b);
        const ComparisonReport report = report_of(a, b);
        EXPECT_EQ(lines_starting(format_comparison(report), "differs: "),
                  std::vector<std::string>{std::string("differs: ") + row.line});
        EXPECT_EQ(work_differences(report.differences).size(), row.work ? 1u : 0u) << row.line;
    }
}

// What the comparison says before its tables when both sides carry warnings, rounds left out,
// and thread counts the other lacks.
TEST(CompareDifferences, NamesWarningsRoundsLeftOutAndUnmatchedCounts)
{
    ScanRecord a = synthetic_record({1, 2}), b = a;
    a.warnings = {{"loaded", "busy at start"}};
    b.environment = {{"OMP_WAIT_POLICY", "active"}};
    ComparisonReport report = report_of(a, b);
    report.rounds_a.counted = {1, 2, 3};
    report.rounds_a.incomplete = {4};
    report.rounds_b.counted = {1, 2};
    report.rounds_b.starved = {3};
    report.rounds_b.incomplete = {4, 5};
    report.comparison.only_in_a = {4};
    report.comparison.only_in_b = {8, 16};
    const std::string text = format_comparison(report);
    EXPECT_EQ(text.substr(text.find('\n') + 1, text.find("\n\n") - text.find('\n')),
              "A = a.json: n 512, b 64, tiled kernel, bind cores, 3 rounds counted (1 incomplete left out)\n"
              "B = b.json: n 512, b 64, tiled kernel, bind cores, 2 rounds counted (1 starved, 2 incomplete left out)\n"
              "differs: OMP_WAIT_POLICY: A (not set), B active\n"
              "differs: warnings: A loaded, B none\n"
              "warning of A (loaded): busy at start\n"
              "B had starved rounds: 1 of 3 left out, as its own figures leave them; compared on its 2 clean rounds\n"
              "thread counts in A only: 4\n"
              "thread counts in B only: 8, 16\n");
}

// Verdicts from figures chosen by hand: B/A 0.921 [0.894, 0.949] is B faster by 7.9 %, and its
// percent interval runs from the ratio's upper bound (5.1) to its lower one (10.6).
TEST(CompareVerdict, PutsEachRatioInWordsWithItsIntervalTheRightWayRound)
{
    const struct {
        double ratio, low, high;
        Change change;
        bool judged;
        const char *time, *speedup;
    } table[] = {
        {0.921, 0.894, 0.949, Change::lower, true, "B faster by 7.9 % [5.1, 10.6]",
         "B scales worse by 7.9 % [5.1, 10.6]"},
        {1.032, 1.010, 1.054, Change::higher, true, "B slower by 3.2 % [1.0, 5.4]",
         "B scales better by 3.2 % [1.0, 5.4]"},
        {1.0, 0.99, 1.01, Change::none, true, "no difference beyond the noise", "no difference beyond the noise"},
        {0.5, 0.4, 0.6, Change::lower, false, "too few clean rounds (A 4, B 9)", "too few clean rounds (A 3, B 9)"},
    };
    for (const auto& row : table) {
        CountComparison c;
        c.runs_a = 4;
        c.pairs_a = 3;
        c.runs_b = c.pairs_b = 9;
        c.time = c.speedup = RatioEstimate{row.ratio, Interval{row.low, row.high, 0.95}};
        c.time_change = c.speedup_change = row.change;
        c.time_judged = c.speedup_judged = row.judged;
        EXPECT_EQ(time_verdict(c), row.time);
        EXPECT_EQ(speedup_verdict(c), row.speedup);
    }
}

TEST(CompareVerdict, FailsIfSlowerOnlyWhenTheWholeSlowdownIsBeyondTheLimit)
{
    CountComparison c;
    c.time = RatioEstimate{1.032, Interval{1.010, 1.054, 0.95}};
    c.time_change = Change::higher;
    c.time_judged = true;
    EXPECT_TRUE(slower_beyond(c, 0.0));
    EXPECT_TRUE(slower_beyond(c, 0.9));
    EXPECT_FALSE(slower_beyond(c, 1.1)); // the estimate is beyond 1.1 %, the interval is not
    c.time_judged = false;
    EXPECT_FALSE(slower_beyond(c, 0.0));
    c.time_judged = true;
    c.time_change = Change::none;
    EXPECT_FALSE(slower_beyond(c, 0.0));
}

TEST(CompareRounds, ComparesTheCountsBothMeasuredWithTheirKnownRatio)
{
    const ScanRecord a = synthetic_record({1, 2, 4}), b = synthetic_record({2, 3, 4});
    CompareSettings settings;
    settings.seed = 9;
    const CountedRounds rounds_a = counted_rounds(a, synthetic_samples(12, {1, 2, 4}, 1.0));
    const CountedRounds rounds_b = counted_rounds(b, synthetic_samples(12, {2, 3, 4}, 0.8));
    const Comparison comparison = compare_rounds(rounds_a, rounds_b, settings);
    EXPECT_EQ(comparison.only_in_a, (std::vector<int>{1}));
    EXPECT_EQ(comparison.only_in_b, (std::vector<int>{3}));
    ASSERT_EQ(comparison.counts.size(), 2u);
    for (const CountComparison& c : comparison.counts) {
        // The same spread on both sides, B's parallel calls 0.8 of A's: the medians keep that ratio.
        EXPECT_NEAR(c.time.ratio, 0.8, 1e-12) << c.threads;
        EXPECT_NEAR(c.speedup.ratio, 1.25, 1e-12) << c.threads;
        EXPECT_LT(c.time.interval.low, 0.8);
        EXPECT_GT(c.time.interval.high, 0.8);
        EXPECT_EQ(c.time_change, Change::lower);
        EXPECT_EQ(c.speedup_change, Change::higher);
        EXPECT_EQ(time_verdict(c).rfind("B faster by 20.0 % [", 0), 0u) << time_verdict(c);
    }
    // Five rounds on one side: intervals, but no verdict.
    const Comparison few = compare_rounds(rounds_a, counted_rounds(b, synthetic_samples(5, {2, 3, 4}, 0.8)), settings);
    EXPECT_FALSE(few.counts[0].time_judged);
    EXPECT_EQ(time_verdict(few.counts[0]), "too few clean rounds (A 12, B 5)");
    // Nothing between a side and itself.
    const Comparison same = compare_rounds(rounds_a, rounds_a, settings);
    for (const CountComparison& c : same.counts)
        EXPECT_EQ(time_verdict(c), "no difference beyond the noise") << c.threads;
}

// --- the program ---

// A scratch directory holding scans a and b of 10 rounds each, B's times factor_b times A's.
std::string two_scans(const std::string& name, double factor_b)
{
    const std::string dir = make_scratch_dir(name);
    write_side(dir, "a", synthetic_record({1, 2}), synthetic_samples(10, {1, 2}, 1.0));
    write_side(dir, "b", synthetic_record({1, 2}), synthetic_samples(10, {1, 2}, factor_b));
    return dir;
}

TEST(CompareProgram, PrintsTheDifferencesThenTheTablesAndWritesTheSameAsJson)
{
    const std::string dir = two_scans("compare_program", 1.25);
    const ProgramRun run = run_in(dir, compare_exe + " --seed 3 --output cmp.json a.json b");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(first_lines(run.out, 4),
              "tilebench-compare: ratios B/A with 95 % intervals (each side's rounds resampled "
              "on their own, seed 3), noise band +-2 %\n"
              "A = a.json: n 512, b 64, tiled kernel, bind cores, 10 rounds counted\n"
              "B = b.json: n 512, b 64, tiled kernel, bind cores, 10 rounds counted\n"
              "differs: nothing the records hold\n");
    // Both tables, column for column: B's times are all 1.25 times A's, so B's speed-ups 0.8.
    const std::size_t tables = run.out.find("\ntime per call");
    ASSERT_NE(tables, std::string::npos) << run.out;
    EXPECT_EQ(run.out.substr(tables),
              "\ntime per call (B/A below 1: B faster)\n"
              "threads  runs A  runs B  median A (s)  median B (s)    B/A   95 % interval     verdict\n"
              "      1      10      10      1.000000      1.250000  1.250  [1.225, 1.275]     B slower by 25.0 % "
              "[22.5, 27.5]\n"
              "      2      10      10      0.500000      0.625000  1.250  [1.225, 1.275]     B slower by 25.0 % "
              "[22.5, 27.5]\n\n"
              "speed-up over each side's own baseline (B/A above 1: B scales better)\n"
              "threads  pairs A  pairs B  speed-up A  speed-up B    B/A   95 % interval     verdict\n"
              "      1       10       10       1.000       0.800  0.800  [0.788, 0.812]     B scales worse by 20.0 % "
              "[18.8, 21.2]\n"
              "      2       10       10       2.000       1.600  0.800  [0.788, 0.816]     B scales worse by 20.0 % "
              "[18.4, 21.2]\n");

    const auto json = nlohmann::ordered_json::parse(read_file(dir + "/cmp.json"));
    EXPECT_EQ(json["seed"], 3);
    EXPECT_EQ(json["a"]["samples"], "a.csv");
    ASSERT_EQ(json["thread_counts"].size(), 2u);
    EXPECT_EQ(json["thread_counts"][1]["time_change"], "slower");
    EXPECT_NE(run.out.find(json["thread_counts"][1]["time_verdict"].get<std::string>()), std::string::npos);

    // The seed decides every interval: a second run says exactly the same.
    EXPECT_EQ(run_in(dir, compare_exe + " --seed 3 a.json b.json").out, run.out);
}

TEST(CompareProgram, NamesAStarvedSideAndComparesItsCleanRoundsOnly)
{
    const std::string dir = make_scratch_dir("compare_starved");
    write_side(dir, "a", synthetic_record({1, 2}), synthetic_samples(10, {1, 2}, 1.0));
    const std::set<int> starved = rounds_from(9, 30);
    const ProbedScan b = probed_scan({1, 2}, 30, starved, 1.5);
    write_side(dir, "b", b.record, b.samples);
    const ProgramRun run = run_in(dir, compare_exe + " --seed 4 --fail-if-slower 0 --output cmp.json a b");
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    // The lines that name the starved side are the report's own tests'; here, what reaches the record.
    const auto json = nlohmann::ordered_json::parse(read_file(dir + "/cmp.json"));
    EXPECT_EQ(json["a"]["rounds_counted"], 10);
    EXPECT_EQ(json["a"]["rounds_starved"], nlohmann::ordered_json::array());
    EXPECT_EQ(json["b"]["rounds_counted"], 8);
    EXPECT_EQ(json["b"]["rounds_starved"], std::vector<int>(starved.begin(), starved.end()));
    EXPECT_EQ(json["b"]["rounds_incomplete"], nlohmann::ordered_json::array());
    EXPECT_EQ(json["b"]["warnings"][0]["kind"], "host_starvation");
    ASSERT_EQ(json["thread_counts"].size(), 2u);
    for (const auto& count : json["thread_counts"]) {
        EXPECT_EQ(count["runs_b"], 8);
        EXPECT_EQ(count["pairs_b"], 8);
        EXPECT_EQ(count["time_change"], "none");
        EXPECT_EQ(count["speedup_change"], "none");
        EXPECT_EQ(count["time_verdict"], "no difference beyond the noise");
    }
    EXPECT_EQ(json["slower_beyond_limit"], nlohmann::ordered_json::array());
}

TEST(CompareProgram, RefusesWithOneLineAndTheStatusOfEachRefusal)
{
    const std::string dir = two_scans("compare_refusals", 1.0);
    write_side(dir, "n1024", synthetic_record({1, 2}, 1024), synthetic_samples(10, {1, 2}, 1.0));
    write_side(dir, "other", synthetic_record({3, 4}), synthetic_samples(10, {3, 4}, 1.0));
    write_side(dir, "extra", synthetic_record({1, 2}), synthetic_samples(10, {1, 2, 3}, 1.0));
    const ProbedScan starved = probed_scan({1, 2}, 10, rounds_from(1, 10), 1.5);
    write_side(dir, "starved", starved.record, starved.samples);
    write_file(dir + "/lonely.json", scan_record_text(synthetic_record({1, 2})));
    write_file(dir + "/newer.json", "{\"format_version\": 99}");
    write_file(dir + "/newer.csv", samples_text(synthetic_samples(2, {1, 2}, 1.0)));
    write_file(dir + "/damaged.json", scan_record_text(synthetic_record({1, 2})));
    write_file(dir + "/damaged.csv", std::string(samples_header) + "\n1,parallel,2,2,fast,1\n");
    // The comparison's record is put in place by a rename, which would replace a FIFO with it.
    ASSERT_EQ(shell("mkfifo '" + dir + "/fifo.json'"), 0);
    const struct {
        std::string arguments;
        int status;
        std::string err;
    } table[] = {
        {"a.json lonely.json", 1,
         "tilebench-compare: no samples file beside lonely.json: lonely.csv: No such file or directory\n"},
        {"a.json missing.json", 1, "tilebench-compare: cannot read missing.json: No such file or directory\n"},
        {"a.json damaged.json", 1,
         "tilebench-compare: damaged.csv: line 2 is not a sample: \"1,parallel,2,2,fast,1\"\n"},
        {"a.json extra.json", 1,
         "tilebench-compare: extra.csv: round 1 has a parallel call on 3 threads, which extra.json does not hold\n"},
        {"a.json n1024.json", 5,
         "tilebench-compare: A and B time different work (size 512 and 1024); --allow-different compares them "
         "all the same\n"},
        {"a.json other.json", 5, "tilebench-compare: no thread count in common: A has 1, 2, B has 3, 4\n"},
        {"starved.json a.json", 5,
         "tilebench-compare: A = starved.json has no clean round to compare: its probe found all 10 of its "
         "complete rounds starved, so its figures measure the host\n"},
        {"--output fifo.json a.json a.json", 1,
         "tilebench-compare: cannot write fifo.json: it is not a regular file (a FIFO, a device or a directory)\n"},
    };
    for (const auto& row : table) {
        // Bounded: a FIFO opened for writing without a reader would wait for ever.
        const ProgramRun run = run_in(dir, "timeout 60 " + compare_exe + " " + row.arguments);
        EXPECT_EQ(run.status, row.status) << row.arguments;
        EXPECT_EQ(run.err, row.err) << row.arguments;
        EXPECT_EQ(run.out, "") << row.arguments;
    }

    const ProgramRun newer = run_in(dir, compare_exe + " a.json newer.json");
    EXPECT_EQ(newer.status, 1);
    EXPECT_EQ(lines_of(newer.err).size(), 1u);
    EXPECT_EQ(newer.err.rfind("tilebench-compare: newer.json: ", 0), 0u) << newer.err;
    EXPECT_NE(newer.err.find("99"), std::string::npos) << newer.err;

    const ProgramRun one_side = run_in(dir, compare_exe + " a.json");
    EXPECT_EQ(one_side.status, 2);
    EXPECT_EQ(lines_of(one_side.err).at(0), "tilebench-compare: two scans are needed, A and B");
    EXPECT_EQ(run_in(dir, compare_exe + " --threshold nan a.json a.json").status, 2);

    // Asked for, other work is compared, with the difference named first.
    const ProgramRun allowed = run_in(dir, compare_exe + " --allow-different a.json n1024.json");
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_EQ(lines_of(allowed.out).at(3), "differs: size: A 512, B 1024");
}

// Scans of each side taken in turn: B's two scans 3 % and 9 % above A's 0 % and 6 %. One scan a
// side takes the first pair's 3 % for a difference; with both scans a side, the drift between
// them is in the interval, and every scan is named with what it counted.
TEST(CompareProgram, SeveralScansASidePutTheDriftBetweenScansInTheInterval)
{
    const std::string dir = make_scratch_dir("compare_more");
    write_side(dir, "a1", synthetic_record({1, 2}), synthetic_samples(10, {1, 2}, 1.00));
    write_side(dir, "a2", synthetic_record({1, 2}), synthetic_samples(10, {1, 2}, 1.06));
    write_side(dir, "b1", synthetic_record({1, 2}), synthetic_samples(10, {1, 2}, 1.03));
    const ProbedScan b2 = probed_scan({1, 2}, 12, {11, 12}, 1.5);
    write_side(dir, "b2", b2.record, [&b2] {
        std::vector<RecordedSample> samples = b2.samples;
        for (RecordedSample& sample : samples)
            if (sample.configuration.parallel && sample.round <= 10)
                sample.seconds *= 1.09;
        return samples;
    }());
    write_side(dir, "n1024", synthetic_record({1, 2}, 1024), synthetic_samples(10, {1, 2}, 1.0));

    const ProgramRun single = run_in(dir, compare_exe + " --seed 2 a1 b1");
    ASSERT_EQ(single.status, 0) << single.err;
    EXPECT_NE(single.out.find("      2      10      10      0.500000      0.515000  1.030"), std::string::npos)
        << single.out;
    EXPECT_NE(single.out.find("B slower by 3.0 % ["), std::string::npos) << single.out;

    const ProgramRun run = run_in(dir, compare_exe + " --seed 2 --output cmp.json a1 --more-a a2 b1 --more-b b2.json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(first_lines(run.out, 8),
              "tilebench-compare: ratios B/A with 95 % intervals (each side's scans, and their rounds, resampled on "
              "their own, seed 2), noise band +-2 %\n"
              "A = a1.json: n 512, b 64, tiled kernel, bind cores, 10 rounds counted\n"
              "A = a2.json: n 512, b 64, tiled kernel, bind cores, 10 rounds counted\n"
              "B = b1.json: n 512, b 64, tiled kernel, bind cores, 10 rounds counted\n"
              "B = b2.json: n 512, b 64, tiled kernel, bind cores, 10 rounds counted (2 starved left out)\n"
              "differs: nothing the records hold\n"
              "warning of B, b2.json (host_starvation): CPU 1 fell to 0.60 of the healthy rate\n"
              "B, b2.json had starved rounds: 2 of 12 left out, as its own figures leave them; compared on its 10 "
              "clean rounds\n");
    EXPECT_EQ(run.out.find("B slower by"), std::string::npos) << run.out;
    const auto json = nlohmann::ordered_json::parse(read_file(dir + "/cmp.json"));
    ASSERT_EQ(json["more_a"].size(), 1u);
    EXPECT_EQ(json["more_a"][0]["record"], "a2.json");
    ASSERT_EQ(json["more_b"].size(), 1u);
    EXPECT_EQ(json["more_b"][0]["rounds_starved"], (std::vector<int>{11, 12}));
    for (const auto& count : json["thread_counts"]) {
        EXPECT_EQ(count["runs_a"], 20);
        EXPECT_EQ(count["runs_b"], 20);
        EXPECT_EQ(count["time_change"], "none") << count["time_verdict"];
    }

    // A scan given twice on a side, under any name, would count as two that agree.
    const ProgramRun twice = run_in(dir, compare_exe + " a1 --more-a a2 --more-a ./a1.json b1");
    EXPECT_EQ(twice.status, 2);
    EXPECT_EQ(twice.err, "tilebench-compare: A's scan ./a1.json is given twice; each scan of a side counts once\n");

    // A side's scans are pooled, so they must time the same work, whatever --allow-different says.
    const ProgramRun mixed = run_in(dir, compare_exe + " --allow-different a1 --more-a n1024 b1");
    EXPECT_EQ(mixed.status, 5);
    EXPECT_EQ(mixed.err, "tilebench-compare: A's scans a1.json and n1024.json time different work (size); a side's "
                         "scans are pooled, so they must time the same\n");
}

TEST(CompareProgram, FailIfSlowerEndsWithItsOwnStatusOnlyBeyondTheLimit)
{
    const std::string slower = two_scans("compare_slower", 1.25);
    const ProgramRun guarded = run_in(slower, compare_exe + " --seed 1 --fail-if-slower 5 a.json b.json");
    EXPECT_EQ(guarded.status, 6) << guarded.err;
    EXPECT_EQ(guarded.err, "tilebench-compare: B is slower than A by more than 5 % on 1, 2 threads\n");
    EXPECT_NE(guarded.out.find("B slower by 25.0 %"), std::string::npos); // the table is printed all the same
    // The limit given reaches the verdict; which slowdowns are beyond a limit is the verdict's own test.
    EXPECT_EQ(run_in(slower, compare_exe + " --seed 1 --fail-if-slower 50 a.json b.json").status, 0);
}

TEST(CompareProgram, WritesItsOutputOverALinkWithoutFollowingIt)
{
    const std::string dir = two_scans("compare_link", 1.0);
    write_file(dir + "/precious.txt", "keep me\n");
    ASSERT_EQ(shell("cd '" + dir + "' && ln -s precious.txt cmp.json"), 0);
    const ProgramRun run = run_in(dir, compare_exe + " --output cmp.json a.json b.json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(dir + "/precious.txt"), "keep me\n");
    struct stat info {};
    ASSERT_EQ(lstat((dir + "/cmp.json").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));

    const ProgramRun nowhere = run_in(dir, compare_exe + " --output no/such/dir/cmp.json a.json b.json");
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_EQ(nowhere.err, "tilebench-compare: cannot write no/such/dir/cmp.json: No such file or directory\n");
}

TEST(CompareRecord, WhatIsWrittenReadsBackAndOnlyAComparisonLooksLikeOne)
{
    const std::string dir = two_scans("compare_record", 0.8);
    ComparisonReport report;
    std::string problem;
    ASSERT_TRUE(load_side(dir + "/a.json", report.a, problem)) << problem;
    ASSERT_TRUE(load_side(dir + "/b", report.b, problem)) << problem;
    report.rounds_a = counted_rounds(report.a.record, report.a.samples);
    report.rounds_b = counted_rounds(report.b.record, report.b.samples);
    report.comparison = compare_rounds(report.rounds_a, report.rounds_b, CompareSettings{});
    report.comparison.counts[0].time.interval.low = std::numeric_limits<double>::quiet_NaN();
    report.differences = {{"bind", "cores", "none", false}};
    report.rounds_b.starved = {3, 5};
    report.more_b = {report.a};
    report.more_rounds_b = {report.rounds_a};
    const ComparisonRecord written = comparison_record(report);
    const std::string text = comparison_record_text(written);
    EXPECT_TRUE(looks_like_comparison_record(text));
    EXPECT_FALSE(looks_like_comparison_record(read_file(dir + "/a.json")));

    ComparisonRecord read;
    ASSERT_TRUE(parse_comparison_record(text, read, problem)) << problem;
    EXPECT_EQ(comparison_record_text(read), text);
    EXPECT_TRUE(std::isnan(read.thread_counts[0].time.ci_low)); // null reads back as NaN
    EXPECT_TRUE(std::isnan(read.fail_if_slower));               // not asked
    EXPECT_EQ(read.thread_counts[1].time.verdict.rfind("B faster by 20.0 % [", 0), 0u);
    EXPECT_EQ(read.b.rounds_starved, (std::vector<int>{3, 5}));
    ASSERT_EQ(read.more_b.size(), 1u);
    EXPECT_EQ(read.more_b[0].record, report.a.record_path);

    // A comparison written before starved rounds were left out has no such key: none were.
    nlohmann::ordered_json older = nlohmann::ordered_json::parse(text);
    older["b"].erase("rounds_starved");
    older.erase("more_b"); // nor, before sides had several scans, any further scan
    ASSERT_TRUE(parse_comparison_record(older.dump(), read, problem)) << problem;
    EXPECT_TRUE(read.b.rounds_starved.empty());
    EXPECT_TRUE(read.more_b.empty());

    nlohmann::ordered_json newer = nlohmann::ordered_json::parse(text);
    newer["comparison_format_version"] = 2;
    EXPECT_FALSE(parse_comparison_record(newer.dump(), read, problem));
    EXPECT_EQ(problem, "damaged comparison record: a comparison record of format 2, newer than this program reads (1)");
    nlohmann::ordered_json damaged = nlohmann::ordered_json::parse(text);
    damaged["thread_counts"][0].erase("time_ratio");
    EXPECT_FALSE(parse_comparison_record(damaged.dump(), read, problem));
    EXPECT_NE(problem.find("time_ratio"), std::string::npos) << problem;
    EXPECT_EQ(lines_of(problem).size(), 1u);
}

TEST(CompareProgram, ThePlotToolDrawsAComparisonAlone)
{
    const std::string dir = two_scans("compare_plot", 0.8);
    ASSERT_EQ(run_in(dir, compare_exe + " --seed 2 --output cmp.json a b").status, 0);
    const ProgramRun drawn = run_in(dir, plot_exe + " --output cmp.svg --script cmp.gp cmp.json");
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_EQ(lines_of(drawn.out).front(), "cmp.json: B = b.json against A = a.json, seed 2");
    EXPECT_EQ(lines_of(drawn.out).back(), "picture: cmp.svg");
    EXPECT_NE(read_file(dir + "/cmp.svg").find("</svg>"), std::string::npos);
    EXPECT_NE(read_file(dir + "/cmp.gp").find("title 'no change (y = 1)'"), std::string::npos);

    const ProgramRun mixed = run_in(dir, plot_exe + " --output both.svg cmp.json a.json");
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(mixed.err, "tilebench-plot: a comparison record is drawn on its own: give it alone\n");
    EXPECT_FALSE(file_exists(dir + "/both.svg"));
}

} // namespace
