#include "record/comparison_record.h"

#include "record/json_keys.h"

#include <stdexcept>

using json_keys::Json;
using json_keys::Of;

namespace {

// The keys of one measure of a count.
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

} // namespace

namespace json_keys {

static auto keys_of(Of<ComparisonSide>)
{
    using S = ComparisonSide;
    // rounds_starved: absent from records written before a side's starved rounds were left out.
    return std::make_tuple(key("record", &S::record, needed), key("samples", &S::samples, needed),
                           key("rounds_counted", &S::rounds_counted, needed),
                           key("rounds_incomplete", &S::rounds_incomplete, needed),
                           key("rounds_starved", &S::rounds_starved), key("warnings", &S::warnings, needed));
}

static auto keys_of(Of<ComparisonDifference>)
{
    using D = ComparisonDifference;
    return std::make_tuple(key("what", &D::what, needed), key("a", &D::a, needed), key("b", &D::b, needed),
                           key("other_work", &D::other_work, needed));
}

// A measure's keys stand among its count's, each named for the measure: runs_a, time_ratio, ...
static auto measure_keys(ComparedMeasure ComparisonCount::*measure, const MeasureKeys& names)
{
    using M = ComparedMeasure;
    return within(measure, key(names.behind_a, &M::behind_a, needed), key(names.behind_b, &M::behind_b, needed),
                  key(names.a, &M::a, needed), key(names.b, &M::b, needed), key(names.ratio, &M::ratio, needed),
                  key(names.ci_low, &M::ci_low, needed), key(names.ci_high, &M::ci_high, needed),
                  key(names.change, &M::change, needed), key(names.verdict, &M::verdict, needed));
}

static auto keys_of(Of<ComparisonCount>)
{
    return std::make_tuple(key("threads", &ComparisonCount::threads, needed),
                           measure_keys(&ComparisonCount::time, time_keys),
                           measure_keys(&ComparisonCount::speedup, speedup_keys));
}

// Every key after comparison_format_version, which is read first. more_a and more_b are absent
// from records of comparisons of one scan a side, written before sides had more.
static auto keys_of(Of<ComparisonRecord>)
{
    using R = ComparisonRecord;
    return std::make_tuple(key("a", &R::a, needed), key("b", &R::b, needed), key("more_a", &R::more_a),
                           key("more_b", &R::more_b), key("seed", &R::seed, needed),
                           key("resamples", &R::resamples, needed), key("confidence", &R::confidence, needed),
                           key("threshold", &R::threshold, needed), key("minimum_rounds", &R::minimum_rounds, needed),
                           key("differences", &R::differences, needed), key("only_in_a", &R::only_in_a, needed),
                           key("only_in_b", &R::only_in_b, needed), key("thread_counts", &R::thread_counts, needed),
                           key("fail_if_slower", &R::fail_if_slower, needed),
                           key("slower_beyond_limit", &R::slower_beyond_limit, needed));
}

} // namespace json_keys

void to_json(nlohmann::ordered_json& json, const ComparisonRecord& record)
{
    json = Json::object();
    json["comparison_format_version"] = comparison_record_version;
    json_keys::write_keys(json, record, keys_of(Of<ComparisonRecord>()), false);
}

void from_json(const nlohmann::ordered_json& json, ComparisonRecord& record)
{
    json_keys::require_object(json, "record");
    const auto found = json.find("comparison_format_version");
    if (found == json.end())
        throw json_keys::Damaged("'comparison_format_version' is missing");
    int version = 0;
    json_keys::convert(*found, "comparison_format_version", version);
    if (version > comparison_record_version)
        throw std::runtime_error("a comparison record of format " + std::to_string(version) +
                                 ", newer than this program reads (" + std::to_string(comparison_record_version) + ")");
    ComparisonRecord read;
    json_keys::read_keys(json, "", read, keys_of(Of<ComparisonRecord>()));
    record = std::move(read);
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
