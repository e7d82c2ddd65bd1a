// Whether the trip of a cache line between the CPUs changed over a scan's rounds. Only cells
// whose threads share every line of C feel it (wider tiles share a line only at their edges),
// so it is said only where such cells were measured. Pure, like the capacity probe's verdict:
// a reader of the record can redo it from the round trips each round keeps.
#pragma once

#include "machine/warnings.h"
#include "scan/starvation.h"

#include <utility>
#include <vector>

// A round whose trip takes this many times the scan's fastest round's or more was run with its
// CPUs placed farther apart. On the machine this was built on the trip sits at about 200 ns or
// about 600 ns, a few per cent apart within either, and the narrowest tiles' calls take two to
// three times as long at the slower one.
constexpr double slow_line_factor = 1.5;

// The trips between the first CPU a scan's teams use and one other, over its rounds.
struct LinePassing {
    int from = -1, to = -1;
    double fastest_ns = 0.0, slowest_ns = 0.0; // of the rounds' medians
    int slow_rounds = 0;                       // at slow_line_factor x fastest_ns or more
    int rounds = 0;                            // with a trip between the two
};

// Per pair of CPUs, from each round's median over its probes; pairs no round measured are left
// out.
std::vector<LinePassing> judge_line_passing(const std::vector<ProbeRound>& rounds);

// A warning when some pair had slow rounds and cells (size, edge) share every line (from
// line_sharing_cells in machine/warnings.h); empty otherwise.
std::vector<Warning> line_passing_warning(const std::vector<LinePassing>& passing,
                                          const std::vector<std::pair<int, int>>& sharing_cells);
