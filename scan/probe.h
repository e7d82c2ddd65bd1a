// The capacity probe: a short, fixed piece of the kernel family's own work, timed on each CPU
// the round's teams use, bound as the team is, on operands of its own so the timed operands are
// never touched. It runs outside every timed call, right before and right after every parallel
// configuration of a round, and gives each CPU's rate at each of those moments.
#pragma once

#include "common/owned_matrix.h"
#include "kernels/families.h"
#include "machine/topology.h"
#include "scan/plan.h"
#include "scan/probe_mode.h"

#include <string>
#include <vector>

// The probe's work: the family's sequential kernel at a small order, median of a few calls.
// Order 160 is three column tiles at the default edge of 64 (the last one half wide): about
// 8 MFLOP, 1.5 ms a call here, so three or four probes of two CPUs, three calls each, stay near
// 1.5 % of a default round with the CPUs probed at once, 3 % one at a time. The order is the
// same whatever the scan's size: at a size of 32 a call would take some 10 microseconds, where
// the clock and a single interrupt decide the rate.
constexpr int probe_order = 160;
constexpr int probe_calls = 3;

struct ProbeBench {
    SequentialKernel kernel = nullptr;
    int order = 0;
    int block = 1;
    OwnedMatrix A, B;
    std::vector<OwnedMatrix> C; // one per CPU, so CPUs probed at once never share a result
};

// Operands for probing up to cpu_count CPUs at once, of order probe_order.
ProbeBench prepare_probe(const KernelFamily& family, int block, std::size_t cpu_count);

// Each CPU's rate in GFLOP/s (NaN where it could not be taken), in the order of cpus.
std::vector<double> probe_rates(ProbeBench& bench, const Topology& topology, const std::vector<int>& cpus,
                                ProbeMode mode);

// Where the probe goes in a round's order: at boundary k, just before order[k] (k = order.size()
// is after the last), whenever a parallel configuration is on either side of it. Two parallel
// configurations side by side share the probe between them.
std::vector<bool> probe_points(const std::vector<Configuration>& configurations, const std::vector<std::size_t>& order);

// The CPUs a scan's teams use: the first max_threads of the binding order (every CPU in the order
// when there are fewer). With no binding the teams may use any CPU, so the probe takes those the
// `cores` order would give.
std::vector<int> probe_cpus(const std::vector<int>& binding_order, int max_threads);
