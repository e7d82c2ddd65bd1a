#include "machine/warnings.h"

#include "common/text.h"

#include <cmath>
#include <cstdio>

void print_warnings(const char* program, const std::vector<Warning>& warnings)
{
    for (const Warning& w : warnings)
        std::fprintf(stderr, "%s: warning (%s): %s\n", program, w.kind.c_str(), w.message.c_str());
}

std::vector<Warning> oversubscription_warning(int max_threads, int physical_cores)
{
    if (physical_cores <= 0 || max_threads <= physical_cores)
        return {};
    return {{"oversubscribed", "up to " + std::to_string(max_threads) + " threads on " +
                                   std::to_string(physical_cores) + " physical cores: points beyond " +
                                   std::to_string(physical_cores) +
                                   " threads measure time-sharing or SMT, not more "
                                   "cores"}};
}

std::vector<std::pair<int, int>> line_sharing_cells(const std::vector<std::pair<int, int>>& cells, int max_threads,
                                                    int line_bytes)
{
    std::vector<std::pair<int, int>> sharing;
    if (max_threads < 2 || line_bytes <= 0)
        return sharing;
    for (const auto& [n, b] : cells)
        if (b > 0 && b < n && static_cast<long long>(b) * static_cast<long long>(sizeof(float)) <= line_bytes)
            sharing.emplace_back(n, b);
    return sharing;
}

std::string cells_named(const std::vector<std::pair<int, int>>& cells)
{
    std::vector<std::string> names;
    names.reserve(cells.size());
    for (const auto& [n, b] : cells)
        names.push_back("n " + std::to_string(n) + " b " + std::to_string(b));
    return joined(names, ", ");
}

std::vector<Warning> shared_line_warning(const std::vector<std::pair<int, int>>& cells, int max_threads, int line_bytes)
{
    const std::string narrow = cells_named(line_sharing_cells(cells, max_threads, line_bytes));
    if (narrow.empty())
        return {};
    return {
        {"shared_lines",
         "a tile's row is no wider than the " + std::to_string(line_bytes) + "-byte cache line at " + narrow +
             ": neighbouring tiles go to different threads, and the lines of C a tile writes are written by "
             "another thread too (all of them where a row does not start on a line), so those speed-ups also "
             "measure how fast the CPUs pass lines to one another, which depends on where the host runs them; the "
             "probe times a line's round trip between the CPUs every round, and line_passing says when it changed"}};
}

std::vector<Warning> team_warning(const std::vector<std::pair<int, int>>& smaller_teams)
{
    if (smaller_teams.empty())
        return {};
    std::vector<std::string> pairs;
    pairs.reserve(smaller_teams.size());
    for (const auto& [requested, granted] : smaller_teams)
        pairs.push_back(std::to_string(granted) + " of " + std::to_string(requested));
    return {{"team_smaller", "the OpenMP runtime gave smaller teams than asked (" + joined(pairs, ", ") +
                                 " threads; see OMP_THREAD_LIMIT, OMP_DYNAMIC)"}};
}

std::vector<Warning> machine_warnings(const MachineInfo& machine, BindMode bind, double busy_cpus, double load_average,
                                      bool optimised_build)
{
    std::vector<Warning> warnings;
    if (bind == BindMode::none)
        warnings.push_back({"unpinned", "threads were not bound (--bind none): the system may move them between "
                                        "CPUs during a call"});
    if ((!machine.governor.empty() && machine.governor != "performance") || machine.boost == "on") {
        std::string what;
        if (!machine.governor.empty() && machine.governor != "performance")
            what = "the cpufreq governor is '" + machine.governor + "'";
        if (machine.boost == "on")
            what += std::string(what.empty() ? "" : " and ") + "boost is on";
        warnings.push_back({"frequency_scaling", what + ": the clock may change between configurations"});
    }
    const bool measured = std::isfinite(busy_cpus);
    const double load = measured ? busy_cpus : load_average;
    if (machine.logical_cpus > 0 && std::isfinite(load) && load > loaded_share * machine.logical_cpus) {
        char figure[32];
        std::snprintf(figure, sizeof(figure), "%.2f", load);
        warnings.push_back({"loaded", std::string(measured ? "other processes kept " : "load average ") + figure +
                                          (measured ? " CPUs busy" : "") + " at the start, on " +
                                          std::to_string(machine.logical_cpus) +
                                          " logical CPUs: other work competes for the cores"});
    }
    if (!optimised_build)
        warnings.push_back({"debug_build", "this build is not an optimised Release build: its times are not the "
                                           "kernels' own"});
    return warnings;
}

std::vector<Warning> migration_warning(const std::vector<int>& thread_counts_with_migration)
{
    if (thread_counts_with_migration.empty())
        return {};
    return {{"migrated", "threads changed logical CPU during the configurations with " +
                             joined(thread_counts_with_migration, ", ") + " threads"}};
}

std::vector<Warning> precision_warning(const std::vector<int>& thread_counts_short, const std::string& stop_reason)
{
    if (thread_counts_short.empty())
        return {};
    return {{"precision_not_reached", "the speed-up interval is wider than the precision asked for at " +
                                          joined(thread_counts_short, ", ") + " threads (" + stop_reason +
                                          " came first)"}};
}

std::vector<Warning> too_short_warning(bool baseline_short, const std::vector<int>& short_thread_counts, double below_s)
{
    if (!baseline_short && short_thread_counts.empty())
        return {};
    std::string which = baseline_short ? "the sequential kernel" : "";
    if (!short_thread_counts.empty())
        which += std::string(which.empty() ? "" : " and ") + "the parallel kernel on " +
                 joined(short_thread_counts, ", ") + " threads";
    char bound[32];
    std::snprintf(bound, sizeof(bound), "%.0f", below_s * 1e6);
    return {{"too_short", "the median call of " + which + " takes under " + bound +
                              " us, too short for a clock of whole microseconds to time: speed-ups from it are "
                              "never marked precise"}};
}

std::vector<Warning> invalid_result_warning(int invalid_calls)
{
    if (invalid_calls <= 0)
        return {};
    return {{"invalid_result", std::to_string(invalid_calls) +
                                   " calls left other bits than the sequential product; they are kept out of every "
                                   "figure"}};
}
