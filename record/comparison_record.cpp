#include "record/comparison_record.h"

#include "record/record_keys.h"

#include <stdexcept>

using json_keys::Json;
using json_keys::Of;

void to_json(nlohmann::ordered_json& json, const ComparisonRecord& record)
{
    json = Json::object();
    json[json_keys::comparison_version_key] = comparison_record_version;
    json_keys::write_keys(json, record, keys_of(Of<ComparisonRecord>()), false);
}

void from_json(const nlohmann::ordered_json& json, ComparisonRecord& record)
{
    json_keys::require_object(json, "record");
    int version = 0;
    json_keys::read_value(json, "", json_keys::comparison_version_key, version, json_keys::needed);
    if (version > comparison_record_version)
        throw std::runtime_error("a comparison record of format " + std::to_string(version) +
                                 ", newer than this program reads (" + std::to_string(comparison_record_version) + ")");
    ComparisonRecord read;
    json_keys::convert(json, "", read);
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
           json.begin().key() == json_keys::comparison_version_key;
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
