// Whether the trip of a cache line between the CPUs changed over a scan's rounds, beside the
// calls that feel it. Only cells whose threads share every line of C do (wider tiles share a
// line only at their edges), so it is judged and said only where such cells were measured.
// Pure, like the capacity probe's verdict: a reader of the record can redo it from the round
// trips each round keeps.
#pragma once

#include "machine/warnings.h"
#include "scan/starvation.h"

#include <cstddef>
#include <utility>
#include <vector>

// A trip this many times the scan's fastest or more was taken with the CPUs placed farther
// apart. On the virtual machine this was built on, the trip sat at 51 to 96 ns or at 309 to 365
// ns within one scan (about 200 or 600 ns in another hour), and the narrowest tiles' 2-thread
// calls took two and a half to three times as long at the slower level: the levels lie three to
// six times apart, the trips within one up to 1.7 times.
constexpr double slow_line_factor = 2.0;

// The trips between the first CPU a scan's teams use and one other.
struct LinePassing {
    int from = -1, to = -1;
    double fastest_ns = 0.0, slowest_ns = 0.0; // of every probe's trip in the run
    int slow_rounds = 0; // with a trip beside the cells' calls at slow_line_factor x fastest_ns or more
    int rounds = 0;      // with a trip beside the cells' calls
};

// Per pair of CPUs, judged on the probes beside the calls of the given cells (their numbers in
// the plan; a round that does not say where its probes stood, as a scan's of one cell, is judged
// on every probe). One slow trip makes its round slow: a call beside it may have paid it, and a
// trip is already the median of three batches, so one interrupt does not make it slow. Pairs no
// round measured are left out.
std::vector<LinePassing> judge_line_passing(const std::vector<ProbeRound>& rounds,
                                            const std::vector<std::size_t>& cells);

// A warning when some pair had slow rounds beside the calls of sharing_cells (size, edge), the
// cells whose threads share every line (line_sharing_cells in machine/warnings.h); empty
// otherwise.
std::vector<Warning> line_passing_warning(const std::vector<LinePassing>& passing,
                                          const std::vector<std::pair<int, int>>& sharing_cells);
