// Whether the trip of a cache line between the CPUs changed over a scan's rounds. Only cells
// whose threads share every line of C feel it (wider tiles share a line only at their edges),
// so it is said only where such cells were measured. Pure, like the capacity probe's verdict:
// a reader of the record can redo it from the round trips each round keeps.
#pragma once

#include "machine/warnings.h"
#include "scan/starvation.h"

#include <utility>
#include <vector>

// A trip this many times the scan's fastest or more was taken with the CPUs placed farther
// apart. On the virtual machine this was built on, the trip sat at 58 to 96 ns or at 326 to 352
// ns within one scan (about 200 or 600 ns in another hour), and the narrowest tiles' calls took
// two and a half to three times as long at the slower level: the levels lie three to five times
// apart, the trips within one up to 1.7 times.
constexpr double slow_line_factor = 2.0;

// The trips between the first CPU a scan's teams use and one other, over its rounds.
struct LinePassing {
    int from = -1, to = -1;
    double fastest_ns = 0.0, slowest_ns = 0.0; // of every probe's trip
    int slow_rounds = 0;                       // with a trip at slow_line_factor x fastest_ns or more
    int rounds = 0;                            // with a trip between the two
};

// Per pair of CPUs; pairs no round measured are left out. One slow trip makes its round slow: a
// call beside it may have paid it, and a trip is already the median of three batches, so one
// interrupt does not make it slow.
std::vector<LinePassing> judge_line_passing(const std::vector<ProbeRound>& rounds);

// A warning when some pair had slow rounds and cells (size, edge) share every line (from
// line_sharing_cells in machine/warnings.h); empty otherwise.
std::vector<Warning> line_passing_warning(const std::vector<LinePassing>& passing,
                                          const std::vector<std::pair<int, int>>& sharing_cells);
