// Whether the trip of a cache line between the CPUs changed over a scan's rounds, beside the
// calls that feel it most: those of cells whose tiles' rows are no wider than a line, whose
// threads share the lines of C they write. Wider tiles share a line only at their edges and feel
// it less, so it is said only where such cells were measured. Pure, like the capacity probe's
// verdict: a reader of the record can redo it from each round's line_ns, after_calls and
// call_blocks.
#pragma once

#include "machine/warnings.h"
#include "scan/starvation.h"

#include <cstddef>
#include <utility>
#include <vector>

// A trip this many times the run's fast level or more was taken with the CPUs placed farther
// apart. The fast level is the tenth percentile of the run's trips: the very fastest is one
// lucky trip, a few tenths below the rest of its level. On the virtual machine this was built
// on, a scan of edge 8 and three studies of six edges after it found the trip at 51 to 118 ns
// or at 299 to 373 ns; against each run's fast level (53 to 67 ns) the fast trips reached 1.9
// times it at most and the slow ones 4.5 times it at least, and edge 8's 2-thread calls took
// 2.2 to 2.7 times as long beside the slow ones.
constexpr double slow_line_factor = 2.0;

// The trips between the first CPU a scan's teams use and one other.
struct LinePassing {
    int from = -1, to = -1;
    double fastest_ns = 0.0, slowest_ns = 0.0; // of every probe's trip in the run
    double fast_ns = 0.0;                      // the fast level: the tenth percentile of those trips
    int slow_rounds = 0; // with a trip beside the cells' calls at slow_line_factor x fast_ns or more
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
// cells whose threads share their lines (line_sharing_cells in machine/warnings.h); empty
// otherwise.
std::vector<Warning> line_passing_warning(const std::vector<LinePassing>& passing,
                                          const std::vector<std::pair<int, int>>& sharing_cells);
