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

// The keys of one measure of a count, in the order they are written.
struct MeasureKeys {
    const char* behind_a;
    const char* behind_b;
    const char* a;
    const char* b;
    const char* ratio;
    const char* ci_low;
    const char* ci_high;
    const char* change;
    const char* verdict;
};

const MeasureKeys time_keys = {"runs_a",      "runs_b",       "median_a_s",  "median_b_s",  "time_ratio",
                               "time_ci_low", "time_ci_high", "time_change", "time_verdict"};
const MeasureKeys speedup_keys = {"pairs_a",         "pairs_b",        "speedup_a",
                                  "speedup_b",       "speedup_ratio",  "speedup_ci_low",
                                  "speedup_ci_high", "speedup_change", "speedup_verdict"};

void add_measure(Json& json, const MeasureKeys& keys, const ComparedMeasure& m)
{
    json[keys.behind_a] = m.behind_a;
    json[keys.behind_b] = m.behind_b;
    json[keys.a] = figure_json(m.a);
    json[keys.b] = figure_json(m.b);
    json[keys.ratio] = figure_json(m.ratio);
    json[keys.ci_low] = figure_json(m.ci_low);
    json[keys.ci_high] = figure_json(m.ci_high);
    json[keys.change] = m.change;
    json[keys.verdict] = m.verdict;
}

ComparedMeasure measure_of(const Json& json, const MeasureKeys& keys)
{
    ComparedMeasure m;
    m.behind_a = json.at(keys.behind_a).get<int>();
    m.behind_b = json.at(keys.behind_b).get<int>();
    m.a = figure_of(json, keys.a);
    m.b = figure_of(json, keys.b);
    m.ratio = figure_of(json, keys.ratio);
    m.ci_low = figure_of(json, keys.ci_low);
    m.ci_high = figure_of(json, keys.ci_high);
    m.change = json.at(keys.change).get<std::string>();
    m.verdict = json.at(keys.verdict).get<std::string>();
    return m;
}

Json count_json(const ComparisonCount& c)
{
    Json json = {{"threads", c.threads}};
    add_measure(json, time_keys, c.time);
    add_measure(json, speedup_keys, c.speedup);
    return json;
}

ComparisonCount count_of(const Json& json)
{
    ComparisonCount c;
    c.threads = json.at("threads").get<int>();
    c.time = measure_of(json, time_keys);
    c.speedup = measure_of(json, speedup_keys);
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
