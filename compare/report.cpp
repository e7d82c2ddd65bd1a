#include "compare/report.h"

#include "common/parse.h"
#include "compare/verdict.h"
#include "record/figures.h"

#include <cmath>

namespace {

using Json = nlohmann::ordered_json;

// Text that came from a file, fit for one line of a terminal.
std::string shown(const std::string& text)
{
    return quoted_token(text, 200);
}

std::string side_line(const char* name, const Side& side, const CountedRounds& rounds)
{
    const RecordParameters& p = side.record.parameters;
    std::string line = std::string(name) + " = " + side.record_path + ": n " + std::to_string(p.size) + ", b " +
                       std::to_string(p.block) + ", " + shown(p.kernel) + " kernel, bind " + shown(p.bind) + ", " +
                       std::to_string(rounds.counted.size()) + " rounds counted";
    if (!rounds.incomplete.empty())
        line += " (" + std::to_string(rounds.incomplete.size()) + " incomplete left out)";
    return line + "\n";
}

std::string interval_text(const Interval& ci)
{
    return "[" + figure("%.3f", ci.low) + ", " + figure("%.3f", ci.high) + "]";
}

std::string time_table(const Comparison& comparison)
{
    std::string text = "time per call (B/A below 1: B faster)\n"
                       "threads  runs A  runs B  median A (s)  median B (s)    B/A   95 % interval     verdict\n";
    for (const CountComparison& c : comparison.counts)
        text += column(std::to_string(c.threads), 7) + column(std::to_string(c.runs_a), 8) +
                column(std::to_string(c.runs_b), 8) + column(figure("%.6f", c.median_a_s), 14) +
                column(figure("%.6f", c.median_b_s), 14) + column(figure("%.3f", c.time.ratio), 7) +
                column(interval_text(c.time.interval), 16) + "     " + time_verdict(c) + "\n";
    return text;
}

std::string speedup_table(const Comparison& comparison)
{
    std::string text = "speed-up over each side's own baseline (B/A above 1: B scales better)\n"
                       "threads  pairs A  pairs B  speed-up A  speed-up B    B/A   95 % interval     verdict\n";
    for (const CountComparison& c : comparison.counts)
        text += column(std::to_string(c.threads), 7) + column(std::to_string(c.pairs_a), 9) +
                column(std::to_string(c.pairs_b), 9) + column(figure("%.3f", c.speedup_a), 12) +
                column(figure("%.3f", c.speedup_b), 12) + column(figure("%.3f", c.speedup.ratio), 7) +
                column(interval_text(c.speedup.interval), 16) + "     " + speedup_verdict(c) + "\n";
    return text;
}

std::string warnings_text(const char* name, const std::vector<Warning>& warnings)
{
    std::string text;
    for (const Warning& w : warnings)
        text += "warning of " + std::string(name) + " (" + shown(w.kind) + "): " + shown(w.message) + "\n";
    return text;
}

Json figure_json(double value)
{
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

Json side_json(const Side& side, const CountedRounds& rounds)
{
    Json warnings = Json::array();
    for (const Warning& w : side.record.warnings)
        warnings.push_back({{"kind", w.kind}, {"message", w.message}});
    return {{"record", side.record_path},
            {"samples", side.samples_path},
            {"rounds_counted", rounds.counted.size()},
            {"rounds_incomplete", rounds.incomplete},
            {"warnings", warnings}};
}

Json count_json(const CountComparison& c)
{
    return {{"threads", c.threads},
            {"runs_a", c.runs_a},
            {"runs_b", c.runs_b},
            {"median_a_s", figure_json(c.median_a_s)},
            {"median_b_s", figure_json(c.median_b_s)},
            {"time_ratio", figure_json(c.time.ratio)},
            {"time_ci_low", figure_json(c.time.interval.low)},
            {"time_ci_high", figure_json(c.time.interval.high)},
            {"time_change", time_change_name(c)},
            {"time_verdict", time_verdict(c)},
            {"pairs_a", c.pairs_a},
            {"pairs_b", c.pairs_b},
            {"speedup_a", figure_json(c.speedup_a)},
            {"speedup_b", figure_json(c.speedup_b)},
            {"speedup_ratio", figure_json(c.speedup.ratio)},
            {"speedup_ci_low", figure_json(c.speedup.interval.low)},
            {"speedup_ci_high", figure_json(c.speedup.interval.high)},
            {"speedup_change", speedup_change_name(c)},
            {"speedup_verdict", speedup_verdict(c)}};
}

} // namespace

std::vector<int> counts_slower_beyond(const ComparisonReport& report)
{
    std::vector<int> counts;
    if (report.fail_if_slower < 0.0)
        return counts;
    for (const CountComparison& c : report.comparison.counts)
        if (slower_beyond(c, report.fail_if_slower))
            counts.push_back(c.threads);
    return counts;
}

std::string format_comparison(const ComparisonReport& report)
{
    const Comparison& comparison = report.comparison;
    const CompareSettings& s = comparison.settings;
    char heading[200];
    std::snprintf(heading, sizeof(heading),
                  "tilebench-compare: ratios B/A with %g %% intervals (each side's rounds resampled on their own, "
                  "seed %llu), noise band +-%g %%\n",
                  s.confidence * 100.0, static_cast<unsigned long long>(s.seed), s.threshold * 100.0);
    std::string text = heading + side_line("A", report.a, report.rounds_a) + side_line("B", report.b, report.rounds_b);
    for (const Difference& d : report.differences)
        text += "differs: " + d.what + ": A " + shown(d.a) + ", B " + shown(d.b) + "\n";
    if (report.differences.empty())
        text += "differs: nothing the records hold\n";
    text += warnings_text("A", report.a.record.warnings) + warnings_text("B", report.b.record.warnings);
    if (!comparison.only_in_a.empty())
        text += "thread counts in A only: " + count_list(comparison.only_in_a) + "\n";
    if (!comparison.only_in_b.empty())
        text += "thread counts in B only: " + count_list(comparison.only_in_b) + "\n";
    return text + "\n" + time_table(comparison) + "\n" + speedup_table(comparison);
}

Json comparison_json(const ComparisonReport& report)
{
    const Comparison& comparison = report.comparison;
    const CompareSettings& s = comparison.settings;
    Json differences = Json::array();
    for (const Difference& d : report.differences)
        differences.push_back({{"what", d.what}, {"a", d.a}, {"b", d.b}, {"other_work", d.other_work}});
    Json counts = Json::array();
    for (const CountComparison& c : comparison.counts)
        counts.push_back(count_json(c));
    return {{"a", side_json(report.a, report.rounds_a)},
            {"b", side_json(report.b, report.rounds_b)},
            {"seed", s.seed},
            {"resamples", s.resamples},
            {"confidence", s.confidence},
            {"threshold", s.threshold},
            {"minimum_rounds", s.minimum_rounds},
            {"differences", differences},
            {"only_in_a", comparison.only_in_a},
            {"only_in_b", comparison.only_in_b},
            {"thread_counts", counts},
            {"fail_if_slower", report.fail_if_slower < 0.0 ? Json(nullptr) : Json(report.fail_if_slower)},
            {"slower_beyond_limit", counts_slower_beyond(report)}};
}

std::string comparison_text(const ComparisonReport& report)
{
    return comparison_json(report).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
