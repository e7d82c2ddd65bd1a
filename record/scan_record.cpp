#include "record/scan_record.h"

#include "record/json_keys.h"

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
    const auto found = json.find("format_version");
    if (found != json.end() && !found->is_null())
        json_keys::convert(*found, "format_version", version);
    if (version < 1)
        throw Damaged("'format_version' " + std::to_string(version) + " is not a version");
    if (version > scan_record_version)
        throw NewerRecord("scan record format_version " + std::to_string(version) +
                          " is newer than this program reads (" + std::to_string(scan_record_version) +
                          "); read it with the tilebench that wrote it");
}

} // namespace

namespace json_keys {

// --- the keys of each record type, in their order on disk ---

static auto keys_of(Of<RecordParameters>)
{
    using R = RecordParameters;
    return std::make_tuple(
        key("size", &R::size, needed), key("block", &R::block, needed), key("threads", &R::threads),
        key("threads_text", &R::threads_text), key("kernel", &R::kernel), key("precision", &R::precision),
        key("min_runs", &R::min_runs), key("max_runs", &R::max_runs), key("time_limit_s", &R::time_limit_s),
        key("warmup", &R::warmup), key("seed", &R::seed), key("bind", &R::bind), key("output", &R::output),
        key("confidence", &R::confidence), key("timer", &R::timer), key("probe", &R::probe, left_out_unset));
}

static auto keys_of(Of<CacheInfo>)
{
    using R = CacheInfo;
    return std::make_tuple(key("level", &R::level), key("size_bytes", &R::size_bytes), key("shared_by", &R::shared_by),
                           key("count", &R::count));
}

static auto keys_of(Of<RecordMachine>)
{
    using R = RecordMachine;
    return std::make_tuple(key("cpu_model", &R::cpu_model, null_unset), key("packages", &R::packages),
                           key("physical_cores", &R::physical_cores), key("logical_cpus", &R::logical_cpus),
                           key("allowed_cpus", &R::allowed_cpus, left_out_unset), key("smt", &R::smt),
                           key("numa_nodes", &R::numa_nodes), key("caches", &R::caches), key("os", &R::os, null_unset),
                           key("hostname", &R::hostname, null_unset), key("governor", &R::governor, null_unset),
                           key("boost", &R::boost, null_unset),
                           group("load_average", key("start", &R::load_start), key("end", &R::load_end)),
                           key("busy_cpus_at_start", &R::busy_cpus_at_start), key("date", &R::date));
}

static auto keys_of(Of<BuildInfo>)
{
    using R = BuildInfo;
    return std::make_tuple(key("version", &R::version), key("revision", &R::revision), key("compiler", &R::compiler),
                           key("build_type", &R::build_type), key("kernel_flags", &R::kernel_flags),
                           key("openmp_version", &R::openmp_version), key("openmp_runtime", &R::openmp_runtime));
}

static auto keys_of(Of<RecordConfiguration>)
{
    using R = RecordConfiguration;
    return std::make_tuple(key("kind", &R::kind), key("threads", &R::threads, needed), key("teams", &R::teams),
                           key("runs", &R::runs, needed), key("median_s", &R::median_s, needed),
                           key("ci_low_s", &R::ci_low_s, needed), key("ci_high_s", &R::ci_high_s, needed),
                           key("ci_coverage", &R::ci_coverage), key("min_s", &R::min_s), key("max_s", &R::max_s),
                           key("gflops", &R::gflops), key("placement", &R::placement));
}

// Version 1 named the bound for the tiled kernel alone, though it held the untiled one's too.
static auto keys_of(Of<RecordSpeedup>)
{
    using R = RecordSpeedup;
    return std::make_tuple(
        key("threads", &R::threads, needed), key("pairs", &R::pairs), key("speedup", &R::speedup, needed),
        key("ci_low", &R::ci_low, needed), key("ci_high", &R::ci_high, needed),
        key("efficiency", &R::efficiency, needed), key("efficiency_ci_low", &R::efficiency_ci_low, needed),
        key("efficiency_ci_high", &R::efficiency_ci_high, needed), key("karp_flatt", &R::karp_flatt),
        key("schedule_bound", &R::schedule_bound, needed, "tile_bound"),
        key("differs_from_previous", &R::differs_from_previous), key("precision_reached", &R::precision_reached),
        key("starved_pairs", &R::starved_pairs, probe_only), key("starved_share", &R::starved_share, probe_only),
        key("starved_speedup", &R::starved_speedup, probe_only), key("starved_ci_low", &R::starved_ci_low, probe_only),
        key("starved_ci_high", &R::starved_ci_high, probe_only), key("measures_host", &R::measures_host, probe_only),
        key("regime_change_round", &R::regime_change_round, probe_only | null_unset));
}

static auto keys_of(Of<RecordProbeRound>)
{
    using R = RecordProbeRound;
    return std::make_tuple(key("round", &R::round, needed), key("end_s", &R::end_s), key("cpus", &R::cpus),
                           key("gflops", &R::gflops), key("relative", &R::relative), key("starved", &R::starved),
                           key("speedups", &R::speedups), key("waited", &R::waited));
}

static auto keys_of(Of<RecordProbe>)
{
    using R = RecordProbe;
    return std::make_tuple(key("order", &R::order), key("calls", &R::calls), key("rule", &R::rule),
                           key("floor", &R::floor), key("noise_multiple", &R::noise_multiple),
                           key("ceiling", &R::ceiling), key("wait_limit", &R::wait_limit),
                           key("healthy_gflops", &R::healthy_gflops), key("noise", &R::noise),
                           key("threshold", &R::threshold), key("seconds", &R::seconds), key("rounds", &R::rounds));
}

static auto keys_of(Of<RecordEdge>)
{
    using R = RecordEdge;
    return std::make_tuple(key("block", &R::block, needed), key("median_s", &R::median_s, needed),
                           key("ci_low_s", &R::ci_low_s), key("ci_high_s", &R::ci_high_s),
                           key("ratio_to_fastest", &R::ratio_to_fastest), key("ratio_ci_low", &R::ratio_ci_low),
                           key("ratio_ci_high", &R::ratio_ci_high), key("pairs", &R::pairs),
                           key("fastest", &R::fastest), key("indistinguishable", &R::indistinguishable));
}

static auto keys_of(Of<RecordEdgeRanking>)
{
    using R = RecordEdgeRanking;
    return std::make_tuple(key("threads", &R::threads, needed), key("fastest_block", &R::fastest_block),
                           key("best_sequential_block", &R::best_sequential_block), key("speedup", &R::speedup),
                           key("speedup_ci_low", &R::speedup_ci_low), key("speedup_ci_high", &R::speedup_ci_high),
                           key("speedup_pairs", &R::speedup_pairs), key("edges", &R::edges, needed));
}

static auto keys_of(Of<RecordCell>)
{
    using R = RecordCell;
    return std::make_tuple(key("block", &R::block, needed), key("working_set_bytes", &R::working_set_bytes),
                           key("cache_level", &R::cache_level), key("configurations", &R::configurations, needed),
                           key("speedup", &R::speedups, needed));
}

static auto keys_of(Of<RecordCacheEdge>)
{
    using R = RecordCacheEdge;
    return std::make_tuple(key("level", &R::level), key("size_bytes", &R::size_bytes), key("edge", &R::edge));
}

static auto keys_of(Of<RecordStudySize>)
{
    using R = RecordStudySize;
    return std::make_tuple(key("size", &R::size, needed), key("seed", &R::seed), key("rounds", &R::rounds),
                           key("samples", &R::samples), key("elapsed_s", &R::elapsed_s),
                           key("stop_reason", &R::stop_reason), key("cache_edges", &R::cache_edges),
                           key("cells", &R::cells, needed), key("rankings", &R::rankings, needed));
}

static auto keys_of(Of<RecordStudy>)
{
    using R = RecordStudy;
    return std::make_tuple(key("sizes", &R::sizes), key("sizes_text", &R::sizes_text), key("blocks", &R::blocks),
                           key("blocks_text", &R::blocks_text), key("tolerance", &R::tolerance),
                           key("sequential_rate_flops", &R::sequential_rate_flops),
                           key("estimated_minimum_s", &R::estimated_minimum_s), key("per_size", &R::per_size, needed));
}

// Every key after format_version, which the record's version check reads before the rest.
static auto keys_of(Of<ScanRecord>)
{
    using R = ScanRecord;
    return std::make_tuple(key("parameters", &R::parameters, needed), key("machine", &R::machine),
                           key("build", &R::build), key("environment", &R::environment),
                           key("configurations", &R::configurations, needed), key("speedup", &R::speedups, needed),
                           key("probe", &R::probe, probe_only), key("study", &R::study, left_out_unset),
                           key("warnings", &R::warnings), key("rounds", &R::rounds, needed),
                           key("samples", &R::samples), key("invalid_samples", &R::invalid_samples),
                           key("elapsed_s", &R::elapsed_s), key("timed_s", &R::timed_s, probe_only),
                           key("stop_reason", &R::stop_reason), key("interrupted", &R::interrupted));
}

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
    json["format_version"] = scan_record_version;
    json_keys::write_keys(json, record, keys_of(Of<ScanRecord>()), !record.parameters.probe.empty());
}

void from_json(const nlohmann::ordered_json& json, ScanRecord& record)
{
    json_keys::require_object(json, "record");
    check_version(json);
    ScanRecord read;
    json_keys::read_keys(json, "", read, keys_of(Of<ScanRecord>()));
    json_keys::check_read(Of<ScanRecord>(), read, "");
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
