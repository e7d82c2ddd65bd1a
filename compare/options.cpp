// The command line, read with CLI11 as the other programs read theirs.
#include "compare/options.h"

#include "common/build_info.h"
#include "common/text.h"

#include <CLI/CLI.hpp>

#include <cmath>

namespace {

const char* const footer =
    "A and B are scan records of tilebench-scan, PREFIX.json, each with its samples file PREFIX.csv beside it. "
    "Faster is about time: B faster by x % means B's median time is x % below A's. A side is compared on the "
    "rounds its own figures come from: rounds its probe found starved are left out and named. Two scans minutes "
    "apart on a shared host can differ by more than either one's rounds scatter; scans of each side taken in "
    "turn (A, B, A, B, ...) and given with --more-a and --more-b put that drift into the intervals.\n"
    "Exit status: 0 compared; 1 a record or samples file missing, unreadable or damaged, or the output could not "
    "be written; 2 bad arguments, or a scan given twice on a side; 5 not comparable (other size, block or kernel "
    "family without --allow-different, "
    "no thread count in common, a side whose every round its probe found starved, or scans of one side that time "
    "different work); 6 B slower than A beyond --fail-if-slower.";

} // namespace

ParsedCompareOptions parse_compare_options(int argc, char** argv, std::uint64_t default_seed)
{
    ParsedCompareOptions parsed;
    CompareOptions& o = parsed.options;
    o.seed = default_seed;
    CLI::App app{"Is B faster than A? Compares two tilebench-scan records per thread count: the ratio of median "
                 "times and of speed-ups, each with a 95 % bootstrap interval, and a verdict in words.",
                 "tilebench-compare"};
    app.set_version_flag("--version", version_line("tilebench-compare"));
    // Not marked required: CLI11 would then name a missing A before an unknown option.
    app.add_option("A", o.a, "the scan compared against (PREFIX.json)");
    app.add_option("B", o.b, "the scan compared (PREFIX.json)");
    app.add_option("--more-a", o.more_a,
                   "another scan of A's work, taken at another time (repeatable): each side's scans are resampled "
                   "as well as their rounds, so the intervals hold the drift between scans")
        ->allow_extra_args(false)
        ->type_name("FILE");
    app.add_option("--more-b", o.more_b, "another scan of B's work (repeatable), as --more-a")
        ->allow_extra_args(false)
        ->type_name("FILE");
    app.add_option("--threshold", o.threshold_percent, "percent: ratios within 1 +- this are no difference")
        ->check(CLI::Range(0.0, 100.0))
        ->capture_default_str();
    app.add_option("--fail-if-slower", o.fail_if_slower,
                   "percent: exit 6 when B is slower than A beyond it at some thread count")
        ->check(CLI::Range(0.0, 1e6));
    app.add_option("--seed", o.seed, "seed of the bootstrap (default: random, recorded)");
    app.add_flag("--allow-different", o.allow_different, "compare scans of other size, block or kernel family");
    app.add_option("--output", o.output, "also write the comparison as JSON to this file");
    app.footer(footer);
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
    } catch (const CLI::ParseError& e) {
        parsed.outcome = OptionsOutcome::refused;
        parsed.message = one_line(e.what());
        parsed.usage = app.help();
        return parsed;
    }
    if (o.a.empty() || o.b.empty()) {
        parsed.outcome = OptionsOutcome::refused;
        parsed.message = "two scans are needed, A and B";
        parsed.usage = app.help();
        return parsed;
    }
    // A range check lets "nan" through: every comparison with it is false.
    if (!std::isfinite(o.threshold_percent) || (o.fail_if_slower != -1.0 && !std::isfinite(o.fail_if_slower))) {
        parsed.outcome = OptionsOutcome::refused;
        parsed.message = "--threshold and --fail-if-slower take finite percentages";
    }
    return parsed;
}
