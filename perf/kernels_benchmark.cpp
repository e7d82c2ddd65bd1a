// Kernel benchmarks: every kernel of the table over sizes, tile edges and team sizes, reported
// in FLOP/s (2 n^3 per call) of wall-clock time, the time tilebench reports; the timing harness
// around an empty call; and, where OpenBLAS is available, sgemm on the same data as a measure of
// what the machine itself can do.
#include "common/owned_matrix.h"
#include "common/timing.h"
#include "kernels/kernels.h"

#include <benchmark/benchmark.h>

#if defined(TILEBENCH_HAVE_CBLAS)
#include <cblas.h>
#endif

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

void report_rate(benchmark::State& state, int n)
{
    state.counters["FLOP/s"] =
        benchmark::Counter(2.0 * n * n * static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}

// Arguments: n, b, team (b and team are passed whatever the variant ignores). C starts at zero
// and accumulates, as in the program. The parallel kernels announce their team on every call,
// inside the timed span, as in the program; here the line goes to a string instead of the
// benchmark's own report.
void run_variant(benchmark::State& state, const KernelVariant* variant)
{
    const int n = static_cast<int>(state.range(0)), b = static_cast<int>(state.range(1));
    const int team = static_cast<int>(state.range(2));
    Operands m = program_operands(n);
    const Matrix A = view(m.A), B = view(m.B), C = view(m.C);
    std::ostringstream sink;
    std::streambuf* console = std::cout.rdbuf(sink.rdbuf());
    for (auto _ : state) {
        variant->run(A, B, C, n, b, team);
        sink.str(std::string());
    }
    std::cout.rdbuf(console);
    report_rate(state, n);
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

// The untiled nest is slow enough that 2048 would take minutes for no new information.
std::vector<int64_t> orders_of(const KernelVariant& variant)
{
    return variant.tiled ? std::vector<int64_t>{256, 512, 1024, 2048} : std::vector<int64_t>{256, 512, 1024};
}

void register_kernel_benchmarks()
{
    for (const KernelVariant& variant : kernel_variants()) {
        const std::vector<int64_t> edges =
            variant.tiled ? std::vector<int64_t>{16, 32, 64, 128, 256} : std::vector<int64_t>{0};
        const std::vector<int64_t> teams = variant.parallel ? std::vector<int64_t>{1, 2, 4} : std::vector<int64_t>{1};
        benchmark::RegisterBenchmark(variant.name, run_variant, &variant)
            ->ArgsProduct({orders_of(variant), edges, teams})
            ->ArgNames({"n", "b", "team"})
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.5)
            ->UseRealTime();
    }
}

} // namespace

int main(int argc, char** argv)
{
    register_kernel_benchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
