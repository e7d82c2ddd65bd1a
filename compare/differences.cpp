#include "compare/differences.h"

#include "common/text.h"

#include <map>
#include <set>

namespace {

std::string known(const std::string& text)
{
    return text.empty() ? "(unknown)" : text;
}

std::string caches_text(const std::vector<CacheInfo>& caches)
{
    std::vector<std::string> each;
    each.reserve(caches.size());
    for (const CacheInfo& cache : caches) {
        const long long kib = cache.size_bytes / 1024;
        each.push_back(
            "L" + std::to_string(cache.level) + " " +
            (kib > 0 && kib % 1024 == 0 ? std::to_string(kib / 1024) + " MiB" : std::to_string(kib) + " KiB") + " x" +
            std::to_string(cache.count));
    }
    return known(joined(each, ", "));
}

std::string warning_kinds(const std::vector<Warning>& warnings)
{
    std::set<std::string> kinds;
    for (const Warning& w : warnings)
        kinds.insert(w.kind);
    const std::string text = joined(std::vector<std::string>(kinds.begin(), kinds.end()), ", ");
    return text.empty() ? "none" : text;
}

// Each variable set on either side whose values differ.
void environment_differences(const ScanRecord& a, const ScanRecord& b, std::vector<Difference>& out)
{
    std::map<std::string, std::pair<std::string, std::string>> values;
    for (const auto& [name, value] : a.environment)
        values[name].first = value;
    for (const auto& [name, value] : b.environment)
        values[name].second = value;
    const auto or_unset = [](const std::string& v) { return v.empty() ? std::string("(not set)") : v; };
    for (const auto& [name, pair] : values)
        if (pair.first != pair.second)
            out.push_back({name, or_unset(pair.first), or_unset(pair.second), false});
}

struct Named {
    const char* what;
    std::string a, b;
};

} // namespace

std::string count_list(const std::vector<int>& counts)
{
    const std::string text = joined(counts, ", ");
    return text.empty() ? "none" : text;
}

std::vector<Difference> differences(const ScanRecord& a, const ScanRecord& b)
{
    const RecordParameters &pa = a.parameters, &pb = b.parameters;
    std::vector<Difference> out;
    for (const Named& n : {Named{"size", std::to_string(pa.size), std::to_string(pb.size)},
                           Named{"block", std::to_string(pa.block), std::to_string(pb.block)},
                           Named{"kernel family", known(pa.kernel), known(pb.kernel)}})
        if (n.a != n.b)
            out.push_back({n.what, n.a, n.b, true});

    const RecordMachine &ma = a.machine, &mb = b.machine;
    const BuildInfo &ba = a.build, &bb = b.build;
    const Named others[] = {
        {"bind", known(pa.bind), known(pb.bind)},
        {"thread counts", count_list(pa.threads), count_list(pb.threads)},
        {"interrupted", a.interrupted ? "yes" : "no", b.interrupted ? "yes" : "no"},
        {"cpu model", known(ma.cpu_model), known(mb.cpu_model)},
        {"cpu signature", known(ma.cpu_signature), known(mb.cpu_signature)},
        {"packages", std::to_string(ma.packages), std::to_string(mb.packages)},
        {"physical cores", std::to_string(ma.physical_cores), std::to_string(mb.physical_cores)},
        {"logical cpus", std::to_string(ma.logical_cpus), std::to_string(mb.logical_cpus)},
        {"numa nodes", std::to_string(ma.numa_nodes), std::to_string(mb.numa_nodes)},
        {"caches", caches_text(ma.caches), caches_text(mb.caches)},
        {"hostname", known(ma.hostname), known(mb.hostname)},
        {"os", known(ma.os), known(mb.os)},
        {"governor", known(ma.governor), known(mb.governor)},
        {"boost", known(ma.boost), known(mb.boost)},
        {"version", known(ba.version), known(bb.version)},
        {"revision", known(ba.revision), known(bb.revision)},
        {"compiler", known(ba.compiler), known(bb.compiler)},
        {"build type", known(ba.build_type), known(bb.build_type)},
        {"kernel flags", known(ba.kernel_flags), known(bb.kernel_flags)},
        {"openmp runtime", known(ba.openmp_runtime), known(bb.openmp_runtime)},
        {"openmp version", std::to_string(ba.openmp_version), std::to_string(bb.openmp_version)},
    };
    for (const Named& n : others)
        if (n.a != n.b)
            out.push_back({n.what, n.a, n.b, false});
    environment_differences(a, b, out);
    const std::string wa = warning_kinds(a.warnings), wb = warning_kinds(b.warnings);
    if (wa != wb)
        out.push_back({"warnings", wa, wb, false});
    return out;
}

std::vector<Difference> work_differences(const std::vector<Difference>& all)
{
    std::vector<Difference> work;
    for (const Difference& d : all)
        if (d.other_work)
            work.push_back(d);
    return work;
}
