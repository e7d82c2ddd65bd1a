// tilebench-plot reads files that months of runs, hand edits and concatenation have touched:
// these tests pin how it reads rows, where it splits runs, what it prints and what it draws.
#include "plot/plot.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
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

std::string row(int threads, int size, const char* figures = "0.100000,1.900000,0.950000,0.475000")
{
    return std::to_string(threads) + "," + std::to_string(size) + "," + figures + "\n";
}

TEST(PlotReading, RowsAreReadWhateverTheirLineEndsAndNonFiniteFigures)
{
    const auto rows = rows_of("nbThreads,size,executionTime,speedUp,efficacity,realEfficacity\r\n"
                              "2,512,0.108178,1.992155,0.996077,0.498039\r\n"
                              "3,512,-nan,-nan,nan,inf\n");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].row.threads, 2);
    EXPECT_EQ(rows[0].row.size, 512);
    EXPECT_DOUBLE_EQ(rows[0].row.speed_up, 1.992155);
    EXPECT_EQ(rows[0].line, 2);
    EXPECT_TRUE(std::isnan(rows[1].row.time));
    EXPECT_TRUE(std::isinf(rows[1].row.real_efficiency));
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

TEST(PlotRuns, ARunEndsAtTwoThreadsAnotherSizeOrAGap)
{
    const struct {
        std::string csv;
        std::vector<std::string> runs;
    } cases[] = {
        {row(2, 512) + row(3, 512) + row(4, 512) + row(2, 512) + row(3, 512), {"2/512 3/512 4/512", "2/512 3/512"}},
        {row(2, 512) + row(3, 512) + row(3, 1024) + row(4, 1024), {"2/512 3/512", "3/1024 4/1024"}},
        {row(2, 64) + row(3, 64) + row(5, 64), {"2/64 3/64", "5/64"}},
        {"nbThreads,size,executionTime,speedUp,efficacity,realEfficacity\n" + row(2, 8) + "garbage\n" + row(3, 8),
         {"2/8 3/8"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shape_of(split_runs(rows_of(c.csv))), c.runs) << c.csv;
}

TEST(PlotSummary, OneAlignedBlockPerRunWithNonFiniteFiguresKept)
{
    const auto runs =
        split_runs(rows_of(row(2, 512, "0.108178,1.992155,0.996077,0.498039") +
                           row(3, 512, "0.082776,2.603510,0.867837,0.650878") + row(2, 8, "-nan,-nan,-nan,-nan")));
    EXPECT_EQ(format_summary(runs), "run 1: size 512, lines 1-2\n"
                                    "  threads   time (s)   speed-up   efficiency\n"
                                    "        2   0.108178      1.992        0.996\n"
                                    "        3   0.082776      2.604        0.868\n"
                                    "\n"
                                    "run 2: size 8, lines 3-3\n"
                                    "  threads   time (s)   speed-up   efficiency\n"
                                    "        2        nan        nan          nan\n");
}

TEST(PlotScript, NonFinitePointsAndRunsStayOutOfThePicture)
{
    const auto runs = split_runs(rows_of(row(2, 512) + row(3, 512, "1,inf,inf,inf") + row(2, 8, "nan,nan,nan,nan")));
    ASSERT_FALSE(has_drawable_points(runs[1]));
    const std::string script = gnuplot_script(runs, "speedup.svg");
    EXPECT_NE(script.find("set terminal svg"), std::string::npos);
    EXPECT_NE(script.find("$run1 << EOD\n2 1.900000 0.950000\nEOD\n"), std::string::npos) << script;
    EXPECT_EQ(script.find("$run2"), std::string::npos) << script;
    EXPECT_NE(gnuplot_script(runs, "speedup.png").find("set terminal pngcairo"), std::string::npos);
}

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun run_plot(const std::string& dir, const std::string& arguments)
{
    const int status =
        shell("cd '" + dir + "' && '" TILEBENCH_PLOT_EXE "' " + arguments + " > stdout.txt 2> stderr.txt");
    return {status, read_file(dir + "/stdout.txt"), read_file(dir + "/stderr.txt")};
}

TEST(PlotTool, DrawsARealPictureOfEveryRunOrOfTheLast)
{
    const std::string dir = make_scratch_dir("plot");
    std::ofstream(dir + "/out.csv") << row(2, 512) << row(3, 512) << row(2, 1024) << row(3, 1024);
    const ToolRun all = run_plot(dir, "");
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_NE(all.out.find("run 2: size 1024"), std::string::npos);
    const std::string png = read_file(dir + "/speedup.png");
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_GT(png.size(), 10000u);

    const ToolRun last = run_plot(dir, "--last --output last.svg out.csv");
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_EQ(last.out.find("size 512"), std::string::npos);
    const std::string svg = read_file(dir + "/last.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_GT(svg.size(), 5000u);
}

TEST(PlotTool, NothingToReadOrDrawIsAnErrorWithoutAPicture)
{
    const struct {
        const char* csv; // nullptr: no file at all
        const char* message;
    } cases[] = {
        {nullptr, "tilebench-plot: cannot read out.csv: No such file or directory\n"},
        {"", "tilebench-plot: out.csv holds no result rows\n"},
        {"not,a,results,file\n", "tilebench-plot: out.csv:1: skipped: expected 6 comma-separated fields, found 4\n"
                                 "tilebench-plot: out.csv holds no result rows\n"},
        {"2,8,nan,nan,nan,nan\n", "tilebench-plot: nothing to draw: no row has a finite speed-up\n"},
    };
    for (const auto& c : cases) {
        const std::string dir = make_scratch_dir("plot");
        if (c.csv)
            std::ofstream(dir + "/out.csv") << c.csv;
        const ToolRun run = run_plot(dir, "");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.message);
        EXPECT_FALSE(file_exists(dir + "/speedup.png"));
    }
}

} // namespace
