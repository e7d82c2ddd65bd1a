#include "scan/runner.h"

#include "common/owned_matrix.h"
#include "common/timing.h"
#include "machine/binding.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>
#include <set>
#include <sstream>

namespace {

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool same_bits(const OwnedMatrix& a, const OwnedMatrix& b)
{
    for (std::size_t i = 0; i < a.rows.size(); ++i)
        if (std::memcmp(a.rows[i].data(), b.rows[i].data(), a.rows[i].size() * sizeof(float)) != 0)
            return false;
    return true;
}

// The team a call got, from the line its kernel printed; 1 for a sequential kernel.
int team_from_line(const std::string& printed)
{
    const std::string prefix = "Number of threads: ";
    const std::size_t at = printed.rfind(prefix);
    return at == std::string::npos ? 1 : std::atoi(printed.c_str() + at + prefix.size());
}

// Everything one scan holds while it runs.
struct Bench {
    const ScanOptions& options;
    const KernelVariant& sequential;
    const KernelVariant& parallel;
    const Topology& topology;
    std::vector<int> binding;
    Operands operands;
    OwnedMatrix reference;
    Matrix A, B, C;
};

// Binds and locates the threads that will run the configuration; untimed.
std::vector<int> place(Bench& bench, const Configuration& configuration)
{
    if (!configuration.parallel)
        return {place_calling_thread(bench.topology, bench.binding.empty() ? -1 : bench.binding.front())};
    return place_team(bench.topology, configuration.threads, bench.binding);
}

std::vector<int> locate(Bench& bench, const Configuration& configuration)
{
    if (!configuration.parallel)
        return {place_calling_thread(bench.topology, -1)};
    return team_cpus(bench.topology, configuration.threads);
}

// One call of the configuration's kernel on C = 0: (seconds, team). The kernel's team line
// goes to a string rather than the console, and is read only after the clock has stopped.
std::pair<double, int> timed_call(Bench& bench, const Configuration& configuration)
{
    clear_matrix(bench.operands.C);
    const KernelVariant& kernel = configuration.parallel ? bench.parallel : bench.sequential;
    const int n = bench.options.size, b = bench.options.block, t = configuration.threads;
    std::ostringstream team_line;
    std::streambuf* console = std::cout.rdbuf(team_line.rdbuf());
    const std::int64_t microseconds = measure_microseconds([&] { kernel.run(bench.A, bench.B, bench.C, n, b, t); });
    std::cout.rdbuf(console);
    // In double, unlike the benchmark's float: a scan keeps every microsecond of long calls.
    return {static_cast<double>(microseconds) / 1e6, team_from_line(team_line.str())};
}

void record_cpus(std::vector<std::vector<int>>& placement, const std::vector<int>& cpus)
{
    if (placement.size() < cpus.size())
        placement.resize(cpus.size());
    for (std::size_t thread = 0; thread < cpus.size(); ++thread) {
        auto& seen = placement[thread];
        if (cpus[thread] >= 0 && std::find(seen.begin(), seen.end(), cpus[thread]) == seen.end())
            seen.push_back(cpus[thread]);
    }
}

std::vector<int> short_of_precision(const ScanSummary& summary)
{
    std::vector<int> counts;
    for (const SpeedupSummary& s : summary.speedups)
        if (!s.precision_reached)
            counts.push_back(s.threads);
    return counts;
}

} // namespace

ScanRun run_scan(const ScanOptions& options, const KernelVariant& sequential, const KernelVariant& parallel,
                 const Topology& topology, const ScanHooks& hooks)
{
    const auto start = std::chrono::steady_clock::now();
    ScanRun run;
    run.configurations = plan_configurations(options.threads);
    run.placement.resize(run.configurations.size());

    Bench bench{options, sequential, parallel, topology, {}, program_operands(options.size), zero_matrix(options.size),
                nullptr, nullptr,    nullptr};
    if (options.bind != BindMode::none)
        bench.binding = binding_order(read_machine(topology).cores, options.bind);
    bench.A = view(bench.operands.A);
    bench.B = view(bench.operands.B);
    bench.C = view(bench.operands.C);
    sequential.run(bench.A, bench.B, view(bench.reference), options.size, options.block, 1);

    const SummaryInputs inputs{options.size, options.block, options.tiled, options.precision, options.seed, 2000};
    const auto stop_requested = [&hooks] { return hooks.stop_requested && hooks.stop_requested(); };

    // Warm-up: thread creation, page faults and cold caches are paid here, untimed.
    for (const Configuration& configuration : run.configurations)
        for (int w = 0; w < options.warmup && !stop_requested(); ++w) {
            place(bench, configuration);
            timed_call(bench, configuration);
        }

    std::mt19937_64 order_generator(options.seed);
    std::set<int> reported_teams;
    StopState state;
    const StopLimits limits{options.min_runs, options.max_runs, options.time_limit_s};
    std::vector<int> short_counts;
    for (int round = 1; run.stop == StopReason::none; ++round) {
        const double round_start = seconds_since(start);
        for (std::size_t c : round_order(run.configurations.size(), order_generator)) {
            if (stop_requested())
                break;
            const Configuration& configuration = run.configurations[c];
            record_cpus(run.placement[c], place(bench, configuration));
            const auto [seconds, team] = timed_call(bench, configuration);
            record_cpus(run.placement[c], locate(bench, configuration));
            const Sample sample{round, c, team, seconds, same_bits(bench.operands.C, bench.reference)};
            if (team < configuration.threads && reported_teams.insert(configuration.threads).second)
                run.smaller_teams.emplace_back(configuration.threads, team);
            run.samples.push_back(sample);
            if (hooks.on_sample)
                hooks.on_sample(sample, configuration);
            if (hooks.on_progress)
                hooks.on_progress({round, seconds_since(start), round > 1, short_counts});
        }
        state.interrupted = stop_requested();
        if (!state.interrupted)
            state.rounds_done = round;
        run.summary = summarise_scan(run.configurations, run.samples, inputs);
        short_counts = short_of_precision(run.summary);
        state.all_precise = all_precise(run.summary);
        state.elapsed_s = seconds_since(start);
        state.last_round_s = state.elapsed_s - round_start;
        run.stop = stop_reason(state, limits);
    }
    run.rounds = state.rounds_done;
    run.elapsed_s = seconds_since(start);
    return run;
}

bool placement_migrated(const std::vector<std::vector<int>>& placement)
{
    for (const auto& cpus : placement)
        if (cpus.size() > 1)
            return true;
    return false;
}
