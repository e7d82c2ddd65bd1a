// The scan record is the one file two programs and months of releases share: these tests pin
// that what is written reads back as it was, that older records still read, that a damaged or
// newer one is refused in one line naming its fault, and the text of the scan's table.
#include "record/record.h"
#include "scan_records.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

using Json = nlohmann::ordered_json;

// The capacity probe's part, every field away from its default: CPU 1 starved in round 2.
void with_probe(ScanRecord& r)
{
    r.parameters.probe = "each";
    r.speedups[1].starved_pairs = 3;
    r.speedups[1].starved_share = 0.3;
    r.speedups[1].starved_speedup = 1.34;
    r.speedups[1].starved_ci_low = 1.3;
    r.speedups[1].starved_ci_high = 1.38;
    r.speedups[1].measures_host = true;
    r.speedups[1].regime_change_round = 4;
    r.probe = {160,
               3,
               "rule",
               0.05,
               3.0,
               0.25,
               0.05,
               5.5,
               0.01,
               0.05,
               0.25,
               {{1, 1.2, {0, 1}, {{5.5, 5.4}, {5.6, 5.5}}, {1.0, 0.98}, false, {1.0, 1.9}, 0.001},
                {2, 2.4, {0, 1}, {{5.5, 3.6}, {5.5, no_value}}, {1.0, 0.65}, true, {no_value, 1.3}, 0.3}}};
    r.timed_s = 7.5;
}

// Every field away from its default, so that a key the reader skips shows in the comparison.
ScanRecord full_record()
{
    ScanRecord r = documented_scan_record();
    r.machine = {{"CPU",
                  "GenuineIntel family 6 model 85 stepping 7",
                  1,
                  2,
                  4,
                  2,
                  1,
                  {{1, 49152, 2, 2}},
                  "Linux 6",
                  "host",
                  "performance",
                  "on",
                  {},
                  {1, 3}},
                 0.5,
                 0.25,
                 0.125,
                 "2026-12-07T02:55:46Z"};
    r.build = {"1.2.0", "abc", "GNU 12.2.0", "Release", "-O3", "gomp", 201511, false};
    r.environment = {{"OMP_PROC_BIND", "true"}, {"GOMP_SPINCOUNT", "0"}};
    r.warnings = {{"loaded", "busy"}, {"migrated", "threads moved"}};
    r.invalid_samples = 2;
    r.interrupted = true;
    with_probe(r);
    return r;
}

ScanRecord round_trip(const ScanRecord& record)
{
    ScanRecord read;
    std::string problem;
    EXPECT_TRUE(parse_scan_record(scan_record_text(record), read, problem)) << problem;
    return read;
}

TEST(ScanRecordFile, WhatIsWrittenReadsBackAsItWasWithNonFiniteFiguresAsNaN)
{
    const ScanRecord written = full_record();
    const ScanRecord read = round_trip(written);
    EXPECT_EQ(scan_record_text(read), scan_record_text(written));
    // A key both sides of the round trip skipped would pass the line above.
    EXPECT_EQ(read.machine.cpu_signature, "GenuineIntel family 6 model 85 stepping 7");
    // The line size is left out where unknown, as records before it have it.
    EXPECT_EQ(scan_record_text(written).find("cache_line_bytes"), std::string::npos);
    ScanRecord lined = written;
    lined.machine.cache_line_bytes = 64;
    EXPECT_NE(scan_record_text(lined).find("\"cache_line_bytes\": 64,"), std::string::npos);
    EXPECT_EQ(round_trip(lined).machine.cache_line_bytes, 64);

    ScanRecord odd = written;
    odd.configurations[1].max_s = std::numeric_limits<double>::infinity();
    odd.speedups[1].ci_high = -std::numeric_limits<double>::infinity();
    odd.elapsed_s = no_value;
    const std::string text = scan_record_text(odd);
    EXPECT_NE(text.find("\"max_s\": null"), std::string::npos);
    const ScanRecord back = round_trip(odd);
    EXPECT_TRUE(std::isnan(back.configurations[1].max_s)); // JSON has no infinity: it comes back as NaN
    EXPECT_TRUE(std::isnan(back.speedups[1].ci_high));
    EXPECT_TRUE(std::isnan(back.speedups[0].karp_flatt));
    EXPECT_TRUE(std::isnan(back.elapsed_s));
    EXPECT_EQ(Json::parse(text).begin().key(), "format_version");
    EXPECT_EQ(Json::parse(text)["format_version"], scan_record_version);
}

// A record of tilebench 1.1.0, exactly as it wrote it: without format_version, with the bound
// under "tile_bound". It reads, and is written back key for key and byte for byte but for those two.
TEST(ScanRecordFile, ARecordOfTheReleaseBeforeReadsAndKeepsItsShape)
{
    const std::string old_text = read_file(TILEBENCH_SOURCE_DIR "/fuzz/corpus/scan_record/real");
    ScanRecord record;
    std::string problem;
    ASSERT_TRUE(parse_scan_record(old_text, record, problem)) << problem;
    EXPECT_DOUBLE_EQ(record.speedups[1].schedule_bound, 2.0);
    EXPECT_EQ(record.machine.caches.size(), 3u);
    EXPECT_TRUE(record.machine.governor.empty()); // null

    std::string expected = "{\n  \"format_version\": 2," + old_text.substr(1);
    for (std::size_t at; (at = expected.find("\"tile_bound\"")) != std::string::npos;)
        expected.replace(at, 12, "\"schedule_bound\"");
    EXPECT_EQ(scan_record_text(record), expected);
}

// One record, one fault at a time, each said in one line with its path in the record.
TEST(ScanRecordFile, DamagedOrNewerRecordsAreRefusedNamingTheirFault)
{
    const Json good = documented_scan_record();
    const auto with = [&good](const std::function<void(Json&)>& edit) {
        Json changed = good;
        edit(changed);
        return changed.dump();
    };
    const std::vector<RefusedText> cases = {
        {good.dump().substr(0, 300), "damaged scan record: not a complete JSON object"},
        {"[1, 2]", "damaged scan record: not a complete JSON object"},
        {with([](Json& j) { j["speedup"][1]["speedup"] = "fast"; }),
         "damaged scan record: 'speedup[1].speedup' is not a number"},
        {with([](Json& j) { j.erase("configurations"); }), "damaged scan record: 'configurations' is missing"},
        {with([](Json& j) { j["parameters"]["size"] = 8.5; }),
         "damaged scan record: 'parameters.size' is not a whole number"},
        {with([](Json& j) { j["machine"]["physical_cores"] = 99999999999LL; }),
         "damaged scan record: 'machine.physical_cores' 99999999999 is out of range"},
        {with([](Json& j) { j["rounds"] = std::numeric_limits<std::uint64_t>::max(); }),
         "damaged scan record: 'rounds' 18446744073709551615 is out of range"},
        {with([](Json& j) { j["parameters"]["seed"] = -1; }),
         "damaged scan record: 'parameters.seed' is not a whole number of 0 or more"},
        {with([](Json& j) {
             j["configurations"][2]["teams"] = {2, "two"};
         }),
         "damaged scan record: 'configurations[2].teams[1]' is not a whole number"},
        {with([](Json& j) {
             j["environment"] = {{std::string(500, 'X'), 1}};
         }),
         "damaged scan record: 'environment' is not text"},
        {with([](Json& j) { j["speedup"][0].erase("schedule_bound"); }),
         "damaged scan record: 'speedup[0].schedule_bound' is missing"},
        {with([](Json& j) { j["speedup"].erase(1); }),
         "damaged scan record: 'configurations' must hold the baseline and one entry per 'speedup'"},
        {with([](Json& j) { j["configurations"][1]["threads"] = 3; }),
         "damaged scan record: configuration 1 and its speed-up disagree on threads"},
        {with([](Json& j) { j["machine"] = 3; }), "damaged scan record: 'machine' is not an object"},
        {with([](Json& j) { j["interrupted"] = "no"; }), "damaged scan record: 'interrupted' is not true or false"},
        {with([](Json& j) { j["rounds"] = -99999999999LL; }),
         "damaged scan record: 'rounds' -99999999999 is out of range"},
        {with([](Json& j) { j["format_version"] = 0; }), "damaged scan record: 'format_version' 0 is not a version"},
        {with([](Json& j) { j["format_version"] = 3; }),
         "scan record format_version 3 is newer than this program reads (2); read it with the tilebench that "
         "wrote it"},
    };
    expect_refusals<ScanRecord>(parse_scan_record, cases);
}

// A comparison record holds whole counts: one too large for its field, or a fraction, is refused
// rather than read as another number, and every key it holds is needed.
TEST(ComparisonRecordFile, DamagedRecordsAreRefusedNamingTheirFault)
{
    ComparisonRecord record;
    record.a.record = "a.json";
    record.thread_counts.resize(1);
    const Json good = Json::parse(comparison_record_text(record));
    const auto with = [&good](const std::function<void(Json&)>& edit) {
        Json changed = good;
        edit(changed);
        return changed.dump();
    };
    const std::vector<RefusedText> cases = {
        {with([](Json& j) { j["thread_counts"][0]["runs_a"] = 4294967296LL; }),
         "damaged comparison record: 'thread_counts[0].runs_a' 4294967296 is out of range"},
        {with([](Json& j) { j["resamples"] = 1.5; }), "damaged comparison record: 'resamples' is not a whole number"},
        {with([](Json& j) { j["a"].erase("samples"); }), "damaged comparison record: 'a.samples' is missing"},
        {with([](Json& j) {
             j["a"]["warnings"] = {{{"kind", 3}}};
         }),
         "damaged comparison record: 'a.warnings[0].kind' is not text"},
        {with([](Json& j) { j.erase("comparison_format_version"); }),
         "damaged comparison record: 'comparison_format_version' is missing"},
    };
    expect_refusals<ComparisonRecord>(parse_comparison_record, cases);
}

// What tilebench-plot read before stays readable: keys it never needed may be missing or null.
TEST(ScanRecordFile, OptionalKeysMayBeMissingOrNull)
{
    Json trimmed = documented_scan_record();
    for (const char* key : {"format_version", "machine", "build", "environment", "warnings", "samples",
                            "invalid_samples", "elapsed_s", "stop_reason", "interrupted"})
        trimmed.erase(key);
    for (Json& c : trimmed["configurations"])
        for (const char* key : {"kind", "teams", "ci_coverage", "min_s", "max_s", "gflops", "placement"})
            c.erase(key);
    trimmed["speedup"][0]["karp_flatt"] = nullptr;
    trimmed["speedup"][1].erase("pairs");
    trimmed["parameters"]["kernel"] = nullptr;
    ScanRecord record;
    std::string problem;
    ASSERT_TRUE(parse_scan_record(trimmed.dump(), record, problem)) << problem;
    EXPECT_TRUE(record.machine.cpu_model.empty());
    EXPECT_TRUE(std::isnan(record.configurations[2].gflops));
    EXPECT_TRUE(record.parameters.kernel.empty());
    EXPECT_EQ(record.speedups[1].pairs, 0);
    EXPECT_EQ(scan_table_heading(record), "n 1024, b 64, - kernel, bind cores, 7 rounds in - s (stopped: -), "
                                          "medians with 95 % intervals");
}

// The table of docs/SCANNING.md, figure for figure; a figure that is missing or not finite is "-"
// in every column, and an absurd one still leaves a space before it.
TEST(ScanTable, TheDocumentedTableWithMissingFiguresAsADash)
{
    ScanRecord record = documented_scan_record();
    EXPECT_EQ(scan_table_heading(record), "n 1024, b 64, blocked kernel, bind cores, 7 rounds in 9.1 s (stopped: "
                                          "precision), medians with 95 % intervals");
    EXPECT_EQ(
        scan_table(record),
        "baseline: sequential kernel, median 0.426252 s [0.406743, 0.431741], 5.04 GFLOP/s, 7 runs\n"
        "\n"
        "threads   team  runs  median (s)   95 % interval (s)     GFLOP/s  speed-up   95 % interval   efficiency  "
        "95 % interval   Karp-Flatt  bound  differs  precise\n"
        "      1      1     7    0.422717  [0.410138, 0.464231]      5.08     1.008  [0.929, 1.024]       1.008  "
        "[0.929, 1.024]           -   1.00       no      yes\n"
        "      2      2     7    0.219063  [0.216350, 0.236402]      9.80     1.946  [1.809, 1.971]       0.973  "
        "[0.905, 0.986]       0.028   2.00      yes      yes\n");

    record.configurations[2].teams = {1, 2};
    record.configurations[2].median_s = std::numeric_limits<double>::infinity();
    record.configurations[2].gflops = 123456789.0;
    record.speedups[1].ci_low = -std::numeric_limits<double>::infinity();
    record.speedups[1].schedule_bound = no_value;
    EXPECT_EQ(
        lines_of(scan_table(record))[4],
        "      2    1/2     7           -  [0.216350, 0.236402] 123456789.00     1.946      [-, 1.971]       0.973  "
        "[0.905, 0.986]       0.028      -      yes      yes");
}

// A record that knows the probe gives each count's starved share and the starved rounds' own
// figure, and counts the starved rounds in its heading; one from before the probe (above) does not.
TEST(ScanTable, StarvedRoundsHaveTheirShareAndTheirOwnFigure)
{
    ScanRecord record = documented_scan_record();
    with_probe(record);
    EXPECT_EQ(scan_table_heading(record), "n 1024, b 64, blocked kernel, bind cores, 7 rounds (1 starved) in 9.1 s "
                                          "(stopped: precision), medians with 95 % intervals");
    const std::vector<std::string> lines = lines_of(scan_table(record));
    ASSERT_EQ(lines.size(), 5u);
    const auto tail = [&](std::size_t line, const std::string& end) {
        return lines[line].size() >= end.size() ? lines[line].substr(lines[line].size() - end.size()) : lines[line];
    };
    EXPECT_EQ(tail(2, "differs  precise  starved  starved speed-up"), "differs  precise  starved  starved speed-up");
    EXPECT_EQ(tail(3, "       no      yes        -                 -"),
              "       no      yes        -                 -");
    EXPECT_EQ(tail(4, "      yes      yes     30 %             1.340"),
              "      yes      yes     30 %             1.340");
}

// A study's table where every figure it could lack is missing: unknown kernel, bind, time, stop
// reason, working set, cache and tolerance, an edge a thread count never timed, one not compared
// with the fastest, a speed-up without an interval, a thread count without a fastest edge, a size
// with no cells; and no table at all for a record without a study.
TEST(StudyTable, EachMissingFigureIsADashAndUnknownCachesAreNamed)
{
    ScanRecord record;
    EXPECT_EQ(study_table(record, "x: "), "");
    RecordStudySize first;
    first.size = 256;
    first.rounds = 3;
    first.cells = {RecordCell{8, 2.0 * 1024 * 1024, 0, {}, {}}, RecordCell{16, no_value, 3, {}, {}}};
    RecordEdgeRanking one, four;
    one.threads = 1;
    one.edges = {RecordEdge{}};
    one.edges[0].median_s = 0.5;
    four.threads = 4;
    four.fastest_block = 8;
    four.speedup = 1.5;
    four.speedup_pairs = 1;
    four.edges = {RecordEdge{}, RecordEdge{}};
    four.edges[0].median_s = 0.25;
    four.edges[0].fastest = true;
    four.edges[1].median_s = 0.3;
    four.edges[1].indistinguishable = true;
    first.rankings = {one, four};
    RecordStudySize second;
    second.size = 512;
    second.elapsed_s = 1.0;
    second.stop_reason = "interrupted";
    second.rankings = {RecordEdgeRanking{}}; // the sequential kernel, without a fastest edge
    record.study = RecordStudy{};
    record.study->per_size = {first, second};
    EXPECT_EQ(study_table(record, "x: "),
              "x: n 256, - kernel, bind -, 3 rounds in - s (stopped: -), median seconds per call\n"
              "  edge  working set  fits      1 thread     4 threads\n"
              "     8      2.0 MiB     -    0.500000 ?    0.250000 *\n"
              "    16            -    L3             -    0.300000 =\n"
              "speed-up of the fastest edge over the best sequential edge, with 95 % intervals:\n"
              "    1 thread: -\n"
              "   4 threads: b 8, 1.500 [-, -] from 1 clean round, too few for an interval\n"
              "\n"
              "x: n 512, - kernel, bind -, 0 rounds in 1.0 s (stopped: interrupted), median seconds per call\n"
              "  edge  working set  fits    sequential\n"
              "speed-up of the fastest edge over the best sequential edge, with 95 % intervals:\n"
              "\n"
              "* the fastest edge by median time; = an edge a paired test on the rounds cannot tell from it (its "
              "ratio's 95 % interval holds 1 or lies within - %)\n"
              "? an edge with too few clean rounds in common with the fastest for an interval: not compared\n"
              "working set: three b x b blocks and an n x b panel of 4-byte floats; caches: not known\n");
}

TEST(Figures, EveryNonFiniteValueIsADash)
{
    EXPECT_EQ(figure("%.3f", 1.23456), "1.235");
    for (double value : {no_value, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()})
        EXPECT_EQ(figure("%.3f", value), "-");
    EXPECT_EQ(column("ab", 4), "  ab");
    EXPECT_EQ(column("abcd", 4), " abcd");
}

} // namespace
