// The kernels' contract is bit-exact: each one must perform exactly the single-precision
// operations of its loop nest, and a parallel kernel must leave the same bits as its
// sequential twin for every team size. Results are compared as bit patterns against
// references written here independently, element by element.
#include "kernels/kernels.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

namespace {

// The tiled nest, reorganised per element: for each inner tile in increasing order, a partial
// sum from 0 in increasing k, then one addition into C.
void reference_blocked(OwnedMatrix& A, OwnedMatrix& B, OwnedMatrix& C, int n, int b)
{
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            float c = C.rows[i][j];
            for (long start = 0; start < n; start += b) {
                float sum = 0.0f;
                for (long k = start; k < std::min<long>(start + b, n); ++k)
                    sum = A.rows[i][k] * B.rows[k][j] + sum;
                c = c + sum;
            }
            C.rows[i][j] = c;
        }
}

void reference_naive(OwnedMatrix& A, OwnedMatrix& B, OwnedMatrix& C, int n)
{
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k)
                C.rows[i][j] = A.rows[i][k] * B.rows[k][j] + C.rows[i][j];
}

struct Shape {
    int n;
    int b;
};

const Shape shapes[] = {
    {1, 1}, {2, 1}, {5, 2}, {7, 3}, {8, 4}, {16, 16}, {10, 64}, {33, 1}, {64, 7}, {65, 8}, {40, 2147483647},
};
const int team_sizes[] = {1, 2, 3, 5, 8};

std::string describe(const Shape& s)
{
    return "n=" + std::to_string(s.n) + " b=" + std::to_string(s.b);
}

// Runs a kernel on a C that starts non-zero (the benchmark accumulates into C) and returns
// the bits it leaves, discarding the team line the parallel kernels print.
template <typename Kernel>
std::vector<std::uint32_t> bits_after(int n, Kernel kernel)
{
    OwnedMatrix A = random_matrix(n, 1), B = random_matrix(n, 2), C = random_matrix(n, 3);
    testing::internal::CaptureStdout();
    kernel(view(A), view(B), view(C));
    testing::internal::GetCapturedStdout();
    return bits_of(C);
}

std::vector<std::uint32_t> reference_blocked_bits(int n, int b)
{
    OwnedMatrix A = random_matrix(n, 1), B = random_matrix(n, 2), C = random_matrix(n, 3);
    reference_blocked(A, B, C, n, b);
    return bits_of(C);
}

TEST(BlockedKernels, SequentialAndEveryTeamSizeMatchTheReferenceBitForBit)
{
    for (const Shape& s : shapes) {
        const auto expected = reference_blocked_bits(s.n, s.b);
        EXPECT_EQ(bits_after(s.n, [&](Matrix A, Matrix B, Matrix C) {
                      multiply_blocked_sequential(A, B, C, s.n, s.b);
                  }),
                  expected)
            << describe(s);
        for (int team : team_sizes)
            EXPECT_EQ(bits_after(s.n, [&](Matrix A, Matrix B, Matrix C) {
                          multiply_blocked_parallel(A, B, C, s.n, s.b, team);
                      }),
                      expected)
                << describe(s) << " team=" << team;
    }
}

TEST(BlockedKernels, TileEdgeChangesTheRounding)
{
    // Guards the reference itself: if different tile edges gave the same bits, the tests
    // above could not tell a kernel that ignores its tiles from one that honours them.
    EXPECT_NE(reference_blocked_bits(64, 7), reference_blocked_bits(64, 64));
}

TEST(BlockedKernels, UnitTileAndWholeTileOnZeroCMatchTheUntiledProduct)
{
    const int n = 23;
    for (int b : {1, n, n + 5}) {
        OwnedMatrix A = random_matrix(n, 4), B = random_matrix(n, 5);
        OwnedMatrix tiled = zero_matrix(n), untiled = zero_matrix(n);
        multiply_blocked_sequential(view(A), view(B), view(tiled), n, b);
        multiply_naive_sequential(view(A), view(B), view(untiled), n);
        EXPECT_EQ(bits_of(tiled), bits_of(untiled)) << "b=" << b;
    }
}

TEST(BlockedKernels, OrderOneAddsTheSingleProduct)
{
    OwnedMatrix A = matrix_from_rows({{0.1f}}), B = matrix_from_rows({{0.3f}}), C = matrix_from_rows({{0.7f}});
    const float expected = 0.7f + 0.1f * 0.3f;
    multiply_blocked_sequential(view(A), view(B), view(C), 1, 1);
    EXPECT_EQ(C.rows[0][0], expected);
}

TEST(ParallelKernels, AnnounceTheirTeamOnceAndLeaveCUntouchedForEmptyOrders)
{
    for (int n : {0, -3}) {
        OwnedMatrix A = random_matrix(2, 1), B = random_matrix(2, 2), C = random_matrix(2, 3);
        const auto before = bits_of(C);
        testing::internal::CaptureStdout();
        multiply_blocked_parallel(view(A), view(B), view(C), n, 2, 3);
        multiply_naive_parallel(view(A), view(B), view(C), n, 1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Number of threads: 3\nNumber of threads: 1\n");
        multiply_blocked_sequential(view(A), view(B), view(C), n, 2);
        multiply_naive_sequential(view(A), view(B), view(C), n);
        EXPECT_EQ(bits_of(C), before) << "n=" << n;
    }
}

TEST(ParallelKernels, MoreThreadsThanWorkStillFormsTheWholeTeam)
{
    OwnedMatrix A = random_matrix(4, 1), B = random_matrix(4, 2), C = zero_matrix(4);
    testing::internal::CaptureStdout();
    multiply_blocked_parallel(view(A), view(B), view(C), 4, 4, 3);
    multiply_naive_parallel(view(A), view(B), view(C), 2, 4);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Number of threads: 3\nNumber of threads: 4\n");
}

TEST(NaiveKernels, SequentialAndEveryTeamSizeMatchTheReferenceBitForBit)
{
    for (int n : {1, 2, 3, 9, 31, 64}) {
        OwnedMatrix a = random_matrix(n, 1), b = random_matrix(n, 2), c = random_matrix(n, 3);
        reference_naive(a, b, c, n);
        const auto expected = bits_of(c);
        EXPECT_EQ(bits_after(n, [&](Matrix A, Matrix B, Matrix C) { multiply_naive_sequential(A, B, C, n); }),
                  expected)
            << "n=" << n;
        for (int team : team_sizes)
            EXPECT_EQ(bits_after(n, [&](Matrix A, Matrix B, Matrix C) {
                          multiply_naive_parallel(A, B, C, n, team);
                      }),
                      expected)
                << "n=" << n << " team=" << team;
    }
}

TEST(NaiveKernels, OrderOneAddsTheSingleProduct)
{
    OwnedMatrix A = matrix_from_rows({{0.1f}}), B = matrix_from_rows({{0.3f}}), C = matrix_from_rows({{0.7f}});
    const float expected = 0.1f * 0.3f + 0.7f;
    testing::internal::CaptureStdout();
    multiply_naive_parallel(view(A), view(B), view(C), 1, 2);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(C.rows[0][0], expected);
}

// Random shapes beyond the hand-picked ones. The seed changes from run to run so that, over
// time, the suite covers far more shapes than one run does; a failure names the seed, and
// TILEBENCH_TEST_SEED=<seed> replays it.
TEST(AllKernels, RandomShapesLeaveTheReferenceBitsForEveryTeamSize)
{
    const char* fixed = std::getenv("TILEBENCH_TEST_SEED");
    const unsigned seed = fixed ? static_cast<unsigned>(std::strtoul(fixed, nullptr, 10)) : std::random_device{}();
    SCOPED_TRACE("TILEBENCH_TEST_SEED=" + std::to_string(seed));
    std::mt19937 generator(seed);
    const auto uniform = [&generator](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(generator);
    };
    for (int trial = 0; trial < 300; ++trial) {
        const int n = uniform(0, 70);
        const int b = uniform(1, n + 8);
        const int team = uniform(1, 9);
        const unsigned data_seed = generator();
        SCOPED_TRACE("n=" + std::to_string(n) + " b=" + std::to_string(b) + " team=" + std::to_string(team));

        OwnedMatrix A = random_matrix(n, data_seed), B = random_matrix(n, data_seed + 1);
        OwnedMatrix tiled_reference = random_matrix(n, data_seed + 2), naive_reference = tiled_reference;
        reference_blocked(A, B, tiled_reference, n, b);
        reference_naive(A, B, naive_reference, n);

        OwnedMatrix tiled_sequential = random_matrix(n, data_seed + 2), tiled_parallel = tiled_sequential;
        OwnedMatrix naive_sequential = tiled_sequential, naive_parallel = tiled_sequential;
        testing::internal::CaptureStdout();
        multiply_blocked_sequential(view(A), view(B), view(tiled_sequential), n, b);
        multiply_blocked_parallel(view(A), view(B), view(tiled_parallel), n, b, team);
        multiply_naive_sequential(view(A), view(B), view(naive_sequential), n);
        multiply_naive_parallel(view(A), view(B), view(naive_parallel), n, team);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Number of threads: " + std::to_string(team) + "\nNumber of threads: " + std::to_string(team) + "\n");

        ASSERT_EQ(bits_of(tiled_sequential), bits_of(tiled_reference));
        ASSERT_EQ(bits_of(tiled_parallel), bits_of(tiled_reference));
        ASSERT_EQ(bits_of(naive_sequential), bits_of(naive_reference));
        ASSERT_EQ(bits_of(naive_parallel), bits_of(naive_reference));
    }
}

} // namespace
