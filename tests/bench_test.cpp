// The driver's pieces that decide what a run measures: which input it accepts, how a clock
// difference becomes the reported seconds, which matrices it multiplies, and whether they fit.
#include "bench/bench.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace {

TEST(Parameters, AnyWhitespaceSeparatesTheFourNumbers)
{
    for (const char* text : {"512 64 3 5", "512\n64\n3\n5\n", "  512\t64 \n 3 5 trailing words are never read",
                             "+512 64 +3 5"}) {
        std::istringstream input(text);
        int size = 0, block_size = 0, num_iter = 0, max_threads = 0;
        std::string error;
        ASSERT_TRUE(read_parameters(input, size, block_size, num_iter, max_threads, error)) << text << ": " << error;
        EXPECT_EQ(size, 512);
        EXPECT_EQ(block_size, 64);
        EXPECT_EQ(num_iter, 3);
        EXPECT_EQ(max_threads, 5);
    }
}

TEST(Parameters, OutOfContractValuesOfTheCountsAreAccepted)
{
    std::istringstream input("0 1 0 -4");
    int size = -1, block_size = 0, num_iter = -1, max_threads = 0;
    std::string error;
    ASSERT_TRUE(read_parameters(input, size, block_size, num_iter, max_threads, error)) << error;
    EXPECT_EQ(size, 0);
    EXPECT_EQ(num_iter, 0);
    EXPECT_EQ(max_threads, -4);
}

TEST(Parameters, RefusalsNameTheParameterAndTheFault)
{
    const struct {
        const char* input;
        const char* error;
    } cases[] = {
        {"", "missing size: the input ended after 0 numbers (expected: size block_size num_iter max_threads)"},
        {"512 64", "missing num_iter: the input ended after 2 numbers (expected: size block_size num_iter max_threads)"},
        {"512", "missing block_size: the input ended after 1 number (expected: size block_size num_iter max_threads)"},
        {"abc 64 3 5", "size must be a whole number, got 'abc'"},
        {"512 64 3 5x", "max_threads must be a whole number, got '5x'"},
        {"512 6.4 3 5", "block_size must be a whole number, got '6.4'"},
        {"512 64 + 5", "num_iter must be a whole number, got '+'"},
        {"512 64 3 2147483648", "max_threads 2147483648 does not fit in a 32-bit integer"},
        {"-99999999999 64 3 5", "size -99999999999 does not fit in a 32-bit integer"},
        {"-1 64 3 5", "size must be 0 or more, got -1"},
        {"512 0 3 5", "block_size must be 1 or more, got 0"},
        {"512 -8 3 5", "block_size must be 1 or more, got -8"},
    };
    for (const auto& c : cases) {
        std::istringstream input(c.input);
        int size = 0, block_size = 0, num_iter = 0, max_threads = 0;
        std::string error;
        EXPECT_FALSE(read_parameters(input, size, block_size, num_iter, max_threads, error)) << c.input;
        EXPECT_EQ(error, c.error) << c.input;
    }
}

TEST(Timing, MicrosecondsBecomeSingleSecondsThroughAFloat)
{
    EXPECT_EQ(seconds_from_microseconds(0), 0.0f);
    EXPECT_EQ(seconds_from_microseconds(1), 1.0f / 1000000.0f);
    EXPECT_EQ(seconds_from_microseconds(1500000), 1.5f);
    // Beyond 2^24 the count itself is rounded to a float before the division.
    EXPECT_EQ(seconds_from_microseconds(16777217), 16777216.0f / 1000000.0f);
}

TEST(Timing, MeasuresTheWholeCall)
{
    bool called = false;
    const float seconds = measure_seconds([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        called = true;
    });
    EXPECT_TRUE(called);
    EXPECT_GE(seconds, 0.02f);
}

void release(Matrix m, int n)
{
    for (int i = 0; i < n; ++i)
        delete[] m[i];
    delete[] m;
}

TEST(Matrices, AAndBTakeAlternateDrawsInRowMajorOrderAndCIsZero)
{
    const int n = 3;
    std::srand(1); // the C library's default seed: what an unseeded process starts from
    std::vector<float> draws;
    for (int d = 0; d < 2 * n * n; ++d)
        draws.push_back(static_cast<float>(std::rand() % 32768) / 32767.0f);

    std::srand(1);
    Matrix A = nullptr, B = nullptr, C = nullptr;
    create_matrices(n, A, B, C);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const std::size_t d = 2 * static_cast<std::size_t>(i * n + j);
            EXPECT_EQ(A[i][j], draws[d]) << i << "," << j;
            EXPECT_EQ(B[i][j], draws[d + 1]) << i << "," << j;
            EXPECT_EQ(C[i][j], 0.0f);
            EXPECT_GE(A[i][j], 0.0f);
            EXPECT_LE(A[i][j], 1.0f);
        }
    release(A, n);
    release(B, n);
    release(C, n);
}

TEST(Matrices, OrderZeroDrawsNothing)
{
    std::srand(1);
    Matrix A = nullptr, B = nullptr, C = nullptr;
    create_matrices(0, A, B, C);
    EXPECT_NE(A, nullptr);
    const int next = std::rand();
    std::srand(1);
    EXPECT_EQ(next, std::rand());
    release(A, 0);
    release(B, 0);
    release(C, 0);
}

TEST(Memory, ThreeMatricesMustFitInWhatIsAvailable)
{
    EXPECT_DOUBLE_EQ(matrices_bytes(1024), 3.0 * (1024 * 8 + 1024.0 * 1024 * 4));
    EXPECT_EQ(memory_shortfall(1024, 1LL << 30), "");
    EXPECT_EQ(memory_shortfall(2147483647, -1), ""); // the platform does not say: no refusal
    EXPECT_EQ(memory_shortfall(65536, 8LL << 30),
              "size 65536 needs 48.0 GiB for its three matrices, but only 8.0 GiB of memory is available");
}

} // namespace
