// The command line, read with CLI11: --help lists every option with its default, and a bad
// value becomes one line naming the option.
#include "scan/options.h"

#include "common/build_info.h"
#include "common/parse.h"
#include "common/text.h"
#include "kernels/families.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <sstream>

namespace {

// A range check lets "nan" through (every comparison with it is false), and a time limit of
// nan would never stop a scan.
const CLI::Validator finite_number = CLI::Validator(
    [](std::string& text) {
        double value = 0.0;
        std::istringstream in(text);
        return (in >> value) && std::isfinite(value) ? std::string() : "'" + text + "' is not a finite number";
    },
    "FINITE");

// CLI11 reads "-1" into an unsigned integer as its largest value, and a number past 2^64 - 1 as
// that value too; a seed is recorded so that a scan can be replayed, so only a number that is
// exactly what was typed is taken.
const CLI::Validator seed_value = CLI::Validator(
    [](std::string& text) {
        std::uint64_t value = 0;
        const char* last = text.data() + text.size();
        const auto [end, status] = std::from_chars(text.data(), last, value);
        return !text.empty() && status == std::errc() && end == last
                   ? std::string()
                   : "'" + quoted_token(text) + "' is not a seed (a whole number from 0 to 18446744073709551615)";
    },
    "SEED");

// Every name --kernel takes, and the help line that explains them, from the family table.
std::vector<std::string> kernel_names()
{
    std::vector<std::string> names;
    for (const KernelFamily& family : kernel_families()) {
        names.emplace_back(family.name);
        if (*family.also_called != '\0')
            names.emplace_back(family.also_called);
    }
    return names;
}

std::string kernel_help()
{
    std::string help = "kernel family:";
    for (const KernelFamily& family : kernel_families()) {
        help += std::string(help.back() == ':' ? " " : "; ") + family.name;
        if (*family.also_called != '\0')
            help += std::string(" (or ") + family.also_called + ")";
        help += std::string(", ") + family.description;
    }
    return help;
}

// The text options, read as given and turned into their values once the parse succeeds. Each
// starts as the name of ScanOptions' own default, so that a default is written in one place.
struct TextOptions {
    std::string kernel, bind, probe;
};

void add_study_options(CLI::App& app, ScanOptions& o, TextOptions& text)
{
    app.add_option("--size", o.sizes_text, "order n of the matrices, or a list of them as --threads takes it")
        ->capture_default_str();
    app.add_option("--block", o.blocks_text, "tile edge b, or a list of edges, e.g. 16,32,64 or 8-16,64")
        ->capture_default_str();
    // No default shown: it is this machine's CPU count, and the help (and the man page made from
    // it) must read the same everywhere.
    app.add_option("--threads", o.threads_text, "thread counts, e.g. 1-4 or 1,2,4,8 (default 1-<logical CPUs>)");
    app.add_option("--kernel", text.kernel, kernel_help())->check(CLI::IsMember(kernel_names()))->capture_default_str();
}

void add_stopping_options(CLI::App& app, ScanOptions& o)
{
    app.add_option("--precision", o.precision, "stop when every speed-up's 95 % interval is within this fraction")
        ->check(finite_number & CLI::Range(1e-6, 1.0))
        ->capture_default_str();
    app.add_option("--min-runs", o.min_runs, "rounds before stopping is considered")
        ->check(CLI::Range(1, 1000000))
        ->capture_default_str();
    app.add_option("--max-runs", o.max_runs, "rounds at most")->check(CLI::Range(1, 1000000))->capture_default_str();
    app.add_option("--time-limit", o.time_limit_s, "seconds; no round starts that would end past it")
        ->check(finite_number & CLI::Range(0.0, 1e9))
        ->capture_default_str();
    app.add_option("--warmup", o.warmup, "untimed calls per configuration before the first round")
        ->check(CLI::Range(0, 1000000))
        ->capture_default_str();
    app.add_option("--seed", o.seed, "seed of the round order and the bootstrap (default: random, recorded)")
        ->check(seed_value);
}

void add_placement_and_output_options(CLI::App& app, ScanOptions& o, TextOptions& text)
{
    app.add_option("--bind", text.bind, "none, cores or threads")
        ->check(CLI::IsMember(bind_mode_names()))
        ->capture_default_str();
    app.add_option("--probe", text.probe,
                   "capacity probe of the CPUs every round, with the check of the threads' waits: together (every "
                   "CPU at once, as a team runs), each (one CPU at a time), or none (neither; every round counts "
                   "as clean)")
        ->check(CLI::IsMember(probe_mode_names()))
        ->capture_default_str();
    app.add_option("--output", o.output, "PREFIX: samples in PREFIX.csv, summary record in PREFIX.json")
        ->capture_default_str();
    app.add_flag("--quiet", o.quiet, "no progress on standard error");
    app.footer("Results: the table on standard output; every timed call in PREFIX.csv; the summary, machine "
               "and warnings in PREFIX.json.\n"
               "Exit status: 0 done; 1 a results file or standard output could not be written, or another "
               "failure (one line); 2 bad option, or thread counts the system cannot give; 3 the matrices do not "
               "fit; 4 a kernel left wrong bits; 129/130/143 interrupted (SIGHUP/SIGINT/SIGTERM), summary written.");
}

// Runs CLI11 over the arguments; false when parsed holds the answer (help, version, refusal).
bool parse_arguments(CLI::App& app, int argc, char** argv, ParsedOptions& parsed)
{
    try {
        app.parse(argc, argv);
        return true;
    } catch (const CLI::CallForHelp&) {
        parsed.outcome = OptionsOutcome::done;
        parsed.message = app.help();
    } catch (const CLI::CallForVersion& e) {
        parsed.outcome = OptionsOutcome::done;
        parsed.message = std::string(e.what()) + "\n";
    } catch (const CLI::ExtrasError& e) {
        parsed.outcome = OptionsOutcome::refused;
        parsed.message = one_line(e.what());
        parsed.usage = app.help();
    } catch (const CLI::ParseError& e) {
        parsed.outcome = OptionsOutcome::refused;
        parsed.message = one_line(e.what()) + " (see --help)";
    }
    return false;
}

// What no single option can check: the lists, the runs against each other, the prefix.
std::string combined_problem(ScanOptions& o)
{
    std::string error;
    if (!parse_count_list(o.sizes_text, size_list_names, o.sizes, error))
        return "--size: " + error;
    if (!parse_count_list(o.blocks_text, edge_list_names, o.blocks, error))
        return "--block: " + error;
    o.size = o.sizes.front();
    o.block = o.blocks.front();
    if (!parse_thread_list(o.threads_text, o.threads, error))
        return "--threads: " + error;
    if (o.min_runs > o.max_runs)
        return "--min-runs " + std::to_string(o.min_runs) + " is more than --max-runs " + std::to_string(o.max_runs);
    if (o.output.empty())
        return "--output needs a PREFIX";
    return "";
}

} // namespace

bool is_study(const ScanOptions& options)
{
    return options.sizes.size() > 1 || options.blocks.size() > 1;
}

ParsedOptions parse_scan_options(int argc, char** argv, int logical_cpus, std::uint64_t default_seed)
{
    ParsedOptions parsed;
    ScanOptions& o = parsed.options;
    o.seed = default_seed;
    o.threads_text = "1-" + std::to_string(logical_cpus > 0 ? logical_cpus : 1);
    TextOptions text{o.kernel, bind_mode_name(o.bind), probe_mode_name(o.probe)};

    CLI::App app{
        "Repeated, interleaved and validated runs of one family of matrix product kernels (the tiled one "
        "unless told otherwise) on a sequence of thread counts, summarised with medians and 95 % confidence intervals; "
        "with lists of sizes or tile edges, on every (size, edge) cell, naming the fastest edges.",
        "tilebench-scan"};
    app.set_version_flag("--version", version_line("tilebench-scan"));
    add_study_options(app, o, text);
    add_stopping_options(app, o);
    add_placement_and_output_options(app, o, text);
    if (!parse_arguments(app, argc, argv, parsed))
        return parsed;

    o.kernel = find_kernel_family(text.kernel)->name;
    parse_bind_mode(text.bind, o.bind);
    parse_probe_mode(text.probe, o.probe);
    parsed.message = combined_problem(o);
    if (!parsed.message.empty())
        parsed.outcome = OptionsOutcome::refused;
    return parsed;
}
