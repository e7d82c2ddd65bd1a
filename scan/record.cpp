#include "scan/record.h"

#include "common/platform_files.h"

#include <cerrno>
#include <cstdio>

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
    return p;
}

RecordMachine machine_of(const ScanContext& context)
{
    const MachineInfo& m = context.machine;
    RecordMachine r;
    r.cpu_model = m.cpu_model;
    r.packages = m.packages;
    r.physical_cores = m.physical_cores;
    r.logical_cpus = m.logical_cpus;
    r.allowed_cpus = m.allowed_cpus;
    r.smt = m.smt;
    r.numa_nodes = m.numa_nodes;
    r.caches = m.caches;
    r.os = m.os;
    r.hostname = m.hostname;
    r.governor = m.governor;
    r.boost = m.boost;
    r.load_start = context.load_start;
    r.load_end = context.load_end;
    r.busy_cpus_at_start = context.busy_cpus_start;
    r.date = context.started_utc;
    return r;
}

RecordConfiguration configuration_of(const ConfigurationSummary& s, std::vector<std::vector<int>> placement)
{
    RecordConfiguration c;
    c.kind = s.configuration.parallel ? "parallel" : "sequential";
    c.threads = s.configuration.threads;
    c.teams = s.teams;
    c.runs = s.runs;
    c.median_s = s.median_s;
    c.ci_low_s = s.ci_low_s;
    c.ci_high_s = s.ci_high_s;
    c.ci_coverage = s.coverage;
    c.min_s = s.min_s;
    c.max_s = s.max_s;
    c.gflops = s.gflops;
    c.placement = std::move(placement);
    return c;
}

RecordSpeedup speedup_of(const SpeedupSummary& s)
{
    RecordSpeedup r;
    r.threads = s.threads;
    r.pairs = s.pairs;
    r.speedup = s.speedup;
    r.ci_low = s.ci_low;
    r.ci_high = s.ci_high;
    r.efficiency = s.efficiency;
    r.efficiency_ci_low = s.efficiency_ci_low;
    r.efficiency_ci_high = s.efficiency_ci_high;
    r.karp_flatt = s.karp_flatt;
    r.schedule_bound = s.schedule_bound;
    r.differs_from_previous = s.differs_from_previous;
    r.precision_reached = s.precision_reached;
    return r;
}

} // namespace

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
    for (const SpeedupSummary& s : run.summary.speedups)
        record.speedups.push_back(speedup_of(s));
    record.warnings = context.warnings;
    record.rounds = run.rounds;
    record.samples = static_cast<long long>(run.samples.size());
    record.invalid_samples = invalid_samples(run.samples);
    record.elapsed_s = run.elapsed_s;
    record.stop_reason = stop_reason_name(run.stop);
    record.interrupted = run.stop == StopReason::interrupted;
    return record;
}

bool write_file_atomically(const std::string& path, const std::string& text)
{
    std::string temporary;
    std::FILE* file = create_new_unique_file(path + ".tmp.", temporary);
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int write_error = errno;
    if (std::fclose(file) != 0 || !written) {
        const int error = written ? errno : write_error;
        std::remove(temporary.c_str());
        errno = error;
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(temporary.c_str());
        errno = error;
        return false;
    }
    return true;
}
