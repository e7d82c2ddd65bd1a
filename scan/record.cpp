#include "scan/record.h"

#include "scan/cells.h"
#include "scan/probe.h"

#include <algorithm>

namespace {

RecordParameters parameters_of(const ScanOptions& options)
{
    RecordParameters p;
    p.size = options.size;
    p.block = options.block;
    p.threads = options.threads;
    p.threads_text = options.threads_text;
    p.kernel = options.kernel;
    p.precision = options.precision;
    p.min_runs = options.min_runs;
    p.max_runs = options.max_runs;
    p.time_limit_s = options.time_limit_s;
    p.warmup = options.warmup;
    p.seed = options.seed;
    p.bind = bind_mode_name(options.bind);
    p.output = options.output;
    p.confidence = scan_confidence;
    p.timer = "steady clock, whole microseconds, kernel call alone";
    p.probe = probe_mode_name(options.probe);
    return p;
}

RecordMachine machine_of(const ScanContext& context)
{
    RecordMachine r;
    static_cast<MachineInfo&>(r) = context.machine;
    r.load_start = context.load_start;
    r.load_end = context.load_end;
    r.busy_cpus_at_start = context.busy_cpus_start;
    r.date = context.started_utc;
    return r;
}

RecordConfiguration configuration_of(const ConfigurationSummary& s, std::vector<std::vector<int>> placement)
{
    RecordConfiguration c;
    static_cast<TimeFigures&>(c) = s;
    c.kind = s.configuration.parallel ? "parallel" : "sequential";
    c.threads = s.configuration.threads;
    c.placement = std::move(placement);
    return c;
}

RecordSpeedup speedup_of(const SpeedupSummary& s)
{
    RecordSpeedup r;
    static_cast<SpeedupFigures&>(r) = s;
    return r;
}

// The clean figure's companions: the starved rounds' own figure and share, whether the figure
// measures the host, and where the clean rounds' level moved.
void add_host_figures(RecordSpeedup& r, const HostFigures& host, std::size_t index)
{
    const SpeedupSummary& starved = host.starved.speedups[index];
    r.starved_pairs = starved.pairs;
    r.starved_share = starved_share(host, index);
    r.starved_speedup = starved.speedup;
    r.starved_ci_low = starved.ci_low;
    r.starved_ci_high = starved.ci_high;
    const std::vector<std::size_t> measuring = speedups_measuring_host(host);
    r.measures_host = std::find(measuring.begin(), measuring.end(), index) != measuring.end();
    for (const RegimeChange& change : host.regime_changes)
        if (change.speedup == index)
            r.regime_change_round = change.round;
}

// Each completed round's baseline over each parallel configuration's time, the baseline its
// cell's own; NaN where either call is missing or invalid.
std::vector<std::vector<double>> round_speedups(const ScanRun& run)
{
    const std::size_t configurations = run.configurations.size();
    std::vector<std::vector<double>> seconds(static_cast<std::size_t>(run.rounds),
                                             std::vector<double>(configurations, no_value));
    for (const Sample& s : run.samples)
        if (s.valid && s.round >= 1 && s.round <= run.rounds && s.config < configurations)
            seconds[static_cast<std::size_t>(s.round - 1)][s.config] = s.seconds;
    const std::vector<CellSpan> cells = cell_spans(run.configurations);
    std::vector<std::vector<double>> speedups;
    for (const std::vector<double>& round : seconds) {
        std::vector<double> ratios;
        for (const CellSpan& cell : cells)
            for (std::size_t c = cell.first + 1; c < cell.first + cell.count; ++c)
                ratios.push_back(round[c] > 0.0 ? round[cell.first] / round[c] : no_value);
        speedups.push_back(ratios);
    }
    return speedups;
}

// Where a round of several cells had its probes, which cell each call timed, and the cells left
// out; nothing for a round of one cell, whose verdict is the round's.
void add_cells(RecordProbeRound& r, const ProbeRound& probe, const StarvationVerdict& verdict,
               const std::vector<CellSpan>& cells)
{
    if (cells.size() < 2)
        return;
    for (std::size_t after : probe.after_calls)
        r.after_calls.push_back(static_cast<int>(after));
    for (std::size_t cell : probe.call_cells)
        r.call_blocks.push_back(cell < cells.size() ? cells[cell].block : 0);
    r.call_waited = probe.call_waited;
    for (std::size_t cell = 0; cell < cells.size(); ++cell)
        if (r.starved && call_starved(verdict, probe.round, cell))
            r.starved_blocks.push_back(cells[cell].block);
}

} // namespace

RecordProbe probe_record(const ScanRun& run)
{
    const StarvationRule rule;
    const StarvationVerdict& verdict = run.host.starvation;
    RecordProbe p;
    p.order = probe_order;
    p.calls = probe_calls;
    p.rule = "a round is starved when a CPU's second-lowest probe in it (its only one, if it has one) is below "
             "(1 - threshold) x healthy_gflops, threshold = min(ceiling, max(floor, noise_multiple x noise)), "
             "healthy_gflops the highest of the CPUs' median probes within 15 % below their upper quartile; or when "
             "waited, the largest share of one of its calls that a thread spent waiting for its CPU, is above "
             "wait_limit";
    const std::vector<CellSpan> cells = cell_spans(run.configurations);
    if (cells.size() > 1)
        p.rule += "; in a round of several cells, each cell is judged by the probes beside its calls (the last "
                  "before and the first after each, as after_calls and call_blocks place them), and the calls of "
                  "starved_blocks are left out: the cells beside whose calls a CPU fell, and those with a call whose "
                  "call_waited is above wait_limit";
    p.floor = rule.floor;
    p.noise_multiple = rule.noise_multiple;
    p.ceiling = rule.ceiling;
    p.wait_limit = rule.wait_limit;
    p.healthy_gflops = verdict.healthy_gflops;
    p.noise = verdict.noise;
    p.threshold = verdict.threshold;
    p.seconds = run.probe_s;
    const std::vector<std::vector<double>> speedups = round_speedups(run);
    std::size_t judged = 0; // verdict.relative holds the completed rounds, in order
    for (const ProbeRound& probe : run.probes) {
        if (probe.round < 1 || probe.round > run.rounds)
            continue;
        RecordProbeRound r;
        r.round = probe.round;
        r.end_s = probe.end_s;
        r.cpus = probe.cpus;
        r.gflops = probe.gflops;
        r.relative = judged < verdict.relative.size() ? verdict.relative[judged++] : std::vector<double>();
        r.starved = verdict.starved_rounds.count(probe.round) != 0;
        r.speedups = speedups[static_cast<std::size_t>(probe.round - 1)];
        r.waited = probe.waited;
        r.line_ns = probe.line_ns;
        add_cells(r, probe, verdict, cells);
        p.rounds.push_back(r);
    }
    return p;
}

ScanRecord scan_record(const ScanOptions& options, const ScanRun& run, const ScanContext& context)
{
    ScanRecord record;
    record.parameters = parameters_of(options);
    record.machine = machine_of(context);
    record.build = context.build;
    record.environment = context.environment;
    for (std::size_t c = 0; c < run.summary.configurations.size(); ++c)
        record.configurations.push_back(
            configuration_of(run.summary.configurations[c],
                             c < run.placement.size() ? run.placement[c] : std::vector<std::vector<int>>()));
    for (std::size_t i = 0; i < run.summary.speedups.size(); ++i) {
        record.speedups.push_back(speedup_of(run.summary.speedups[i]));
        if (i < run.host.starved.speedups.size())
            add_host_figures(record.speedups.back(), run.host, i);
    }
    record.probe = probe_record(run);
    record.warnings = context.warnings;
    record.rounds = run.rounds;
    record.samples = static_cast<long long>(run.samples.size());
    record.invalid_samples = invalid_samples(run.samples);
    record.elapsed_s = run.elapsed_s;
    record.timed_s = 0.0;
    for (const Sample& s : run.samples)
        record.timed_s += s.seconds;
    record.stop_reason = stop_reason_name(run.stop);
    record.interrupted = run.stop == StopReason::interrupted;
    return record;
}
