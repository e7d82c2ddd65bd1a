#include "machine/binding.h"

#include <hwloc.h>
#include <omp.h>

#include <algorithm>

namespace {

// Binds the calling thread to cpu (unless -1) and reads where it is; -1 when unknown.
int bind_and_locate(hwloc_topology_t topology, int cpu)
{
    if (!topology)
        return -1;
    hwloc_bitmap_t set = hwloc_bitmap_alloc();
    if (!set)
        return -1;
    if (cpu >= 0) {
        hwloc_bitmap_only(set, static_cast<unsigned>(cpu));
        hwloc_set_cpubind(topology, set, HWLOC_CPUBIND_THREAD);
    }
    int where = -1;
    if (hwloc_get_last_cpu_location(topology, set, HWLOC_CPUBIND_THREAD) == 0)
        where = hwloc_bitmap_first(set);
    hwloc_bitmap_free(set);
    return where;
}

std::vector<int> run_team(hwloc_topology_t topology, int threads, const std::vector<int>& order)
{
    std::vector<int> cpus(static_cast<std::size_t>(threads > 0 ? threads : 1), -1);
    int granted = 1;
#pragma omp parallel num_threads(threads)
    {
        const int me = omp_get_thread_num();
        if (me == 0)
            granted = omp_get_num_threads();
        const int target = order.empty() ? -1 : order[static_cast<std::size_t>(me) % order.size()];
        if (me < static_cast<int>(cpus.size()))
            cpus[static_cast<std::size_t>(me)] = bind_and_locate(topology, target);
    }
    cpus.resize(static_cast<std::size_t>(granted));
    return cpus;
}

} // namespace

namespace {

constexpr BindMode bind_modes[] = {BindMode::none, BindMode::cores, BindMode::threads};

} // namespace

bool parse_bind_mode(const std::string& text, BindMode& mode)
{
    for (BindMode candidate : bind_modes)
        if (text == bind_mode_name(candidate)) {
            mode = candidate;
            return true;
        }
    return false;
}

std::vector<std::string> bind_mode_names()
{
    std::vector<std::string> names;
    for (BindMode mode : bind_modes)
        names.emplace_back(bind_mode_name(mode));
    return names;
}

const char* bind_mode_name(BindMode mode)
{
    switch (mode) {
    case BindMode::none:
        return "none";
    case BindMode::cores:
        return "cores";
    case BindMode::threads:
        return "threads";
    }
    return "none";
}

std::vector<int> binding_order(const std::vector<std::vector<int>>& cores, BindMode mode)
{
    std::vector<int> order;
    if (mode == BindMode::none)
        return order;
    if (mode == BindMode::threads) {
        for (const auto& core : cores)
            order.insert(order.end(), core.begin(), core.end());
        std::sort(order.begin(), order.end());
        return order;
    }
    for (std::size_t sibling = 0;; ++sibling) {
        bool any = false;
        for (const auto& core : cores)
            if (sibling < core.size()) {
                order.push_back(core[sibling]);
                any = true;
            }
        if (!any)
            return order;
    }
}

std::vector<int> place_team(const Topology& topology, int threads, const std::vector<int>& order)
{
    return run_team(topology.get(), threads, order);
}

std::vector<int> team_cpus(const Topology& topology, int threads)
{
    return run_team(topology.get(), threads, {});
}

int place_calling_thread(const Topology& topology, int cpu)
{
    return bind_and_locate(topology.get(), cpu);
}

namespace {

// The calling thread's binding, to be given back with restore_binding; null when unknown.
hwloc_bitmap_t save_binding(hwloc_topology_t topology)
{
    hwloc_bitmap_t saved = topology ? hwloc_bitmap_alloc() : nullptr;
    if (saved && hwloc_get_cpubind(topology, saved, HWLOC_CPUBIND_THREAD) != 0) {
        hwloc_bitmap_free(saved);
        saved = nullptr;
    }
    return saved;
}

void restore_binding(hwloc_topology_t topology, hwloc_bitmap_t saved)
{
    if (!saved)
        return;
    hwloc_set_cpubind(topology, saved, HWLOC_CPUBIND_THREAD);
    hwloc_bitmap_free(saved);
}

} // namespace

void run_on_cpu(const Topology& topology, int cpu, const std::function<void()>& work)
{
    hwloc_bitmap_t saved = save_binding(topology.get());
    bind_and_locate(topology.get(), cpu);
    work();
    restore_binding(topology.get(), saved);
}

void run_on_cpus_together(const Topology& topology, const std::vector<int>& cpus,
                          const std::function<void(std::size_t)>& work)
{
    const int threads = static_cast<int>(cpus.size());
    if (threads < 1)
        return;
#pragma omp parallel num_threads(threads)
    {
        const auto me = static_cast<std::size_t>(omp_get_thread_num());
        hwloc_bitmap_t saved = save_binding(topology.get());
        if (me < cpus.size())
            bind_and_locate(topology.get(), cpus[me]);
#pragma omp barrier
        if (me < cpus.size())
            work(me);
        restore_binding(topology.get(), saved);
    }
}
