#include "record/scan_record.h"

#include "record/json_values.h"

#include <cmath>
#include <stdexcept>
#include <tuple>
#include <type_traits>

namespace {

using Json = nlohmann::ordered_json;

// A record that cannot be read; what() names the key at fault by its path in the record.
struct Damaged : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A record written by a newer tilebench-scan than this program knows.
struct NewerRecord : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What a key asks of the writer and the reader beyond its value.
enum KeyRule : unsigned {
    plain = 0,
    needed = 1u << 0,     // a reader refuses a record without it
    null_unset = 1u << 1, // empty text, or a count of 0 or less, is written as null: unknown, or none
    // Left out when unset, so that a record from before the key was kept is written back as it was.
    left_out_unset = 1u << 2,
    // Written only by a scan that ran the capacity probe: a record from before the probe keeps its shape.
    probe_only = 1u << 3,
};

template <class T, class = void>
struct HasEmpty : std::false_type {
};

template <class T>
struct HasEmpty<T, std::void_t<decltype(std::declval<const T&>().empty())>> : std::true_type {
};

// Unset: empty text or list, a count of 0 or less; a whole record is never unset.
template <class T>
bool is_unset(const T& value)
{
    if constexpr (std::is_same_v<T, bool>)
        return !value;
    else if constexpr (std::is_arithmetic_v<T>)
        return value <= 0;
    else if constexpr (HasEmpty<T>::value)
        return value.empty();
    else
        return false;
}

template <class T>
bool is_unset(const std::optional<T>& value)
{
    return !value;
}

// One key of a record: its name on disk, the field that holds it, its rules, and the name it
// had in an older record, still read.
template <class Owner, class Field>
struct Key {
    const char* name;
    Field Owner::*field;
    unsigned rules;
    const char* older;
};

template <class Owner, class Field>
Key<Owner, Field> key(const char* name, Field Owner::*field, unsigned rules = plain, const char* older = nullptr)
{
    return {name, field, rules, older};
}

// Keys of one record written together, as an object of their own under name.
template <class... Keys>
struct Group {
    const char* name;
    std::tuple<Keys...> keys;
};

template <class... Keys>
Group<Keys...> group(const char* name, Keys... keys)
{
    return {name, std::make_tuple(keys...)};
}

// --- the keys of each record type, in their order on disk: the one list that the writer and
// the reader both walk, so that the two cannot drift apart ---

template <class T>
struct Of {
};

auto keys_of(Of<RecordParameters>)
{
    using R = RecordParameters;
    return std::make_tuple(
        key("size", &R::size, needed), key("block", &R::block, needed), key("threads", &R::threads),
        key("threads_text", &R::threads_text), key("kernel", &R::kernel), key("precision", &R::precision),
        key("min_runs", &R::min_runs), key("max_runs", &R::max_runs), key("time_limit_s", &R::time_limit_s),
        key("warmup", &R::warmup), key("seed", &R::seed), key("bind", &R::bind), key("output", &R::output),
        key("confidence", &R::confidence), key("timer", &R::timer), key("probe", &R::probe, left_out_unset));
}

auto keys_of(Of<CacheInfo>)
{
    using R = CacheInfo;
    return std::make_tuple(key("level", &R::level), key("size_bytes", &R::size_bytes), key("shared_by", &R::shared_by),
                           key("count", &R::count));
}

auto keys_of(Of<RecordMachine>)
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

auto keys_of(Of<BuildInfo>)
{
    using R = BuildInfo;
    return std::make_tuple(key("version", &R::version), key("revision", &R::revision), key("compiler", &R::compiler),
                           key("build_type", &R::build_type), key("kernel_flags", &R::kernel_flags),
                           key("openmp_version", &R::openmp_version), key("openmp_runtime", &R::openmp_runtime));
}

auto keys_of(Of<RecordConfiguration>)
{
    using R = RecordConfiguration;
    return std::make_tuple(key("kind", &R::kind), key("threads", &R::threads, needed), key("teams", &R::teams),
                           key("runs", &R::runs, needed), key("median_s", &R::median_s, needed),
                           key("ci_low_s", &R::ci_low_s, needed), key("ci_high_s", &R::ci_high_s, needed),
                           key("ci_coverage", &R::ci_coverage), key("min_s", &R::min_s), key("max_s", &R::max_s),
                           key("gflops", &R::gflops), key("placement", &R::placement));
}

// Version 1 named the bound for the tiled kernel alone, though it held the untiled one's too.
auto keys_of(Of<RecordSpeedup>)
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

auto keys_of(Of<RecordProbeRound>)
{
    using R = RecordProbeRound;
    return std::make_tuple(key("round", &R::round, needed), key("end_s", &R::end_s), key("cpus", &R::cpus),
                           key("gflops", &R::gflops), key("relative", &R::relative), key("starved", &R::starved),
                           key("speedups", &R::speedups), key("waited", &R::waited));
}

auto keys_of(Of<RecordProbe>)
{
    using R = RecordProbe;
    return std::make_tuple(key("order", &R::order), key("calls", &R::calls), key("rule", &R::rule),
                           key("floor", &R::floor), key("noise_multiple", &R::noise_multiple),
                           key("ceiling", &R::ceiling), key("wait_limit", &R::wait_limit),
                           key("healthy_gflops", &R::healthy_gflops), key("noise", &R::noise),
                           key("threshold", &R::threshold), key("seconds", &R::seconds), key("rounds", &R::rounds));
}

auto keys_of(Of<Warning>)
{
    using R = Warning;
    return std::make_tuple(key("kind", &R::kind), key("message", &R::message));
}

auto keys_of(Of<RecordEdge>)
{
    using R = RecordEdge;
    return std::make_tuple(key("block", &R::block, needed), key("median_s", &R::median_s, needed),
                           key("ci_low_s", &R::ci_low_s), key("ci_high_s", &R::ci_high_s),
                           key("ratio_to_fastest", &R::ratio_to_fastest), key("ratio_ci_low", &R::ratio_ci_low),
                           key("ratio_ci_high", &R::ratio_ci_high), key("pairs", &R::pairs),
                           key("fastest", &R::fastest), key("indistinguishable", &R::indistinguishable));
}

auto keys_of(Of<RecordEdgeRanking>)
{
    using R = RecordEdgeRanking;
    return std::make_tuple(key("threads", &R::threads, needed), key("fastest_block", &R::fastest_block),
                           key("best_sequential_block", &R::best_sequential_block), key("speedup", &R::speedup),
                           key("speedup_ci_low", &R::speedup_ci_low), key("speedup_ci_high", &R::speedup_ci_high),
                           key("speedup_pairs", &R::speedup_pairs), key("edges", &R::edges, needed));
}

auto keys_of(Of<RecordCell>)
{
    using R = RecordCell;
    return std::make_tuple(key("block", &R::block, needed), key("working_set_bytes", &R::working_set_bytes),
                           key("cache_level", &R::cache_level), key("configurations", &R::configurations, needed),
                           key("speedup", &R::speedups, needed));
}

auto keys_of(Of<RecordCacheEdge>)
{
    using R = RecordCacheEdge;
    return std::make_tuple(key("level", &R::level), key("size_bytes", &R::size_bytes), key("edge", &R::edge));
}

auto keys_of(Of<RecordStudySize>)
{
    using R = RecordStudySize;
    return std::make_tuple(key("size", &R::size, needed), key("seed", &R::seed), key("rounds", &R::rounds),
                           key("samples", &R::samples), key("elapsed_s", &R::elapsed_s),
                           key("stop_reason", &R::stop_reason), key("cache_edges", &R::cache_edges),
                           key("cells", &R::cells, needed), key("rankings", &R::rankings, needed));
}

auto keys_of(Of<RecordStudy>)
{
    using R = RecordStudy;
    return std::make_tuple(key("sizes", &R::sizes), key("sizes_text", &R::sizes_text), key("blocks", &R::blocks),
                           key("blocks_text", &R::blocks_text), key("tolerance", &R::tolerance),
                           key("sequential_rate_flops", &R::sequential_rate_flops),
                           key("estimated_minimum_s", &R::estimated_minimum_s), key("per_size", &R::per_size, needed));
}

// Every key after format_version, which the record's version check reads before the rest.
auto keys_of(Of<ScanRecord>)
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

// --- writing ---

Json written(const std::vector<std::pair<std::string, std::string>>& environment, bool probed);
template <class T>
Json written(const std::vector<T>& items, bool probed);
template <class T>
Json written(const std::optional<T>& value, bool probed);
template <class T>
Json written(const T& value, bool probed);

template <class Record, class Keys>
void write_keys(Json& json, const Record& record, const Keys& keys, bool probed);

// probed: whether the scan ran the capacity probe, for the keys that only such a scan writes.
template <class Record, class Owner, class Field>
void write_key(Json& json, const Record& record, const Key<Owner, Field>& key, bool probed)
{
    const Field& value = record.*key.field;
    if ((key.rules & probe_only) && !probed)
        return;
    if ((key.rules & left_out_unset) && is_unset(value))
        return;
    json[key.name] = (key.rules & null_unset) && is_unset(value) ? Json(nullptr) : written(value, probed);
}

template <class Record, class... Keys>
void write_key(Json& json, const Record& record, const Group<Keys...>& group, bool probed)
{
    Json inner = Json::object();
    write_keys(inner, record, group.keys, probed);
    json[group.name] = std::move(inner);
}

template <class Record, class Keys>
void write_keys(Json& json, const Record& record, const Keys& keys, bool probed)
{
    std::apply([&](const auto&... each) { (write_key(json, record, each, probed), ...); }, keys);
}

Json written(const std::vector<std::pair<std::string, std::string>>& environment, bool /*probed*/)
{
    Json object = Json::object();
    for (const auto& [name, value] : environment)
        object[name] = value;
    return object;
}

template <class T>
Json written(const std::vector<T>& items, bool probed)
{
    return list_json(items, [probed](const T& item) { return written(item, probed); });
}

template <class T>
Json written(const std::optional<T>& value, bool probed)
{
    return written(*value, probed);
}

template <class T>
Json written(const T& value, bool probed)
{
    if constexpr (std::is_same_v<T, double>) {
        return figure_json(value);
    } else if constexpr (std::is_arithmetic_v<T> || std::is_same_v<T, std::string>) {
        return Json(value);
    } else {
        Json json = Json::object();
        write_keys(json, value, keys_of(Of<T>()), probed);
        return json;
    }
}

// --- reading: one conversion per kind of value, each naming the value's path when it refuses ---

std::string at(const std::string& path, const std::string& key)
{
    return path.empty() ? key : path + "." + key;
}

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

void require_object(const Json& value, const std::string& path)
{
    if (!value.is_object())
        throw Damaged(quoted(path) + " is not an object");
}

// Never wrapped: a whole number too large for its field is refused, not read as another one.
template <class Integer>
void convert_whole(const Json& value, const std::string& path, Integer& out)
{
    if (!value.is_number_integer())
        throw Damaged(quoted(path) + " is not a whole number");
    const bool fits = value.is_number_unsigned() ? value.get<std::uint64_t>() <=
                                                       static_cast<std::uint64_t>(std::numeric_limits<Integer>::max())
                                                 : value.get<long long>() >= std::numeric_limits<Integer>::min() &&
                                                       value.get<long long>() <= std::numeric_limits<Integer>::max();
    if (!fits)
        throw Damaged(quoted(path) + " " + value.dump() + " is out of range");
    out = static_cast<Integer>(value.get<long long>());
}

void convert(const Json& value, const std::string& path, int& out)
{
    convert_whole(value, path, out);
}

void convert(const Json& value, const std::string& path, long& out)
{
    convert_whole(value, path, out);
}

void convert(const Json& value, const std::string& path, long long& out)
{
    convert_whole(value, path, out);
}

void convert(const Json& value, const std::string& path, std::uint64_t& out)
{
    if (!value.is_number_integer() || (!value.is_number_unsigned() && value.get<long long>() < 0))
        throw Damaged(quoted(path) + " is not a whole number of 0 or more");
    out = value.get<std::uint64_t>();
}

void convert(const Json& value, const std::string& path, double& out)
{
    if (value.is_null()) {
        out = no_value;
        return;
    }
    if (!value.is_number())
        throw Damaged(quoted(path) + " is not a number");
    out = value.get<double>();
}

void convert(const Json& value, const std::string& path, std::string& out)
{
    if (!value.is_string())
        throw Damaged(quoted(path) + " is not text");
    out = value.get<std::string>();
}

void convert(const Json& value, const std::string& path, bool& out)
{
    if (!value.is_boolean())
        throw Damaged(quoted(path) + " is not true or false");
    out = value.get<bool>();
}

void convert(const Json& value, const std::string& path, std::vector<std::pair<std::string, std::string>>& out)
{
    require_object(value, path);
    out.clear();
    for (const auto& [name, text] : value.items()) {
        std::string read;
        convert(text, path, read); // the name is the record's own text: never echoed into a message
        out.emplace_back(name, read);
    }
}

template <class T>
void convert(const Json& value, const std::string& path, std::vector<T>& out);
template <class T>
void convert(const Json& value, const std::string& path, std::optional<T>& out);
template <class T>
void convert(const Json& value, const std::string& path, T& out);

template <class Record, class Keys>
void read_keys(const Json& json, const std::string& path, Record& record, const Keys& keys);

// A key that is missing or null leaves its field at its default, unless the key is needed; a
// needed figure may still be null, which reads as NaN.
template <class Record, class Owner, class Field>
void read_key(const Json& json, const std::string& path, Record& record, const Key<Owner, Field>& key)
{
    const char* name = key.older && !json.contains(key.name) && json.contains(key.older) ? key.older : key.name;
    const auto found = json.find(name);
    if (found == json.end() && (key.rules & needed))
        throw Damaged(quoted(at(path, name)) + " is missing");
    if (found != json.end() && (!found->is_null() || (key.rules & needed)))
        convert(*found, at(path, name), record.*key.field);
}

template <class Record, class... Keys>
void read_key(const Json& json, const std::string& path, Record& record, const Group<Keys...>& group)
{
    const auto found = json.find(group.name);
    if (found == json.end() || found->is_null())
        return;
    require_object(*found, at(path, group.name));
    read_keys(*found, at(path, group.name), record, group.keys);
}

template <class Record, class Keys>
void read_keys(const Json& json, const std::string& path, Record& record, const Keys& keys)
{
    std::apply([&](const auto&... each) { (read_key(json, path, record, each), ...); }, keys);
}

template <class T>
void convert(const Json& value, const std::string& path, std::vector<T>& out)
{
    if (!value.is_array())
        throw Damaged(quoted(path) + " is not a list");
    out.assign(value.size(), T());
    for (std::size_t i = 0; i < value.size(); ++i)
        convert(value[i], path + "[" + std::to_string(i) + "]", out[i]);
}

template <class T>
void convert(const Json& value, const std::string& path, std::optional<T>& out)
{
    out.emplace();
    convert(value, path, *out);
}

// What a reader checks of a record beyond its keys: nothing, but for the types below.
template <class T>
void check_read(const T& /*read*/, const std::string& /*path*/)
{
}

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

void check_read(const RecordCell& cell, const std::string& path)
{
    check_pairs(cell.configurations, cell.speedups, path);
}

// A size's rankings are tables of its cells: one edge per cell, in the cells' order.
void check_read(const RecordStudySize& size, const std::string& path)
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
void check_read(const ScanRecord& record, const std::string& /*path*/)
{
    if (!record.study)
        check_pairs(record.configurations, record.speedups, "");
    else if (!record.configurations.empty() || !record.speedups.empty())
        throw Damaged("a study's 'configurations' and 'speedup' are in its cells, not at the top");
}

template <class T>
void convert(const Json& value, const std::string& path, T& out)
{
    require_object(value, path);
    read_keys(value, path, out, keys_of(Of<T>()));
    check_read(out, path);
}

// 1 for a record without the key, which predates it.
void check_version(const Json& json)
{
    int version = 1;
    const auto found = json.find("format_version");
    if (found != json.end() && !found->is_null())
        convert(*found, "format_version", version);
    if (version < 1)
        throw Damaged("'format_version' " + std::to_string(version) + " is not a version");
    if (version > scan_record_version)
        throw NewerRecord("scan record format_version " + std::to_string(version) +
                          " is newer than this program reads (" + std::to_string(scan_record_version) +
                          "); read it with the tilebench that wrote it");
}

} // namespace

void to_json(Json& json, const ScanRecord& record)
{
    json = Json::object();
    json["format_version"] = scan_record_version;
    write_keys(json, record, keys_of(Of<ScanRecord>()), !record.parameters.probe.empty());
}

void from_json(const Json& json, ScanRecord& record)
{
    require_object(json, "record");
    check_version(json);
    ScanRecord read;
    read_keys(json, "", read, keys_of(Of<ScanRecord>()));
    check_read(read, "");
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
