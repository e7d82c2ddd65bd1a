#include "scan/record.h"

#include "common/platform.h"

#include <cerrno>
#include <cmath>
#include <cstdio>

namespace {

// JSON has no NaN or infinity: a figure that is not a number is written as null.
nlohmann::ordered_json figure(double value)
{
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json machine_record(const ScanContext& context)
{
    const MachineInfo& m = context.machine;
    nlohmann::ordered_json caches = nlohmann::ordered_json::array();
    for (const CacheInfo& cache : m.caches)
        caches.push_back({{"level", cache.level},
                          {"size_bytes", cache.size_bytes},
                          {"shared_by", cache.shared_by},
                          {"count", cache.count}});
    const auto or_null = [](const std::string& text) {
        return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
    };
    return {{"cpu_model", or_null(m.cpu_model)},
            {"packages", m.packages},
            {"physical_cores", m.physical_cores},
            {"logical_cpus", m.logical_cpus},
            {"smt", m.smt},
            {"numa_nodes", m.numa_nodes},
            {"caches", caches},
            {"os", or_null(m.os)},
            {"hostname", or_null(m.hostname)},
            {"governor", or_null(m.governor)},
            {"boost", or_null(m.boost)},
            {"load_average", {{"start", figure(context.load_start)}, {"end", figure(context.load_end)}}},
            {"busy_cpus_at_start", figure(context.busy_cpus_start)},
            {"date", context.started_utc}};
}

nlohmann::ordered_json build_record(const BuildInfo& b)
{
    return {{"version", b.version},
            {"revision", b.revision},
            {"compiler", b.compiler},
            {"build_type", b.build_type},
            {"kernel_flags", b.kernel_flags},
            {"openmp_version", b.openmp_version},
            {"openmp_runtime", b.openmp_runtime}};
}

} // namespace

nlohmann::ordered_json scan_record(const ScanOptions& options, const ScanRun& run, const ScanContext& context)
{
    nlohmann::ordered_json record;
    record["parameters"] = {{"size", options.size},
                            {"block", options.block},
                            {"threads", options.threads},
                            {"threads_text", options.threads_text},
                            {"kernel", options.kernel},
                            {"precision", options.precision},
                            {"min_runs", options.min_runs},
                            {"max_runs", options.max_runs},
                            {"time_limit_s", options.time_limit_s},
                            {"warmup", options.warmup},
                            {"seed", options.seed},
                            {"bind", bind_mode_name(options.bind)},
                            {"output", options.output},
                            {"confidence", 0.95},
                            {"timer", "steady clock, whole microseconds, kernel call alone"}};
    record["machine"] = machine_record(context);
    record["build"] = build_record(context.build);
    nlohmann::ordered_json environment = nlohmann::ordered_json::object();
    for (const auto& [name, value] : context.environment)
        environment[name] = value;
    record["environment"] = environment;

    nlohmann::ordered_json configurations = nlohmann::ordered_json::array();
    for (std::size_t c = 0; c < run.summary.configurations.size(); ++c) {
        const ConfigurationSummary& s = run.summary.configurations[c];
        configurations.push_back(
            {{"kind", s.configuration.parallel ? "parallel" : "sequential"},
             {"threads", s.configuration.threads},
             {"teams", s.teams},
             {"runs", s.runs},
             {"median_s", figure(s.median_s)},
             {"ci_low_s", figure(s.ci_low_s)},
             {"ci_high_s", figure(s.ci_high_s)},
             {"ci_coverage", figure(s.coverage)},
             {"min_s", figure(s.min_s)},
             {"max_s", figure(s.max_s)},
             {"gflops", figure(s.gflops)},
             {"placement", c < run.placement.size() ? run.placement[c] : std::vector<std::vector<int>>()}});
    }
    record["configurations"] = configurations;

    nlohmann::ordered_json speedups = nlohmann::ordered_json::array();
    for (const SpeedupSummary& s : run.summary.speedups)
        speedups.push_back({{"threads", s.threads},
                            {"pairs", s.pairs},
                            {"speedup", figure(s.speedup)},
                            {"ci_low", figure(s.ci_low)},
                            {"ci_high", figure(s.ci_high)},
                            {"efficiency", figure(s.efficiency)},
                            {"efficiency_ci_low", figure(s.efficiency_ci_low)},
                            {"efficiency_ci_high", figure(s.efficiency_ci_high)},
                            {"karp_flatt", figure(s.karp_flatt)},
                            {"tile_bound", figure(s.schedule_bound)},
                            {"differs_from_previous", s.differs_from_previous},
                            {"precision_reached", s.precision_reached}});
    record["speedup"] = speedups;

    nlohmann::ordered_json warnings = nlohmann::ordered_json::array();
    for (const Warning& w : context.warnings)
        warnings.push_back({{"kind", w.kind}, {"message", w.message}});
    record["warnings"] = warnings;
    record["rounds"] = run.rounds;
    record["samples"] = run.samples.size();
    record["invalid_samples"] = invalid_samples(run.samples);
    record["elapsed_s"] = run.elapsed_s;
    record["stop_reason"] = stop_reason_name(run.stop);
    record["interrupted"] = run.stop == StopReason::interrupted;
    return record;
}

std::string record_text(const nlohmann::ordered_json& record)
{
    return record.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
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
