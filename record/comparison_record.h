// The record of a comparison, as one type: tilebench-compare fills it and writes it with
// --output, tilebench-plot reads it back to draw the ratios. Every key of the file is named in
// record_keys.h and nowhere else.
#pragma once

#include "machine/warnings.h" // Warning

#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// Written first, as "comparison_format_version", which also tells the file from a scan record.
constexpr int comparison_record_version = 1;

struct ComparisonSide {
    std::string record, samples; // the files read
    int rounds_counted = 0;
    std::vector<int> rounds_incomplete; // recorded but left out: not every configuration was timed
    std::vector<int> rounds_starved;    // left out as the scan's own figures leave them: its probe found
                                        // them starved (empty in a record written before they were)
    std::vector<Warning> warnings;      // the scan's own
};

struct ComparisonDifference {
    std::string what, a, b;
    bool other_work = false; // size, block or kernel family
};

// One measure of both sides at one thread count: what each side's figure rests on, the
// figures, B's over A's with its interval, and the judgement in a word and in a line. Figures
// that are not numbers are written as null and read back as NaN.
struct ComparedMeasure {
    int behind_a = 0, behind_b = 0;
    double a = 0, b = 0;
    double ratio = 0, ci_low = 0, ci_high = 0;
    std::string change;
    std::string verdict;
};

// One thread count both sides measured.
struct ComparisonCount {
    int threads = 0;
    // runs_a, runs_b, median_a_s, median_b_s, time_ratio, ...; change: faster, slower, none, not_judged
    ComparedMeasure time;
    // pairs_a, pairs_b, speedup_a, speedup_b, speedup_ratio, ...; change: better, worse, none, not_judged
    ComparedMeasure speedup;
};

struct ComparisonRecord {
    ComparisonSide a, b;
    std::vector<ComparisonSide> more_a, more_b; // further scans of each side, resampled with it
    std::uint64_t seed = 0;
    int resamples = 0;
    double confidence = 0.95;
    double threshold = 0.02; // a fraction: ratios within 1 +- threshold are no difference
    int minimum_rounds = 0;
    std::vector<ComparisonDifference> differences;
    std::vector<int> only_in_a, only_in_b;
    std::vector<ComparisonCount> thread_counts;
    double fail_if_slower = std::numeric_limits<double>::quiet_NaN(); // percent; NaN when not asked
    std::vector<int> slower_beyond_limit;
};

void to_json(nlohmann::ordered_json& json, const ComparisonRecord& record);

// Throws a std::exception whose what() is one line naming what is wrong: a newer format, or a
// key missing or of the wrong kind.
void from_json(const nlohmann::ordered_json& json, ComparisonRecord& record);

// Indented by two, one trailing newline; a byte of a name that is not UTF-8 becomes U+FFFD, as
// in a scan record.
std::string comparison_record_text(const ComparisonRecord& record);

// Whether text is a comparison record rather than a scan record: a JSON object whose first key
// is comparison_format_version.
bool looks_like_comparison_record(const std::string& text);

// False with one line saying why ("damaged comparison record: ...") when text is not one.
bool parse_comparison_record(const std::string& text, ComparisonRecord& record, std::string& problem);
