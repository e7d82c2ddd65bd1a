// The machine's record: topology figures against what the operating system says, where
// threads are bound and where they run, and the rules that raise each warning.
#include "machine/machine.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <sched.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {

TEST(Machine, TopologyAgreesWithTheOperatingSystem)
{
    const MachineInfo m = read_machine(load_topology());
    EXPECT_EQ(m.logical_cpus, omp_get_num_procs());
    EXPECT_EQ(static_cast<unsigned>(m.logical_cpus), std::thread::hardware_concurrency());
    EXPECT_GE(m.physical_cores, 1);
    EXPECT_LE(m.physical_cores, m.logical_cpus);
    EXPECT_GE(m.packages, 1);
    EXPECT_EQ(static_cast<int>(m.cores.size()), m.physical_cores);
    std::set<int> cpus; // the cores share out the logical CPUs, each exactly once
    for (const auto& core : m.cores)
        for (int cpu : core)
            EXPECT_TRUE(cpus.insert(cpu).second) << cpu;
    EXPECT_EQ(static_cast<int>(cpus.size()), m.logical_cpus);
    // Where the system gives a cache its line, hwloc passes it on: a power of two.
    std::string line = "0";
    if (std::ifstream sysfs{"/sys/devices/system/cpu/cpu0/cache/index0/coherency_line_size"}; sysfs >> line) {
        EXPECT_EQ(std::to_string(m.cache_line_bytes), line);
        EXPECT_EQ(m.cache_line_bytes & (m.cache_line_bytes - 1), 0);
    }
    int processors = 0; // hwloc reads the model from the processor itself, /proc may name it otherwise
    for (const std::string& line : lines_of(read_file("/proc/cpuinfo")))
        processors += line.rfind("processor", 0) == 0 ? 1 : 0;
    if (processors > 0) {
        EXPECT_EQ(m.logical_cpus, processors);
    }
    EXPECT_FALSE(m.os.empty());
#if defined(__x86_64__) || defined(__i386__)
    // An x86 processor says its family, model and stepping, which a generic model name hides.
    EXPECT_NE(m.cpu_signature.find(" family "), std::string::npos) << m.cpu_signature;
    EXPECT_NE(m.cpu_signature.find(" model "), std::string::npos) << m.cpu_signature;
    EXPECT_NE(m.cpu_signature.find(" stepping "), std::string::npos) << m.cpu_signature;
#endif
    cpu_set_t affinity; // the CPUs the process may use, which taskset or a cpuset may narrow
    CPU_ZERO(&affinity);
    ASSERT_EQ(sched_getaffinity(0, sizeof(affinity), &affinity), 0);
    std::vector<int> allowed;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &affinity))
            allowed.push_back(cpu);
    EXPECT_EQ(m.allowed_cpus, allowed);
}

TEST(Machine, OnlyTheAllowedCpusOfEachCoreAreUsed)
{
    MachineInfo m;
    m.cores = {{0, 2}, {1, 3}};
    const struct {
        std::vector<int> allowed;
        std::vector<std::vector<int>> cores;
    } cases[] = {
        {{}, {{0, 2}, {1, 3}}}, // unknown: the whole machine
        {{0, 1, 2, 3}, {{0, 2}, {1, 3}}},
        {{1}, {{1}}},         // taskset -c 1: one core, and CPU 0 is not it
        {{2, 3}, {{2}, {3}}}, // one CPU of each core
        {{0, 2}, {{0, 2}}},   // both CPUs of one core: one core
    };
    for (const auto& c : cases) {
        m.allowed_cpus = c.allowed;
        EXPECT_EQ(allowed_cores(m), c.cores) << c.allowed.size();
        EXPECT_EQ(binding_order(allowed_cores(m), BindMode::cores).size(), c.allowed.empty() ? 4u : c.allowed.size());
    }
    // CPUs numbered out of order, as some firmware does: each core keeps its own CPUs, in its order.
    m.cores = {{3, 1}, {2, 0}};
    m.allowed_cpus = {0, 1, 3};
    EXPECT_EQ(allowed_cores(m), (std::vector<std::vector<int>>{{3, 1}, {0}}));
}

TEST(Machine, WithoutATopologyNothingIsInventedAndNothingIsBound)
{
    const MachineInfo m = read_machine(Topology());
    EXPECT_EQ(m.physical_cores, 0);
    EXPECT_EQ(m.logical_cpus, 0);
    EXPECT_TRUE(m.cores.empty());
    EXPECT_TRUE(m.caches.empty());
    EXPECT_EQ(m.cache_line_bytes, 0);
    EXPECT_FALSE(m.os.empty()); // the system still says what it is
    EXPECT_EQ(place_team(Topology(), 2, {0, 1}), (std::vector<int>{-1, -1}));
    EXPECT_EQ(place_calling_thread(Topology(), 0), -1);
}

TEST(Machine, BindingOrderFillsCoresBeforeTheirSiblings)
{
    const std::vector<std::vector<int>> smt = {{0, 4}, {1, 5}, {2, 6}, {3, 7}};
    EXPECT_EQ(binding_order(smt, BindMode::cores), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    const std::vector<std::vector<int>> paired = {{0, 1}, {2, 3}};
    EXPECT_EQ(binding_order(paired, BindMode::cores), (std::vector<int>{0, 2, 1, 3}));
    EXPECT_EQ(binding_order(paired, BindMode::threads), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(binding_order({{0, 2}, {1}}, BindMode::cores), (std::vector<int>{0, 1, 2})); // uneven cores
    EXPECT_TRUE(binding_order(paired, BindMode::none).empty());
    BindMode mode = BindMode::none;
    EXPECT_TRUE(parse_bind_mode("threads", mode));
    EXPECT_EQ(mode, BindMode::threads);
    EXPECT_FALSE(parse_bind_mode("sockets", mode));
}

TEST(Machine, ThreadsBoundToCoresRunOnDistinctCores)
{
    const Topology topology = load_topology();
    const MachineInfo m = read_machine(topology);
    if (m.physical_cores < 2)
        GTEST_SKIP() << "one core: nothing to tell apart";
    const std::vector<int> order = binding_order(m.cores, BindMode::cores);
    const std::vector<int> placed = place_team(topology, 2, order);
    EXPECT_EQ(placed, (std::vector<int>{order[0], order[1]}));
    EXPECT_EQ(team_cpus(topology, 2), placed); // still there when the team forms again
}

TEST(Machine, OtherProcessesWorkIsReadFromTwoCpuLines)
{
    const std::string before = "cpu  100 0 50 1000 0 0 0 0 0 0\ncpu0 50 0 25 500 0 0 0 0\ncpu1 50 0 25 500 0 0 0 0\n";
    const std::string after = "cpu  200 0 50 1100 0 0 0 0 0 0\ncpu0 100 0 25 550 0 0 0 0\ncpu1 100 0 25 550 0 0 0 0\n";
    EXPECT_DOUBLE_EQ(busy_cpus_between(before, after), 1.0); // half of all time on two CPUs
    // Time a hypervisor stole is time the scan did not get (steal, the eighth figure); iowait is
    // idle. The per-CPU lines only count, in whatever order they come.
    EXPECT_DOUBLE_EQ(busy_cpus_between(before, "cpu  100 0 50 1100 50 0 0 50\ncpu1 0\ncpu0 0\n"), 0.5);
    EXPECT_TRUE(std::isnan(busy_cpus_between("", after)));
    EXPECT_TRUE(std::isnan(busy_cpus_between(after, before)));                          // time cannot go back
    EXPECT_TRUE(std::isnan(busy_cpus_between("cpu  1 2 3\n", after)));                  // too few fields
    EXPECT_TRUE(std::isnan(busy_cpus_between("intr 1 2 3 4 5 6 7 8\n", after)));        // no cpu line
    EXPECT_TRUE(std::isnan(busy_cpus_between(before, "cpu  200 0 50 1100 0 0 0 0\n"))); // no per-CPU lines

    EXPECT_EQ(boost_state("1\n"), "on");
    EXPECT_EQ(boost_state("0"), "off");
    EXPECT_EQ(boost_state(""), ""); // most virtual machines have no such file
    EXPECT_DOUBLE_EQ(first_figure("0.52 0.58 0.59 1/89 1234\n"), 0.52);
    EXPECT_TRUE(std::isnan(first_figure("")));

    const std::string now = utc_now_iso8601(); // "2026-12-07T02:31:33Z"
    ASSERT_EQ(now.size(), 20u) << now;
    EXPECT_EQ(now[4], '-');
    EXPECT_EQ(now[10], 'T');
    EXPECT_EQ(now.back(), 'Z');
    EXPECT_GE(load_average(), 0.0);
}

// Two threads held to one CPU take turns on it, so each waits for about half the time both
// run; a thread that waits behind nothing shows close to no wait at all.
TEST(Machine, ThreadsWaitingForACpuAreSeenInTheSchedulersAccount)
{
    EXPECT_DOUBLE_EQ(schedstat_wait_seconds("3140371 6973 2\n"), 6.973e-6);
    EXPECT_DOUBLE_EQ(schedstat_wait_seconds("0 2500000000 9"), 2.5);
    EXPECT_TRUE(std::isnan(schedstat_wait_seconds("")));
    EXPECT_TRUE(std::isnan(schedstat_wait_seconds("12 34"))); // a line from before the slice count
    EXPECT_DOUBLE_EQ(longest_new_wait({{1, 1.0}, {2, 5.0}, {3, 0.0}}, {{1, 1.5}, {2, 5.25}, {4, 9.0}}), 0.5);
    EXPECT_TRUE(std::isnan(longest_new_wait({}, {{1, 1.0}})));
    EXPECT_TRUE(std::isnan(longest_new_wait({{1, 1.0}}, {})));

    const std::map<long, double> before = thread_wait_seconds();
    if (before.empty())
        GTEST_SKIP() << "this system keeps no per-thread account of waits";
    cpu_set_t one;
    ASSERT_EQ(sched_getaffinity(0, sizeof(one), &one), 0);
    int cpu = 0;
    while (!CPU_ISSET(cpu, &one))
        ++cpu;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    // Both spin to one deadline, then each reads the account while the other still lives.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    std::mutex guard;
    double longest = 0.0;
    const auto spin = [&] {
        sched_setaffinity(0, sizeof(one), &one);
        while (std::chrono::steady_clock::now() < deadline) {
        }
        const std::map<long, double> now = thread_wait_seconds();
        const std::lock_guard<std::mutex> lock(guard);
        for (const auto& [id, seconds] : now)
            if (before.count(id) == 0)
                longest = std::max(longest, seconds);
    };
    std::thread first(spin), second(spin);
    first.join();
    second.join();
    EXPECT_GT(longest, 0.03) << "two threads on one CPU for 0.3 s, and neither waited";
}

TEST(Machine, EachWarningHasItsRule)
{
    EXPECT_TRUE(oversubscription_warning(2, 2).empty());
    EXPECT_TRUE(oversubscription_warning(8, 0).empty()); // cores unknown
    ASSERT_EQ(oversubscription_warning(3, 2).size(), 1u);
    EXPECT_EQ(oversubscription_warning(3, 2)[0].kind, "oversubscribed");
    EXPECT_TRUE(team_warning({}).empty());
    EXPECT_EQ(team_warning({{4, 3}, {5, 3}})[0].message,
              "the OpenMP runtime gave smaller teams than asked (3 of 4, 3 of 5 threads; see OMP_THREAD_LIMIT, "
              "OMP_DYNAMIC)");
    EXPECT_TRUE(precision_warning({}, "max-runs").empty());
    EXPECT_EQ(precision_warning({1, 2}, "max-runs")[0].message,
              "the speed-up interval is wider than the precision asked for at 1, 2 threads (max-runs came first)");
    EXPECT_TRUE(invalid_result_warning(0).empty());
    EXPECT_EQ(invalid_result_warning(3)[0].kind, "invalid_result");
    EXPECT_TRUE(too_short_warning(false, {}, 100e-6).empty());
    EXPECT_EQ(too_short_warning(true, {1, 2}, 100e-6)[0].kind, "too_short");
    EXPECT_EQ(too_short_warning(true, {1, 2}, 100e-6)[0].message,
              "the median call of the sequential kernel and the parallel kernel on 1, 2 threads takes under 100 us, "
              "too short for a clock of whole microseconds to time: speed-ups from it are never marked precise");
    EXPECT_EQ(too_short_warning(false, {4}, 100e-6)[0].message,
              "the median call of the parallel kernel on 4 threads takes under 100 us, too short for a clock of "
              "whole microseconds to time: speed-ups from it are never marked precise");
    EXPECT_EQ(migration_warning({2, 4})[0].message, "threads changed logical CPU during the configurations with 2, "
                                                    "4 threads");
    // Tiles whose rows are no wider than a line share their lines between threads: 8, 12 and 16
    // floats are 32, 48 and 64 bytes, 17 floats more than a 64-byte line; 32 floats fill a
    // 128-byte line; one tile is no one's to share.
    const std::vector<std::pair<int, int>> cells = {{1024, 8},  {1024, 12}, {1024, 16}, {1024, 17},
                                                    {1024, 32}, {512, 8},   {8, 8},     {12, 16}};
    ASSERT_EQ(shared_line_warning(cells, 2, 64).size(), 1u);
    EXPECT_EQ(shared_line_warning(cells, 2, 64)[0].kind, "shared_lines");
    EXPECT_EQ(shared_line_warning(cells, 2, 64)[0].message,
              "a tile's row is no wider than the 64-byte cache line at n 1024 b 8, n 1024 b 12, n 1024 b 16, n 512 "
              "b 8: neighbouring tiles go to different threads, and the lines of C a tile writes are written by "
              "another thread too (all of them where a row does not start on a line), so those speed-ups also "
              "measure how fast the CPUs pass lines to one another, which depends on where the host runs them; the "
              "probe times a line's round trip between the CPUs every round, and line_passing says when it changed");
    EXPECT_NE(shared_line_warning(cells, 2, 128)[0].message.find(
                  "at n 1024 b 8, n 1024 b 12, n 1024 b 16, n 1024 b 17, n 1024 b 32, n 512 b 8:"),
              std::string::npos);
    EXPECT_TRUE(shared_line_warning(cells, 1, 64).empty()); // one thread shares nothing
    EXPECT_TRUE(shared_line_warning(cells, 2, 0).empty());  // the line unknown
    EXPECT_TRUE(shared_line_warning({{1024, 17}, {1024, 64}}, 4, 64).empty());

    MachineInfo quiet;
    quiet.logical_cpus = 2;
    quiet.governor = "performance";
    quiet.boost = "off";
    const auto kinds = [](const std::vector<Warning>& warnings) {
        std::vector<std::string> names;
        for (const Warning& w : warnings)
            names.push_back(w.kind);
        return names;
    };
    EXPECT_EQ(kinds(machine_warnings(quiet, BindMode::cores, 0.1, 3.0, true)), std::vector<std::string>{});
    MachineInfo no_cpufreq = quiet; // most virtual machines: no governor, no boost file
    no_cpufreq.governor = no_cpufreq.boost = "";
    EXPECT_EQ(kinds(machine_warnings(no_cpufreq, BindMode::cores, 0.1, 0.0, true)), std::vector<std::string>{});
    EXPECT_EQ(kinds(machine_warnings(quiet, BindMode::cores, 0.6, 0.0, true)), std::vector<std::string>{"loaded"});
    EXPECT_EQ(kinds(machine_warnings(quiet, BindMode::cores, 0.5, 9.0, true)), std::vector<std::string>{}); // 0.25 x 2
    EXPECT_EQ(kinds(machine_warnings(quiet, BindMode::cores, std::nan(""), 0.6, true)),
              std::vector<std::string>{"loaded"}); // no measurement: the load average decides
    MachineInfo scaling = quiet;
    scaling.governor = "powersave";
    EXPECT_EQ(kinds(machine_warnings(scaling, BindMode::none, 0.0, 0.0, false)),
              (std::vector<std::string>{"unpinned", "frequency_scaling", "debug_build"}));
    scaling.governor = "performance";
    scaling.boost = "on";
    EXPECT_EQ(kinds(machine_warnings(scaling, BindMode::threads, 0.0, 0.0, true)),
              std::vector<std::string>{"frequency_scaling"});
}

} // namespace
