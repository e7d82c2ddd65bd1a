#include "scan/probe.h"

#include "machine/binding.h"
#include "stats/stats.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace {

// Values in [0, 1) with no pattern the kernel could exploit, and no draw from the C library's
// sequence, which the timed operands own.
OwnedMatrix probe_matrix(int n, unsigned salt)
{
    OwnedMatrix m = zero_matrix(n);
    std::uint32_t state = 2463534242u ^ salt;
    for (auto& row : m.rows)
        for (float& x : row) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            x = static_cast<float>(state % 4096u) / 4096.0f;
        }
    return m;
}

// The row-pointer forms, made before any thread runs so that no two threads write them.
struct ProbeViews {
    Matrix A, B;
    std::vector<Matrix> C;
};

// GFLOP/s of the median of probe_calls calls on this thread.
double rate_here(ProbeBench& bench, const ProbeViews& views, std::size_t slot)
{
    std::vector<double> seconds;
    for (int call = 0; call < probe_calls; ++call) {
        clear_matrix(bench.C[slot]);
        const auto start = std::chrono::steady_clock::now();
        bench.kernel(views.A, views.B, views.C[slot], bench.order, bench.block);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const double n = bench.order;
    const double s = median(seconds);
    return s > 0.0 ? 2.0 * n * n * n / s / 1e9 : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

namespace {

constexpr ProbeMode probe_modes[] = {ProbeMode::together, ProbeMode::each, ProbeMode::none};

} // namespace

bool parse_probe_mode(const std::string& text, ProbeMode& mode)
{
    for (ProbeMode candidate : probe_modes)
        if (text == probe_mode_name(candidate)) {
            mode = candidate;
            return true;
        }
    return false;
}

std::vector<std::string> probe_mode_names()
{
    std::vector<std::string> names;
    for (ProbeMode mode : probe_modes)
        names.emplace_back(probe_mode_name(mode));
    return names;
}

const char* probe_mode_name(ProbeMode mode)
{
    switch (mode) {
    case ProbeMode::each:
        return "each";
    case ProbeMode::together:
        return "together";
    case ProbeMode::none:
        break;
    }
    return "none";
}

ProbeBench prepare_probe(const KernelFamily& family, int block, std::size_t cpu_count)
{
    ProbeBench bench;
    bench.kernel = family.sequential;
    bench.order = probe_order;
    bench.block = block;
    bench.A = probe_matrix(bench.order, 1u);
    bench.B = probe_matrix(bench.order, 2u);
    for (std::size_t i = 0; i < std::max<std::size_t>(cpu_count, 1); ++i)
        bench.C.push_back(zero_matrix(bench.order));
    return bench;
}

std::vector<double> probe_rates(ProbeBench& bench, const Topology& topology, const std::vector<int>& cpus,
                                ProbeMode mode)
{
    std::vector<double> rates(cpus.size(), std::numeric_limits<double>::quiet_NaN());
    if (mode == ProbeMode::none || cpus.size() > bench.C.size())
        return rates;
    ProbeViews views{view(bench.A), view(bench.B), {}};
    for (OwnedMatrix& C : bench.C)
        views.C.push_back(view(C));
    if (mode == ProbeMode::together) {
        run_on_cpus_together(topology, cpus, [&](std::size_t i) { rates[i] = rate_here(bench, views, i); });
        return rates;
    }
    for (std::size_t i = 0; i < cpus.size(); ++i)
        run_on_cpu(topology, cpus[i], [&] { rates[i] = rate_here(bench, views, i); });
    return rates;
}

std::vector<int> probe_cpus(const std::vector<int>& binding_order, int max_threads)
{
    const std::size_t count = std::min(binding_order.size(), static_cast<std::size_t>(std::max(max_threads, 1)));
    std::vector<int> cpus(binding_order.begin(), binding_order.begin() + static_cast<std::ptrdiff_t>(count));
    std::sort(cpus.begin(), cpus.end());
    cpus.erase(std::unique(cpus.begin(), cpus.end()), cpus.end());
    return cpus;
}

std::vector<bool> probe_points(const std::vector<Configuration>& configurations, const std::vector<std::size_t>& order)
{
    const auto parallel = [&](std::size_t k) {
        return k < order.size() && order[k] < configurations.size() && configurations[order[k]].parallel;
    };
    std::vector<bool> points(order.size() + 1, false);
    for (std::size_t k = 0; k <= order.size(); ++k)
        points[k] = parallel(k) || (k > 0 && parallel(k - 1));
    return points;
}
