// Whether the trip of a cache line between the CPUs changed over a scan's rounds, beside the
// calls that feel it most: those of cells whose tiles' rows are no wider than a line, whose
// threads share the lines of C they write. Wider tiles share a line only at their edges and feel
// it less, so for them it is said only where their own speed-up measurably followed the trip.
// Pure, like the capacity probe's verdict: a reader of the record can redo it from each round's
// line_ns, after_calls and call_blocks, and the samples file.
#pragma once

#include "machine/warnings.h"
#include "scan/plan.h"
#include "scan/starvation.h"
#include "scan/summary.h"

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
    // The rounds, by number, with a trip beside the cells' calls: slow when one of those took
    // slow_line_factor x fast_ns or more, fast otherwise.
    std::vector<int> slow_rounds{}, fast_rounds{};
};

// Per pair of CPUs, judged on the probes beside the calls of the given cells (their numbers in
// the plan; a round that does not say where its probes stood, as a scan's of one cell, is judged
// on every probe). One slow trip makes its round slow: a call beside it may have paid it, and a
// trip is already the median of three batches, so one interrupt does not make it slow. Pairs no
// round measured are left out.
std::vector<LinePassing> judge_line_passing(const std::vector<ProbeRound>& rounds,
                                            const std::vector<std::size_t>& cells);

// A speed-up that followed the trip although its cell's rows are wider than a line: on the
// machine this was built on, edge 64's 2-thread speed-up was 8 % lower in the rounds with the
// CPUs placed far apart, in most quiet scans that met both placements, and a scan's figure is
// then a mixture of the two in whatever shares the host chose. Its clean rounds are split by
// whether a slow trip (on any pair) stood beside that cell's calls, every thread count of the
// cell by the same probes (a plan of one cell is judged on every probe of its round, as a scan's
// starvation is); each side needs min_interval_pairs rounds, the 95 % order-statistic intervals
// of the two sides' median round speed-ups must not overlap, and the medians must lie
// line_following_step apart or more, so that neither a few rounds nor a difference smaller than
// a scan's own precision is called one. Order statistics rather than a bootstrap: a reader
// redoes it from the record's trips and the samples file alone.
constexpr double line_following_step = 0.05;

struct LineFollowing {
    int size = 0, block = 0, threads = 0;
    int far_rounds = 0, near_rounds = 0;          // clean rounds with and without a slow trip beside the calls
    double far_speedup = 0.0, near_speedup = 0.0; // the medians of those rounds' speed-ups
};

// The speed-ups of plan's cells (teams of 2 threads or more) that followed the trip, from the
// clean samples of the completed rounds and those rounds' probes.
std::vector<LineFollowing> line_following(const std::vector<Configuration>& plan,
                                          const std::vector<Sample>& clean_samples,
                                          const std::vector<ProbeRound>& rounds);

// A warning when some pair had slow rounds beside the calls of sharing_cells (size, edge), the
// cells whose threads share their lines (line_sharing_cells in machine/warnings.h), or when some
// cell's speed-up followed the trip (the caller then judges passing beside every cell's calls
// unless sharing cells had slow rounds); empty otherwise.
std::vector<Warning> line_passing_warning(const std::vector<LinePassing>& passing,
                                          const std::vector<std::pair<int, int>>& sharing_cells,
                                          const std::vector<LineFollowing>& following = {});
