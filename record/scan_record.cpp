#include "record/scan_record.h"

#include "record/json_values.h"

#include <cmath>
#include <stdexcept>
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

// What a key asks of the writer and the reader beyond its value. A record's keys are listed
// once, by the keys() of its type below, and one list drives both writing and reading, so that
// the two cannot drift apart.
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

// --- the keys of each record type, in their order on disk ---
//
// K is a Writer or a Reader, and S the type itself, const when written: one template per type,
// chosen by the type S stands for.

template <class S, class Type>
using KeysOf = std::enable_if_t<std::is_same_v<std::remove_const_t<S>, Type>, int>;

template <class K, class S, KeysOf<S, RecordParameters> = 0>
void keys(K& k, S& p)
{
    k("size", p.size, needed);
    k("block", p.block, needed);
    k("threads", p.threads);
    k("threads_text", p.threads_text);
    k("kernel", p.kernel);
    k("precision", p.precision);
    k("min_runs", p.min_runs);
    k("max_runs", p.max_runs);
    k("time_limit_s", p.time_limit_s);
    k("warmup", p.warmup);
    k("seed", p.seed);
    k("bind", p.bind);
    k("output", p.output);
    k("confidence", p.confidence);
    k("timer", p.timer);
    k("probe", p.probe, left_out_unset);
}

template <class K, class S, KeysOf<S, CacheInfo> = 0>
void keys(K& k, S& c)
{
    k("level", c.level);
    k("size_bytes", c.size_bytes);
    k("shared_by", c.shared_by);
    k("count", c.count);
}

template <class K, class S, KeysOf<S, RecordMachine> = 0>
void keys(K& k, S& m)
{
    k("cpu_model", m.cpu_model, null_unset);
    k("packages", m.packages);
    k("physical_cores", m.physical_cores);
    k("logical_cpus", m.logical_cpus);
    k("allowed_cpus", m.allowed_cpus, left_out_unset);
    k("smt", m.smt);
    k("numa_nodes", m.numa_nodes);
    k("caches", m.caches);
    k("os", m.os, null_unset);
    k("hostname", m.hostname, null_unset);
    k("governor", m.governor, null_unset);
    k("boost", m.boost, null_unset);
    k.group("load_average", [&m](auto& load) {
        load("start", m.load_start);
        load("end", m.load_end);
    });
    k("busy_cpus_at_start", m.busy_cpus_at_start);
    k("date", m.date);
}

template <class K, class S, KeysOf<S, BuildInfo> = 0>
void keys(K& k, S& b)
{
    k("version", b.version);
    k("revision", b.revision);
    k("compiler", b.compiler);
    k("build_type", b.build_type);
    k("kernel_flags", b.kernel_flags);
    k("openmp_version", b.openmp_version);
    k("openmp_runtime", b.openmp_runtime);
}

template <class K, class S, KeysOf<S, RecordConfiguration> = 0>
void keys(K& k, S& c)
{
    k("kind", c.kind);
    k("threads", c.threads, needed);
    k("teams", c.teams);
    k("runs", c.runs, needed);
    k("median_s", c.median_s, needed);
    k("ci_low_s", c.ci_low_s, needed);
    k("ci_high_s", c.ci_high_s, needed);
    k("ci_coverage", c.ci_coverage);
    k("min_s", c.min_s);
    k("max_s", c.max_s);
    k("gflops", c.gflops);
    k("placement", c.placement);
}

template <class K, class S, KeysOf<S, RecordSpeedup> = 0>
void keys(K& k, S& s)
{
    k("threads", s.threads, needed);
    k("pairs", s.pairs);
    k("speedup", s.speedup, needed);
    k("ci_low", s.ci_low, needed);
    k("ci_high", s.ci_high, needed);
    k("efficiency", s.efficiency, needed);
    k("efficiency_ci_low", s.efficiency_ci_low, needed);
    k("efficiency_ci_high", s.efficiency_ci_high, needed);
    k("karp_flatt", s.karp_flatt);
    // Version 1 named the bound for the tiled kernel alone, though it held the untiled one's too.
    k("schedule_bound", s.schedule_bound, needed, "tile_bound");
    k("differs_from_previous", s.differs_from_previous);
    k("precision_reached", s.precision_reached);
    k("starved_pairs", s.starved_pairs, probe_only);
    k("starved_share", s.starved_share, probe_only);
    k("starved_speedup", s.starved_speedup, probe_only);
    k("starved_ci_low", s.starved_ci_low, probe_only);
    k("starved_ci_high", s.starved_ci_high, probe_only);
    k("measures_host", s.measures_host, probe_only);
    k("regime_change_round", s.regime_change_round, probe_only | null_unset);
}

template <class K, class S, KeysOf<S, RecordProbeRound> = 0>
void keys(K& k, S& r)
{
    k("round", r.round, needed);
    k("end_s", r.end_s);
    k("cpus", r.cpus);
    k("gflops", r.gflops);
    k("relative", r.relative);
    k("starved", r.starved);
    k("speedups", r.speedups);
    k("waited", r.waited);
}

template <class K, class S, KeysOf<S, RecordProbe> = 0>
void keys(K& k, S& p)
{
    k("order", p.order);
    k("calls", p.calls);
    k("rule", p.rule);
    k("floor", p.floor);
    k("noise_multiple", p.noise_multiple);
    k("ceiling", p.ceiling);
    k("wait_limit", p.wait_limit);
    k("healthy_gflops", p.healthy_gflops);
    k("noise", p.noise);
    k("threshold", p.threshold);
    k("seconds", p.seconds);
    k("rounds", p.rounds);
}

template <class K, class S, KeysOf<S, Warning> = 0>
void keys(K& k, S& w)
{
    k("kind", w.kind);
    k("message", w.message);
}

template <class K, class S, KeysOf<S, RecordEdge> = 0>
void keys(K& k, S& e)
{
    k("block", e.block, needed);
    k("median_s", e.median_s, needed);
    k("ci_low_s", e.ci_low_s);
    k("ci_high_s", e.ci_high_s);
    k("ratio_to_fastest", e.ratio_to_fastest);
    k("ratio_ci_low", e.ratio_ci_low);
    k("ratio_ci_high", e.ratio_ci_high);
    k("pairs", e.pairs);
    k("fastest", e.fastest);
    k("indistinguishable", e.indistinguishable);
}

template <class K, class S, KeysOf<S, RecordEdgeRanking> = 0>
void keys(K& k, S& r)
{
    k("threads", r.threads, needed);
    k("fastest_block", r.fastest_block);
    k("best_sequential_block", r.best_sequential_block);
    k("speedup", r.speedup);
    k("speedup_ci_low", r.speedup_ci_low);
    k("speedup_ci_high", r.speedup_ci_high);
    k("speedup_pairs", r.speedup_pairs);
    k("edges", r.edges, needed);
}

template <class K, class S, KeysOf<S, RecordCell> = 0>
void keys(K& k, S& c)
{
    k("block", c.block, needed);
    k("working_set_bytes", c.working_set_bytes);
    k("cache_level", c.cache_level);
    k("configurations", c.configurations, needed);
    k("speedup", c.speedups, needed);
}

template <class K, class S, KeysOf<S, RecordCacheEdge> = 0>
void keys(K& k, S& c)
{
    k("level", c.level);
    k("size_bytes", c.size_bytes);
    k("edge", c.edge);
}

template <class K, class S, KeysOf<S, RecordStudySize> = 0>
void keys(K& k, S& z)
{
    k("size", z.size, needed);
    k("seed", z.seed);
    k("rounds", z.rounds);
    k("samples", z.samples);
    k("elapsed_s", z.elapsed_s);
    k("stop_reason", z.stop_reason);
    k("cache_edges", z.cache_edges);
    k("cells", z.cells, needed);
    k("rankings", z.rankings, needed);
}

template <class K, class S, KeysOf<S, RecordStudy> = 0>
void keys(K& k, S& s)
{
    k("sizes", s.sizes);
    k("sizes_text", s.sizes_text);
    k("blocks", s.blocks);
    k("blocks_text", s.blocks_text);
    k("tolerance", s.tolerance);
    k("sequential_rate_flops", s.sequential_rate_flops);
    k("estimated_minimum_s", s.estimated_minimum_s);
    k("per_size", s.per_size, needed);
}

// Every key after format_version, which the record's version check reads before the rest.
template <class K, class S, KeysOf<S, ScanRecord> = 0>
void keys(K& k, S& r)
{
    k("parameters", r.parameters, needed);
    k("machine", r.machine);
    k("build", r.build);
    k("environment", r.environment);
    k("configurations", r.configurations, needed);
    k("speedup", r.speedups, needed);
    k("probe", r.probe, probe_only);
    k("study", r.study, left_out_unset);
    k("warnings", r.warnings);
    k("rounds", r.rounds, needed);
    k("samples", r.samples);
    k("invalid_samples", r.invalid_samples);
    k("elapsed_s", r.elapsed_s);
    k("timed_s", r.timed_s, probe_only);
    k("stop_reason", r.stop_reason);
    k("interrupted", r.interrupted);
}

// --- writing ---

Json written(const std::vector<std::pair<std::string, std::string>>& environment, bool probed);
template <class T>
Json written(const std::vector<T>& items, bool probed);
template <class T>
Json written(const std::optional<T>& value, bool probed);
template <class T>
Json written(const T& value, bool probed);

// Builds one object from the keys of a record. probed: whether the scan ran the capacity probe,
// for the keys that only such a scan writes.
struct Writer {
    bool probed;
    Json json = Json::object();

    template <class T>
    void operator()(const char* key, const T& value, unsigned rules = plain, const char* /*older*/ = nullptr)
    {
        if ((rules & probe_only) && !probed)
            return;
        if ((rules & left_out_unset) && is_unset(value))
            return;
        json[key] = (rules & null_unset) && is_unset(value) ? Json(nullptr) : written(value, probed);
    }

    template <class Keys>
    void group(const char* key, Keys&& group_keys)
    {
        Writer inner{probed};
        group_keys(inner);
        json[key] = std::move(inner.json);
    }
};

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
        Writer writer{probed};
        keys(writer, value);
        return std::move(writer.json);
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

// Reads the keys of one object at path. A key that is missing or null leaves its field at its
// default, unless the key is needed; a needed figure may still be null, which reads as NaN.
struct Reader {
    const Json& json;
    std::string path;

    template <class T>
    void operator()(const char* key, T& out, unsigned rules = plain, const char* older = nullptr)
    {
        const char* name = older && !json.contains(key) && json.contains(older) ? older : key;
        const auto found = json.find(name);
        if (found == json.end() && (rules & needed))
            throw Damaged(quoted(at(path, name)) + " is missing");
        if (found != json.end() && (!found->is_null() || (rules & needed)))
            convert(*found, at(path, name), out);
    }

    template <class Keys>
    void group(const char* key, Keys&& group_keys)
    {
        const auto found = json.find(key);
        if (found == json.end() || found->is_null())
            return;
        require_object(*found, at(path, key));
        Reader inner{*found, at(path, key)};
        group_keys(inner);
    }
};

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
    Reader reader{value, path};
    keys(reader, out);
    check_read(out, path);
}

// 1 for a record without the key, which predates it.
void check_version(const Json& json)
{
    int version = 1;
    Reader{json, ""}("format_version", version);
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
    Writer writer{!record.parameters.probe.empty()};
    writer.json["format_version"] = scan_record_version;
    keys(writer, record);
    json = std::move(writer.json);
}

void from_json(const Json& json, ScanRecord& record)
{
    require_object(json, "record");
    check_version(json);
    ScanRecord read;
    Reader reader{json, ""};
    keys(reader, read);
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
