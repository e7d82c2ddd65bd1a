// Kernel benchmarks: both kernels of every family over sizes, tile edges and team sizes, reported
// in FLOP/s (2 n^3 per call) of wall-clock time, the time tilebench reports; the timing harness
// around an empty call; and, where OpenBLAS is available, sgemm on the same data as a measure of
// what the machine itself can do.
#include "common/exit_status.h"
#include "common/owned_matrix.h"
#include "common/timing.h"
#include "kernels/kernels.h"

#include <benchmark/benchmark.h>

#if defined(TILEBENCH_HAVE_CBLAS)
#include <cblas.h>
#endif

#include <string>
#include <vector>

namespace {

void report_rate(benchmark::State& state, int n)
{
    state.counters["FLOP/s"] =
        benchmark::Counter(2.0 * n * n * static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}

// Arguments: n, b, team (b and team are passed whatever the kernel ignores). C starts at zero
// and accumulates, as in the program.
void run_sequential(benchmark::State& state, const KernelFamily* family)
{
    const int n = static_cast<int>(state.range(0)), b = static_cast<int>(state.range(1));
    Operands m = program_operands(n);
    const Matrix A = view(m.A), B = view(m.B), C = view(m.C);
    for (auto _ : state)
        family->sequential(A, B, C, n, b);
    report_rate(state, n);
}

// The parallel kernel tells its team to a variable, inside the timed span as the program's line
// is; the team it got joins the report.
void run_parallel(benchmark::State& state, const KernelFamily* family)
{
    const int n = static_cast<int>(state.range(0)), b = static_cast<int>(state.range(1));
    const int team = static_cast<int>(state.range(2));
    Operands m = program_operands(n);
    const Matrix A = view(m.A), B = view(m.B), C = view(m.C);
    int granted = 0;
    const TeamObserver observer = team_keeper(granted);
    for (auto _ : state)
        family->parallel(A, B, C, n, b, team, observer);
    report_rate(state, n);
    state.counters["granted"] = granted;
}

// What the harness itself adds to every reported time.
void BM_measure_seconds_empty_call(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(measure_seconds([] { benchmark::ClobberMemory(); }));
}
BENCHMARK(BM_measure_seconds_empty_call);

#if defined(TILEBENCH_HAVE_CBLAS)
void BM_cblas_sgemm(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    openblas_set_num_threads(static_cast<int>(state.range(1)));
    Operands m = program_operands(n);
    std::vector<float> a, b, c(static_cast<std::size_t>(n) * n, 0.0f);
    for (int i = 0; i < n; ++i) {
        a.insert(a.end(), m.A.rows[i].begin(), m.A.rows[i].end());
        b.insert(b.end(), m.B.rows[i].begin(), m.B.rows[i].end());
    }
    for (auto _ : state)
        cblas_sgemm(CblasRowMajor, CblasNoTrans, CblasNoTrans, n, n, n, 1.0f, a.data(), n, b.data(), n, 1.0f, c.data(),
                    n);
    report_rate(state, n);
}
BENCHMARK(BM_cblas_sgemm)->ArgsProduct({{256, 512, 1024, 2048}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// A nest without tiles runs out of cache long before 2048, where it would take minutes for no
// new information; and it gains nothing from being tried on several tile edges.
std::vector<int64_t> orders_of(const KernelFamily& family)
{
    return family.uses_block_size ? std::vector<int64_t>{256, 512, 1024, 2048} : std::vector<int64_t>{256, 512, 1024};
}

std::vector<int64_t> edges_of(const KernelFamily& family)
{
    return family.uses_block_size ? std::vector<int64_t>{16, 32, 64, 128, 256} : std::vector<int64_t>{0};
}

void register_kernel(const std::string& name, void (*run)(benchmark::State&, const KernelFamily*),
                     const KernelFamily& family, const std::vector<int64_t>& teams)
{
    benchmark::RegisterBenchmark(name.c_str(), run, &family)
        ->ArgsProduct({orders_of(family), edges_of(family), teams})
        ->ArgNames({"n", "b", "team"})
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5)
        ->UseRealTime();
}

void register_kernel_benchmarks()
{
    for (const KernelFamily& family : kernel_families()) {
        register_kernel(std::string(family.name) + "_sequential", run_sequential, family, {1});
        register_kernel(std::string(family.name) + "_parallel", run_parallel, family, {1, 2, 4});
    }
}

} // namespace

static int run(int argc, char** argv)
{
    register_kernel_benchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench_perf", run, argc, argv);
}
