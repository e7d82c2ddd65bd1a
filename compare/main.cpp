// tilebench-compare: is B faster than A? Reads two scans with their samples, says what differs
// between them, and per thread count both measured gives the ratio of median times and of
// speed-ups with 95 % intervals and a verdict in words.
#include "common/exit_status.h"
#include "common/parse.h"
#include "compare/compare.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <random>

namespace {

int refuse(const std::string& message, int status)
{
    std::fprintf(stderr, "tilebench-compare: %s\n", message.c_str());
    return status;
}

// "size 512 and 1024, block 64 and 4"
std::string work_text(const std::vector<Difference>& work)
{
    std::string text;
    for (const Difference& d : work)
        text += (text.empty() ? "" : ", ") + d.what + " " + d.a + " and " + d.b;
    return text;
}

} // namespace

static int run(int argc, char** argv)
{
    // --- options ---
    const ParsedCompareOptions parsed = parse_compare_options(argc, argv, std::random_device{}());
    if (parsed.outcome == OptionsOutcome::done) {
        std::cout << parsed.message;
        return exit_ok;
    }
    if (parsed.outcome == OptionsOutcome::refused) {
        refuse(parsed.message, exit_bad_input);
        std::cerr << parsed.usage;
        return exit_bad_input;
    }
    const CompareOptions& options = parsed.options;

    // --- the two sides, and whether they measured the same work ---
    ComparisonReport report;
    std::string problem;
    if (!load_side(options.a, report.a, problem) || !load_side(options.b, report.b, problem))
        return refuse(problem, exit_failure);
    report.differences = differences(report.a.record, report.b.record);
    const std::vector<Difference> work = work_differences(report.differences);
    if (!work.empty() && !options.allow_different)
        return refuse("A and B time different work (" + quoted_token(work_text(work), 200) +
                          "); --allow-different compares them all the same",
                      exit_not_comparable);

    // --- the comparison ---
    report.rounds_a = counted_rounds(report.a.record, report.a.samples);
    report.rounds_b = counted_rounds(report.b.record, report.b.samples);
    CompareSettings settings;
    settings.seed = options.seed;
    settings.threshold = options.threshold_percent / 100.0;
    report.comparison = compare_rounds(report.rounds_a, report.rounds_b, settings);
    report.fail_if_slower = options.fail_if_slower;
    if (report.comparison.counts.empty())
        return refuse("no thread count in common: A has " + count_list(report.comparison.only_in_a) + ", B has " +
                          count_list(report.comparison.only_in_b),
                      exit_not_comparable);

    // --- what it says ---
    std::cout << format_comparison(report) << std::flush;
    if (!options.output.empty() && !write_new_file_over(options.output, comparison_json(report).dump(2) + "\n"))
        return refuse("cannot write " + options.output + ": " + std::strerror(errno), exit_failure);
    const std::vector<int> slower = counts_slower_beyond(report);
    if (!slower.empty()) {
        std::fprintf(stderr, "tilebench-compare: B is slower than A by more than %g %% on %s threads\n",
                     options.fail_if_slower, count_list(slower).c_str());
        return exit_slower;
    }
    return exit_ok;
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench-compare", run, argc, argv);
}
