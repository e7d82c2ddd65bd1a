// The picture of a study: its script holds the tool's own commands only, whatever the record's
// texts, and draws what the record says (every thread count's line, the fastest ringed, the
// cache marks, each edge's bound); tilebench-plot draws a study alone.
#include "gnuplot_grammar.h"
#include "plot/plot.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

namespace {

const std::string plot_exe = TILEBENCH_PLOT_EXE;

RecordConfiguration configuration(const char* kind, int threads, double seconds)
{
    RecordConfiguration c;
    c.kind = kind;
    c.threads = threads;
    c.runs = 6;
    c.median_s = seconds;
    c.ci_low_s = seconds * 0.98;
    c.ci_high_s = seconds * 1.03;
    return c;
}

RecordSpeedup speedup(int threads, double value, double bound)
{
    RecordSpeedup s;
    s.threads = threads;
    s.pairs = 6;
    s.speedup = value;
    s.ci_low = value * 0.97;
    s.ci_high = value * 1.02;
    s.efficiency = value / threads;
    s.efficiency_ci_low = s.ci_low / threads;
    s.efficiency_ci_high = s.ci_high / threads;
    s.schedule_bound = bound;
    return s;
}

// n 1024, edges 64 and 256, threads 2 and 3: edge 64 fastest everywhere, 256 its equal
// sequentially; edge 256 is four tiles, bound 2 at three threads.
ScanRecord study_record_fixture()
{
    ScanRecord record;
    record.parameters.size = 1024;
    record.parameters.block = 64;
    record.parameters.kernel = "blocked";
    record.parameters.bind = "cores";
    record.machine.physical_cores = 2;
    record.machine.caches = {{1, 48 << 10, 1, 2}, {2, 1 << 20, 1, 2}};
    record.rounds = 6;
    RecordStudySize size;
    size.size = 1024;
    size.rounds = 6;
    size.stop_reason = "precision";
    size.cache_edges = {{1, 48 << 10, 10.9}, {2, 1 << 20, 182.0}};
    const double seconds[2] = {0.42, 0.43};
    const int blocks[2] = {64, 256};
    for (int e = 0; e < 2; ++e) {
        RecordCell cell;
        cell.block = blocks[e];
        cell.configurations = {configuration("sequential", 1, seconds[e]),
                               configuration("parallel", 2, seconds[e] / 1.9),
                               configuration("parallel", 3, seconds[e] / (e == 0 ? 2.6 : 1.95))};
        cell.speedups = {speedup(2, 1.9, 2.0), speedup(3, e == 0 ? 2.6 : 1.95, e == 0 ? 2.67 : 2.0)};
        size.cells.push_back(cell);
    }
    for (int threads : {0, 2, 3}) {
        RecordEdgeRanking ranking;
        ranking.threads = threads;
        ranking.fastest_block = 64;
        for (int e = 0; e < 2; ++e) {
            const RecordConfiguration& c =
                size.cells[static_cast<std::size_t>(e)].configurations[threads == 0 ? 0 : threads - 1];
            RecordEdge edge;
            edge.block = blocks[e];
            edge.median_s = c.median_s;
            edge.ci_low_s = c.ci_low_s;
            edge.ci_high_s = c.ci_high_s;
            edge.fastest = e == 0;
            edge.indistinguishable = e == 0 || threads == 0;
            ranking.edges.push_back(edge);
        }
        size.rankings.push_back(ranking);
    }
    record.study.emplace();
    record.study->sizes = {1024};
    record.study->blocks = {64, 256};
    record.study->tolerance = 0.02;
    record.study->per_size = {size};
    return record;
}

ScanPlot study_plot(const ScanRecord& record, const std::string& file = "edges.json")
{
    ScanPlot plot;
    std::string problem;
    EXPECT_TRUE(read_scan_record(scan_record_text(record), file, plot, problem)) << problem;
    return plot;
}

// The rows of a data block, or nothing when the script has no such block.
std::vector<std::string> block_rows(const std::string& script, const std::string& name)
{
    std::vector<std::string> rows;
    const std::size_t start = script.find(name + " << EOD\n");
    if (start == std::string::npos)
        return rows;
    for (const std::string& row : lines_of(script.substr(start + name.size() + 8))) {
        if (row == "EOD")
            break;
        rows.push_back(row);
    }
    return rows;
}

TEST(PlotStudy, TheScriptDrawsEveryThreadCountTheFastestTheCachesAndTheBounds)
{
    const ScanPlot plot = study_plot(study_record_fixture());
    ASSERT_TRUE(has_drawable_study(plot));
    const std::string script = study_gnuplot_script(plot, PictureFormat::svg);
    ASSERT_EQ(script_breach(script), "") << script;
    // Time against edge: one line per thread count, the sequential kernel first, with its bars.
    EXPECT_EQ(block_rows(script, "$edgetime1"), (std::vector<std::string>{"64 0.42", "256 0.43"}));
    EXPECT_EQ(block_rows(script, "$edgetimebars2"),
              (std::vector<std::string>{"64 0.42 0.4116 0.4326", "256 0.43 0.4214 0.4429"}));
    EXPECT_EQ(block_rows(script, "$edgetimebars6").size(), 2u);
    EXPECT_EQ(block_rows(script, "$fastest7"),
              (std::vector<std::string>{"64 0.42", "64 0.221052632", "64 0.161538462"}));
    EXPECT_EQ(block_rows(script, "$equal8"), (std::vector<std::string>{"256 0.43"}));
    EXPECT_NE(script.find("set logscale xy\n"), std::string::npos);
    // The L1 mark is left of the smallest edge drawn; L2's at 182 stands between 64 and 256.
    EXPECT_EQ(script.find("set arrow from 10.9,"), std::string::npos);
    EXPECT_NE(script.find("set arrow from 182, graph 0 to 182, graph 1 nohead"), std::string::npos);
    EXPECT_NE(script.find("set label 'L2 full' at 182, graph 0.03\n"), std::string::npos);
    // Speed-up against threads: each edge's line and its bound, in its own colour.
    EXPECT_EQ(block_rows(script, "$edgespeedup12"), (std::vector<std::string>{"2 1.900000", "3 1.950000"}));
    EXPECT_EQ(block_rows(script, "$edgespeedupbars13"),
              (std::vector<std::string>{"2 1.900000 1.843000 1.938000", "3 1.950000 1.891500 1.989000"}));
    EXPECT_EQ(block_rows(script, "$edgebound14"), (std::vector<std::string>{"2 2.000000", "3 2.000000"}));
    EXPECT_NE(script.find("$edgebound14 using 1:2 with linespoints dashtype 2 pt 4 ps 1.2 lc 2 title 'b 256: "
                          "schedule bound'"),
              std::string::npos);
    EXPECT_NE(script.find("set multiplot layout 1,2 "), std::string::npos);
}

// The time panel's y range, from its "set yrange [bottom:top]"; NaNs when it is left to gnuplot.
std::pair<double, double> time_range(const std::string& script)
{
    const std::size_t panel = script.find("set ylabel 'seconds'");
    const std::size_t range = script.find("set yrange [", panel);
    if (range == std::string::npos || script.compare(range + 12, 1, "*") == 0)
        return {std::nan(""), std::nan("")};
    const std::size_t colon = script.find(':', range);
    return {std::stod(script.substr(range + 12)), std::stod(script.substr(colon + 1))};
}

// The key, opaque at the top left, covered the highest points when gnuplot fitted the range to
// the lines; and on log axes over less than a decade gnuplot labelled one time or none.
// The time panel's tics, from its "set ytics (...)"; empty when it has none.
std::vector<double> time_tics(const std::string& script)
{
    std::vector<double> tics;
    const std::size_t at = script.find("set ytics (", script.find("set ylabel 'seconds'"));
    if (at == std::string::npos || at > script.find("set ylabel 'speed-up'"))
        return tics;
    std::istringstream list(script.substr(at + 11, script.find(')', at) - at - 11));
    for (std::string tic; std::getline(list, tic, ',');)
        tics.push_back(std::stod(tic));
    return tics;
}

// A study whose every ranked time is one of the values given in turn, without bars.
ScanRecord times_record(const std::vector<double>& seconds)
{
    ScanRecord record = study_record_fixture();
    std::size_t next = 0;
    for (RecordEdgeRanking& ranking : record.study->per_size[0].rankings)
        for (RecordEdge& edge : ranking.edges) {
            edge.median_s = seconds[next++ % seconds.size()];
            edge.ci_low_s = edge.ci_high_s = no_value;
        }
    return record;
}

TEST(PlotStudy, TheTimePanelLeavesTheKeyRoomAboveTheLinesAndLabelsItsTimes)
{
    const std::string script = study_gnuplot_script(study_plot(study_record_fixture()), PictureFormat::svg);
    const auto [bottom, top] = time_range(script);
    ASSERT_TRUE(std::isfinite(bottom) && std::isfinite(top)) << script;
    double lowest = INFINITY, highest = 0.0;
    for (const std::string block :
         {"$edgetime1", "$edgetimebars2", "$edgetime3", "$edgetimebars4", "$edgetime5", "$edgetimebars6"})
        for (const std::string& row : block_rows(script, block)) {
            std::istringstream values(row);
            double edge = 0.0;
            values >> edge;
            for (double value = 0.0; values >> value;) {
                lowest = std::min(lowest, value);
                highest = std::max(highest, value);
            }
        }
    EXPECT_EQ(highest, 0.4429);
    // Five rows in the key (three thread counts, the fastest, its equals): 0.30 of the axis
    // above the highest bar end; 0.07 below the lowest for the cache marks' names.
    const double axis = std::log(top / bottom);
    EXPECT_NEAR(std::log(top / highest) / axis, 0.30, 0.005) << script;
    EXPECT_NEAR(std::log(lowest / bottom) / axis, 0.07, 0.005) << script;
    EXPECT_EQ(time_tics(script), (std::vector<double>{0.2, 0.3, 0.5, 0.7})) << script;
    // The speed-up panel labels its own axis.
    EXPECT_LT(script.find("set ytics (0.2,"), script.find("set ytics autofreq\n"));
    EXPECT_LT(script.find("set ytics autofreq\n"), script.find("set ylabel 'speed-up'"));

    // Whatever the times' spread, at least two tics, all within the range: 1-2-3-5-7 of a
    // decade, 1-2-5 over more than one. Flat times between two steps widen the range to them.
    const std::vector<std::vector<double>> spreads = {{0.21, 0.25}, {0.2, 0.2},       {0.0071, 0.0074}, {0.01, 0.5},
                                                      {3e-5, 2.0},  {1e-300, 5e-300}, {150.0, 151.0}};
    for (const std::vector<double>& spread : spreads) {
        const std::string drawn = study_gnuplot_script(study_plot(times_record(spread)), PictureFormat::svg);
        EXPECT_EQ(script_breach(drawn), "") << drawn;
        const auto [low, high] = time_range(drawn);
        const std::vector<double> tics = time_tics(drawn);
        ASSERT_GE(tics.size(), 2u) << spread[0] << "\n" << drawn;
        EXPECT_LE(low, spread[0]) << drawn;
        EXPECT_GE(high, spread[1]) << drawn;
        const bool decades = high / low >= 10.0;
        for (double tic : tics) {
            EXPECT_GE(tic, low * (1 - 1e-9)) << drawn;
            EXPECT_LE(tic, high * (1 + 1e-9)) << drawn;
            const double step = tic / std::pow(10.0, std::floor(std::log10(tic) + 1e-9));
            EXPECT_TRUE(std::fabs(step - std::round(step)) < 1e-6 &&
                        (decades ? step == 1 || step == 2 || step == 5 : step != 4 && step != 6 && step < 8))
                << tic << " in " << drawn;
        }
    }
    EXPECT_EQ(time_tics(study_gnuplot_script(study_plot(times_record({0.21, 0.25})), PictureFormat::svg)),
              (std::vector<double>{0.2, 0.3}));

    // Times over hundreds of decades, or too small for their decades to be numbers, which only a
    // damaged record holds: gnuplot's own range, and the script is still made.
    for (const std::vector<double>& odd :
         std::vector<std::vector<double>>{{1e-100, 1e100}, {1e-200, 1e200}, {5e-324, 1e-323}, {5e-324, 5e-324}}) {
        const std::string wide = study_gnuplot_script(study_plot(times_record(odd)), PictureFormat::svg);
        EXPECT_EQ(script_breach(wide), "") << wide;
        EXPECT_TRUE(std::isnan(time_range(wide).first)) << wide;
        EXPECT_TRUE(time_tics(wide).empty()) << odd[0];
    }
}

// How the curve titled title is drawn, without its colour: from "with" up to " lc".
std::string drawn_as(const std::string& script, const std::string& title)
{
    const std::size_t at = script.find(" title " + title);
    if (at == std::string::npos)
        return "";
    const std::size_t with = script.rfind(" with ", at), colour = script.find(" lc ", with);
    return script.substr(with, colour - with);
}

// The top of the speed-up panel's y range: the yrange set after its y label.
double speedup_top(const std::string& script)
{
    const std::size_t panel = script.find("set ylabel 'speed-up'");
    const std::size_t range = script.find("set yrange [0:", panel);
    return range == std::string::npos ? std::nan("") : std::stod(script.substr(range + 14));
}

TEST(PlotStudy, TheSpeedUpPanelShowsEveryPointIntervalAndBoundAndKeepsTheBoundsApartFromTheIdeal)
{
    // Above 1.25 x the largest count and bound (3.75 here): b 256's point and interval at three
    // threads. b 64's interval at two threads has no upper end, so it is neither drawn nor counted.
    ScanRecord record = study_record_fixture();
    RecordSpeedup& high = record.study->per_size[0].cells[1].speedups[1];
    high.speedup = 3.5;
    high.ci_low = 3.2;
    high.ci_high = 4.4;
    record.study->per_size[0].cells[0].speedups[0].ci_high = std::numeric_limits<double>::infinity();
    const std::string script = study_gnuplot_script(study_plot(record), PictureFormat::svg);
    const double top = speedup_top(script);
    ASSERT_TRUE(std::isfinite(top)) << script;
    EXPECT_EQ(block_rows(script, "$edgespeedupbars10"), (std::vector<std::string>{"3 2.600000 2.522000 2.652000"}));
    double highest = 3.0; // the largest count, which the ideal line reaches
    for (const std::string block : {"$edgespeedup9", "$edgespeedupbars10", "$edgebound11", "$edgespeedup12",
                                    "$edgespeedupbars13", "$edgebound14"})
        for (const std::string& row : block_rows(script, block)) {
            std::istringstream values(row);
            double threads = 0.0;
            values >> threads;
            for (double value = 0.0; values >> value;)
                highest = std::max(highest, value);
        }
    EXPECT_EQ(highest, 4.4);
    EXPECT_GE(top, 1.1 * highest) << "a margin above the highest point, interval end or bound";
    EXPECT_LE(top, 1.3 * highest) << "and not so much that the lines flatten";

    // In the key, a bound and the ideal differ by more than colour.
    const std::string ideal = drawn_as(script, "'ideal'");
    ASSERT_NE(ideal, "");
    for (const char* bound : {"'b 64: schedule bound'", "'b 256: schedule bound'"}) {
        ASSERT_NE(drawn_as(script, bound), "") << bound;
        EXPECT_NE(drawn_as(script, bound), ideal) << bound;
    }
}

// A study on a busy host may keep one or two clean rounds of a cell: its figures have no
// interval, and are drawn all the same, without a bar.
TEST(PlotStudy, AFigureFromTooFewRoundsIsDrawnWithoutABar)
{
    ScanRecord record = study_record_fixture();
    RecordStudySize& size = record.study->per_size[0];
    for (RecordEdgeRanking& ranking : size.rankings)
        ranking.edges[1].ci_low_s = ranking.edges[1].ci_high_s = no_value;
    RecordSpeedup& alone = size.cells[1].speedups[0];
    alone.speedup = 4.0; // above every interval and bound: the panel's range must still hold it
    alone.ci_low = alone.ci_high = no_value;
    const ScanPlot plot = study_plot(record);
    ASSERT_TRUE(has_drawable_study(plot));
    const std::string script = study_gnuplot_script(plot, PictureFormat::svg);
    ASSERT_EQ(script_breach(script), "") << script;
    EXPECT_EQ(block_rows(script, "$edgetime1"), (std::vector<std::string>{"64 0.42", "256 0.43"}));
    EXPECT_EQ(block_rows(script, "$edgetimebars2"), (std::vector<std::string>{"64 0.42 0.4116 0.4326"}));
    EXPECT_NE(script.find("$edgetime1 using 1:2 with linespoints pt 7 lc 1 title 'sequential', $edgetimebars2 using "
                          "1:2:3:4 with yerrorbars pt 7 lc 1 notitle"),
              std::string::npos)
        << script;
    EXPECT_EQ(block_rows(script, "$edgespeedup12"), (std::vector<std::string>{"2 4.000000", "3 1.950000"}));
    EXPECT_EQ(block_rows(script, "$edgespeedupbars13"), (std::vector<std::string>{"3 1.950000 1.891500 1.989000"}));
    EXPECT_GE(speedup_top(script), 4.4) << script;
    EXPECT_NE(script.find("a point without one had fewer than 6 clean rounds"), std::string::npos);
    // With no interval anywhere, every point is still drawn, and no bar.
    for (RecordEdgeRanking& ranking : size.rankings)
        ranking.edges[0].ci_low_s = ranking.edges[0].ci_high_s = no_value;
    const ScanPlot bare = study_plot(record);
    ASSERT_TRUE(has_drawable_study(bare));
    const std::string bare_script = study_gnuplot_script(bare, PictureFormat::svg);
    EXPECT_EQ(script_breach(bare_script), "") << bare_script;
    EXPECT_EQ(block_rows(bare_script, "$edgetime5").size(), 2u);
    EXPECT_EQ(bare_script.find("$edgetimebars"), std::string::npos) << bare_script;
}

// Records written before a study's rankings gave a time's interval only at 95 % carry there the
// whole range of one to five calls: the cell's own coverage says which bars are intervals.
TEST(PlotStudy, ARankedTimeHasABarOnlyWhereItsCellsIntervalReachesTheConfidence)
{
    ScanRecord record = study_record_fixture();
    record.parameters.confidence = 0.95;
    RecordStudySize& size = record.study->per_size[0];
    for (RecordCell& cell : size.cells)
        for (RecordConfiguration& c : cell.configurations) {
            c.ci_coverage = 0.96;
            c.ci_low_s = c.median_s / 2; // the bars are the ranking's; the cell only says whether
            c.ci_high_s = c.median_s * 2;
        }
    RecordConfiguration& two_calls = size.cells[1].configurations[1]; // edge 256, 2 threads
    two_calls.runs = 2;
    two_calls.ci_coverage = 0.5;
    const std::string script = study_gnuplot_script(study_plot(record), PictureFormat::svg);
    ASSERT_EQ(script_breach(script), "") << script;
    // Rankings in order: the sequential kernel, 2 threads, 3 threads; each a line, then its bars.
    EXPECT_EQ(block_rows(script, "$edgetimebars2").size(), 2u) << script;
    EXPECT_EQ(block_rows(script, "$edgetimebars4"),
              (std::vector<std::string>{"64 0.221052632 0.216631579 0.227684211"}))
        << script;
    EXPECT_EQ(block_rows(script, "$edgetime3").size(), 2u) << script; // the time itself is drawn
    EXPECT_EQ(block_rows(script, "$edgetimebars6").size(), 2u) << script;
}

TEST(PlotStudy, NoTextOfTheRecordBecomesACommand)
{
    for (const std::string text : {"Xeon `touch pwned`", "a\nset output 'x'\n!touch pwned", "it's",
                                   "EOD\n!touch pwned\n$x << EOD", "\x1b[31mred", "'; system('id'); '"}) {
        ScanRecord record = study_record_fixture();
        record.machine.cpu_model = record.parameters.kernel = record.parameters.bind = text;
        const std::string script = study_gnuplot_script(study_plot(record, text + ".json"), PictureFormat::png);
        EXPECT_EQ(script_breach(script), "") << text;
        EXPECT_EQ(script_breach(drawing_into(script, "edges.png")), "") << text;
    }
}

TEST(PlotStudy, AStudyWithoutATimeStillMakesAScriptButIsNotDrawn)
{
    ScanRecord record = study_record_fixture();
    for (RecordEdgeRanking& ranking : record.study->per_size[0].rankings)
        for (RecordEdge& edge : ranking.edges)
            edge.median_s = no_value;
    const ScanPlot plot = study_plot(record);
    EXPECT_FALSE(has_drawable_study(plot));
    EXPECT_EQ(script_breach(study_gnuplot_script(plot, PictureFormat::svg)), "");
}

TEST(PlotStudy, TheToolDrawsAStudyAloneWithItsTable)
{
    const std::string dir = make_scratch_dir("plot_study");
    write_file(dir + "/edges.json", scan_record_text(study_record_fixture()));
    const ProgramRun drawn = run_in(dir, "'" + plot_exe + "' edges.json --output edges.svg");
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_NE(drawn.out.find("edges.json: unknown CPU, 2 physical cores, a study of tile edges\n"
                             "n 1024, blocked kernel, bind cores, 6 rounds in - s (stopped: precision), median "
                             "seconds per call\n"),
              std::string::npos)
        << drawn.out;
    EXPECT_NE(read_file(dir + "/edges.svg").find("</svg>"), std::string::npos);

    const ProgramRun two = run_in(dir, "'" + plot_exe + "' edges.json edges.json --output two.svg");
    EXPECT_EQ(two.status, 1);
    EXPECT_EQ(two.err, "tilebench-plot: a study record is drawn alone: give one file at a time\n");
    EXPECT_FALSE(file_exists(dir + "/two.svg"));
}

} // namespace
