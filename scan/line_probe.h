// How long a cache line takes to go from one CPU to another and back. Where the CPUs share
// the lines of C, as the narrowest tiles make them, a parallel call's time follows that trip,
// and a host that moves its virtual CPUs between cores changes it while the capacity probe,
// whose operands are private, sees nothing. Timed outside every timed call, beside the capacity
// probe.
#pragma once

#include "machine/topology.h"

// Round trips per batch and timed batches per measurement, after one untimed batch that lets
// the second thread wake and settle on its CPU: at the 50 to 400 ns a trip took on the virtual
// machine this was built on, a batch lasts 0.05 to 0.4 ms, and the median of three batches is
// not decided by one interrupt.
constexpr int line_trips = 1000;
constexpr int line_batches = 3;

// A batch not done within this long has a partner that is not coming (the runtime granted a
// smaller team, or the CPU is held by other work): the measurement gives up rather than spin
// on. A finite trip is therefore under line_patience_s / line_trips.
constexpr double line_patience_s = 0.05;

// Nanoseconds per round trip of one cache line between threads bound to CPUs from and to: the
// median of line_batches batches of line_trips trips. NaN when from and to are the same, when
// either thread could not be bound to its CPU, or when a batch was not done within
// line_patience_s.
double line_round_trip_ns(const Topology& topology, int from, int to);
