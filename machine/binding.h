// Where the threads of a team run. Binding is done from inside the team with hwloc, so it holds
// whatever the OpenMP environment says; where each thread actually was is read back the same way.
#pragma once

#include "machine/topology.h"

#include <functional>
#include <string>
#include <vector>

enum class BindMode {
    none,    // wherever the system puts them
    cores,   // thread i on physical core i, one thread per core while cores last, then SMT siblings
    threads, // thread i on logical CPU i
};

// "none", "cores", "threads"; false for anything else.
bool parse_bind_mode(const std::string& text, BindMode& mode);
const char* bind_mode_name(BindMode mode);
std::vector<std::string> bind_mode_names(); // every mode's, in the order above

// The logical CPU (operating-system number) for each thread index of a team, given each
// physical core's logical CPUs: for cores, the first CPU of every core, then the second of
// every core, and so on; for threads, all CPUs in order. Longer teams wrap around. Empty for
// none, or when no core is known.
std::vector<int> binding_order(const std::vector<std::vector<int>>& cores, BindMode mode);

// Opens a team of `threads` threads outside any timed span; each thread binds itself to
// order[i mod size] (no binding when order is empty) and the logical CPU each one is on is
// returned, indexed by thread number, -1 where it cannot be read. The result's size is the
// team the runtime granted.
std::vector<int> place_team(const Topology& topology, int threads, const std::vector<int>& order);

// The same team opened again without binding: where each thread is now.
std::vector<int> team_cpus(const Topology& topology, int threads);

// Binds the calling thread alone to cpu (no binding for -1); its logical CPU afterwards.
int place_calling_thread(const Topology& topology, int cpu);

// Runs work on the calling thread bound to cpu alone, then gives the thread back the binding it
// had; work runs unbound when the binding cannot be made or read.
void run_on_cpu(const Topology& topology, int cpu, const std::function<void()>& work);

// Opens a team of cpus.size() threads, thread i bound to cpus[i]; once all are bound they run
// work(i) at the same time, and each thread gets its own binding back.
void run_on_cpus_together(const Topology& topology, const std::vector<int>& cpus,
                          const std::function<void(std::size_t)>& work);
