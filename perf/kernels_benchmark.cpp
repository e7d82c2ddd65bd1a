// Kernel benchmarks: the four kernels over sizes, tile edges and team sizes, reported in
// FLOP/s (2 n^3 per call) of wall-clock time, the time tilebench reports, the timing harness around an empty call, and,
// where OpenBLAS is available, sgemm on the same data as a measure of what the machine itself can do.
#include "bench/bench.h"
#include "kernels/kernels.h"

#include <benchmark/benchmark.h>

#if defined(TILEBENCH_HAVE_CBLAS)
#include <cblas.h>
#endif

#include <iostream>
#include <random>
#include <sstream>
#include <vector>

namespace {

// Three n x n matrices in the program's row-pointer form, rows allocated one by one as the
// program does. C starts at zero and accumulates, as in the program.
struct Operands {
    std::vector<std::vector<float>> rows;
    std::vector<float*> pointers;
    Matrix A, B, C;
};

void make_operands(Operands& m, int n)
{
    std::mt19937 generator(42);
    std::uniform_int_distribution<int> draw(0, 32767);
    m.rows.assign(3 * static_cast<std::size_t>(n), std::vector<float>(static_cast<std::size_t>(n), 0.0f));
    for (std::size_t r = 0; r < 2 * static_cast<std::size_t>(n); ++r)
        for (float& x : m.rows[r])
            x = static_cast<float>(draw(generator)) / 32767.0f;
    for (auto& row : m.rows)
        m.pointers.push_back(row.data());
    m.A = m.pointers.data();
    m.B = m.A + n;
    m.C = m.B + n;
}

void report_rate(benchmark::State& state, int n)
{
    state.counters["FLOP/s"] =
        benchmark::Counter(2.0 * n * n * static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}

// The parallel kernels announce their team on every call, inside the timed span, as in the
// program; here the line goes to a string instead of the benchmark's own report.
template <typename Call>
void run_quietly(benchmark::State& state, Call call)
{
    std::ostringstream sink;
    std::streambuf* console = std::cout.rdbuf(sink.rdbuf());
    for (auto _ : state) {
        call();
        sink.str(std::string());
    }
    std::cout.rdbuf(console);
}

void BM_blocked_sequential(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0)), b = static_cast<int>(state.range(1));
    Operands m;
    make_operands(m, n);
    for (auto _ : state)
        multiply_blocked_sequential(m.A, m.B, m.C, n, b);
    report_rate(state, n);
}

void BM_blocked_parallel(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0)), b = static_cast<int>(state.range(1));
    const int team = static_cast<int>(state.range(2));
    Operands m;
    make_operands(m, n);
    run_quietly(state, [&] { multiply_blocked_parallel(m.A, m.B, m.C, n, b, team); });
    report_rate(state, n);
}

void BM_naive_sequential(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Operands m;
    make_operands(m, n);
    for (auto _ : state)
        multiply_naive_sequential(m.A, m.B, m.C, n);
    report_rate(state, n);
}

void BM_naive_parallel(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0)), team = static_cast<int>(state.range(1));
    Operands m;
    make_operands(m, n);
    run_quietly(state, [&] { multiply_naive_parallel(m.A, m.B, m.C, n, team); });
    report_rate(state, n);
}

// What the harness itself adds to every reported time.
void BM_measure_seconds_empty_call(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(measure_seconds([] { benchmark::ClobberMemory(); }));
}

#if defined(TILEBENCH_HAVE_CBLAS)
void BM_cblas_sgemm(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    openblas_set_num_threads(static_cast<int>(state.range(1)));
    std::mt19937 generator(42);
    std::uniform_real_distribution<float> element(0.0f, 1.0f);
    std::vector<float> a(static_cast<std::size_t>(n) * n), b(a.size()), c(a.size(), 0.0f);
    for (float& x : a)
        x = element(generator);
    for (float& x : b)
        x = element(generator);
    for (auto _ : state)
        cblas_sgemm(CblasRowMajor, CblasNoTrans, CblasNoTrans, n, n, n, 1.0f, a.data(), n, b.data(), n, 1.0f, c.data(),
                    n);
    report_rate(state, n);
}
BENCHMARK(BM_cblas_sgemm)->ArgsProduct({{256, 512, 1024, 2048}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

const std::vector<int64_t> tiled_orders = {256, 512, 1024, 2048};
const std::vector<int64_t> untiled_orders = {256, 512, 1024};
const std::vector<int64_t> tile_edges = {16, 32, 64, 128, 256};
const std::vector<int64_t> team_sizes = {1, 2, 4};

BENCHMARK(BM_blocked_sequential)
    ->ArgsProduct({tiled_orders, tile_edges})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->UseRealTime();
BENCHMARK(BM_blocked_parallel)
    ->ArgsProduct({tiled_orders, tile_edges, team_sizes})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->UseRealTime();
BENCHMARK(BM_naive_sequential)
    ->ArgsProduct({untiled_orders})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->UseRealTime();
BENCHMARK(BM_naive_parallel)
    ->ArgsProduct({untiled_orders, team_sizes})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->UseRealTime();
BENCHMARK(BM_measure_seconds_empty_call);

} // namespace

BENCHMARK_MAIN();
