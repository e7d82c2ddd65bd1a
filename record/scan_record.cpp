#include "record/scan_record.h"

#include "record/json_values.h"

#include <cmath>
#include <stdexcept>

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

// --- writing ---

Json text_or_null(const std::string& text)
{
    return text.empty() ? Json(nullptr) : Json(text);
}

Json parameters_json(const RecordParameters& p)
{
    return {{"size", p.size},
            {"block", p.block},
            {"threads", p.threads},
            {"threads_text", p.threads_text},
            {"kernel", p.kernel},
            {"precision", figure_json(p.precision)},
            {"min_runs", p.min_runs},
            {"max_runs", p.max_runs},
            {"time_limit_s", figure_json(p.time_limit_s)},
            {"warmup", p.warmup},
            {"seed", p.seed},
            {"bind", p.bind},
            {"output", p.output},
            {"confidence", figure_json(p.confidence)},
            {"timer", p.timer}};
}

// The CPUs a scan was given go beside the machine's logical CPUs; where they are unknown (a
// record from before they were kept, a system that does not say) the key is left out, so that
// such a record is written back as it was.
Json with_allowed_cpus(const Json& machine, const std::vector<int>& allowed)
{
    if (allowed.empty())
        return machine;
    Json out = Json::object();
    for (const auto& item : machine.items()) {
        out[item.key()] = item.value();
        if (item.key() == "logical_cpus")
            out["allowed_cpus"] = allowed;
    }
    return out;
}

Json machine_json(const RecordMachine& m)
{
    const Json caches = list_json(m.caches, [](const CacheInfo& cache) {
        return Json{{"level", cache.level},
                    {"size_bytes", cache.size_bytes},
                    {"shared_by", cache.shared_by},
                    {"count", cache.count}};
    });
    const Json machine = {{"cpu_model", text_or_null(m.cpu_model)},
                          {"packages", m.packages},
                          {"physical_cores", m.physical_cores},
                          {"logical_cpus", m.logical_cpus},
                          {"smt", m.smt},
                          {"numa_nodes", m.numa_nodes},
                          {"caches", caches},
                          {"os", text_or_null(m.os)},
                          {"hostname", text_or_null(m.hostname)},
                          {"governor", text_or_null(m.governor)},
                          {"boost", text_or_null(m.boost)},
                          {"load_average", {{"start", figure_json(m.load_start)}, {"end", figure_json(m.load_end)}}},
                          {"busy_cpus_at_start", figure_json(m.busy_cpus_at_start)},
                          {"date", m.date}};
    return with_allowed_cpus(machine, m.allowed_cpus);
}

Json build_json(const BuildInfo& b)
{
    return {{"version", b.version},
            {"revision", b.revision},
            {"compiler", b.compiler},
            {"build_type", b.build_type},
            {"kernel_flags", b.kernel_flags},
            {"openmp_version", b.openmp_version},
            {"openmp_runtime", b.openmp_runtime}};
}

Json configuration_json(const RecordConfiguration& c)
{
    return {{"kind", c.kind},
            {"threads", c.threads},
            {"teams", c.teams},
            {"runs", c.runs},
            {"median_s", figure_json(c.median_s)},
            {"ci_low_s", figure_json(c.ci_low_s)},
            {"ci_high_s", figure_json(c.ci_high_s)},
            {"ci_coverage", figure_json(c.ci_coverage)},
            {"min_s", figure_json(c.min_s)},
            {"max_s", figure_json(c.max_s)},
            {"gflops", figure_json(c.gflops)},
            {"placement", c.placement}};
}

Json speedup_json(const RecordSpeedup& s, bool probed)
{
    Json json = {{"threads", s.threads},
                 {"pairs", s.pairs},
                 {"speedup", figure_json(s.speedup)},
                 {"ci_low", figure_json(s.ci_low)},
                 {"ci_high", figure_json(s.ci_high)},
                 {"efficiency", figure_json(s.efficiency)},
                 {"efficiency_ci_low", figure_json(s.efficiency_ci_low)},
                 {"efficiency_ci_high", figure_json(s.efficiency_ci_high)},
                 {"karp_flatt", figure_json(s.karp_flatt)},
                 {"schedule_bound", figure_json(s.schedule_bound)},
                 {"differs_from_previous", s.differs_from_previous},
                 {"precision_reached", s.precision_reached}};
    if (!probed)
        return json;
    json["starved_pairs"] = s.starved_pairs;
    json["starved_share"] = figure_json(s.starved_share);
    json["starved_speedup"] = figure_json(s.starved_speedup);
    json["starved_ci_low"] = figure_json(s.starved_ci_low);
    json["starved_ci_high"] = figure_json(s.starved_ci_high);
    json["measures_host"] = s.measures_host;
    json["regime_change_round"] = s.regime_change_round > 0 ? Json(s.regime_change_round) : Json(nullptr);
    return json;
}

Json figures_json(const std::vector<double>& values)
{
    return list_json(values, figure_json);
}

Json probe_round_json(const RecordProbeRound& r)
{
    return {{"round", r.round},
            {"end_s", figure_json(r.end_s)},
            {"cpus", r.cpus},
            {"gflops", list_json(r.gflops, figures_json)},
            {"relative", figures_json(r.relative)},
            {"starved", r.starved},
            {"speedups", figures_json(r.speedups)},
            {"waited", figure_json(r.waited)}};
}

Json probe_json(const RecordProbe& p)
{
    return {{"order", p.order},
            {"calls", p.calls},
            {"rule", p.rule},
            {"floor", figure_json(p.floor)},
            {"noise_multiple", figure_json(p.noise_multiple)},
            {"ceiling", figure_json(p.ceiling)},
            {"wait_limit", figure_json(p.wait_limit)},
            {"healthy_gflops", figure_json(p.healthy_gflops)},
            {"noise", figure_json(p.noise)},
            {"threshold", figure_json(p.threshold)},
            {"seconds", figure_json(p.seconds)},
            {"rounds", list_json(p.rounds, probe_round_json)}};
}

Json speedups_json(const std::vector<RecordSpeedup>& speedups, bool probed)
{
    return list_json(speedups, [probed](const RecordSpeedup& s) { return speedup_json(s, probed); });
}

Json edge_json(const RecordEdge& e)
{
    return {{"block", e.block},
            {"median_s", figure_json(e.median_s)},
            {"ci_low_s", figure_json(e.ci_low_s)},
            {"ci_high_s", figure_json(e.ci_high_s)},
            {"ratio_to_fastest", figure_json(e.ratio_to_fastest)},
            {"ratio_ci_low", figure_json(e.ratio_ci_low)},
            {"ratio_ci_high", figure_json(e.ratio_ci_high)},
            {"pairs", e.pairs},
            {"fastest", e.fastest},
            {"indistinguishable", e.indistinguishable}};
}

Json ranking_json(const RecordEdgeRanking& r)
{
    return {{"threads", r.threads},
            {"fastest_block", r.fastest_block},
            {"best_sequential_block", r.best_sequential_block},
            {"speedup", figure_json(r.speedup)},
            {"speedup_ci_low", figure_json(r.speedup_ci_low)},
            {"speedup_ci_high", figure_json(r.speedup_ci_high)},
            {"speedup_pairs", r.speedup_pairs},
            {"edges", list_json(r.edges, edge_json)}};
}

Json cell_json(const RecordCell& c, bool probed)
{
    return {{"block", c.block},
            {"working_set_bytes", figure_json(c.working_set_bytes)},
            {"cache_level", c.cache_level},
            {"configurations", list_json(c.configurations, configuration_json)},
            {"speedup", speedups_json(c.speedups, probed)}};
}

Json study_size_json(const RecordStudySize& z, bool probed)
{
    const auto cache_edge_json = [](const RecordCacheEdge& c) {
        return Json{{"level", c.level}, {"size_bytes", c.size_bytes}, {"edge", figure_json(c.edge)}};
    };
    return {{"size", z.size},
            {"seed", z.seed},
            {"rounds", z.rounds},
            {"samples", z.samples},
            {"elapsed_s", figure_json(z.elapsed_s)},
            {"stop_reason", z.stop_reason},
            {"cache_edges", list_json(z.cache_edges, cache_edge_json)},
            {"cells", list_json(z.cells, [probed](const RecordCell& c) { return cell_json(c, probed); })},
            {"rankings", list_json(z.rankings, ranking_json)}};
}

Json study_json(const RecordStudy& study, bool probed)
{
    return {{"sizes", study.sizes},
            {"sizes_text", study.sizes_text},
            {"blocks", study.blocks},
            {"blocks_text", study.blocks_text},
            {"tolerance", figure_json(study.tolerance)},
            {"sequential_rate_flops", figure_json(study.sequential_rate_flops)},
            {"estimated_minimum_s", figure_json(study.estimated_minimum_s)},
            {"per_size",
             list_json(study.per_size, [probed](const RecordStudySize& z) { return study_size_json(z, probed); })}};
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

void convert(const Json& value, const std::string& path, int& out);
void convert(const Json& value, const std::string& path, long& out);
void convert(const Json& value, const std::string& path, long long& out);
void convert(const Json& value, const std::string& path, std::uint64_t& out);
void convert(const Json& value, const std::string& path, double& out);
void convert(const Json& value, const std::string& path, std::string& out);
void convert(const Json& value, const std::string& path, bool& out);
void convert(const Json& value, const std::string& path, std::vector<std::pair<std::string, std::string>>& out);
void convert(const Json& value, const std::string& path, RecordParameters& out);
void convert(const Json& value, const std::string& path, RecordMachine& out);
void convert(const Json& value, const std::string& path, BuildInfo& out);
void convert(const Json& value, const std::string& path, CacheInfo& out);
void convert(const Json& value, const std::string& path, RecordConfiguration& out);
void convert(const Json& value, const std::string& path, RecordSpeedup& out);
void convert(const Json& value, const std::string& path, RecordProbeRound& out);
void convert(const Json& value, const std::string& path, RecordProbe& out);
void convert(const Json& value, const std::string& path, Warning& out);
void convert(const Json& value, const std::string& path, RecordEdge& out);
void convert(const Json& value, const std::string& path, RecordEdgeRanking& out);
void convert(const Json& value, const std::string& path, RecordCell& out);
void convert(const Json& value, const std::string& path, RecordCacheEdge& out);
void convert(const Json& value, const std::string& path, RecordStudySize& out);
void convert(const Json& value, const std::string& path, RecordStudy& out);

template <class T>
void convert(const Json& value, const std::string& path, std::vector<T>& out)
{
    if (!value.is_array())
        throw Damaged(quoted(path) + " is not a list");
    out.assign(value.size(), T());
    for (std::size_t i = 0; i < value.size(); ++i)
        convert(value[i], path + "[" + std::to_string(i) + "]", out[i]);
}

// A key that may be missing or null: out keeps its default then.
template <class T>
void optional(const Json& object, const std::string& path, const char* key, T& out)
{
    const auto found = object.find(key);
    if (found != object.end() && !found->is_null())
        convert(*found, at(path, key), out);
}

// A key that must be there; a figure may still be null, which reads as NaN.
template <class T>
void required(const Json& object, const std::string& path, const char* key, T& out)
{
    const auto found = object.find(key);
    if (found == object.end())
        throw Damaged(quoted(at(path, key)) + " is missing");
    convert(*found, at(path, key), out);
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

void convert(const Json& value, const std::string& path, RecordParameters& out)
{
    require_object(value, path);
    required(value, path, "size", out.size);
    required(value, path, "block", out.block);
    optional(value, path, "threads", out.threads);
    optional(value, path, "threads_text", out.threads_text);
    optional(value, path, "kernel", out.kernel);
    optional(value, path, "precision", out.precision);
    optional(value, path, "min_runs", out.min_runs);
    optional(value, path, "max_runs", out.max_runs);
    optional(value, path, "time_limit_s", out.time_limit_s);
    optional(value, path, "warmup", out.warmup);
    optional(value, path, "seed", out.seed);
    optional(value, path, "bind", out.bind);
    optional(value, path, "output", out.output);
    optional(value, path, "confidence", out.confidence);
    optional(value, path, "timer", out.timer);
    optional(value, path, "probe", out.probe);
}

void convert(const Json& value, const std::string& path, CacheInfo& out)
{
    require_object(value, path);
    optional(value, path, "level", out.level);
    optional(value, path, "size_bytes", out.size_bytes);
    optional(value, path, "shared_by", out.shared_by);
    optional(value, path, "count", out.count);
}

void convert(const Json& value, const std::string& path, RecordMachine& out)
{
    require_object(value, path);
    optional(value, path, "cpu_model", out.cpu_model);
    optional(value, path, "packages", out.packages);
    optional(value, path, "physical_cores", out.physical_cores);
    optional(value, path, "logical_cpus", out.logical_cpus);
    optional(value, path, "allowed_cpus", out.allowed_cpus);
    optional(value, path, "smt", out.smt);
    optional(value, path, "numa_nodes", out.numa_nodes);
    optional(value, path, "caches", out.caches);
    optional(value, path, "os", out.os);
    optional(value, path, "hostname", out.hostname);
    optional(value, path, "governor", out.governor);
    optional(value, path, "boost", out.boost);
    const auto load = value.find("load_average");
    if (load != value.end() && !load->is_null()) {
        const std::string load_path = at(path, "load_average");
        require_object(*load, load_path);
        optional(*load, load_path, "start", out.load_start);
        optional(*load, load_path, "end", out.load_end);
    }
    optional(value, path, "busy_cpus_at_start", out.busy_cpus_at_start);
    optional(value, path, "date", out.date);
}

void convert(const Json& value, const std::string& path, BuildInfo& out)
{
    require_object(value, path);
    optional(value, path, "version", out.version);
    optional(value, path, "revision", out.revision);
    optional(value, path, "compiler", out.compiler);
    optional(value, path, "build_type", out.build_type);
    optional(value, path, "kernel_flags", out.kernel_flags);
    optional(value, path, "openmp_version", out.openmp_version);
    optional(value, path, "openmp_runtime", out.openmp_runtime);
}

void convert(const Json& value, const std::string& path, RecordConfiguration& out)
{
    require_object(value, path);
    optional(value, path, "kind", out.kind);
    required(value, path, "threads", out.threads);
    optional(value, path, "teams", out.teams);
    required(value, path, "runs", out.runs);
    required(value, path, "median_s", out.median_s);
    required(value, path, "ci_low_s", out.ci_low_s);
    required(value, path, "ci_high_s", out.ci_high_s);
    optional(value, path, "ci_coverage", out.ci_coverage);
    optional(value, path, "min_s", out.min_s);
    optional(value, path, "max_s", out.max_s);
    optional(value, path, "gflops", out.gflops);
    optional(value, path, "placement", out.placement);
}

void convert(const Json& value, const std::string& path, RecordSpeedup& out)
{
    require_object(value, path);
    required(value, path, "threads", out.threads);
    optional(value, path, "pairs", out.pairs);
    required(value, path, "speedup", out.speedup);
    required(value, path, "ci_low", out.ci_low);
    required(value, path, "ci_high", out.ci_high);
    required(value, path, "efficiency", out.efficiency);
    required(value, path, "efficiency_ci_low", out.efficiency_ci_low);
    required(value, path, "efficiency_ci_high", out.efficiency_ci_high);
    optional(value, path, "karp_flatt", out.karp_flatt);
    // Version 1 named the bound for the tiled kernel alone, though it held the untiled one's too.
    const bool old_name = !value.contains("schedule_bound") && value.contains("tile_bound");
    required(value, path, old_name ? "tile_bound" : "schedule_bound", out.schedule_bound);
    optional(value, path, "differs_from_previous", out.differs_from_previous);
    optional(value, path, "precision_reached", out.precision_reached);
    optional(value, path, "starved_pairs", out.starved_pairs);
    optional(value, path, "starved_share", out.starved_share);
    optional(value, path, "starved_speedup", out.starved_speedup);
    optional(value, path, "starved_ci_low", out.starved_ci_low);
    optional(value, path, "starved_ci_high", out.starved_ci_high);
    optional(value, path, "measures_host", out.measures_host);
    optional(value, path, "regime_change_round", out.regime_change_round);
}

void convert(const Json& value, const std::string& path, RecordProbeRound& out)
{
    require_object(value, path);
    required(value, path, "round", out.round);
    optional(value, path, "end_s", out.end_s);
    optional(value, path, "cpus", out.cpus);
    optional(value, path, "gflops", out.gflops);
    optional(value, path, "relative", out.relative);
    optional(value, path, "starved", out.starved);
    optional(value, path, "speedups", out.speedups);
    optional(value, path, "waited", out.waited);
}

void convert(const Json& value, const std::string& path, RecordProbe& out)
{
    require_object(value, path);
    optional(value, path, "order", out.order);
    optional(value, path, "calls", out.calls);
    optional(value, path, "rule", out.rule);
    optional(value, path, "floor", out.floor);
    optional(value, path, "noise_multiple", out.noise_multiple);
    optional(value, path, "ceiling", out.ceiling);
    optional(value, path, "wait_limit", out.wait_limit);
    optional(value, path, "healthy_gflops", out.healthy_gflops);
    optional(value, path, "noise", out.noise);
    optional(value, path, "threshold", out.threshold);
    optional(value, path, "seconds", out.seconds);
    optional(value, path, "rounds", out.rounds);
}

void convert(const Json& value, const std::string& path, Warning& out)
{
    require_object(value, path);
    optional(value, path, "kind", out.kind);
    optional(value, path, "message", out.message);
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

void convert(const Json& value, const std::string& path, RecordEdge& out)
{
    require_object(value, path);
    required(value, path, "block", out.block);
    required(value, path, "median_s", out.median_s);
    optional(value, path, "ci_low_s", out.ci_low_s);
    optional(value, path, "ci_high_s", out.ci_high_s);
    optional(value, path, "ratio_to_fastest", out.ratio_to_fastest);
    optional(value, path, "ratio_ci_low", out.ratio_ci_low);
    optional(value, path, "ratio_ci_high", out.ratio_ci_high);
    optional(value, path, "pairs", out.pairs);
    optional(value, path, "fastest", out.fastest);
    optional(value, path, "indistinguishable", out.indistinguishable);
}

void convert(const Json& value, const std::string& path, RecordEdgeRanking& out)
{
    require_object(value, path);
    required(value, path, "threads", out.threads);
    optional(value, path, "fastest_block", out.fastest_block);
    optional(value, path, "best_sequential_block", out.best_sequential_block);
    optional(value, path, "speedup", out.speedup);
    optional(value, path, "speedup_ci_low", out.speedup_ci_low);
    optional(value, path, "speedup_ci_high", out.speedup_ci_high);
    optional(value, path, "speedup_pairs", out.speedup_pairs);
    required(value, path, "edges", out.edges);
}

void convert(const Json& value, const std::string& path, RecordCell& out)
{
    require_object(value, path);
    required(value, path, "block", out.block);
    optional(value, path, "working_set_bytes", out.working_set_bytes);
    optional(value, path, "cache_level", out.cache_level);
    required(value, path, "configurations", out.configurations);
    required(value, path, "speedup", out.speedups);
    check_pairs(out.configurations, out.speedups, path);
}

void convert(const Json& value, const std::string& path, RecordCacheEdge& out)
{
    require_object(value, path);
    optional(value, path, "level", out.level);
    optional(value, path, "size_bytes", out.size_bytes);
    optional(value, path, "edge", out.edge);
}

// A size's rankings are tables of its cells: one edge per cell, in the cells' order.
void check_rankings(const RecordStudySize& size, const std::string& path)
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

void convert(const Json& value, const std::string& path, RecordStudySize& out)
{
    require_object(value, path);
    required(value, path, "size", out.size);
    optional(value, path, "seed", out.seed);
    optional(value, path, "rounds", out.rounds);
    optional(value, path, "samples", out.samples);
    optional(value, path, "elapsed_s", out.elapsed_s);
    optional(value, path, "stop_reason", out.stop_reason);
    optional(value, path, "cache_edges", out.cache_edges);
    required(value, path, "cells", out.cells);
    required(value, path, "rankings", out.rankings);
    check_rankings(out, path);
}

void convert(const Json& value, const std::string& path, RecordStudy& out)
{
    require_object(value, path);
    optional(value, path, "sizes", out.sizes);
    optional(value, path, "sizes_text", out.sizes_text);
    optional(value, path, "blocks", out.blocks);
    optional(value, path, "blocks_text", out.blocks_text);
    optional(value, path, "tolerance", out.tolerance);
    optional(value, path, "sequential_rate_flops", out.sequential_rate_flops);
    optional(value, path, "estimated_minimum_s", out.estimated_minimum_s);
    required(value, path, "per_size", out.per_size);
}

// 1 for a record without the key, which predates it.
void check_version(const Json& json)
{
    int version = 1;
    optional(json, "", "format_version", version);
    if (version < 1)
        throw Damaged("'format_version' " + std::to_string(version) + " is not a version");
    if (version > scan_record_version)
        throw NewerRecord("scan record format_version " + std::to_string(version) +
                          " is newer than this program reads (" + std::to_string(scan_record_version) +
                          "); read it with the tilebench that wrote it");
}

// A scan's figures are at the top; a study's are in its cells, and the top holds none.
void check_pairs(const ScanRecord& record)
{
    if (!record.study)
        check_pairs(record.configurations, record.speedups, "");
    else if (!record.configurations.empty() || !record.speedups.empty())
        throw Damaged("a study's 'configurations' and 'speedup' are in its cells, not at the top");
}

} // namespace

void to_json(Json& json, const ScanRecord& record)
{
    json = Json::object();
    json["format_version"] = scan_record_version;
    // A record from before the capacity probe keeps its shape: the probe's keys come with it.
    const bool probed = !record.parameters.probe.empty();
    json["parameters"] = parameters_json(record.parameters);
    if (probed)
        json["parameters"]["probe"] = record.parameters.probe;
    json["machine"] = machine_json(record.machine);
    json["build"] = build_json(record.build);
    Json environment = Json::object();
    for (const auto& [name, value] : record.environment)
        environment[name] = value;
    json["environment"] = environment;
    json["configurations"] = list_json(record.configurations, configuration_json);
    json["speedup"] = speedups_json(record.speedups, probed);
    if (probed)
        json["probe"] = probe_json(record.probe);
    if (record.study)
        json["study"] = study_json(*record.study, probed);
    json["warnings"] = list_json(record.warnings, warning_json);
    json["rounds"] = record.rounds;
    json["samples"] = record.samples;
    json["invalid_samples"] = record.invalid_samples;
    json["elapsed_s"] = figure_json(record.elapsed_s);
    if (probed)
        json["timed_s"] = figure_json(record.timed_s);
    json["stop_reason"] = record.stop_reason;
    json["interrupted"] = record.interrupted;
}

void from_json(const Json& json, ScanRecord& record)
{
    require_object(json, "record");
    check_version(json);
    ScanRecord read;
    required(json, "", "parameters", read.parameters);
    optional(json, "", "machine", read.machine);
    optional(json, "", "build", read.build);
    optional(json, "", "environment", read.environment);
    required(json, "", "configurations", read.configurations);
    required(json, "", "speedup", read.speedups);
    optional(json, "", "probe", read.probe);
    if (json.contains("study") && !json["study"].is_null()) {
        read.study.emplace();
        convert(json["study"], "study", *read.study);
    }
    optional(json, "", "warnings", read.warnings);
    required(json, "", "rounds", read.rounds);
    optional(json, "", "samples", read.samples);
    optional(json, "", "invalid_samples", read.invalid_samples);
    optional(json, "", "elapsed_s", read.elapsed_s);
    optional(json, "", "timed_s", read.timed_s);
    optional(json, "", "stop_reason", read.stop_reason);
    optional(json, "", "interrupted", read.interrupted);
    check_pairs(read);
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
