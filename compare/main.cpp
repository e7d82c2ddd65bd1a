// tilebench-compare: is B faster than A? Reads two scans with their samples, says what differs
// between them, and per thread count both measured gives the ratio of median times and of
// speed-ups with 95 % intervals and a verdict in words.
#include "common/exit_status.h"
#include "common/parse.h"
#include "common/platform_files.h" // write_file_atomically
#include "common/text.h"
#include "compare/compare.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>

namespace {

// The command line answered here (help, version, a refusal with the usage after it): the status.
int answer_command_line(const ParsedCompareOptions& parsed)
{
    if (parsed.outcome == OptionsOutcome::done) {
        std::cout << parsed.message;
        return exit_ok;
    }
    std::fprintf(stderr, "tilebench-compare: %s\n", parsed.message.c_str());
    std::cerr << parsed.usage;
    return exit_bad_input;
}

Side load(const std::string& argument)
{
    Side side;
    std::string problem;
    if (!load_side(argument, side, problem))
        throw Refusal{exit_failure, problem};
    return side;
}

// Scans of other work are compared only when asked, and the refusal names what differs.
void check_same_work(const std::vector<Difference>& all, bool allow_different)
{
    const std::vector<Difference> work = work_differences(all);
    if (work.empty() || allow_different)
        return;
    std::vector<std::string> named;
    named.reserve(work.size());
    for (const Difference& d : work)
        named.push_back(d.what + " " + d.a + " and " + d.b);
    throw Refusal{exit_not_comparable, "A and B time different work (" + quoted_token(joined(named, ", "), 200) +
                                           "); --allow-different compares them all the same"};
}

// A side whose every complete round was starved measured the host, not the kernel: no figure of
// it is fit to compare, and a table of empty figures would hide that.
void check_clean_rounds(const char* name, const Side& side, const CountedRounds& rounds)
{
    if (!rounds.counted.empty() || rounds.starved.empty())
        return;
    throw Refusal{exit_not_comparable, std::string(name) + " = " + quoted_token(side.record_path, 200) +
                                           " has no clean round to compare: its probe found all " +
                                           std::to_string(rounds.starved.size()) +
                                           " of its complete rounds starved, so its figures measure the host"};
}

// Whether two names are one file: a scan given twice on a side would count as two scans that
// agree, and narrow the interval for nothing.
bool same_file(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
}

// A side's further scans: the work of its first, whatever --allow-different says, since their
// rounds are pooled with it.
void load_more(const char* name, const Side& first, const std::vector<std::string>& arguments, std::vector<Side>& more,
               std::vector<CountedRounds>& rounds)
{
    for (const std::string& argument : arguments) {
        more.push_back(load(argument));
        const bool repeated = same_file(first.record_path, more.back().record_path) ||
                              std::any_of(more.begin(), more.end() - 1, [&](const Side& earlier) {
                                  return same_file(earlier.record_path, more.back().record_path);
                              });
        if (repeated)
            throw Refusal{exit_bad_input, std::string(name) + "'s scan " + quoted_token(more.back().record_path, 200) +
                                              " is given twice; each scan of a side counts once"};
        const std::vector<Difference> work = work_differences(differences(first.record, more.back().record));
        if (!work.empty())
            throw Refusal{exit_not_comparable, std::string(name) + "'s scans " + quoted_token(first.record_path, 200) +
                                                   " and " + quoted_token(more.back().record_path, 200) +
                                                   " time different work (" + quoted_token(work.front().what, 60) +
                                                   "); a side's scans are pooled, so they must time the same"};
        rounds.push_back(counted_rounds(more.back().record, more.back().samples));
        check_clean_rounds(name, more.back(), rounds.back());
    }
}

ComparisonReport compare(const CompareOptions& options)
{
    const std::string refused = options.output.empty() ? "" : unreplaceable_output(options.output);
    if (!refused.empty())
        throw Refusal{exit_failure, "cannot write " + options.output + ": " + refused};
    ComparisonReport report;
    report.a = load(options.a);
    report.b = load(options.b);
    report.differences = differences(report.a.record, report.b.record);
    check_same_work(report.differences, options.allow_different);
    report.rounds_a = counted_rounds(report.a.record, report.a.samples);
    report.rounds_b = counted_rounds(report.b.record, report.b.samples);
    check_clean_rounds("A", report.a, report.rounds_a);
    check_clean_rounds("B", report.b, report.rounds_b);
    load_more("A", report.a, options.more_a, report.more_a, report.more_rounds_a);
    load_more("B", report.b, options.more_b, report.more_b, report.more_rounds_b);
    CompareSettings settings;
    settings.seed = options.seed;
    settings.threshold = options.threshold_percent / 100.0;
    std::vector<CountedRounds> a{report.rounds_a}, b{report.rounds_b};
    a.insert(a.end(), report.more_rounds_a.begin(), report.more_rounds_a.end());
    b.insert(b.end(), report.more_rounds_b.begin(), report.more_rounds_b.end());
    report.comparison = compare_rounds(a, b, settings);
    report.fail_if_slower = options.fail_if_slower;
    if (report.comparison.counts.empty())
        throw Refusal{exit_not_comparable, "no thread count in common: A has " +
                                               count_list(report.comparison.only_in_a) + ", B has " +
                                               count_list(report.comparison.only_in_b)};
    return report;
}

} // namespace

static int run(int argc, char** argv)
{
    const ParsedCompareOptions parsed = parse_compare_options(argc, argv, std::random_device{}());
    if (parsed.outcome != OptionsOutcome::run)
        return answer_command_line(parsed);
    const CompareOptions& options = parsed.options;
    const ComparisonReport report = compare(options);

    std::cout << format_comparison(report) << std::flush;
    if (!options.output.empty() &&
        !write_file_atomically(options.output, comparison_record_text(comparison_record(report))))
        throw Refusal{exit_failure, "cannot write " + options.output + ": " + std::strerror(errno)};
    const std::vector<int> slower = counts_slower_beyond(report);
    if (slower.empty())
        return exit_ok;
    std::fprintf(stderr, "tilebench-compare: B is slower than A by more than %g %% on %s threads\n",
                 options.fail_if_slower, count_list(slower).c_str());
    return exit_slower;
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench-compare", run, argc, argv);
}
