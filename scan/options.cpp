// The command line, read with CLI11: --help lists every option with its default, and a bad
// value becomes one line naming the option.
#include "scan/options.h"

#include "common/build_info.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <cmath>
#include <sstream>

namespace {

// CLI11's messages may span lines; a refusal is one.
std::string one_line(std::string text)
{
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// A range check lets "nan" through (every comparison with it is false), and a time limit of
// nan would never stop a scan.
const CLI::Validator finite_number = CLI::Validator(
    [](std::string& text) {
        double value = 0.0;
        std::istringstream in(text);
        return (in >> value) && std::isfinite(value) ? std::string() : "'" + text + "' is not a finite number";
    },
    "FINITE");

} // namespace

ParsedOptions parse_scan_options(int argc, char** argv, int logical_cpus, std::uint64_t default_seed)
{
    ParsedOptions parsed;
    ScanOptions& o = parsed.options;
    o.seed = default_seed;
    o.threads_text = "1-" + std::to_string(logical_cpus > 0 ? logical_cpus : 1);
    std::string kernel = "tiled", bind = "cores";

    CLI::App app{"Repeated, interleaved and validated runs of the tiled (or untiled) matrix product on a "
                 "sequence of thread counts, summarised with medians and 95 % confidence intervals.",
                 "tilebench-scan"};
    app.set_version_flag("--version", version_line("tilebench-scan"));
    app.add_option("--size", o.size, "order n of the matrices")->check(CLI::Range(1, INT_MAX))->capture_default_str();
    app.add_option("--block", o.block, "tile edge b")->check(CLI::Range(1, INT_MAX))->capture_default_str();
    // No default shown: it is this machine's CPU count, and the help (and the man page made from
    // it) must read the same everywhere.
    app.add_option("--threads", o.threads_text, "thread counts, e.g. 1-4 or 1,2,4,8 (default 1-<logical CPUs>)");
    app.add_option("--kernel", kernel, "tiled or untiled")
        ->check(CLI::IsMember({"tiled", "untiled"}))
        ->capture_default_str();
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
    app.add_option("--seed", o.seed, "seed of the round order and the bootstrap (default: random, recorded)");
    app.add_option("--bind", bind, "none, cores or threads")
        ->check(CLI::IsMember({"none", "cores", "threads"}))
        ->capture_default_str();
    app.add_option("--output", o.output, "PREFIX: samples in PREFIX.csv, summary record in PREFIX.json")
        ->capture_default_str();
    app.add_flag("--quiet", o.quiet, "no progress on standard error");
    app.footer("Results: the table on standard output; every timed call in PREFIX.csv; the summary, machine "
               "and warnings in PREFIX.json.\n"
               "Exit status: 0 done; 1 a results file could not be written; 2 bad option; 3 the matrices do "
               "not fit; 4 a kernel left wrong bits; 130/143 interrupted (SIGINT/SIGTERM), summary written.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        parsed.outcome = OptionsOutcome::done;
        parsed.message = app.help();
        return parsed;
    } catch (const CLI::CallForVersion& e) {
        parsed.outcome = OptionsOutcome::done;
        parsed.message = std::string(e.what()) + "\n";
        return parsed;
    } catch (const CLI::ExtrasError& e) {
        parsed.outcome = OptionsOutcome::refused;
        parsed.message = one_line(e.what());
        parsed.usage = app.help();
        return parsed;
    } catch (const CLI::ParseError& e) {
        parsed.outcome = OptionsOutcome::refused;
        parsed.message = one_line(e.what()) + " (see --help)";
        return parsed;
    }
    o.tiled = kernel == "tiled";
    parse_bind_mode(bind, o.bind);
    std::string error;
    if (!parse_thread_list(o.threads_text, o.threads, error)) {
        parsed.outcome = OptionsOutcome::refused;
        parsed.message = "--threads: " + error;
    } else if (o.min_runs > o.max_runs) {
        parsed.outcome = OptionsOutcome::refused;
        parsed.message =
            "--min-runs " + std::to_string(o.min_runs) + " is more than --max-runs " + std::to_string(o.max_runs);
    } else if (o.output.empty()) {
        parsed.outcome = OptionsOutcome::refused;
        parsed.message = "--output needs a PREFIX";
    }
    return parsed;
}
