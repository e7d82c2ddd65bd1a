// The sizes of a study in turn. One size at a time holds its operands, so the memory a study
// needs is its largest size's, and no size's calls evict another's data between the calls being
// compared; and the rounds of a size stay as short as its own cells make them, so the calls a
// paired test compares are seconds apart, not a larger size's minutes.
#include "common/owned_matrix.h"
#include "common/timing.h"
#include "scan/cells.h"
#include "scan/study.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <numeric>

namespace {

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The share of the time left that size k may take: in proportion to its rounds' estimated
// cost among the sizes still to run, so that time a size did not need passes to the next.
double time_share(const StudyEstimate& estimate, std::size_t k, std::size_t sizes, double left_s)
{
    const bool estimated = estimate.round_s.size() == sizes;
    const double rest = estimated ? std::accumulate(estimate.round_s.begin() + static_cast<std::ptrdiff_t>(k),
                                                    estimate.round_s.end(), 0.0)
                                  : 0.0;
    const double share = rest > 0.0 ? estimate.round_s[k] / rest : 1.0 / static_cast<double>(sizes - k);
    return left_s > 0.0 ? left_s * share : 0.0;
}

// The study's reason to have stopped: an interruption first, then the first size that did not
// end on precision, else precision.
StopReason study_stop(const StudyRun& study)
{
    StopReason stop = StopReason::precision;
    for (const SizeStudy& size : study.sizes) {
        if (size.run.stop == StopReason::interrupted)
            return StopReason::interrupted;
        if (stop == StopReason::precision)
            stop = size.run.stop;
    }
    return study.sizes.empty() ? StopReason::none : stop;
}

SizeStudy study_size(const ScanOptions& options, std::size_t k, double time_limit_s, const KernelFamily& family,
                     const Topology& topology, const MachineInfo& machine, const ScanHooks& hooks)
{
    SizeStudy size;
    size.size = options.sizes[k];
    ScanOptions own = options;
    own.size = size.size;
    own.seed = options.seed + k; // each size its own round orders and bootstrap streams
    own.time_limit_s = time_limit_s;
    size.run = run_plan(own, plan_cells(size.size, options.blocks, options.threads), family, topology, machine, hooks);
    const int resamples = 2000;
    size.sequential = rank_edges(size.run, 0, nullptr, own.seed, resamples);
    for (int t : options.threads)
        size.parallel.push_back(
            rank_edges(size.run, t, &size.sequential, own.seed + static_cast<std::uint64_t>(t) * 104729U, resamples));
    return size;
}

} // namespace

double sequential_rate(const KernelFamily& family, int smallest_size)
{
    // Small enough to cost milliseconds, and held in cache, so the rate is the kernel's best and
    // the estimate made from it errs low.
    const int n = std::min(smallest_size, 256), b = std::min(n, 64);
    OwnedMatrix A = zero_matrix(n), B = zero_matrix(n), C = zero_matrix(n);
    for (OwnedMatrix* m : {&A, &B})
        for (auto& row : m->rows)
            std::fill(row.begin(), row.end(), 0.5f);
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (int call = 0; call < 3; ++call)
        best = std::min(best, measure_microseconds([&] { family.sequential(view(A), view(B), view(C), n, b); }));
    // A call below the clock's microsecond cannot say a rate: count it as infinitely fast.
    return best > 0 ? 2.0 * n * n * static_cast<double>(n) / (static_cast<double>(best) / 1e6)
                    : std::numeric_limits<double>::infinity();
}

StudyRun run_study(const ScanOptions& options, const StudyEstimate& estimate, const KernelFamily& family,
                   const Topology& topology, const MachineInfo& machine, const ScanHooks& hooks)
{
    const auto start = std::chrono::steady_clock::now();
    StudyRun study;
    for (std::size_t k = 0; k < options.sizes.size(); ++k) {
        const double share = time_share(estimate, k, options.sizes.size(), options.time_limit_s - seconds_since(start));
        study.sizes.push_back(study_size(options, k, share, family, topology, machine, hooks));
        if (study.sizes.back().run.stop == StopReason::interrupted)
            break;
    }
    study.stop = study_stop(study);
    study.elapsed_s = seconds_since(start);
    return study;
}
