// The kernels' contract is bit-exact: each performs exactly the single-precision operations of
// its loop nest, and a parallel kernel leaves the bits of its sequential twin for every team
// size. Results are compared as bit patterns against references written here per element.
#include "kernels/kernels.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <cstdlib>
#include <map>
#include <random>
#include <string>

namespace {

// The tiled nest, per element: per inner tile in increasing order, a partial sum from 0 in
// increasing k, then one addition into C.
void reference_tiled(OwnedMatrix& A, OwnedMatrix& B, OwnedMatrix& C, int n, int b)
{
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (long start = 0; start < n; start += b) {
                float sum = 0.0f;
                for (long k = start; k < n && k < start + b; ++k)
                    sum = A.rows[i][k] * B.rows[k][j] + sum;
                C.rows[i][j] = C.rows[i][j] + sum;
            }
}

void reference_untiled(OwnedMatrix& A, OwnedMatrix& B, OwnedMatrix& C, int n)
{
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k)
                C.rows[i][j] = A.rows[i][k] * B.rows[k][j] + C.rows[i][j];
}

// The reference of each family in the table, by name: a family without one fails the tests below.
void reference_untiled_any_edge(OwnedMatrix& A, OwnedMatrix& B, OwnedMatrix& C, int n, int)
{
    reference_untiled(A, B, C, n);
}
const std::map<std::string, void (*)(OwnedMatrix&, OwnedMatrix&, OwnedMatrix&, int, int)> references = {
    {"blocked", reference_tiled},
    {"naive", reference_untiled_any_edge},
};

// Runs both kernels of every family on one shape, C starting non-zero as in the benchmark, and
// checks each result against the family's reference and the team each parallel call reported.
void expect_reference_bits(int n, int b, int team, unsigned seed)
{
    SCOPED_TRACE("n=" + std::to_string(n) + " b=" + std::to_string(b) + " team=" + std::to_string(team));
    OwnedMatrix A = random_matrix(n, seed), B = random_matrix(n, seed + 1);
    const OwnedMatrix C0 = random_matrix(n, seed + 2);
    for (const KernelFamily& family : kernel_families()) {
        SCOPED_TRACE(family.name);
        const auto reference = references.find(family.name);
        ASSERT_NE(reference, references.end());
        OwnedMatrix expected = C0, sequential = C0, parallel = C0;
        reference->second(A, B, expected, n, b);
        family.sequential(view(A), view(B), view(sequential), n, b);
        EXPECT_EQ(bits_of(sequential), bits_of(expected));
        int heard = 0;
        testing::internal::CaptureStdout();
        family.parallel(view(A), view(B), view(parallel), n, b, team, team_keeper(heard));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), ""); // the team went to the observer alone
        EXPECT_EQ(heard, team);
        EXPECT_EQ(bits_of(parallel), bits_of(expected));
    }
}

TEST(Kernels, ChosenShapesLeaveTheReferenceBitsForEveryTeamSize)
{
    // Orders that are and are not multiples of the edge, edge 1, edge beyond the order (up to
    // INT_MAX, where a naive start-plus-edge overflows), order 0 and below, more threads than
    // tiles or rows.
    const int shapes[][2] = {{1, 1},  {2, 1},  {5, 2},           {7, 3}, {16, 16}, {10, 64},
                             {33, 1}, {65, 8}, {40, 2147483647}, {0, 4}, {-3, 2}};
    for (const auto& shape : shapes)
        for (int team : {1, 2, 3, 8})
            expect_reference_bits(shape[0], shape[1], team, 11);
}

// The seed changes from run to run so that, over time, far more shapes are covered than one
// run does; a failure names the seed, and TILEBENCH_TEST_SEED=<seed> replays it.
TEST(Kernels, RandomShapesLeaveTheReferenceBitsForEveryTeamSize)
{
    const char* fixed = std::getenv("TILEBENCH_TEST_SEED");
    const unsigned seed = fixed ? static_cast<unsigned>(std::strtoul(fixed, nullptr, 10)) : std::random_device{}();
    SCOPED_TRACE("TILEBENCH_TEST_SEED=" + std::to_string(seed));
    std::mt19937 generator(seed);
    const auto uniform = [&generator](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(generator);
    };
    for (int trial = 0; trial < 300 && !HasFailure(); ++trial) {
        const int n = uniform(0, 70);
        expect_reference_bits(n, uniform(1, n + 8), uniform(1, 9), generator());
    }
}

// A kernel called inside an active team, with nesting off, gets a team of one whatever it asks:
// its line must say 1, the team it got, not the count asked for or the runtime's default.
TEST(Kernels, TheTeamLineReportsTheTeamGrantedNotTheTeamAskedFor)
{
    const int n = 9;
    OwnedMatrix A = random_matrix(n, 1), B = random_matrix(n, 2), C = zero_matrix(n), expected = zero_matrix(n);
    reference_tiled(A, B, expected, n, 4);
    omp_set_max_active_levels(1);
    testing::internal::CaptureStdout();
#pragma omp parallel num_threads(2)
    {
#pragma omp master
        multiply_blocked_parallel(view(A), view(B), view(C), n, 4, 3);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Number of threads: 1\n");
    EXPECT_EQ(bits_of(C), bits_of(expected));
    int heard = 0;
#pragma omp parallel num_threads(2)
    {
#pragma omp master
        multiply_naive_parallel_observed(view(A), view(B), view(C), n, 3, team_keeper(heard));
    }
    EXPECT_EQ(heard, 1);
}

// The benchmark's own entries: the line, exactly, once per call, and the bits of their family.
TEST(Kernels, ThePublicParallelKernelsPrintTheTeamLineOnce)
{
    const int n = 11, b = 3;
    OwnedMatrix A = random_matrix(n, 8), B = random_matrix(n, 9), tiled = zero_matrix(n), untiled = zero_matrix(n);
    reference_tiled(A, B, tiled, n, b);
    reference_untiled(A, B, untiled, n);
    for (int team : {1, 3}) {
        OwnedMatrix blocked = zero_matrix(n), naive = zero_matrix(n), observed = zero_matrix(n);
        int kept = 0;
        testing::internal::CaptureStdout();
        multiply_blocked_parallel(view(A), view(B), view(blocked), n, b, team);
        multiply_naive_parallel(view(A), view(B), view(naive), n, team);
        multiply_blocked_parallel_observed(view(A), view(B), view(observed), n, b, team, team_line_and_keeper(kept));
        const std::string line = "Number of threads: " + std::to_string(team) + "\n";
        EXPECT_EQ(testing::internal::GetCapturedStdout(), line + line + line);
        EXPECT_EQ(kept, team);
        EXPECT_EQ(bits_of(blocked), bits_of(tiled));
        EXPECT_EQ(bits_of(observed), bits_of(tiled));
        EXPECT_EQ(bits_of(naive), bits_of(untiled));
    }
}

// What each family's division of work allows, worked out by hand from who holds which columns
// or rows.
TEST(Kernels, EachFamilysScheduleBoundsItsSpeedUp)
{
    const struct {
        const char* family;
        int n, b, t;
        double bound;
    } cases[] = {
        {"blocked", 1024, 64, 1, 1.0},
        {"blocked", 1024, 64, 2, 2.0},
        {"blocked", 1024, 64, 3, 1024.0 / 384}, // 16 tiles: 6, 5, 5
        {"blocked", 5, 2, 2, 5.0 / 3},
        {"blocked", 5, 2, 3, 2.5}, // tiles of 2, 2, 1: thread 0 holds 2 columns
        {"blocked", 100, 64, 2, 100.0 / 64},
        {"blocked", 64, 64, 4, 1.0},
        {"blocked", 0, 8, 2, 1.0},
        // Static schedule over rows: blocks of at most ceil(n / t) rows; the edge plays no part.
        {"naive", 10, 64, 3, 10.0 / 4},
        {"naive", 12, 1, 3, 3.0},
        {"naive", 2, 8, 4, 2.0},
        {"naive", 0, 8, 4, 1.0},
        {"naive", 8, 8, 0, 1.0},
    };
    for (const auto& c : cases) {
        const KernelFamily* family = find_kernel_family(c.family);
        ASSERT_NE(family, nullptr) << c.family;
        EXPECT_DOUBLE_EQ(family->schedule_bound(c.n, c.b, c.t), c.bound)
            << c.family << " " << c.n << " " << c.b << " " << c.t;
    }
}

TEST(Kernels, TiledMatchesUntiledOnZeroCWhenEachTileHoldsOneProductOrAllOfThem)
{
    const int n = 23;
    OwnedMatrix A = random_matrix(n, 4), B = random_matrix(n, 5);
    for (int b : {1, n, n + 5}) {
        OwnedMatrix tiled = zero_matrix(n), untiled = zero_matrix(n);
        multiply_blocked_sequential(view(A), view(B), view(tiled), n, b);
        multiply_naive_sequential(view(A), view(B), view(untiled), n);
        EXPECT_EQ(bits_of(tiled), bits_of(untiled)) << "b=" << b;
    }
    // Guards the comparisons above: other edges group the sums differently and round otherwise,
    // so a kernel that ignored its tiles could not pass them.
    OwnedMatrix tiled = zero_matrix(64), untiled = zero_matrix(64);
    OwnedMatrix A64 = random_matrix(64, 6), B64 = random_matrix(64, 7);
    multiply_blocked_sequential(view(A64), view(B64), view(tiled), 64, 7);
    multiply_naive_sequential(view(A64), view(B64), view(untiled), 64);
    EXPECT_NE(bits_of(tiled), bits_of(untiled));
}

} // namespace
