// The warnings that undermine a figure, each decided from facts gathered elsewhere, so that a
// rule can be tried on any machine's facts. Each kind is raised at most once per scan.
#pragma once

#include "machine/binding.h"
#include "machine/topology.h"

#include <string>
#include <vector>

struct Warning {
    std::string kind; // oversubscribed, team_smaller, unpinned, migrated, frequency_scaling, loaded, debug_build, ...
    std::string message;
};

// Each warning as one line on standard error, "PROGRAM: warning (KIND): MESSAGE", the form every
// program and the record's readers share.
void print_warnings(const char* program, const std::vector<Warning>& warnings);

// Other work above this share of the logical CPUs at the start competes for the cores being
// measured: on two CPUs, half a CPU kept busy by someone else.
constexpr double loaded_share = 0.25;

// More threads than physical cores: the point measures time-sharing or SMT, not more cores.
// Empty when threads fit (or when the core count is unknown).
std::vector<Warning> oversubscription_warning(int max_threads, int physical_cores);

// Of the cells (size, edge) of a kernel that deals neighbouring column tiles to different
// threads, those where a tile's row is no wider than a cache line. Rows of C are allocated one
// by one and start wherever the allocator puts them, seldom on a line, so such a row's lines
// are written by the neighbouring tiles' threads too (every one of them, unless the row starts
// on a line and the tile is a whole line), and a call's time depends on how fast the CPUs pass
// lines between them, which the host's placement of them decides: at the slower placement,
// edge 8's 2-thread calls here took 2.7 times as long, edge 16's 1.7 times, 32's 1.15, 64's
// 1.08. A cell of one tile has no neighbour. Empty when no thread count is above 1 or the line
// is unknown.
std::vector<std::pair<int, int>> line_sharing_cells(const std::vector<std::pair<int, int>>& cells, int max_threads,
                                                    int line_bytes);

// "n 1024 b 8, n 512 b 8": cells as the warnings name them.
std::string cells_named(const std::vector<std::pair<int, int>>& cells);

// A warning naming the line_sharing_cells of cells, when there are any.
std::vector<Warning> shared_line_warning(const std::vector<std::pair<int, int>>& cells, int max_threads,
                                         int line_bytes);

// The runtime granted a smaller team than requested, for each (requested, granted) pair given.
std::vector<Warning> team_warning(const std::vector<std::pair<int, int>>& smaller_teams);

// What the machine and the build say: unpinned threads, a scaling clock, a loaded machine,
// a build that is not optimised. Load is judged on busy_cpus (other processes' work measured
// at the start) and, where that is not known, on the one-minute load average, which also
// still holds whatever ran just before.
std::vector<Warning> machine_warnings(const MachineInfo& machine, BindMode bind, double busy_cpus, double load_average,
                                      bool optimised_build);

// Threads that ran on more than one logical CPU within a configuration: one warning naming
// the thread counts where it happened.
std::vector<Warning> migration_warning(const std::vector<int>& thread_counts_with_migration);

// Thread counts whose speed-up interval stayed wider than the precision asked for, before
// stop_reason ended the scan.
std::vector<Warning> precision_warning(const std::vector<int>& thread_counts_short, const std::string& stop_reason);

// Configurations whose median call is shorter than the clock times well (below_s): the
// baseline when baseline_short, and the parallel kernel on each of the thread counts given.
std::vector<Warning> too_short_warning(bool baseline_short, const std::vector<int>& short_thread_counts,
                                       double below_s);

// Calls that left other bits than the sequential product.
std::vector<Warning> invalid_result_warning(int invalid_calls);
