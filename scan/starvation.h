// Whether a CPU the round's teams used was not all there. The capacity probe times the same
// short piece of work on every CPU the round's teams use; a CPU whose rate fell below the
// scan's healthy rate by more than the probe's own noise marks its round starved, and so does a
// timed call one of whose threads waited for its CPU behind other work. Pure: the judgement is a
// function of the recorded rates and waits, so a reader of the record can redo it.
#pragma once

#include "machine/warnings.h"

#include <limits>
#include <map>
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
    // The largest share of one of the round's timed calls that a thread of it spent ready to run
    // while other work held its CPU; NaN where no call of the round was judged.
    double waited = std::numeric_limits<double>::quiet_NaN();
    // Where the probes stood among the round's calls, so that each cell of a plan of several is
    // judged by the probes beside its own calls: per probe, how many of the round's calls came
    // before it; per call, in order, the cell it timed. A study's round holds every cell's calls,
    // ten seconds and more, and a spell of a few seconds touches only some of them. Empty: the
    // round is judged whole, as one cell.
    std::vector<std::size_t> after_calls{};
    std::vector<std::size_t> call_cells{};
    // Per call, in order, the largest share of it a thread waited for its CPU (NaN: not judged),
    // so that other work in this system that came and went within a study's round leaves out the
    // cells it met, not the round: those with a call that waited beyond the limit or was not
    // judged. Empty: a wait beyond the limit leaves the round out whole.
    std::vector<double> call_waited{};
    // Per probe, per CPU after the first: a cache line's round trip between the first CPU and
    // that one in nanoseconds (scan/line_probe.h), NaN where it could not be taken. Empty where
    // the round's teams use one CPU.
    std::vector<std::vector<double>> line_ns{};
};

// A CPU is starved in a round when its rate is below (1 - threshold) x the healthy rate, with
// threshold = min(ceiling, max(floor, noise_multiple x the probe's noise on healthy rounds)).
// The ceiling keeps a scatter that the host itself causes from widening the threshold until no
// round could ever fall below it: a CPU at three quarters of its rate is starved, however noisy.
// The floor sits above the few per cent by which a single probe of a few milliseconds strays on
// a quiet machine; the host's own spells take a third of a CPU. A round is also starved when a
// thread waited for its CPU for more than wait_limit of a call. On a quiet machine most waits are
// the microseconds a woken thread takes to be run, and now and then the system's own work takes
// a CPU for some ten milliseconds, up to a tenth of a default call; another process that shares
// the CPU takes half of it, or more.
struct StarvationRule {
    double floor = 0.08;
    double noise_multiple = 3.0;
    double ceiling = 0.25;
    double wait_limit = 0.2;
};

struct StarvationVerdict {
    double healthy_gflops = std::numeric_limits<double>::quiet_NaN(); // the best CPU's median probe near its top
    double noise = 0.0;     // robust standard deviation of one probe's log rate, from those above the healthy rate
    double threshold = 0.0; // min(ceiling, max(floor, noise_multiple x noise))
    // per probe round, per CPU: its rate over the healthy rate, where the cell it was lowest
    // beside saw it
    std::vector<std::vector<double>> relative;
    std::set<int> contended_rounds; // a thread waited for its CPU beyond the rule's limit
    std::set<int> starved_rounds;   // some cell was starved in it, or the round was contended
    // per round judged by cells: those beside which a CPU fell or one of whose calls waited
    std::map<int, std::set<std::size_t>> starved_cells{};
};

// Whether a call of the cell in that round is left out of the figures: a CPU fell beside the
// cell's calls, or one of its calls waited for its CPU (any call, in a round judged whole).
bool call_starved(const StarvationVerdict& verdict, int round, std::size_t cell);

// Per cell of the round (as call_cells numbers them), the probes beside its calls: for each
// call, the last probe before it and the first after it. One list of every probe when the round
// does not say where its probes stood.
std::vector<std::vector<std::size_t>> probes_beside_cells(const ProbeRound& round);

// A CPU's rate in the round: the second-lowest of its probes (the only one, when the round has
// one). A spell of the host's lasts minutes and lowers every probe of the round; a single probe
// that strayed low, the commonest thing a quiet machine does, does not starve a round alone.
// The same of the given probes alone: a cell's rate, from the probes beside its calls.
double round_rate(const ProbeRound& round, std::size_t cpu);
double probes_rate(const ProbeRound& round, const std::vector<std::size_t>& probes, std::size_t cpu);

// The healthy rate is the highest of the CPUs' own: a CPU's is the median of its probes within
// 15 % below its upper quartile, so that a CPU starved for the whole scan is judged against one
// that was not, and one starved by more than that for most of the scan still against its own
// healthy quarter. The probe's noise comes from the probes above the healthy rate alone:
// starvation only ever lowers a rate, so they are the healthy probes' upper half, and the median
// of their log distance, scaled by 1.4826, is the standard deviation of one probe, which no
// starved round can inflate.
StarvationVerdict judge_starvation(const std::vector<ProbeRound>& rounds, const StarvationRule& rule);

// host_starvation: the CPUs that fell, in how many of the rounds and to which rate (the median
// of their starved rounds' relative rates); contended: in how many rounds a thread waited for its
// CPU behind other work in this system, and for how much of a call at most. measuring_host names
// the figures whose clean rounds did not reach the precision asked ("threads 1,2"; empty for
// none): the first warning says they measure the host. Where the rounds judged cells apart, each
// says that only the cells a CPU fell beside, or whose calls waited, are left out. A single
// starved round whose figures still reached the precision is left out of them without a warning:
// a quiet machine gives one now and then. Empty when no round was starved.
std::vector<Warning> starvation_warning(const std::vector<ProbeRound>& rounds, const StarvationVerdict& verdict,
                                        int completed_rounds, const std::string& measuring_host);
