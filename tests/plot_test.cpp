// tilebench-plot reads files that months of runs, hand edits and concatenation have touched,
// and scan records: these tests pin how it reads them, where it splits runs, what it prints,
// what it draws, and how it fails.
#include "gnuplot_grammar.h"
#include "plot/plot.h"
#include "record/record.h"
#include "scan_records.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

std::vector<FileRow> rows_of(const std::string& csv, std::string* warnings = nullptr)
{
    std::istringstream input(csv);
    std::ostringstream warned;
    auto rows = read_results(input, "out.csv", warned);
    if (warnings)
        *warnings = warned.str();
    return rows;
}

std::vector<NamedRun> runs_of(const std::string& csv)
{
    return name_runs(split_runs(rows_of(csv)), "");
}

// "threads/size" pairs of each run, e.g. {"2/512 3/512", "2/64"}.
std::vector<std::string> shape_of(const std::vector<Run>& runs)
{
    std::vector<std::string> shapes;
    for (const auto& run : runs) {
        std::string shape;
        for (const auto& row : run)
            shape += (shape.empty() ? "" : " ") + std::to_string(row.row.threads) + "/" + std::to_string(row.row.size);
        shapes.push_back(shape);
    }
    return shapes;
}

std::string row(long long threads, int size, const char* figures = "0.100000,1.900000,0.950000,0.475000")
{
    return std::to_string(threads) + "," + std::to_string(size) + "," + figures + "\n";
}

TEST(PlotReading, RowsAreReadWhateverTheirLineEndsMarksAndNonFiniteFigures)
{
    const auto rows = rows_of("\xEF\xBB\xBF"
                              "2,512,0.108178,1.992155,0.996077,0.498039\r\n"
                              "nbThreads,size,executionTime,speedUp,efficacity,realEfficacity\r\n"
                              "3,512,-nan,-nan,nan,inf\n");
    ASSERT_EQ(rows.size(), 2u); // the byte-order mark hides nothing
    EXPECT_EQ(rows[0].row.threads, 2);
    EXPECT_DOUBLE_EQ(rows[0].row.speed_up, 1.992155);
    EXPECT_EQ(rows[1].line, 3);
    EXPECT_TRUE(std::isnan(rows[1].row.time));
    EXPECT_TRUE(std::isinf(rows[1].row.real_efficiency));

    // Blank lines are passed over silently and keep a run whole; a line of spaces is no blank.
    std::string warned;
    const auto blank = rows_of(row(2, 64) + "\n\r\n" + row(3, 64) + "  \n", &warned);
    ASSERT_EQ(blank.size(), 2u);
    EXPECT_EQ(blank[1].line, 4);
    EXPECT_EQ(split_runs(blank).size(), 1u);
    EXPECT_EQ(warned.rfind("tilebench-plot: out.csv:5: skipped: ", 0), 0u) << warned;
    EXPECT_EQ(std::count(warned.begin(), warned.end(), '\n'), 1);
}

// Why a line is not a row is the record's to say (and tested there); the reader adds where.
TEST(PlotReading, UnreadableLinesAreSkippedWithTheirLineNumber)
{
    std::string warnings;
    const auto rows = rows_of(row(2, 64) + "3,64,0.250000\n" + "x,64,1,1,1,1\n" + row(3, 64), &warnings);
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(warnings, "tilebench-plot: out.csv:2: skipped: expected 6 comma-separated fields, found 3\n"
                        "tilebench-plot: out.csv:3: skipped: nbThreads is not a whole number: 'x'\n");
}

// Each rule of the splitting decided by a case that no other rule would also split.
TEST(PlotRuns, ARunEndsAtTwoThreadsAnotherSizeOrAGap)
{
    const struct {
        std::string csv;
        std::vector<std::string> runs;
    } cases[] = {
        {row(2, 512) + row(3, 512) + row(2, 512) + row(3, 512), {"2/512 3/512", "2/512 3/512"}}, // back to 2
        {row(1, 8) + row(2, 8), {"1/8", "2/8"}}, // 2 starts a run even where it would count on from 1
        {row(3, 512) + row(4, 512) + row(5, 1024), {"3/512 4/512", "5/1024"}},               // another size
        {row(3, 64) + row(5, 64), {"3/64", "5/64"}},                                         // a gap
        {row(4, 64) + row(3, 64), {"4/64", "3/64"}},                                         // counting down
        {row(2147483647, 8) + row(-2147483647 - 1LL, 8), {"2147483647/8", "-2147483648/8"}}, // no overflow
        {row(2, 8) + "garbage\n" + row(3, 8), {"2/8 3/8"}}, // a skipped line does not split
    };
    for (const auto& c : cases)
        EXPECT_EQ(shape_of(split_runs(rows_of(c.csv))), c.runs) << c.csv;
}

TEST(PlotSummary, OneAlignedBlockPerRunWithNonFiniteFiguresAsADashAndColumnsNeverJoined)
{
    const auto runs = runs_of(row(2, 512, "0.108178,1.992155,0.996077,0.498039") +
                              row(3, 512, "0.082776,2.603510,0.867837,0.650878") + row(2, 8, "-nan,inf,-inf,nan") +
                              row(2, 9, "123456789012.0,99999999999.0,1,1"));
    EXPECT_EQ(format_summary(runs), "run 1: size 512, lines 1-2\n"
                                    "  threads   time (s)   speed-up   efficiency\n"
                                    "        2   0.108178      1.992        0.996\n"
                                    "        3   0.082776      2.604        0.868\n"
                                    "\n"
                                    "run 2: size 8, lines 3-3\n"
                                    "  threads   time (s)   speed-up   efficiency\n"
                                    "        2          -          -            -\n"
                                    "\n"
                                    "run 3: size 9, lines 4-4\n"
                                    "  threads   time (s)   speed-up   efficiency\n"
                                    "        2 123456789012.000000 99999999999.000        1.000\n");
}

TEST(PlotScript, EachPanelDrawsItsColumnAndNonFinitePointsStayOut)
{
    const auto runs = runs_of(row(2, 512) + row(3, 512, "1,inf,-inf,inf") + row(2, 8, "nan,nan,nan,nan"));
    ASSERT_FALSE(has_drawable_points(runs[1].rows));
    const std::string script = gnuplot_script(runs, PictureFormat::svg);
    EXPECT_NE(script.find("set terminal svg"), std::string::npos);
    EXPECT_NE(script.find("$run1 << EOD\n2 1.900000 0.950000\nEOD\n"), std::string::npos) << script;
    EXPECT_EQ(script.find("$run2"), std::string::npos) << script;
    EXPECT_NE(script.find("set ylabel 'speed-up'\nset yrange [0:*]\nplot x with lines dashtype 2 lc rgb 'gray40' "
                          "title 'ideal', $run1 using 1:2 "),
              std::string::npos)
        << script;
    EXPECT_NE(script.find("plot 1 with lines dashtype 2 lc rgb 'gray40' title 'ideal', $run1 using 1:3 "),
              std::string::npos);
}

TEST(PlotFormats, TheExtensionPicksTheTerminalAndAnyOtherIsRefused)
{
    const struct {
        const char* name;
        bool accepted;
        const char* terminal;
    } cases[] = {
        {"a.png", true, "set terminal pngcairo"},
        {"b.SVG", true, "set terminal svg"},
        {"c.pdf", true, "set terminal pdfcairo"},
        {"d.jpg", false, ""},
        {"png", false, ""},
        {"dir.png/picture", false, ""},
    };
    for (const auto& c : cases) {
        PictureFormat format = PictureFormat::png;
        EXPECT_EQ(picture_format(c.name, format), c.accepted) << c.name;
        if (c.accepted) {
            EXPECT_EQ(terminal_line(format, 900, 800).rfind(c.terminal, 0), 0u) << c.name;
        }
    }
    EXPECT_TRUE(
        is_whole_picture("\x89PNG\r\n\x1a\n" + std::string(20, 'x') + "IEND\xae\x42\x60\x82", PictureFormat::png));
    EXPECT_FALSE(is_whole_picture("\x89PNG\r\n\x1a\n" + std::string(20, 'x'), PictureFormat::png)); // cut short
    EXPECT_TRUE(is_whole_picture("<svg>\n</svg>\n\n", PictureFormat::svg));
    EXPECT_FALSE(is_whole_picture("<svg>\n<g>", PictureFormat::svg));
    EXPECT_TRUE(is_whole_picture("%PDF-1.5\n...\n%%EOF\n", PictureFormat::pdf));
    EXPECT_FALSE(is_whole_picture("%PDF-1.5\n...\n", PictureFormat::pdf));
}

// A record built as tilebench-scan fills it, trimmed to what the plot tool reads.
ScanRecord plotted_record(double second_speedup = 1.8)
{
    ScanRecord r;
    r.parameters.size = 1024;
    r.parameters.block = 64;
    r.parameters.kernel = "blocked";
    r.parameters.bind = "cores";
    r.machine.cpu_model = "Test CPU";
    r.machine.physical_cores = 2;
    const double no = no_value;
    r.configurations = {configuration_record("sequential", 1, {9, 1.0, 0.9, 1.1, no, no, no, no, {1}}),
                        configuration_record("parallel", 1, {9, 1.0, 0.95, 1.05, no, no, no, no, {1}}),
                        configuration_record("parallel", 2, {8, 0.55, 0.5, no, no, no, no, no, {2}})};
    r.speedups = {{{1, 9, 1.0, 0.97, 1.03, 1.0, 0.97, 1.03, no_value, 1.0, false, true}},
                  {{2, 8, second_speedup, 1.7, 1.9, 0.9, 0.85, 0.95, no_value, 2.0, false, false}}};
    r.warnings = {{"loaded", "busy"}};
    r.rounds = 9;
    r.elapsed_s = 12.0;
    r.stop_reason = "runs";
    return r;
}

// The record's own faults are record_test's; the plot tool adds the file they are in.
TEST(PlotScans, ARecordIsReadAndADamagedOrNewerOneRefusedNamingTheFile)
{
    ScanPlot scan;
    std::string problem;
    const std::string text = scan_record_text(plotted_record());
    ASSERT_TRUE(looks_like_scan_record("\n  " + text));
    ASSERT_TRUE(read_scan_record(text, "s.json", scan, problem)) << problem;
    EXPECT_EQ(scan.file, "s.json");
    EXPECT_EQ(scan_record_text(scan.record), text);

    EXPECT_FALSE(read_scan_record(text.substr(0, 200), "s.json", scan, problem));
    EXPECT_EQ(problem, "s.json: damaged scan record: not a complete JSON object");
    nlohmann::ordered_json newer = plotted_record();
    newer["format_version"] = 7;
    EXPECT_FALSE(read_scan_record(newer.dump(), "s.json", scan, problem));
    EXPECT_EQ(problem, "s.json: scan record format_version 7 is newer than this program reads (2); read it with the "
                       "tilebench that wrote it");
    EXPECT_FALSE(looks_like_scan_record("2,512,0.1,1.9,0.95,0.475\n"));
}

// The probe's part of a record: CPU 1 starved in round 2, round 3 without a speed-up at 2 threads.
ScanRecord probed_record()
{
    ScanRecord record = plotted_record();
    record.parameters.probe = "each";
    record.probe.threshold = 0.08;
    record.probe.rounds = {{1, 1.25, {0, 1}, {{5.0, 5.0}}, {1.0, 0.98}, false, {1.0, 1.9}},
                           {2, 2.5, {0, 1}, {{5.0, 3.4}}, {1.0, 0.68}, true, {1.0, 1.35}},
                           {3, 3.75, {0, 1}, {{5.0, 5.1}}, {1.0, 1.02}, false, {1.0, no_value}}};
    return record;
}

// The same, with the line's trips: the second round has a slow one between its two probes, the
// third none taken.
ScanRecord tripped_record()
{
    ScanRecord record = probed_record();
    record.probe.rounds[0].line_ns = {{61.5}};
    record.probe.rounds[1].gflops.push_back({5.0, 3.6});
    record.probe.rounds[1].line_ns = {{90.0}, {330.0}};
    record.probe.rounds[2].line_ns = {{no_value}};
    return record;
}

// What a scan picture must draw, from the records alone: per scan N each count's time, speed-up
// and efficiency with the interval of that same figure, its bound, and with the probe each
// round's speed-up at the largest count and each CPU's rate; nothing that is not finite.
std::map<std::string, DataRows> scan_rows(const std::vector<ScanRecord>& records)
{
    std::map<std::string, DataRows> rows;
    const auto add = [&rows](const std::string& name, const std::vector<double>& row) {
        if (std::all_of(row.begin(), row.end(), [](double x) { return std::isfinite(x); }))
            rows[name].push_back(row);
    };
    for (std::size_t k = 0; k < records.size(); ++k) {
        const ScanRecord& r = records[k];
        const std::string n = std::to_string(k + 1);
        for (std::size_t i = 0; i < r.speedups.size(); ++i) {
            const RecordConfiguration& c = r.configurations[i + 1];
            const RecordSpeedup& s = r.speedups[i];
            // A figure with a 95 % interval has its bar; one without is drawn alone.
            const auto figure = [&](const std::string& stem, double value, double low, double high, bool covered) {
                if (covered && std::isfinite(low) && std::isfinite(high))
                    add(stem + n, {1.0 * s.threads, value, low, high});
                else
                    add(stem + "alone" + n, {1.0 * s.threads, value});
            };
            figure("$time", c.median_s, c.ci_low_s, c.ci_high_s, !(c.ci_coverage < 0.95));
            figure("$speedup", s.speedup, s.ci_low, s.ci_high, true);
            figure("$efficiency", s.efficiency, s.efficiency_ci_low, s.efficiency_ci_high, true);
            add("$bound" + n, {1.0 * s.threads, s.schedule_bound});
        }
        for (const RecordProbeRound& round : r.probe.rounds) {
            add((round.starved ? "$starved" : "$clean") + n, {round.end_s, round.speedups.back()});
            for (std::size_t i = 0; i < round.cpus.size(); ++i)
                add("$rate" + n + "x" + std::to_string(round.cpus[i]), {round.end_s, round.relative[i]});
            for (std::size_t i = 1; i < round.cpus.size(); ++i) {
                std::vector<double> trips;
                for (const std::vector<double>& probe : round.line_ns)
                    if (std::isfinite(probe.at(i - 1)))
                        trips.push_back(probe[i - 1]);
                if (!trips.empty())
                    add("$trip" + n + "x" + std::to_string(round.cpus[0]) + "x" + std::to_string(round.cpus[i]),
                        {round.end_s, *std::max_element(trips.begin(), trips.end())});
            }
        }
    }
    return rows;
}

TEST(PlotScans, ThePictureHasErrorBarsBoundsAndACaptionPerScan)
{
    ScanPlot first, second;
    std::string problem;
    ASSERT_TRUE(read_scan_record(scan_record_text(tripped_record()), "a.json", first, problem));
    ASSERT_TRUE(read_scan_record(scan_record_text(plotted_record(1.5)), "b.json", second, problem));
    const std::string script = scan_gnuplot_script({first, second}, PictureFormat::pdf);
    EXPECT_NE(script.find("set terminal pdfcairo"), std::string::npos);
    // Every row of every block from its own figures; the time point without an upper bound is
    // drawn open rather than with a made-up bar, and the two scans stand a little apart.
    expect_data_blocks(script, scan_rows({tripped_record(), plotted_record(1.5)}), {"$time", "$speedup", "$efficiency"},
                       0.05);
    EXPECT_NE(script.find("$speedup1 << EOD\n0.96 1.000000 0.970000 1.030000\n1.96 "), std::string::npos) << script;
    EXPECT_NE(script.find("$time2 << EOD\n1.0198 1 0.95 1.05\nEOD"), std::string::npos) << script;
    EXPECT_NE(script.find("$speedup1 using 1:2:3:4 with yerrorbars"), std::string::npos);
    EXPECT_NE(script.find("$efficiency2 using 1:2:3:4 with yerrorbars"), std::string::npos);
    EXPECT_NE(script.find("$time1 using 1:2:3:4 with yerrorbars"), std::string::npos);
    EXPECT_NE(script.find("1 / x with lines"), std::string::npos); // ideal time from the baseline
    EXPECT_NE(script.find("set logscale xy"), std::string::npos);
    EXPECT_EQ(script.find("linespoints"), std::string::npos); // no line between measured counts
    EXPECT_NE(script.find("scan 2: b.json: Test CPU, 2 physical cores, n 1024, b 64, blocked kernel, bind cores, 9 "
                          "rounds"),
              std::string::npos);
}

// A busy host can leave a scan too few clean rounds for an interval: the figure is drawn all the
// same, open, and the key says why it has no bar.
TEST(PlotScans, AFigureFromTooFewCleanRoundsIsDrawnOpenWithoutABar)
{
    ScanRecord record = plotted_record(1.5);
    RecordSpeedup& two = record.speedups.back();
    two.ci_low = two.ci_high = two.efficiency_ci_low = two.efficiency_ci_high = no_value;
    two.efficiency = 1.2; // above every interval: the panel's range must still hold it
    record.parameters.confidence = 0.95;
    record.configurations[1].ci_coverage = 0.9375; // the whole range of five calls: not 95 %
    ScanPlot plot;
    std::string problem;
    ASSERT_TRUE(read_scan_record(scan_record_text(record), "a.json", plot, problem)) << problem;
    const std::string script = scan_gnuplot_script({plot}, PictureFormat::svg);
    ASSERT_EQ(script_breach(script), "") << script;
    EXPECT_NE(script.find("$speedup1 << EOD\n1 1.000000 0.970000 1.030000\nEOD"), std::string::npos) << script;
    EXPECT_NE(script.find("$speedupalone1 << EOD\n2 1.500000\nEOD"), std::string::npos) << script;
    EXPECT_NE(script.find("$efficiencyalone1 << EOD\n2 1.200000\nEOD"), std::string::npos) << script;
    EXPECT_NE(script.find("set yrange [0:1.38]"), std::string::npos) << script;
    EXPECT_EQ(script.find("$time1 << EOD"), std::string::npos) << script;
    EXPECT_NE(script.find("$timealone1 << EOD\n1 1\n2 0.55\nEOD"), std::string::npos) << script;
    EXPECT_NE(script.find(", $speedupalone1 using 1:2 with points pt 6 ps 1.5 lc 1 title 'scan 1: too few clean "
                          "rounds for an interval'"),
              std::string::npos)
        << script;
    EXPECT_NE(script.find(", $efficiencyalone1 using 1:2"), std::string::npos) << script;
    EXPECT_NE(script.find(", $timealone1 using 1:2 with points pt 6 ps 1.5 lc 1 title 'scan 1: too few clean rounds "
                          "for an interval'\n"),
              std::string::npos)
        << script; // a block that is written is also drawn
}

// A record with the probe's rounds gains a fourth panel over the scan's time (its rows are
// checked above), with the line below which a round is starved; the caption gives the starved
// share. One without keeps three.
TEST(PlotScans, TheProbesRoundsAreAPanelOverTimeWithTheStarvedShareInTheCaption)
{
    ScanPlot scan;
    std::string problem;
    ASSERT_TRUE(read_scan_record(scan_record_text(probed_record()), "p.json", scan, problem)) << problem;
    const std::string script = scan_gnuplot_script({scan}, PictureFormat::svg);
    EXPECT_NE(script.find("set multiplot layout 4,1"), std::string::npos);
    EXPECT_NE(script.find("plot 0.9200 with lines dashtype 2 lc rgb 'gray40' title 'starved below 0.92 of the "
                          "healthy rate (scan 1)', $clean1 using 1:2 with points"),
              std::string::npos)
        << script;
    EXPECT_NE(script.find("'scan 1 probe: 1 of 3 rounds starved (33 %); lowest rate: CPU 1 0.68'"), std::string::npos)
        << script;
    EXPECT_EQ(script.find("y2"), std::string::npos) << script; // no trips, no second axis
    // The line's trips, where the record has them, on a log axis of their own.
    ASSERT_TRUE(read_scan_record(scan_record_text(tripped_record()), "t.json", scan, problem)) << problem;
    const std::string tripped = scan_gnuplot_script({scan}, PictureFormat::svg);
    ASSERT_EQ(script_breach(tripped), "") << tripped;
    EXPECT_NE(tripped.find("set rmargin 12\nset logscale y2\nset y2range [*:*]\nset y2tics\nset ytics nomirror\n"),
              std::string::npos)
        << tripped;
    EXPECT_NE(tripped.find("$trip1x0x1 << EOD\n1.250 61.5\n2.500 330.0\nEOD"), std::string::npos) << tripped;
    EXPECT_NE(tripped.find(", $trip1x0x1 using 1:2 axes x1y2 with points pt 2 ps 0.6 lc 1 title 'scan 1: line trip "
                           "CPU 0 to 1, the round''s slowest (ns, right)'"),
              std::string::npos)
        << tripped;
    // Without the probe's rounds, the three panels as before.
    ScanPlot plain;
    ASSERT_TRUE(read_scan_record(scan_record_text(plotted_record()), "q.json", plain, problem));
    const std::string three = scan_gnuplot_script({plain}, PictureFormat::svg);
    EXPECT_NE(three.find("set multiplot layout 3,1"), std::string::npos);
    EXPECT_EQ(three.find("probe"), std::string::npos);
}

// The summary is the scan's own table under a line naming the file and the machine.
TEST(PlotScans, TheSummaryIsTheScansTableWithItsWarnings)
{
    ScanPlot scan;
    std::string problem;
    ASSERT_TRUE(read_scan_record(scan_record_text(plotted_record()), "a.json", scan, problem));
    const std::string one = "a.json: Test CPU, 2 physical cores, n 1024, b 64, blocked kernel, bind cores, 9 rounds "
                            "in 12.0 s (stopped: runs), medians with 95 % intervals\n" +
                            scan_table(scan.record) + "warning (loaded): busy\n";
    EXPECT_EQ(format_scan_summary({scan}), one);
    EXPECT_EQ(format_scan_summary({scan, scan}), one + "\n" + one);
    EXPECT_NE(
        scan_table(scan.record).find("      2      2     8    0.550000         [0.500000, -]         -     1.800  "),
        std::string::npos)
        << scan_table(scan.record);
}

const std::string plot_exe = "'" TILEBENCH_PLOT_EXE "'";

TEST(PlotTool, DrawsWholePicturesOfEveryRunOrOfTheLastInEachFormat)
{
    const std::string dir = make_scratch_dir("plot");
    write_file(dir + "/out.csv", row(2, 512) + row(3, 512) + row(2, 1024) + row(3, 1024));
    const ProgramRun all = run_in(dir, plot_exe);
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_NE(all.out.find("run 2: size 1024"), std::string::npos);
    EXPECT_TRUE(is_whole_picture(read_file(dir + "/speedup.png"), PictureFormat::png));

    const ProgramRun last = run_in(dir, plot_exe + " --last --output last.svg --script last.gp out.csv");
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_EQ(last.out.find("size 512"), std::string::npos);
    EXPECT_TRUE(is_whole_picture(read_file(dir + "/last.svg"), PictureFormat::svg));
    EXPECT_NE(read_file(dir + "/last.gp").find("set output './last.svg'\n"), std::string::npos);

    write_file(dir + "/old.csv", row(2, 64));
    const ProgramRun both = run_in(dir, plot_exe + " --output both.pdf out.csv old.csv");
    EXPECT_EQ(both.status, 0) << both.err;
    EXPECT_NE(both.out.find("old.csv run 1: size 64"), std::string::npos) << both.out;
    EXPECT_TRUE(is_whole_picture(read_file(dir + "/both.pdf"), PictureFormat::pdf));
}

TEST(PlotTool, RealScansOfTwoBindingsShareOnePictureButNotWithAResultsFile)
{
    const std::string dir = make_scratch_dir("plot_scans");
    for (const char* bind : {"cores", "none"})
        ASSERT_EQ(shell("cd '" + dir +
                        "' && '" TILEBENCH_SCAN_EXE "' --size 32 --block 8 --threads 1-2 --min-runs 2 "
                        "--max-runs 2 --quiet --probe none --bind " +
                        bind + " --output " + bind + " > /dev/null 2>&1"),
                  0);
    const ProgramRun run = run_in(dir, plot_exe + " --output scans.png cores.json none.json");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("none.json: "), std::string::npos);
    EXPECT_TRUE(is_whole_picture(read_file(dir + "/scans.png"), PictureFormat::png));

    write_file(dir + "/out.csv", row(2, 64));
    const ProgramRun mixed = run_in(dir, plot_exe + " cores.json out.csv");
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(mixed.err, "tilebench-plot: results files and scan records cannot share one picture: give one kind "
                         "at a time\n");
}

TEST(PlotTool, EveryFailureIsOneLineWithItsCauseAndNoPicture)
{
    const std::string dir = make_scratch_dir("plot_failures");
    write_file(dir + "/out.csv", row(2, 64) + row(3, 64));
    write_file(dir + "/nan.csv", row(2, 8, "nan,nan,nan,nan"));
    write_file(dir + "/empty.csv", "");
    ScanRecord nothing = plotted_record();
    for (RecordConfiguration& c : nothing.configurations)
        c.median_s = no_value;
    write_file(dir + "/nothing.json", scan_record_text(nothing));
    // gnuplot that fails (a broken installation, a terminal it lacks) is named by its own complaint.
    ASSERT_EQ(shell("mkdir '" + dir + "/taken.png' '" + dir + "/empty_path' '" + dir + "/results' '" + dir +
                    "/bin' && printf '#!/bin/sh\\necho \"gnuplot: line 1: warning: ignored\" >&2\\n"
                    "echo \"         ^\" >&2\\necho \"gnuplot: line 2: unknown terminal\" >&2\\nexit 3\\n' > '" +
                    dir + "/bin/gnuplot' && chmod +x '" + dir + "/bin/gnuplot'"),
              0);
    const struct {
        std::string command;
        int status;
        std::string message;
    } cases[] = {
        {plot_exe + " missing.csv", 1, "tilebench-plot: cannot read missing.csv: No such file or directory\n"},
        {plot_exe + " empty.csv", 1, "tilebench-plot: empty.csv holds no result rows\n"},
        {plot_exe + " nan.csv", 1, "tilebench-plot: nothing to draw: no row has a finite speed-up\n"},
        {plot_exe + " nothing.json", 1, "tilebench-plot: nothing to draw: no scan record holds a finite median time\n"},
        {plot_exe + " results", 1, "tilebench-plot: cannot read results: it is a directory\n"},
        {"PATH='" + dir + "/bin' " + plot_exe, 1,
         "tilebench-plot: gnuplot failed (status 3): gnuplot: line 2: unknown terminal\n"},
        {plot_exe + " --output no/such/dir/p.png", 1,
         "tilebench-plot: cannot write no/such/dir/p.png: No such file or directory\n"},
        {plot_exe + " --output taken.png", 1, "tilebench-plot: cannot write taken.png: it is a directory\n"},
        {"PATH='" + dir + "/empty_path' " + plot_exe, 1,
         "tilebench-plot: gnuplot is not installed: no gnuplot on PATH (Debian: apt-get install gnuplot-nox)\n"},
        {plot_exe + " --output p.jpg", 2, "tilebench-plot: --output p.jpg: the name must end in .png, .svg or .pdf\n"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = run_in(dir, c.command);
        EXPECT_EQ(run.status, c.status) << c.command;
        EXPECT_EQ(run.err, c.message) << c.command;
        EXPECT_EQ(run.out.find("picture:"), std::string::npos) << c.command;
        EXPECT_EQ(run.out.find("PNG"), std::string::npos) << c.command; // never the picture itself
    }
    EXPECT_FALSE(file_exists(dir + "/speedup.png"));
    EXPECT_EQ(shell("ls -A '" + dir + "' | grep -q part"), 1); // no temporary left behind
}

// What scripts/benchmark.sh does after building: draw this run's rows, never an older run's.
TEST(PlotTool, TheBenchmarkScriptDrawsOnlyTheRowsOfTheRunItMade)
{
    const std::string dir = make_scratch_dir("run_and_draw");
    const std::string older = row(2, 999) + row(3, 999);
    write_file(dir + "/out.csv", older);
    const std::string script = "bash '" TILEBENCH_SOURCE_DIR "/scripts/run-and-draw.sh' '" TILEBENCH_BIN_DIR "' ";
    const ProgramRun none = run_in(dir, script + "16 4 1 2");
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_NE(none.out.find("this run appended no rows to out.csv"), std::string::npos) << none.out;
    EXPECT_EQ(none.out.find("size 999"), std::string::npos);
    EXPECT_FALSE(file_exists(dir + "/speedup.png"));

    const ProgramRun nan_rows = run_in(dir, script + "16 4 0 3");
    EXPECT_EQ(nan_rows.status, 1);
    EXPECT_NE(nan_rows.err.find("no picture of this run"), std::string::npos) << nan_rows.err;
    EXPECT_EQ(nan_rows.out.find("size 999"), std::string::npos);

    const ProgramRun run = run_in(dir, script + "16 4 1 4");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("run 1: size 16, lines 1-2\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("run 2"), std::string::npos);
    EXPECT_TRUE(is_whole_picture(read_file(dir + "/speedup.png"), PictureFormat::png));
    EXPECT_EQ(read_file(dir + "/out.csv").rfind(older, 0), 0u); // the older rows stay where they were
}

TEST(PlotTool, AFullDiskLeavesNoPictureAndSaysSo)
{
    const std::string dir = make_scratch_dir("plot_full");
    const std::string disk = dir + "/disk";
    if (shell("mkdir '" + disk + "' && mount -t tmpfs -o size=8k tmpfs '" + disk + "' 2>/dev/null") != 0)
        GTEST_SKIP() << "needs to mount a small tmpfs (root)";
    write_file(dir + "/out.csv", row(2, 64) + row(3, 64));
    const ProgramRun run = run_in(dir, plot_exe + " --output disk/speedup.png");
    shell("ls -A '" + disk + "' > '" + dir + "/left.txt'; umount '" + disk + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("tilebench-plot: ", 0), 0u);
    EXPECT_EQ(lines_of(run.err).size(), 1u) << run.err;
    EXPECT_EQ(run.out.find("picture:"), std::string::npos);
    EXPECT_EQ(read_file(dir + "/left.txt"), ""); // neither a cut picture nor a temporary
}

} // namespace
