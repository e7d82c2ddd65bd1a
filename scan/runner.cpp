#include "scan/runner.h"

#include "common/owned_matrix.h"
#include "common/timing.h"
#include "machine/binding.h"
#include "machine/waiting.h"
#include "scan/cells.h"
#include "scan/line_passing.h"
#include "scan/line_probe.h"
#include "scan/probe.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <set>

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

// Everything one scan holds while it runs.
struct Bench {
    const ScanOptions& options;
    const KernelFamily& family;
    const Topology& topology;
    std::vector<int> binding;
    Operands operands;
    std::vector<std::pair<int, OwnedMatrix>> references; // per tile edge: the sequential product
    Matrix A, B, C;
    std::vector<int> probe_cpus; // every CPU the teams use
    ProbeBench probe;
    std::vector<std::size_t> cells; // per configuration, its cell's number
};

const OwnedMatrix& reference_for(const Bench& bench, int block)
{
    for (const auto& [edge, product] : bench.references)
        if (edge == block)
            return product;
    return bench.references.front().second;
}

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

// One call of the configuration's kernel on C = 0: (seconds, team). The parallel kernel tells
// its team to a variable rather than the console; it is read once the clock has stopped.
std::pair<double, int> timed_call(Bench& bench, const Configuration& configuration)
{
    clear_matrix(bench.operands.C);
    const int n = bench.options.size, b = configuration.block, t = configuration.threads;
    int team = 1;
    const TeamObserver observer = team_keeper(team);
    const KernelFamily& family = bench.family;
    const std::int64_t microseconds =
        configuration.parallel
            ? measure_microseconds([&] { family.parallel(bench.A, bench.B, bench.C, n, b, t, observer); })
            : measure_microseconds([&] { family.sequential(bench.A, bench.B, bench.C, n, b); });
    // In double, unlike the benchmark's float: a scan keeps every microsecond of long calls.
    return {static_cast<double>(microseconds) / 1e6, team};
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

// The same, naming each configuration, so that a plan of several cells can say which.
std::vector<Configuration> short_configurations(const ScanSummary& summary)
{
    std::vector<Configuration> short_ones;
    std::size_t s = 0;
    for (const ConfigurationSummary& c : summary.configurations)
        if (c.configuration.parallel && s < summary.speedups.size() && !summary.speedups[s++].precision_reached)
            short_ones.push_back(c.configuration);
    return short_ones;
}

// What the rounds carry from one to the next.
struct Rounds {
    std::chrono::steady_clock::time_point start;
    std::mt19937_64 order_generator;
    std::set<int> reported_teams; // requests already found short, said once each
    StopState state;
    std::vector<int> short_counts;
    std::vector<Configuration> short_configurations;
};

Bench prepare_bench(const ScanOptions& options, const std::vector<Configuration>& plan, const KernelFamily& family,
                    const Topology& topology, const MachineInfo& machine)
{
    Bench bench{options, family, topology,          {}, program_operands(options.size), {}, nullptr, nullptr, nullptr,
                {},      {},     cell_numbers(plan)};
    const std::vector<std::vector<int>> cores = allowed_cores(machine);
    if (options.bind != BindMode::none)
        bench.binding = binding_order(cores, options.bind);
    if (options.probe != ProbeMode::none)
        bench.probe_cpus =
            probe_cpus(options.bind != BindMode::none ? bench.binding : binding_order(cores, BindMode::cores),
                       options.threads.back());
    bench.probe = prepare_probe(family, options.block, bench.probe_cpus.size());
    bench.A = view(bench.operands.A);
    bench.B = view(bench.operands.B);
    bench.C = view(bench.operands.C);
    // The tiled kernels sum each tile's products before adding them to C, so every edge leaves
    // its own bits and needs its own reference.
    for (const CellSpan& cell : cell_spans(plan)) {
        bench.references.emplace_back(cell.block, zero_matrix(options.size));
        family.sequential(bench.A, bench.B, view(bench.references.back().second), options.size, cell.block);
    }
    return bench;
}

// Thread creation, page faults and cold caches are paid here, untimed.
void warm_up(Bench& bench, const std::vector<Configuration>& configurations, const std::function<bool()>& stopped)
{
    for (const Configuration& configuration : configurations)
        for (int w = 0; w < bench.options.warmup && !stopped(); ++w) {
            place(bench, configuration);
            timed_call(bench, configuration);
        }
}

// Whether a thread's wait for its CPU during this configuration's calls says something about
// other work: its team is bound one thread to a CPU, so no thread of it waits behind another.
// Unbound teams may share a CPU for a while by the system's own choice, and larger teams than
// CPUs always do.
bool waits_judged(const Bench& bench, const Configuration& configuration)
{
    return bench.options.probe != ProbeMode::none && !bench.binding.empty() &&
           static_cast<std::size_t>(configuration.threads) <= bench.binding.size();
}

// One configuration's timed call with its placement, validation and report.
void measure_once(Bench& bench, ScanRun& run, Rounds& rounds, int round, std::size_t c, const ScanHooks& hooks)
{
    const Configuration& configuration = run.configurations[c];
    record_cpus(run.placement[c], place(bench, configuration));
    const bool judged = waits_judged(bench, configuration);
    const std::map<long, double> waits_before = judged ? thread_wait_seconds() : std::map<long, double>();
    const auto [seconds, team] = timed_call(bench, configuration);
    double waited = std::numeric_limits<double>::quiet_NaN();
    if (judged && seconds > 0.0)
        waited = longest_new_wait(waits_before, thread_wait_seconds()) / seconds;
    ProbeRound& probes = run.probes.back();
    probes.call_waited.push_back(waited);
    if (std::isfinite(waited) && !(waited <= probes.waited))
        probes.waited = waited;
    record_cpus(run.placement[c], locate(bench, configuration));
    const Sample sample{round, c, team, seconds,
                        same_bits(bench.operands.C, reference_for(bench, configuration.block))};
    if (team < configuration.threads && rounds.reported_teams.insert(configuration.threads).second)
        run.smaller_teams.emplace_back(configuration.threads, team);
    run.samples.push_back(sample);
    if (hooks.on_sample)
        hooks.on_sample(sample, configuration);
    if (hooks.on_progress)
        hooks.on_progress({round, seconds_since(rounds.start), round > 1, rounds.short_counts, configuration,
                           rounds.short_configurations});
}

// Each probed CPU's rate now, and a line's round trip from the first of them to each other;
// untimed, between two timed calls.
void probe_now(Bench& bench, ScanRun& run, ProbeRound& probes)
{
    const auto start = std::chrono::steady_clock::now();
    probes.gflops.push_back(probe_rates(bench.probe, bench.topology, bench.probe_cpus, bench.options.probe));
    if (bench.probe_cpus.size() > 1) {
        std::vector<double> trips;
        for (std::size_t other = 1; other < bench.probe_cpus.size(); ++other)
            trips.push_back(line_round_trip_ns(bench.topology, bench.probe_cpus.front(), bench.probe_cpus[other]));
        probes.line_ns.push_back(trips);
    }
    run.probe_s += seconds_since(start);
}

// One round: every configuration once in the round's order, the probe right before and right
// after each parallel one.
void run_round(Bench& bench, ScanRun& run, Rounds& rounds, int round, const ScanHooks& hooks,
               const std::function<bool()>& stop_requested)
{
    const std::vector<std::size_t> order = round_order(run.configurations.size(), rounds.order_generator);
    const std::vector<bool> points = probe_points(run.configurations, order);
    run.probes.push_back({round, bench.probe_cpus, {}, std::numeric_limits<double>::quiet_NaN()});
    ProbeRound& probes = run.probes.back();
    for (std::size_t k = 0; k <= order.size() && !stop_requested(); ++k) {
        if (points[k] && !bench.probe_cpus.empty()) {
            probe_now(bench, run, probes);
            probes.after_calls.push_back(k);
        }
        if (k < order.size()) {
            measure_once(bench, run, rounds, round, order[k], hooks);
            probes.call_cells.push_back(bench.cells[order[k]]);
        }
    }
    probes.end_s = seconds_since(rounds.start);
}

// After a round: the figures so far, and whether the stop rule says enough.
void close_round(ScanRun& run, Rounds& rounds, int round, double round_start, bool interrupted,
                 const SummaryInputs& inputs, const StopLimits& limits)
{
    rounds.state.interrupted = interrupted;
    if (!interrupted)
        rounds.state.rounds_done = round;
    run.host =
        host_figures(run.configurations, run.samples, run.probes, rounds.state.rounds_done, inputs, StarvationRule{});
    run.summary = run.host.clean;
    rounds.short_counts = short_of_precision(run.summary);
    rounds.short_configurations = short_configurations(run.summary);
    rounds.state.all_precise = all_precise(run.summary);
    rounds.state.elapsed_s = seconds_since(rounds.start);
    rounds.state.last_round_s = rounds.state.elapsed_s - round_start;
    run.stop = stop_reason(rounds.state, limits);
}

} // namespace

ScanRun run_scan(const ScanOptions& options, const KernelFamily& family, const Topology& topology,
                 const MachineInfo& machine, const ScanHooks& hooks)
{
    return run_plan(options, plan_cells(options.size, {options.block}, options.threads), family, topology, machine,
                    hooks);
}

ScanRun run_plan(const ScanOptions& options, const std::vector<Configuration>& plan, const KernelFamily& family,
                 const Topology& topology, const MachineInfo& machine, const ScanHooks& hooks)
{
    Rounds rounds{std::chrono::steady_clock::now(), std::mt19937_64(options.seed), {}, {}, {}, {}};
    ScanRun run;
    run.configurations = plan;
    run.placement.resize(run.configurations.size());
    Bench bench = prepare_bench(options, plan, family, topology, machine);
    const SummaryInputs inputs{options.size,      options.block, family.schedule_bound,
                               options.precision, options.seed,  2000};
    const StopLimits limits{options.min_runs, options.max_runs, options.time_limit_s};
    const std::function<bool()> stop_requested = [&hooks] { return hooks.stop_requested && hooks.stop_requested(); };

    warm_up(bench, run.configurations, stop_requested);
    for (int round = 1; run.stop == StopReason::none; ++round) {
        const double round_start = seconds_since(rounds.start);
        run_round(bench, run, rounds, round, hooks, stop_requested);
        close_round(run, rounds, round, round_start, stop_requested(), inputs, limits);
    }
    run.rounds = rounds.state.rounds_done;
    run.elapsed_s = seconds_since(rounds.start);
    return run;
}

bool placement_migrated(const std::vector<std::vector<int>>& placement)
{
    for (const auto& cpus : placement)
        if (cpus.size() > 1)
            return true;
    return false;
}

std::vector<Warning> host_warnings(const ScanRun& run, const std::vector<std::pair<int, int>>& sharing_cells)
{
    std::vector<ProbeRound> completed;
    for (const ProbeRound& probe : run.probes)
        if (probe.round <= run.rounds)
            completed.push_back(probe);
    std::vector<Warning> warnings =
        starvation_warning(completed, run.host.starvation, run.rounds,
                           speedups_named(run.configurations, speedups_measuring_host(run.host)));
    for (const Warning& w : regime_warning(run.configurations, run.host.regime_changes))
        warnings.push_back(w);
    // The line's trip is judged beside the calls of this run's cells that share their lines, and
    // beside every cell's where only the speed-ups say that it mattered.
    std::vector<std::size_t> sharing, every;
    std::vector<std::pair<int, int>> named;
    const std::vector<CellSpan> spans = cell_spans(run.configurations);
    for (std::size_t cell = 0; cell < spans.size(); ++cell) {
        const std::pair<int, int> size_edge{spans[cell].size, spans[cell].block};
        every.push_back(cell);
        if (std::find(sharing_cells.begin(), sharing_cells.end(), size_edge) != sharing_cells.end()) {
            sharing.push_back(cell);
            named.push_back(size_edge);
        }
    }
    const std::vector<LineFollowing> following = line_following(
        run.configurations, judged_samples(run.configurations, run.samples, run.host.starvation, run.rounds, false),
        completed);
    std::vector<LinePassing> passing = judge_line_passing(completed, sharing);
    if (std::none_of(passing.begin(), passing.end(), [](const LinePassing& p) { return !p.slow_rounds.empty(); })) {
        // Nothing to say of the sharing cells: the trips, if a speed-up followed them, as every cell met them.
        passing = judge_line_passing(completed, every);
        named.clear();
    }
    for (const Warning& w : line_passing_warning(passing, named, following))
        warnings.push_back(w);
    return warnings;
}
