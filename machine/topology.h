// What the machine is: processor, cores, caches, system, load, as hwloc and the operating
// system report them at the time of asking.
#pragma once

#include <memory>
#include <string>
#include <vector>

// hwloc's topology, loaded once and shared by whatever reads or binds with it; released with
// its last holder. Empty when hwloc could not load one. It keeps the logical CPUs the process
// may use as they were when it was loaded (its affinity, as taskset sets it, within its
// control group's cpuset): load it before anything binds a thread.
struct hwloc_topology;
using Topology = std::shared_ptr<hwloc_topology>;
Topology load_topology();

struct CacheInfo {
    int level = 0;
    long long size_bytes = 0;
    int shared_by = 0; // logical CPUs under one such cache
    int count = 0;     // caches of this kind in the machine
};

struct MachineInfo {
    std::string cpu_model; // empty when hwloc does not say
    // "AuthenticAMD family 25 model 17 stepping 1": a virtual machine's model name is often a
    // generic one ("AMD EPYC") that two generations of processor share, and a guest moved from
    // one host to another keeps it; the numbers tell them apart. Empty when hwloc does not say.
    std::string cpu_signature;
    int packages = 0;
    int physical_cores = 0;
    int logical_cpus = 0;
    int smt = 0; // logical CPUs per core (the most on any core)
    int numa_nodes = 0;
    std::vector<CacheInfo> caches; // data and unified caches, by level
    std::string os;                // kernel name and release
    std::string hostname;
    std::string governor; // cpufreq scaling governor of CPU 0; empty when the system does not say
    std::string boost;    // "on", "off", or empty when the system does not say
    // The logical CPUs (operating-system numbers) of each physical core, cores in hwloc's order.
    std::vector<std::vector<int>> cores;
    // The logical CPUs this process may run on, ascending; empty when unknown. The figures above
    // describe the whole machine.
    std::vector<int> allowed_cpus;
    // The unit in which CPUs pass data to one another: the line of the first cache level hwloc
    // gives one for (the first level's, on common processors), in bytes; 0 when it gives none.
    int cache_line_bytes = 0;
};

// The topology's figures and the rest from the system.
MachineInfo read_machine(const Topology& loaded);

// The physical cores with those of their logical CPUs the process may use; cores it may not use
// at all are left out (all of them, as they are, when the allowed CPUs are unknown). Binding,
// the cores a team can really have, and the default thread counts follow these.
std::vector<std::vector<int>> allowed_cores(const MachineInfo& machine);

// The one-minute load average, or NaN where the system does not say.
double load_average();

// What the system's own texts say, as the readers above take them: "on" or "off" for the
// cpufreq boost file ("1" or "0"), empty otherwise; the first figure of /proc/loadavg, NaN when
// there is none.
std::string boost_state(const std::string& boost_file);
double first_figure(const std::string& text);

// CPUs' worth of work that other processes did between two readings of /proc/stat (the
// aggregate "cpu" line), taken while the caller slept: 1.0 means one CPU kept busy. NaN when
// either text has no such line.
double busy_cpus_between(const std::string& stat_before, const std::string& stat_after);

// The same, measured now over window_s seconds of sleep; NaN where the system does not say.
double busy_cpus_now(double window_s);

// Now, in UTC, as "2026-12-07T02:31:33Z".
std::string utc_now_iso8601();
