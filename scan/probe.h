// The capacity probe: a short, fixed piece of the kernel family's own work, timed on each CPU
// the round's teams use, bound as the team is, on operands of its own so the timed operands are
// never touched. It runs outside every timed call, right before a round's first parallel
// configuration and right after its last, and gives each CPU's rate in that round.
#pragma once

#include "common/owned_matrix.h"
#include "kernels/families.h"
#include "machine/topology.h"
#include "scan/plan.h"
#include "scan/probe_mode.h"

#include <string>
#include <vector>

// The probe's work: the family's sequential kernel at a small order, median of a few calls.
// Order 192 is three column tiles at the default edge of 64: about 14 MFLOP, a few
// milliseconds a call, so four probes of two CPUs stay near 3 % of a default round.
constexpr int probe_order_max = 192;
constexpr int probe_calls = 3;

struct ProbeBench {
    SequentialKernel kernel = nullptr;
    int order = 0;
    int block = 1;
    OwnedMatrix A, B;
    std::vector<OwnedMatrix> C; // one per CPU, so CPUs probed at once never share a result
};

// Operands for probing up to cpu_count CPUs at once: order min(size, probe_order_max).
ProbeBench prepare_probe(const KernelFamily& family, int size, int block, std::size_t cpu_count);

// Each CPU's rate in GFLOP/s (NaN where it could not be taken), in the order of cpus.
std::vector<double> probe_rates(ProbeBench& bench, const Topology& topology, const std::vector<int>& cpus,
                                ProbeMode mode);

// Where the probe goes in a round's order: before the configuration at index `before` (the first
// parallel one) and after the one at `after` (the last parallel one); npos when the round has none.
struct ProbePoints {
    std::size_t before = static_cast<std::size_t>(-1);
    std::size_t after = static_cast<std::size_t>(-1);
};
ProbePoints probe_points(const std::vector<Configuration>& configurations, const std::vector<std::size_t>& order);

// The CPUs a scan's teams use: the first max_threads of the binding order (every CPU in the order
// when there are fewer). With no binding the teams may use any CPU, so the probe takes those the
// `cores` order would give.
std::vector<int> probe_cpus(const std::vector<int>& binding_order, int max_threads);
