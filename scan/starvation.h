// Whether the host took part of a CPU away during a round. The capacity probe times the same
// short piece of work on every CPU the round's teams use; a CPU whose rate fell below the
// scan's healthy rate by more than the probe's own noise marks its round starved. Pure: the
// judgement is a function of the recorded rates, so a reader of the record can redo it.
#pragma once

#include "machine/warnings.h"

#include <limits>
#include <set>
#include <string>
#include <vector>

// What the probe saw in one round: at each probe (right before and right after every parallel
// configuration), each CPU's rate in GFLOP/s, the median of the probe's calls; NaN where it
// could not be taken.
struct ProbeRound {
    int round = 0;
    std::vector<int> cpus;
    std::vector<std::vector<double>> gflops;                 // per probe, per CPU
    double end_s = std::numeric_limits<double>::quiet_NaN(); // the scan's clock when the round ended
};

// A CPU is starved in a round when its rate is below (1 - threshold) x the healthy rate, with
// threshold = min(ceiling, max(floor, noise_multiple x the probe's noise on healthy rounds)).
// The ceiling keeps a scatter that the host itself causes from widening the threshold until no
// round could ever fall below it: a CPU at three quarters of its rate is starved, however noisy.
struct StarvationRule {
    double floor = 0.05;
    double noise_multiple = 3.0;
    double ceiling = 0.25;
};

struct StarvationVerdict {
    double healthy_gflops = std::numeric_limits<double>::quiet_NaN(); // the best CPU's median probe near its top
    double noise = 0.0;     // robust standard deviation of one probe's log rate, from those above the healthy rate
    double threshold = 0.0; // min(ceiling, max(floor, noise_multiple x noise))
    std::vector<std::vector<double>> relative; // per probe round, per CPU: its rate over the healthy rate
    std::set<int> starved_rounds;
};

// A CPU's rate in the round: the lowest of its probes, so that a spell during any of them counts.
double round_rate(const ProbeRound& round, std::size_t cpu);

// The healthy rate is the highest of the CPUs' own: a CPU's is the median of its probes within
// 15 % below its upper quartile, so that a CPU starved for the whole scan is judged against one
// that was not, and one starved by more than that for most of the scan still against its own
// healthy quarter. The probe's noise comes from the probes above the healthy rate alone:
// starvation only ever lowers a rate, so they are the healthy probes' upper half, and the median
// of their log distance, scaled by 1.4826, is the standard deviation of one probe, which no
// starved round can inflate.
StarvationVerdict judge_starvation(const std::vector<ProbeRound>& rounds, const StarvationRule& rule);

// host_starvation: the CPUs that fell, in how many of the rounds and to which rate (the median
// of their starved rounds' relative rates). measuring_host names the figures whose clean rounds
// did not reach the precision asked ("threads 1,2"; empty for none): the warning says they
// measure the host. A single starved round whose figures still reached the precision is left
// out of them without a warning: at the probe's noise a quiet machine gives one now and then.
// Empty when no round was starved.
std::vector<Warning> starvation_warning(const std::vector<ProbeRound>& rounds, const StarvationVerdict& verdict,
                                        int completed_rounds, const std::string& measuring_host);
