// Every key of the project's records, in their order on disk: the scan record (PREFIX.json)
// and the comparison record, one table per type. The writer and the reader of json_keys.h both
// walk these tables, so a key named here is written and read under this name and no other.
#pragma once

#include "record/comparison_record.h"
#include "record/json_keys.h"
#include "record/scan_record.h"

namespace json_keys {

// Each record's first key, read before the rest: it says whether this program can read them.
inline const std::string scan_version_key = "format_version";
inline const std::string comparison_version_key = "comparison_format_version";

// Both records hold the warnings of their scans.
inline auto keys_of(Of<Warning>)
{
    return std::make_tuple(key("kind", &Warning::kind), key("message", &Warning::message));
}

// --- the scan record ---

inline auto keys_of(Of<RecordParameters>)
{
    using R = RecordParameters;
    return std::make_tuple(
        key("size", &R::size, needed), key("block", &R::block, needed), key("threads", &R::threads),
        key("threads_text", &R::threads_text), key("kernel", &R::kernel), key("precision", &R::precision),
        key("min_runs", &R::min_runs), key("max_runs", &R::max_runs), key("time_limit_s", &R::time_limit_s),
        key("warmup", &R::warmup), key("seed", &R::seed), key("bind", &R::bind), key("output", &R::output),
        key("confidence", &R::confidence), key("timer", &R::timer), key("probe", &R::probe, left_out_unset));
}

inline auto keys_of(Of<CacheInfo>)
{
    using R = CacheInfo;
    return std::make_tuple(key("level", &R::level), key("size_bytes", &R::size_bytes), key("shared_by", &R::shared_by),
                           key("count", &R::count));
}

inline auto keys_of(Of<RecordMachine>)
{
    using R = RecordMachine;
    return std::make_tuple(
        key("cpu_model", &R::cpu_model, null_unset), key("cpu_signature", &R::cpu_signature, left_out_unset),
        key("packages", &R::packages), key("physical_cores", &R::physical_cores), key("logical_cpus", &R::logical_cpus),
        key("allowed_cpus", &R::allowed_cpus, left_out_unset), key("smt", &R::smt), key("numa_nodes", &R::numa_nodes),
        key("caches", &R::caches), key("cache_line_bytes", &R::cache_line_bytes, left_out_unset),
        key("os", &R::os, null_unset), key("hostname", &R::hostname, null_unset),
        key("governor", &R::governor, null_unset), key("boost", &R::boost, null_unset),
        group("load_average", key("start", &R::load_start), key("end", &R::load_end)),
        key("busy_cpus_at_start", &R::busy_cpus_at_start), key("date", &R::date));
}

inline auto keys_of(Of<BuildInfo>)
{
    using R = BuildInfo;
    return std::make_tuple(key("version", &R::version), key("revision", &R::revision), key("compiler", &R::compiler),
                           key("build_type", &R::build_type), key("kernel_flags", &R::kernel_flags),
                           key("openmp_version", &R::openmp_version), key("openmp_runtime", &R::openmp_runtime));
}

inline auto keys_of(Of<RecordConfiguration>)
{
    using R = RecordConfiguration;
    return std::make_tuple(key("kind", &R::kind), key("threads", &R::threads, needed), key("teams", &R::teams),
                           key("runs", &R::runs, needed), key("median_s", &R::median_s, needed),
                           key("ci_low_s", &R::ci_low_s, needed), key("ci_high_s", &R::ci_high_s, needed),
                           key("ci_coverage", &R::ci_coverage), key("min_s", &R::min_s), key("max_s", &R::max_s),
                           key("gflops", &R::gflops), key("placement", &R::placement));
}

// Version 1 named the bound for the tiled kernel alone, though it held the untiled one's too.
inline auto keys_of(Of<RecordSpeedup>)
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

inline auto keys_of(Of<RecordProbeRound>)
{
    using R = RecordProbeRound;
    return std::make_tuple(
        key("round", &R::round, needed), key("end_s", &R::end_s), key("cpus", &R::cpus), key("gflops", &R::gflops),
        key("relative", &R::relative), key("starved", &R::starved), key("speedups", &R::speedups),
        key("waited", &R::waited), key("after_calls", &R::after_calls, left_out_unset),
        key("call_blocks", &R::call_blocks, left_out_unset), key("call_waited", &R::call_waited, left_out_unset),
        key("starved_blocks", &R::starved_blocks, left_out_unset), key("line_ns", &R::line_ns, left_out_unset));
}

inline auto keys_of(Of<RecordProbe>)
{
    using R = RecordProbe;
    return std::make_tuple(key("order", &R::order), key("calls", &R::calls), key("rule", &R::rule),
                           key("floor", &R::floor), key("noise_multiple", &R::noise_multiple),
                           key("ceiling", &R::ceiling), key("wait_limit", &R::wait_limit),
                           key("healthy_gflops", &R::healthy_gflops), key("noise", &R::noise),
                           key("threshold", &R::threshold), key("seconds", &R::seconds), key("rounds", &R::rounds));
}

inline auto keys_of(Of<RecordEdge>)
{
    using R = RecordEdge;
    return std::make_tuple(key("block", &R::block, needed), key("median_s", &R::median_s, needed),
                           key("ci_low_s", &R::ci_low_s), key("ci_high_s", &R::ci_high_s),
                           key("ratio_to_fastest", &R::ratio_to_fastest), key("ratio_ci_low", &R::ratio_ci_low),
                           key("ratio_ci_high", &R::ratio_ci_high), key("pairs", &R::pairs),
                           key("fastest", &R::fastest), key("indistinguishable", &R::indistinguishable));
}

inline auto keys_of(Of<RecordEdgeRanking>)
{
    using R = RecordEdgeRanking;
    return std::make_tuple(key("threads", &R::threads, needed), key("fastest_block", &R::fastest_block),
                           key("best_sequential_block", &R::best_sequential_block), key("speedup", &R::speedup),
                           key("speedup_ci_low", &R::speedup_ci_low), key("speedup_ci_high", &R::speedup_ci_high),
                           key("speedup_pairs", &R::speedup_pairs), key("edges", &R::edges, needed));
}

inline auto keys_of(Of<RecordCell>)
{
    using R = RecordCell;
    return std::make_tuple(key("block", &R::block, needed), key("working_set_bytes", &R::working_set_bytes),
                           key("cache_level", &R::cache_level), key("configurations", &R::configurations, needed),
                           key("speedup", &R::speedups, needed));
}

inline auto keys_of(Of<RecordCacheEdge>)
{
    using R = RecordCacheEdge;
    return std::make_tuple(key("level", &R::level), key("size_bytes", &R::size_bytes), key("edge", &R::edge));
}

inline auto keys_of(Of<RecordStudySize>)
{
    using R = RecordStudySize;
    return std::make_tuple(key("size", &R::size, needed), key("seed", &R::seed), key("rounds", &R::rounds),
                           key("samples", &R::samples), key("elapsed_s", &R::elapsed_s),
                           key("stop_reason", &R::stop_reason), key("cache_edges", &R::cache_edges),
                           key("cells", &R::cells, needed), key("rankings", &R::rankings, needed),
                           key("probe", &R::probe, left_out_unset));
}

inline auto keys_of(Of<RecordStudy>)
{
    using R = RecordStudy;
    return std::make_tuple(key("sizes", &R::sizes), key("sizes_text", &R::sizes_text), key("blocks", &R::blocks),
                           key("blocks_text", &R::blocks_text), key("tolerance", &R::tolerance),
                           key("sequential_rate_flops", &R::sequential_rate_flops),
                           key("estimated_minimum_s", &R::estimated_minimum_s), key("per_size", &R::per_size, needed));
}

// Every key after format_version, which the record's version check reads before the rest.
inline auto keys_of(Of<ScanRecord>)
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

// --- the comparison record ---

inline auto keys_of(Of<ComparisonSide>)
{
    using S = ComparisonSide;
    // rounds_starved: absent from records written before a side's starved rounds were left out.
    return std::make_tuple(key("record", &S::record, needed), key("samples", &S::samples, needed),
                           key("rounds_counted", &S::rounds_counted, needed),
                           key("rounds_incomplete", &S::rounds_incomplete, needed),
                           key("rounds_starved", &S::rounds_starved), key("warnings", &S::warnings, needed));
}

inline auto keys_of(Of<ComparisonDifference>)
{
    using D = ComparisonDifference;
    return std::make_tuple(key("what", &D::what, needed), key("a", &D::a, needed), key("b", &D::b, needed),
                           key("other_work", &D::other_work, needed));
}

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

inline const MeasureKeys time_keys = {"runs_a",      "runs_b",       "median_a_s",  "median_b_s",  "time_ratio",
                                      "time_ci_low", "time_ci_high", "time_change", "time_verdict"};
inline const MeasureKeys speedup_keys = {"pairs_a",         "pairs_b",        "speedup_a",
                                         "speedup_b",       "speedup_ratio",  "speedup_ci_low",
                                         "speedup_ci_high", "speedup_change", "speedup_verdict"};

// A measure's keys stand among its count's, each named for the measure: runs_a, time_ratio, ...
inline auto measure_keys(ComparedMeasure ComparisonCount::*measure, const MeasureKeys& names)
{
    using M = ComparedMeasure;
    return within(measure, key(names.behind_a, &M::behind_a, needed), key(names.behind_b, &M::behind_b, needed),
                  key(names.a, &M::a, needed), key(names.b, &M::b, needed), key(names.ratio, &M::ratio, needed),
                  key(names.ci_low, &M::ci_low, needed), key(names.ci_high, &M::ci_high, needed),
                  key(names.change, &M::change, needed), key(names.verdict, &M::verdict, needed));
}

inline auto keys_of(Of<ComparisonCount>)
{
    return std::make_tuple(key("threads", &ComparisonCount::threads, needed),
                           measure_keys(&ComparisonCount::time, time_keys),
                           measure_keys(&ComparisonCount::speedup, speedup_keys));
}

// Every key after comparison_format_version, which is read first. more_a and more_b are absent
// from records of comparisons of one scan a side, written before sides had more.
inline auto keys_of(Of<ComparisonRecord>)
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
