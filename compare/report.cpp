#include "compare/report.h"

#include "common/parse.h"
#include "common/text.h"
#include "compare/verdict.h"
#include "record/figures.h"

namespace {

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
    std::vector<std::string> left_out;
    if (!rounds.starved.empty())
        left_out.push_back(std::to_string(rounds.starved.size()) + " starved");
    if (!rounds.incomplete.empty())
        left_out.push_back(std::to_string(rounds.incomplete.size()) + " incomplete");
    if (!left_out.empty())
        line += " (" + joined(left_out, ", ") + " left out)";
    return line + "\n";
}

// A side's starved rounds are named with the warnings: the figures beside them are its clean ones.
std::string starved_text(const std::string& name, const CountedRounds& rounds)
{
    if (rounds.starved.empty())
        return "";
    return name + " had starved rounds: " + std::to_string(rounds.starved.size()) + " of " +
           std::to_string(rounds.starved.size() + rounds.counted.size()) +
           " left out, as its own figures leave them; compared on its " + std::to_string(rounds.counted.size()) +
           " clean rounds\n";
}

std::string interval_text(const Interval& ci)
{
    return "[" + figure("%.3f", ci.low) + ", " + figure("%.3f", ci.high) + "]";
}

// One measure of the comparison as a table: per thread count, what each side's figure rests on
// and the figure, B over A with its interval, and the verdict. Time and speed-up differ only in
// these columns.
struct MeasureColumns {
    const char* heading; // the title line and the column names
    int CountComparison::*behind_a;
    int CountComparison::*behind_b;
    int behind_width;
    double CountComparison::*figure_a;
    double CountComparison::*figure_b;
    const char* figure_format;
    int figure_width;
    RatioEstimate CountComparison::*ratio;
    std::string (*verdict)(const CountComparison&);
    std::string (*change)(const CountComparison&); // the verdict's word, for the record
};

const MeasureColumns time_columns = {
    "time per call (B/A below 1: B faster)\n"
    "threads  runs A  runs B  median A (s)  median B (s)    B/A   95 % interval     verdict\n",
    &CountComparison::runs_a,
    &CountComparison::runs_b,
    8,
    &CountComparison::median_a_s,
    &CountComparison::median_b_s,
    "%.6f",
    14,
    &CountComparison::time,
    time_verdict,
    time_change_name};

const MeasureColumns speedup_columns = {
    "speed-up over each side's own baseline (B/A above 1: B scales better)\n"
    "threads  pairs A  pairs B  speed-up A  speed-up B    B/A   95 % interval     verdict\n",
    &CountComparison::pairs_a,
    &CountComparison::pairs_b,
    9,
    &CountComparison::speedup_a,
    &CountComparison::speedup_b,
    "%.3f",
    12,
    &CountComparison::speedup,
    speedup_verdict,
    speedup_change_name};

std::string measure_table(const Comparison& comparison, const MeasureColumns& m)
{
    std::string text = m.heading;
    for (const CountComparison& c : comparison.counts) {
        const RatioEstimate& ratio = c.*m.ratio;
        text += column(std::to_string(c.threads), 7) + column(std::to_string(c.*m.behind_a), m.behind_width) +
                column(std::to_string(c.*m.behind_b), m.behind_width) +
                column(figure(m.figure_format, c.*m.figure_a), m.figure_width) +
                column(figure(m.figure_format, c.*m.figure_b), m.figure_width) +
                column(figure("%.3f", ratio.ratio), 7) + column(interval_text(ratio.interval), 16) + "     " +
                m.verdict(c) + "\n";
    }
    return text;
}

std::string warnings_text(const std::string& name, const std::vector<Warning>& warnings)
{
    std::string text;
    for (const Warning& w : warnings)
        text += "warning of " + name + " (" + shown(w.kind) + "): " + shown(w.message) + "\n";
    return text;
}

ComparisonSide side_record(const Side& side, const CountedRounds& rounds)
{
    ComparisonSide record;
    record.record = side.record_path;
    record.samples = side.samples_path;
    record.rounds_counted = static_cast<int>(rounds.counted.size());
    record.rounds_incomplete = rounds.incomplete;
    record.rounds_starved = rounds.starved;
    record.warnings = side.record.warnings;
    return record;
}

// Every scan of the comparison in order, A's then B's, each with its side's name.
template <typename Visit>
void for_each_scan(const ComparisonReport& report, Visit visit)
{
    visit("A", report.a, report.rounds_a);
    for (std::size_t i = 0; i < report.more_a.size() && i < report.more_rounds_a.size(); ++i)
        visit("A", report.more_a[i], report.more_rounds_a[i]);
    visit("B", report.b, report.rounds_b);
    for (std::size_t i = 0; i < report.more_b.size() && i < report.more_rounds_b.size(); ++i)
        visit("B", report.more_b[i], report.more_rounds_b[i]);
}

// The record holds each measure as its table shows it, with the verdict's word beside it.
ComparedMeasure measure_record(const CountComparison& c, const MeasureColumns& m)
{
    const RatioEstimate& ratio = c.*m.ratio;
    return {c.*m.behind_a,      c.*m.behind_b,       c.*m.figure_a, c.*m.figure_b, ratio.ratio,
            ratio.interval.low, ratio.interval.high, m.change(c),   m.verdict(c)};
}

ComparisonCount count_record(const CountComparison& c)
{
    return {c.threads, measure_record(c, time_columns), measure_record(c, speedup_columns)};
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
    const bool several = !report.more_a.empty() || !report.more_b.empty();
    std::snprintf(heading, sizeof(heading),
                  "tilebench-compare: ratios B/A with %g %% intervals (each side's %s resampled on their own, "
                  "seed %llu), noise band +-%g %%\n",
                  s.confidence * 100.0, several ? "scans, and their rounds," : "rounds",
                  static_cast<unsigned long long>(s.seed), s.threshold * 100.0);
    std::string text = heading;
    for_each_scan(report, [&](const char* name, const Side& side, const CountedRounds& rounds) {
        text += side_line(name, side, rounds);
    });
    for (const Difference& d : report.differences)
        text += "differs: " + d.what + ": A " + shown(d.a) + ", B " + shown(d.b) + "\n";
    if (report.differences.empty())
        text += "differs: nothing the records hold\n";
    // With several scans a side, each scan's warnings and starved rounds say which scan.
    const auto label = [several](const char* name, const Side& side) {
        return several ? std::string(name) + ", " + shown(side.record_path) : std::string(name);
    };
    for_each_scan(report, [&](const char* name, const Side& side, const CountedRounds&) {
        text += warnings_text(label(name, side), side.record.warnings);
    });
    for_each_scan(report, [&](const char* name, const Side& side, const CountedRounds& rounds) {
        text += starved_text(label(name, side), rounds);
    });
    if (!comparison.only_in_a.empty())
        text += "thread counts in A only: " + count_list(comparison.only_in_a) + "\n";
    if (!comparison.only_in_b.empty())
        text += "thread counts in B only: " + count_list(comparison.only_in_b) + "\n";
    return text + "\n" + measure_table(comparison, time_columns) + "\n" + measure_table(comparison, speedup_columns);
}

ComparisonRecord comparison_record(const ComparisonReport& report)
{
    const Comparison& comparison = report.comparison;
    const CompareSettings& s = comparison.settings;
    ComparisonRecord record;
    record.a = side_record(report.a, report.rounds_a);
    record.b = side_record(report.b, report.rounds_b);
    for (std::size_t i = 0; i < report.more_a.size() && i < report.more_rounds_a.size(); ++i)
        record.more_a.push_back(side_record(report.more_a[i], report.more_rounds_a[i]));
    for (std::size_t i = 0; i < report.more_b.size() && i < report.more_rounds_b.size(); ++i)
        record.more_b.push_back(side_record(report.more_b[i], report.more_rounds_b[i]));
    record.seed = s.seed;
    record.resamples = s.resamples;
    record.confidence = s.confidence;
    record.threshold = s.threshold;
    record.minimum_rounds = s.minimum_rounds;
    for (const Difference& d : report.differences)
        record.differences.push_back({d.what, d.a, d.b, d.other_work});
    record.only_in_a = comparison.only_in_a;
    record.only_in_b = comparison.only_in_b;
    for (const CountComparison& c : comparison.counts)
        record.thread_counts.push_back(count_record(c));
    if (report.fail_if_slower >= 0.0)
        record.fail_if_slower = report.fail_if_slower;
    record.slower_beyond_limit = counts_slower_beyond(report);
    return record;
}
