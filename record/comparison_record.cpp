#include "record/comparison_record.h"

#include "record/json_values.h"

#include <cmath>
#include <stdexcept>

namespace {

using Json = nlohmann::ordered_json;

// A figure read back: null is NaN; anything but a number is refused by get().
double figure_of(const Json& object, const char* key)
{
    const Json& value = object.at(key);
    return value.is_null() ? std::numeric_limits<double>::quiet_NaN() : value.get<double>();
}

Json side_json(const ComparisonSide& side)
{
    return {{"record", side.record},
            {"samples", side.samples},
            {"rounds_counted", side.rounds_counted},
            {"rounds_incomplete", side.rounds_incomplete},
            {"rounds_starved", side.rounds_starved},
            {"warnings", list_json(side.warnings, warning_json)}};
}

ComparisonSide side_of(const Json& json)
{
    ComparisonSide side;
    side.record = json.at("record").get<std::string>();
    side.samples = json.at("samples").get<std::string>();
    side.rounds_counted = json.at("rounds_counted").get<int>();
    side.rounds_incomplete = json.at("rounds_incomplete").get<std::vector<int>>();
    if (json.contains("rounds_starved"))
        side.rounds_starved = json.at("rounds_starved").get<std::vector<int>>();
    for (const Json& w : json.at("warnings"))
        side.warnings.push_back(Warning{w.at("kind").get<std::string>(), w.at("message").get<std::string>()});
    return side;
}

Json count_json(const ComparisonCount& c)
{
    return {{"threads", c.threads},
            {"runs_a", c.runs_a},
            {"runs_b", c.runs_b},
            {"median_a_s", figure_json(c.median_a_s)},
            {"median_b_s", figure_json(c.median_b_s)},
            {"time_ratio", figure_json(c.time_ratio)},
            {"time_ci_low", figure_json(c.time_ci_low)},
            {"time_ci_high", figure_json(c.time_ci_high)},
            {"time_change", c.time_change},
            {"time_verdict", c.time_verdict},
            {"pairs_a", c.pairs_a},
            {"pairs_b", c.pairs_b},
            {"speedup_a", figure_json(c.speedup_a)},
            {"speedup_b", figure_json(c.speedup_b)},
            {"speedup_ratio", figure_json(c.speedup_ratio)},
            {"speedup_ci_low", figure_json(c.speedup_ci_low)},
            {"speedup_ci_high", figure_json(c.speedup_ci_high)},
            {"speedup_change", c.speedup_change},
            {"speedup_verdict", c.speedup_verdict}};
}

ComparisonCount count_of(const Json& json)
{
    ComparisonCount c;
    c.threads = json.at("threads").get<int>();
    c.runs_a = json.at("runs_a").get<int>();
    c.runs_b = json.at("runs_b").get<int>();
    c.median_a_s = figure_of(json, "median_a_s");
    c.median_b_s = figure_of(json, "median_b_s");
    c.time_ratio = figure_of(json, "time_ratio");
    c.time_ci_low = figure_of(json, "time_ci_low");
    c.time_ci_high = figure_of(json, "time_ci_high");
    c.time_change = json.at("time_change").get<std::string>();
    c.time_verdict = json.at("time_verdict").get<std::string>();
    c.pairs_a = json.at("pairs_a").get<int>();
    c.pairs_b = json.at("pairs_b").get<int>();
    c.speedup_a = figure_of(json, "speedup_a");
    c.speedup_b = figure_of(json, "speedup_b");
    c.speedup_ratio = figure_of(json, "speedup_ratio");
    c.speedup_ci_low = figure_of(json, "speedup_ci_low");
    c.speedup_ci_high = figure_of(json, "speedup_ci_high");
    c.speedup_change = json.at("speedup_change").get<std::string>();
    c.speedup_verdict = json.at("speedup_verdict").get<std::string>();
    return c;
}

std::vector<ComparisonSide> sides_of(const Json& json, const char* key)
{
    std::vector<ComparisonSide> sides;
    if (json.contains(key))
        for (const Json& side : json.at(key))
            sides.push_back(side_of(side));
    return sides;
}

} // namespace

void to_json(nlohmann::ordered_json& json, const ComparisonRecord& record)
{
    const auto difference_json = [](const ComparisonDifference& d) {
        return Json{{"what", d.what}, {"a", d.a}, {"b", d.b}, {"other_work", d.other_work}};
    };
    json = {{"comparison_format_version", comparison_record_version},
            {"a", side_json(record.a)},
            {"b", side_json(record.b)},
            {"more_a", list_json(record.more_a, side_json)},
            {"more_b", list_json(record.more_b, side_json)},
            {"seed", record.seed},
            {"resamples", record.resamples},
            {"confidence", record.confidence},
            {"threshold", record.threshold},
            {"minimum_rounds", record.minimum_rounds},
            {"differences", list_json(record.differences, difference_json)},
            {"only_in_a", record.only_in_a},
            {"only_in_b", record.only_in_b},
            {"thread_counts", list_json(record.thread_counts, count_json)},
            {"fail_if_slower", figure_json(record.fail_if_slower)},
            {"slower_beyond_limit", record.slower_beyond_limit}};
}

void from_json(const nlohmann::ordered_json& json, ComparisonRecord& record)
{
    const int version = json.at("comparison_format_version").get<int>();
    if (version > comparison_record_version)
        throw std::runtime_error("a comparison record of format " + std::to_string(version) +
                                 ", newer than this program reads (" + std::to_string(comparison_record_version) + ")");
    record.a = side_of(json.at("a"));
    record.b = side_of(json.at("b"));
    // Absent from records of comparisons of one scan a side, written before sides had more.
    record.more_a = sides_of(json, "more_a");
    record.more_b = sides_of(json, "more_b");
    record.seed = json.at("seed").get<std::uint64_t>();
    record.resamples = json.at("resamples").get<int>();
    record.confidence = json.at("confidence").get<double>();
    record.threshold = json.at("threshold").get<double>();
    record.minimum_rounds = json.at("minimum_rounds").get<int>();
    record.differences.clear();
    for (const Json& d : json.at("differences"))
        record.differences.push_back({d.at("what").get<std::string>(), d.at("a").get<std::string>(),
                                      d.at("b").get<std::string>(), d.at("other_work").get<bool>()});
    record.only_in_a = json.at("only_in_a").get<std::vector<int>>();
    record.only_in_b = json.at("only_in_b").get<std::vector<int>>();
    record.thread_counts.clear();
    for (const Json& c : json.at("thread_counts"))
        record.thread_counts.push_back(count_of(c));
    record.fail_if_slower = figure_of(json, "fail_if_slower");
    record.slower_beyond_limit = json.at("slower_beyond_limit").get<std::vector<int>>();
}

std::string comparison_record_text(const ComparisonRecord& record)
{
    return Json(record).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool looks_like_comparison_record(const std::string& text)
{
    const Json json = Json::parse(text, nullptr, false);
    return !json.is_discarded() && json.is_object() && !json.empty() &&
           json.begin().key() == "comparison_format_version";
}

bool parse_comparison_record(const std::string& text, ComparisonRecord& record, std::string& problem)
{
    const Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        problem = "damaged comparison record: not a complete JSON object";
        return false;
    }
    try {
        record = json.get<ComparisonRecord>();
    } catch (const std::exception& e) {
        std::string what = e.what();
        for (char& c : what)
            if (c == '\n')
                c = ' ';
        problem = "damaged comparison record: " + what;
        return false;
    }
    return true;
}
