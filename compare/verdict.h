// The verdicts in words, and the one rule behind --fail-if-slower.
//
// "Faster" is about time: B is faster by x % when its median time is x % below A's, x = (1 -
// B/A) * 100, so B/A = 0.9 reads "B faster by 10.0 %". The percent interval comes from the
// ratio's interval by the same map, which turns it around: the ratio's upper bound gives the
// smaller percentage. A speed-up is the other way up (higher is better): B scales better by
// (B/A - 1) * 100 %.
#pragma once

#include "compare/comparison.h"

#include <string>

// "B faster by 7.9 % [5.1, 10.6]", "B slower by 3.2 % [1.0, 5.4]", "no difference beyond the
// noise", or "too few clean rounds (A 4, B 9)".
std::string time_verdict(const CountComparison& count);

// "B scales better by 4.0 % [1.2, 6.9]", "B scales worse by ...", or the same two others.
std::string speedup_verdict(const CountComparison& count);

// B's slow-down at this count, in percent, and its interval: (B/A - 1) * 100.
Interval slowdown_percent(const CountComparison& count);

// Whether B is slower than A beyond percent: its time judged slower, and the whole interval
// of the slow-down above percent, so that noise alone trips it in at most about one
// comparison in forty per thread count.
bool slower_beyond(const CountComparison& count, double percent);

// The word a change is stored under: "faster", "slower", "none" or "not_judged" for time;
// "better", "worse", "none" or "not_judged" for a speed-up.
std::string time_change_name(const CountComparison& count);
std::string speedup_change_name(const CountComparison& count);
