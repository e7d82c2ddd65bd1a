// tilebench-scan: is this speed-up real, or the machine's noise? Runs the sequential kernel
// and the parallel kernel on every thread count in interleaved rounds, validates every result
// and summarises with medians and confidence intervals.
#include "common/exit_status.h"
#include "common/memory.h"
#include "common/platform_files.h"
#include "common/platform_signals.h"
#include "common/platform_system.h"
#include "common/thread_limits.h"
#include "common/timing.h"
#include "kernels/families.h"
#include "machine/machine.h"
#include "record/study_table.h"
#include "scan/scan.h"
#include "scan/study.h"

#include <omp.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <random>

namespace {

// Configurations whose calls the clock cannot time: the baseline, and the thread counts.
std::vector<Warning> short_call_warnings(const ScanSummary& summary)
{
    std::vector<int> short_counts;
    for (std::size_t c = 1; c < summary.configurations.size(); ++c)
        if (summary.configurations[c].runs > 0 && !timed_well(summary.configurations[c]))
            short_counts.push_back(summary.configurations[c].configuration.threads);
    const ConfigurationSummary& baseline = summary.configurations.front();
    return too_short_warning(baseline.runs > 0 && !timed_well(baseline), short_counts, shortest_timed_call_s);
}

// The cells (size, edge) of the options whose tiles matter: none for a kernel without tiles.
std::vector<std::pair<int, int>> tiled_cells(const ScanOptions& options)
{
    std::vector<std::pair<int, int>> cells;
    if (find_kernel_family(options.kernel)->uses_block_size)
        for (int n : options.sizes)
            for (int b : options.blocks)
                cells.emplace_back(n, b);
    return cells;
}

// Those whose threads share the lines of C they write on this machine.
std::vector<std::pair<int, int>> sharing_cells(const ScanOptions& options, const MachineInfo& machine)
{
    return line_sharing_cells(tiled_cells(options), options.threads.back(), machine.cache_line_bytes);
}

std::vector<Warning> after_run_warnings(const ScanRun& run, const std::vector<std::pair<int, int>>& sharing)
{
    std::vector<int> migrated, short_counts;
    for (std::size_t c = 0; c < run.configurations.size(); ++c)
        if (placement_migrated(run.placement[c]))
            migrated.push_back(run.configurations[c].threads);
    for (const SpeedupSummary& s : run.summary.speedups)
        if (!s.precision_reached)
            short_counts.push_back(s.threads);
    std::vector<Warning> warnings = team_warning(run.smaller_teams);
    for (const auto& more : {short_call_warnings(run.summary), migration_warning(migrated),
                             precision_warning(short_counts, stop_reason_name(run.stop)),
                             invalid_result_warning(invalid_samples(run.samples)), host_warnings(run, sharing)})
        warnings.insert(warnings.end(), more.begin(), more.end());
    return warnings;
}

// The command line answered here (help, version, a refusal with the usage after it): the status.
int answer_command_line(const ParsedOptions& parsed)
{
    if (parsed.outcome == OptionsOutcome::done) {
        std::cout << parsed.message;
        return results_reached_standard_output("tilebench-scan") ? exit_ok : exit_failure;
    }
    std::fprintf(stderr, "tilebench-scan: %s\n", parsed.message.c_str());
    std::cerr << parsed.usage;
    return exit_bad_input;
}

// Refuses, before anything is built, a study the machine cannot hold or the system cannot staff.
void check_resources(const ScanOptions& options)
{
    const std::string shortfall = memory_shortfall(options.size, available_memory_bytes(), scan_matrix_count);
    if (!shortfall.empty())
        throw Refusal{exit_out_of_memory, shortfall};
    const std::string too_many = thread_limit_problem(options.threads.back(), read_thread_limits(),
                                                      matrices_bytes(options.size, scan_matrix_count));
    if (!too_many.empty())
        throw Refusal{exit_bad_input, "--threads " + options.threads_text + ": " + too_many};
}

// PREFIX.json is put in place at the end; a name it cannot take is refused before measuring.
SamplesFile open_samples(const ScanOptions& options, const char* header = samples_header)
{
    const std::string refused = unreplaceable_output(options.output + ".json");
    if (!refused.empty())
        throw Refusal{exit_failure, "cannot write " + options.output + ".json: " + refused};
    SamplesFile samples;
    const std::string problem = open_samples_file(samples, options.output + ".csv", header);
    if (!problem.empty())
        throw Refusal{exit_failure, problem};
    return samples;
}

// PREFIX.json; false, said on standard error, when it cannot be written.
bool write_record(const ScanOptions& options, const ScanRecord& record)
{
    const std::string json_path = options.output + ".json";
    if (write_file_atomically(json_path, scan_record_text(record)))
        return true;
    const int error = errno;
    const std::string refused = unreplaceable_output(json_path); // what came there during the scan
    std::fprintf(stderr, "tilebench-scan: cannot write %s: %s\n", json_path.c_str(),
                 refused.empty() ? std::strerror(error) : refused.c_str());
    return false;
}

// The logical CPUs the process may use, or the runtime's count when hwloc cannot say.
int usable_cpus(const MachineInfo& machine)
{
    const std::size_t allowed = machine.allowed_cpus.size();
    return allowed > 0 ? static_cast<int>(allowed) : omp_get_num_procs();
}

// The machine under the figures, and what it says before the first round.
ScanContext machine_context(const ScanOptions& options, const MachineInfo& machine)
{
    ScanContext context;
    context.machine = machine;
    context.load_start = load_average();
    context.busy_cpus_start = busy_cpus_now(0.5);
    context.started_utc = utc_now_iso8601();
    context.build = build_info();
    context.environment = environment_with_prefixes({"OMP_", "GOMP_"});
    context.warnings =
        oversubscription_warning(options.threads.back(), static_cast<int>(allowed_cores(context.machine).size()));
    for (const Warning& w : shared_line_warning(tiled_cells(options), options.threads.back(), machine.cache_line_bytes))
        context.warnings.push_back(w);
    for (const Warning& w : machine_warnings(context.machine, options.bind, context.busy_cpus_start, context.load_start,
                                             context.build.optimised))
        context.warnings.push_back(w);
    print_warnings("tilebench-scan", context.warnings);
    return context;
}

// The rounds, with every sample written as it comes and progress on standard error.
ScanRun run_rounds(const ScanOptions& options, const Topology& topology, const MachineInfo& machine,
                   SamplesFile& samples)
{
    ProgressLine progress{stderr, is_terminal(2), options.max_runs, options.precision};
    ScanHooks hooks;
    hooks.on_sample = [&](const Sample& sample, const Configuration& configuration) {
        append_sample(samples, sample, configuration);
        if (!sample.valid) {
            end_progress(progress);
            std::fprintf(stderr,
                         "tilebench-scan: round %d, %s kernel on %d threads: the result differs from the sequential "
                         "product; the sample is kept out of every figure\n",
                         sample.round, configuration.parallel ? "parallel" : "sequential", configuration.threads);
        }
    };
    if (!options.quiet)
        hooks.on_progress = [&](const ScanProgress& p) { show_progress(progress, p); };
    hooks.stop_requested = [] { return remembered_stop_signal() != 0; };
    ScanRun run = run_scan(options, *find_kernel_family(options.kernel), topology, machine, hooks);
    end_progress(progress);
    return run;
}

// A study's refusals, all before its first timed call: the largest size's matrices, the
// largest team, and the least time its minimum of rounds could take.
StudyEstimate check_study_resources(const ScanOptions& options, const KernelFamily& family, const MachineInfo& machine)
{
    const std::string shortfall = study_memory_problem(options, available_memory_bytes());
    if (!shortfall.empty())
        throw Refusal{exit_out_of_memory, shortfall};
    const int largest = options.sizes.back();
    const std::string too_many = thread_limit_problem(options.threads.back(), read_thread_limits(),
                                                      matrices_bytes(largest, study_matrix_count(options)));
    if (!too_many.empty())
        throw Refusal{exit_bad_input, "--threads " + options.threads_text + ": " + too_many};
    StudyEstimate estimate =
        estimate_study(options, sequential_rate(family, options.sizes.front()), machine.physical_cores);
    const std::string too_long = study_time_problem(options, estimate);
    if (!too_long.empty())
        throw Refusal{exit_bad_input, too_long};
    return estimate;
}

// Every size's rounds, every sample written as it comes, progress naming the cell and round.
StudyRun run_study_rounds(const ScanOptions& options, const StudyEstimate& estimate, const KernelFamily& family,
                          const Topology& topology, const MachineInfo& machine, SamplesFile& samples)
{
    ProgressLine progress{stderr, is_terminal(2), options.max_runs, options.precision};
    ScanHooks hooks;
    hooks.on_sample = [&](const Sample& sample, const Configuration& configuration) {
        append_line(samples, format_study_sample(sample, configuration));
        if (!sample.valid) {
            end_progress(progress);
            std::fprintf(stderr,
                         "tilebench-scan: n %d, b %d, round %d, %s kernel on %d threads: the result differs from "
                         "the sequential product; the sample is kept out of every figure\n",
                         configuration.size, configuration.block, sample.round,
                         configuration.parallel ? "parallel" : "sequential", configuration.threads);
        }
    };
    if (!options.quiet)
        hooks.on_progress = [&](const ScanProgress& p) {
            const auto at = std::find(options.sizes.begin(), options.sizes.end(), p.current.size);
            show_study_progress(progress, p, static_cast<std::size_t>(at - options.sizes.begin()) + 1,
                                options.sizes.size());
        };
    hooks.stop_requested = [] { return remembered_stop_signal() != 0; };
    StudyRun study = run_study(options, estimate, family, topology, machine, hooks);
    end_progress(progress);
    return study;
}

// tilebench-scan with more than one size or edge.
int study_program(const ScanOptions& options, const Topology& topology, const MachineInfo& machine)
{
    const KernelFamily& family = *find_kernel_family(options.kernel);
    const StudyEstimate estimate = check_study_resources(options, family, machine);
    SamplesFile samples = open_samples(options, study_samples_header);
    ScanContext context = machine_context(options, machine);
    const std::vector<Warning> notes = edge_notes(options);
    print_warnings("tilebench-scan", notes);
    context.warnings.insert(context.warnings.end(), notes.begin(), notes.end());
    const StudyRun study = run_study_rounds(options, estimate, family, topology, machine, samples);
    context.load_end = load_average();

    const std::vector<Warning> later = study_warnings(study, sharing_cells(options, machine));
    print_warnings("tilebench-scan", later);
    context.warnings.insert(context.warnings.end(), later.begin(), later.end());
    // As for a scan, the samples file stays held until the record beside it is in place.
    const ScanRecord record = study_record(options, study, estimate, context);
    bool files_ok = write_record(options, record);
    files_ok = close_samples_file(samples) && files_ok;
    std::cout << study_table(record, "tilebench-scan study: ");
    files_ok = results_reached_standard_output("tilebench-scan") && files_ok;

    // The same order of causes as a scan's, from the one place that decides it.
    int invalid = 0;
    for (const SizeStudy& size : study.sizes)
        invalid += invalid_samples(size.run.samples);
    return scan_exit_status(study.stop, remembered_stop_signal(), invalid, files_ok);
}

} // namespace

static int run(int argc, char** argv)
{
    // Loaded and read first, before any thread is bound: the reading keeps the CPUs this process
    // was given, which the default thread counts follow, and is the one the record gives.
    const Topology topology = load_topology();
    const MachineInfo machine = read_machine(topology);
    const ParsedOptions parsed = parse_scan_options(argc, argv, usable_cpus(machine), std::random_device{}());
    if (parsed.outcome != OptionsOutcome::run)
        return answer_command_line(parsed);
    const ScanOptions& options = parsed.options;
    // From here on a signal ends the scan with the summary of what there is, even before the
    // first call (the load is measured over half a second before it).
    remember_stop_signals();
    if (is_study(options))
        return study_program(options, topology, machine);
    check_resources(options);
    SamplesFile samples = open_samples(options);
    ScanContext context = machine_context(options, machine);
    const ScanRun run = run_rounds(options, topology, machine, samples);
    context.load_end = load_average();

    // --- summary and records ---
    const std::vector<Warning> later = after_run_warnings(run, sharing_cells(options, machine));
    print_warnings("tilebench-scan", later);
    context.warnings.insert(context.warnings.end(), later.begin(), later.end());
    // The samples file stays held until the record beside it is in place: the prefix is this
    // scan's until both are written.
    const ScanRecord record = scan_record(options, run, context);
    bool files_ok = write_record(options, record);
    files_ok = close_samples_file(samples) && files_ok;
    std::cout << format_scan_table(record);
    files_ok = results_reached_standard_output("tilebench-scan") && files_ok;

    return scan_exit_status(run.stop, remembered_stop_signal(), invalid_samples(run.samples), files_ok);
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench-scan", run, argc, argv);
}
