// The driver's pieces that decide what a run measures: the input it accepts, how a clock
// difference becomes the reported seconds, which matrices it multiplies, and whether they fit.
#include "bench/bench.h"
#include "common/memory.h"
#include "common/thread_limits.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace {

TEST(Parameters, AcceptedInputGivesTheFourNumbersAndRefusedInputNamesItsFault)
{
    const std::string tail = " (expected: size block_size num_iter max_threads)";
    const struct {
        const char* input;
        std::string error; // empty when accepted
        int size, block_size, num_iter, max_threads;
    } cases[] = {
        {"512 64 3 5", "", 512, 64, 3, 5},
        {"512\n64\n3\n5\n", "", 512, 64, 3, 5},
        {" +512\t64 \n 3 5 words after the fourth number are never read", "", 512, 64, 3, 5},
        {"0 1 0 -4", "", 0, 1, 0, -4},
        {"", "missing size: the input ended after 0 numbers" + tail, 0, 0, 0, 0},
        {"512", "missing block_size: the input ended after 1 number" + tail, 0, 0, 0, 0},
        {"512 64 3", "missing max_threads: the input ended after 3 numbers" + tail, 0, 0, 0, 0},
        {"abc 64 3 5", "size must be a whole number, got 'abc'", 0, 0, 0, 0},
        {"512 6.4 3 5", "block_size must be a whole number, got '6.4'", 0, 0, 0, 0},
        {"512 64 + 5", "num_iter must be a whole number, got '+'", 0, 0, 0, 0},
        {"512 64 3 5x", "max_threads must be a whole number, got '5x'", 0, 0, 0, 0},
        {"512 64 3 2147483648", "max_threads 2147483648 does not fit in a 32-bit integer", 0, 0, 0, 0},
        {"-99999999999 64 3 5", "size -99999999999 does not fit in a 32-bit integer", 0, 0, 0, 0},
        {"-1 64 3 5", "size must be 0 or more, got -1", 0, 0, 0, 0},
        {"512 0 3 5", "block_size must be 1 or more, got 0", 0, 0, 0, 0},
        {"512 64 -1 5", "num_iter must be 0 or more, got -1", 0, 0, 0, 0},
        {"512 64 -2147483648 5", "num_iter must be 0 or more, got -2147483648", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        std::istringstream input(c.input);
        int size = 0, block_size = 0, num_iter = 0, max_threads = 0;
        std::string error;
        const bool accepted = read_parameters(input, size, block_size, num_iter, max_threads, error);
        EXPECT_EQ(error, c.error) << c.input;
        EXPECT_EQ(accepted, c.error.empty()) << c.input;
        if (accepted) {
            EXPECT_EQ((std::vector<int>{size, block_size, num_iter, max_threads}),
                      (std::vector<int>{c.size, c.block_size, c.num_iter, c.max_threads}));
        }
    }
}

TEST(Timing, WholeMicrosecondsBecomeSecondsThroughAFloat)
{
    using std::chrono::nanoseconds;
    EXPECT_EQ(whole_microseconds(nanoseconds(999)), 0); // truncated, not rounded
    EXPECT_EQ(whole_microseconds(nanoseconds(1999)), 1);
    EXPECT_EQ(whole_microseconds(nanoseconds(2000)), 2);
    EXPECT_EQ(seconds_from_microseconds(0), 0.0f);
    EXPECT_EQ(seconds_from_microseconds(1), 1.0f / 1000000.0f);
    EXPECT_EQ(seconds_from_microseconds(1500000), 1.5f);
    EXPECT_EQ(seconds_from_microseconds(16777217), 16777216.0f / 1000000.0f); // rounded before dividing
    // The unit, from both sides: a 20 ms sleep is at least 20 ms and nowhere near a second (a
    // harness counting nanoseconds as microseconds would say 20 s).
    const float slept = measure_seconds([] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
    EXPECT_GE(slept, 0.02f);
    EXPECT_LT(slept, 2.0f);
}

void release(Matrix m, int n)
{
    for (int i = 0; i < n; ++i)
        delete[] m[i];
    delete[] m;
}

TEST(Matrices, AAndBTakeAlternateDrawsInRowMajorOrderAndCIsZero)
{
    for (int n : {0, 1, 3}) {
        std::srand(1); // the C library's default seed: where an unseeded process starts
        std::vector<float> draws;
        for (int d = 0; d < 2 * n * n + 1; ++d)
            draws.push_back(static_cast<float>(std::rand() % 32768) / 32767.0f);
        std::srand(1);
        Matrix A = nullptr, B = nullptr, C = nullptr;
        create_matrices(n, A, B, C);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                EXPECT_EQ(A[i][j], draws[2 * (i * n + j)]);
                EXPECT_EQ(B[i][j], draws[2 * (i * n + j) + 1]);
                EXPECT_EQ(C[i][j], 0.0f);
            }
        // Exactly 2 n^2 draws were taken: the next one is the next in the sequence.
        EXPECT_EQ(static_cast<float>(std::rand() % 32768) / 32767.0f, draws[2 * n * n]) << "n=" << n;
        release(A, n);
        release(B, n);
        release(C, n);
    }
}

TEST(Memory, ThreeMatricesMustFitInTheTightestOfTheSystemsLimits)
{
    // 1024: 3 x (1024 pointers + 1024^2 floats) = 12607488 bytes.
    EXPECT_DOUBLE_EQ(matrices_bytes(1024), 12607488.0);
    EXPECT_EQ(memory_shortfall(1024, 12607488), "");
    EXPECT_EQ(memory_shortfall(1024, 12607487), "size 1024 needs 0.0 GiB for its three matrices, but only 0.0 GiB "
                                                "of memory is available");
    EXPECT_EQ(memory_shortfall(1024, 0), memory_shortfall(1024, 12607487)); // none left is not "unknown"
    EXPECT_EQ(memory_shortfall(2147483647, -1), "");                        // the platform does not say
    EXPECT_EQ(memory_shortfall(65536, 8LL << 30),
              "size 65536 needs 48.0 GiB for its three matrices, but only 8.0 GiB of memory is available");

    const std::string meminfo = "MemTotal:       24000000 kB\nMemFree:  100 kB\nMemAvailable:   2000000 kB\n"
                                "HugePages_Total:       0\n";
    const struct {
        MemoryReport report;
        long long available;
    } cases[] = {
        {{meminfo, "", "", -1}, 2000000LL * 1024},
        {{meminfo, "max\n", "5000\n", -1}, 2000000LL * 1024}, // no cgroup limit
        {{meminfo, "1000000\n", "400000\n", -1}, 600000},     // room left in the cgroup
        {{meminfo, "1000000\n", "1000001\n", -1}, 0},         // over its limit: nothing left
        {{meminfo, "1000000\n", "", -1}, 2000000LL * 1024},   // usage unknown: limit unused
        {{meminfo, "", "", 307200000}, 307200000},            // address space the tightest
        {{"MemTotal: 5 kB\n", "", "", -1}, -1},               // nothing says
        {{"", "max", "1", 1LL << 40}, 1LL << 40},
        {{"MemTotal: lots kB\nMemAvailable: 5 kB\n", "", "", -1}, -1},        // unreadable: nothing after it trusted
        {{"MemAvailable: -5 kB\n", "-3", "-1", -1}, -1},                      // negative figures say nothing
        {{meminfo, "9223372036854771712\n", "5000\n", -1}, 2000000LL * 1024}, // cgroup v1's "no limit"
    };
    for (const auto& c : cases)
        EXPECT_EQ(available_memory_from(c.report), c.available) << c.report.meminfo << "|" << c.report.cgroup_max;
}

TEST(ThreadLimits, ATeamIsRefusedByTheFirstLimitItExceeds)
{
    ThreadLimits none;
    none.stack_bytes = 8LL << 20;
    const auto with = [&none](auto change) {
        ThreadLimits limits = none;
        change(limits);
        return limits;
    };
    const struct {
        int threads;
        ThreadLimits limits;
        double other_bytes;
        std::string problem;
    } cases[] = {
        {100000, none, 0, ""},                                              // nothing limits it
        {1, with([](ThreadLimits& l) { l.process_threads = 0; }), 0, ""},   // a team of one creates no thread
        {41, with([](ThreadLimits& l) { l.process_threads = 40; }), 0, ""}, // 40 new threads: just fits
        {42, with([](ThreadLimits& l) { l.process_threads = 40; }), 0,
         "a team of 42 threads needs 41 more threads, but the process limit (ulimit -u) allows 40"},
        {9, with([](ThreadLimits& l) { l.cgroup_tasks = 7; }), 0,
         "a team of 9 threads needs 8 more threads, but the control group's task limit (pids.max) allows 7"},
        {9, with([](ThreadLimits& l) { l.cgroup_tasks = -5; }), 0, ""}, // unknown
        {9, with([](ThreadLimits& l) { l.system_threads = 7; }), 0,
         "a team of 9 threads needs 8 more threads, but the system's thread limit (threads-max) allows 7"},
        // 100 MiB of address space, 20 MiB of it taken: ten 8 MiB stacks fit, eleven do not.
        {11, with([](ThreadLimits& l) { l.address_space = 100LL << 20; }), 20.0 * (1 << 20), ""},
        {12, with([](ThreadLimits& l) { l.address_space = 100LL << 20; }), 20.0 * (1 << 20),
         "a team of 12 threads needs 11 more threads, but the address space left for thread stacks (ulimit -v) "
         "allows 10"},
        {2, with([](ThreadLimits& l) { l.address_space = 1LL << 20; }), 2.0 * (1 << 20),
         "a team of 2 threads needs 1 more threads, but the address space left for thread stacks (ulimit -v) "
         "allows 0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(thread_limit_problem(c.threads, c.limits, c.other_bytes), c.problem) << c.threads;

    const struct {
        const char* text;
        long long bytes;
    } stacks[] = {{"512", 512 * 1024}, {"4M", 4LL << 20},  {" 2 g ", 2LL << 30},
                  {"100B", 100},       {"16k", 16 * 1024}, {"", -1},
                  {"M", -1},           {"4X", -1},         {"4M4", -1}};
    for (const auto& s : stacks)
        EXPECT_EQ(parse_stack_size(s.text), s.bytes) << "'" << s.text << "'";

    // The texts of threads-max, pids.max and pids.current as systems write them.
    const struct {
        const char *threads_max, *pids_max, *pids_current;
        long long system_threads, cgroup_tasks;
    } texts[] = {
        {"126547\n", "max\n", "12\n", 126547, -1}, // cgroup v2 without a limit
        {"126547\n", "40\n", "12\n", 126547, 28},
        {"", "", "", -1, -1},             // no such files (cgroup v1 keeps them elsewhere)
        {"lots", "x4\n", "12\n", -1, -1}, // garbage says nothing
        {"100", "40\n", "", 100, -1},     // usage unknown: the limit alone says nothing
        {"100", "10\n", "12\n", 100, 0},  // lowered below what runs: no room, not "unknown"
        {"100", "12", "12", 100, 0},
    };
    for (const auto& t : texts) {
        ThreadLimitsReport report;
        report.threads_max = t.threads_max;
        report.cgroup_pids_max = t.pids_max;
        report.cgroup_pids_current = t.pids_current;
        const ThreadLimits limits = thread_limits_from(report);
        EXPECT_EQ(limits.system_threads, t.system_threads) << t.threads_max;
        EXPECT_EQ(limits.cgroup_tasks, t.cgroup_tasks) << t.pids_max << "/" << t.pids_current;
    }
}

TEST(ThreadLimits, TheStackIsTheRuntimesSettingOrTheDefaultAndTheLimitsPassThrough)
{
    const long long mib = 1LL << 20;
    const struct {
        const char* what;
        long long default_stack;
        const char* setting;
        long long stack_bytes;
    } cases[] = {
        {"nothing said: glibc's 8 MiB", -1, "", 8 * mib},
        {"the default stack", mib, "", mib},
        {"the stack setting over the default", mib, "64M", 64 * mib},
        {"a setting that is not a size leaves the default", mib, "huge", mib},
        {"nor does a zero one", mib, "0", mib},
    };
    for (const auto& c : cases) {
        ThreadLimitsReport report;
        report.default_stack = c.default_stack;
        report.stack_setting = c.setting;
        EXPECT_EQ(thread_limits_from(report).stack_bytes, c.stack_bytes) << c.what;
    }
    ThreadLimitsReport passed;
    passed.process_threads = 40;
    passed.address_space = 1LL << 30;
    const ThreadLimits limits = thread_limits_from(passed);
    EXPECT_EQ(limits.process_threads, 40);
    EXPECT_EQ(limits.address_space, 1LL << 30);
}

} // namespace
