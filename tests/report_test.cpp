// The results file and the matrix dumps are read by people and by plotting scripts, and
// out.csv accumulates over months: their text is compared here byte for byte.
#include "report/report.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

std::string scratch_file(const std::string& name)
{
    return make_scratch_dir("report") + "/" + name;
}

TEST(ResultsFile, RowWritersAppendExactlyTheirLineAndTheHeaderStartsAfresh)
{
    const std::string path = scratch_file("out.csv");
    append_result_row(path.c_str(), 2, 512, 0.5f, 1.8f, 0.9f, 0.45f);
    append_parallel_row(path.c_str(), 512, 0.25f, 3);
    append_sequential_row(path.c_str(), 512, 1.5f);
    EXPECT_EQ(read_file(path), "2,512,0.500000,1.800000,0.900000,0.450000\n"
                               "3,512,0.250000\n"
                               "512,1.500000\n");
    write_results_header(path.c_str());
    EXPECT_EQ(read_file(path), "nbThreads,size,executionTime,speedUp,efficacity,realEfficacity\n");
}

TEST(ResultsFile, FiguresAreFixedSixDecimalsWhateverTheirMagnitude)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float figure;
        const char* text;
    } cases[] = {
        {0.0f, "0.000000"},   {4e-7f, "0.000000"}, {6e-7f, "0.000001"}, {1234567.0f, "1234567.000000"},
        {-2.5f, "-2.500000"}, {inf, "inf"},        {nan, "nan"},
    };
    for (const auto& c : cases) {
        const std::string path = scratch_file("figures.csv");
        append_sequential_row(path.c_str(), -7, c.figure);
        EXPECT_EQ(read_file(path), std::string("-7,") + c.text + "\n") << c.text;
    }
}

TEST(ResultsFile, AFileThatCannotBeOpenedOrWrittenIsReportedAndNothingElseHappens)
{
    const std::string dir = make_scratch_dir("unopenable");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    append_result_row(dir.c_str(), 2, 512, 0.5f, 1.8f, 0.9f, 0.45f);
    write_matrix_file((dir + "/missing/matrix.txt").c_str(), nullptr, 3);
    // A full disk, for the rows, the header and a matrix dump alike.
    append_result_row("/dev/full", 2, 512, 0.5f, 1.8f, 0.9f, 0.45f);
    write_results_header("/dev/full");
    OwnedMatrix m = random_matrix(3, 1);
    write_matrix_file("/dev/full", view(m), 3);
    const std::string full = "tilebench: cannot write /dev/full: No space left on device\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tilebench: cannot open " + dir + ": Is a directory\n" + "tilebench: cannot open " + dir +
                  "/missing/matrix.txt: No such file or directory\n" + full + full + full);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// What the writer writes, the reader reads: every figure comes back as the value of its text,
// and that value formats back to the very same line.
TEST(ResultRecord, RowsFormatAndParseBackToTheSameLine)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        ResultRow row;
        const char* line;
    } cases[] = {
        {{2, 512, 0.5, 1.8f, 0.9f, 0.45f}, "2,512,0.500000,1.800000,0.900000,0.450000"},
        {{3, 0, 0.0, 1e-7, 1e9, -0.0}, "3,0,0.000000,0.000000,1000000000.000000,-0.000000"},
        {{-1, 2147483647, nan, -nan, inf, -inf}, "-1,2147483647,nan,-nan,inf,-inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(format_result_row(c.row), c.line);
        ResultRow back;
        std::string problem;
        ASSERT_TRUE(parse_result_row(c.line, back, problem)) << c.line << ": " << problem;
        EXPECT_EQ(format_result_row(back), c.line);
        EXPECT_EQ(std::signbit(back.speed_up), std::signbit(c.row.speed_up)) << c.line;
    }
}

TEST(ResultRecord, ALineThatIsNotARowSaysWhichFieldAndQuotesItBounded)
{
    const std::string huge(5000, '7');
    std::string escaped_89;
    for (int e = 0; e < 10; ++e)
        escaped_89 += "\\x89";
    const std::vector<RefusedText> cases = {
        {"2,512,0.5", "expected 6 comma-separated fields, found 3"},
        {"2,512,1,1,1,1,", "expected 6 comma-separated fields, found 7"},
        {"x,64,1,1,1,1", "nbThreads is not a whole number: 'x'"},
        {"2,2147483648,1,1,1,1", "size is not a whole number: '2147483648'"},
        {"2, 64,1,1,1,1", "size is not a whole number: ' 64'"},
        {"2,64,1,fast,1,1", "speedUp is not a number: 'fast'"},
        {"2,64,1,1,0x1p3,1", "efficacity is not a number: '0x1p3'"},
        {std::string("2,64,1,1,1,\x01\xff"), "realEfficacity is not a number: '\\x01\\xff'"},
        {"2,64," + huge + "x,1,1,1", "executionTime is not a number: '" + huge.substr(0, 40) + "... (5001 bytes)'"},
        // Escapes count against the bound: ten of them, not forty.
        {std::string(91, '\x89') + ",64,1,1,1,1",
         "nbThreads is not a whole number: '" + escaped_89 + "... (91 bytes)'"},
    };
    expect_refusals<ResultRow>(parse_result_row, cases);
}

TEST(ResultRecord, AThreadCountsFiguresFollowFromItsMeanInSinglePrecision)
{
    const ThreadCountFigures f = thread_count_figures(1.0f, 0.5f, 3);
    EXPECT_EQ(f.mean_seconds, 0.5f);
    EXPECT_EQ(f.speed_up, 2.0f);
    EXPECT_EQ(f.efficacity, 2.0f / 3.0f);
    EXPECT_EQ(f.real_efficacity, 0.5f); // divided by 4 whatever the thread count
    const ThreadCountFigures none =
        thread_count_figures(std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN(), 2);
    EXPECT_TRUE(std::isnan(none.speed_up) && std::isnan(none.real_efficacity));
}

// An order of 0 or below empties the file and prints nothing; what the file held before never stays.
TEST(MatrixDumps, FileHoldsSixDecimalsAndConsoleSixSignificantDigits)
{
    const struct {
        std::vector<std::vector<float>> rows;
        int n;
        const char* file_text;
        const char* console_text;
    } cases[] = {
        {{{0.5f, 0.125f}, {1.0f, 0.0f}}, 2, "0.500000 0.125000 \n1.000000 0.000000 \n", "0.5 0.125 \n1 0 \n"},
        {{{123456.0f}}, 1, "123456.000000 \n", "123456 \n"},
        {{{1234567.0f}}, 1, "1234567.000000 \n", "1.23457e+06 \n"},
        {{{1.0f / 32767.0f}}, 1, "0.000031 \n", "3.05185e-05 \n"},
        {{{1.0f}}, 0, "", ""},
        {{{1.0f}}, -1, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        OwnedMatrix m = matrix_from_rows(c.rows);
        const std::string path = scratch_file("matrix.txt");
        write_file(path, "an older dump\n");
        write_matrix_file(path.c_str(), view(m), c.n);
        EXPECT_TRUE(file_exists(path));
        EXPECT_EQ(read_file(path), c.file_text);
        testing::internal::CaptureStdout();
        print_matrix(view(m), c.n);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.console_text);
    }
}

} // namespace
