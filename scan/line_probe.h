// How long a cache line takes to go from one CPU to another and back. Where the CPUs share
// the lines of C, as the narrowest tiles make them, a parallel call's time follows that trip,
// and a host that moves its virtual CPUs between cores changes it while the capacity probe,
// whose operands are private, sees nothing. Timed outside every timed call, beside the capacity
// probe.
#pragma once

#include "machine/topology.h"

// Round trips per batch and batches per measurement: about a millisecond at the 200 to 600 ns
// a trip takes on a virtual machine, the median of three batches so that one interrupt in a
// batch does not decide the figure.
constexpr int line_trips = 1000;
constexpr int line_batches = 3;

// A thread that has not answered within this long is not coming (the runtime granted a smaller
// team, or the CPU is held by other work): the measurement gives up rather than spin on.
constexpr double line_patience_s = 0.05;

// Nanoseconds per round trip of one cache line between threads bound to CPUs from and to: the
// median of line_batches batches of line_trips trips. NaN when from and to are the same, or
// when a trip could not be completed within line_patience_s.
double line_round_trip_ns(const Topology& topology, int from, int to);
