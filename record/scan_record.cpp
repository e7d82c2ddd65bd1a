#include "record/scan_record.h"

#include "record/record_keys.h"

#include <stdexcept>
#include <string>

using json_keys::Damaged;
using json_keys::Json;
using json_keys::Of;
using json_keys::quoted;

namespace {

// A record written by a newer tilebench-scan than this program knows.
struct NewerRecord : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The table pairs configuration i + 1 with speed-up i; figures where they do not pair up cannot
// be shown. path names where they are, for the message.
void check_pairs(const std::vector<RecordConfiguration>& configurations, const std::vector<RecordSpeedup>& speedups,
                 const std::string& path)
{
    const std::string where = path.empty() ? "" : " of " + quoted(path);
    if (configurations.empty() || configurations.size() != speedups.size() + 1)
        throw Damaged("'configurations'" + where + " must hold the baseline and one entry per 'speedup'");
    for (std::size_t i = 0; i < speedups.size(); ++i)
        if (configurations[i + 1].threads != speedups[i].threads)
            throw Damaged("configuration " + std::to_string(i + 1) + where + " and its speed-up disagree on threads");
}

// 1 for a record without the key, which predates it.
void check_version(const Json& json)
{
    int version = 1;
    json_keys::read_value(json, "", json_keys::scan_version_key, version);
    if (version < 1)
        throw Damaged(quoted(json_keys::scan_version_key) + " " + std::to_string(version) + " is not a version");
    if (version > scan_record_version)
        throw NewerRecord("scan record " + json_keys::scan_version_key + " " + std::to_string(version) +
                          " is newer than this program reads (" + std::to_string(scan_record_version) +
                          "); read it with the tilebench that wrote it");
}

} // namespace

namespace json_keys {

static void check_read(Of<RecordCell>, const RecordCell& cell, const std::string& path)
{
    check_pairs(cell.configurations, cell.speedups, path);
}

// A size's rankings are tables of its cells: one edge per cell, in the cells' order.
static void check_read(Of<RecordStudySize>, const RecordStudySize& size, const std::string& path)
{
    for (std::size_t r = 0; r < size.rankings.size(); ++r) {
        const auto& edges = size.rankings[r].edges;
        bool same = edges.size() == size.cells.size();
        for (std::size_t e = 0; same && e < edges.size(); ++e)
            same = edges[e].block == size.cells[e].block;
        if (!same)
            throw Damaged(quoted(at(path, "rankings[" + std::to_string(r) + "]")) +
                          " does not hold one edge per cell, in the cells' order");
    }
}

// A scan's figures are at the top; a study's are in its cells, and the top holds none.
static void check_read(Of<ScanRecord>, const ScanRecord& record, const std::string& /*path*/)
{
    if (!record.study)
        check_pairs(record.configurations, record.speedups, "");
    else if (!record.configurations.empty() || !record.speedups.empty())
        throw Damaged("a study's 'configurations' and 'speedup' are in its cells, not at the top");
}

} // namespace json_keys

void to_json(nlohmann::ordered_json& json, const ScanRecord& record)
{
    json = Json::object();
    json[json_keys::scan_version_key] = scan_record_version;
    json_keys::write_keys(json, record, keys_of(Of<ScanRecord>()), !record.parameters.probe.empty());
}

void from_json(const nlohmann::ordered_json& json, ScanRecord& record)
{
    json_keys::require_object(json, "record");
    check_version(json);
    ScanRecord read;
    json_keys::convert(json, "", read);
    record = std::move(read);
}

std::string scan_record_text(const ScanRecord& record)
{
    return Json(record).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool parse_scan_record(const std::string& text, ScanRecord& record, std::string& problem)
{
    const Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        problem = "damaged scan record: not a complete JSON object";
        return false;
    }
    try {
        record = json.get<ScanRecord>();
    } catch (const NewerRecord& e) {
        problem = e.what();
        return false;
    } catch (const std::exception& e) {
        problem = std::string("damaged scan record: ") + e.what();
        return false;
    }
    return true;
}
