#include "machine/topology.h"

#include "common/platform_files.h"
#include "common/platform_system.h"

#include <hwloc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <map>
#include <sstream>
#include <thread>
#include <tuple>

namespace {

int count_of(hwloc_topology_t topology, hwloc_obj_type_t type)
{
    const int count = hwloc_get_nbobjs_by_type(topology, type);
    return count > 0 ? count : 0;
}

int cache_line_of(hwloc_topology_t topology)
{
    for (hwloc_obj_type_t type : {HWLOC_OBJ_L1CACHE, HWLOC_OBJ_L2CACHE, HWLOC_OBJ_L3CACHE})
        if (hwloc_obj_t cache = hwloc_get_next_obj_by_type(topology, type, nullptr);
            cache && cache->attr->cache.linesize > 0)
            return static_cast<int>(cache->attr->cache.linesize);
    return 0;
}

std::vector<CacheInfo> caches_of(hwloc_topology_t topology)
{
    // Grouped by (level, size, sharing): a machine has many L1s alike, and one line says it.
    std::map<std::tuple<int, long long, int>, int> groups;
    const hwloc_obj_type_t types[] = {HWLOC_OBJ_L1CACHE, HWLOC_OBJ_L2CACHE, HWLOC_OBJ_L3CACHE, HWLOC_OBJ_L4CACHE,
                                      HWLOC_OBJ_L5CACHE};
    for (hwloc_obj_type_t type : types)
        for (hwloc_obj_t cache = hwloc_get_next_obj_by_type(topology, type, nullptr); cache;
             cache = hwloc_get_next_obj_by_type(topology, type, cache)) {
            const int shared_by = hwloc_bitmap_weight(cache->cpuset);
            ++groups[{static_cast<int>(cache->attr->cache.depth), static_cast<long long>(cache->attr->cache.size),
                      shared_by}];
        }
    std::vector<CacheInfo> caches;
    caches.reserve(groups.size());
    for (const auto& [key, count] : groups)
        caches.push_back({std::get<0>(key), std::get<1>(key), std::get<2>(key), count});
    return caches;
}

std::vector<int> cpus_of(hwloc_const_bitmap_t set)
{
    std::vector<int> cpus;
    unsigned index = 0;
    hwloc_bitmap_foreach_begin(index, set) cpus.push_back(static_cast<int>(index));
    hwloc_bitmap_foreach_end();
    return cpus;
}

// The logical CPUs this process may run on as it starts: its affinity (which taskset sets)
// within the CPUs its control group allows (which hwloc already leaves out of the topology).
// Read once, when the topology is loaded, because the scan goes on to bind its own threads,
// after which the process's binding no longer says what it was given.
hwloc_bitmap_t allowed_at_start(hwloc_topology_t topology)
{
    hwloc_bitmap_t allowed = hwloc_bitmap_dup(hwloc_topology_get_allowed_cpuset(topology));
    hwloc_bitmap_t bound = hwloc_bitmap_alloc();
    if (allowed && bound && hwloc_get_cpubind(topology, bound, HWLOC_CPUBIND_PROCESS) == 0 &&
        hwloc_bitmap_intersects(allowed, bound))
        hwloc_bitmap_and(allowed, allowed, bound);
    hwloc_bitmap_free(bound);
    return allowed;
}

void release_topology(hwloc_topology_t topology)
{
    hwloc_bitmap_free(static_cast<hwloc_bitmap_t>(hwloc_topology_get_userdata(topology)));
    hwloc_topology_destroy(topology);
}

std::vector<std::vector<int>> cores_of(hwloc_topology_t topology)
{
    std::vector<std::vector<int>> cores;
    for (hwloc_obj_t core = hwloc_get_next_obj_by_type(topology, HWLOC_OBJ_CORE, nullptr); core;
         core = hwloc_get_next_obj_by_type(topology, HWLOC_OBJ_CORE, core)) {
        cores.push_back(cpus_of(core->cpuset));
    }
    return cores;
}

// Busy and total jiffies of the aggregate cpu line: user nice system idle iowait irq softirq steal.
bool cpu_jiffies(const std::string& stat, double& busy, double& total, int& cpus)
{
    std::istringstream in(stat);
    std::string label;
    double fields[8] = {};
    if (!(in >> label) || label != "cpu")
        return false;
    for (double& field : fields)
        if (!(in >> field))
            return false;
    busy = fields[0] + fields[1] + fields[2] + fields[5] + fields[6] + fields[7];
    total = busy + fields[3] + fields[4];
    cpus = 0;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("cpu", 0) == 0 && line.size() > 3 && line[3] >= '0' && line[3] <= '9')
            ++cpus;
    return true;
}

std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

// The vendor and the family, model and stepping numbers hwloc read from the processor (x86
// has all four; other processors may have none), as one line; empty without the numbers.
std::string cpu_signature(hwloc_obj_t package)
{
    const std::pair<const char*, const char*> parts[] = {
        {"CPUVendor", ""}, {"CPUFamilyNumber", "family "}, {"CPUModelNumber", "model "}, {"CPUStepping", "stepping "}};
    std::string signature;
    bool numbered = false;
    for (const auto& [info, word] : parts)
        if (const char* value = hwloc_obj_get_info_by_name(package, info); value && *value) {
            signature += (signature.empty() ? "" : " ") + std::string(word) + trimmed(value);
            numbered = numbered || *word != '\0';
        }
    return numbered ? signature : std::string();
}

} // namespace

Topology load_topology()
{
    hwloc_topology_t topology = nullptr;
    if (hwloc_topology_init(&topology) != 0)
        return Topology();
    if (hwloc_topology_load(topology) != 0) {
        hwloc_topology_destroy(topology);
        return Topology();
    }
    hwloc_topology_set_userdata(topology, allowed_at_start(topology));
    return Topology(topology, release_topology);
}

MachineInfo read_machine(const Topology& loaded)
{
    MachineInfo info;
    hwloc_topology_t topology = loaded.get();
    if (topology) {
        info.packages = count_of(topology, HWLOC_OBJ_PACKAGE);
        info.physical_cores = count_of(topology, HWLOC_OBJ_CORE);
        info.logical_cpus = count_of(topology, HWLOC_OBJ_PU);
        info.numa_nodes = count_of(topology, HWLOC_OBJ_NUMANODE);
        if (hwloc_obj_t package = hwloc_get_next_obj_by_type(topology, HWLOC_OBJ_PACKAGE, nullptr)) {
            if (const char* model = hwloc_obj_get_info_by_name(package, "CPUModel"))
                info.cpu_model = trimmed(model); // some hypervisors pad the name
            info.cpu_signature = cpu_signature(package);
        }
        info.caches = caches_of(topology);
        info.cache_line_bytes = cache_line_of(topology);
        info.cores = cores_of(topology);
        for (const auto& core : info.cores)
            info.smt = std::max(info.smt, static_cast<int>(core.size()));
        if (const void* allowed = hwloc_topology_get_userdata(topology))
            info.allowed_cpus = cpus_of(static_cast<hwloc_const_bitmap_t>(allowed));
    }
    info.os = operating_system_name();
    info.hostname = host_name();
    info.governor = trimmed(read_text_file("/sys/devices/system/cpu/cpu0/cpufreq/scaling_governor"));
    info.boost = boost_state(read_text_file("/sys/devices/system/cpu/cpufreq/boost"));
    return info;
}

std::vector<std::vector<int>> allowed_cores(const MachineInfo& machine)
{
    if (machine.allowed_cpus.empty())
        return machine.cores;
    std::vector<std::vector<int>> cores;
    for (const auto& core : machine.cores) {
        std::vector<int> cpus;
        for (int cpu : core)
            if (std::find(machine.allowed_cpus.begin(), machine.allowed_cpus.end(), cpu) != machine.allowed_cpus.end())
                cpus.push_back(cpu);
        if (!cpus.empty())
            cores.push_back(cpus);
    }
    return cores;
}

std::string boost_state(const std::string& boost_file)
{
    const std::string value = trimmed(boost_file);
    if (value == "1")
        return "on";
    if (value == "0")
        return "off";
    return "";
}

double first_figure(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end != text.c_str() ? value : std::numeric_limits<double>::quiet_NaN();
}

double load_average()
{
    return first_figure(read_text_file("/proc/loadavg"));
}

double busy_cpus_between(const std::string& stat_before, const std::string& stat_after)
{
    double busy0 = 0, total0 = 0, busy1 = 0, total1 = 0;
    int cpus0 = 0, cpus1 = 0;
    if (!cpu_jiffies(stat_before, busy0, total0, cpus0) || !cpu_jiffies(stat_after, busy1, total1, cpus1) ||
        total1 <= total0 || cpus1 == 0)
        return std::numeric_limits<double>::quiet_NaN();
    return (busy1 - busy0) / (total1 - total0) * cpus1;
}

double busy_cpus_now(double window_s)
{
    const std::string before = read_text_file("/proc/stat");
    std::this_thread::sleep_for(std::chrono::duration<double>(window_s));
    return busy_cpus_between(before, read_text_file("/proc/stat"));
}

std::string utc_now_iso8601()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (!utc_time(now, utc))
        return "";
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}
